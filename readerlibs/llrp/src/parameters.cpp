#include "llrp/parameters.h"

#include <type_traits>

namespace llrp {

namespace {

template <class P> bool is(const Param& p)
{
    return !p.tv && p.type == P::kType;
}

template <class P> bool opt(Param& p, std::optional<P>& out)
{
    P v;
    if (!v.decode(p.body))
        return false;
    out = std::move(v);
    return true;
}

template <class P, class V> bool add(Param& p, std::vector<V>& out)
{
    P v;
    if (!v.decode(p.body))
        return false;
    out.push_back(std::move(v));
    return true;
}

template <class P> void put(Writer& w, const std::optional<P>& p)
{
    if (p)
        w.param(*p);
}

template <class P> void put(Writer& w, const std::vector<P>& v)
{
    for (const P& p : v)
        w.param(p);
}

template <class... T> void putVariants(Writer& w, const std::vector<std::variant<T...>>& v)
{
    for (const auto& item : v)
        std::visit([&w](const auto& p) { w.param(p); }, item);
}

size_t bitBytes(uint16_t bits)
{
    return (size_t(bits) + 7) / 8;
}

// A bit field: its count, then the bits padded to whole bytes.
void putBits(Writer& w, uint16_t bits, const Bytes& b)
{
    w.u16(bits);
    for (size_t i = 0; i < bitBytes(bits); ++i)
        w.u8(i < b.size() ? b[i] : 0);
}

bool getBits(Reader& r, uint16_t& bits, Bytes& b)
{
    return r.u16(bits) && r.bytes(bitBytes(bits), b);
}

bool bank(Reader& r, Bank& b)
{
    uint8_t v = 0;
    if (!r.u8(v))
        return false;
    b = Bank(v >> 6);
    return true;
}

// Leaves nothing but skipped parameters after the fields.
bool skipRest(Reader& r)
{
    return forEachParam(r, [](Param&) { return true; });
}

} // namespace

void LlrpStatus::encode(Writer& w) const
{
    w.u16(code);
    w.string16(description);
}

bool LlrpStatus::decode(Reader& r)
{
    // FieldError and ParameterError detail is skipped: the description says it for a person.
    return r.u16(code) && r.string16(description) && skipRest(r);
}

void Custom::encode(Writer& w) const
{
    w.u32(vendor);
    w.u32(subtype);
    w.bytes(data);
}

bool Custom::decode(Reader& r)
{
    return r.u32(vendor) && r.u32(subtype) && r.bytes(r.remaining(), data);
}

void SensitivityEntry::encode(Writer& w) const
{
    w.u16(index);
    w.s16(value);
}

bool SensitivityEntry::decode(Reader& r)
{
    return r.u16(index) && r.s16(value) && skipRest(r);
}

void GpioCapabilities::encode(Writer& w) const
{
    w.u16(gpis);
    w.u16(gpos);
}

bool GpioCapabilities::decode(Reader& r)
{
    return r.u16(gpis) && r.u16(gpos) && skipRest(r);
}

void PerAntennaAirProtocol::encode(Writer& w) const
{
    w.u16(antennaId);
    w.bytes16(protocols);
}

bool PerAntennaAirProtocol::decode(Reader& r)
{
    return r.u16(antennaId) && r.bytes16(protocols) && skipRest(r);
}

void GeneralDeviceCapabilities::encode(Writer& w) const
{
    w.u16(maxAntennas);
    w.u16(uint16_t((canSetAntennaProperties ? 0x8000 : 0) | (hasUtcClock ? 0x4000 : 0)));
    w.u32(manufacturer);
    w.u32(model);
    w.string16(firmware);
    put(w, sensitivities);
    w.param(gpio);
    put(w, airProtocols);
}

bool GeneralDeviceCapabilities::decode(Reader& r)
{
    uint16_t flags = 0;
    if (!r.u16(maxAntennas) || !r.u16(flags) || !r.u32(manufacturer) || !r.u32(model) ||
        !r.string16(firmware))
        return false;
    canSetAntennaProperties = flags & 0x8000;
    hasUtcClock = flags & 0x4000;
    sensitivities.clear();
    airProtocols.clear();
    return forEachParam(r, [this](Param& p) {
        if (is<SensitivityEntry>(p))
            return add<SensitivityEntry>(p, sensitivities);
        if (is<GpioCapabilities>(p))
            return gpio.decode(p.body);
        if (is<PerAntennaAirProtocol>(p))
            return add<PerAntennaAirProtocol>(p, airProtocols);
        return true;
    });
}

void TransmitPowerEntry::encode(Writer& w) const
{
    w.u16(index);
    w.s16(centiDbm);
}

bool TransmitPowerEntry::decode(Reader& r)
{
    return r.u16(index) && r.s16(centiDbm) && skipRest(r);
}

namespace {
constexpr uint16_t kFixedFrequencyTable = 148;
}

void FrequencyInformation::encode(Writer& w) const
{
    w.u8(hopping ? 0x80 : 0);
    if (!fixedKHz.empty()) {
        const size_t mark = w.begin(kFixedFrequencyTable);
        w.u16(uint16_t(fixedKHz.size()));
        for (uint32_t f : fixedKHz)
            w.u32(f);
        w.end(mark);
    }
}

bool FrequencyInformation::decode(Reader& r)
{
    uint8_t flags = 0;
    if (!r.u8(flags))
        return false;
    hopping = flags & 0x80;
    fixedKHz.clear();
    return forEachParam(r, [this](Param& p) {
        if (p.tv || p.type != kFixedFrequencyTable)
            return true;
        uint16_t n = 0;
        if (!p.body.u16(n) || p.body.remaining() < size_t(n) * 4)
            return false;
        fixedKHz.assign(n, 0);
        for (uint32_t& f : fixedKHz)
            p.body.u32(f);
        return skipRest(p.body);
    });
}

void UhfBandCapabilities::encode(Writer& w) const
{
    put(w, powerLevels);
    w.param(frequencies);
}

bool UhfBandCapabilities::decode(Reader& r)
{
    powerLevels.clear();
    return forEachParam(r, [this](Param& p) {
        if (is<TransmitPowerEntry>(p))
            return add<TransmitPowerEntry>(p, powerLevels);
        if (is<FrequencyInformation>(p))
            return frequencies.decode(p.body);
        return true;
    });
}

void RegulatoryCapabilities::encode(Writer& w) const
{
    w.u16(countryCode);
    w.u16(communicationsStandard);
    put(w, uhf);
}

bool RegulatoryCapabilities::decode(Reader& r)
{
    uhf.reset();
    if (!r.u16(countryCode) || !r.u16(communicationsStandard))
        return false;
    return forEachParam(r, [this](Param& p) { return is<UhfBandCapabilities>(p) ? opt(p, uhf) : true; });
}

void Identification::encode(Writer& w) const
{
    w.u8(idType);
    w.bytes16(readerId);
}

bool Identification::decode(Reader& r)
{
    return r.u8(idType) && r.bytes16(readerId) && skipRest(r);
}

void AntennaProperties::encode(Writer& w) const
{
    w.u8(connected ? 0x80 : 0);
    w.u16(antennaId);
    w.s16(gain);
}

bool AntennaProperties::decode(Reader& r)
{
    uint8_t flags = 0;
    if (!r.u8(flags) || !r.u16(antennaId) || !r.s16(gain))
        return false;
    connected = flags & 0x80;
    return skipRest(r);
}

void RfReceiver::encode(Writer& w) const
{
    w.u16(sensitivity);
}

bool RfReceiver::decode(Reader& r)
{
    return r.u16(sensitivity) && skipRest(r);
}

void RfTransmitter::encode(Writer& w) const
{
    w.u16(hopTableId);
    w.u16(channelIndex);
    w.u16(transmitPower);
}

bool RfTransmitter::decode(Reader& r)
{
    return r.u16(hopTableId) && r.u16(channelIndex) && r.u16(transmitPower) && skipRest(r);
}

void AntennaConfiguration::encode(Writer& w) const
{
    w.u16(antennaId);
    put(w, receiver);
    put(w, transmitter);
}

bool AntennaConfiguration::decode(Reader& r)
{
    receiver.reset();
    transmitter.reset();
    if (!r.u16(antennaId))
        return false;
    // C1G2InventoryCommand (session, filters, singulation) is skipped: the reader's defaults are used.
    return forEachParam(r, [this](Param& p) {
        if (is<RfReceiver>(p))
            return opt(p, receiver);
        if (is<RfTransmitter>(p))
            return opt(p, transmitter);
        return true;
    });
}

void TagReportContentSelector::encode(Writer& w) const
{
    w.u16(enabled & 0xFFC0);
}

bool TagReportContentSelector::decode(Reader& r)
{
    if (!r.u16(enabled))
        return false;
    enabled &= 0xFFC0;
    return skipRest(r);
}

void RoReportSpec::encode(Writer& w) const
{
    w.u8(trigger);
    w.u16(n);
    w.param(content);
}

bool RoReportSpec::decode(Reader& r)
{
    bool haveContent = false;
    if (!r.u8(trigger) || !r.u16(n))
        return false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (!is<TagReportContentSelector>(p))
                                return true;
                            haveContent = true;
                            return content.decode(p.body);
                        }) &&
           haveContent;
}

