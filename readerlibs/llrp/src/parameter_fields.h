#pragma once
// What the parameter codecs share: optional and repeated parameters, bit fields, memory banks.
#include "llrp/parameters.h"

#include <type_traits>

namespace llrp {
namespace detail {

template <class P> bool is(const Param& p)
{
    return !p.tv && p.type == P::kType;
}

template <class P> bool opt(Param& p, std::optional<P>& out)
{
    P v;
    if (!v.decode(p.body))
        return false;
    out = std::move(v);
    return true;
}

template <class P, class V> bool add(Param& p, std::vector<V>& out)
{
    P v;
    if (!v.decode(p.body))
        return false;
    out.push_back(std::move(v));
    return true;
}

template <class P> void put(Writer& w, const std::optional<P>& p)
{
    if (p)
        w.param(*p);
}

template <class P> void put(Writer& w, const std::vector<P>& v)
{
    for (const P& p : v)
        w.param(p);
}

template <class... T> void putVariants(Writer& w, const std::vector<std::variant<T...>>& v)
{
    for (const auto& item : v)
        std::visit([&w](const auto& p) { w.param(p); }, item);
}

inline size_t bitBytes(uint16_t bits)
{
    return (size_t(bits) + 7) / 8;
}

// A bit field: its count, then the bits padded to whole bytes.
inline void putBits(Writer& w, uint16_t bits, const Bytes& b)
{
    w.u16(bits);
    for (size_t i = 0; i < bitBytes(bits); ++i)
        w.u8(i < b.size() ? b[i] : 0);
}

inline bool getBits(Reader& r, uint16_t& bits, Bytes& b)
{
    return r.u16(bits) && r.bytes(bitBytes(bits), b);
}

inline bool bank(Reader& r, Bank& b)
{
    uint8_t v = 0;
    if (!r.u8(v))
        return false;
    b = Bank(v >> 6);
    return true;
}

// Leaves nothing but skipped parameters after the fields.
inline bool skipRest(Reader& r)
{
    return forEachParam(r, [](Param&) { return true; });
}

} // namespace detail
} // namespace llrp
