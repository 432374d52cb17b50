// libFuzzer target: whatever a client sends, the simulated GJB reader answers it without crashing. The
// input is a byte stream from a client; every frame the stream decoder finds goes to the GJB family's
// command table, and the effects the link layer would carry out (inventory, reboot) are carried out too.
// Every report it makes must decode in full.
//
// Random mutation almost never keeps a header check and CRC valid, so a custom mutator repairs them
// after mutating; now and then it leaves the bytes as mutated so damaged frames stay covered.
#include "family.h"

#include "wire/commands.h"
#include "wire/frame.h"
#include "wire/messages_gjb.h"

#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// Rewrites the header check and CRC of every frame-shaped run of bytes in place.
void repairFrames(uint8_t* data, size_t size)
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

void checkReport(const wire::Frame& f)
{
    std::vector<uint8_t> bytes = wire::encode(f);
    wire::Frame g;
    if (bytes.empty() || !wire::decodeDatagram(bytes.data(), bytes.size(), g) || g.payload != f.payload)
        std::abort();
    // The fields must fill the payload exactly.
    namespace gjb = wire::gjb;
    bool whole = false;
    if (f.cmd == gjb::cmd::TagReport) {
        gjb::TagReport r;
        whole = r.decode(f.payload) && r.encoded() == f.payload;
    } else if (f.cmd == gjb::cmd::AccessResult) {
        gjb::AccessResult r;
        whole = r.decode(f.payload) && r.encoded() == f.payload;
    } else if (f.cmd == gjb::cmd::TestResult) {
        gjb::TestResult r;
        whole = r.decode(f.payload) && r.encoded() == f.payload;
    }
    if (!whole)
        std::abort();
}

// Every report is checked and taken.
class CheckingSink : public readersim::ReportSink
{
public:
    uint32_t nextSequence() override { return ++sequence_; }
    bool send(const wire::Frame& report) override
    {
        checkReport(report);
        return true;
    }

private:
    uint32_t sequence_ = 0;
};

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    if (seed % 8 != 0)
        repairFrames(data, size);
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A fresh reader per input keeps every crash reproducible from its input alone; building one is cheap.
    readersim::Options options;
    options.seed = 7;
    options.tags = 16;
    std::unique_ptr<readersim::Family> family = readersim::makeFamilyGjb(options);
    const readersim::RequestContext context;
    CheckingSink sink;
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
