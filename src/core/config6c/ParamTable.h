#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The reader's working parameters as the parameter table shows them: nine rows, each one byte of the
// parameter memory, shown as a list position (or, for the Wiegand start, as hex text); and the one-line
// text file they are exported to and imported from.
namespace ParamTable {

enum Row
{
    WorkMode,
    DeviceType,
    CommandType,
    AntennaPort,
    ConnectPort,
    FlashStore,
    BaudRate,
    WiegandStart, // a text cell, not a list
    WiegandLength,
    RowCount
};

struct RowInfo
{
    const char* nameKey;
    unsigned char address;
    unsigned char defaultValue;
    // Keys of the list entries in order; none for the text row.
    QStringList listKeys;
    const char* querySuccessKey;
    const char* queryFailedKey;
    const char* setSuccessKey;
    const char* setFailedKey;
};

const RowInfo& rowInfo(int row);

// The byte a list position writes. Empty when the list has no current entry (or a position it does not
// have) and the row has no value for that: nothing is sent then. The command type falls back to 0x91.
std::optional<unsigned char> valueForPosition(int row, int position);
// The list position that shows a byte read back; may lie outside the list (it then shows no entry).
int positionForValue(int row, unsigned char value);

// The Wiegand start cell: read as hex, low 8 bits; text that is not hex writes 0.
unsigned char wiegandStartValue(const QString& text);
// Two upper-case hex digits: the Wiegand start and the defaults as the table shows them.
QString byteText(unsigned char value);

// Raw access: an address or length field read as a decimal number, text that is no number as 0.
// False when the number lies outside 0–255 (a sign or any number of digits counts).
bool rawByteNumber(const QString& text, int* value);

// What the dialog shows: the list positions of every row but the text row, and the text row's text.
struct Snapshot
{
    std::array<int, RowCount> positions{};
    QString wiegandStart;

    bool operator==(const Snapshot& other) const
    {
        return positions == other.positions && wiegandStart == other.wiegandStart;
    }
};

// One line: the nine fields joined by ",", then a tab and the line end.
QString exportLine(const Snapshot& snapshot);
// False when the text row holds a field separator or a line break: the line would not read back.
bool canExport(const Snapshot& snapshot);

// A line with nine fields whose list positions are numbers the rows can show (-1 for no entry).
// Lines with another number of fields are not parameter lines (nullopt, *isParamLine false).
std::optional<Snapshot> parseLine(const QString& line, bool* isParamLine = nullptr);

enum class FileResult
{
    Ok,
    CannotOpen,
    NoParamLine, // nothing in the file is a parameter line
    BadParamLine // a nine-field line holds a value no row can show: nothing is applied
};

// Written to a temporary file and renamed into place, so a failed export leaves no half file.
FileResult writeFile(const QString& path, const Snapshot& snapshot);
// Every line is checked before anything is returned; the last parameter line wins.
FileResult readFile(const QString& path, Snapshot* out);

} // namespace ParamTable
