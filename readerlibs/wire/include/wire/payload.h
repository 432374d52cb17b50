// Payload fields of the reader protocol (docs/protocol.md): big-endian integers, fixed records, byte
// runs with a one-byte count, word runs with a two-byte count, lists of small records with a one-byte
// count, and the rest of a payload.
//
// A message lists its fields once, in a static `fields(self, f)`; the same list encodes (f is a
// PayloadWriter, self const) and decodes (f is a PayloadReader), so the two cannot disagree:
//
//     struct CarrierRequest : Message<CarrierRequest>
//     {
//         uint8_t operation = 0;
//         uint8_t antenna = 0;
//         template <class Self, class F> static bool fields(Self& m, F& f)
//         {
//             return f(m.operation) && f(m.antenna);
//         }
//     };
//
// Decoding never reads past the payload; a field that does not fit makes decode() false.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wire {

// Bytes owned by someone else: a tag's EPC while a report is encoded, or a received payload while a
// report is decoded. Used where a copy per report would cost.
struct ByteView
{
    const uint8_t* data = nullptr;
    size_t size = 0;

    ByteView() = default;
    ByteView(const uint8_t* d, size_t n) : data(d), size(n) {}
    ByteView(const std::vector<uint8_t>& v) : data(v.data()), size(v.size()) {}
    std::vector<uint8_t> toVector() const { return std::vector<uint8_t>(data, data + size); }
};

class PayloadWriter
{
public:
    explicit PayloadWriter(std::vector<uint8_t>& out) : out_(out) {}

    bool operator()(uint8_t v)
    {
        out_.push_back(v);
        return true;
    }
    bool operator()(uint16_t v)
    {
        out_.push_back(uint8_t(v >> 8));
        out_.push_back(uint8_t(v));
        return true;
    }
    bool operator()(uint32_t v)
    {
        out_.push_back(uint8_t(v >> 24));
        out_.push_back(uint8_t(v >> 16));
        out_.push_back(uint8_t(v >> 8));
        out_.push_back(uint8_t(v));
        return true;
    }
    template <size_t N> bool operator()(const std::array<uint8_t, N>& v)
    {
        out_.insert(out_.end(), v.begin(), v.end());
        return true;
    }
    // A count byte, then the bytes. A count is one byte on the wire: a longer run is cut, not mis-framed.
    bool counted8(const std::vector<uint8_t>& v) { return counted8(ByteView(v)); }
    bool counted8(const std::string& v)
    {
        return counted8(ByteView(reinterpret_cast<const uint8_t*>(v.data()), v.size()));
    }
    bool counted8(ByteView v)
    {
        const size_t n = v.size > 255 ? 255 : v.size;
        out_.push_back(uint8_t(n));
        out_.insert(out_.end(), v.data, v.data + n);
        return true;
    }
    // A count of 16-bit words (2 bytes), then the words.
    bool words16(const std::vector<uint8_t>& v)
    {
        (*this)(uint16_t(v.size() / 2));
        return rest(v);
    }
    bool rest(const std::vector<uint8_t>& v)
    {
        out_.insert(out_.end(), v.begin(), v.end());
        return true;
    }
    // A count byte, then each item's own fields. Like counted8, a longer list is cut.
    template <class T> bool list8(const std::vector<T>& v)
    {
        const size_t n = v.size() > 255 ? 255 : v.size();
        out_.push_back(uint8_t(n));
        for (size_t i = 0; i < n; ++i)
            T::fields(v[i], *this);
        return true;
    }
    bool end() { return true; }

private:
    std::vector<uint8_t>& out_;
};

class PayloadReader
{
public:
    PayloadReader(const uint8_t* data, size_t size) : p_(data), n_(size) {}

    bool operator()(uint8_t& v)
    {
        if (!has(1))
            return false;
        v = p_[pos_++];
        return true;
    }
    bool operator()(uint16_t& v)
    {
        if (!has(2))
            return false;
        v = uint16_t((p_[pos_] << 8) | p_[pos_ + 1]);
        pos_ += 2;
        return true;
    }
    bool operator()(uint32_t& v)
    {
        if (!has(4))
            return false;
        v = (uint32_t(p_[pos_]) << 24) | (uint32_t(p_[pos_ + 1]) << 16) | (uint32_t(p_[pos_ + 2]) << 8) |
            uint32_t(p_[pos_ + 3]);
        pos_ += 4;
        return true;
    }
    template <size_t N> bool operator()(std::array<uint8_t, N>& v)
    {
        if (!has(N))
            return false;
        for (size_t i = 0; i < N; ++i)
            v[i] = p_[pos_ + i];
        pos_ += N;
        return true;
    }
    bool counted8(std::vector<uint8_t>& v)
    {
        ByteView b;
        if (!counted8(b))
            return false;
        v.assign(b.data, b.data + b.size);
        return true;
    }
    bool counted8(std::string& v)
    {
        ByteView b;
        if (!counted8(b))
            return false;
        v.assign(reinterpret_cast<const char*>(b.data), b.size);
        return true;
    }
    bool counted8(ByteView& v)
    {
        uint8_t n = 0;
        if (!(*this)(n) || !has(n))
            return false;
        v = ByteView(p_ + pos_, n);
        pos_ += n;
        return true;
    }
    bool words16(std::vector<uint8_t>& v)
    {
        uint16_t words = 0;
        return (*this)(words) && exact(v, size_t(words) * 2);
    }
    bool rest(std::vector<uint8_t>& v) { return exact(v, n_ - pos_); }
    template <class T> bool list8(std::vector<T>& v)
    {
        uint8_t n = 0;
        if (!(*this)(n))
            return false;
        v.assign(n, T());
        for (T& item : v) {
            if (!T::fields(item, *this))
                return false;
        }
        return true;
    }
    // Nothing may follow.
    bool end() const { return pos_ == n_; }

private:
    bool has(size_t k) const { return k <= n_ - pos_; }
    bool exact(std::vector<uint8_t>& v, size_t n)
    {
        if (!has(n))
            return false;
        v.assign(p_ + pos_, p_ + pos_ + n);
        pos_ += n;
        return true;
    }

    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
};

// encode()/decode() for a message that lists its fields (see the top of this file).
template <class M> struct Message
{
    // Appends the payload to out.
    void encode(std::vector<uint8_t>& out) const
    {
        PayloadWriter w(out);
        M::fields(static_cast<const M&>(*this), w);
    }
    std::vector<uint8_t> encoded() const
    {
        std::vector<uint8_t> out;
        encode(out);
        return out;
    }
    // False when the payload is too short for the fields, or longer where nothing may follow.
    bool decode(const uint8_t* data, size_t size)
    {
        PayloadReader r(data, size);
        return M::fields(static_cast<M&>(*this), r);
    }
    bool decode(const std::vector<uint8_t>& payload) { return decode(payload.data(), payload.size()); }
};

// A message without fields; whatever payload comes is ignored.
struct Empty : Message<Empty>
{
    template <class Self, class F> static bool fields(Self&, F&) { return true; }
};

// All of the payload, as it stands.
struct Record : Message<Record>
{
    std::vector<uint8_t> bytes;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.rest(m.bytes); }
};

} // namespace wire
