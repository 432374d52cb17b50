#pragma once

#include "core/inventory/TagTable.h"

#include <QByteArray>
#include <QMap>
#include <QString>

// One tag read as a line of text for scripts and message brokers: CSV under a header, or one JSON
// object; both carry the same keys (time in ISO 8601 UTC with milliseconds, antenna, epc, tid, and
// rssi in dBm where the reader's reports carry a signal strength).
namespace ReadRowFormat {

// withReader, a non-empty reader: a last column (key) "reader", for rows gathered from many readers.
// withRssi: an "rssi" column after "tid", empty for a read without one. Readers of the four-column
// rows are not upset: the column is only there for links whose reports carry a signal strength.
QByteArray CsvHeader(bool withReader = false, bool withRssi = false);
QByteArray CsvLine(const TagRead& read, const QString& reader = QString(), bool withRssi = false);
// One JSON object, without a line end; "rssi" only when the read carries one.
QByteArray JsonObject(const TagRead& read, const QString& reader = QString());
QString IsoTime(qint64 msecsSinceEpoch);

// Reads per tag and antenna, for the summary at the end of a run.
class Summary
{
public:
    void add(const TagRead& read);
    // One line per tag in first-seen order: "KEY<TAB>total<TAB>ant1=n ant2=m ...".
    QStringList lines() const;
    int tagCount() const { return static_cast<int>(m_order.size()); }

private:
    QStringList m_order;
    QMap<QString, QMap<int, qint64>> m_counts;
};

} // namespace ReadRowFormat
