// A zaltlink handle on an LLRP reader (ZALT_LLRPInit): one TCP connection, a receiver thread that
// matches responses to requests by message ID, acknowledges keepalives and queues tag reads, and the
// reader's identity from its capabilities. The calls with an LLRP meaning use it (docs/protocol.md).
#pragma once

#include "llrp/messages.h"
#include "wire/transport.h"
#include "zaltlink.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zaltlink {

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

    // Continuous inventory: antenna 0 reads with every antenna.
    int startInventory(uint8_t antenna);
    int stopInventory();
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
};

struct Session;

// The zaltlink calls on an LLRP reader (llrpSession()); each sets the handle's error as the 6C calls do.
unsigned char llrpOpen(Session& s);
unsigned char llrpSysInfQuery(Session& s, uint8_t type, unsigned char* buf, unsigned char* len);
// readEpc: the EPC inventory; the TID reads have no LLRP meaning yet.
unsigned char llrpStartRead(Session& s, bool readEpc, uint8_t antenna);
unsigned char llrpReceive(Session& s, bool wantEpc, unsigned char* antenna, unsigned char* epc,
                          unsigned char* epcLen, int waitMs);
unsigned char llrpPowerOff(Session& s);

} // namespace zaltlink
