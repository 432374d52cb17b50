// A zaltlink handle on an LLRP reader (ZALT_LLRPInit): one TCP connection, a receiver thread that
// matches responses to requests by message ID, acknowledges keepalives and queues tag reads, and the
// reader's identity from its capabilities. The calls with an LLRP meaning use it (docs/protocol.md).
#pragma once

#include "llrp/messages.h"
#include "wire/transport.h"
#include "zaltlink.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zaltlink {

// How long an LLRP request waits for its response.
constexpr int kRequestMs = 3000;

// What an inventory reads, and what a receive call wants: the 6C reader's three report kinds.
enum class ReadKind : uint8_t
{
    Epc,
    Tid,
    EpcTid
};

class LlrpLink
{
public:
    // Connects and takes the reader's identity; null with *code (a ZALT error code) on failure.
    static std::shared_ptr<LlrpLink> open(const std::string& ip, int port, int* code);
    ~LlrpLink();
    LlrpLink(const LlrpLink&) = delete;
    LlrpLink& operator=(const LlrpLink&) = delete;

    // Sends `req` and decodes its response into `resp`: 0 on success, else a ZALT error code (an
    // LLRPStatus other than success is the reader's refusal: ZALT_ERR_BAD_PARAMETER).
    template <class Req, class Resp> int request(const Req& req, Resp& resp, int timeoutMs)
    {
        llrp::Bytes answer;
        const int e = exchange(llrp::encodeMessage(req, nextId_++), answer, timeoutMs);
        if (e)
            return e;
        if (!llrp::decodeMessage(answer, resp))
            return ZALT_ERR_BAD_FRAME;
        return resp.status.code == llrp::status::Success ? 0 : int(ZALT_ERR_BAD_PARAMETER);
    }

    // Continuous inventory on these antennas; a TID kind adds an AccessSpec reading every tag's TID.
    int startInventory(const std::vector<uint16_t>& antennas, ReadKind kind);
    // Stops and deletes what startInventory added; nothing to do is no failure, as on a 6C reader.
    int stopInventory();
    ReadKind readKind() const { return readKind_; }
    bool popRead(llrp::TagReportData& out, int waitMs);
    void clearReads();

    bool linkLost() const { return lost_; }
    // Identity texts by the 6C record type: 0 maker, 1 model, 3 firmware.
    std::string identity(uint8_t type) const;
    uint64_t reads() const { return reads_; }
    // Reads dropped because the queue was full: nobody took them for a long while.
    uint64_t overflowed() const { return overflowed_; }

private:
    LlrpLink() = default;
    int exchange(const llrp::Bytes& message, llrp::Bytes& answer, int timeoutMs);
    bool write(const llrp::Bytes& message);
    void receive();
    void handle(const llrp::Bytes& message);
    void markLost();

    std::unique_ptr<wire::Transport> transport_;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> lost_{false};
    std::atomic<uint32_t> nextId_{1};
    std::atomic<uint64_t> reads_{0};
    std::atomic<uint64_t> overflowed_{0};
    std::mutex writeMutex_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::map<uint32_t, llrp::Bytes> answers_;
    std::deque<llrp::TagReportData> readQueue_;
    std::optional<uint16_t> connection_; // the reader's ConnectionAttemptEvent status
    int64_t lastHeardMs_ = 0;
    std::atomic<uint32_t> keepaliveMs_{0}; // 0 until open() asked for keepalives
    std::string maker_, model_, firmware_;

    // --- TID inventory and antennas (llrp_config.cpp for the antennas) -----------------------------
public:
    // LLRP switches no antenna on or off and knows no per-antenna dwell: both are kept here, for the
    // 6C record and for the antennas an antenna-0 inventory uses.
    struct AntennaState
    {
        bool enabled = true;
        uint8_t dwell = 1;
    };
    static constexpr int kRecordAntennas = 4;
    AntennaState antennaState(int antenna) const;
    void setAntennaStates(const std::array<AntennaState, kRecordAntennas>& states);
    // The enabled antennas this reader has, for an antenna-0 inventory.
    std::vector<uint16_t> enabledAntennas() const;
    int antennaCount() const { return antennaCount_; }
    // The reader's transmit power table from its capabilities (index, dBm × 100).
    const std::vector<llrp::TransmitPowerEntry>& powerTable() const { return powerTable_; }
    // Reads of a TID inventory whose TID read failed: not delivered, counted.
    uint64_t tidFailed() const { return tidFailed_; }
    void countTidFailed() { ++tidFailed_; }

private:
    std::atomic<ReadKind> readKind_{ReadKind::Epc};
    // What startInventory added and stopInventory has still to delete.
    std::atomic<bool> roSpecAdded_{false};
    std::atomic<bool> tidAccessAdded_{false};
    int antennaCount_ = kRecordAntennas;
    std::vector<llrp::TransmitPowerEntry> powerTable_;
    std::array<AntennaState, kRecordAntennas> antennas_{};
    std::atomic<uint64_t> tidFailed_{0};

