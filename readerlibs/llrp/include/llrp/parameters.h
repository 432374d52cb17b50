// The LLRP parameters we use (docs/llrp.md lists them, with what we leave out): one struct per
// parameter, encode() writing its body (Writer::param adds the TLV header) and decode() reading it.
// Sub-parameters may come in any order; Custom and unknown TLV sub-parameters are skipped by their
// length. A decoder fails when a field runs past its parameter, or a parameter it requires is missing.
#pragma once

#include "llrp/codec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace llrp {

namespace status {
constexpr uint16_t Success = 0;
constexpr uint16_t ParameterError = 100;
constexpr uint16_t FieldError = 101;
constexpr uint16_t MissingParameter = 103;
constexpr uint16_t UnsupportedMessage = 109;
constexpr uint16_t UnsupportedVersion = 110;
constexpr uint16_t Invalid = 300;    // A_Invalid: an operation not allowed in the current state
constexpr uint16_t OutOfRange = 301; // A_OutOfRange
constexpr uint16_t DeviceError = 401;
} // namespace status

constexpr uint8_t kProtocolC1G2 = 1;

// Memory banks of a C1G2 tag as LLRP numbers them.
enum class Bank : uint8_t
{
    Reserved = 0,
    Epc = 1,
    Tid = 2,
    User = 3
};

