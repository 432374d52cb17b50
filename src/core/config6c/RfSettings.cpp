#include "core/config6c/RfSettings.h"

namespace RfSettings {

int powerByte(int position)
{
    return position < 20 ? position + 16 : position - 20;
}

int powerPosition(int byte)
{
    if (byte <= 10) {
        return byte + 20;
    }
    if (byte >= 16 && byte <= 35) {
        return byte - 16;
    }
    return byte;
}

QByteArray antennaRecord(const std::array<Antenna, kAntennaCount>& antennas, int (*encodePower)(int))
{
    QByteArray record(kAntennaRecordSize, '\0');
    for (int i = 0; i < kAntennaCount; ++i) {
        const Antenna& a = antennas[static_cast<size_t>(i)];
        record[i] = static_cast<char>(a.enabled ? 1 : 0);
        record[kAntennaCount + i] = static_cast<char>(encodePower(a.powerPosition) & 0xFF);
        record[2 * kAntennaCount + i] = static_cast<char>(a.dwell & 0xFF);
    }
    return record;
}

FrequencyTable tableForSetting(const QString& setting)
{
    if (setting == QLatin1String("America")) {
        return FrequencyTable::America;
    }
    if (setting == QLatin1String("Europe")) {
        return FrequencyTable::Europe;
    }
    return FrequencyTable::China;
}

QStringList pointTexts(FrequencyTable table)
{
    // Computed in integer kHz, so no point text depends on rounding a binary fraction.
    QStringList texts;
    switch (table) {
    case FrequencyTable::America:
        for (int i = 0; i < 50; ++i) {
            const int khz = 902750 + 500 * i;
            texts
                << QStringLiteral("%1.%2Mhz").arg(khz / 1000).arg((khz % 1000) / 10, 2, 10, QLatin1Char('0'));
        }
        break;
    case FrequencyTable::Europe:
        for (int i = 0; i < 16; ++i) {
            const int khz = 865000 + 200 * i;
            texts << QStringLiteral("%1.%2Mhz").arg(khz / 1000).arg(khz % 1000, 3, 10, QLatin1Char('0'));
        }
        break;
    case FrequencyTable::China:
        for (int i = 0; i < 16; ++i) {
            const int khz = 920625 + 250 * i;
            texts << QStringLiteral("%1.%2MHz").arg(khz / 1000).arg(khz % 1000, 3, 10, QLatin1Char('0'));
        }
        break;
    }
    return texts;
}

} // namespace RfSettings
