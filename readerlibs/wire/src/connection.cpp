#include "wire/connection.h"

#include "wire/commands.h"
#include "wire/payload.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace wire {

using Clock = std::chrono::steady_clock;

Connection::Connection(std::unique_ptr<Transport> transport, ReportRule reports)
    : t_(std::move(transport)), rule_(reports)
{
    int p[2];
    if (::pipe2(p, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = p[0];
        wakeWrite_ = p[1];
    }
    thread_ = std::thread([this] { run(); });
}

Connection::~Connection()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        stop_.store(true);
    }
    spaceCv_.notify_all();
    if (wakeWrite_ >= 0) {
        char c = 1;
        (void)!::write(wakeWrite_, &c, 1);
    }
    if (thread_.joinable())
        thread_.join();
    markLost();
    if (wakeRead_ >= 0)
        ::close(wakeRead_);
    if (wakeWrite_ >= 0)
        ::close(wakeWrite_);
}

void Connection::markLost()
{
    std::lock_guard<std::mutex> lk(mutex_);
    lost_.store(true, std::memory_order_release);
    answerCv_.notify_all();
    reportCv_.notify_all();
}

void Connection::run()
{
    std::vector<uint8_t> buf(65536); // a datagram's largest size, and a good read size for streams
    Decoder decoder;
    uint64_t decoderDropped = 0;
    Frame f;
    pollfd fds[2] = {{t_->fd(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const nfds_t nfds = wakeRead_ >= 0 ? 2 : 1;
    // UDP never reports a peer that went away: only the silence tells.
    const bool watchSilence = t_->isDatagram();
    auto lastFrame = Clock::now();
    while (!stop_.load()) {
        int timeout = wakeRead_ >= 0 ? -1 : 100;
        if (watchSilence) {
            const auto quiet =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastFrame).count();
            if (quiet >= kDatagramSilenceMs)
                break;
            const int left = int(kDatagramSilenceMs - quiet);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        int r = ::poll(fds, nfds, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (stop_.load())
            break;
        if (fds[0].revents & POLLNVAL)
            break;
        if (!(fds[0].revents & (POLLIN | POLLERR | POLLHUP)))
            continue;
        // Drain what is there; a hang-up with nothing left to read ends the link.
        bool gone = false;
        for (int round = 0; round < 64; ++round) {
            long n = t_->readSome(buf.data(), buf.size());
            if (n < 0) {
                gone = true;
                break;
            }
            if (n == 0)
                break;
            if (t_->isDatagram()) {
                if (decodeDatagram(buf.data(), size_t(n), f)) {
                    lastFrame = Clock::now();
                    dispatch(f);
                } else {
                    std::lock_guard<std::mutex> lk(mutex_);
                    ++stats_.framesDropped;
                }
            } else {
                decoder.feed(buf.data(), size_t(n));
                while (decoder.next(f))
                    dispatch(f);
                const uint64_t dropped = decoder.framesDropped();
                std::lock_guard<std::mutex> lk(mutex_);
                stats_.framesDropped += dropped - decoderDropped;
                decoderDropped = dropped;
            }
        }
        if (!gone && (fds[0].revents & POLLHUP) && !(fds[0].revents & POLLIN))
            gone = true;
        if (gone)
            break;
    }
    markLost();
}

void Connection::dispatch(Frame& f)
{
    std::unique_lock<std::mutex> lk(mutex_);
    if (f.seq == 0 && cmd::isUnsolicited(f.cmd)) {
        if (rule_.isReport(f.cmd)) {
            uint32_t s = 0;
            if (!rule_.sequence(f, &s)) {
                ++stats_.framesDropped;
                return;
            }
            ++stats_.received;
            if (haveLastSeq_) {
                const uint32_t expect = lastSeq_ + 1;
                const int32_t d = int32_t(s - expect);
                if (d > 0)
                    stats_.lost += uint32_t(d);
                if (d >= 0)
                    lastSeq_ = s;
                else
                    ++stats_.doubled;
            } else {
                haveLastSeq_ = true;
                lastSeq_ = s;
            }
            if (reports_.size() < kMaxQueuedReports) {
                dropping_ = false;
            } else if (!dropping_ && pending_.empty() && !t_->isDatagram()) {
                // Stop reading for a while so TCP or the serial line hold the reader back. Answers
                // queue behind the reports, so the pause is bounded: a consumer that has gone away
                // must not block requests. Once a pause ran out, drop until there is room again.
                // A request posted meanwhile ends the pause: its answer (a stop, typically) lies
                // behind the reports still in the socket.
                dropping_ = !spaceCv_.wait_for(lk, std::chrono::milliseconds(kFullPauseMs), [&] {
                    return reports_.size() < kMaxQueuedReports || stop_.load() || !pending_.empty();
                });
            }
            const size_t cap = pending_.empty() ? kMaxQueuedReports : kHardMaxQueuedReports;
            if (reports_.size() >= cap) {
                ++stats_.overflowed;
                overflowFlag_.store(true);
                return;
            }
            reports_.push_back(std::move(f));
            f = Frame();
            lk.unlock();
            reportCv_.notify_one();
            return;
        }
        switch (f.cmd) {
        case cmd::RawData: {
            Record raw;
            raw.decode(f.payload);
            const size_t room = kMaxRawBytes - raw_.size();
            raw_.insert(raw_.end(), raw.bytes.begin(),
                        raw.bytes.begin() + long(std::min(room, raw.bytes.size())));
            lk.unlock();
            reportCv_.notify_all();
            return;
        }
        case cmd::Heartbeat:
            ++stats_.heartbeats;
            return;
        case cmd::IoEvent:
            ++stats_.ioEvents;
            return;
        default:
            return;
        }
    }
    for (Pending* p : pending_) {
        if (p->seq == f.seq && p->cmd == f.cmd && !p->done) {
            p->answer = std::move(f);
            f = Frame();
            p->done = true;
            lk.unlock();
            answerCv_.notify_all();
            return;
        }
    }
    // A late or duplicated answer: nobody waits for it.
}

void Connection::forgetLocked(Pending* p)
{
    pending_.erase(std::remove(pending_.begin(), pending_.end(), p), pending_.end());
}

uint8_t Connection::allocSeq()
{
    // Called with mutex_ held. Skip 0 and sequence numbers still waiting for an answer.
    for (int tries = 0; tries < 256; ++tries) {
        uint8_t s = nextSeq_++;
        if (nextSeq_ == 0)
            nextSeq_ = 1;
        if (s == 0)
            continue;
        bool busy = std::any_of(pending_.begin(), pending_.end(), [s](Pending* p) { return p->seq == s; });
        if (!busy)
            return s;
    }
    return 1;
}

int Connection::post(uint8_t command, const std::vector<uint8_t>& payload)
{
    if (linkLost())
        return err::LinkLost;
    Frame req;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        req.seq = allocSeq();
    }
    req.cmd = command;
    req.payload = payload;
    std::vector<uint8_t> bytes;
    if (!encodeTo(req, bytes))
        return err::BadArgument;
    std::lock_guard<std::mutex> wl(writeMutex_);
    if (!t_->writeAll(bytes.data(), bytes.size(), 300)) {
        markLost();
        return err::LinkLost;
    }
    return err::None;
}

int Connection::request(uint8_t command, const std::vector<uint8_t>& payload, Frame& answer, int timeoutMs)
{
    if (linkLost())
        return err::LinkLost;
    Frame req;
    req.cmd = command;
    req.payload = payload;
    std::vector<uint8_t> bytes;
    if (payload.size() > kMaxPayload)
        return err::BadArgument;

    Pending p;
    p.cmd = command;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        p.seq = allocSeq();
        pending_.push_back(&p);
    }
    spaceCv_.notify_all(); // a receiver paused on a full queue must read on to the answer
    req.seq = p.seq;
    encodeTo(req, bytes);

    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    const int attemptMs = t_->retries() ? std::clamp(timeoutMs / 4, 100, 1000) : timeoutMs;

    for (;;) {
        {
            std::lock_guard<std::mutex> wl(writeMutex_);
            const int wt = std::max(
                1,
                int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
            if (!t_->writeAll(bytes.data(), bytes.size(), wt)) {
                {
                    std::lock_guard<std::mutex> lk(mutex_);
                    forgetLocked(&p);
                }
                // A stream that cannot take a frame within the timeout is stuck or gone.
                if (!t_->isDatagram())
                    markLost();
                return linkLost() ? err::LinkLost : err::Timeout;
            }
        }
        auto attemptEnd = std::min(deadline, Clock::now() + std::chrono::milliseconds(attemptMs));
        std::unique_lock<std::mutex> lk(mutex_);
        answerCv_.wait_until(lk, attemptEnd, [&] { return p.done || lost_.load(); });
        if (p.done || lost_.load() || Clock::now() >= deadline) {
            forgetLocked(&p);
            if (!p.done)
                return lost_.load() ? err::LinkLost : err::Timeout;
            answer = std::move(p.answer);
            return err::None;
        }
        // Resend with the same sequence number; the reader answers a duplicate from its cache.
    }
}

bool Connection::popReport(Frame& out, int waitMs)
{
    std::unique_lock<std::mutex> lk(mutex_);
    if (reports_.empty() && waitMs > 0)
        reportCv_.wait_for(lk, std::chrono::milliseconds(waitMs),
                           [&] { return !reports_.empty() || stop_.load() || lost_.load(); });
    if (reports_.empty())
        return false;
    const bool wasFull = reports_.size() >= kMaxQueuedReports;
    out = std::move(reports_.front());
    reports_.pop_front();
    if (wasFull) {
        lk.unlock();
        spaceCv_.notify_one();
    }
    return true;
}

size_t Connection::popRaw(uint8_t* buf, size_t cap, int waitMs)
{
    std::unique_lock<std::mutex> lk(mutex_);
    if (raw_.empty() && waitMs > 0)
        reportCv_.wait_for(lk, std::chrono::milliseconds(waitMs),
                           [&] { return !raw_.empty() || stop_.load(); });
    size_t n = std::min(cap, raw_.size());
    for (size_t i = 0; i < n; ++i) {
        buf[i] = raw_.front();
        raw_.pop_front();
    }
    return n;
}

void Connection::clearReports()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        reports_.clear();
    }
    spaceCv_.notify_all();
}

void Connection::resetReportStats()
{
    std::lock_guard<std::mutex> lk(mutex_);
    const uint64_t dropped = stats_.framesDropped;
    stats_ = ReportStats();
    stats_.framesDropped = dropped;
    haveLastSeq_ = false;
}

ReportStats Connection::stats() const
{
    std::lock_guard<std::mutex> lk(mutex_);
    return stats_;
}

} // namespace wire
