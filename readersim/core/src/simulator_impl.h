// The simulator's pieces and where they meet (private to readersim_core):
//   links     (links.cpp)      a peer each, its output queue, answer cache and session;
//   endpoints (endpoints.cpp)  the TCP listener, the UDP socket and the pseudo-terminal, each a source
//                              of links; another service on a socket of its own is one more Endpoint;
//   pacing    (pacing.cpp)     when the inventory's reports go, and the heartbeats and IO events;
//   faults    (faults.cpp)     latency, drops, corruption and cuts;
//   the loop  (simulator.cpp)  one event thread: poll, requests to the family, effects, reboots.
#pragma once

#include "family.h"

#include "readersim/module.h"
#include "readersim/simulator.h"

#include <wire/frame.h>

#include <netinet/in.h>
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace readersim {

int64_t nowMs(); // steady clock

// Reports pause while this much is queued on a link, so a slow reader of the stream throttles the
// inventory instead of growing memory; answers are always queued.
constexpr size_t kStreamHighWater = 256 * 1024;
constexpr size_t kUdpHighWater = 1024; // datagrams
constexpr size_t kAnswerCacheSize = 8;
// A client that sends requests and never reads its answers is dropped at this backlog.
constexpr size_t kMaxBacklog = 16 * 1024 * 1024;

class Endpoint;
struct Core;
struct PollSet;

enum class LinkKind
{
    Tcp,
    Pty,
    Udp
};

struct CachedAnswer
{
    uint8_t seq;
    uint8_t cmd;
    std::vector<uint8_t> bytes;
};

struct Delayed
{
    int64_t due;
    std::vector<uint8_t> bytes;
};

// One peer: a TCP connection, the pseudo-terminal, or a UDP client address.
struct Link
{
    int id = 0;
    LinkKind kind = LinkKind::Tcp;
    Endpoint* endpoint = nullptr; // where it came from
    int fd = -1;                  // the shared socket for UDP
    sockaddr_in peer{};           // UDP
    wire::Decoder decoder;
    std::vector<uint8_t> out;
    size_t outPos = 0;
    std::deque<std::vector<uint8_t>> datagrams;
    uint64_t framesSent = 0;
    bool session = false;
    uint32_t reportSeq = 0;
    std::deque<CachedAnswer> cache;
    std::deque<Delayed> delayed;
    bool dead = false;
    bool closeAfterFlush = false;
    bool forgetAfterFlush = false; // UDP Bye: the peer is no client any more
    int64_t nextHeartbeat = 0;
    int64_t lastHeard = 0;
    uint64_t badSeen = 0;

    size_t pendingBytes() const { return out.size() - outPos; }
    bool congested() const
    {
        return kind == LinkKind::Udp ? datagrams.size() >= kUdpHighWater : pendingBytes() >= kStreamHighWater;
    }
    bool hasOutput() const { return kind == LinkKind::Udp ? !datagrams.empty() : outPos < out.size(); }
};

// The descriptors of one pass of the event loop, each with the endpoint it belongs to.
struct PollSet
{
    std::vector<pollfd> fds;
    std::vector<std::pair<Endpoint*, int>> owners; // endpoint and the tag it gave

    void add(Endpoint* e, int fd, short events, int tag)
    {
        fds.push_back({fd, events, 0});
        owners.emplace_back(e, tag);
    }
};

// Something the event loop watches: a source of links (TCP listener, UDP socket, pseudo-terminal) or
// a service of the reader's on a socket of its own.
class Endpoint
{
public:
    virtual ~Endpoint() = default;
    virtual bool open(std::string* error) = 0;
    virtual void close() = 0;
    // Adds the descriptors to poll in this pass; each tag comes back in ready().
    virtual void watch(PollSet& set) = 0;
    virtual void ready(int tag, short revents, int64_t now) = 0;
    // A link of this endpoint is dropped: it takes no more traffic, and is closed at the end of the
    // loop's pass.
    virtual void linkDropped(Link&) {}
    // A link of this endpoint has been taken out of the loop; release what it holds.
    virtual void linkClosed(Link&) {}
    // Whether its links stay up over a reader restart (a serial line does not vanish).
    virtual bool keepsLinksOverReboot() const { return false; }
};

std::unique_ptr<Endpoint> makeTcpEndpoint(Core& sim);
std::unique_ptr<Endpoint> makeUdpEndpoint(Core& sim);
std::unique_ptr<Endpoint> makePtyEndpoint(Core& sim);
std::unique_ptr<Endpoint> makeWirelessEndpoint(Core& sim); // wireless.cpp

// Fault injection. The setters may be called from any thread; the dice are the event thread's.
class Faults
{
public:
    explicit Faults(const Options& o);

    void setLatencyMs(int ms) { latencyMs_ = ms; }
    void setDropProbability(double p) { dropP_ = p; }
    void setCorruptProbability(double p) { corruptP_ = p; }
    void setCutAfter(long frames) { cutAfter_ = frames; }
    void setReportsToo(bool on) { reportsToo_ = on; }

    int latencyMs() const { return latencyMs_.load(); }
    // Drops an answer (after its request was carried out), counted.
    bool dropAnswer();
    // Drops a report, heartbeat or IO event when faults apply to them too, counted.
    bool dropUnsolicited();
    void corruptAnswer(uint8_t* data, size_t len);
    void corruptUnsolicited(uint8_t* data, size_t len);
    // True once when an armed cut is due for a link that has sent `framesSent` frames; disarms it,
    // so the next link works again, as a reconnecting host expects.
    bool cutDue(uint64_t framesSent);

    uint64_t answersDropped() const { return answersDropped_; }
    uint64_t framesCorrupted() const { return framesCorrupted_; }

private:
    bool chance(double p);

    std::atomic<int> latencyMs_;
    std::atomic<double> dropP_;
    std::atomic<double> corruptP_;
    std::atomic<long> cutAfter_;
    std::atomic<bool> reportsToo_;
    std::mt19937 rng_;
    std::atomic<uint64_t> answersDropped_{0};
    std::atomic<uint64_t> framesCorrupted_{0};
};

// When the inventory's reports may go: `rate` per second through a token bucket, looked at no more
// often than every 2 ms so reports leave in small batches; rate 0 means as many as the link takes.
class Pacer
{
public:
    static constexpr size_t kBatch = 1024; // reports per loop pass at most
    static constexpr int kIdleRetryMs = 20;

    explicit Pacer(double rate) : rate_(rate) {}
    void setRate(double r) { rate_ = r; }
    double rate() const { return rate_.load(); }

    void restart(int64_t now); // a new inventory
    // The link cannot take reports now: no credit is earned meanwhile.
    void hold(int64_t now) { lastCreditMs_ = now; }
    bool idle(int64_t now) const { return now < idleUntil_; }
    // Reports that may go now.
    size_t allowance(int64_t now);
    // `n` reports went; none at all means nothing was eligible: look again after a pause.
    void spent(size_t n, int64_t now);
    // When a report is next due, for a link that can take it.
    int64_t nextDue(int64_t now) const;

private:
    std::atomic<double> rate_;
    double credit_ = 0;
    int64_t lastCreditMs_ = 0;
    int64_t idleUntil_ = 0;
};

// Everything behind a Simulator.
struct Core
{
    explicit Core(const Options& o) : opt(o), faults(o), pacer(o.rate) {}

    Options opt;
    std::unique_ptr<Family> family;
    ReaderModel* model = nullptr; // the 6C family's
    GjbModel* gjb = nullptr;      // the GJB family's
    std::unique_ptr<PassThroughModule> module;
    Faults faults;
    Pacer pacer;
    std::vector<std::unique_ptr<Endpoint>> endpoints;

    std::vector<std::unique_ptr<Link>> links;
    int nextLinkId = 1;
    int ownerId = 0;         // the link the inventory reports go to
    int64_t rebootUntil = 0; // deaf while "restarting"
    int64_t rebootDue = -1;  // a reboot command waits for its answer to leave
    int64_t startMs = 0;

    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<bool> runningFlag{false};
    std::atomic<bool> inputsChanged{false};
    std::mutex postMutex;
    std::vector<std::function<void()>> posted;

    struct Counters
    {
        std::atomic<uint64_t> framesSent{0}, framesReceived{0}, badFrames{0}, duplicateRequests{0},
            linksCut{0}, connectionsAccepted{0};
    } counters;

    // What the endpoints publish.
    std::atomic<int> tcpPortValue{0};
    std::atomic<int> udpPortValue{0};
    mutable std::mutex infoMutex;
    std::string ptyPathValue;
    mutable std::mutex clientsMutex;
    mutable std::condition_variable clientsCv;
    int tcpClientCount = 0;

    // --- links (links.cpp) ---------------------------------------------------------------------------
    Link& addLink(Endpoint* endpoint, LinkKind kind, int fd);
    Link* findLink(int id);
    void dropLink(Link& l, bool cut);
    void dropAllLinks(bool cut);
    void reap();
    void closeAll();
    // Bytes of a stream link arrived or it hung up.
    void readStream(Link& l, int64_t now);
    // Every frame leaves through here: counts it and applies the link cut.
    void transmit(Link& l, std::vector<uint8_t>&& bytes);
    void countFrameSent(Link& l);
    void queueAnswer(Link& l, std::vector<uint8_t> bytes, int64_t now);
    void releaseDelayed(int64_t now);
    void flush(Link& l);

    // --- requests and the loop (simulator.cpp) ---------------------------------------------------------
    void received(Link& l, const wire::Frame& request, int64_t now);
    void run();
    void wake();
    void post(std::function<void()> f);
    void runPosted();
    int pollTimeout(int64_t now);
    void doReboot(int64_t now);

    // --- reports, heartbeats, IO events (pacing.cpp) ----------------------------------------------------
    void generateReports(int64_t now);
    void sendUnsolicited(int64_t now);
    void emitUnsolicited(Link& l, const wire::Frame& f);
};

} // namespace readersim
