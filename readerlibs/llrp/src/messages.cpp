#include "llrp/messages.h"

#include "parameter_fields.h"

namespace llrp {

using namespace detail;

void GetReaderCapabilities::encode(Writer& w) const
{
    w.u8(requested);
}

bool GetReaderCapabilities::decode(Reader& r)
{
    return r.u8(requested) && forEachParam(r, [](Param&) { return true; });
}

void GetReaderCapabilitiesResponse::encode(Writer& w) const
{
    w.param(status);
    put(w, general);
    put(w, regulatory);
    put(w, custom);
}

bool GetReaderCapabilitiesResponse::decode(Reader& r)
{
    bool haveStatus = false;
    general.reset();
    regulatory.reset();
    custom.clear();
    // LLRPCapabilities and the air protocol's capabilities are skipped.
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<LlrpStatus>(p)) {
                                haveStatus = true;
                                return status.decode(p.body);
                            }
                            if (is<GeneralDeviceCapabilities>(p))
                                return opt(p, general);
                            if (is<RegulatoryCapabilities>(p))
                                return opt(p, regulatory);
                            if (is<Custom>(p))
                                return add<Custom>(p, custom);
                            return true;
                        }) &&
           haveStatus;
}

void GetReaderConfig::encode(Writer& w) const
{
    w.u16(antennaId);
    w.u8(requested);
    w.u16(gpiPort);
    w.u16(gpoPort);
}

bool GetReaderConfig::decode(Reader& r)
{
    return r.u16(antennaId) && r.u8(requested) && r.u16(gpiPort) && r.u16(gpoPort) &&
           forEachParam(r, [](Param&) { return true; });
}

void ReaderSettings::encode(Writer& w) const
{
    put(w, antennaProperties);
    put(w, antennaConfigurations);
    put(w, roReportSpec);
    put(w, accessReportSpec);
    put(w, keepaliveSpec);
    put(w, eventsAndReports);
}

bool ReaderSettings::take(Param& p, bool& taken)
{
    taken = true;
    if (is<AntennaProperties>(p))
        return add<AntennaProperties>(p, antennaProperties);
    if (is<AntennaConfiguration>(p))
        return add<AntennaConfiguration>(p, antennaConfigurations);
    if (is<RoReportSpec>(p))
        return opt(p, roReportSpec);
    if (is<AccessReportSpec>(p))
        return opt(p, accessReportSpec);
    if (is<KeepaliveSpec>(p))
        return opt(p, keepaliveSpec);
    if (is<EventsAndReports>(p))
        return opt(p, eventsAndReports);
    taken = false;
    return true;
}

void GetReaderConfigResponse::encode(Writer& w) const
{
    w.param(status);
    put(w, identification);
    settings.encode(w);
}

bool GetReaderConfigResponse::decode(Reader& r)
{
    *this = GetReaderConfigResponse();
    bool haveStatus = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (is<LlrpStatus>(p)) {
                                haveStatus = true;
                                return status.decode(p.body);
                            }
                            if (is<Identification>(p))
                                return opt(p, identification);
                            bool taken = false;
                            return settings.take(p, taken);
                        }) &&
           haveStatus;
}

void SetReaderConfig::encode(Writer& w) const
{
    w.u8(resetToFactoryDefault ? 0x80 : 0);
    settings.encode(w);
}

bool SetReaderConfig::decode(Reader& r)
{
    *this = SetReaderConfig();
    uint8_t flags = 0;
    if (!r.u8(flags))
        return false;
    resetToFactoryDefault = flags & 0x80;
    // ReaderEventNotificationSpec, GPO and GPI settings are skipped.
    return forEachParam(r, [this](Param& p) {
        bool taken = false;
        return settings.take(p, taken);
    });
}

void AddRoSpec::encode(Writer& w) const
{
    w.param(roSpec);
}

bool AddRoSpec::decode(Reader& r)
{
    bool have = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (!is<RoSpec>(p))
                                return true;
                            have = true;
                            return roSpec.decode(p.body);
                        }) &&
           have;
}

void AddAccessSpec::encode(Writer& w) const
{
    w.param(accessSpec);
}

bool AddAccessSpec::decode(Reader& r)
{
    bool have = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (!is<AccessSpec>(p))
                                return true;
                            have = true;
                            return accessSpec.decode(p.body);
                        }) &&
           have;
}

void RoAccessReport::encode(Writer& w) const
{
    put(w, tags);
}

bool RoAccessReport::decode(Reader& r)
{
    tags.clear();
    // RF survey data is skipped.
    return forEachParam(
        r, [this](Param& p) { return is<TagReportData>(p) ? add<TagReportData>(p, tags) : true; });
}

void ReaderEventNotification::encode(Writer& w) const
{
    w.param(data);
}

bool ReaderEventNotification::decode(Reader& r)
{
    bool have = false;
    return forEachParam(r,
                        [&](Param& p) {
                            if (!is<ReaderEventNotificationData>(p))
                                return true;
                            have = true;
                            return data.decode(p.body);
                        }) &&
           have;
}

} // namespace llrp
