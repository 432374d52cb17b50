#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>

// Antenna ports and frequency points of a 6C reader: the power byte, the antenna record and the
// frequency tables whose point indices the reader stores.
namespace RfSettings {

constexpr int kAntennaCount = 4;
constexpr int kPowerPositions = 31; // the power list: "0" … "30"
constexpr int kAntennaRecordSize = 12;
constexpr int kMaxPoints = 50;

// List position 0–19 is sent as 16–35, 20–30 as 0–10.
int powerByte(int position);
// The inverse; bytes 11–15 and above 35 come back unchanged (and may lie outside the list).
int powerPosition(int byte);

struct Antenna
{
    bool enabled = false;
    int powerPosition = 0;
    int dwell = 1;
};

// Enabled flags of antennas 1–4, then their power bytes, then their dwell times. encodePower turns a
// power list position into the byte sent; readers whose list position is the byte pass one that keeps it.
QByteArray antennaRecord(const std::array<Antenna, kAntennaCount>& antennas,
                         int (*encodePower)(int) = powerByte);

enum class FrequencyTable
{
    China,
    Europe,
    America
};

// "America", "Europe"; anything else is the China table.
FrequencyTable tableForSetting(const QString& setting);
// The text of every point, in index order.
QStringList pointTexts(FrequencyTable table);

} // namespace RfSettings
