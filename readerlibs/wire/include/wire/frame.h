// Frame codec of the reader protocol (docs/protocol.md). Pure functions, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wire {

constexpr uint8_t kStartByte = 0xA5;
constexpr size_t kHeaderSize = 7; // start, length (2), seq, cmd, status, header check
constexpr size_t kCrcSize = 2;
constexpr size_t kOverhead = kHeaderSize + kCrcSize;
constexpr size_t kMaxPayload = 9216;
constexpr size_t kMaxFrame = kMaxPayload + kOverhead;

struct Frame
{
    uint8_t seq = 0;
    uint8_t cmd = 0;
    uint8_t status = 0;
    std::vector<uint8_t> payload;
};

// How a reader family's tag reports look to a link: which unsolicited frames they are, and the report
// sequence number a frame carries (false when the report is too short for its own fields).
struct ReportRule
{
    bool (*isReport)(uint8_t cmd);
    bool (*sequence)(const Frame& f, uint32_t* out);
};

// CRC-16/CCITT-FALSE: poly 0x1021, init 0xFFFF, no reflection, no final XOR. "123456789" -> 0x29B1.
uint16_t crc16(const uint8_t* data, size_t len);
uint16_t crc16Update(uint16_t crc, const uint8_t* data, size_t len);

uint8_t headerCheck(const uint8_t* header); // over bytes 1..5 of a header

// Encodes a frame; a payload longer than kMaxPayload yields an empty vector.
std::vector<uint8_t> encode(const Frame& f);
// Appends the encoded frame to out; false (and nothing appended) when the payload is too long.
bool encodeTo(const Frame& f, std::vector<uint8_t>& out);

// Incremental decoder for byte streams (TCP, serial). Feed bytes, then pull frames with next().
// A bad header or CRC drops the start byte and searches again from the following byte.
//
// A candidate frame costs bounded work: a short one gets its CRC directly; a long one takes it from
// CRC registers kept across the buffer, each byte's computed once, so that a peer sending headers of
// fake maximum-length frames costs linear time rather than a CRC of 9 KiB per start byte.
class Decoder
{
public:
    void feed(const uint8_t* data, size_t len);
    // Yields the next complete frame; false when more bytes are needed.
    bool next(Frame& out);
    void reset();

    uint64_t framesDecoded() const { return decoded_; }
    uint64_t framesDropped() const { return dropped_; } // bad CRC or bad header after a start byte
    uint64_t bytesSkipped() const { return skipped_; }  // bytes discarded while resynchronising
    size_t buffered() const { return buf_.size() - pos_; }

private:
    void compact();
    // The CRC of buf_[first, end) from the registers, computing what is missing.
    uint16_t crcFromRegisters(size_t first, size_t end);

    std::vector<uint8_t> buf_;
    size_t pos_ = 0;
    // reg_[k] is the CRC register, started at 0 at buf_[regBase_], after buf_[regBase_, regBase_ + k).
    std::vector<uint16_t> reg_{0};
    size_t regBase_ = 0;
    uint64_t decoded_ = 0;
    uint64_t dropped_ = 0;
    uint64_t skipped_ = 0;
};

// Decodes exactly one frame from a datagram; false when it is not exactly one valid frame.
bool decodeDatagram(const uint8_t* data, size_t len, Frame& out);

// Big-endian helpers for payload building and parsing.
inline void putU16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}
inline void putU32(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x >> 24));
    v.push_back(uint8_t(x >> 16));
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}
inline uint16_t getU16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}
inline uint32_t getU32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

} // namespace wire
