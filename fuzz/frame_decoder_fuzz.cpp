// libFuzzer target: any bytes from a reader through the stream decoder and the datagram decoder.
// Every frame that comes out must re-encode to bytes that decode to the same frame.
#include "wire/frame.h"

#include <cstdlib>

namespace {

void checkRoundTrip(const wire::Frame& f)
{
    std::vector<uint8_t> bytes = wire::encode(f);
    wire::Frame g;
    if (bytes.empty() || !wire::decodeDatagram(bytes.data(), bytes.size(), g))
        std::abort();
    if (g.seq != f.seq || g.cmd != f.cmd || g.status != f.status || g.payload != f.payload)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    wire::Frame f;
    if (wire::decodeDatagram(data, size, f))
        checkRoundTrip(f);

    // The first byte picks the chunk size, so frames split across reads are covered too.
    const size_t chunk = size > 0 ? size_t(data[0] % 31) + 1 : 1;
    wire::Decoder d;
    uint64_t frames = 0;
    for (size_t off = 0; off < size; off += chunk) {
        d.feed(data + off, std::min(chunk, size - off));
        while (d.next(f)) {
            ++frames;
            checkRoundTrip(f);
            if (f.payload.size() > wire::kMaxPayload)
                std::abort();
        }
    }
    // Each frame takes at least the overhead, so there can never be more frames than that allows.
    if (frames * wire::kOverhead > size || d.buffered() > size)
        std::abort();
    return 0;
}
