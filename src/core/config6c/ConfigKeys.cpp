#include "core/config6c/ConfigKeys.h"

#include "core/app/AppSettings.h"
#include "core/app/LanguageText.h"
#include "core/config6c/CommSettings.h"
#include "core/config6c/ParamTable.h"
#include "core/config6c/RfSettings.h"

#include <zaltlink.h>

#include <QRegularExpression>

#include <array>

namespace ConfigKeys {
namespace {

const unsigned char kQType = 0x10;
const char* const kParamKeys[ParamTable::RowCount] = {
    "param.work_mode",    "param.device_type",   "param.command_type",
    "param.antenna_port", "param.connect_port",  "param.flash_store",
    "param.baud_rate",    "param.wiegand_start", "param.wiegand_length",
};

ZALT_HANDLE H(intptr_t handle)
{
    return static_cast<ZALT_HANDLE>(handle);
}

Outcome Fail(Status status, const QString& detail = QString())
{
    return {status, detail};
}

Outcome Value(const QString& value)
{
    return {Status::Ok, value};
}

int ParamRow(const QString& key)
{
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        if (key == QLatin1String(kParamKeys[row])) {
            return row;
        }
    }
    return -1;
}

// "antenna.N.field" with N 1..4; 0 otherwise.
int AntennaOf(const QString& key, QString* field)
{
    static const QRegularExpression re(QStringLiteral("^antenna\\.([1-4])\\.(power|enabled|dwell)$"));
    const QRegularExpressionMatch m = re.match(key);
    if (!m.hasMatch()) {
        return 0;
    }
    *field = m.captured(2);
    return m.captured(1).toInt();
}

bool ParseInt(const QString& text, int low, int high, int* value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

bool ParseBool(const QString& text, bool* value)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("1") || t == QLatin1String("true") || t == QLatin1String("on")) {
        *value = true;
        return true;
    }
    if (t == QLatin1String("0") || t == QLatin1String("false") || t == QLatin1String("off")) {
        *value = false;
        return true;
    }
    return false;
}

RfSettings::FrequencyTable CurrentTable()
{
    return RfSettings::tableForSetting(AppSettings::Instance()->GetFrequencyTable());
}

// Point indices, comma separated, each once and within the table.
bool ParsePoints(const QString& text, int count, QList<int>* points)
{
    points->clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > RfSettings::kMaxPoints) {
        return false;
    }
    for (const QString& part : parts) {
        int index = 0;
        if (!ParseInt(part, 0, count - 1, &index) || points->contains(index)) {
            return false;
        }
        points->append(index);
    }
    return true;
}

// The row's value as a list position, or for the Wiegand start as one or two hex digits.
bool ParseParam(int row, const QString& text, unsigned char* byte)
{
    if (row == ParamTable::WiegandStart) {
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{1,2}$"));
        if (!hex.match(text.trimmed()).hasMatch()) {
            return false;
        }
        *byte = ParamTable::wiegandStartValue(text.trimmed());
        return true;
    }
    int position = 0;
    if (!ParseInt(text, 0, ParamTable::rowInfo(row).listKeys.size() - 1, &position)) {
        return false;
    }
    const std::optional<unsigned char> value = ParamTable::valueForPosition(row, position);
    if (!value) {
        return false;
    }
    *byte = *value;
    return true;
}

bool QueryAntennas(intptr_t handle, std::array<RfSettings::Antenna, RfSettings::kAntennaCount>* out)
{
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        unsigned char enabled = 0;
        unsigned char power = 0;
        unsigned char dwell = 0;
        if (!ZALT_AntennaParmQuery(H(handle), static_cast<unsigned char>(a), &enabled, &power, &dwell)) {
            return false;
        }
        RfSettings::Antenna& antenna = (*out)[static_cast<size_t>(a - 1)];
        antenna.enabled = enabled != 0;
        antenna.powerPosition = RfSettings::powerPosition(power);
        antenna.dwell = dwell;
    }
    return true;
}

