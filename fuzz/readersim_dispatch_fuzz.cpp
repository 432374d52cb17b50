// libFuzzer target: whatever a client sends, the simulated 6C reader answers it without crashing
// (the harness is dispatch_harness.h).
#include "dispatch_harness.h"

#include "wire/messages_6c.h"

namespace {

bool wholeReport(const wire::Frame& f)
{
    wire::m6c::TagReport r;
    return wire::m6c::decodeTagReport(f, r) && r.encoded() == f.payload;
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return dispatch_fuzz::mutate(data, size, maxSize, seed);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    readersim::Options options;
    options.seed = 7;
    options.tags = 16;
    return dispatch_fuzz::run(readersim::makeFamily6C(options), wholeReport, data, size);
}
