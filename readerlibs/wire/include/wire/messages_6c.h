// Payloads of the 6C family (docs/protocol.md, sections 3 and 4): one struct per request, answer and
// report layout, each with its encode()/decode() pair (wire/payload.h). The reader library builds its
// requests and reads its answers with them; readersim reads the requests and builds the answers.
//
// Command                               request              answer
// Hello                                 HelloRequest         HelloAnswer
// Bye, TimeQuery, PowerOff, IoStateQuery, ReadingIoQuery, FlashCount, FlashClear
//                                       Empty                (see below)
// Ping, RawSend                         Record               Record / Empty
// SysInfQuery, CommQuery, NetQuery, RfQuery, TagOpQuery
//                                       TypeRequest          Record
// SysInfSet, CommSet, NetSet, TagOpSet  TypedRecord          Empty
// ParmOp                                ParmOpRequest        Record (op 2) / Empty
// Reboot, EnterTrans                    ModeRequest          Empty
// Updata                                UpdateRequest        Empty
// TimeQuery                             Empty                ClockRecord
// TimeSet                               ClockRecord          Empty
// AntennaQuery                          AntennaRequest       AntennaAnswer
// AntennaSet                            AntennaRecord        Empty
// RfSet                                 FrequencySetRequest  Empty
// Carrier                               CarrierRequest       Empty
// IoOperate                             OutputRequest        Empty
// IoStateQuery                          Empty                IoStateAnswer
// ReadingIoQuery                        Empty                ByteAnswer
// ReadingIoConfig                       ByteRequest          Empty
// PulseQuery                            ByteRequest          ByteAnswer
// PulseSet                              PulseSetRequest      Empty
// FlashCount                            Empty                FlashCountAnswer
// ReadEpc, ReadTid, ReadEpcTid          InventoryRequest     Empty
// TagSelect                             TagSelectRequest     Empty
// ReadUser                              ReadUserRequest      UserWords
// WriteUser                             WriteUserRequest     WrittenAnswer
// WriteEpc                              WriteEpcRequest      Empty
// TagLock                               TagLockRequest       Empty
// TagKill                               TagKillRequest       Empty
// AccessPwdSet, KillPwdSet              PasswordSetRequest   Empty
// Reports: ReportEpc/ReportTid/ReportEpcTid TagReport, IoEvent IoEventReport, Heartbeat HeartbeatReport,
// RawData Record.
//
// Where a request may carry more than its fields (a query's type byte followed by anything), decoding
// ignores the rest; where the payload's length is part of the layout, `end()` refuses what follows.
#pragma once

#include "wire/commands.h"
#include "wire/frame.h"
#include "wire/payload.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace wire {
namespace m6c {

// --- requests --------------------------------------------------------------------------------------

struct HelloRequest : Message<HelloRequest>
{
    uint8_t version = kProtocolVersion;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.version); }
};

struct TypeRequest : Message<TypeRequest>
{
    uint8_t type = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.type); }
};

struct TypedRecord : Message<TypedRecord>
{
    uint8_t type = 0;
    std::vector<uint8_t> record;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.type) && f.rest(m.record); }
};

// op 0 restore defaults, 1 write `data` at `address`, 2 read `count` bytes from `address`.
struct ParmOpRequest : Message<ParmOpRequest>
{
    uint8_t op = 0;
    uint8_t address = 0;
    uint8_t count = 0;         // ops 0 and 2
    std::vector<uint8_t> data; // op 1: its count byte is the data's length
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.op) && f(m.address) && (m.op == 1 ? f.counted8(m.data) && f.end() : f(m.count));
    }
};

struct ModeRequest : Message<ModeRequest>
{
    uint8_t mode = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.mode); }
};

struct UpdateRequest : Message<UpdateRequest>
{
    uint8_t kind = 0;
    uint32_t size = 0;
    uint32_t checksum = 0; // the caller's four bytes, first byte most significant
    std::string name;      // at most 254 bytes
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.kind) && f(m.size) && f(m.checksum) && f.counted8(m.name) && f.end();
    }
};

