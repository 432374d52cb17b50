#include "wire/messages_gjb.h"

#include <algorithm>
#include <cstring>

namespace wire {
namespace gjb {

namespace {

void putLe16(uint8_t* p, size_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void putLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

} // namespace

bool reportSequence(const Frame& f, uint32_t* out)
{
    switch (f.cmd) {
    case cmd::TagReport: {
        TagReport r;
        if (!r.decode(f.payload))
            return false;
        *out = r.sequence;
        return true;
    }
    case cmd::AccessResult: {
        AccessResult r;
        if (!r.decode(f.payload))
            return false;
        *out = r.sequence;
        return true;
    }
    case cmd::TestResult: {
        TestResult r;
        if (!r.decode(f.payload))
            return false;
        *out = r.sequence;
        return true;
    }
    default:
        return false;
    }
}

size_t writeRecord(const Frame& f, uint8_t* out, size_t capacity)
{
    if (!out || capacity < record::HeaderSize || f.seq != 0)
        return 0;
    uint8_t header[record::HeaderSize] = {};
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    switch (f.cmd) {
    case cmd::TagReport: {
        TagReport r;
        if (!r.decode(f.payload))
            return 0;
        putLe16(header + record::IdLength, r.id.size);
        if (r.id.size)
            std::memcpy(header + record::Id, r.id.data, r.id.size);
        header[record::Antenna] = r.antenna;
        header[record::Kind] = record::KindTag;
        putLe32(header + record::Sequence, r.sequence);
        break;
    }
    case cmd::AccessResult: {
        // Decoded in place: the data stays in the frame.
        AccessResult r;
        if (!r.decode(f.payload))
            return 0;
        putLe16(header + record::IdLength, r.id.size());
        if (!r.id.empty())
            std::memcpy(header + record::Id, r.id.data(), r.id.size());
        header[record::Antenna] = r.antenna;
        header[record::Kind] = record::KindAccess;
        putLe32(header + record::Sequence, r.sequence);
        header[record::Operation] = r.operation;
        header[record::Status] = r.status;
        const size_t words = r.data.size() / 2;
        header[record::Words] = uint8_t(words >> 8);
        header[record::Words + 1] = uint8_t(words);
        // The words lie at the end of the payload.
        dataSize = r.data.size();
        data = f.payload.data() + (f.payload.size() - dataSize);
        break;
    }
    case cmd::TestResult: {
        TestResult r;
        if (!r.decode(f.payload))
            return 0;
        putLe16(header + record::IdLength, r.result.size());
        std::memcpy(header + record::Id, r.result.data(), r.result.size());
        header[record::Kind] = record::KindTest;
        putLe32(header + record::Sequence, r.sequence);
        putLe16(header + record::Index, r.index);
        break;
    }
    default:
        return 0;
    }
    std::memcpy(out, header, sizeof header);
    const size_t room = capacity - record::HeaderSize;
    const size_t n = std::min(room, dataSize);
    if (n)
        std::memcpy(out + record::HeaderSize, data, n);
    return record::HeaderSize + n;
}

} // namespace gjb
} // namespace wire
