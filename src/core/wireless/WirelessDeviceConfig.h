#pragma once

#include <QString>
#include <QStringList>

#include <array>

// What the wireless device pages add to the 6C encodings they reuse (src/core/config6c): the power
// list taken from the device profile, the read interval field and the identity records they show.
namespace WirelessDeviceConfig {

// Parameter memory addresses the pages read and write, one byte each.
constexpr unsigned char kWorkModeAddress = 0;
constexpr unsigned char kReadIntervalAddress = 228;
constexpr unsigned char kReadAntennaAddress = 240;
constexpr unsigned char kConnectPortAddress = 241;
constexpr unsigned char kFlashStoreAddress = 249;

// The decimal numbers from start to end inclusive (a missing or unreadable value counts as 0). The list
// position is the power byte itself, so the list stops at 256 entries.
QStringList powerList(const QString& start, const QString& end);

// The read interval field: a decimal number 1–255 (in 100 ms). False for empty text or anything else.
bool readInterval(const QString& text, unsigned char* value);

struct IdentityField
{
    unsigned char type;
    const char* labelKey;
    const char* successKey;
    const char* failedKey;
};
// Device name, serial number, device type, software version, hardware version: the order they are read.
const std::array<IdentityField, 5>& identityFields();

// The 16 points 920.625 MHz … 924.375 MHz these readers hop over, in index order.
QStringList frequencyPoints();

} // namespace WirelessDeviceConfig
