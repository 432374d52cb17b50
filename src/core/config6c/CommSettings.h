#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// How a 6C reader talks to the outside: network records, serial baud rate, bus address and the
// server and account of a mobile-data (GPRS) module.
namespace CommSettings {

// Network record codes.
enum NetCode : unsigned char
{
    NetMac = 1,
    NetIpConfig = 2,
    NetTcpPort = 3,
    NetUdpPort = 4
};
constexpr int kIpConfigSize = 12;
constexpr int kMacSize = 6;

// Communication codes: the baud rate is queried and set under different codes.
constexpr unsigned char kBusAddressCode = 0x00;
constexpr unsigned char kBaudQueryCode = 0x20;
constexpr unsigned char kBaudSetCode = 0x10;

// Mobile-data parameters in the parameter memory.
constexpr unsigned char kGprsIpAddress = 250;
constexpr unsigned char kGprsPortAddress = 254;
constexpr unsigned char kGprsApnAddress = 122;
constexpr unsigned char kGprsAccountAddress = 123;
constexpr unsigned char kGprsPasswordAddress = 124;
constexpr int kGprsTextSize = 64;

// Dotted IPv4 text: the whole text matches, every part a number 0–255. Fills 4 bytes in dotted order.
enum class IpCheck
{
    Ok,
    Invalid,  // does not look like an address at all
    BadParts, // looks like one but its parts do not read as four numbers
};
IpCheck ipBytes(const QString& text, QByteArray* out);
QString ipText(const unsigned char* bytes);

enum class IpConfigCheck
{
    Ok,
    BadIp,
    BadMask,
    BadGateway,
    IpParts,
    MaskParts,
    GatewayParts
};
// IP address, subnet mask and gateway, 4 bytes each.
IpConfigCheck ipConfigRecord(const QString& ip, const QString& mask, const QString& gateway, QByteArray* out);

// A port as decimal text, 1–65535, sent high byte first.
bool portBytes(const QString& text, QByteArray* out);
int portValue(const unsigned char* bytes);

// Six hex bytes separated by ":"; false with fewer than six parts.
bool macBytes(const QString& text, QByteArray* out);
QString macText(const unsigned char* bytes);

// The bus address field: hex, low byte; shown as two upper-case digits.
unsigned char busAddressByte(const QString& text);
QString busAddressText(unsigned char value);

// The baud-rate list; position = the byte sent and received.
QStringList baudRates();

enum class TextCheck
{
    Ok,
    Empty,
    TooLong
};
// UTF-8 text, zero-padded to size bytes (no terminator when full).
TextCheck textRecord(const QString& text, int size, QByteArray* out);
// The bytes up to the first zero byte, as UTF-8.
QString recordText(const unsigned char* bytes, int length);

} // namespace CommSettings
