#include "readersim/simulator.h"

#include "dispatch.h"

#include <wire/commands.h>
#include <wire/frame.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

namespace readersim {

namespace {

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Reports pause while this much is queued on a link, so a slow reader of the stream throttles the
// inventory instead of growing memory; answers are always queued.
constexpr size_t kStreamHighWater = 256 * 1024;
constexpr size_t kUdpHighWater = 1024; // datagrams
constexpr size_t kAnswerCacheSize = 8;
// A client that sends requests and never reads its answers is dropped at this backlog.
constexpr size_t kMaxBacklog = 16 * 1024 * 1024;
// UDP peers are made by any datagram; beyond this many the longest-silent one is forgotten.
constexpr size_t kMaxUdpPeers = 256;
constexpr size_t kReportBatch = 1024;
constexpr int kIdleRetryMs = 20;

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

struct Link
{
    int id = 0;
    LinkKind kind = LinkKind::Tcp;
    int fd = -1;
    sockaddr_in peer{};
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

bool resolveIpv4(const std::string& host, in_addr* out)
{
    std::string h = host == "localhost" ? std::string("127.0.0.1") : host;
    return inet_pton(AF_INET, h.c_str(), out) == 1;
}

} // namespace

bool isLoopbackAddress(const std::string& host)
{
    in_addr a{};
    if (!resolveIpv4(host, &a)) {
        return false;
    }
    return (ntohl(a.s_addr) >> 24) == 127;
}

bool parseHostPort(const std::string& text, std::string* host, int* port)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) {
        return false;
    }
    std::string p = text.substr(colon + 1);
    if (p.size() > 5 || !std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    int v = std::stoi(p);
    if (v > 65535) {
        return false;
    }
    *host = text.substr(0, colon);
    *port = v;
    return true;
}

struct Simulator::Impl
{
    explicit Impl(const Options& o)
        : opt(o), model(o.seed, o.tags), latencyMs(o.latencyMs), dropP(o.dropP), corruptP(o.corruptP),
          cutAfter(o.cutAfter), faultReports(o.faultReports), rate(o.rate), rng(o.seed ^ 0xFA17u)
    {
    }

    Options opt;
    ReaderModel model;

    std::atomic<int> latencyMs;
    std::atomic<double> dropP;
    std::atomic<double> corruptP;
    std::atomic<long> cutAfter;
    std::atomic<bool> faultReports;
    std::atomic<double> rate;

    int wakeFd = -1;
    int listenFd = -1;
    int udpFd = -1;
    int ptyMaster = -1;
    int ptySlave = -1;
    std::atomic<int> tcpPortValue{0};
    std::atomic<int> udpPortValue{0};
    mutable std::mutex infoMutex;
    std::string ptyPathValue;

    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<bool> runningFlag{false};
    std::atomic<bool> inputsChanged{false};

    std::mutex postMutex;
    std::vector<std::function<void()>> posted;

    std::vector<std::unique_ptr<Link>> links;
    int nextLinkId = 1;
    int ownerId = 0; // the link the inventory reports go to
    double credit = 0;
    int64_t lastCreditMs = 0;
    int64_t idleUntil = 0;   // nothing to report: look again then, without spinning
    int64_t rebootUntil = 0; // deaf while "restarting"
    int64_t rebootDue = -1;  // a reboot command waits for its answer to leave
    int64_t startMs = 0;
    std::mt19937 rng;
    wire::Frame scratch;

    struct Counters
    {
        std::atomic<uint64_t> framesSent{0}, framesReceived{0}, badFrames{0}, answersDropped{0},
            framesCorrupted{0}, duplicateRequests{0}, linksCut{0}, connectionsAccepted{0};
    } counters;

    mutable std::mutex clientsMutex;
    mutable std::condition_variable clientsCv;
    int tcpClientCount = 0;

    // --- setup ---------------------------------------------------------------------------------------
    bool openTcp(std::string* error);
    bool openUdp(std::string* error);
    bool openPty(std::string* error);
    void closeAll();

