#include "core/firmware/FirmwareFile.h"

#include "core/app/AppSettings.h"

#include <QFile>

#include <array>

namespace Firmware {

namespace {
const std::array<uint32_t, 256>& CrcTable()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            }
            t[i] = c;
        }
        return t;
    }();
    return table;
}

int PortFrom(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok, 10);
    return ok && port > 0 && port <= 65535 ? port : 0;
}
} // namespace

uint32_t Crc32(const unsigned char* data, size_t length, uint32_t crc)
{
    const auto& table = CrcTable();
    for (size_t i = 0; i < length; ++i) {
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFFu];
    }
    return crc;
}

bool ReadFile(const QString& path, QByteArray* data)
{
    data->clear();
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    // One byte more than allowed tells a file that is too large without reading all of it.
    *data = file.read(kMaxFileBytes + 1);
    if (data->isEmpty() || data->size() > kMaxFileBytes) {
        data->clear();
        return false;
    }
    return true;
}

bool IsValid(int kind, const QString& path, const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<size_t>(data.size());
    switch (kind) {
    case KindFirmware:
        return path != QLatin1String("f806.cfg.bk") && path != QLatin1String("f866.cfg.bk") && size >= 4 &&
               bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F';
    case KindR2000: {
        if (size < 4) {
            return false;
        }
        const unsigned char* t = bytes + size - 4;
        const uint32_t stored =
            uint32_t(t[0]) | uint32_t(t[1]) << 8 | uint32_t(t[2]) << 16 | uint32_t(t[3]) << 24;
        return stored == Crc32(bytes, size - 4);
    }
    case KindTransfer:
        return true;
    default:
        return false;
    }
}

QByteArray ChecksumBytes(const QByteArray& data)
{
    const uint32_t crc =
        Crc32(reinterpret_cast<const unsigned char*>(data.constData()), static_cast<size_t>(data.size()));
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(crc >> (24 - 8 * i));
    }
    return out;
}

int TftpPortSetting()
{
    if (const int port = PortFrom(qEnvironmentVariable("RIVULET_TFTP_PORT"))) {
        return port;
    }
    if (const int port =
            PortFrom(AppSettings::Instance()->GetSysValue(QStringLiteral("FIRMWARE/TFTP_PORT")))) {
        return port;
    }
    return kDefaultTftpPort;
}

} // namespace Firmware