// BCD: seconds, minutes, hours, day of week 1..7, day of month, month, year within the century.
struct ClockRecord : Message<ClockRecord>
{
    std::array<uint8_t, 7> record{};
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.record) && f.end(); }
};

struct AntennaRequest : Message<AntennaRequest>
{
    uint8_t antenna = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.antenna); }
};

// Enabled flags of antennas 1..4, their power bytes, their dwell times: 12 bytes; the reader refuses
// another length itself.
struct AntennaRecord : Message<AntennaRecord>
{
    std::vector<uint8_t> record;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.rest(m.record); }
};

struct FrequencySetRequest : Message<FrequencySetRequest>
{
    uint8_t type = 0;
    std::vector<uint8_t> points; // frequency point indices
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.type) && f.counted8(m.points) && f.end();
    }
};

struct CarrierRequest : Message<CarrierRequest>
{
    uint8_t operation = 0; // 1 on, 0 off
    uint8_t antenna = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.operation) && f(m.antenna);
    }
};

struct OutputRequest : Message<OutputRequest>
{
    uint8_t port = 0;   // 1..4
    uint8_t action = 0; // 0 low, 1 high, 2 positive pulse, 3 negative pulse
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.port) && f(m.action); }
};

// One byte: the read-triggered output setting, or a pulse line.
struct ByteRequest : Message<ByteRequest>
{
    uint8_t value = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.value); }
};

struct PulseSetRequest : Message<PulseSetRequest>
{
    uint8_t line = 0; // 0 buzzer, 1..4 outputs
    uint8_t width = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.line) && f(m.width); }
};

struct InventoryRequest : Message<InventoryRequest>
{
    uint8_t antenna = 0; // 0 all enabled antennas in turn, 1..4 that one
    uint8_t mode = 1;
    uint32_t preRead = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.mode) && f(m.preRead);
    }
};

struct TagSelectRequest : Message<TagSelectRequest>
{
    uint8_t bank = 0;
    uint16_t startBits = 0;
    uint16_t lengthBits = 0;
    std::vector<uint8_t> mask;
    std::vector<uint8_t> reserved{0, 0, 0}; // whatever follows the mask
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.bank) && f(m.startBits) && f(m.lengthBits) && f.counted8(m.mask) && f.rest(m.reserved);
    }
};

struct ReadUserRequest : Message<ReadUserRequest>
{
    uint8_t antenna = 0;
    uint16_t startWord = 0;
    uint16_t words = 0;
    uint32_t timeMs = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.startWord) && f(m.words) && f(m.timeMs);
    }
};

struct WriteUserRequest : Message<WriteUserRequest>
{
    uint8_t antenna = 0;
    uint8_t reserved = 0;
    uint32_t password = 0;
    uint16_t startWord = 0;
    uint32_t timeMs = 0;
    std::vector<uint8_t> data; // whole words
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.reserved) && f(m.password) && f(m.startWord) && f(m.timeMs) &&
               f.words16(m.data) && f.end();
    }
};

struct WriteEpcRequest : Message<WriteEpcRequest>
{
    uint8_t antenna = 0;
    uint8_t reserved = 0;
    uint32_t password = 0;
    std::vector<uint8_t> epc;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.reserved) && f(m.password) && f.counted8(m.epc) && f.end();
    }
};

struct TagLockRequest : Message<TagLockRequest>
{
    uint8_t antenna = 0;
    uint32_t password = 0;
    uint8_t operation = 0; // 0 lock, 1 unlock
    uint8_t area = 0;      // 2 EPC, 3 user, 4 access password, 5 kill password
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.password) && f(m.operation) && f(m.area);
    }
};

struct TagKillRequest : Message<TagKillRequest>
{
    uint8_t antenna = 0;
    uint32_t killPassword = 0;
    std::vector<uint8_t> epc;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.killPassword) && f.counted8(m.epc) && f.end();
    }
};

struct PasswordSetRequest : Message<PasswordSetRequest>
{
    uint8_t antenna = 0;
    uint8_t reserved = 0;
    uint32_t oldPassword = 0;
    uint32_t newPassword = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.antenna) && f(m.reserved) && f(m.oldPassword) && f(m.newPassword);
    }
};

