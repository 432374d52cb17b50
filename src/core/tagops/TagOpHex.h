#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text rules shared by the tag-operation pages: hex entry, lengths, passwords, select record.
namespace TagOpHex {

// Buffer sizes of the calls; a length whose data would not fit is refused before converting.
// The select call takes its byte count in one byte, tighter than its 1024-byte buffer.
constexpr int kMaxSelectBytes = 255;
constexpr int kMaxRecordMatchBits = 255; // the stored select keeps only 8 bits of length
constexpr int kMaxStartBits = 65535;
constexpr int kUserBufferBytes = 8925;
constexpr int kMaxUserWords = kUserBufferBytes / 2; // 4462
constexpr int kEpcBufferBytes = 255;
constexpr int kMaxEpcWords = kEpcBufferBytes / 2; // 127
constexpr int kKillBufferBytes = 52;
constexpr int kMaxKillDigits = kKillBufferBytes * 2;

// Removes spaces, tabs and line breaks.
QString clean(const QString& text);
// Non-empty and every character a hex digit.
bool isValidHex(const QString& cleaned);
// Pairs of digits separated by spaces, sixteen bytes a line (each full line ends in a space).
QString displayForm(const QString& cleaned);

struct CapResult
{
    bool changed = false;
    QString text;
    int cursor = 0;
};
// Cuts the entry to maxDigits hex digits, re-laid out in display form, cursor kept in place.
CapResult capLength(const QString& text, int maxDigits, int cursor);

// Decimal field: optional surrounding spaces, digits only, no sign.
bool parseCount(const QString& text, int* value);
// A password: four fields of exactly two hex digits each, first field first. False when a field
// holds anything else: a password guessed at could lock a tag for good.
bool readPassword(const QStringList& fields, QByteArray* out);

// What is wrong with an entry, each with its own log line.
enum class Check
{
    Ok,
    LengthError,     // data and length disagree, or a length beyond the call's buffer
    FormatError,     // data that is not hexadecimal
    ZeroLength,      // a word count of 0: nothing to send
    StartNotNumber,  // start address
    StartOutOfRange, // a start address the call cannot carry
    LengthNotNumber, // length or match length
    TimeNotNumber,   // operation time
    PasswordError    // a password field without two hex digits
};
// The language key of the log line that explains a refused check.
const char* refusalKey(Check check);

// The key of "Length: n word(s)" for a count of words.
const char* wordCountKey(int words);

struct SelectParams
{
    int bank = 1; // 1 EPC, 2 TID, 3 user
    int startBits = 0;
    int lengthBits = 0;
    QByteArray data;
};
// Validates a select as entered (area index, start bytes, match bytes, data) and converts it.
Check checkSelect(int areaIndex, const QString& startText, const QString& lengthText, const QString& data,
                  bool keepAcrossRestart, SelectParams* out);
// Stored form of a select: bank, start bits (big-endian), length bits (low byte), data, 3 zeros.
QByteArray selectRecord(const SelectParams& params);

// User memory write and EPC write: data must be hex and hold exactly 4 digits per word.
Check checkWordData(const QString& cleaned, int words, int maxWords);

// Kill: an odd last digit is dropped (its byte stays 0).
Check checkKillEpc(const QString& epc);

} // namespace TagOpHex
