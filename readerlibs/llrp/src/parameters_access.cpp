// AccessSpecs with their C1G2 operations and results, tag reports and reader events.
#include "llrp/parameters.h"

#include "parameter_fields.h"

namespace llrp {

using namespace detail;

void C1G2TargetTag::encode(Writer& w) const
{
    w.u8(uint8_t((uint8_t(bank) & 3) << 6 | (match ? 0x20 : 0)));
    w.u16(pointer);
    putBits(w, maskBits, mask);
    putBits(w, dataBits, data);
}

bool C1G2TargetTag::decode(Reader& r)
{
    uint8_t flags = 0;
    if (!r.u8(flags) || !r.u16(pointer) || !getBits(r, maskBits, mask) || !getBits(r, dataBits, data))
        return false;
    bank = Bank(flags >> 6);
    match = flags & 0x20;
    return skipRest(r);
}

void C1G2TagSpec::encode(Writer& w) const
{
    put(w, targets);
}

bool C1G2TagSpec::decode(Reader& r)
{
    targets.clear();
    return forEachParam(
               r,
               [this](Param& p) { return is<C1G2TargetTag>(p) ? add<C1G2TargetTag>(p, targets) : true; }) &&
           !targets.empty() && targets.size() <= 2;
}

void C1G2Read::encode(Writer& w) const
{
    w.u16(opSpecId);
    w.u32(accessPassword);
    w.u8(uint8_t((uint8_t(bank) & 3) << 6));
    w.u16(wordPointer);
    w.u16(wordCount);
}

bool C1G2Read::decode(Reader& r)
{
    return r.u16(opSpecId) && r.u32(accessPassword) && llrp::bank(r, bank) && r.u16(wordPointer) &&
           r.u16(wordCount) && skipRest(r);
}

void C1G2Write::encode(Writer& w) const
{
    w.u16(opSpecId);
    w.u32(accessPassword);
    w.u8(uint8_t((uint8_t(bank) & 3) << 6));
    w.u16(wordPointer);
    w.words16(data);
}

bool C1G2Write::decode(Reader& r)
{
    return r.u16(opSpecId) && r.u32(accessPassword) && llrp::bank(r, bank) && r.u16(wordPointer) &&
           r.words16(data) && skipRest(r);
}

void C1G2Kill::encode(Writer& w) const
{
    w.u16(opSpecId);
    w.u32(killPassword);
}

bool C1G2Kill::decode(Reader& r)
{
    return r.u16(opSpecId) && r.u32(killPassword) && skipRest(r);
}

void C1G2LockPayload::encode(Writer& w) const
{
    w.u8(privilege);
    w.u8(field);
}

bool C1G2LockPayload::decode(Reader& r)
{
    return r.u8(privilege) && r.u8(field) && skipRest(r);
}

void C1G2Lock::encode(Writer& w) const
{
    w.u16(opSpecId);
    w.u32(accessPassword);
    put(w, payloads);
}

bool C1G2Lock::decode(Reader& r)
{
    payloads.clear();
    if (!r.u16(opSpecId) || !r.u32(accessPassword))
        return false;
    return forEachParam(r,
                        [this](Param& p) {
                            return is<C1G2LockPayload>(p) ? add<C1G2LockPayload>(p, payloads) : true;
                        }) &&
           !payloads.empty();
}

void AccessCommand::encode(Writer& w) const
{
    w.param(tagSpec);
    putVariants(w, opSpecs);
}

bool AccessCommand::decode(Reader& r)
{
    bool haveTagSpec = false;
    opSpecs.clear();
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<C1G2TagSpec>(p)) {
                                haveTagSpec = true;
                                return tagSpec.decode(p.body);
                            }
                            if (is<C1G2Read>(p))
                                return add<C1G2Read>(p, opSpecs);
                            if (is<C1G2Write>(p))
                                return add<C1G2Write>(p, opSpecs);
                            if (is<C1G2Kill>(p))
                                return add<C1G2Kill>(p, opSpecs);
                            if (is<C1G2Lock>(p))
                                return add<C1G2Lock>(p, opSpecs);
                            return true;
                        }) &&
           haveTagSpec && !opSpecs.empty();
}

void AccessSpecStopTrigger::encode(Writer& w) const
{
    w.u8(type);
    w.u16(operationCount);
}

bool AccessSpecStopTrigger::decode(Reader& r)
{
    return r.u8(type) && r.u16(operationCount) && skipRest(r);
}

