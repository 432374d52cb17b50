#include "core/inventory/TagFileWriter.h"

#include "core/app/LanguageText.h"
#include "core/inventory/TagTable.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace TagFileWriter {

namespace {

const char* const kColumnKeys[] = {"IDCS_NUMBER",
                                   "IDCS_EPC",
                                   "IDCS_TID",
                                   "IDCS_READTIME",
                                   "IDCS_ANTENNA_ONE_COUNT",
                                   "IDCS_ANTENNA_TWO_COUNT",
                                   "IDCS_ANTENNA_THREE_COUNT",
                                   "IDCS_ANTENNA_FOUR_COUNT"};

QStringList columnLabels()
{
    QStringList labels;
    for (const char* key : kColumnKeys) {
        labels << LangText(key);
    }
    return labels;
}

} // namespace

QString withSuffix(const QString& path, Format format)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path + (format == Format::Csv ? QStringLiteral(".csv") : QStringLiteral(".txt"));
}

void writeText(QTextStream& out, const TagTable& table)
{
    const QStringList l = columnLabels();
    const QString sep = QStringLiteral(":");
    const QChar tab = QLatin1Char('\t');
    int n = 0;
    for (const auto& kv : table.records()) {
        const TagReadRecord& r = kv.second->rec;
        out << l[0] << sep << ++n << tab << l[1] << sep << r.epc << tab << l[2] << sep << r.tid << tab << l[3]
            << sep << r.lastReadTime << tab << l[4] << sep << r.antennaCount1 << tab << l[5] << sep
            << r.antennaCount2 << tab << l[6] << sep << r.antennaCount3 << tab << l[7] << sep
            << r.antennaCount4 << "\t\n";
    }
    // Separates this snapshot from the next one appended to the same file.
    out << "\t\n";
}

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void writeCsv(QTextStream& out, const TagTable& table)
{
    const QStringList labels = columnLabels();
    QStringList header;
    for (const QString& label : labels) {
        header << csvField(label);
    }
    out << header.join(QLatin1Char(',')) << "\r\n";
    int n = 0;
    for (const auto& kv : table.records()) {
        const TagReadRecord& r = kv.second->rec;
        out << ++n << ',' << csvField(r.epc) << ',' << csvField(r.tid) << ',' << csvField(r.lastReadTime)
            << ',' << r.antennaCount1 << ',' << r.antennaCount2 << ',' << r.antennaCount3 << ','
            << r.antennaCount4 << "\r\n";
    }
}

bool save(const QString& path, const TagTable& table, Format format)
{
    if (path.isEmpty()) {
        return false;
    }
    QFile file(path);
    if (format == Format::Csv) {
        // Rows end in CRLF as spreadsheets expect; the mark tells them the text is UTF-8.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return false;
        }
        QTextStream out(&file);
        out.setGenerateByteOrderMark(true);
        writeCsv(out, table);
        out.flush();
        return out.status() == QTextStream::Ok;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        return false;
    }
    QTextStream out(&file);
    writeText(out, table);
    out.flush();
    return true;
}

} // namespace TagFileWriter
