// Air-interface test frames of the GJB family (docs/protocol.md, section 7.6): the frame a host hands
// to AirTest, its CRC over a bit string, and what a reader finds when it looks one over.
//
// Frame: byte 0 the reference time code (option index + 1), 1 modulation mode, 2 modulation depth
// byte, 3 command code, 4 send mode (0 once, 1 repeatedly; the switch for Power); bytes 5-6 the
// number of payload bits, big-endian; the payload from byte 7, packed most significant bit first;
// then one zero byte. Power stops after byte 4. Commands with a CRC carry it as the last 16 payload
// bits: the CRC of the command byte followed by the payload bits before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wire {
namespace gjb {

namespace air {
constexpr uint8_t QueryRep = 0x00;
constexpr uint8_t Ack = 0x40;
constexpr uint8_t Disperse = 0x80;
constexpr uint8_t Shrink = 0x90;
constexpr uint8_t Access = 0xA3;
constexpr uint8_t Query = 0xA4;
constexpr uint8_t Read = 0xA5;
constexpr uint8_t Write = 0xA6;
constexpr uint8_t Erase = 0xA7;
constexpr uint8_t Lock = 0xA8;
constexpr uint8_t Kill = 0xA9;
constexpr uint8_t Sort = 0xAA;
constexpr uint8_t Nak = 0xAF;
constexpr uint8_t GetRN = 0xB2;
constexpr uint8_t GetRefreshRN = 0xB4;
constexpr uint8_t GetDivide = 0xC0;
constexpr uint8_t Power = 0xFF;
} // namespace air

// CRC-16 of ISO/IEC 13239 over `bitCount` bits of `data`, most significant bit first: polynomial
// 0x1021, preset 0xFFFF, result complemented. The nine bytes "123456789" give 0xD64E.
uint16_t airCrc16(const uint8_t* data, size_t bitCount);

// Packs fields most significant bit first, without gaps.
class AirBits
{
public:
    // The low `bits` bits of value (at most 32).
    void put(uint32_t value, int bits);
    void putBytes(const std::vector<uint8_t>& bytes, size_t bits);
    size_t size() const { return bits_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t bits_ = 0;
};

// What a reader makes of an air-interface test frame.
struct AirFrameCheck
{
    bool wellFormed = false; // at least the five leading bytes, and the bit count fits the frame
    bool known = false;      // a command code of the list above
    uint8_t command = 0;
    uint8_t sendMode = 0;  // byte 4
    int payloadBits = -1;  // bytes 5-6; -1 for Power
    bool lengthOk = false; // bit count and frame length as the command's fields require
    bool hasCrc = false;
    bool crcOk = false; // the CRC in the frame is the CRC of what precedes it
};

AirFrameCheck checkAirFrame(const uint8_t* frame, size_t size);

} // namespace gjb
} // namespace wire