void AccessSpec::encode(Writer& w) const
{
    w.u32(id);
    w.u16(antennaId);
    w.u8(protocol);
    w.u8(active ? 0x80 : 0);
    w.u32(roSpecId);
    w.param(stop);
    w.param(command);
    put(w, report);
}

bool AccessSpec::decode(Reader& r)
{
    uint8_t flags = 0;
    bool haveStop = false;
    bool haveCommand = false;
    report.reset();
    if (!r.u32(id) || !r.u16(antennaId) || !r.u8(protocol) || !r.u8(flags) || !r.u32(roSpecId))
        return false;
    active = flags & 0x80;
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<AccessSpecStopTrigger>(p)) {
                                haveStop = true;
                                return stop.decode(p.body);
                            }
                            if (is<AccessCommand>(p)) {
                                haveCommand = true;
                                return command.decode(p.body);
                            }
                            if (is<AccessReportSpec>(p))
                                return opt(p, report);
                            return true;
                        }) &&
           haveStop && haveCommand;
}

void C1G2ReadOpSpecResult::encode(Writer& w) const
{
    w.u8(result);
    w.u16(opSpecId);
    w.words16(data);
}

bool C1G2ReadOpSpecResult::decode(Reader& r)
{
    return r.u8(result) && r.u16(opSpecId) && r.words16(data) && skipRest(r);
}

void C1G2WriteOpSpecResult::encode(Writer& w) const
{
    w.u8(result);
    w.u16(opSpecId);
    w.u16(wordsWritten);
}

bool C1G2WriteOpSpecResult::decode(Reader& r)
{
    return r.u8(result) && r.u16(opSpecId) && r.u16(wordsWritten) && skipRest(r);
}

void C1G2KillOpSpecResult::encode(Writer& w) const
{
    w.u8(result);
    w.u16(opSpecId);
}

bool C1G2KillOpSpecResult::decode(Reader& r)
{
    return r.u8(result) && r.u16(opSpecId) && skipRest(r);
}

void C1G2LockOpSpecResult::encode(Writer& w) const
{
    w.u8(result);
    w.u16(opSpecId);
}

bool C1G2LockOpSpecResult::decode(Reader& r)
{
    return r.u8(result) && r.u16(opSpecId) && skipRest(r);
}

namespace tv {
enum : uint8_t
{
    AntennaId = 1,
    FirstSeenUtc = 2,
    LastSeenUtc = 4,
    PeakRssi = 6,
    ChannelIndex = 7,
    TagSeenCount = 8,
    RoSpecId = 9,
    InventoryParameterSpecId = 10,
    Pc = 12,
    Epc96 = 13,
    SpecIndex = 14,
    AccessSpecId = 16,
};
}
constexpr uint16_t kEpcData = 241;

namespace {

template <class T> void putTv(Writer& w, uint8_t type, const std::optional<T>& v)
{
    if (!v)
        return;
    w.tv(type);
    if constexpr (std::is_same_v<T, int8_t>)
        w.s8(*v);
    else if constexpr (sizeof(T) == 2)
        w.u16(*v);
    else if constexpr (sizeof(T) == 4)
        w.u32(*v);
    else
        w.u64(*v);
}

template <class T> bool getTv(Reader& r, std::optional<T>& v)
{
    T x = 0;
    bool ok = false;
    if constexpr (std::is_same_v<T, int8_t>)
        ok = r.s8(x);
    else if constexpr (sizeof(T) == 2)
        ok = r.u16(x);
    else if constexpr (sizeof(T) == 4)
        ok = r.u32(x);
    else
        ok = r.u64(x);
    if (ok)
        v = x;
    return ok;
}

} // namespace

void TagReportData::encode(Writer& w) const
{
    if (epc96) {
        w.tv(tv::Epc96);
        for (size_t i = 0; i < 12; ++i)
            w.u8(i < epc.size() ? epc[i] : 0);
    } else {
        const size_t mark = w.begin(kEpcData);
        putBits(w, epcBits, epc);
        w.end(mark);
    }
    putTv(w, tv::RoSpecId, roSpecId);
    putTv(w, tv::SpecIndex, specIndex);
    putTv(w, tv::InventoryParameterSpecId, inventoryParameterSpecId);
    putTv(w, tv::AntennaId, antennaId);
    putTv(w, tv::PeakRssi, peakRssi);
    putTv(w, tv::ChannelIndex, channelIndex);
    putTv(w, tv::FirstSeenUtc, firstSeenUtc);
    putTv(w, tv::LastSeenUtc, lastSeenUtc);
    putTv(w, tv::TagSeenCount, tagSeenCount);
    putTv(w, tv::Pc, pc);
    putTv(w, tv::AccessSpecId, accessSpecId);
    putVariants(w, results);
}

