// One reader of the wireless server: its record, its link, the requests waiting for answers and the
// tag reports and input events it sent. The server's event thread feeds it the bytes it reads; any
// thread may send requests and take reports.
#pragma once

#include "wirelesszaltlink.h"

#include "wire/frame.h"
#include "wire/messages_6c.h"
#include "wire/transport.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace wirelesszaltlink {

constexpr int kIoRecordSize = 10;
using IoRecord = std::array<uint8_t, kIoRecordSize>;

int64_t steadyMs();

class Reader
{
public:
    // Reports queued while nobody takes them: at this many a stream link is no longer read (the
    // reader's own flow control holds it back); while a request waits for its answer the queue may
    // grow to the hard bound, beyond which reports are dropped and counted.
    static constexpr size_t kQueueCap = 8192;
    static constexpr size_t kResumeAt = kQueueCap / 2;
    static constexpr size_t kHardCap = 4 * kQueueCap;
    static constexpr size_t kMaxIoEvents = 64;
    // A reader heard from while nobody has taken its reports for this long is announced again.
    static constexpr int64_t kAnnounceAfterMs = 2000;

    Reader(WIRELESS_HANDLE handle, uint64_t id, std::unique_ptr<wire::Transport> transport,
           WIRELESS_ReaderCallback callback);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    WIRELESS_READER value() const { return reinterpret_cast<WIRELESS_READER>(&info); }

    // --- bytes in (the event thread) -------------------------------------------------------------------
    void consume(const uint8_t* data, size_t size); // a stream's bytes, resynchronising after damage
    void consumeDatagram(const uint8_t* data, size_t size);
    // True once when an unsolicited frame came while nobody took the reader's reports for a while.
    bool takeAnnouncement();
    // True when a stream link should not be read until reports are taken.
    bool shouldPause() const;

    // --- any thread -------------------------------------------------------------------------------------
    // Sends a request and waits for its answer: 0 or a wire::err code (the answer's status may still be
    // a refusal).
    int request(uint8_t cmd, const std::vector<uint8_t>& payload, wire::Frame& answer, int timeoutMs);
    void post(uint8_t cmd, const std::vector<uint8_t>& payload);
    // Takes the oldest tag report, waiting up to waitMs; queued reports are still given after the link
    // was lost.
    bool popReport(wire::Frame& out, int waitMs);
    bool popIoEvent(IoRecord& out);
    // The program takes this reader's reports: it is not announced again meanwhile.
    void touch();
    void markLost();
    bool lost() const { return lost_.load(std::memory_order_acquire); }
    // Taken out of the server: waiters return, every call fails from now on.
    void close();
    bool closed() const { return closed_.load(std::memory_order_acquire); }
    uint32_t lastHeard() const { return lastHeard_.load(); }

    // The server's epoll set, for pausing and resuming the link's reading.
    void attach(int epollFd);
    void pause();

    struct Stats
    {
        uint64_t received = 0;
        uint64_t lost = 0;
        uint64_t overflowed = 0;
        uint64_t badFrames = 0;
    };
    Stats stats() const;

    WirelessReaderInfo info{};
    const WIRELESS_HANDLE handle;
    const uint64_t id;
    const std::unique_ptr<wire::Transport> transport; // null only where bytes are fed by hand
    const WIRELESS_ReaderCallback callback;

private:
    struct Pending
    {
        uint8_t seq = 0;
        uint8_t cmd = 0;
        bool done = false;
        wire::Frame answer;
    };

    void dispatch(wire::Frame& f);
    void resumeLocked(); // mutex_ held
    uint8_t allocSeqLocked();
    bool datagram() const { return transport && transport->isDatagram(); }

    mutable std::mutex mutex_; // queues, pending, stats, pause state
    std::mutex writeMutex_;
    std::condition_variable answerCv_;
    std::condition_variable reportCv_;
    std::vector<Pending*> pending_;
    uint8_t nextSeq_ = 1;
    std::deque<wire::Frame> reports_;
    std::deque<IoRecord> ioEvents_;
    int lastInputs_ = -1;
    Stats stats_;
    bool haveSeq_ = false;
    uint32_t lastSeq_ = 0;
    int epollFd_ = -1;
    bool paused_ = false;
    wire::Decoder decoder_;
    uint64_t decoderDropped_ = 0;

    std::atomic<bool> lost_{false};
    std::atomic<bool> closed_{false};
    std::atomic<uint32_t> lastHeard_{0};
    std::atomic<int64_t> lastTakenMs_;
    std::atomic<int64_t> lastAnnouncedMs_;
    std::atomic<bool> announce_{false};
};

enum class Want
{
    Epc,
    Tid,
    Both
};

// Copies a tag report into the caller's buffers as the receive calls do. False for a report of another
// kind (or damaged); *tooBig when its data do not fit the capacities (length bytes, 0 meaning 255).
bool takeReport(const wire::Frame& f, Want want, unsigned char* antenna, unsigned char* bufA,
                unsigned char* lenA, unsigned char* bufB, unsigned char* lenB, bool* tooBig);

} // namespace wirelesszaltlink
