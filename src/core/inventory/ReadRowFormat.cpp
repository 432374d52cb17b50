#include "core/inventory/ReadRowFormat.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace ReadRowFormat {

QString IsoTime(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs);
}

QByteArray CsvHeader(bool withReader, bool withRssi)
{
    QByteArray header = QByteArrayLiteral("time,antenna,epc,tid");
    if (withRssi) {
        header += ",rssi";
    }
    if (withReader) {
        header += ",reader";
    }
    return header + '\n';
}

QByteArray CsvLine(const TagRead& read, const QString& reader, bool withRssi)
{
    // Hex digits and a number never need quoting.
    QByteArray line = IsoTime(read.msecsSinceEpoch).toLatin1();
    line += ',';
    line += QByteArray::number(read.antenna);
    line += ',';
    line += read.epc.toLatin1();
    line += ',';
    line += read.tid.toLatin1();
    if (withRssi) {
        line += ',';
        if (read.rssi != kNoRssi) {
            line += QByteArray::number(read.rssi);
        }
    }
    if (!reader.isEmpty()) {
        // A reader is "address:port" or "device:value": quoted only when it needs it.
        QByteArray text = reader.toUtf8();
        if (text.contains(',') || text.contains('"') || text.contains('\n')) {
            text = '"' + text.replace('"', "\"\"") + '"';
        }
        line += ',';
        line += text;
    }
    line += '\n';
    return line;
}

QByteArray JsonObject(const TagRead& read, const QString& reader)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), IsoTime(read.msecsSinceEpoch));
    o.insert(QStringLiteral("antenna"), read.antenna);
    o.insert(QStringLiteral("epc"), read.epc);
    o.insert(QStringLiteral("tid"), read.tid);
    if (read.rssi != kNoRssi) {
        o.insert(QStringLiteral("rssi"), read.rssi);
    }
    if (!reader.isEmpty()) {
        o.insert(QStringLiteral("reader"), reader);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

void Summary::add(const TagRead& read)
{
    const QString key = read.epc.isEmpty() ? read.tid : read.epc;
    auto it = m_counts.find(key);
    if (it == m_counts.end()) {
        m_order.append(key);
        it = m_counts.insert(key, {});
    }
    ++(*it)[read.antenna];
}

QStringList Summary::lines() const
{
    QStringList out;
    for (const QString& key : m_order) {
        const QMap<int, qint64>& perAntenna = m_counts[key];
        qint64 total = 0;
        QStringList parts;
        for (auto it = perAntenna.cbegin(); it != perAntenna.cend(); ++it) {
            total += it.value();
            parts << QStringLiteral("ant%1=%2").arg(it.key()).arg(it.value());
        }
        out << QStringLiteral("%1\t%2\t%3").arg(key).arg(total).arg(parts.join(QLatin1Char(' ')));
    }
    return out;
}

} // namespace ReadRowFormat