bool QueryNet(intptr_t handle, unsigned char code, unsigned char* buffer, int minimum)
{
    unsigned char length = 255;
    return ZALT_NetParaQuery(H(handle), code, buffer, &length) && length >= minimum;
}

bool SetNet(intptr_t handle, unsigned char code, const QByteArray& record)
{
    return ZALT_NetParaSet(H(handle), code, reinterpret_cast<const unsigned char*>(record.constData()),
                           static_cast<unsigned char>(record.size())) != 0;
}

bool QueryParam(intptr_t handle, int row, unsigned char* value)
{
    unsigned char length = 1;
    return ZALT_ParmOp(H(handle), 2, ParamTable::rowInfo(row).address, 1, value, &length) != 0;
}

bool SetParam(intptr_t handle, int row, unsigned char value)
{
    unsigned char length = 1;
    return ZALT_ParmOp(H(handle), 1, ParamTable::rowInfo(row).address, 1, &value, &length) != 0;
}

QString ParamHelp(int row)
{
    if (row == ParamTable::WiegandStart) {
        return QStringLiteral("hex byte 00..FF");
    }
    QStringList entries;
    const QStringList& keys = ParamTable::rowInfo(row).listKeys;
    for (int i = 0; i < keys.size(); ++i) {
        entries << QStringLiteral("%1 %2").arg(i).arg(LangText(keys.at(i)));
    }
    return entries.join(QStringLiteral(", "));
}

} // namespace

const QList<KeyInfo>& Keys()
{
    static const QList<KeyInfo> keys = [] {
        QList<KeyInfo> list;
        for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
            list.append({QStringLiteral("antenna.%1.enabled").arg(a), QStringLiteral("0 or 1")});
            list.append({QStringLiteral("antenna.%1.power").arg(a), QStringLiteral("dBm, 0..30")});
            list.append({QStringLiteral("antenna.%1.dwell").arg(a), QStringLiteral("dwell time, 0..255")});
        }
        list.append(
            {QStringLiteral("frequency.table"),
             QStringLiteral("China, Europe or America (this computer's setting: how points are read)")});
        list.append({QStringLiteral("frequency.points"),
                     QStringLiteral("point indices of the table, comma separated (at most 50)")});
        list.append({QStringLiteral("network.ip"), QStringLiteral("dotted IPv4 address")});
        list.append({QStringLiteral("network.mask"), QStringLiteral("dotted IPv4 mask")});
        list.append({QStringLiteral("network.gateway"), QStringLiteral("dotted IPv4 address")});
        list.append({QStringLiteral("network.port"), QStringLiteral("TCP port, 1..65535")});
        list.append({QStringLiteral("network.udp_port"), QStringLiteral("UDP port, 1..65535")});
        list.append({QStringLiteral("network.mac"), QStringLiteral("read only")});
        list.append({QStringLiteral("serial.baud"), CommSettings::baudRates().join(QStringLiteral(", "))});
        list.append({QStringLiteral("q"), QStringLiteral("Q value, 0..255")});
        for (int row = 0; row < ParamTable::RowCount; ++row) {
            list.append({QLatin1String(kParamKeys[row]), QString()});
        }
        return list;
    }();
    return keys;
}

bool IsKey(const QString& key)
{
    for (const KeyInfo& info : Keys()) {
        if (info.key == key) {
            return true;
        }
    }
    return false;
}

QString KeyHelp(const QString& key)
{
    const int row = ParamRow(key);
    if (row >= 0) {
        return ParamHelp(row);
    }
    for (const KeyInfo& info : Keys()) {
        if (info.key == key) {
            return info.help;
        }
    }
    return QString();
}

