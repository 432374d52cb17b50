// A link to one reader: one receiver thread, requests matched to answers by sequence number,
// unsolicited frames queued. Safe for concurrent use by a few threads. The same for every reader
// family; what tells its tag reports apart is the ReportRule it is given.
#pragma once

#include "wire/frame.h"
#include "wire/transport.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace wire {

struct ReportStats
{
    uint64_t received = 0;   // tag reports decoded
    uint64_t lost = 0;       // gaps in the report sequence
    uint64_t doubled = 0;    // repeated or out-of-order report sequence numbers
    uint64_t overflowed = 0; // dropped because the queue was full
    uint64_t heartbeats = 0;
    uint64_t ioEvents = 0;
    uint64_t framesDropped = 0; // bad CRC or header on the link, or a tag report too short for its fields
};

class Connection
{
public:
    static constexpr size_t kMaxQueuedReports = 262144;
    // While a request waits for its answer the queue may grow to this, so the answer is not held
    // behind reports the consumer has not taken yet.
    static constexpr size_t kHardMaxQueuedReports = 4 * kMaxQueuedReports;
    static constexpr size_t kMaxRawBytes = 65536;
    static constexpr int kFullPauseMs = 250;
    // A reader sends a heartbeat about once a second while a session is open; a datagram link
    // that brings no frame at all for this long is counted as lost (docs/protocol.md).
    static constexpr int kDatagramSilenceMs = 3000;

    // `reports` tells the family's tag reports from its other unsolicited frames.
    Connection(std::unique_ptr<Transport> transport, ReportRule reports);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends a request and waits for its answer; returns 0 or an err:: code. On 0 the answer's status
    // may still be non-zero (the reader refused).
    int request(uint8_t cmd, const std::vector<uint8_t>& payload, Frame& answer, int timeoutMs);
    // Sends a request without waiting for the answer.
    int post(uint8_t cmd, const std::vector<uint8_t>& payload);

    // Takes the oldest tag report (a frame the ReportRule names), waiting up to waitMs; a link lost
    // meanwhile ends the wait.
    bool popReport(Frame& out, int waitMs);
    // Takes queued pass-through bytes, up to cap, waiting up to waitMs for the first.
    size_t popRaw(uint8_t* buf, size_t cap, int waitMs);
    void clearReports();
    void resetReportStats();

    bool linkLost() const { return lost_.load(std::memory_order_acquire); }
    ReportStats stats() const;
    // True once since the queue last overflowed.
    bool takeOverflowFlag() { return overflowFlag_.exchange(false); }

private:
    struct Pending
    {
        uint8_t seq;
        uint8_t cmd;
        bool done = false;
        Frame answer;
    };

    void run();
    void dispatch(Frame& f);
    void markLost();
    uint8_t allocSeq();            // mutex_ held
    void forgetLocked(Pending* p); // mutex_ held

    std::unique_ptr<Transport> t_;
    const ReportRule rule_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> overflowFlag_{false};

    std::mutex writeMutex_;

    mutable std::mutex mutex_; // pending, queues, stats
    std::condition_variable answerCv_;
    std::condition_variable reportCv_;
    std::condition_variable spaceCv_;
    std::vector<Pending*> pending_;
    uint8_t nextSeq_ = 1;
    std::deque<Frame> reports_;
    std::deque<uint8_t> raw_;
    ReportStats stats_;
    bool dropping_ = false; // the queue stayed full through a pause
    bool haveLastSeq_ = false;
    uint32_t lastSeq_ = 0;
};

} // namespace wire
