// libFuzzer target: whatever bytes a wireless reader sends, the server library must not crash, hang or
// write past a caller's buffer. The input is fed to a reader record as its link's byte stream and as
// one datagram; every queued report is then taken as EPC, TID and EPC+TID with buffer capacities from
// the input's first byte, and every input event is taken.
#include "reader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using wirelesszaltlink::Reader;
using wirelesszaltlink::Want;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t capacity = data[0];
    Reader reader(1, 2, nullptr, nullptr);
    reader.consume(data + 1, size - 1);
    reader.consumeDatagram(data + 1, size - 1);
    wire::Frame f;
    int turn = 0;
    while (reader.popReport(f, 0)) {
        // Guard bytes after each buffer catch a write past the capacity the caller gave.
        uint8_t a[256 + 16];
        uint8_t b[256 + 16];
        std::memset(a, 0xA5, sizeof a);
        std::memset(b, 0xA5, sizeof b);
        unsigned char antenna = 0;
        unsigned char lenA = capacity;
        unsigned char lenB = capacity;
        bool tooBig = false;
        const Want want = turn % 3 == 0 ? Want::Epc : turn % 3 == 1 ? Want::Tid : Want::Both;
        ++turn;
        wirelesszaltlink::takeReport(f, want, &antenna, a, &lenA, b, &lenB, &tooBig);
        const size_t limit = capacity == 0 ? 255 : capacity;
        for (size_t i = limit; i < sizeof a; ++i) {
            if (a[i] != 0xA5 || b[i] != 0xA5)
                __builtin_trap();
        }
    }
    wirelesszaltlink::IoRecord io{};
    while (reader.popIoEvent(io)) {
    }
    reader.close();
    return 0;
}
