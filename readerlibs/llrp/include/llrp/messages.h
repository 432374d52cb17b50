// The LLRP messages we use (docs/llrp.md): one struct per message, its body encoded and decoded like a
// parameter's (llrp/parameters.h). encodeMessage() adds the header; decodeMessage() checks it (version
// 1, the length is the buffer's, the type is the struct's) before decoding the body.
#pragma once

#include "llrp/codec.h"
#include "llrp/parameters.h"

#include <optional>
#include <vector>

namespace llrp {

namespace msg {
enum : uint16_t
{
    GetReaderCapabilities = 1,
    GetReaderConfig = 2,
    SetReaderConfig = 3,
    CloseConnectionResponse = 4,
    GetReaderCapabilitiesResponse = 11,
    GetReaderConfigResponse = 12,
    SetReaderConfigResponse = 13,
    CloseConnection = 14,
    AddRoSpec = 20,
    DeleteRoSpec = 21,
    StartRoSpec = 22,
    StopRoSpec = 23,
    EnableRoSpec = 24,
    DisableRoSpec = 25,
    AddRoSpecResponse = 30,
    DeleteRoSpecResponse = 31,
    StartRoSpecResponse = 32,
    StopRoSpecResponse = 33,
    EnableRoSpecResponse = 34,
    DisableRoSpecResponse = 35,
    AddAccessSpec = 40,
    DeleteAccessSpec = 41,
    EnableAccessSpec = 42,
    DisableAccessSpec = 43,
    AddAccessSpecResponse = 50,
    DeleteAccessSpecResponse = 51,
    EnableAccessSpecResponse = 52,
    DisableAccessSpecResponse = 53,
    RoAccessReport = 61,
    Keepalive = 62,
    ReaderEventNotification = 63,
    EnableEventsAndReports = 64,
    KeepaliveAck = 72,
    ErrorMessage = 100,
};
} // namespace msg

// A message without a body (KEEPALIVE, KEEPALIVE_ACK, ENABLE_EVENTS_AND_REPORTS, CLOSE_CONNECTION).
template <uint16_t Type> struct EmptyMessage
{
    static constexpr uint16_t kType = Type;
    void encode(Writer&) const {}
    bool decode(Reader& r)
    {
        return forEachParam(r, [](Param&) { return true; });
    }
};

// A body of one 32-bit ID (the ROSpec and AccessSpec lifecycle requests; 0 means all of them).
template <uint16_t Type> struct SpecIdMessage
{
    static constexpr uint16_t kType = Type;
    uint32_t id = 0;
    void encode(Writer& w) const { w.u32(id); }
    bool decode(Reader& r)
    {
        return r.u32(id) && forEachParam(r, [](Param&) { return true; });
    }
};

// A body of an LLRPStatus alone (most responses, and ERROR_MESSAGE).
template <uint16_t Type> struct StatusMessage
{
    static constexpr uint16_t kType = Type;
    LlrpStatus status;
    void encode(Writer& w) const { w.param(status); }
    bool decode(Reader& r)
    {
        bool have = false;
        return forEachParam(r,
                            [&](Param& p) {
                                if (p.tv || p.type != LlrpStatus::kType)
                                    return true;
                                have = true;
                                return status.decode(p.body);
                            }) &&
               have;
    }
};

using Keepalive = EmptyMessage<msg::Keepalive>;
using KeepaliveAck = EmptyMessage<msg::KeepaliveAck>;
using EnableEventsAndReports = EmptyMessage<msg::EnableEventsAndReports>;
using CloseConnection = EmptyMessage<msg::CloseConnection>;

using DeleteRoSpec = SpecIdMessage<msg::DeleteRoSpec>;
using StartRoSpec = SpecIdMessage<msg::StartRoSpec>;
using StopRoSpec = SpecIdMessage<msg::StopRoSpec>;
using EnableRoSpec = SpecIdMessage<msg::EnableRoSpec>;
using DisableRoSpec = SpecIdMessage<msg::DisableRoSpec>;
using DeleteAccessSpec = SpecIdMessage<msg::DeleteAccessSpec>;
using EnableAccessSpec = SpecIdMessage<msg::EnableAccessSpec>;
using DisableAccessSpec = SpecIdMessage<msg::DisableAccessSpec>;

using CloseConnectionResponse = StatusMessage<msg::CloseConnectionResponse>;
using SetReaderConfigResponse = StatusMessage<msg::SetReaderConfigResponse>;
using AddRoSpecResponse = StatusMessage<msg::AddRoSpecResponse>;
using DeleteRoSpecResponse = StatusMessage<msg::DeleteRoSpecResponse>;
using StartRoSpecResponse = StatusMessage<msg::StartRoSpecResponse>;
using StopRoSpecResponse = StatusMessage<msg::StopRoSpecResponse>;
using EnableRoSpecResponse = StatusMessage<msg::EnableRoSpecResponse>;
using DisableRoSpecResponse = StatusMessage<msg::DisableRoSpecResponse>;
using AddAccessSpecResponse = StatusMessage<msg::AddAccessSpecResponse>;
using DeleteAccessSpecResponse = StatusMessage<msg::DeleteAccessSpecResponse>;
using EnableAccessSpecResponse = StatusMessage<msg::EnableAccessSpecResponse>;
using DisableAccessSpecResponse = StatusMessage<msg::DisableAccessSpecResponse>;
using ErrorMessage = StatusMessage<msg::ErrorMessage>;

struct GetReaderCapabilities
{
    static constexpr uint16_t kType = msg::GetReaderCapabilities;
    enum : uint8_t
    {
        All = 0,
        General = 1,
        Llrp = 2,
        Regulatory = 3,
        AirProtocol = 4
    };
    uint8_t requested = All;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct GetReaderCapabilitiesResponse
{
    static constexpr uint16_t kType = msg::GetReaderCapabilitiesResponse;
    LlrpStatus status;
    std::optional<GeneralDeviceCapabilities> general;
    std::optional<RegulatoryCapabilities> regulatory;
    std::vector<Custom> custom; // readersim: vendor 0, subtype 1 the maker's name, 2 the model's
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct GetReaderConfig
{
    static constexpr uint16_t kType = msg::GetReaderConfig;
    enum : uint8_t
    {
        All = 0,
        Identification = 1,
        AntennaProperties = 2,
        AntennaConfiguration = 3,
        RoReportSpec = 4,
        AccessReportSpec = 6,
        KeepaliveSpec = 8,
        EventsAndReports = 11,
    };
    uint16_t antennaId = 0; // 0: every antenna
    uint8_t requested = All;
    uint16_t gpiPort = 0;
    uint16_t gpoPort = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// The settings both GET_READER_CONFIG_RESPONSE and SET_READER_CONFIG carry.
struct ReaderSettings
{
    std::vector<AntennaProperties> antennaProperties;
    std::vector<AntennaConfiguration> antennaConfigurations;
    std::optional<RoReportSpec> roReportSpec;
    std::optional<AccessReportSpec> accessReportSpec;
    std::optional<KeepaliveSpec> keepaliveSpec;
    std::optional<EventsAndReports> eventsAndReports;
    void encode(Writer& w) const;
    // Takes p when it is one of the settings; false on a malformed one.
    bool take(Param& p, bool& taken);
};

struct GetReaderConfigResponse
{
    static constexpr uint16_t kType = msg::GetReaderConfigResponse;
    LlrpStatus status;
    std::optional<Identification> identification;
    ReaderSettings settings;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct SetReaderConfig
{
    static constexpr uint16_t kType = msg::SetReaderConfig;
    bool resetToFactoryDefault = false;
    ReaderSettings settings;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AddRoSpec
{
    static constexpr uint16_t kType = msg::AddRoSpec;
    RoSpec roSpec;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AddAccessSpec
{
    static constexpr uint16_t kType = msg::AddAccessSpec;
    AccessSpec accessSpec;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RoAccessReport
{
    static constexpr uint16_t kType = msg::RoAccessReport;
    std::vector<TagReportData> tags;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct ReaderEventNotification
{
    static constexpr uint16_t kType = msg::ReaderEventNotification;
    ReaderEventNotificationData data;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// The whole message: header with `id`, then the body. Empty when the body cannot be framed (a
// parameter past 65535 bytes).
template <class M> Bytes encodeMessage(const M& m, uint32_t id)
{
    Bytes out;
    Writer w(out);
    w.u16(uint16_t((kVersion << 10) | M::kType));
    w.u32(0);
    w.u32(id);
    m.encode(w);
    if (!w.ok() || out.size() > kMaxMessageSize)
        return {};
    const size_t n = out.size();
    out[2] = uint8_t(n >> 24);
    out[3] = uint8_t(n >> 16);
    out[4] = uint8_t(n >> 8);
    out[5] = uint8_t(n);
    return out;
}

// False unless data is exactly one whole message of M's type and version 1 whose body decodes.
template <class M> bool decodeMessage(const uint8_t* data, size_t size, M& m, uint32_t* id = nullptr)
{
    Header h;
    if (!readHeader(data, size, h) || h.version != kVersion || h.type != M::kType || h.length != size)
        return false;
    Reader r(data + kHeaderSize, size - kHeaderSize);
    if (!m.decode(r))
        return false;
    if (id)
        *id = h.id;
    return true;
}

template <class M> bool decodeMessage(const Bytes& b, M& m, uint32_t* id = nullptr)
{
    return decodeMessage(b.data(), b.size(), m, id);
}

} // namespace llrp
