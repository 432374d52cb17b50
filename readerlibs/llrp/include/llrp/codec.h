// LLRP framing (docs/llrp.md): the 10-byte message header, TLV and TV parameters, and a splitter that
// takes whole messages out of a TCP byte stream. Everything is big-endian.
//
// Every message and parameter struct (llrp/parameters.h, llrp/messages.h) has an encode(Writer&) and a
// decode(Reader&) over its body. A Reader never reads past the bytes it was given; a parameter's
// declared length bounds what its decoder sees, so a field that does not fit fails the whole decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace llrp {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kVersion = 1;
constexpr size_t kHeaderSize = 10;
// Larger messages are refused by the splitter: no report we ask for comes near it.
constexpr uint32_t kMaxMessageSize = 1024 * 1024;
constexpr uint16_t kCustomParameter = 1023;

struct Param;

class Reader
{
public:
    Reader() = default;
    Reader(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    explicit Reader(const Bytes& b) : p_(b.data()), n_(b.size()) {}

    bool u8(uint8_t& v);
    bool u16(uint16_t& v);
    bool u32(uint32_t& v);
    bool u64(uint64_t& v);
    bool s8(int8_t& v);
    bool s16(int16_t& v);
    bool bytes(size_t n, Bytes& v);
    // A 16-bit byte count, then the bytes (UTF-8 strings, u8v).
    bool string16(std::string& v);
    bool bytes16(Bytes& v);
    // A 16-bit word count, then the words (u16v).
    bool words16(std::vector<uint16_t>& v);

    bool atEnd() const { return pos_ == n_; }
    size_t remaining() const { return n_ - pos_; }

    // The next parameter: false when none is left or the next one is malformed (a TLV shorter than its
    // header or longer than what is left, a TV type whose length we do not know); malformed() tells.
    bool next(Param& out);
    bool malformed() const { return malformed_; }

private:
    bool has(size_t k) const { return k <= n_ - pos_; }

    const uint8_t* p_ = nullptr;
    size_t n_ = 0;
    size_t pos_ = 0;
    bool malformed_ = false;
};

// A parameter as found in a body: its type and its value (TLV: after the 4-byte header; TV: after the
// type byte, as long as the type's fixed length).
struct Param
{
    uint16_t type = 0;
    bool tv = false;
    Reader body;
};

// Runs `f(Param&)` for every parameter up to the end of `r`; f returns false to fail. Vendor Custom and
// unknown TLV parameters reach f too: f skips them by returning true.
template <class F> bool forEachParam(Reader& r, F&& f)
{
    Param p;
    while (r.next(p)) {
        if (!f(p))
            return false;
    }
    return !r.malformed();
}

class Writer
{
public:
    explicit Writer(Bytes& out) : out_(out) {}

    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v);
    void u32(uint32_t v);
    void u64(uint64_t v);
    void s8(int8_t v) { u8(uint8_t(v)); }
    void s16(int16_t v) { u16(uint16_t(v)); }
    void bytes(const Bytes& v) { out_.insert(out_.end(), v.begin(), v.end()); }
    void string16(const std::string& v);
    void bytes16(const Bytes& v);
    void words16(const std::vector<uint16_t>& v);

    // A TLV parameter: begin() writes its header, end() fills in its length. A parameter that grew past
    // 65535 bytes cannot be framed; the writer then reports failure through ok().
    size_t begin(uint16_t type);
    void end(size_t mark);
    void tv(uint8_t type) { u8(uint8_t(0x80 | type)); }

    template <class P> void param(const P& p)
    {
        const size_t mark = begin(P::kType);
        p.encode(*this);
        end(mark);
    }

    bool ok() const { return ok_; }
    Bytes& out() { return out_; }

private:
    Bytes& out_;
    bool ok_ = true;
};

struct Header
{
    uint8_t version = kVersion;
    uint16_t type = 0;
    uint32_t length = 0; // the whole message, header included
    uint32_t id = 0;
};

// Reads the header of the message at data; false when fewer than 10 bytes.
bool readHeader(const uint8_t* data, size_t size, Header& h);

// Takes whole messages out of a byte stream. A length below the header's size or above
// kMaxMessageSize cannot be resynchronised: the splitter then stays failed and the connection is to be
// dropped.
class StreamSplitter
{
public:
    void feed(const uint8_t* data, size_t size);
    // The next whole message, header included; false when none is complete yet or the stream failed.
    bool next(Bytes& message);
    bool failed() const { return failed_; }
    size_t buffered() const { return buf_.size() - start_; }

private:
    Bytes buf_;
    size_t start_ = 0;
    bool failed_ = false;
};

} // namespace llrp
