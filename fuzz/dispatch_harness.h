// What the readersim dispatch targets share: the input is a byte stream from a client; every frame the
// stream decoder finds goes to a family's command table, and the effects the link layer would carry out
// (inventory, reboot) are carried out too. Every report the family makes must decode in full.
//
// Random mutation almost never keeps a header check and CRC valid, so the custom mutator repairs them
// after mutating; now and then it leaves the bytes as mutated so damaged frames stay covered.
#pragma once

#include "family.h"

#include "wire/commands.h"
#include "wire/frame.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace dispatch_fuzz {

// Rewrites the header check and CRC of every frame-shaped run of bytes in place.
inline void repairFrames(uint8_t* data, size_t size)
{
    size_t i = 0;
    while (i + wire::kOverhead <= size) {
        if (data[i] != wire::kStartByte) {
            ++i;
            continue;
        }
        const size_t len = wire::getU16(data + i + 1);
        if (len > wire::kMaxPayload || i + wire::kOverhead + len > size) {
            ++i;
            continue;
        }
        data[i + 6] = wire::headerCheck(data + i);
        const uint16_t crc = wire::crc16(data + i + 1, 6 + len);
        data[i + wire::kHeaderSize + len] = uint8_t(crc >> 8);
        data[i + wire::kHeaderSize + len + 1] = uint8_t(crc);
        i += wire::kOverhead + len;
    }
}

inline size_t mutate(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 8 != 0)
        repairFrames(data, size);
    return size;
}

// Every report is framed again, checked by the family's own rule (its fields fill the payload
// exactly) and taken.
using PayloadCheck = bool (*)(const wire::Frame&);

class CheckingSink : public readersim::ReportSink
{
public:
    explicit CheckingSink(PayloadCheck whole) : whole_(whole) {}
    uint32_t nextSequence() override { return ++sequence_; }
    bool send(const wire::Frame& report) override
    {
        std::vector<uint8_t> bytes = wire::encode(report);
        wire::Frame g;
        if (bytes.empty() || !wire::decodeDatagram(bytes.data(), bytes.size(), g) ||
            g.payload != report.payload)
            std::abort();
        if (!whole_(report))
            std::abort();
        return true;
    }

private:
    PayloadCheck whole_;
    uint32_t sequence_ = 0;
};

// A fresh reader per input keeps every crash reproducible from its input alone; building one is cheap.
inline int run(std::unique_ptr<readersim::Family> family, PayloadCheck whole, const uint8_t* data,
               size_t size)
{
    const readersim::RequestContext context;
    CheckingSink sink(whole);
    wire::Decoder decoder;
    wire::Frame request;
    wire::Frame answer;
    int64_t nowMs = 0;

    // Feed in pieces, as a socket would deliver them; the first byte picks the piece size.
    const size_t chunk = size > 0 ? size_t(data[0] % 61) + 1 : 1;
    for (size_t off = 0; off < size; off += chunk) {
        decoder.feed(data + off, std::min(chunk, size - off));
        while (decoder.next(request)) {
            // A payload of exactly its own size (the decoder reuses a larger buffer), so that reading
            // one byte past a short request is caught.
            const wire::Frame exact{request.seq, request.cmd, request.status,
                                    std::vector<uint8_t>(request.payload)};
            const readersim::Effect effect = family->handle(exact, answer, context);
            if (answer.seq != request.seq || answer.cmd != request.cmd)
                std::abort();
            if (answer.status != wire::status::Ok && !answer.payload.empty())
                std::abort();
            switch (effect) {
            case readersim::Effect::Reboot:
                family->reboot();
                break;
            case readersim::Effect::Bye:
                family->stopInventory();
                break;
            default:
                break;
            }
            // Let the inventory engine run between requests, as the simulator's loop does.
            nowMs += 37;
            family->generateReports(8, nowMs, sink);
        }
    }
    return 0;
}

} // namespace dispatch_fuzz
