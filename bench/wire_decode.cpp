// The stream decoder's speed on what readers send (tag reports) and on headers of fake maximum-length
// frames, which must cost linear time too. Prints `name value unit` lines.
#include "wire/commands.h"
#include "wire/frame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// MB/s decoding `stream` repeatedly for at least `seconds`, in socket-sized pieces; *frames gets the
// frames of one pass.
double megabytesPerSecond(const std::vector<uint8_t>& stream, double seconds, uint64_t* frames)
{
    constexpr size_t kChunk = 65536;
    const auto start = std::chrono::steady_clock::now();
    double elapsed = 0;
    uint64_t bytes = 0;
    wire::Frame f;
    do {
        wire::Decoder d;
        uint64_t n = 0;
        for (size_t off = 0; off < stream.size(); off += kChunk) {
            d.feed(stream.data() + off, std::min(kChunk, stream.size() - off));
            while (d.next(f))
                ++n;
        }
        *frames = n;
        bytes += stream.size();
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < seconds);
    return double(bytes) / elapsed / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;

    // 8 MB of EPC reports, as an inventory sends them.
    std::vector<uint8_t> valid;
    wire::Frame report;
    report.cmd = wire::cmd::ReportEpc;
    for (uint32_t i = 0; valid.size() < (8u << 20); ++i) {
        report.payload = {uint8_t(i >> 24), uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i), 1, 12};
        report.payload.resize(18, uint8_t(i));
        wire::encodeTo(report, valid);
    }
    // 2 MB of headers that each claim 9216 bytes, and one real frame after them.
    std::vector<uint8_t> fake{wire::kStartByte, 0x24, 0x00, 0, 0, 0, 0};
    fake[6] = wire::headerCheck(fake.data());
    std::vector<uint8_t> hostile;
    while (hostile.size() < (2u << 20))
        hostile.insert(hostile.end(), fake.begin(), fake.end());
    wire::encodeTo(report, hostile);
    hostile.resize(hostile.size() + wire::kMaxFrame, 0);

    uint64_t validFrames = 0, hostileFrames = 0;
    const double v = megabytesPerSecond(valid, seconds, &validFrames);
    const double h = megabytesPerSecond(hostile, seconds, &hostileFrames);
    std::printf("wire.decode.valid_mb_per_s %.1f MB/s\n", v);
    std::printf("wire.decode.hostile_mb_per_s %.1f MB/s\n", h);
    std::printf("wire.decode.hostile_slowdown %.2f x\n", v / h);
    std::printf("wire.decode.hostile_frames %llu 1\n", static_cast<unsigned long long>(hostileFrames));
    return hostileFrames == 1 ? 0 : 1;
}
