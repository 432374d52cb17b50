// Payloads of the GJB family (docs/protocol.md, section 7): one struct per request, answer and report
// layout, each with its encode()/decode() pair (wire/payload.h), on the frames, sequence numbers,
// retries and link-loss rules of the 6C family. gjbzaltlink builds its requests and reads its answers
// with them; readersim's GJB family reads the requests and builds the answers.
//
// Command            request                 answer
// Info               InfoRequest             Record (text)
// Capability         Empty                   CapabilityAnswer
// ConfigRead         ConfigReadRequest       Record
// ConfigWrite        ConfigWriteRequest      Empty
// Reboot, Reset, Stop, SingleRound, DisturbInit, AccessInvalid, RepairCount, EventQuery
//                    Empty                   Empty / RepairCountAnswer / EventAnswer
// ClockSet           ClockSetRequest         Empty
// SysTimeSet         SysTimeRequest          Empty
// ReportQuery        ReportQueryRequest      ReportAnswer
// ReportSet          ReportSetRequest        Empty
// SettingsQuery      SettingsQueryRequest    SettingsList
// SettingsSet        SettingsList            Empty
// Inventory          InventoryRequest        Empty
// SpecSet            SpecRecord              Empty
// SpecQuery          Empty                   SpecRecord
// SpecRun            RunRequest              Empty
// AccessRead, AccessErase  ReadRequest       Empty, then an AccessResult report
// AccessWrite        WriteRequest            Empty, then an AccessResult report
// AccessLock         LockRequest             Empty, then an AccessResult report
// AccessKill         KillRequest             Empty, then an AccessResult report
// AccessSpecQuery    Empty                   AccessSpecAnswer
// SensitivityTest    SensitivityRequest      Empty, then TestResult reports
// AirTest            Record (the frame)      Empty
// SecrecyPassword    SecrecyPasswordRequest  Empty
// SecrecyKill        SecrecyKillRequest      Empty
// RepairRead         IndexRequest            RepairRecordAnswer
// RepairWrite        TextRequest             Empty
// ElectronRead       SlotRequest             TextAnswer
// ElectronWrite      ElectronWriteRequest    Empty
// Reports: TagReport, AccessResult, TestResult; the protocol's Heartbeat as for 6C.
#pragma once

