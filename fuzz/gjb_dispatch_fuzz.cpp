// libFuzzer target: whatever a client sends, the simulated GJB reader answers it without crashing
// (the harness is dispatch_harness.h).
#include "dispatch_harness.h"

#include "wire/messages_gjb.h"

namespace {

template <typename Report> bool fills(const wire::Frame& f)
{
    Report r;
    return r.decode(f.payload) && r.encoded() == f.payload;
}

bool wholeReport(const wire::Frame& f)
{
    namespace gjb = wire::gjb;
    switch (f.cmd) {
    case gjb::cmd::TagReport:
        return fills<gjb::TagReport>(f);
    case gjb::cmd::AccessResult:
        return fills<gjb::AccessResult>(f);
    case gjb::cmd::TestResult:
        return fills<gjb::TestResult>(f);
    default:
        return false;
    }
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
    return dispatch_fuzz::run(readersim::makeFamilyGjb(options), wholeReport, data, size);
}
