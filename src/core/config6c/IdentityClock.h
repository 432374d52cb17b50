#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

// The reader's identity records and its real-time clock.
namespace IdentityClock {

enum IdentityType
{
    Name = 0,
    Model = 1,
    Serial = 2,
    CpuSoftware = 3,
    FpgaDsp = 4,
    BaseboardHardware = 5,
    RfBoardHardware = 6,
    IdentityTypeCount = 7
};
constexpr int kQueryBufferSize = 255;

// Size of a writable record: name and serial 8 bytes, model 6; 0 for the read-only ones.
int recordSize(int type);

enum class TextCheck
{
    Ok,
    Empty,
    TooLong,
    ReadOnly
};
// The UTF-8 text zero-padded to the record's size (no terminator when full).
TextCheck identityRecord(int type, const QString& text, QByteArray* out);
// A record as read: UTF-8 up to the first zero byte, so padding never shows.
QString identityText(const unsigned char* bytes, int length);

// Two-digit BCD: 59 is the byte 0x59. A byte whose digits are not both decimal reads as 0.
unsigned char toBcd(int value);
int fromBcd(unsigned char byte);

constexpr int kClockRecordSize = 7;
constexpr int kClockQueryBufferSize = 200;
// Seconds, minutes, hours, day of week (1 Monday … 7 Sunday), day, month, year within the century.
QByteArray clockRecord(const QDate& date, const QTime& time);
// False when the record is short or holds no date (day or month 0), or no real date and time.
bool decodeClock(const unsigned char* record, int length, QDate* date, QTime* time);

} // namespace IdentityClock