void AccessReportSpec::encode(Writer& w) const
{
    w.u8(trigger);
}

bool AccessReportSpec::decode(Reader& r)
{
    return r.u8(trigger) && skipRest(r);
}

void KeepaliveSpec::encode(Writer& w) const
{
    w.u8(triggerType);
    w.u32(periodMs);
}

bool KeepaliveSpec::decode(Reader& r)
{
    return r.u8(triggerType) && r.u32(periodMs) && skipRest(r);
}

void EventsAndReports::encode(Writer& w) const
{
    w.u8(holdUponReconnect ? 0x80 : 0);
}

bool EventsAndReports::decode(Reader& r)
{
    uint8_t flags = 0;
    if (!r.u8(flags))
        return false;
    holdUponReconnect = flags & 0x80;
    return skipRest(r);
}

void RoSpecStartTrigger::encode(Writer& w) const
{
    w.u8(type);
}

bool RoSpecStartTrigger::decode(Reader& r)
{
    return r.u8(type) && skipRest(r);
}

void RoSpecStopTrigger::encode(Writer& w) const
{
    w.u8(type);
    w.u32(durationMs);
}

bool RoSpecStopTrigger::decode(Reader& r)
{
    return r.u8(type) && r.u32(durationMs) && skipRest(r);
}

