#include "wire/gjb_air.h"

namespace wire {
namespace gjb {

namespace {

int bitAt(const uint8_t* data, size_t i)
{
    return (data[i / 8] >> (7 - i % 8)) & 1;
}

uint32_t bitsAt(const uint8_t* data, size_t start, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 1) | uint32_t(bitAt(data, start + size_t(i)));
    return v;
}

bool hasCrc(uint8_t c)
{
    switch (c) {
    case air::Access:
    case air::Query:
    case air::Read:
    case air::Write:
    case air::Erase:
    case air::Lock:
    case air::Kill:
    case air::Sort:
    case air::GetRN:
    case air::GetRefreshRN:
        return true;
    default:
        return false;
    }
}

// The payload bits a known command needs, read from its own length fields where it has them; -1 for
// an unknown command, -2 when the fields themselves are missing.
long expectedBits(uint8_t c, const uint8_t* payload, size_t bits)
{
    switch (c) {
    case air::QueryRep:
    case air::Disperse:
    case air::Shrink:
    case air::Nak:
        return 0;
    case air::Ack:
        return 16;
    case air::Access:
        return 52;
    case air::Query:
        return 24;
    case air::Read:
    case air::Erase:
        return 66;
    case air::Lock:
        return 36;
    case air::Kill:
    case air::GetRN:
    case air::GetRefreshRN:
        return 32;
    case air::GetDivide:
        return 2;
    case air::Write:
        // area 2, pointer 16, length 16 (words), then the data
        return bits < 34 ? -2 : 66 + 16 * long(bitsAt(payload, 18, 16));
    case air::Sort: {
        // area 2, rule 2, pointer 16, bit length 8, then the mask padded to an even length
        if (bits < 28)
            return -2;
        const long m = long(bitsAt(payload, 20, 8));
        return 44 + m + (m & 1);
    }
    default:
        return -1;
    }
}

} // namespace

uint16_t airCrc16(const uint8_t* data, size_t bitCount)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < bitCount; ++i) {
        const int top = (crc >> 15) & 1;
        crc = uint16_t(crc << 1);
        if (top ^ bitAt(data, i))
            crc ^= 0x1021;
    }
    return uint16_t(~crc);
}

void AirBits::put(uint32_t value, int bits)
{
    for (int i = bits - 1; i >= 0; --i) {
        if (bits_ % 8 == 0)
            bytes_.push_back(0);
        if ((value >> i) & 1)
            bytes_.back() = uint8_t(bytes_.back() | (0x80 >> (bits_ % 8)));
        ++bits_;
    }
}

void AirBits::putBytes(const std::vector<uint8_t>& bytes, size_t bits)
{
    for (size_t i = 0; i < bits; ++i)
        put(i / 8 < bytes.size() ? uint32_t(bitAt(bytes.data(), i)) : 0, 1);
}

AirFrameCheck checkAirFrame(const uint8_t* frame, size_t size)
{
    AirFrameCheck c;
    if (!frame || size < 5)
        return c;
    c.command = frame[3];
    c.sendMode = frame[4];
    c.known = c.command == air::Power || expectedBits(c.command, nullptr, 0) != -1;
    if (c.command == air::Power) {
        c.wellFormed = true;
        c.lengthOk = size == 5;
        return c;
    }
    if (size < 8)
        return c;
    const size_t bits = (size_t(frame[5]) << 8) | frame[6];
    c.payloadBits = int(bits);
    const size_t bytes = (bits + 7) / 8;
    if (7 + bytes > size)
        return c;
    c.wellFormed = true;
    const uint8_t* payload = frame + 7;
    const long expected = expectedBits(c.command, payload, bits);
    const bool bitsOk = expected == -1 || expected == long(bits);
    c.lengthOk = bitsOk && size == 7 + bytes + 1 && frame[size - 1] == 0;
    c.hasCrc = hasCrc(c.command);
    if (c.hasCrc && bits >= 16) {
        AirBits covered;
        covered.put(c.command, 8);
        for (size_t i = 0; i + 16 < bits; ++i)
            covered.put(uint32_t(bitAt(payload, i)), 1);
        const uint16_t sent = uint16_t(bitsAt(payload, bits - 16, 16));
        c.crcOk = airCrc16(covered.bytes().data(), covered.size()) == sent;
    }
    return c;
}

} // namespace gjb
} // namespace wire
