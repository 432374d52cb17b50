#include "core/config6c/ParamTable.h"

#include "core/app/AppSettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

namespace ParamTable {
namespace {

const unsigned char kDeviceTypeCodes[] = {0x00, 0x01, 0x02, 0x10, 0x11, 0x12, 0x20, 0x21, 0x22};
const unsigned char kCommandTypeCodes[] = {0x91, 0x92, 0x94, 0x81};
// A parameter file is one short line; anything far larger is not one.
const qint64 kMaxFileBytes = 1 << 20;

const std::array<RowInfo, RowCount>& Rows()
{
    static const std::array<RowInfo, RowCount> rows{{
        {"IDCS_WORK_MODEL_PARAM",
         0,
         0x00,
         {"IDCS_WORK_MODEL_0", "IDCS_WORK_MODEL_1", "IDCS_WORK_MODEL_2"},
         "IDCS_WORK_MODEL_QUERY_SUCCESS",
         "IDCS_WORK_MODEL_QUERY_FAILED",
         "IDCS_WORK_MODEL_SET_SUCCESS",
         "IDCS_WORK_MODEL_SET_FAILED"},
        {"IDCS_DEVICE_TYPE",
         1,
         0x00,
         {"IDCS_DEVICE_TYPE_PARAM_0", "IDCS_DEVICE_TYPE_PARAM_1", "IDCS_DEVICE_TYPE_PARAM_2",
          "IDCS_DEVICE_TYPE_PARAM_3", "IDCS_DEVICE_TYPE_PARAM_4", "IDCS_DEVICE_TYPE_PARAM_5",
          "IDCS_DEVICE_TYPE_PARAM_6", "IDCS_DEVICE_TYPE_PARAM_7", "IDCS_DEVICE_TYPE_PARAM_8"},
         "IDCS_DEVICE_TYPE_SUCCESS",
         "IDCS_DEVICE_TYPE_FAILED",
         "IDCS_DEVICE_TYPE_SUCCESS_SET",
         "IDCS_DEVICE_TYPE_FAILED_SET"},
        {"IDCS_COMMAND_TYPE",
         239,
         0x91,
         {"IDCS_COMMAND_TYPE_PARAM_0", "IDCS_COMMAND_TYPE_PARAM_1"},
         "IDCS_COMMAND_TYPE_QUERY_SUCCESS",
         "IDCS_COMMAND_TYPE_QUERY_FAILED",
         "IDCS_COMMAND_TYPE_SET_SUCCESS",
         "IDCS_COMMAND_TYPE_SET_FAILED"},
        {"IDCS_ANTENNA_PORT_SET",
         240,
         0x00,
         {"IDCS_ANTENNA_PORT_PARAM_0", "IDCS_ANTENNA_PORT_PARAM_1", "IDCS_ANTENNA_PORT_PARAM_2",
          "IDCS_ANTENNA_PORT_PARAM_3", "IDCS_ANTENNA_PORT_PARAM_4"},
         "IDCS_ANTENNA_PORT_QUERY_SUCCESS",
         "IDCS_ANTENNA_PORT_QUERY_FAILED",
         "IDCS_ANTENNA_PORT_SET_SUCCESS",
         "IDCS_ANTENNA_PORT_SET_FAILED"},
        {"IDCS_CONNET_PORT",
         241,
         0x02,
         {"IDCS_CONNET_PORT_PARAM_0", "IDCS_CONNET_PORT_PARAM_1", "IDCS_CONNET_PORT_PARAM_2",
          "IDCS_CONNET_PORT_PARAM_3", "IDCS_CONNET_PORT_PARAM_4", "IDCS_CONNET_PORT_PARAM_5",
          "IDCS_CONNET_PORT_PARAM_6", "IDCS_CONNET_PORT_PARAM_7"},
         "IDCS_CONNET_PORT_QUERY_SUCCESS",
         "IDCS_CONNET_PORT_QUERY_FAILED",
         "IDCS_CONNET_PORT_SET_SUCCESS",
         "IDCS_CONNET_PORT_SET_FAILED"},
        {"IDCS_FLASH",
         249,
         0x01,
         {"IDCS_FLASH_ENABLE", "IDCS_FLASH_DISENABLE"},
         "IDCS_FLASH_ENABLE_QUERY_SUCCESS",
         "IDCS_FLASH_ENABLE_QUERY_FAILED",
         "IDCS_FLASH_ENABLE_SET_SUCCESS",
         "IDCS_FLASH_ENABLE_SET_FAILED"},
        {"IDCS_COM_CONFIG",
         159,
         0x02,
         {"IDCS_COM_CONFIG_PARAM_0", "IDCS_COM_CONFIG_PARAM_1", "IDCS_COM_CONFIG_PARAM_2",
          "IDCS_COM_CONFIG_PARAM_3", "IDCS_COM_CONFIG_PARAM_4", "IDCS_COM_CONFIG_PARAM_5"},
         "IDCS_COM_CONFIG_QUERY_SUCCESS",
         "IDCS_COM_CONFIG_QUERY_FAILED",
         "IDCS_COM_CONFIG_SET_SUCCESS",
         "IDCS_COM_CONFIG_SET_FAILED"},
        {"IDCS_WEGEN_STAR_ADDR",
         160,
         0x05,
         {},
         "IDCS_WENGEN_START_QUERY_SUCCESS",
         "IDCS_WENGEN_START_QUERY_FAILED",
         "IDCS_WENGEN_START_SET_SUCCESS",
         "IDCS_WENGEN_START_SET_FAILED"},
        {"IDCS_WEGEN_LEN",
         161,
         0x03,
         {"IDCS_WEGEN_LEN_PARAM_0", "IDCS_WEGEN_LEN_PARAM_1"},
         "IDCS_WENGEN_LEN_QUERY_SUCCESS",
         "IDCS_WENGEN_LEN_QUERY_FAILED",
         "IDCS_WENGEN_LEN_SET_SUCCESS",
         "IDCS_WENGEN_LEN_SET_FAILED"},
    }};
    return rows;
}

int ListSize(int row)
{
    return static_cast<int>(Rows()[static_cast<size_t>(row)].listKeys.size());
}

bool ParsePosition(const QString& field, int row, int* position)
{
    bool ok = false;
    const int value = field.trimmed().toInt(&ok, 10);
    if (!ok || value < -1 || value >= ListSize(row)) {
        return false;
    }
    *position = value;
    return true;
}

} // namespace

const RowInfo& rowInfo(int row)
{
    return Rows().at(static_cast<size_t>(row));
}

std::optional<unsigned char> valueForPosition(int row, int position)
{
    switch (row) {
    case DeviceType:
        if (position >= 0 && position < static_cast<int>(sizeof kDeviceTypeCodes)) {
            return kDeviceTypeCodes[position];
        }
        return std::nullopt;
    case CommandType:
        // Positions 2 and 3 are codes the list cannot show; the reader's own default stands in.
        if (position >= 1 && position <= 3) {
            return kCommandTypeCodes[position];
        }
        return kCommandTypeCodes[0];
    case FlashStore:
        if (position == 0 || position == 1) {
            return static_cast<unsigned char>(position == 0 ? 1 : 0);
        }
        return std::nullopt;
    case WiegandLength:
        if (position == 0 || position == 1) {
            return static_cast<unsigned char>(position == 0 ? 3 : 4);
        }
        return std::nullopt;
    case WiegandStart:
        return std::nullopt;
    default:
        if (row >= 0 && row < RowCount && position >= 0 && position < ListSize(row)) {
            return static_cast<unsigned char>(position);
        }
        return std::nullopt;
    }
}

int positionForValue(int row, unsigned char value)
{
    switch (row) {
    case DeviceType:
        for (int i = 0; i < static_cast<int>(sizeof kDeviceTypeCodes); ++i) {
            if (kDeviceTypeCodes[i] == value) {
                return i;
            }
        }
        return 0;
    case CommandType:
        for (int i = 0; i < static_cast<int>(sizeof kCommandTypeCodes); ++i) {
            if (kCommandTypeCodes[i] == value) {
                return i;
            }
        }
        return 0;
    case FlashStore:
        return value == 1 ? 0 : 1;
    case WiegandLength:
        return value == 4 ? 1 : 0;
    default:
        return value;
    }
}

unsigned char wiegandStartValue(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        return 0;
    }
    if (!AppSettings::IsHexText(t)) {
        return 0;
    }
    // The low 8 bits are the last two digits, however long the text.
    return static_cast<unsigned char>(t.right(2).toUInt(nullptr, 16));
}