void RoBoundarySpec::encode(Writer& w) const
{
    w.param(start);
    w.param(stop);
}

bool RoBoundarySpec::decode(Reader& r)
{
    bool haveStart = false;
    bool haveStop = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<RoSpecStartTrigger>(p)) {
                                haveStart = true;
                                return start.decode(p.body);
                            }
                            if (is<RoSpecStopTrigger>(p)) {
                                haveStop = true;
                                return stop.decode(p.body);
                            }
                            return true;
                        }) &&
           haveStart && haveStop;
}

void AiSpecStopTrigger::encode(Writer& w) const
{
    w.u8(type);
    w.u32(durationMs);
}

bool AiSpecStopTrigger::decode(Reader& r)
{
    return r.u8(type) && r.u32(durationMs) && skipRest(r);
}

void InventoryParameterSpec::encode(Writer& w) const
{
    w.u16(id);
    w.u8(protocol);
    put(w, antennas);
}

bool InventoryParameterSpec::decode(Reader& r)
{
    antennas.clear();
    if (!r.u16(id) || !r.u8(protocol))
        return false;
    return forEachParam(r, [this](Param& p) {
        return is<AntennaConfiguration>(p) ? add<AntennaConfiguration>(p, antennas) : true;
    });
}

void AiSpec::encode(Writer& w) const
{
    w.words16(antennaIds);
    w.param(stop);
    put(w, inventory);
}

bool AiSpec::decode(Reader& r)
{
    bool haveStop = false;
    inventory.clear();
    if (!r.words16(antennaIds))
        return false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<AiSpecStopTrigger>(p)) {
                                haveStop = true;
                                return stop.decode(p.body);
                            }
                            if (is<InventoryParameterSpec>(p))
                                return add<InventoryParameterSpec>(p, inventory);
                            return true;
                        }) &&
           haveStop && !inventory.empty();
}

void RoSpec::encode(Writer& w) const
{
    w.u32(id);
    w.u8(priority);
    w.u8(currentState);
    w.param(boundary);
    put(w, aiSpecs);
    put(w, report);
}

bool RoSpec::decode(Reader& r)
{
    bool haveBoundary = false;
    aiSpecs.clear();
    report.reset();
    if (!r.u32(id) || !r.u8(priority) || !r.u8(currentState))
        return false;
    // RFSurveySpec and LoopSpec are skipped.
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<RoBoundarySpec>(p)) {
                                haveBoundary = true;
                                return boundary.decode(p.body);
                            }
                            if (is<AiSpec>(p))
                                return add<AiSpec>(p, aiSpecs);
                            if (is<RoReportSpec>(p))
                                return opt(p, report);
                            return true;
                        }) &&
           haveBoundary;
}

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
