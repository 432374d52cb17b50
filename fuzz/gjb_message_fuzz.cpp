// libFuzzer target: the GJB answer, report and request decoders, and the report record written into a
// caller's buffer, in-process. The first byte picks the layout (answers and reports first, in the order
// of kLayouts), the rest is the payload; for the records the second byte sets the buffer's capacity.
//
// A decoder reads a prefix of its payload (all of it where nothing may follow); what it decoded must
// encode back to exactly that prefix, and decode again to the same. A record never goes past its
// buffer (the buffer is exactly its capacity, so the sanitizer sees a byte too far).
#include "wire/gjb_air.h"
#include "wire/messages_gjb.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

namespace g = wire::gjb;

template <class M> void roundTrip(const uint8_t* data, size_t size)
{
    M m;
    if (!m.decode(data, size))
        return;
    const std::vector<uint8_t> e = m.encoded();
    if (e.size() > size || !std::equal(e.begin(), e.end(), data))
        std::abort();
    M again;
    if (!again.decode(e) || again.encoded() != e)
        std::abort();
}

template <uint8_t Kind> void record(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    // Capacities from below the header up to well past the longest record.
    const size_t capacity = g::record::HeaderSize - 8 + size_t(data[0]) * 40;
    wire::Frame f;
    f.cmd = Kind;
    f.payload.assign(data + 1, data + size);
    std::vector<uint8_t> out(capacity);
    const size_t n = g::writeRecord(f, out.data(), out.size());
    uint32_t seq = 0;
    const bool report = g::reportSequence(f, &seq);
    if (n > capacity || (n != 0) != (report && capacity >= g::record::HeaderSize))
        std::abort();
    if (n && (out[g::record::Kind] < g::record::KindTag || out[g::record::Kind] > g::record::KindTest))
        std::abort();
}

void airFrame(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> frame(data, data + size);
    const g::AirFrameCheck c = g::checkAirFrame(frame.data(), frame.size());
    if (c.crcOk && !c.hasCrc)
        std::abort();
}

using Check = void (*)(const uint8_t*, size_t);

const Check kLayouts[] = {
    // answers
    roundTrip<g::CapabilityAnswer>, roundTrip<g::ReportAnswer>, roundTrip<g::EventAnswer>,
    roundTrip<g::SettingsList>, roundTrip<g::SpecRecord>, roundTrip<g::AccessSpecAnswer>,
    roundTrip<g::RepairCountAnswer>, roundTrip<g::RepairRecordAnswer>, roundTrip<g::TextAnswer>,
    roundTrip<wire::Record>,
    // reports, and their records
    roundTrip<g::TagReport>, roundTrip<g::AccessResult>, roundTrip<g::TestResult>, record<g::cmd::TagReport>,
    record<g::cmd::AccessResult>, record<g::cmd::TestResult>,
    // requests
    roundTrip<g::InfoRequest>, roundTrip<g::ConfigReadRequest>, roundTrip<g::ConfigWriteRequest>,
    roundTrip<g::ClockSetRequest>, roundTrip<g::SysTimeRequest>, roundTrip<g::ReportQueryRequest>,
    roundTrip<g::ReportSetRequest>, roundTrip<g::SettingsQueryRequest>, roundTrip<g::InventoryRequest>,
    roundTrip<g::RunRequest>, roundTrip<g::ReadRequest>, roundTrip<g::WriteRequest>,
    roundTrip<g::LockRequest>, roundTrip<g::KillRequest>, roundTrip<g::SensitivityRequest>,
    roundTrip<g::SecrecyPasswordRequest>, roundTrip<g::SecrecyKillRequest>, roundTrip<g::IndexRequest>,
    roundTrip<g::TextRequest>, roundTrip<g::SlotRequest>, roundTrip<g::ElectronWriteRequest>,
    // air-interface frames as the reader looks them over
    airFrame};

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