Outcome CheckValue(const QString& key, const QString& value)
{
    if (!IsKey(key)) {
        return Fail(Status::UnknownKey, key);
    }
    Outcome bad = Fail(Status::BadValue, QStringLiteral("%1=%2").arg(key, value));
    QString field;
    int number = 0;
    bool flag = false;
    QByteArray bytes;
    QList<int> points;
    unsigned char byte = 0;
    if (AntennaOf(key, &field)) {
        if (field == QLatin1String("enabled")) {
            return ParseBool(value, &flag) ? Outcome{} : bad;
        }
        return ParseInt(value, 0, field == QLatin1String("power") ? RfSettings::kPowerPositions - 1 : 255,
                        &number)
                   ? Outcome{}
                   : bad;
    }
    if (key == QLatin1String("frequency.table")) {
        const QString t = value.trimmed();
        return (t == QLatin1String("China") || t == QLatin1String("Europe") || t == QLatin1String("America"))
                   ? Outcome{}
                   : bad;
    }
    if (key == QLatin1String("frequency.points")) {
        return ParsePoints(value, RfSettings::pointTexts(CurrentTable()).size(), &points) ? Outcome{} : bad;
    }
    if (key == QLatin1String("network.ip") || key == QLatin1String("network.mask") ||
        key == QLatin1String("network.gateway")) {
        return CommSettings::ipBytes(value.trimmed(), &bytes) == CommSettings::IpCheck::Ok ? Outcome{} : bad;
    }
    if (key == QLatin1String("network.port") || key == QLatin1String("network.udp_port")) {
        return CommSettings::portBytes(value.trimmed(), &bytes) ? Outcome{} : bad;
    }
    if (key == QLatin1String("network.mac")) {
        return Fail(Status::BadValue, QStringLiteral("%1 is read only").arg(key));
    }
    if (key == QLatin1String("serial.baud")) {
        return CommSettings::baudRates().contains(value.trimmed()) ? Outcome{} : bad;
    }
    if (key == QLatin1String("q")) {
        return ParseInt(value, 0, 255, &number) ? Outcome{} : bad;
    }
    return ParseParam(ParamRow(key), value, &byte) ? Outcome{} : bad;
}

Outcome Get(intptr_t handle, const QString& key)
{
    if (!IsKey(key)) {
        return Fail(Status::UnknownKey, key);
    }
    Outcome failed = Fail(Status::ReaderFailed, key);
    QString field;
    if (const int a = AntennaOf(key, &field)) {
        std::array<RfSettings::Antenna, RfSettings::kAntennaCount> antennas{};
        if (!QueryAntennas(handle, &antennas)) {
            return failed;
        }
        const RfSettings::Antenna& antenna = antennas[static_cast<size_t>(a - 1)];
        if (field == QLatin1String("enabled")) {
            return Value(antenna.enabled ? QStringLiteral("1") : QStringLiteral("0"));
        }
        return Value(
            QString::number(field == QLatin1String("power") ? antenna.powerPosition : antenna.dwell));
    }
    if (key == QLatin1String("frequency.table")) {
        const RfSettings::FrequencyTable table = CurrentTable();
        return Value(table == RfSettings::FrequencyTable::America  ? QStringLiteral("America")
                     : table == RfSettings::FrequencyTable::Europe ? QStringLiteral("Europe")
                                                                   : QStringLiteral("China"));
    }
    if (key == QLatin1String("frequency.points")) {
        unsigned char buffer[255] = {};
        unsigned char length = sizeof buffer;
        if (!ZALT_RFParaQuery(H(handle), 0, buffer, &length)) {
            return failed;
        }
        QStringList points;
        for (int i = 0; i < length; ++i) {
            points << QString::number(buffer[i]);
        }
        return Value(points.join(QLatin1Char(',')));
    }
    unsigned char buffer[255] = {};
    if (key.startsWith(QLatin1String("network.ip")) || key == QLatin1String("network.mask") ||
        key == QLatin1String("network.gateway")) {
        if (!QueryNet(handle, CommSettings::NetIpConfig, buffer, CommSettings::kIpConfigSize)) {
            return failed;
        }
        const int offset = key == QLatin1String("network.ip")     ? 0
                           : key == QLatin1String("network.mask") ? 4
                                                                  : 8;
        return Value(CommSettings::ipText(buffer + offset));
    }
    if (key == QLatin1String("network.port") || key == QLatin1String("network.udp_port")) {
        const unsigned char code =
            key == QLatin1String("network.port") ? CommSettings::NetTcpPort : CommSettings::NetUdpPort;
        if (!QueryNet(handle, code, buffer, 2)) {
            return failed;
        }
        return Value(QString::number(CommSettings::portValue(buffer)));
    }
    if (key == QLatin1String("network.mac")) {
        if (!QueryNet(handle, CommSettings::NetMac, buffer, CommSettings::kMacSize)) {
            return failed;
        }
        return Value(CommSettings::macText(buffer));
    }
    if (key == QLatin1String("serial.baud")) {
        unsigned char value = 0;
        unsigned char length = 1;
        if (!ZALT_CommunicatParaQuery(H(handle), CommSettings::kBaudQueryCode, &value, &length)) {
            return failed;
        }
        const QStringList rates = CommSettings::baudRates();
        return Value(value < rates.size() ? rates.at(value) : QStringLiteral("?%1").arg(value));
    }
    if (key == QLatin1String("q")) {
        unsigned char value = 0;
        unsigned char length = 1;
        if (!ZALT_TagOpParaQuery(H(handle), kQType, &value, &length)) {
            return failed;
        }
        return Value(QString::number(value));
    }
    const int row = ParamRow(key);
    unsigned char value = 0;
    if (!QueryParam(handle, row, &value)) {
        return failed;
    }
    if (row == ParamTable::WiegandStart) {
        return Value(ParamTable::byteText(value));
    }
    return Value(QString::number(ParamTable::positionForValue(row, value)));
}