#include "wire/commands.h"
#include "wire/frame.h"
#include "wire/payload.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wire {
namespace gjb {

// Hello, Bye and Ping are the protocol's own (wire::cmd); these are the family's.
namespace cmd {
// System
constexpr uint8_t Info = 0x90;
constexpr uint8_t Capability = 0x91;
constexpr uint8_t ConfigRead = 0x92;
constexpr uint8_t ConfigWrite = 0x93;
constexpr uint8_t Reboot = 0x94;
constexpr uint8_t Reset = 0x95;
constexpr uint8_t ClockSet = 0x96;
constexpr uint8_t SysTimeSet = 0x97;
constexpr uint8_t ReportQuery = 0x98;
constexpr uint8_t ReportSet = 0x99;
constexpr uint8_t EventQuery = 0x9A;
// Settings
constexpr uint8_t SettingsQuery = 0xA0;
constexpr uint8_t SettingsSet = 0xA1;
// Inventory
constexpr uint8_t Inventory = 0xB0;
constexpr uint8_t Stop = 0xB1;
constexpr uint8_t SpecSet = 0xB2;
constexpr uint8_t SpecQuery = 0xB3;
constexpr uint8_t SpecRun = 0xB4;
constexpr uint8_t SingleRound = 0xB5;
// Tag access
constexpr uint8_t AccessRead = 0xC0;
constexpr uint8_t AccessWrite = 0xC1;
constexpr uint8_t AccessErase = 0xC2;
constexpr uint8_t AccessLock = 0xC3;
constexpr uint8_t AccessKill = 0xC4;
constexpr uint8_t AccessSpecQuery = 0xC5;
constexpr uint8_t AccessInvalid = 0xC6;
// Tests
constexpr uint8_t SensitivityTest = 0xD0;
constexpr uint8_t DisturbInit = 0xD1;
constexpr uint8_t AirTest = 0xD2;
// Secrecy module (its on/off state is a setting)
constexpr uint8_t SecrecyPassword = 0xE0;
constexpr uint8_t SecrecyKill = 0xE1;
// Records
constexpr uint8_t RepairCount = 0xE8;
constexpr uint8_t RepairRead = 0xE9;
constexpr uint8_t RepairWrite = 0xEA;
constexpr uint8_t ElectronRead = 0xEC;
constexpr uint8_t ElectronWrite = 0xED;
// Unsolicited frames (seq 0)
constexpr uint8_t TagReport = 0x88;
constexpr uint8_t AccessResult = 0x89;
constexpr uint8_t TestResult = 0x8A;
} // namespace cmd

// What an Info request asks for.
namespace info {
constexpr uint8_t Mcu = 0;
constexpr uint8_t Fpga = 1;
constexpr uint8_t Rf = 2;
constexpr uint8_t Linux = 3;
constexpr uint8_t RfType = 4;
constexpr uint8_t Summary = 5;
} // namespace info

// Settings, each a 32-bit value.
namespace setting {
constexpr uint8_t AntennaMask = 0x01;     // bit 0 port 1 ... bit 3 port 4
constexpr uint8_t FrequencyPoints = 0x02; // 20 bits, point n is bit 19 - n
constexpr uint8_t Modulation = 0x03;      // depth in percent
constexpr uint8_t RfPath = 0x04;          // 0 direct, 1 LNA
constexpr uint8_t InventoryMode = 0x05;   // 0 single tag, 1 several tags, 2 automatic
constexpr uint8_t CodeGradient = 0x06;
constexpr uint8_t Outputs = 0x07; // output levels, bit 0 output 1 ... bit 3 output 4
constexpr uint8_t Secrecy = 0x08; // secrecy function 0 off, 1 on
constexpr uint8_t Dhcp = 0x09;
constexpr uint8_t AllPower = 0x10; // set only: every antenna's power
constexpr uint8_t Power1 = 0x11;   // 0x11 ... 0x14: power of ports 1 ... 4, hundredths of dBm
constexpr uint8_t Dwell1 = 0x21;   // 0x21 ... 0x24: dwell time of ports 1 ... 4
constexpr uint8_t FilterGain = 0x30;
constexpr uint8_t FilterLowPass = 0x31;
constexpr uint8_t FilterHighPass = 0x32;
constexpr uint8_t IpAddress = 0x40; // the four octets, first octet most significant
constexpr uint8_t NetMask = 0x41;
constexpr uint8_t Gateway = 0x42;
} // namespace setting

// Tag-access operations as an AccessResult and AccessSpecAnswer name them.
namespace op {
constexpr uint8_t None = 0;
constexpr uint8_t Read = 1;
constexpr uint8_t Write = 2;
constexpr uint8_t Erase = 3;
constexpr uint8_t Lock = 4;
constexpr uint8_t Kill = 5;
} // namespace op

// Status of a tag operation in an AccessResult.
namespace tagstatus {
constexpr uint8_t Ok = 0;
constexpr uint8_t NoRight = 129;
constexpr uint8_t StorageError = 130;
constexpr uint8_t LowPower = 131;
constexpr uint8_t Reserved = 132;
constexpr uint8_t Locked = 133;
constexpr uint8_t WrongPassword = 134;
constexpr uint8_t NotIdentified = 135;
constexpr uint8_t Unknown = 136;
} // namespace tagstatus

// --- requests --------------------------------------------------------------------------------------

struct InfoRequest : Message<InfoRequest>
{
    uint8_t type = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.type); }
};

struct ConfigReadRequest : Message<ConfigReadRequest>
{
    uint8_t type = 0;
    uint16_t offset = 0;
    uint16_t count = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.type) && f(m.offset) && f(m.count);
    }
};

struct ConfigWriteRequest : Message<ConfigWriteRequest>
{
    uint8_t type = 0;
    std::vector<uint8_t> data;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.type) && f.rest(m.data); }
};

// Microseconds since 1970-01-01 UTC, whole seconds only.
struct ClockSetRequest : Message<ClockSetRequest>
{
    std::array<uint8_t, 8> micros{};
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.micros) && f.end(); }
};

// Local time as "yyyy-MM-dd hh:mm:ss".
struct SysTimeRequest : Message<SysTimeRequest>
{
    std::string text;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.counted8(m.text) && f.end(); }
};

struct ReportQueryRequest : Message<ReportQueryRequest>
{
    uint8_t type = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.type); }
};

struct ReportSetRequest : Message<ReportSetRequest>
{
    uint8_t status = 0;
    uint32_t value = 0;
    uint8_t reserved = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.status) && f(m.value) && f(m.reserved);
    }
};

struct Setting
{
    uint8_t id = 0;
    uint32_t value = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.id) && f(m.value); }
};

struct SettingsQueryRequest : Message<SettingsQueryRequest>
{
    std::vector<uint8_t> ids;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.counted8(m.ids) && f.end(); }
};

// The answer to SettingsQuery (values in the order asked) and the request of SettingsSet.
struct SettingsList : Message<SettingsList>
{
    std::vector<Setting> values;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.list8(m.values) && f.end(); }
};

