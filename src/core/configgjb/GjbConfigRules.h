#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// What the GJB settings and record pages decide without a reader.
namespace GjbConfigRules {

// A record's text as the reader stores it: at most this many bytes of UTF-8.
constexpr int kRecordBytes = 255;
constexpr int kElectronSlots = 32;
constexpr int kRepairTimeBytes = 19;

// The UTF-8 of text cut to at most maxBytes, never inside a character.
QByteArray Utf8Cut(const QString& text, int maxBytes = kRecordBytes);

// A record the reader returned: `length` bytes of `buffer` (clamped to its size), as UTF-8.
QString RecordText(const unsigned char* buffer, int capacity, int length);

using Address = std::array<unsigned char, 4>;

struct IpConfig
{
    Address ip{};
    Address mask{};
    Address gateway{};
};

// Checks the three dotted texts in order and fills out; on failure the key to log, else nullptr.
const char* ParseIpConfig(const QString& ip, const QString& mask, const QString& gateway, IpConfig* out);
QString AddressText(const Address& a);

} // namespace GjbConfigRules