Outcome Set(intptr_t handle, const QString& key, const QString& value)
{
    Outcome check = CheckValue(key, value);
    if (check.status != Status::Ok) {
        return check;
    }
    Outcome failed = Fail(Status::ReaderFailed, key);
    const QString v = value.trimmed();
    QString field;
    if (const int a = AntennaOf(key, &field)) {
        // The record holds every antenna: the others are written back as the reader has them.
        std::array<RfSettings::Antenna, RfSettings::kAntennaCount> antennas{};
        if (!QueryAntennas(handle, &antennas)) {
            return failed;
        }
        RfSettings::Antenna& antenna = antennas[static_cast<size_t>(a - 1)];
        if (field == QLatin1String("enabled")) {
            ParseBool(v, &antenna.enabled);
        } else if (field == QLatin1String("power")) {
            antenna.powerPosition = v.toInt();
        } else {
            antenna.dwell = v.toInt();
        }
        for (const RfSettings::Antenna& each : antennas) {
            // A power byte the list cannot show would be sent as something else.
            if (each.powerPosition < 0 || each.powerPosition >= RfSettings::kPowerPositions) {
                return Fail(Status::ReaderFailed, QStringLiteral("antenna power outside 0..30"));
            }
        }
        const QByteArray record = RfSettings::antennaRecord(antennas);
        return ZALT_AntennaParmSet(H(handle), reinterpret_cast<const unsigned char*>(record.constData()),
                                   static_cast<unsigned char>(record.size()))
                   ? Outcome{}
                   : failed;
    }
    if (key == QLatin1String("frequency.table")) {
        return AppSettings::Instance()->SetFrequencyTable(v) ? Outcome{} : Fail(Status::FileFailed, key);
    }
    if (key == QLatin1String("frequency.points")) {
        QList<int> points;
        ParsePoints(v, RfSettings::pointTexts(CurrentTable()).size(), &points);
        unsigned char buffer[RfSettings::kMaxPoints] = {};
        for (int i = 0; i < points.size(); ++i) {
            buffer[i] = static_cast<unsigned char>(points.at(i));
        }
        return ZALT_RFParaSet(H(handle), 0, static_cast<unsigned char>(points.size()), buffer) ? Outcome{}
                                                                                               : failed;
    }
    unsigned char buffer[255] = {};
    if (key == QLatin1String("network.ip") || key == QLatin1String("network.mask") ||
        key == QLatin1String("network.gateway")) {
        if (!QueryNet(handle, CommSettings::NetIpConfig, buffer, CommSettings::kIpConfigSize)) {
            return failed;
        }
        QString parts[3] = {CommSettings::ipText(buffer), CommSettings::ipText(buffer + 4),
                            CommSettings::ipText(buffer + 8)};
        parts[key == QLatin1String("network.ip") ? 0 : key == QLatin1String("network.mask") ? 1 : 2] = v;
        QByteArray record;
        if (CommSettings::ipConfigRecord(parts[0], parts[1], parts[2], &record) !=
            CommSettings::IpConfigCheck::Ok) {
            return Fail(Status::BadValue, key);
        }
        return SetNet(handle, CommSettings::NetIpConfig, record) ? Outcome{} : failed;
    }
    if (key == QLatin1String("network.port") || key == QLatin1String("network.udp_port")) {
        QByteArray record;
        CommSettings::portBytes(v, &record);
        const unsigned char code =
            key == QLatin1String("network.port") ? CommSettings::NetTcpPort : CommSettings::NetUdpPort;
        return SetNet(handle, code, record) ? Outcome{} : failed;
    }
    if (key == QLatin1String("serial.baud")) {
        const auto index = static_cast<unsigned char>(CommSettings::baudRates().indexOf(v));
        return ZALT_CommunicatParaSet(H(handle), CommSettings::kBaudSetCode, &index, 1) ? Outcome{} : failed;
    }
    if (key == QLatin1String("q")) {
        const auto q = static_cast<unsigned char>(v.toInt());
        return ZALT_TagOpParaSet(H(handle), kQType, &q, 1) ? Outcome{} : failed;
    }
    const int row = ParamRow(key);
    unsigned char byte = 0;
    ParseParam(row, v, &byte);
    return SetParam(handle, row, byte) ? Outcome{} : failed;
}