QString byteText(unsigned char value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

bool rawByteNumber(const QString& text, int* value)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?)0*(\\d+)\\s*$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch()) {
        *value = 0;
        return true;
    }
    const QString digits = m.captured(2);
    const bool negative = m.captured(1) == QLatin1String("-") && digits != QLatin1String("0");
    if (negative || digits.size() > 3 || digits.toInt() > 255) {
        return false;
    }
    *value = digits.toInt();
    return true;
}

QString exportLine(const Snapshot& snapshot)
{
    QStringList fields;
    for (int row = 0; row < RowCount; ++row) {
        fields << (row == WiegandStart ? snapshot.wiegandStart
                                       : QString::number(snapshot.positions[static_cast<size_t>(row)]));
    }
    return fields.join(QLatin1Char(',')) + QStringLiteral("\t\n");
}

bool canExport(const Snapshot& snapshot)
{
    for (const QChar c : snapshot.wiegandStart) {
        if (c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            return false;
        }
    }
    return true;
}

std::optional<Snapshot> parseLine(const QString& line, bool* isParamLine)
{
    const QStringList fields = line.split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (isParamLine) {
        *isParamLine = fields.size() == RowCount;
    }
    if (fields.size() != RowCount) {
        return std::nullopt;
    }
    Snapshot s;
    for (int row = 0; row < RowCount; ++row) {
        if (row == WiegandStart) {
            s.wiegandStart = fields.at(row);
            s.positions[static_cast<size_t>(row)] = 0;
        } else if (!ParsePosition(fields.at(row), row, &s.positions[static_cast<size_t>(row)])) {
            return std::nullopt;
        }
    }
    return s;
}

FileResult writeFile(const QString& path, const Snapshot& snapshot)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return FileResult::CannotOpen;
    }
    const QByteArray line = exportLine(snapshot).toUtf8();
    if (file.write(line) != line.size() || !file.commit()) {
        return FileResult::CannotOpen;
    }
    return FileResult::Ok;
}

FileResult readFile(const QString& path, Snapshot* out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return FileResult::CannotOpen;
    }
    if (file.size() > kMaxFileBytes) {
        return FileResult::BadParamLine;
    }
    QTextStream in(&file);
    std::optional<Snapshot> last;
    while (!in.atEnd()) {
        bool isParamLine = false;
        const std::optional<Snapshot> s = parseLine(in.readLine(), &isParamLine);
        if (isParamLine && !s) {
            return FileResult::BadParamLine;
        }
        if (s) {
            last = s;
        }
    }
    if (!last) {
        return FileResult::NoParamLine;
    }
    *out = *last;
    return FileResult::Ok;
}

} // namespace ParamTable
