#include "wire/frame.h"

#include <array>

namespace wire {

namespace {

std::array<uint16_t, 256> makeTable()
{
    std::array<uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t c = uint16_t(i << 8);
        for (int b = 0; b < 8; ++b)
            c = (c & 0x8000) ? uint16_t((c << 1) ^ 0x1021) : uint16_t(c << 1);
        t[i] = c;
    }
    return t;
}

const std::array<uint16_t, 256> kTable = makeTable();

// kShift[n] = x^(8n) mod the CRC polynomial: what n bytes do to a register's earlier content.
std::array<uint16_t, kMaxFrame + 1> makeShifts()
{
    std::array<uint16_t, kMaxFrame + 1> t{};
    t[0] = 1;
    for (size_t n = 1; n < t.size(); ++n)
        t[n] = uint16_t((t[n - 1] << 8) ^ kTable[t[n - 1] >> 8]);
    return t;
}

const std::array<uint16_t, kMaxFrame + 1> kShift = makeShifts();

// a * b mod the CRC polynomial (carry-less).
uint16_t mulMod(uint16_t a, uint16_t b)
{
    uint32_t p = 0;
    for (int i = 0; i < 16; ++i)
        if ((b >> i) & 1)
            p ^= uint32_t(a) << i;
    // The high half times x^16 is what the table gives for those two bytes.
    const uint16_t hi = uint16_t(p >> 16);
    const uint16_t high = uint16_t((kTable[hi >> 8] << 8) ^ kTable[(kTable[hi >> 8] >> 8) ^ (hi & 0xFF)]);
    return uint16_t(high ^ p);
}

} // namespace

uint16_t crc16Update(uint16_t crc, const uint8_t* data, size_t len)
{
    for (size_t i = 0; i < len; ++i)
        crc = uint16_t((crc << 8) ^ kTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

uint16_t crc16(const uint8_t* data, size_t len)
{
    return crc16Update(0xFFFF, data, len);
}

uint8_t headerCheck(const uint8_t* h)
{
    return uint8_t(~(h[1] ^ h[2] ^ h[3] ^ h[4] ^ h[5]));
}

bool encodeTo(const Frame& f, std::vector<uint8_t>& out)
{
    const size_t n = f.payload.size();
    if (n > kMaxPayload)
        return false;
    const size_t base = out.size();
    out.resize(base + kOverhead + n);
    uint8_t* p = out.data() + base;
    p[0] = kStartByte;
    p[1] = uint8_t(n >> 8);
    p[2] = uint8_t(n);
    p[3] = f.seq;
    p[4] = f.cmd;
    p[5] = f.status;
    p[6] = headerCheck(p);
    for (size_t i = 0; i < n; ++i)
        p[kHeaderSize + i] = f.payload[i];
    const uint16_t crc = crc16(p + 1, kHeaderSize - 1 + n);
    p[kHeaderSize + n] = uint8_t(crc >> 8);
    p[kHeaderSize + n + 1] = uint8_t(crc);
    return true;
}

std::vector<uint8_t> encode(const Frame& f)
{
    std::vector<uint8_t> out;
    encodeTo(f, out);
    return out;
}

void Decoder::feed(const uint8_t* data, size_t len)
{
    if (len == 0)
        return;
    compact();
    buf_.insert(buf_.end(), data, data + len);
}

void Decoder::compact()
{
    // Keep the buffer small without moving bytes on every frame.
    if (pos_ > 0 && (pos_ == buf_.size() || pos_ >= 65536)) {
        buf_.erase(buf_.begin(), buf_.begin() + long(pos_));
        // Registers behind pos_ are never needed again.
        if (regBase_ + reg_.size() - 1 > pos_ && regBase_ <= pos_) {
            reg_.erase(reg_.begin(), reg_.begin() + long(pos_ - regBase_));
            regBase_ = 0;
        } else if (regBase_ >= pos_) {
            regBase_ -= pos_;
        } else {
            reg_.assign(1, 0);
            regBase_ = 0;
        }
        pos_ = 0;
    }
}

uint16_t Decoder::crcFromRegisters(size_t first, size_t end)
{
    // Candidates only move forward: registers that end before this one starts are of no more use.
    if (first < regBase_ || first > regBase_ + reg_.size() - 1) {
        reg_.assign(1, 0);
        regBase_ = first;
    }
    const size_t have = regBase_ + reg_.size() - 1;
    if (end > have) {
        reg_.resize(end - regBase_ + 1);
        uint16_t r = reg_[have - regBase_];
        for (size_t k = have; k < end; ++k) {
            r = uint16_t((r << 8) ^ kTable[((r >> 8) ^ buf_[k]) & 0xFF]);
            reg_[k + 1 - regBase_] = r;
        }
    }
    // The register at the end is the one at the start shifted through the bytes, plus their CRC
    // from zero; the CRC from 0xFFFF follows.
    const uint16_t atFirst = reg_[first - regBase_];
    const uint16_t atEnd = reg_[end - regBase_];
    return uint16_t(atEnd ^ mulMod(uint16_t(0xFFFF ^ atFirst), kShift[end - first]));
}

bool Decoder::next(Frame& out)
{
    // Up to this many bytes a candidate's CRC is computed directly: bounded work per start byte.
    constexpr size_t kDirectCrc = 48;
    for (;;) {
        const uint8_t* base = buf_.data();
        // Find a start byte.
        size_t i = pos_;
        while (i < buf_.size() && base[i] != kStartByte)
            ++i;
        skipped_ += i - pos_;
        pos_ = i;
        const size_t avail = buf_.size() - pos_;
        if (avail < kHeaderSize) {
            compact();
            return false;
        }
        const uint8_t* h = base + pos_;
        const size_t n = (size_t(h[1]) << 8) | h[2];
        if (headerCheck(h) != h[6] || n > kMaxPayload) {
            ++dropped_;
            ++skipped_;
            ++pos_;
            continue;
        }
        if (avail < kOverhead + n) {
            compact();
            return false;
        }
        const size_t covered = kHeaderSize - 1 + n; // from the length to the end of the payload
        const uint16_t crc =
            covered <= kDirectCrc ? crc16(h + 1, covered) : crcFromRegisters(pos_ + 1, pos_ + 1 + covered);
        const uint16_t got = uint16_t((h[kHeaderSize + n] << 8) | h[kHeaderSize + n + 1]);
        if (crc != got) {
            ++dropped_;
            ++skipped_;
            ++pos_;
            continue;
        }
        out.seq = h[3];
        out.cmd = h[4];
        out.status = h[5];
        out.payload.assign(h + kHeaderSize, h + kHeaderSize + n);
        pos_ += kOverhead + n;
        ++decoded_;
        return true;
    }
}

void Decoder::reset()
{
    buf_.clear();
    pos_ = 0;
    reg_.assign(1, 0);
    regBase_ = 0;
}

bool decodeDatagram(const uint8_t* data, size_t len, Frame& out)
{
    if (len < kOverhead || data[0] != kStartByte || headerCheck(data) != data[6])
        return false;
    const size_t n = (size_t(data[1]) << 8) | data[2];
    if (n > kMaxPayload || len != kOverhead + n)
        return false;
    const uint16_t crc = crc16(data + 1, kHeaderSize - 1 + n);
    if (crc != uint16_t((data[kHeaderSize + n] << 8) | data[kHeaderSize + n + 1]))
        return false;
    out.seq = data[3];
    out.cmd = data[4];
    out.status = data[5];
    out.payload.assign(data + kHeaderSize, data + kHeaderSize + n);
    return true;
}

} // namespace wire
