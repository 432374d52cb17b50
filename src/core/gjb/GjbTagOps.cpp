#include "core/gjb/GjbTagOps.h"

#include "core/app/AppContext.h"
#include "core/reader/ReaderDllGJB.h"

#include <QElapsedTimer>

#include <algorithm>

namespace GjbTagOps {
namespace {

constexpr int kMatchStart = 2;
constexpr int kMaskBits = 4;
constexpr int kMask = 6;
constexpr int kIdBits = 260;
constexpr int kId = 262;
constexpr int kMatchFlag = 516;
constexpr int kArea = 518;
constexpr int kStart = 520;
constexpr int kWords = 522;
constexpr int kPassword = 524;
constexpr int kWriteWords = 524;
constexpr int kWriteData = 526;
constexpr int kWritePassword = 1550;
constexpr int kLockAction = 520;
constexpr int kLockPassword = 521;
constexpr int kKillPassword = 518;
constexpr int kStatus = 278;
constexpr int kAnswerWords = 279;
constexpr int kAnswerData = 281;
constexpr int kRecordKind = 259;
constexpr unsigned char kKindOperation = 2;

void put16(std::vector<unsigned char>& r, int at, unsigned int v)
{
    r[static_cast<size_t>(at)] = static_cast<unsigned char>(v & 0xFF);
    r[static_cast<size_t>(at) + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void putPassword(std::vector<unsigned char>& r, int at, const Password& pwd)
{
    std::copy(pwd.begin(), pwd.end(), r.begin() + at);
}

// The shared conversion turns a lone last digit into 0; as the high half of its byte it keeps its
// value ("FFF" is FF F0, not FF 00).
QString evenDigits(const QString& hex)
{
    return hex.size() % 2 ? hex + QLatin1Char('0') : hex;
}

// The header every operation starts with; the caller has checked the lengths.
std::vector<unsigned char> header(const Match& m)
{
    std::vector<unsigned char> r(kRequestSize, 0);
    r[0] = 1;
    put16(r, kMatchStart, m.startWord);
    const int maskBits = 4 * static_cast<int>(std::min<qsizetype>(m.mask.size(), kMaxIdDigits));
    const int idBits = 4 * static_cast<int>(std::min<qsizetype>(m.tagId.size(), kMaxIdDigits));
    put16(r, kMaskBits, static_cast<unsigned int>(maskBits));
    AppContext::hexToBytes(evenDigits(m.mask), r.data() + kMask, maskBits);
    put16(r, kIdBits, static_cast<unsigned int>(idBits));
    AppContext::hexToBytes(evenDigits(m.tagId), r.data() + kId, idBits);
    r[kMatchFlag] = m.match ? 1 : 0;
    return r;
}

std::vector<unsigned char> areaRequest(const Match& m, int code, unsigned int start, unsigned int words,
                                       const Password& pwd)
{
    std::vector<unsigned char> r = header(m);
    r[kArea] = static_cast<unsigned char>(code & 0xFF);
    put16(r, kStart, start);
    put16(r, kWords, words);
    putPassword(r, kPassword, pwd);
    return r;
}

} // namespace

MatchCheck checkMatch(const Match& m)
{
    if (m.tagId.size() > kMaxIdDigits) {
        return MatchCheck::TagIdTooLong;
    }
    if (m.mask.size() > kMaxIdDigits) {
        return MatchCheck::MaskTooLong;
    }
    if (m.tagId.size() < m.mask.size()) {
        return MatchCheck::MaskLongerThanId;
    }
    return MatchCheck::Ok;
}

int areaCode(int areaIndex, int userNumber)
{
    return areaIndex * 16 + (areaIndex == 3 ? (userNumber & 0x0F) : 0);
}

std::vector<unsigned char> buildRead(const Match& m, int code, unsigned int startWord, unsigned int wordCount,
                                     const Password& pwd)
{
    return areaRequest(m, code, startWord, wordCount, pwd);
}

std::vector<unsigned char> buildErase(const Match& m, int code, unsigned int startWord,
                                      unsigned int wordCount, const Password& pwd)
{
    return areaRequest(m, code, startWord, wordCount, pwd);
}

std::vector<unsigned char> buildWrite(const Match& m, int code, unsigned int startWord,
                                      unsigned int wordCount, const QString& dataHex, const Password& pwd)
{
    if (wordCount * 2 > static_cast<unsigned int>(kWriteDataBytes)) {
        return {};
    }
    std::vector<unsigned char> r = header(m);
    r[kArea] = static_cast<unsigned char>(code & 0xFF);
    put16(r, kStart, startWord);
    put16(r, kWords, wordCount);
    put16(r, kWriteWords, wordCount);
    AppContext::hexToBytes(dataHex, r.data() + kWriteData, static_cast<int>(16 * wordCount));
    putPassword(r, kWritePassword, pwd);
    return r;
}

std::vector<unsigned char> buildLock(const Match& m, int code, int action, const Password& pwd)
{
    std::vector<unsigned char> r = header(m);
    put16(r, kArea, static_cast<unsigned int>(code));
    r[kLockAction] = static_cast<unsigned char>(action & 0xFF);
    putPassword(r, kLockPassword, pwd);
    return r;
}

std::vector<unsigned char> buildKill(const Match& m, const Password& pwd)
{
    std::vector<unsigned char> r = header(m);
    putPassword(r, kKillPassword, pwd);
    return r;
}

Answer parseAnswer(const unsigned char* buffer, int size)
{
    Answer a;
    if (!buffer || size <= kAnswerData) {
        return a;
    }
    a.status = buffer[kStatus];
    a.wordCount = (static_cast<unsigned int>(buffer[kAnswerWords]) << 8) | buffer[kAnswerWords + 1];
    // A count past the buffer's end shows what arrived rather than reading beyond it.
    const int bytes = static_cast<int>(
        std::min<unsigned int>(2 * a.wordCount, static_cast<unsigned int>(size - kAnswerData)));
    a.dataHex = AppContext::bytesToHex(buffer + kAnswerData, bytes);
    return a;
}

bool receiveAnswer(ReaderDllGJB& driver, unsigned char* buffer, int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = waitMs - clock.elapsed();
        if (left <= 0) {
            return false;
        }
        std::fill(buffer, buffer + kAnswerSize, 0);
        if (!driver.Receive_TagReport(buffer, static_cast<int>(left))) {
            return false;
        }
        if (buffer[kRecordKind] == kKindOperation) {
            return true;
        }
    }
}

} // namespace GjbTagOps