struct LlrpStatus
{
    static constexpr uint16_t kType = 287;
    uint16_t code = status::Success;
    std::string description;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// A vendor's own parameter. Decoders skip them wherever they sit; a message that carries text of ours
// (the reader's maker and model names, for which LLRP has only numbers) keeps the ones at its top.
struct Custom
{
    static constexpr uint16_t kType = kCustomParameter;
    uint32_t vendor = 0;
    uint32_t subtype = 0;
    Bytes data;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// --- capabilities ------------------------------------------------------------------------------------

struct SensitivityEntry
{
    static constexpr uint16_t kType = 139;
    uint16_t index = 1;
    int16_t value = 0; // dB
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct GpioCapabilities
{
    static constexpr uint16_t kType = 141;
    uint16_t gpis = 0;
    uint16_t gpos = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct PerAntennaAirProtocol
{
    static constexpr uint16_t kType = 140;
    uint16_t antennaId = 1;
    Bytes protocols{kProtocolC1G2};
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct GeneralDeviceCapabilities
{
    static constexpr uint16_t kType = 137;
    uint16_t maxAntennas = 0;
    bool canSetAntennaProperties = false;
    bool hasUtcClock = true;
    uint32_t manufacturer = 0; // an IANA enterprise number: LLRP has no maker or model text
    uint32_t model = 0;
    std::string firmware;
    std::vector<SensitivityEntry> sensitivities;
    GpioCapabilities gpio;
    std::vector<PerAntennaAirProtocol> airProtocols;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct TransmitPowerEntry
{
    static constexpr uint16_t kType = 145;
    uint16_t index = 1;
    int16_t centiDbm = 0; // dBm × 100
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct FrequencyInformation
{
    static constexpr uint16_t kType = 146;
    bool hopping = false;
    std::vector<uint32_t> fixedKHz; // FixedFrequencyTable; hop tables are skipped
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct UhfBandCapabilities
{
    static constexpr uint16_t kType = 144;
    std::vector<TransmitPowerEntry> powerLevels;
    FrequencyInformation frequencies;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RegulatoryCapabilities
{
    static constexpr uint16_t kType = 143;
    uint16_t countryCode = 0;
    uint16_t communicationsStandard = 0;
    std::optional<UhfBandCapabilities> uhf;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// --- reader configuration ----------------------------------------------------------------------------

struct Identification
{
    static constexpr uint16_t kType = 218;
    uint8_t idType = 0; // 0 MAC address, 1 EPC
    Bytes readerId;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AntennaProperties
{
    static constexpr uint16_t kType = 221;
    bool connected = true;
    uint16_t antennaId = 1;
    int16_t gain = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RfReceiver
{
    static constexpr uint16_t kType = 223;
    uint16_t sensitivity = 1; // index into the sensitivity table
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RfTransmitter
{
    static constexpr uint16_t kType = 224;
    uint16_t hopTableId = 1;
    uint16_t channelIndex = 1;
    uint16_t transmitPower = 1; // index into the transmit power table
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AntennaConfiguration
{
    static constexpr uint16_t kType = 222;
    uint16_t antennaId = 0; // 0: every antenna
    std::optional<RfReceiver> receiver;
    std::optional<RfTransmitter> transmitter;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct TagReportContentSelector
{
    static constexpr uint16_t kType = 238;
    // Bits from the most significant down.
    enum : uint16_t
    {
        RoSpecId = 0x8000,
        SpecIndex = 0x4000,
        InventoryParameterSpecId = 0x2000,
        AntennaId = 0x1000,
        ChannelIndex = 0x0800,
        PeakRssi = 0x0400,
        FirstSeen = 0x0200,
        LastSeen = 0x0100,
        TagSeenCount = 0x0080,
        AccessSpecId = 0x0040,
    };
    uint16_t enabled = AntennaId | PeakRssi | FirstSeen | TagSeenCount;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RoReportSpec
{
    static constexpr uint16_t kType = 237;
    uint8_t trigger = 1; // 0 none, 1 after N tags or the end of the AISpec, 2 … of the ROSpec
    uint16_t n = 0;      // 0: no count limit
    TagReportContentSelector content;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AccessReportSpec
{
    static constexpr uint16_t kType = 239;
    uint8_t trigger = 0; // 0 with the RO report, 1 at the end of the AccessSpec
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct KeepaliveSpec
{
    static constexpr uint16_t kType = 220;
    uint8_t triggerType = 0; // 0 none, 1 periodic
    uint32_t periodMs = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct EventsAndReports
{
    static constexpr uint16_t kType = 226;
    bool holdUponReconnect = false;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// --- ROSpec ------------------------------------------------------------------------------------------

struct RoSpecStartTrigger
{
    static constexpr uint16_t kType = 179;
    uint8_t type = 0; // 0 none (START_ROSPEC), 1 immediate; periodic and GPI triggers are not used
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RoSpecStopTrigger
{
    static constexpr uint16_t kType = 182;
    uint8_t type = 0; // 0 none (STOP_ROSPEC), 1 duration
    uint32_t durationMs = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RoBoundarySpec
{
    static constexpr uint16_t kType = 178;
    RoSpecStartTrigger start;
    RoSpecStopTrigger stop;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AiSpecStopTrigger
{
    static constexpr uint16_t kType = 184;
    uint8_t type = 0; // 0 none (ends with the ROSpec), 1 duration
    uint32_t durationMs = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct InventoryParameterSpec
{
    static constexpr uint16_t kType = 186;
    uint16_t id = 1;
    uint8_t protocol = kProtocolC1G2;
    std::vector<AntennaConfiguration> antennas;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AiSpec
{
    static constexpr uint16_t kType = 183;
    std::vector<uint16_t> antennaIds{0}; // 0: every antenna
    AiSpecStopTrigger stop;
    std::vector<InventoryParameterSpec> inventory{InventoryParameterSpec()};
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct RoSpec
{
    static constexpr uint16_t kType = 177;
    uint32_t id = 1;
    uint8_t priority = 0;
    uint8_t currentState = 0; // 0 disabled, 1 inactive, 2 active
    RoBoundarySpec boundary;
    std::vector<AiSpec> aiSpecs;
    std::optional<RoReportSpec> report;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// --- AccessSpec --------------------------------------------------------------------------------------

struct C1G2TargetTag
{
    static constexpr uint16_t kType = 339;
    Bank bank = Bank::Epc;
    bool match = true;
    uint16_t pointer = 0; // bits
    uint16_t maskBits = 0;
    Bytes mask; // maskBits, padded to whole bytes
    uint16_t dataBits = 0;
    Bytes data;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2TagSpec
{
    static constexpr uint16_t kType = 338;
    std::vector<C1G2TargetTag> targets; // one or two
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2Read
{
    static constexpr uint16_t kType = 341;
    uint16_t opSpecId = 1;
    uint32_t accessPassword = 0;
    Bank bank = Bank::User;
    uint16_t wordPointer = 0;
    uint16_t wordCount = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2Write
{
    static constexpr uint16_t kType = 342;
    uint16_t opSpecId = 1;
    uint32_t accessPassword = 0;
    Bank bank = Bank::User;
    uint16_t wordPointer = 0;
    std::vector<uint16_t> data;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2Kill
{
    static constexpr uint16_t kType = 343;
    uint16_t opSpecId = 1;
    uint32_t killPassword = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2LockPayload
{
    static constexpr uint16_t kType = 345;
    enum Privilege : uint8_t
    {
        ReadWrite = 0,
        PermaLock = 1,
        PermaUnlock = 2,
        Unlock = 3
    };
    enum Field : uint8_t
    {
        KillPassword = 0,
        AccessPassword = 1,
        EpcMemory = 2,
        TidMemory = 3,
        UserMemory = 4
    };
    uint8_t privilege = ReadWrite;
    uint8_t field = UserMemory;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2Lock
{
    static constexpr uint16_t kType = 344;
    uint16_t opSpecId = 1;
    uint32_t accessPassword = 0;
    std::vector<C1G2LockPayload> payloads;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

using OpSpec = std::variant<C1G2Read, C1G2Write, C1G2Kill, C1G2Lock>;

struct AccessCommand
{
    static constexpr uint16_t kType = 209;
    C1G2TagSpec tagSpec;
    std::vector<OpSpec> opSpecs;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AccessSpecStopTrigger
{
    static constexpr uint16_t kType = 208;
    uint8_t type = 0; // 0 none, 1 after operationCount executions
    uint16_t operationCount = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct AccessSpec
{
    static constexpr uint16_t kType = 207;
    uint32_t id = 1;
    uint16_t antennaId = 0; // 0: any antenna
    uint8_t protocol = kProtocolC1G2;
    bool active = false;
    uint32_t roSpecId = 0; // 0: any ROSpec
    AccessSpecStopTrigger stop;
    AccessCommand command;
    std::optional<AccessReportSpec> report;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

// --- reports -----------------------------------------------------------------------------------------

// Result codes of the op specs (LLRP 1.0.1 numbering).
struct C1G2ReadOpSpecResult
{
    static constexpr uint16_t kType = 349;
    enum : uint8_t
    {
        Success = 0,
        TagError = 1,
        NoResponse = 2,
        ReaderError = 3,
        // Added in LLRP 1.1.
        ReadMemoryOverrun = 4,
        ReadMemoryLocked = 5,
        IncorrectPassword = 6
    };
    uint8_t result = Success;
    uint16_t opSpecId = 0;
    std::vector<uint16_t> data;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2WriteOpSpecResult
{
    static constexpr uint16_t kType = 350;
    enum : uint8_t
    {
        Success = 0,
        MemoryOverrun = 1,
        MemoryLocked = 2,
        InsufficientPower = 3,
        TagError = 4,
        NoResponse = 5,
        ReaderError = 6,
        IncorrectPassword = 7 // added in LLRP 1.1
    };
    uint8_t result = Success;
    uint16_t opSpecId = 0;
    uint16_t wordsWritten = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2KillOpSpecResult
{
    static constexpr uint16_t kType = 351;
    enum : uint8_t
    {
        Success = 0,
        ZeroKillPassword = 1,
        InsufficientPower = 2,
        TagError = 3,
        NoResponse = 4,
        ReaderError = 5,
        IncorrectPassword = 6 // added in LLRP 1.1
    };
    uint8_t result = Success;
    uint16_t opSpecId = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct C1G2LockOpSpecResult
{
    static constexpr uint16_t kType = 352;
    enum : uint8_t
    {
        Success = 0,
        InsufficientPower = 1,
        TagError = 2,
        NoResponse = 3,
        ReaderError = 4,
        // Added in LLRP 1.1.
        IncorrectPassword = 5,
        LockMemoryOverrun = 6,
        LockMemoryLocked = 7
    };
    uint8_t result = Success;
    uint16_t opSpecId = 0;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

using OpSpecResult =
    std::variant<C1G2ReadOpSpecResult, C1G2WriteOpSpecResult, C1G2KillOpSpecResult, C1G2LockOpSpecResult>;

struct TagReportData
{
    static constexpr uint16_t kType = 240;
    Bytes epc;
    uint16_t epcBits = 0;
    bool epc96 = false; // sent as the short EPC_96 form (epcBits must then be 96)
    std::optional<uint32_t> roSpecId;
    std::optional<uint16_t> specIndex;
    std::optional<uint16_t> inventoryParameterSpecId;
    std::optional<uint16_t> antennaId;
    std::optional<int8_t> peakRssi; // dBm
    std::optional<uint16_t> channelIndex;
    std::optional<uint64_t> firstSeenUtc; // microseconds since 1970
    std::optional<uint64_t> lastSeenUtc;
    std::optional<uint16_t> tagSeenCount;
    std::optional<uint16_t> pc;
    std::optional<uint32_t> accessSpecId;
    std::vector<OpSpecResult> results;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

struct ReaderEventNotificationData
{
    static constexpr uint16_t kType = 246;
    enum RoSpecEventType : uint8_t
    {
        RoSpecStarted = 0,
        RoSpecEnded = 1,
        RoSpecPreempted = 2
    };
    struct RoSpecEvent
    {
        uint8_t type = RoSpecStarted;
        uint32_t roSpecId = 0;
        uint32_t preemptingRoSpecId = 0;
    };
    uint64_t utcMicros = 0;
    std::optional<uint16_t> connectionAttempt; // 0 success, 1..4 refused (another connection exists …)
    bool connectionClose = false;
    std::optional<RoSpecEvent> roSpecEvent;
    void encode(Writer& w) const;
    bool decode(Reader& r);
};

} // namespace llrp
