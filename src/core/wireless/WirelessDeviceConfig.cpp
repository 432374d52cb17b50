#include "core/wireless/WirelessDeviceConfig.h"

#include "core/config6c/RfSettings.h"

#include <algorithm>

namespace WirelessDeviceConfig {

QStringList powerList(const QString& start, const QString& end)
{
    const int first = start.trimmed().toInt();
    const int last = std::min(end.trimmed().toInt(), first + 255);
    QStringList list;
    for (int value = first; value <= last; ++value) {
        list << QString::number(value);
    }
    return list;
}

bool readInterval(const QString& text, unsigned char* value)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (text.trimmed().isEmpty() || !ok || number < 1 || number > 255) {
        return false;
    }
    *value = static_cast<unsigned char>(number);
    return true;
}

const std::array<IdentityField, 5>& identityFields()
{
    static const std::array<IdentityField, 5> fields{{
        {0, "IDCS_DEVICE_NAME", "IDCS_DEVICE_NAME_QUERY_SUCCESS", "IDCS_DEVICE_NAME_QUERY_FAILED"},
        {2, "IDCS_DEVICE_SN", "IDCS_DEVICE_SN_QUERY_SUCCESS", "IDCS_DEVICE_SN_QUERY_FAILED"},
        {1, "IDCS_DEVICE_TYPE", "IDCS_DEVICE_TYPE_SUCCESS", "IDCS_DEVICE_TYPE_FAILED"},
        {3, "IDCS_SOFT_VER", "IDCS_SOFT_VER_SUCCESS", "IDCS_SOFT_VER_FAILED"},
        {5, "IDCS_HARDWARE_VER", "IDCS_HARDWARE_VER_SUCCESS", "IDCS_HARDWARE_VER_FAILED"},
    }};
    return fields;
}

QStringList frequencyPoints()
{
    return RfSettings::pointTexts(RfSettings::FrequencyTable::China);
}

} // namespace WirelessDeviceConfig
