#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <array>

// What the wireless receive window counts per reader: one record per tag, keyed by its EPC (by its TID
// when it has no EPC), with the read time and a counter per antenna; and the texts built from what a
// reader sends.
struct TagCountRecord
{
    QString tid;
    QString epc;
    QString readTime;
    std::array<quint32, 4> counts{}; // antennas 1..4
};
using TagCountMap = QMap<QString, TagCountRecord>;

namespace WirelessTags {

constexpr int kTimeStampSize = 7;
constexpr int kIoRecordSize = 10;

// "20YY-MM-DD hh:mm:ss" from a reader's seven clock bytes (seconds, minutes, hours, day of week, day,
// month, year), each shown as its two hex digits; the day of week is not shown.
QString timeStampText(const unsigned char* record);

// The computer's time as the records show it.
QString nowText(const QDateTime& now);

// Records one read: with timeStamps set, the last seven bytes of the EPC (else of the TID) are the read
// time and not part of the code; without, the read time is `now` (nowText). Counts the read on antenna
// 1..4 (another number counts nowhere). Returns the key of the record.
QString record(TagCountMap& records, int antenna, const unsigned char* epc, int epcLength,
               const unsigned char* tid, int tidLength, bool timeStamps, const QString& now);

// The operation-log line for an input event of the reader at ip (record layout: WIRELESS_ZALT_IO_STATE).
QString ioEventText(const QString& ip, const unsigned char* record);

} // namespace WirelessTags
