#include "core/config6c/IdentityClock.h"

#include <cstring>

namespace IdentityClock {

int recordSize(int type)
{
    switch (type) {
    case Name:
    case Serial:
        return 8;
    case Model:
        return 6;
    default:
        return 0;
    }
}

TextCheck identityRecord(int type, const QString& text, QByteArray* out)
{
    const int size = recordSize(type);
    if (size == 0) {
        return TextCheck::ReadOnly;
    }
    if (text.isEmpty()) {
        return TextCheck::Empty;
    }
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > size) {
        return TextCheck::TooLong;
    }
    QByteArray record(size, '\0');
    std::memcpy(record.data(), utf8.constData(), static_cast<size_t>(utf8.size()));
    *out = record;
    return TextCheck::Ok;
}

QString identityText(const unsigned char* bytes, int length)
{
    int n = 0;
    while (n < length && bytes[n] != 0) {
        ++n;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), n);
}

unsigned char toBcd(int value)
{
    const int v = value % 100;
    return static_cast<unsigned char>((v / 10) << 4 | (v % 10));
}

int fromBcd(unsigned char byte)
{
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9) {
        return 0;
    }
    return high * 10 + low;
}

QByteArray clockRecord(const QDate& date, const QTime& time)
{
    QByteArray record(kClockRecordSize, '\0');
    record[0] = static_cast<char>(toBcd(time.second()));
    record[1] = static_cast<char>(toBcd(time.minute()));
    record[2] = static_cast<char>(toBcd(time.hour()));
    record[3] = static_cast<char>(toBcd(date.dayOfWeek()));
    record[4] = static_cast<char>(toBcd(date.day()));
    record[5] = static_cast<char>(toBcd(date.month()));
    record[6] = static_cast<char>(toBcd(date.year() % 100));
    return record;
}

bool decodeClock(const unsigned char* record, int length, QDate* date, QTime* time)
{
    if (length < kClockRecordSize) {
        return false;
    }
    const int day = fromBcd(record[4]);
    const int month = fromBcd(record[5]);
    if (day == 0 || month == 0) {
        return false;
    }
    const QDate d(2000 + fromBcd(record[6]), month, day);
    const QTime t(fromBcd(record[2]), fromBcd(record[1]), fromBcd(record[0]));
    // A record such as 31 February or 25 o'clock would leave the edits as they were while the log
    // said the clock was read.
    if (!d.isValid() || !t.isValid()) {
        return false;
    }
    *date = d;
    *time = t;
    return true;
}

} // namespace IdentityClock