    // --- event loop ----------------------------------------------------------------------------------
    void run();
    void wake()
    {
        uint64_t one = 1;
        ssize_t n = ::write(wakeFd, &one, sizeof one);
        (void)n;
    }
    void post(std::function<void()> f)
    {
        if (!runningFlag) {
            f();
            return;
        }
        {
            std::lock_guard<std::mutex> g(postMutex);
            posted.push_back(std::move(f));
        }
        wake();
    }
    void runPosted();
    int pollTimeout(int64_t now);
    void acceptClients(int64_t now);
    void readStream(Link& l, int64_t now);
    void readUdp(int64_t now);
    void handleFrame(Link& l, const wire::Frame& req, int64_t now);
    void queueAnswer(Link& l, std::vector<uint8_t> bytes, int64_t now);
    void transmit(Link& l, std::vector<uint8_t>&& bytes);
    bool maybeCorrupt(uint8_t* data, size_t len);
    bool chance(double p);
    void releaseDelayed(int64_t now);
    void generateReports(int64_t now);
    void sendUnsolicited(int64_t now);
    void flush(Link& l);
    void reap();
    void dropLink(Link& l, bool cut);
    void dropAllLinks(bool cut);
    void doReboot(int64_t now);
    Link* findLink(int id);
    Link& udpLinkFor(const sockaddr_in& peer);
};

// --- setup -------------------------------------------------------------------------------------------

bool Simulator::Impl::openTcp(std::string* error)
{
    in_addr addr{};
    if (!resolveIpv4(opt.tcpHost, &addr)) {
        *error = "bad TCP address: " + opt.tcpHost;
        return false;
    }
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int on = 1;
    setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(uint16_t(opt.tcpPort));
    if (::bind(listenFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(listenFd, 16) != 0) {
        *error = "TCP " + opt.tcpHost + ":" + std::to_string(opt.tcpPort) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof sa;
    getsockname(listenFd, reinterpret_cast<sockaddr*>(&sa), &len);
    tcpPortValue = ntohs(sa.sin_port);
    return true;
}

bool Simulator::Impl::openUdp(std::string* error)
{
    const std::string host = opt.udpHost.empty() ? opt.tcpHost : opt.udpHost;
    in_addr addr{};
    if (!resolveIpv4(host, &addr)) {
        *error = "bad UDP address: " + host;
        return false;
    }
    udpFd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (udpFd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int buf = 4 * 1024 * 1024;
    setsockopt(udpFd, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
    setsockopt(udpFd, SOL_SOCKET, SO_SNDBUF, &buf, sizeof buf);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(uint16_t(opt.udpPort));
    if (::bind(udpFd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        *error = "UDP " + host + ":" + std::to_string(opt.udpPort) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof sa;
    getsockname(udpFd, reinterpret_cast<sockaddr*>(&sa), &len);
    udpPortValue = ntohs(sa.sin_port);
    return true;
}

bool Simulator::Impl::openPty(std::string* error)
{
    int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
        *error = std::string("pseudo-terminal: ") + std::strerror(errno);
        if (m >= 0) {
            ::close(m);
        }
        return false;
    }
    char name[128] = {};
    if (ptsname_r(m, name, sizeof name) != 0) {
        *error = std::string("ptsname: ") + std::strerror(errno);
        ::close(m);
        return false;
    }
    // Holding the slave open keeps the master readable while no client has the device open, and lets
    // us put the line into raw mode (no echo, no newline translation) before anyone uses it.
    int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s < 0) {
        *error = std::string("open ") + name + ": " + std::strerror(errno);
        ::close(m);
        return false;
    }
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
    }
    ptyMaster = m;
    ptySlave = s;
    {
        std::lock_guard<std::mutex> g(infoMutex);
        ptyPathValue = name;
    }
    auto l = std::make_unique<Link>();
    l->id = nextLinkId++;
    l->kind = LinkKind::Pty;
    l->fd = m;
    links.push_back(std::move(l));
    return true;
}

void Simulator::Impl::closeAll()
{
    for (auto& l : links) {
        if (l->kind == LinkKind::Tcp && l->fd >= 0) {
            ::close(l->fd);
        }
    }
    links.clear();
    for (int* fd : {&listenFd, &udpFd, &ptyMaster, &ptySlave, &wakeFd}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    std::lock_guard<std::mutex> g(clientsMutex);
    tcpClientCount = 0;
}

// --- links -----------------------------------------------------------------------------------------

Link* Simulator::Impl::findLink(int id)
{
    for (auto& l : links) {
        if (l->id == id && !l->dead) {
            return l.get();
        }
    }
    return nullptr;
}

Link& Simulator::Impl::udpLinkFor(const sockaddr_in& peer)
{
    for (auto& l : links) {
        if (l->kind == LinkKind::Udp && !l->dead && l->peer.sin_addr.s_addr == peer.sin_addr.s_addr &&
            l->peer.sin_port == peer.sin_port) {
            return *l;
        }
    }
    size_t peers = 0;
    Link* oldest = nullptr;
    for (auto& l : links) {
        if (l->kind == LinkKind::Udp && !l->dead) {
            ++peers;
            if (l->id != ownerId && (!oldest || l->lastHeard < oldest->lastHeard)) {
                oldest = l.get();
            }
        }
    }
    if (peers >= kMaxUdpPeers && oldest) {
        dropLink(*oldest, false);
    }
    auto l = std::make_unique<Link>();
    l->id = nextLinkId++;
    l->kind = LinkKind::Udp;
    l->fd = udpFd;
    l->peer = peer;
    links.push_back(std::move(l));
    return *links.back();
}

void Simulator::Impl::dropLink(Link& l, bool cut)
{
    if (l.dead) {
        return;
    }
    l.dead = true;
    if (l.kind == LinkKind::Pty) {
        // Gone until reap() opens the next one: nobody should open the old name meanwhile.
        std::lock_guard<std::mutex> g(infoMutex);
        ptyPathValue.clear();
    }
    if (cut) {
        ++counters.linksCut;
    }
    if (ownerId == l.id) {
        model.stopInventory();
        ownerId = 0;
    }
    // The fd itself is released by reap(), after the poll set no longer refers to it.
}

void Simulator::Impl::dropAllLinks(bool cut)
{
    for (auto& l : links) {
        dropLink(*l, cut);
    }
}

void Simulator::Impl::reap()
{
    bool reopenPty = false;
    for (auto it = links.begin(); it != links.end();) {
        Link& l = **it;
        if (!l.dead) {
            ++it;
            continue;
        }
        if (l.kind == LinkKind::Tcp) {
            ::close(l.fd);
            std::lock_guard<std::mutex> g(clientsMutex);
            --tcpClientCount;
            clientsCv.notify_all();
        } else if (l.kind == LinkKind::Pty) {
            // The device vanishes (the client sees a hang-up) and comes back under a new name.
            ::close(ptyMaster);
            ::close(ptySlave);
            ptyMaster = ptySlave = -1;
            reopenPty = true;
        }
        it = links.erase(it);
    }
    if (reopenPty && !stopping) {
        std::string err;
        openPty(&err);
    }
}

bool Simulator::Impl::chance(double p)
{
    if (p <= 0) {
        return false;
    }
    if (p >= 1) {
        return true;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p;
}

bool Simulator::Impl::maybeCorrupt(uint8_t* data, size_t len)
{
    if (len == 0 || !chance(corruptP)) {
        return false;
    }
    size_t at = std::uniform_int_distribution<size_t>(0, len - 1)(rng);
    data[at] ^= uint8_t(std::uniform_int_distribution<int>(1, 255)(rng));
    ++counters.framesCorrupted;
    return true;
}

// Every frame leaves through here: counts it and applies the link cut.
void Simulator::Impl::transmit(Link& l, std::vector<uint8_t>&& bytes)
{
    if (l.dead || l.closeAfterFlush) {
        return;
    }
    if (l.kind == LinkKind::Udp) {
        if (l.datagrams.size() >= kMaxBacklog / 1024) {
            return; // the socket has been refusing for long: like a full network, the frame is lost
        }
        l.datagrams.push_back(std::move(bytes));
    } else {
        if (l.pendingBytes() >= kMaxBacklog) {
            dropLink(l, false);
            return;
        }
        l.out.insert(l.out.end(), bytes.begin(), bytes.end());
    }
    ++l.framesSent;
    ++counters.framesSent;
    long cut = cutAfter.load();
    if (cut >= 0 && l.framesSent >= uint64_t(cut)) {
        // Once: the next link works again, as a reconnecting host expects.
        cutAfter = -1;
        l.closeAfterFlush = true;
    }
}

void Simulator::Impl::queueAnswer(Link& l, std::vector<uint8_t> bytes, int64_t now)
{
    if (chance(dropP)) {
        ++counters.answersDropped;
        return;
    }
    maybeCorrupt(bytes.data(), bytes.size());
    int lat = latencyMs.load();
    if (lat > 0 || !l.delayed.empty()) {
        l.delayed.push_back(Delayed{now + std::max(lat, 0), std::move(bytes)});
        return;
    }
    transmit(l, std::move(bytes));
}

void Simulator::Impl::releaseDelayed(int64_t now)
{
    for (auto& lp : links) {
        Link& l = *lp;
        while (!l.dead && !l.delayed.empty() && l.delayed.front().due <= now) {
            transmit(l, std::move(l.delayed.front().bytes));
            l.delayed.pop_front();
        }
    }
}

void Simulator::Impl::handleFrame(Link& l, const wire::Frame& req, int64_t now)
{
    ++counters.framesReceived;
    if (now < rebootUntil) {
        return;
    }
    // A retry of a request already carried out gets the same answer again.
    for (const CachedAnswer& c : l.cache) {
        if (c.seq == req.seq && c.cmd == req.cmd) {
            ++counters.duplicateRequests;
            queueAnswer(l, c.bytes, now);
            return;
        }
    }
    wire::Frame ans;
    Effect effect = dispatch(model, req, ans);
    std::vector<uint8_t> bytes = wire::encode(ans);
    if (bytes.empty()) {
        // An answer that cannot be framed (a test gave a tag more memory than a frame holds).
        ans.status = wire::status::InternalError;
        ans.payload.clear();
        bytes = wire::encode(ans);
        effect = Effect::None;
    }
    if (req.seq != 0) {
        l.cache.push_back(CachedAnswer{req.seq, req.cmd, bytes});
        if (l.cache.size() > kAnswerCacheSize) {
            l.cache.pop_front();
        }
    }
    switch (effect) {
    case Effect::None:
        break;
    case Effect::Hello:
        l.session = true;
        l.reportSeq = 0;
        l.nextHeartbeat = now + opt.heartbeatMs;
        break;
    case Effect::Bye:
        l.session = false;
        if (ownerId == l.id) {
            model.stopInventory();
            ownerId = 0;
        }
        if (l.kind == LinkKind::Udp) {
            l.forgetAfterFlush = true;
        }
        break;
    case Effect::StartInventory:
        ownerId = l.id;
        credit = 0;
        lastCreditMs = now;
        idleUntil = 0;
        break;
    case Effect::StopInventory:
        ownerId = 0;
        break;
    case Effect::Reboot:
        rebootDue = now + std::max(latencyMs.load(), 0);
        break;
    }
    queueAnswer(l, std::move(bytes), now);
}

void Simulator::Impl::readStream(Link& l, int64_t now)
{
    uint8_t buf[65536];
    for (int round = 0; round < 16; ++round) {
        ssize_t n = ::read(l.fd, buf, sizeof buf);
        if (n > 0) {
            l.decoder.feed(buf, size_t(n));
            wire::Frame f;
            while (!l.dead && l.decoder.next(f)) {
                handleFrame(l, f, now);
            }
            uint64_t bad = l.decoder.framesDropped();
            counters.badFrames += bad - l.badSeen;
            l.badSeen = bad;
            if (size_t(n) < sizeof buf) {
                return;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        if (l.kind == LinkKind::Pty && n < 0 && errno == EIO) {
            return; // no client holds the device open; we keep the slave, so this is transient
        }
        dropLink(l, false);
        return;
    }
}

void Simulator::Impl::readUdp(int64_t now)
{
    static thread_local std::vector<uint8_t> buf(65536);
    for (int i = 0; i < 256; ++i) {
        sockaddr_in peer{};
        socklen_t plen = sizeof peer;
        ssize_t n = ::recvfrom(udpFd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&peer), &plen);
        if (n < 0) {
            return; // EAGAIN, or an ICMP error from an earlier send: nothing to read
        }
        if (now < rebootUntil) {
            continue;
        }
        wire::Frame f;
        if (!wire::decodeDatagram(buf.data(), size_t(n), f)) {
            ++counters.badFrames;
            continue;
        }
        Link& l = udpLinkFor(peer);
        l.lastHeard = now;
        handleFrame(l, f, now);
    }
}

void Simulator::Impl::acceptClients(int64_t now)
{
    for (;;) {
        int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (now < rebootUntil) {
            ::close(fd); // still restarting
            continue;
        }
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // A reader has little memory for outgoing frames; a huge kernel buffer would also keep
        // answers queued behind seconds of reports.
        int sndbuf = 64 << 10;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
        auto l = std::make_unique<Link>();
        l->id = nextLinkId++;
        l->kind = LinkKind::Tcp;
        l->fd = fd;
        links.push_back(std::move(l));
        ++counters.connectionsAccepted;
        std::lock_guard<std::mutex> g(clientsMutex);
        ++tcpClientCount;
        clientsCv.notify_all();
    }
}

void Simulator::Impl::flush(Link& l)
{
    if (l.dead) {
        return;
    }
    if (l.kind == LinkKind::Udp) {
        while (!l.datagrams.empty()) {
            const std::vector<uint8_t>& d = l.datagrams.front();
            ssize_t n = ::sendto(udpFd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&l.peer),
                                 sizeof l.peer);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
                return;
            }
            l.datagrams.pop_front(); // sent, or refused for good (nobody listens): either way done
        }
    } else {
        while (l.outPos < l.out.size()) {
            size_t len = l.out.size() - l.outPos;
            ssize_t n = l.kind == LinkKind::Tcp ? ::send(l.fd, l.out.data() + l.outPos, len, MSG_NOSIGNAL)
                                                : ::write(l.fd, l.out.data() + l.outPos, len);
            if (n > 0) {
                l.outPos += size_t(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                break;
            }
            dropLink(l, false);
            return;
        }
        if (l.outPos == l.out.size()) {
            l.out.clear();
            l.outPos = 0;
        } else if (l.outPos > l.out.size() / 2) {
            l.out.erase(l.out.begin(), l.out.begin() + long(l.outPos));
            l.outPos = 0;
        }
    }
    // A cut does not wait for a reader that never drains the link: what is still queued is lost.
    if (l.closeAfterFlush) {
        dropLink(l, true);
    } else if (l.forgetAfterFlush && !l.hasOutput()) {
        dropLink(l, false);
    }
}

void Simulator::Impl::generateReports(int64_t now)
{
    double r = rate.load();
    if (ownerId == 0) {
        return;
    }
    Link* l = findLink(ownerId);
    if (!l || l->closeAfterFlush || !l->delayed.empty() || now < idleUntil) {
        lastCreditMs = now;
        return;
    }
    size_t want = kReportBatch;
    if (r > 0) {
        credit += r * double(now - lastCreditMs) / 1000.0;
        // A stalled link does not earn a burst: at most a tenth of a second's worth waits.
        credit = std::min(credit, std::max(2.0, r / 10));
        lastCreditMs = now;
        want = std::min(want, size_t(credit));
    }
    if (want == 0 || l->congested()) {
        return;
    }
    const InventoryState inv = model.inventory();
    if (!inv.running) {
        ownerId = 0;
        return;
    }
    const bool faults = faultReports.load();
    size_t produced = 0;
    while (produced < want && !l->congested() && !l->closeAfterFlush) {
        size_t chunk = std::min<size_t>(want - produced, 256);
        size_t n = model.generateReports(chunk, now, [&](const Tag& t, const Report& rep) {
            encodeReport(inv.type, t, rep.antenna, ++l->reportSeq, scratch);
            if (faults && chance(dropP)) {
                model.uncountReport(rep);
                ++counters.answersDropped;
                return;
            }
            if (l->closeAfterFlush) {
                model.uncountReport(rep);
                return;
            }
            if (l->kind == LinkKind::Udp) {
                std::vector<uint8_t> d = wire::encode(scratch);
                if (faults) {
                    maybeCorrupt(d.data(), d.size());
                }
                transmit(*l, std::move(d));
            } else {
                // Straight into the link's buffer: no allocation per report at full rate.
                size_t start = l->out.size();
                wire::encodeTo(scratch, l->out);
                if (faults) {
                    maybeCorrupt(l->out.data() + start, l->out.size() - start);
                }
                ++l->framesSent;
                ++counters.framesSent;
                long cut = cutAfter.load();
                if (cut >= 0 && l->framesSent >= uint64_t(cut)) {
                    cutAfter = -1;
                    l->closeAfterFlush = true;
                }
            }
        });
        produced += n;
        if (n < chunk) {
            break;
        }
    }
    if (r > 0) {
        credit -= double(produced);
    }
    if (produced == 0) {
        idleUntil = now + kIdleRetryMs;
    }
}

void Simulator::Impl::sendUnsolicited(int64_t now)
{
    const bool faults = faultReports.load();
    auto emit = [&](Link& l, const wire::Frame& f) {
        if (l.congested()) {
            return; // nobody drains this link: do not pile up status frames
        }
        std::vector<uint8_t> bytes = wire::encode(f);
        if (faults) {
            if (chance(dropP)) {
                ++counters.answersDropped;
                return;
            }
            maybeCorrupt(bytes.data(), bytes.size());
        }
        transmit(l, std::move(bytes));
    };
    if (inputsChanged.exchange(false)) {
        wire::Frame f;
        f.cmd = wire::cmd::IoEvent;
        auto io = model.ioState();
        auto clock = model.clockRecord();
        f.payload.assign(io.begin(), io.end());
        f.payload.insert(f.payload.end(), clock.begin(), clock.end());
        for (auto& l : links) {
            if (!l->dead && l->session) {
                emit(*l, f);
            }
        }
    }
    if (opt.heartbeatMs <= 0) {
        return;
    }
    for (auto& l : links) {
        if (l->dead || !l->session || now < l->nextHeartbeat || now < rebootUntil) {
            continue;
        }
        l->nextHeartbeat = now + opt.heartbeatMs;
        wire::Frame f;
        f.cmd = wire::cmd::Heartbeat;
        wire::putU32(f.payload, l->reportSeq);
        wire::putU32(f.payload, uint32_t((now - startMs) / 1000));
        emit(*l, f);
    }
}

void Simulator::Impl::doReboot(int64_t now)
{
    // The answer to the reboot request goes out before the links drop.
    for (auto& l : links) {
        flush(*l);
    }
    for (auto& l : links) {
        if (l->kind != LinkKind::Pty) {
            dropLink(*l, false);
            continue;
        }
        // A serial line does not vanish when the reader restarts; only what the reader knew of the
        // session is gone.
        l->session = false;
        l->reportSeq = 0;
        l->cache.clear();
        l->delayed.clear();
        l->decoder.reset();
    }
    model.reboot();
    ownerId = 0;
    rebootUntil = now + std::max(opt.rebootMs, 0);
    rebootDue = -1;
}

void Simulator::Impl::runPosted()
{
    std::vector<std::function<void()>> jobs;
    {
        std::lock_guard<std::mutex> g(postMutex);
        jobs.swap(posted);
    }
    for (auto& j : jobs) {
        j();
    }
}

int Simulator::Impl::pollTimeout(int64_t now)
{
    int64_t next = now + 1000;
    auto consider = [&](int64_t t) { next = std::min(next, t); };
    for (auto& l : links) {
        if (!l->delayed.empty()) {
            consider(l->delayed.front().due);
        }
        if (l->session && opt.heartbeatMs > 0) {
            consider(l->nextHeartbeat);
        }
    }
    if (rebootDue >= 0) {
        consider(rebootDue);
    }
    if (ownerId != 0) {
        Link* l = findLink(ownerId);
        if (l && !l->congested() && l->delayed.empty()) {
            double r = rate.load();
            if (now < idleUntil) {
                consider(idleUntil);
            } else if (r <= 0) {
                consider(now);
            } else {
                // Wake when a report is due, but batch: never more often than every 2 ms.
                double waitMs = credit >= 1 ? 0 : (1 - credit) * 1000.0 / r;
                consider(now + std::max<int64_t>(2, int64_t(waitMs)));
            }
        }
    }
    return int(std::max<int64_t>(0, next - now));
}

void Simulator::Impl::run()
{
    startMs = nowMs();
    std::vector<pollfd> fds;
    std::vector<int> fdLink; // link id per pollfd, 0 for sockets without a link
    while (!stopping) {
        int64_t now = nowMs();
        fds.clear();
        fdLink.clear();
        fds.push_back({wakeFd, POLLIN, 0});
        fdLink.push_back(0);
        if (listenFd >= 0) {
            fds.push_back({listenFd, POLLIN, 0});
            fdLink.push_back(0);
        }
        bool udpOut = false;
        for (auto& l : links) {
            if (l->dead) {
                continue;
            }
            if (l->kind == LinkKind::Udp) {
                udpOut = udpOut || l->hasOutput();
                continue;
            }
            short ev = POLLIN;
            if (l->hasOutput()) {
                ev |= POLLOUT;
            }
            fds.push_back({l->fd, ev, 0});
            fdLink.push_back(l->id);
        }
        if (udpFd >= 0) {
            fds.push_back({udpFd, short(POLLIN | (udpOut ? POLLOUT : 0)), 0});
            fdLink.push_back(-1);
        }
        int n = ::poll(fds.data(), nfds_t(fds.size()), pollTimeout(now));
        if (n < 0 && errno != EINTR) {
            break;
        }
        now = nowMs();
        if (fds[0].revents & POLLIN) {
            uint64_t v;
            ssize_t r = ::read(wakeFd, &v, sizeof v);
            (void)r;
        }
        runPosted();
        for (size_t i = 1; i < fds.size(); ++i) {
            short re = fds[i].revents;
            if (re == 0) {
                continue;
            }
            if (fds[i].fd == listenFd && fdLink[i] == 0) {
                acceptClients(now);
            } else if (fdLink[i] == -1) {
                if (re & POLLIN) {
                    readUdp(now);
                }
            } else if (Link* l = findLink(fdLink[i])) {
                if (re & (POLLIN | POLLERR | POLLHUP)) {
                    readStream(*l, now);
                }
            }
        }
        releaseDelayed(now);
        generateReports(now);
        sendUnsolicited(now);
        for (auto& l : links) {
            flush(*l);
        }
        if (rebootDue >= 0 && now >= rebootDue) {
            doReboot(now);
        }
        reap();
    }
}

// --- public face -----------------------------------------------------------------------------------

Simulator::Simulator(Options options) : d(new Impl(options)) {}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(std::string* error)
{
    std::string dummy;
    std::string& err = error ? *error : dummy;
    if (d->runningFlag) {
        err = "already running";
        return false;
    }
    const Options& o = d->opt;
    if (o.family != "6c") {
        err = "unknown family: " + o.family + " (only 6c is simulated)";
        return false;
    }
    if (!o.tcp && !o.udp && !o.pty) {
        err = "no endpoint: give TCP, UDP or a pseudo-terminal";
        return false;
    }
    const std::string udpHost = o.udpHost.empty() ? o.tcpHost : o.udpHost;
    if (!o.allowAnyAddress) {
        if (o.tcp && !isLoopbackAddress(o.tcpHost)) {
            err = "refusing TCP address outside 127.0.0.0/8: " + o.tcpHost;
            return false;
        }
        if (o.udp && !isLoopbackAddress(udpHost)) {
            err = "refusing UDP address outside 127.0.0.0/8: " + udpHost;
            return false;
        }
    }
    if (o.tcpPort < 0 || o.tcpPort > 65535 || o.udpPort < 0 || o.udpPort > 65535) {
        err = "port out of range";
        return false;
    }
    d->stopping = false;
    d->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d->wakeFd < 0 || (o.tcp && !d->openTcp(&err)) || (o.udp && !d->openUdp(&err)) ||
        (o.pty && !d->openPty(&err))) {
        d->closeAll();
        return false;
    }
    Impl* impl = d.get();
    d->model.setInputObserver([impl] {
        impl->inputsChanged = true;
        impl->wake();
    });
    d->runningFlag = true;
    d->thread = std::thread([impl] { impl->run(); });
    return true;
}

void Simulator::stop()
{
    if (!d->runningFlag) {
        return;
    }
    d->stopping = true;
    d->wake();
    if (d->thread.joinable()) {
        d->thread.join();
    }
    d->runningFlag = false;
    d->model.setInputObserver(nullptr);
    d->model.stopInventory();
    d->ownerId = 0;
    d->closeAll();
}

bool Simulator::running() const
{
    return d->runningFlag;
}
int Simulator::tcpPort() const
{
    return d->tcpPortValue;
}
int Simulator::udpPort() const
{
    return d->udpPortValue;
}

std::string Simulator::ptyPath() const
{
    std::lock_guard<std::mutex> g(d->infoMutex);
    return d->ptyPathValue;
}

const Options& Simulator::options() const
{
    return d->opt;
}
ReaderModel& Simulator::model()
{
    return d->model;
}
uint64_t Simulator::reportsSent() const
{
    return d->model.reportsSent();
}
uint64_t Simulator::reportsSent(int antenna) const
{
    return d->model.reportsSent(antenna);
}

LinkStats Simulator::stats() const
{
    const Impl::Counters& c = d->counters;
    LinkStats s;
    s.framesSent = c.framesSent;
    s.framesReceived = c.framesReceived;
    s.badFrames = c.badFrames;
    s.answersDropped = c.answersDropped;
    s.framesCorrupted = c.framesCorrupted;
    s.duplicateRequests = c.duplicateRequests;
    s.linksCut = c.linksCut;
    s.connectionsAccepted = c.connectionsAccepted;
    return s;
}

int Simulator::tcpClients() const
{
    std::lock_guard<std::mutex> g(d->clientsMutex);
    return d->tcpClientCount;
}

bool Simulator::waitForClients(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> g(d->clientsMutex);
    return d->clientsCv.wait_for(g, std::chrono::milliseconds(timeoutMs),
                                 [&] { return d->tcpClientCount >= count; });
}

void Simulator::reboot()
{
    Impl* impl = d.get();
    impl->post([impl] { impl->doReboot(nowMs()); });
}

void Simulator::cutLinks()
{
    Impl* impl = d.get();
    impl->post([impl] { impl->dropAllLinks(true); });
}

void Simulator::setLatencyMs(int ms)
{
    d->latencyMs = ms;
}
void Simulator::setDropProbability(double p)
{
    d->dropP = p;
}
void Simulator::setCorruptProbability(double p)
{
    d->corruptP = p;
}
void Simulator::setCutAfter(long frames)
{
    d->cutAfter = frames;
}
void Simulator::setFaultReports(bool on)
{
    d->faultReports = on;
}

void Simulator::setRate(double reportsPerSecond)
{
    d->rate = reportsPerSecond;
    d->wake();
}

} // namespace readersim