struct InventoryRequest : Message<InventoryRequest>
{
    std::vector<uint8_t> antennas; // none: every antenna the mask enables
    uint8_t mode = 0;              // 0 until stopped, 1 for `duration` ms
    uint32_t duration = 0;
    uint8_t forwardLink = 0; // 0 12.5 us, 1 6.25 us
    uint8_t reserved = 0;
    uint8_t reverseLink = 0; // 0 ... 7
    uint8_t coding = 0;      // 0 FM0, 1 Miller 2, 2 Miller 4, 3 Miller 8
    uint8_t preamble = 0;    // 0 none, 1 with
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f.counted8(m.antennas) && f(m.mode) && f(m.duration) && f(m.forwardLink) && f(m.reserved) &&
               f(m.reverseLink) && f(m.coding) && f(m.preamble) && f.end();
    }
};

// The inventory settings a reader stores for SpecRun.
struct SpecRecord : Message<SpecRecord>
{
    std::vector<uint8_t> antennas;
    uint8_t mode = 0;
    uint32_t duration = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f.counted8(m.antennas) && f(m.mode) && f(m.duration) && f.end();
    }
};

struct RunRequest : Message<RunRequest>
{
    uint8_t run = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.run); }
};

// Which tag an access operation is for: with `match` set, the tag whose code area, from `startWord`,
// holds the ID's bits wherever the mask has a one.
struct AccessMatch
{
    uint16_t startWord = 0;
    uint16_t maskBits = 0;
    std::vector<uint8_t> mask;
    uint16_t idBits = 0;
    std::vector<uint8_t> id;
    uint8_t match = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.startWord) && f(m.maskBits) && f.counted8(m.mask) && f(m.idBits) && f.counted8(m.id) &&
               f(m.match);
    }
};

// Read and erase.
struct ReadRequest : Message<ReadRequest>
{
    AccessMatch target;
    uint8_t area = 0; // area index x 16 + user-area number
    uint16_t startWord = 0;
    uint16_t words = 0;
    uint32_t password = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return AccessMatch::fields(m.target, f) && f(m.area) && f(m.startWord) && f(m.words) &&
               f(m.password) && f.end();
    }
};

struct WriteRequest : Message<WriteRequest>
{
    AccessMatch target;
    uint8_t area = 0;
    uint16_t startWord = 0;
    uint32_t password = 0;
    std::vector<uint8_t> data; // whole words
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return AccessMatch::fields(m.target, f) && f(m.area) && f(m.startWord) && f(m.password) &&
               f.words16(m.data) && f.end();
    }
};

struct LockRequest : Message<LockRequest>
{
    AccessMatch target;
    uint16_t area = 0;
    uint8_t action = 0; // 0 read and write, 1 read only, 2 write only, 3 neither
    uint32_t password = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return AccessMatch::fields(m.target, f) && f(m.area) && f(m.action) && f(m.password) && f.end();
    }
};

struct KillRequest : Message<KillRequest>
{
    AccessMatch target;
    uint32_t password = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return AccessMatch::fields(m.target, f) && f(m.password) && f.end();
    }
};

struct SensitivityRequest : Message<SensitivityRequest>
{
    uint8_t mode = 0; // 1 start, 0 stop
    uint32_t count = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.mode) && f(m.count); }
};

struct SecrecyPasswordRequest : Message<SecrecyPasswordRequest>
{
    std::vector<uint8_t> oldPassword;
    std::vector<uint8_t> newPassword;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f.counted8(m.oldPassword) && f.counted8(m.newPassword) && f.end();
    }
};

struct SecrecyKillRequest : Message<SecrecyKillRequest>
{
    std::vector<uint8_t> password;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f.counted8(m.password) && f.end();
    }
};

struct IndexRequest : Message<IndexRequest>
{
    uint32_t index = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.index); }
};

struct TextRequest : Message<TextRequest>
{
    std::vector<uint8_t> text;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.counted8(m.text) && f.end(); }
};

struct SlotRequest : Message<SlotRequest>
{
    uint8_t slot = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.slot); }
};

struct ElectronWriteRequest : Message<ElectronWriteRequest>
{
    uint8_t slot = 0;
    std::vector<uint8_t> text;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.slot) && f.counted8(m.text) && f.end();
    }
};

// --- answers -----------------------------------------------------------------------------------------

struct CapabilityAnswer : Message<CapabilityAnswer>
{
    uint8_t antennas = 0;
    uint16_t minPower = 0; // hundredths of dBm
    uint16_t maxPower = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antennas) && f(m.minPower) && f(m.maxPower) && f.end();
    }
};

