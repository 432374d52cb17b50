#include "core/config6c/IoSettings.h"

#include <cstddef>

namespace IoSettings {

bool inputHigh(unsigned char state, int input)
{
    return input >= 0 && input < 8 && ((state >> input) & 1) != 0;
}

unsigned char triggerByte(const std::array<bool, kTriggerRows>& rows)
{
    unsigned char value = 0;
    for (int i = 0; i < kTriggerRows; ++i) {
        if (rows[static_cast<std::size_t>(i)]) {
            value = static_cast<unsigned char>(value | (1u << i));
        }
    }
    return value;
}

std::array<bool, kTriggerRows> triggerRows(unsigned char value)
{
    std::array<bool, kTriggerRows> rows{};
    for (int i = 0; i < kTriggerRows; ++i) {
        rows[static_cast<std::size_t>(i)] = ((value >> i) & 1) != 0;
    }
    return rows;
}

unsigned int flashCount(const unsigned char* record)
{
    const unsigned int count = (static_cast<unsigned int>(record[0]) << 24) |
                               (static_cast<unsigned int>(record[1]) << 16) |
                               (static_cast<unsigned int>(record[2]) << 8) | record[3];
    return count == 0xFFFFFFFFu ? 0 : count;
}

} // namespace IoSettings
