#include "reader.h"

#include "wire/commands.h"

#include <sys/epoll.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

namespace wirelesszaltlink {

namespace err = wire::err;
namespace cmd = wire::cmd;
namespace m6c = wire::m6c;

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

uint32_t wallSeconds()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

} // namespace

Reader::Reader(WIRELESS_HANDLE h, uint64_t readerId, std::unique_ptr<wire::Transport> t,
               WIRELESS_ReaderCallback cb)
    : handle(h), id(readerId), transport(std::move(t)), callback(cb), lastTakenMs_(steadyMs()),
      lastAnnouncedMs_(steadyMs())
{
    lastHeard_ = wallSeconds();
}

Reader::~Reader() = default;

void Reader::consume(const uint8_t* data, size_t size)
{
    decoder_.feed(data, size);
    wire::Frame f;
    while (decoder_.next(f))
        dispatch(f);
    const uint64_t dropped = decoder_.framesDropped();
    if (dropped != decoderDropped_) {
        std::lock_guard<std::mutex> lk(mutex_);
        stats_.badFrames += dropped - decoderDropped_;
        decoderDropped_ = dropped;
    }
}

void Reader::consumeDatagram(const uint8_t* data, size_t size)
{
    wire::Frame f;
    if (wire::decodeDatagram(data, size, f)) {
        dispatch(f);
        return;
    }
    std::lock_guard<std::mutex> lk(mutex_);
    ++stats_.badFrames;
}

void Reader::dispatch(wire::Frame& f)
{
    lastHeard_ = wallSeconds();
    std::unique_lock<std::mutex> lk(mutex_);
    if (f.seq == 0 && cmd::isUnsolicited(f.cmd)) {
        const int64_t now = steadyMs();
        if (now - lastTakenMs_.load() >= kAnnounceAfterMs &&
            now - lastAnnouncedMs_.load() >= kAnnounceAfterMs) {
            lastAnnouncedMs_ = now;
            announce_ = true;
        }
        if (m6c::isTagReport(f.cmd)) {
            uint32_t s = 0;
            if (!m6c::reportSequence(f, &s)) {
                ++stats_.badFrames;
                return;
            }
            ++stats_.received;
            if (haveSeq_ && int32_t(s - lastSeq_) > 1)
                stats_.lost += uint32_t(s - lastSeq_ - 1);
            if (!haveSeq_ || int32_t(s - lastSeq_) > 0)
                lastSeq_ = s;
            haveSeq_ = true;
            const size_t cap = pending_.empty() && datagram() ? kQueueCap : kHardCap;
            if (reports_.size() >= cap) {
                ++stats_.overflowed;
                return;
            }
            reports_.push_back(std::move(f));
            f = wire::Frame();
            lk.unlock();
            reportCv_.notify_one();
            return;
        }
        if (f.cmd == cmd::IoEvent) {
            m6c::IoEventReport e;
            if (!e.decode(f.payload)) {
                ++stats_.badFrames;
                return;
            }
            IoRecord r{};
            r[0] = e.inputs & 1;
            r[1] = (e.inputs >> 1) & 1;
            std::copy(e.clock.begin(), e.clock.end(), r.begin() + 2);
            // Which line changed since the last event; unknown for the first one.
            const int changed = lastInputs_ < 0 ? 0 : ((e.inputs ^ lastInputs_) & 3);
            r[9] = changed == 1 ? 1 : changed == 2 ? 2 : 0;
            lastInputs_ = e.inputs;
            if (ioEvents_.size() >= kMaxIoEvents)
                ioEvents_.pop_front();
            ioEvents_.push_back(r);
        }
        return; // heartbeats only say the reader is there
    }
    for (Pending* p : pending_) {
        if (p->seq == f.seq && p->cmd == f.cmd && !p->done) {
            p->answer = std::move(f);
            f = wire::Frame();
            p->done = true;
            lk.unlock();
            answerCv_.notify_all();
            return;
        }
    }
    // A late or repeated answer: nobody waits for it.
}

bool Reader::takeAnnouncement()
{
    return announce_.exchange(false);
}

bool Reader::shouldPause() const
{
    std::lock_guard<std::mutex> lk(mutex_);
    return !datagram() && pending_.empty() && reports_.size() >= kQueueCap;
}

void Reader::attach(int epollFd)
{
    std::lock_guard<std::mutex> lk(mutex_);
    epollFd_ = epollFd;
}

void Reader::pause()
{
    std::lock_guard<std::mutex> lk(mutex_);
    if (paused_ || epollFd_ < 0 || !transport)
        return;
    // Hang-ups and errors are still reported, so a reader gone meanwhile is noticed.
    epoll_event ev{};
    ev.events = 0;
    ev.data.u64 = id;
    if (::epoll_ctl(epollFd_, EPOLL_CTL_MOD, transport->fd(), &ev) == 0)
        paused_ = true;
}

void Reader::resumeLocked()
{
    if (!paused_)
        return;
    paused_ = false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = id;
    ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, transport->fd(), &ev);
}

uint8_t Reader::allocSeqLocked()
{
    for (int tries = 0; tries < 256; ++tries) {
        const uint8_t s = nextSeq_++;
        if (nextSeq_ == 0)
            nextSeq_ = 1;
        if (s != 0 && std::none_of(pending_.begin(), pending_.end(), [s](Pending* p) { return p->seq == s; }))
            return s;
    }
    return 1;
}