struct ReportAnswer : Message<ReportAnswer>
{
    std::array<uint8_t, 8> time{}; // the reader's clock, as ClockSetRequest
    uint8_t type = 0;
    uint8_t status = 0;
    uint32_t value = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.time) && f(m.type) && f(m.status) && f(m.value) && f.end();
    }
};

struct EventAnswer : Message<EventAnswer>
{
    uint32_t reportsSent = 0;
    uint32_t uptimeSeconds = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.reportsSent) && f(m.uptimeSeconds) && f.end();
    }
};

struct AccessSpecAnswer : Message<AccessSpecAnswer>
{
    uint8_t operation = op::None;
    uint8_t status = 0;
    uint8_t area = 0;
    uint8_t reserved = 0;
    uint16_t startWord = 0;
    uint16_t words = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.operation) && f(m.status) && f(m.area) && f(m.reserved) && f(m.startWord) && f(m.words) &&
               f.end();
    }
};

struct RepairCountAnswer : Message<RepairCountAnswer>
{
    uint32_t count = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.count) && f.end(); }
};

struct RepairRecordAnswer : Message<RepairRecordAnswer>
{
    std::array<uint8_t, 19> time{}; // "yyyy-MM-dd hh:mm:ss"
    std::vector<uint8_t> text;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.time) && f.counted8(m.text) && f.end();
    }
};

struct TextAnswer : Message<TextAnswer>
{
    std::vector<uint8_t> text;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.counted8(m.text) && f.end(); }
};

// --- reports -----------------------------------------------------------------------------------------

// One tag read by an inventory: its code area as the tag ID. The ID is a view: into the tag while
// encoding, into the received payload after decoding.
struct TagReport : Message<TagReport>
{
    uint32_t sequence = 0;
    uint8_t antenna = 0;
    ByteView id;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.sequence) && f(m.antenna) && f.counted8(m.id);
    }
};

// The outcome of a tag operation, sent after its request was accepted.
struct AccessResult : Message<AccessResult>
{
    uint32_t sequence = 0;
    uint8_t operation = op::None;
    uint8_t status = tagstatus::Ok;
    uint8_t antenna = 0;
    std::vector<uint8_t> id;   // the tag that answered; empty when none did
    std::vector<uint8_t> data; // words read
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.sequence) && f(m.operation) && f(m.status) && f(m.antenna) && f.counted8(m.id) &&
               f.words16(m.data) && f.end();
    }
};

// One result of a sensitivity test.
struct TestResult : Message<TestResult>
{
    uint32_t sequence = 0;
    uint16_t index = 0;
    std::array<uint8_t, 2> result{};
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.sequence) && f(m.index) && f(m.result);
    }
};

inline bool isReport(uint8_t c)
{
    return c == cmd::TagReport || c == cmd::AccessResult || c == cmd::TestResult;
}

// The report sequence number of a report frame; false for another frame or one too short for its
// layout, which the link then drops.
bool reportSequence(const Frame& f, uint32_t* out);

// The GJB reports, for wire::Connection.
constexpr ReportRule kReportRule{isReport, reportSequence};

// --- the report record ---------------------------------------------------------------------------------

// Where the receive call puts a report in the caller's buffer (gjbzaltlink.h repeats these). The ID
// length and the sequence are little-endian, the word count big-endian.
namespace record {
constexpr size_t IdLength = 0;    // 2 bytes
constexpr size_t Id = 2;          // up to 255 bytes; a test result's two bytes
constexpr size_t Antenna = 258;   // 1
constexpr size_t Kind = 259;      // 1: 1 tag, 2 tag operation, 3 test result
constexpr size_t Sequence = 260;  // 4
constexpr size_t Operation = 264; // 1: op:: of a tag operation
constexpr size_t Index = 265;     // 2, little-endian: a test result's number
constexpr size_t Status = 278;    // 1: tagstatus:: of a tag operation
constexpr size_t Words = 279;     // 2, high byte first
constexpr size_t Data = 281;      // 2 bytes per word
constexpr size_t HeaderSize = Data;
// No record is longer: the data of one frame at most.
constexpr size_t MaxSize = Data + kMaxPayload;
constexpr uint8_t KindTag = 1;
constexpr uint8_t KindAccess = 2;
constexpr uint8_t KindTest = 3;
} // namespace record

// Writes the record of a report frame into out, which holds `capacity` bytes: the header is zeroed
// and filled, data that does not fit is cut. Returns the bytes the record uses (at most capacity),
// or 0, writing nothing, for a frame that is no report or does not decode, or a capacity below the
// header.
size_t writeRecord(const Frame& f, uint8_t* out, size_t capacity);

} // namespace gjb
} // namespace wire