// --- answers -----------------------------------------------------------------------------------------

struct HelloAnswer : Message<HelloAnswer>
{
    uint8_t version = kProtocolVersion;
    uint8_t family = kFamily6C;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.version) && f(m.family); }
};

struct AntennaAnswer : Message<AntennaAnswer>
{
    uint8_t enabled = 0;
    uint8_t power = 0;
    uint8_t dwell = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.enabled) && f(m.power) && f(m.dwell) && f.end();
    }
};

struct IoStateAnswer : Message<IoStateAnswer>
{
    uint8_t inputs = 0;  // bit 0 input 0, bit 1 input 1
    uint8_t outputs = 0; // bits 0..3 outputs 1..4
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.inputs) && f(m.outputs) && f.end();
    }
};

struct ByteAnswer : Message<ByteAnswer>
{
    uint8_t value = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.value) && f.end(); }
};

struct FlashCountAnswer : Message<FlashCountAnswer>
{
    uint32_t count = 0xFFFFFFFFu; // all ones: the store is empty
    std::array<uint8_t, 3> reserved{};
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.count) && f(m.reserved) && f.end();
    }
};

struct UserWords : Message<UserWords>
{
    std::vector<uint8_t> data; // whole words
    template <class Self, class F> static bool fields(Self& m, F& f) { return f.words16(m.data) && f.end(); }
};

struct WrittenAnswer : Message<WrittenAnswer>
{
    uint16_t words = 0;
    template <class Self, class F> static bool fields(Self& m, F& f) { return f(m.words) && f.end(); }
};

// --- reports -----------------------------------------------------------------------------------------

// ReportEpc, ReportTid and ReportEpcTid: `kind` is the frame's command and chooses the fields. The
// data fields are views: into the tag while encoding, into the received payload after decoding.
struct TagReport : Message<TagReport>
{
    uint8_t kind = cmd::ReportEpc;
    uint32_t sequence = 0;
    uint8_t antenna = 0;
    ByteView epc; // ReportEpc, ReportEpcTid
    ByteView tid; // ReportTid, ReportEpcTid
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        if (!f(m.sequence) || !f(m.antenna))
            return false;
        switch (m.kind) {
        case cmd::ReportEpc:
            return f.counted8(m.epc);
        case cmd::ReportTid:
            return f.counted8(m.tid);
        case cmd::ReportEpcTid:
            return f.counted8(m.epc) && f.counted8(m.tid);
        default:
            return false;
        }
    }
};

inline bool isTagReport(uint8_t c)
{
    return c == cmd::ReportEpc || c == cmd::ReportTid || c == cmd::ReportEpcTid;
}

// Decodes a tag report frame of any of the three kinds; false for another frame or a damaged payload.
inline bool decodeTagReport(const Frame& f, TagReport& out)
{
    if (!isTagReport(f.cmd))
        return false;
    out.kind = f.cmd;
    return out.decode(f.payload);
}

// Makes `out` the unsolicited frame of a report, reusing its payload storage.
inline void encodeTagReport(const TagReport& r, Frame& out)
{
    out.seq = 0;
    out.cmd = r.kind;
    out.status = 0;
    out.payload.clear();
    r.encode(out.payload);
}

inline bool reportSequence(const Frame& f, uint32_t* out)
{
    TagReport r;
    if (!decodeTagReport(f, r))
        return false;
    *out = r.sequence;
    return true;
}

// The 6C tag reports, for wire::Connection.
constexpr ReportRule kReportRule{isTagReport, reportSequence};

struct IoEventReport : Message<IoEventReport>
{
    uint8_t inputs = 0;
    uint8_t outputs = 0;
    std::array<uint8_t, 7> clock{}; // as ClockRecord
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.inputs) && f(m.outputs) && f(m.clock);
    }
};

struct HeartbeatReport : Message<HeartbeatReport>
{
    uint32_t lastReportSequence = 0;
    uint32_t uptimeSeconds = 0;
    template <class Self, class F> static bool fields(Self& m, F& f)
    {
        return f(m.lastReportSequence) && f(m.uptimeSeconds);
    }
};

} // namespace m6c
} // namespace wire
