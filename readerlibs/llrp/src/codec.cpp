#include "llrp/codec.h"

namespace llrp {

namespace {

// Value lengths of the TV parameters (types 1..18). A TV parameter carries no length, so one of an
// unknown type cannot be skipped: the body it sits in is refused.
int tvLength(uint8_t type)
{
    static const int kLengths[] = {-1, 2, 8, 8, 8, 8, 1, 2, 2, 4, 2, 2, 2, 12, 2, 2, 4, 2, 4};
    return type < sizeof kLengths / sizeof kLengths[0] ? kLengths[type] : -1;
}

} // namespace

bool Reader::u8(uint8_t& v)
{
    if (!has(1))
        return false;
    v = p_[pos_++];
    return true;
}

bool Reader::u16(uint16_t& v)
{
    if (!has(2))
        return false;
    v = uint16_t((p_[pos_] << 8) | p_[pos_ + 1]);
    pos_ += 2;
    return true;
}

bool Reader::u32(uint32_t& v)
{
    if (!has(4))
        return false;
    v = (uint32_t(p_[pos_]) << 24) | (uint32_t(p_[pos_ + 1]) << 16) | (uint32_t(p_[pos_ + 2]) << 8) |
        uint32_t(p_[pos_ + 3]);
    pos_ += 4;
    return true;
}

bool Reader::u64(uint64_t& v)
{
    uint32_t hi = 0;
    uint32_t lo = 0;
    if (!has(8) || !u32(hi) || !u32(lo))
        return false;
    v = (uint64_t(hi) << 32) | lo;
    return true;
}

bool Reader::s8(int8_t& v)
{
    uint8_t u = 0;
    if (!u8(u))
        return false;
    v = int8_t(u);
    return true;
}

bool Reader::s16(int16_t& v)
{
    uint16_t u = 0;
    if (!u16(u))
        return false;
    v = int16_t(u);
    return true;
}

bool Reader::bytes(size_t n, Bytes& v)
{
    if (!has(n))
        return false;
    v.assign(p_ + pos_, p_ + pos_ + n);
    pos_ += n;
    return true;
}

bool Reader::string16(std::string& v)
{
    uint16_t n = 0;
    if (!u16(n) || !has(n))
        return false;
    v.assign(reinterpret_cast<const char*>(p_ + pos_), n);
    pos_ += n;
    return true;
}

bool Reader::bytes16(Bytes& v)
{
    uint16_t n = 0;
    return u16(n) && bytes(n, v);
}

bool Reader::words16(std::vector<uint16_t>& v)
{
    uint16_t n = 0;
    if (!u16(n) || !has(size_t(n) * 2))
        return false;
    v.assign(n, 0);
    for (uint16_t& w : v)
        u16(w);
    return true;
}

bool Reader::next(Param& out)
{
    if (malformed_ || atEnd())
        return false;
    const uint8_t first = p_[pos_];
    if (first & 0x80) {
        const int n = tvLength(first & 0x7F);
        if (n < 0 || !has(1 + size_t(n))) {
            malformed_ = true;
            return false;
        }
        out.type = first & 0x7F;
        out.tv = true;
        out.body = Reader(p_ + pos_ + 1, size_t(n));
        pos_ += 1 + size_t(n);
        return true;
    }
    uint16_t typeField = 0;
    uint16_t length = 0;
    if (!has(4)) {
        malformed_ = true;
        return false;
    }
    u16(typeField);
    u16(length);
    if (length < 4 || !has(length - 4u)) {
        malformed_ = true;
        return false;
    }
    out.type = typeField & 0x3FF;
    out.tv = false;
    out.body = Reader(p_ + pos_, length - 4u);
    pos_ += length - 4u;
    return true;
}

void Writer::u16(uint16_t v)
{
    out_.push_back(uint8_t(v >> 8));
    out_.push_back(uint8_t(v));
}

void Writer::u32(uint32_t v)
{
    u16(uint16_t(v >> 16));
    u16(uint16_t(v));
}

void Writer::u64(uint64_t v)
{
    u32(uint32_t(v >> 32));
    u32(uint32_t(v));
}

void Writer::string16(const std::string& v)
{
    if (v.size() > 0xFFFF)
        ok_ = false;
    u16(uint16_t(v.size()));
    out_.insert(out_.end(), v.begin(), v.begin() + (v.size() > 0xFFFF ? 0xFFFF : v.size()));
}

void Writer::bytes16(const Bytes& v)
{
    if (v.size() > 0xFFFF)
        ok_ = false;
    u16(uint16_t(v.size()));
    out_.insert(out_.end(), v.begin(), v.begin() + (v.size() > 0xFFFF ? 0xFFFF : v.size()));
}

void Writer::words16(const std::vector<uint16_t>& v)
{
    if (v.size() > 0xFFFF)
        ok_ = false;
    const size_t n = v.size() > 0xFFFF ? 0xFFFF : v.size();
    u16(uint16_t(n));
    for (size_t i = 0; i < n; ++i)
        u16(v[i]);
}

size_t Writer::begin(uint16_t type)
{
    const size_t mark = out_.size();
    u16(type & 0x3FF);
    u16(0);
    return mark;
}

void Writer::end(size_t mark)
{
    const size_t length = out_.size() - mark;
    if (length > 0xFFFF)
        ok_ = false;
    out_[mark + 2] = uint8_t(length >> 8);
    out_[mark + 3] = uint8_t(length);
}

bool readHeader(const uint8_t* data, size_t size, Header& h)
{
    if (size < kHeaderSize)
        return false;
    Reader r(data, size);
    uint16_t first = 0;
    r.u16(first);
    r.u32(h.length);
    r.u32(h.id);
    h.version = uint8_t((first >> 10) & 0x7);
    h.type = first & 0x3FF;
    return true;
}

void StreamSplitter::feed(const uint8_t* data, size_t size)
{
    if (failed_)
        return;
    // Drop what was handed out before growing, so a long session does not keep every message.
    if (start_ > 0 && start_ == buf_.size()) {
        buf_.clear();
        start_ = 0;
    } else if (start_ > 64 * 1024) {
        buf_.erase(buf_.begin(), buf_.begin() + std::ptrdiff_t(start_));
        start_ = 0;
    }
    buf_.insert(buf_.end(), data, data + size);
}

bool StreamSplitter::next(Bytes& message)
{
    if (failed_)
        return false;
    Header h;
    if (!readHeader(buf_.data() + start_, buf_.size() - start_, h))
        return false;
    if (h.length < kHeaderSize || h.length > kMaxMessageSize) {
        failed_ = true;
        return false;
    }
    if (buf_.size() - start_ < h.length)
        return false;
    message.assign(buf_.begin() + std::ptrdiff_t(start_), buf_.begin() + std::ptrdiff_t(start_ + h.length));
    start_ += h.length;
    return true;
}

} // namespace llrp