int Reader::request(uint8_t command, const std::vector<uint8_t>& payload, wire::Frame& answer, int timeoutMs)
{
    if (closed() || !transport)
        return err::BadHandle;
    if (lost())
        return err::LinkLost;
    if (payload.size() > wire::kMaxPayload)
        return err::BadArgument;
    Pending p;
    p.cmd = command;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        p.seq = allocSeqLocked();
        pending_.push_back(&p);
        // The answer lies behind the reports not read yet.
        resumeLocked();
    }
    wire::Frame req;
    req.seq = p.seq;
    req.cmd = command;
    req.payload = payload;
    std::vector<uint8_t> bytes;
    wire::encodeTo(req, bytes);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int attemptMs = transport->retries() ? std::clamp(timeoutMs / 4, 100, 1000) : timeoutMs;
    auto forget = [&] {
        std::lock_guard<std::mutex> lk(mutex_);
        pending_.erase(std::remove(pending_.begin(), pending_.end(), &p), pending_.end());
    };
    for (;;) {
        {
            std::lock_guard<std::mutex> wl(writeMutex_);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (!transport->writeAll(bytes.data(), bytes.size(), std::max(1, int(left.count())))) {
                forget();
                // A stream that cannot take a frame within the timeout is stuck or gone.
                if (!transport->isDatagram())
                    markLost();
                return lost() ? err::LinkLost : err::Timeout;
            }
        }
        const auto attemptEnd = std::min(deadline, Clock::now() + std::chrono::milliseconds(attemptMs));
        std::unique_lock<std::mutex> lk(mutex_);
        answerCv_.wait_until(lk, attemptEnd, [&] { return p.done || lost() || closed(); });
        if (p.done || lost() || closed() || Clock::now() >= deadline) {
            pending_.erase(std::remove(pending_.begin(), pending_.end(), &p), pending_.end());
            if (!p.done)
                return closed() ? err::BadHandle : lost() ? err::LinkLost : err::Timeout;
            answer = std::move(p.answer);
            return err::None;
        }
        // Again with the same sequence number: the reader answers a repeat from its cache.
    }
}

void Reader::post(uint8_t command, const std::vector<uint8_t>& payload)
{
    if (!transport || lost())
        return;
    wire::Frame req;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        req.seq = allocSeqLocked();
    }
    req.cmd = command;
    req.payload = payload;
    std::vector<uint8_t> bytes;
    if (!wire::encodeTo(req, bytes))
        return;
    std::lock_guard<std::mutex> wl(writeMutex_);
    transport->writeAll(bytes.data(), bytes.size(), 300);
}

bool Reader::popReport(wire::Frame& out, int waitMs)
{
    std::unique_lock<std::mutex> lk(mutex_);
    if (reports_.empty() && waitMs > 0 && !lost() && !closed())
        reportCv_.wait_for(lk, std::chrono::milliseconds(waitMs),
                           [&] { return !reports_.empty() || lost() || closed(); });
    if (reports_.empty())
        return false;
    out = std::move(reports_.front());
    reports_.pop_front();
    if (reports_.size() <= kResumeAt)
        resumeLocked();
    return true;
}

bool Reader::popIoEvent(IoRecord& out)
{
    std::lock_guard<std::mutex> lk(mutex_);
    if (ioEvents_.empty())
        return false;
    out = ioEvents_.front();
    ioEvents_.pop_front();
    return true;
}

void Reader::touch()
{
    lastTakenMs_ = steadyMs();
}

void Reader::markLost()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        lost_.store(true, std::memory_order_release);
    }
    answerCv_.notify_all();
    reportCv_.notify_all();
}

void Reader::close()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        closed_.store(true, std::memory_order_release);
    }
    answerCv_.notify_all();
    reportCv_.notify_all();
}

Reader::Stats Reader::stats() const
{
    std::lock_guard<std::mutex> lk(mutex_);
    return stats_;
}

bool takeReport(const wire::Frame& f, Want want, unsigned char* antenna, unsigned char* bufA,
                unsigned char* lenA, unsigned char* bufB, unsigned char* lenB, bool* tooBig)
{
    *tooBig = false;
    m6c::TagReport r;
    if (!m6c::decodeTagReport(f, r))
        return false;
    const bool hasEpc = r.kind != cmd::ReportTid;
    const bool hasTid = r.kind != cmd::ReportEpc;
    if ((want == Want::Epc && !hasEpc) || (want == Want::Tid && !hasTid))
        return false; // a report of another kind
    const wire::ByteView a = want == Want::Tid ? r.tid : r.epc;
    const size_t capA = *lenA ? *lenA : 255;
    const size_t capB = (want == Want::Both && *lenB) ? *lenB : 255;
    if (a.size > capA || (want == Want::Both && r.tid.size > capB)) {
        *tooBig = true;
        return false;
    }
    *antenna = r.antenna;
    if (a.size)
        std::memcpy(bufA, a.data, a.size);
    *lenA = static_cast<unsigned char>(a.size);
    if (want == Want::Both) {
        if (r.tid.size)
            std::memcpy(bufB, r.tid.data, r.tid.size);
        *lenB = static_cast<unsigned char>(r.tid.size);
    }
    return true;
}

} // namespace wirelesszaltlink