Outcome ExportParams(intptr_t handle, const QString& path)
{
    ParamTable::Snapshot snapshot;
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        unsigned char value = 0;
        if (!QueryParam(handle, row, &value)) {
            return Fail(Status::ReaderFailed, QLatin1String(kParamKeys[row]));
        }
        if (row == ParamTable::WiegandStart) {
            snapshot.wiegandStart = ParamTable::byteText(value);
        } else {
            snapshot.positions[static_cast<size_t>(row)] = ParamTable::positionForValue(row, value);
        }
    }
    return ParamTable::writeFile(path, snapshot) == ParamTable::FileResult::Ok
               ? Outcome{}
               : Fail(Status::FileFailed, path);
}

Outcome ImportParams(intptr_t handle, const QString& path)
{
    ParamTable::Snapshot snapshot;
    if (ParamTable::readFile(path, &snapshot) != ParamTable::FileResult::Ok) {
        return Fail(Status::FileFailed, path);
    }
    // Every row is converted before the first is written, so a bad file changes nothing.
    std::array<unsigned char, ParamTable::RowCount> bytes{};
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        if (row == ParamTable::WiegandStart) {
            bytes[static_cast<size_t>(row)] = ParamTable::wiegandStartValue(snapshot.wiegandStart);
            continue;
        }
        const std::optional<unsigned char> value =
            ParamTable::valueForPosition(row, snapshot.positions[static_cast<size_t>(row)]);
        if (!value) {
            return Fail(Status::BadValue, QLatin1String(kParamKeys[row]));
        }
        bytes[static_cast<size_t>(row)] = *value;
    }
    for (int row = 0; row < ParamTable::RowCount; ++row) {
        if (!SetParam(handle, row, bytes[static_cast<size_t>(row)])) {
            return Fail(Status::ReaderFailed, QLatin1String(kParamKeys[row]));
        }
    }
    return {};
}

} // namespace ConfigKeys
