// Capabilities, reader configuration and ROSpecs.
#include "llrp/parameters.h"

#include "parameter_fields.h"

namespace llrp {

using namespace detail;

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
} // namespace llrp
