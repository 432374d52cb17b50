// libFuzzer target: the 6C answer, report and request decoders, in-process. The first byte picks the
// layout (answers and reports first, in the order of kLayouts), the rest is the payload.
//
// A decoder reads a prefix of its payload (all of it where nothing may follow); what it decoded must
// encode back to exactly that prefix, and decode again to the same.
#include "wire/commands.h"
#include "wire/messages_6c.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

namespace m6c = wire::m6c;

template <class M> void roundTrip(M m, const uint8_t* data, size_t size)
{
    if (!m.decode(data, size))
        return;
    const std::vector<uint8_t> e = m.encoded();
    if (e.size() > size || !std::equal(e.begin(), e.end(), data))
        std::abort();
    M again = m;
    if (!again.decode(e) || again.encoded() != e)
        std::abort();
}

m6c::TagReport report(uint8_t kind)
{
    m6c::TagReport r;
    r.kind = kind;
    return r;
}

using Check = void (*)(const uint8_t*, size_t);

template <class M> void check(const uint8_t* d, size_t n)
{
    roundTrip(M(), d, n);
}

template <uint8_t Kind> void checkReport(const uint8_t* d, size_t n)
{
    roundTrip(report(Kind), d, n);
    // The views lie inside the payload.
    m6c::TagReport r = report(Kind);
    if (r.decode(d, n) && ((r.epc.size && (r.epc.data < d || r.epc.data + r.epc.size > d + n)) ||
                           (r.tid.size && (r.tid.data < d || r.tid.data + r.tid.size > d + n))))
        std::abort();
}

const Check kLayouts[] = {
    // answers
    check<m6c::HelloAnswer>, check<wire::Record>, check<m6c::AntennaAnswer>, check<m6c::IoStateAnswer>,
    check<m6c::ByteAnswer>, check<m6c::FlashCountAnswer>, check<m6c::UserWords>, check<m6c::WrittenAnswer>,
    check<m6c::ClockRecord>,
    // reports
    checkReport<wire::cmd::ReportEpc>, checkReport<wire::cmd::ReportTid>,
    checkReport<wire::cmd::ReportEpcTid>, check<m6c::IoEventReport>, check<m6c::HeartbeatReport>,
    // requests
    check<m6c::HelloRequest>, check<m6c::TypeRequest>, check<m6c::TypedRecord>, check<m6c::ParmOpRequest>,
    check<m6c::ModeRequest>, check<m6c::UpdateRequest>, check<m6c::AntennaRequest>, check<m6c::AntennaRecord>,
    check<m6c::FrequencySetRequest>, check<m6c::CarrierRequest>, check<m6c::OutputRequest>,
    check<m6c::ByteRequest>, check<m6c::PulseSetRequest>, check<m6c::InventoryRequest>,
    check<m6c::TagSelectRequest>, check<m6c::ReadUserRequest>, check<m6c::WriteUserRequest>,
    check<m6c::WriteEpcRequest>, check<m6c::TagLockRequest>, check<m6c::TagKillRequest>,
    check<m6c::PasswordSetRequest>};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t count = sizeof kLayouts / sizeof kLayouts[0];
    // A copy of exactly the payload's size, so that reading one byte past it is caught.
    const std::vector<uint8_t> payload(data + 1, data + size);
    kLayouts[data[0] % count](payload.data(), payload.size());
    return 0;
}
