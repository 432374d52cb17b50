#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

// The GJB reader configuration's encodings: antenna ports, power items, frequency points and
// modulation depths, without widgets.
namespace GjbReaderConfig {

constexpr int kPointCount = 20;

// Bit 0 is port 1 ... bit 3 port 4.
int portMask(const std::array<bool, 4>& ports);
std::array<bool, 4> portsFromMask(int mask);

// "10" ... "33" (dBm); the reader exchanges hundredths.
QStringList powerItems();
// The item a power read back selects (whole dBm, cut down); not necessarily one of the items.
QString powerItemText(int hundredths);
int powerValue(const QString& itemText);

// "920.125MHz" for point 0, 0.25 MHz further per point.
QString pointText(int index);
// Point n is bit 19 - n of the mask.
int pointMask(const std::vector<int>& indexes);
std::vector<int> pointsFromMask(int mask);

QStringList modulationItems();

} // namespace GjbReaderConfig
