#pragma once

#include <QString>

class QTextStream;
class TagTable;

// Snapshots of the inventory table on disk.
namespace TagFileWriter {

enum class Format
{
    Text, // one line per tag, "label:value" fields, tab-separated, then a separator line
    Csv   // header row, then one row per tag
};

// Text: appended, so successive snapshots accumulate in one file. Csv: the file is replaced.
// False (and nothing written) when the file cannot be opened.
bool save(const QString& path, const TagTable& table, Format format = Format::Text);

// The path with the format's suffix (".txt", ".csv") added when its file name has none.
QString withSuffix(const QString& path, Format format);

void writeText(QTextStream& out, const TagTable& table);
void writeCsv(QTextStream& out, const TagTable& table);
QString csvField(const QString& text);

} // namespace TagFileWriter