bool TagReportData::decode(Reader& r)
{
    *this = TagReportData();
    bool haveEpc = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (!p.tv) {
                                if (p.type == kEpcData) {
                                    haveEpc = true;
                                    return getBits(p.body, epcBits, epc) && skipRest(p.body);
                                }
                                if (is<C1G2ReadOpSpecResult>(p))
                                    return add<C1G2ReadOpSpecResult>(p, results);
                                if (is<C1G2WriteOpSpecResult>(p))
                                    return add<C1G2WriteOpSpecResult>(p, results);
                                if (is<C1G2KillOpSpecResult>(p))
                                    return add<C1G2KillOpSpecResult>(p, results);
                                if (is<C1G2LockOpSpecResult>(p))
                                    return add<C1G2LockOpSpecResult>(p, results);
                                return true;
                            }
                            switch (p.type) {
                            case tv::Epc96:
                                haveEpc = true;
                                epc96 = true;
                                epcBits = 96;
                                return p.body.bytes(12, epc);
                            case tv::RoSpecId:
                                return getTv(p.body, roSpecId);
                            case tv::SpecIndex:
                                return getTv(p.body, specIndex);
                            case tv::InventoryParameterSpecId:
                                return getTv(p.body, inventoryParameterSpecId);
                            case tv::AntennaId:
                                return getTv(p.body, antennaId);
                            case tv::PeakRssi:
                                return getTv(p.body, peakRssi);
                            case tv::ChannelIndex:
                                return getTv(p.body, channelIndex);
                            case tv::FirstSeenUtc:
                                return getTv(p.body, firstSeenUtc);
                            case tv::LastSeenUtc:
                                return getTv(p.body, lastSeenUtc);
                            case tv::TagSeenCount:
                                return getTv(p.body, tagSeenCount);
                            case tv::Pc:
                                return getTv(p.body, pc);
                            case tv::AccessSpecId:
                                return getTv(p.body, accessSpecId);
                            default:
                                return true; // uptime stamps, CRC, singulation details
                            }
                        }) &&
           haveEpc;
}

namespace {
constexpr uint16_t kUtcTimestamp = 128;
constexpr uint16_t kUptime = 129;
constexpr uint16_t kRoSpecEvent = 249;
constexpr uint16_t kConnectionAttemptEvent = 256;
constexpr uint16_t kConnectionCloseEvent = 257;
} // namespace

void ReaderEventNotificationData::encode(Writer& w) const
{
    size_t mark = w.begin(kUtcTimestamp);
    w.u64(utcMicros);
    w.end(mark);
    if (roSpecEvent) {
        mark = w.begin(kRoSpecEvent);
        w.u8(roSpecEvent->type);
        w.u32(roSpecEvent->roSpecId);
        w.u32(roSpecEvent->preemptingRoSpecId);
        w.end(mark);
    }
    if (connectionAttempt) {
        mark = w.begin(kConnectionAttemptEvent);
        w.u16(*connectionAttempt);
        w.end(mark);
    }
    if (connectionClose)
        w.end(w.begin(kConnectionCloseEvent));
}

bool ReaderEventNotificationData::decode(Reader& r)
{
    *this = ReaderEventNotificationData();
    bool haveTime = false;
    // Other events (hopping, GPI, buffer levels, antenna, AISpec, exceptions) are skipped.
    return forEachParam(r,
                        [&](Param& p) {
                            if (p.tv)
                                return true;
                            switch (p.type) {
                            case kUtcTimestamp:
                                haveTime = true;
                                return p.body.u64(utcMicros);
                            case kUptime: // a reader without a clock: no wall time to give
                                haveTime = true;
                                return true;
                            case kRoSpecEvent: {
                                RoSpecEvent e;
                                if (!p.body.u8(e.type) || !p.body.u32(e.roSpecId) ||
                                    !p.body.u32(e.preemptingRoSpecId))
                                    return false;
                                roSpecEvent = e;
                                return true;
                            }
                            case kConnectionAttemptEvent:
                                return getTv(p.body, connectionAttempt);
                            case kConnectionCloseEvent:
                                connectionClose = true;
                                return true;
                            default:
                                return true;
                            }
                        }) &&
           haveTime;
}

} // namespace llrp
