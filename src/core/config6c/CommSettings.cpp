#include "core/config6c/CommSettings.h"

#include "core/app/AppSettings.h"

#include <cstring>

namespace CommSettings {

IpCheck ipBytes(const QString& text, QByteArray* out)
{
    if (!AppSettings::IsValidIp(text)) {
        return IpCheck::Invalid;
    }
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 4) {
        return IpCheck::BadParts;
    }
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts.at(i).toUInt(&ok, 10);
        if (!ok || value > 255) {
            return IpCheck::BadParts;
        }
        bytes[i] = static_cast<char>(value);
    }
    *out = bytes;
    return IpCheck::Ok;
}

QString ipText(const unsigned char* bytes)
{
    return QStringLiteral("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

IpConfigCheck ipConfigRecord(const QString& ip, const QString& mask, const QString& gateway, QByteArray* out)
{
    const QString* texts[] = {&ip, &mask, &gateway};
    const IpConfigCheck invalid[] = {IpConfigCheck::BadIp, IpConfigCheck::BadMask, IpConfigCheck::BadGateway};
    const IpConfigCheck parts[] = {IpConfigCheck::IpParts, IpConfigCheck::MaskParts,
                                   IpConfigCheck::GatewayParts};
    // Each text is checked in turn, so the first bad field is the one reported.
    for (int i = 0; i < 3; ++i) {
        if (!AppSettings::IsValidIp(*texts[i])) {
            return invalid[i];
        }
    }
    QByteArray record;
    for (int i = 0; i < 3; ++i) {
        QByteArray bytes;
        if (ipBytes(*texts[i], &bytes) != IpCheck::Ok) {
            return parts[i];
        }
        record += bytes;
    }
    *out = record;
    return IpConfigCheck::Ok;
}

bool portBytes(const QString& text, QByteArray* out)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 10);
    if (!ok || value < 1 || value > 65535) {
        return false;
    }
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(value >> 8);
    bytes[1] = static_cast<char>(value & 0xFF);
    *out = bytes;
    return true;
}

int portValue(const unsigned char* bytes)
{
    return bytes[0] * 256 + bytes[1];
}

bool macBytes(const QString& text, QByteArray* out)
{
    const QStringList parts = text.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (parts.size() < kMacSize) {
        return false;
    }
    QByteArray bytes(kMacSize, '\0');
    for (int i = 0; i < kMacSize; ++i) {
        bytes[i] = static_cast<char>(parts.at(i).toUInt(nullptr, 16) & 0xFF);
    }
    *out = bytes;
    return true;
}

QString macText(const unsigned char* bytes)
{
    QStringList parts;
    for (int i = 0; i < kMacSize; ++i) {
        parts << QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return parts.join(QLatin1Char(':'));
}

unsigned char busAddressByte(const QString& text)
{
    return static_cast<unsigned char>(text.trimmed().toUInt(nullptr, 16) & 0xFF);
}

QString busAddressText(unsigned char value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QStringList baudRates()
{
    return {QStringLiteral("4800"),  QStringLiteral("9600"),  QStringLiteral("19200"),
            QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200")};
}

TextCheck textRecord(const QString& text, int size, QByteArray* out)
{
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

QString recordText(const unsigned char* bytes, int length)
{
    int n = 0;
    while (n < length && bytes[n] != 0) {
        ++n;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), n);
}

} // namespace CommSettings
