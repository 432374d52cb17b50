#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class ReaderDllGJB;

// Request records and answers of the GJB tag operations (read, write, lock, erase, kill), without
// widgets. Offsets follow gjbzaltlink.h.
namespace GjbTagOps {

// The request's tag-ID and mask areas hold 254 bytes each.
constexpr int kMaxIdDigits = 508;
// Every record is this long (the write's, the longest), zero where an operation writes nothing.
constexpr int kRequestSize = 1554;
// The answer buffer handed to Receive_TagReport.
constexpr int kAnswerSize = 65814;
constexpr int kWriteDataBytes = 1024;

using Password = std::array<unsigned char, 4>;

// What every operation matches the tag with.
struct Match
{
    QString tagId;
    QString mask;
    unsigned int startWord = 0;
    bool match = true;
};

enum class MatchCheck
{
    Ok,
    TagIdTooLong,     // more digits than the request holds
    MaskTooLong,      // likewise
    MaskLongerThanId, // more mask bits than tag-ID bits
};
MatchCheck checkMatch(const Match& m);

// Area index 0..3 (3 = user area, whose number 0..15 goes in the low nibble).
int areaCode(int areaIndex, int userNumber);

// Read and erase share a layout.
std::vector<unsigned char> buildRead(const Match& m, int areaCode, unsigned int startWord,
                                     unsigned int wordCount, const Password& pwd);
std::vector<unsigned char> buildErase(const Match& m, int areaCode, unsigned int startWord,
                                      unsigned int wordCount, const Password& pwd);
// Empty when the words do not fit the record's data area.
std::vector<unsigned char> buildWrite(const Match& m, int areaCode, unsigned int startWord,
                                      unsigned int wordCount, const QString& dataHex, const Password& pwd);
std::vector<unsigned char> buildLock(const Match& m, int areaCode, int action, const Password& pwd);
std::vector<unsigned char> buildKill(const Match& m, const Password& pwd);

struct Answer
{
    int status = -1;
    unsigned int wordCount = 0; // as the reader sent it
    QString dataHex;            // the returned words that lie inside the buffer
};
Answer parseAnswer(const unsigned char* buffer, int size);

// Waits up to waitMs for a tag operation's answer into buffer (kAnswerSize bytes, zeroed first),
// passing over tag reports an inventory left queued: their zero status would read as success.
bool receiveAnswer(ReaderDllGJB& driver, unsigned char* buffer, int waitMs);

} // namespace GjbTagOps
