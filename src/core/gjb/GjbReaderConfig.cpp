#include "core/gjb/GjbReaderConfig.h"

namespace GjbReaderConfig {

int portMask(const std::array<bool, 4>& ports)
{
    int mask = 0;
    for (int i = 0; i < 4; ++i) {
        if (ports[static_cast<size_t>(i)]) {
            mask |= 1 << i;
        }
    }
    return mask;
}

std::array<bool, 4> portsFromMask(int mask)
{
    return {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
}

QStringList powerItems()
{
    QStringList items;
    for (int dbm = 10; dbm <= 33; ++dbm) {
        items << QString::number(dbm);
    }
    return items;
}

QString powerItemText(int hundredths)
{
    return QString::number(hundredths / 100);
}

int powerValue(const QString& itemText)
{
    return itemText.toInt() * 100;
}

QString pointText(int index)
{
    const int khz = 920125 + 250 * index;
    return QStringLiteral("%1.%2MHz").arg(khz / 1000).arg(khz % 1000, 3, 10, QLatin1Char('0'));
}

int pointMask(const std::vector<int>& indexes)
{
    int mask = 0;
    for (int n : indexes) {
        if (n >= 0 && n < kPointCount) {
            mask |= 1 << (kPointCount - 1 - n);
        }
    }
    return mask;
}

std::vector<int> pointsFromMask(int mask)
{
    std::vector<int> points;
    for (int n = 0; n < kPointCount; ++n) {
        if (mask & (1 << (kPointCount - 1 - n))) {
            points.push_back(n);
        }
    }
    return points;
}

QStringList modulationItems()
{
    QStringList items;
    for (int depth = 30; depth <= 100; depth += 10) {
        items << QString::number(depth);
    }
    return items;
}

} // namespace GjbReaderConfig