    // --- tag operations (llrp_access.cpp) ---
public:
    // The 6C select for the next tag operations: null cancels it (every tag qualifies).
    void setSelect(std::optional<llrp::C1G2TargetTag> target);
    std::optional<llrp::C1G2TargetTag> select() const;
    // Runs `ops` once on the first tag `target` admits (every tag when null) seen on `antenna` (0: any)
    // and gives that tag's report with the OpSpec results: 0, or a ZALT error code; no tag within
    // waitMs is TagNotFound. Whatever it added to the reader is deleted again on every path.
    int access(const std::optional<llrp::C1G2TargetTag>& target, const std::vector<llrp::OpSpec>& ops,
               uint8_t antenna, int waitMs, llrp::TagReportData& out);

private:
    // Under mutex_: a report that answers the running access, or one to keep out of the read queue.
    void takeAccessReport(std::vector<llrp::TagReportData>& tags);
    std::mutex accessMutex_;                    // one tag operation at a time
    std::optional<llrp::C1G2TargetTag> select_; // under mutex_
    bool accessing_ = false;                    // under mutex_
    std::optional<llrp::TagReportData> accessReport_;
};

struct Session;

// The zaltlink calls on an LLRP reader (llrpSession()); each sets the handle's error as the 6C calls do.

// A ROSpec with one AISpec on `antennas` whose reports carry every read at once with `content`
// (TagReportContentSelector bits).
llrp::RoSpec immediateRoSpec(uint32_t id, std::vector<uint16_t> antennas, uint16_t content);

// The live link of an opened LLRP handle, or null with the handle's error set.
std::shared_ptr<LlrpLink> llrpLiveLink(Session& s);
// A call's result: 1 for code 0, else 0 with the handle's error set to code.
unsigned char llrpResult(Session& s, int code);
unsigned char llrpOpen(Session& s);
unsigned char llrpSysInfQuery(Session& s, uint8_t type, unsigned char* buf, unsigned char* len);
// antenna 0: every enabled antenna.
unsigned char llrpStartRead(Session& s, ReadKind kind, uint8_t antenna);
// bufA/lenA the EPC (the TID when want is Tid), bufB/lenB the TID when want is EpcTid.
unsigned char llrpReceive(Session& s, ReadKind want, unsigned char* antenna, unsigned char* bufA,
                          unsigned char* lenA, unsigned char* bufB, unsigned char* lenB, int waitMs);
unsigned char llrpPowerOff(Session& s);

// --- antennas (llrp_config.cpp) -------------------------------------------------------------------

// The table index for a power of centiDbm (dBm × 100): the highest power not above it; 0 when every
// entry is above it.
uint16_t llrpPowerIndex(const std::vector<llrp::TransmitPowerEntry>& table, int centiDbm);
// The 6C power byte and dBm: bytes 0 … 10 are 20 … 30 dBm, 16 … 35 are 0 … 19 dBm; -1 for another byte.
int llrpByteDbm(uint8_t byte);
uint8_t llrpDbmByte(int dbm); // dBm clamped to 0 … 30
unsigned char llrpAntennaQuery(Session& s, uint8_t antenna, unsigned char* enabled, unsigned char* power,
                               unsigned char* dwell);
unsigned char llrpAntennaSet(Session& s, const unsigned char* record, unsigned char len);

// --- tag operations (llrp_access.cpp) ---

// An AccessSpec that runs `ops` `count` times (0: until deleted) on the tags `target` admits (every
// tag when null), on `antenna` (0: any) of ROSpec `roSpecId` (0: any), reported when it ends.
llrp::AccessSpec makeAccessSpec(uint32_t id, uint32_t roSpecId, uint16_t antenna,
                                const std::optional<llrp::C1G2TargetTag>& target,
                                std::vector<llrp::OpSpec> ops, uint16_t count);
// Tags whose EPC is exactly `epc` (the PC word's length field included).
llrp::C1G2TargetTag epcTarget(const std::vector<uint8_t>& epc);

unsigned char llrpTagSelect(Session& s, uint8_t bank, int startBits, int lengthBits,
                            const unsigned char* data, unsigned char count);
unsigned char llrpReadUser(Session& s, uint8_t antenna, int start, int words, int timeMs, unsigned char* buf,
                           int* len);
unsigned char llrpWriteUser(Session& s, uint8_t antenna, uint32_t password, int start, int timeMs,
                            const unsigned char* data, int* words);
unsigned char llrpWriteEpc(Session& s, uint8_t antenna, uint32_t password, const unsigned char* epc,
                           unsigned char count);
unsigned char llrpTagLock(Session& s, uint8_t antenna, uint32_t password, uint8_t op, uint8_t area);
unsigned char llrpTagKill(Session& s, uint8_t antenna, uint32_t killPassword, const unsigned char* epc,
                          unsigned char count);
// killPassword: the kill password (reserved words 0-1), else the access password (words 2-3).
unsigned char llrpPasswordSet(Session& s, bool killPassword, uint8_t antenna, uint32_t oldPassword,
                              uint32_t newPassword);

} // namespace zaltlink
