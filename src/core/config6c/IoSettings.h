#pragma once

#include <array>

// IO lines and the on-board tag store of a 6C reader.
namespace IoSettings {

constexpr int kInputCount = 2;
constexpr int kOutputCount = 4;
// Read-triggered rows from the top: the buzzer (bit 0, pulse line 0), then outputs 1–4 (bits 1–4).
constexpr int kTriggerRows = 5;
// Output actions, list position = the action byte: low, high, positive pulse, negative pulse.
constexpr int kOutputActions = 4;
constexpr int kFlashCountRecordSize = 7;

// Byte 0 of the input state: bit n is input n, set = high level.
bool inputHigh(unsigned char state, int input);

unsigned char triggerByte(const std::array<bool, kTriggerRows>& rows);
std::array<bool, kTriggerRows> triggerRows(unsigned char value);

// Bytes 0–3 big-endian; an empty store reads 0xFFFFFFFF, shown as 0.
unsigned int flashCount(const unsigned char* record);

} // namespace IoSettings
