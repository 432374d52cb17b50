// The reader's link endpoints: a TCP listener with its connections, a UDP socket with a link per
// client address, and a pseudo-terminal that plays the serial port.
#include "simulator_impl.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace readersim {

namespace {

// UDP peers are made by any datagram; beyond this many the longest-silent one is forgotten.
constexpr size_t kMaxUdpPeers = 256;

bool resolveIpv4(const std::string& host, in_addr* out)
{
    std::string h = host == "localhost" ? std::string("127.0.0.1") : host;
    return inet_pton(AF_INET, h.c_str(), out) == 1;
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Binds a non-blocking socket of `type` to host:port; the port actually bound goes to *bound.
int bindSocket(int type, const std::string& what, const std::string& host, int port, int* bound,
               std::string* error)
{
    in_addr addr{};
    if (!resolveIpv4(host, &addr)) {
        *error = "bad " + what + " address: " + host;
        return -1;
    }
    int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return -1;
    }
    if (type == SOCK_STREAM) {
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    } else {
        int buf = 4 * 1024 * 1024;
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buf, sizeof buf);
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(uint16_t(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, 16) != 0)) {
        *error = what + " " + host + ":" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    *bound = ntohs(sa.sin_port);
    return fd;
}

class TcpEndpoint : public Endpoint
{
public:
    explicit TcpEndpoint(Core& core) : d(core) {}

    bool open(std::string* error) override
    {
        int port = 0;
        listenFd_ = bindSocket(SOCK_STREAM, "TCP", d.opt.tcpHost, d.opt.tcpPort, &port, error);
        d.tcpPortValue = port;
        return listenFd_ >= 0;
    }

    void close() override { closeFd(listenFd_); }

    void watch(PollSet& set) override
    {
        set.add(this, listenFd_, POLLIN, 0);
        for (auto& l : d.links) {
            if (l->endpoint == this && !l->dead) {
                set.add(this, l->fd, short(POLLIN | (l->hasOutput() ? POLLOUT : 0)), l->id);
            }
        }
    }

    void ready(int tag, short revents, int64_t now) override
    {
        if (tag == 0) {
            accept(now);
        } else if (Link* l = d.findLink(tag)) {
            if (revents & (POLLIN | POLLERR | POLLHUP)) {
                d.readStream(*l, now);
            }
        }
    }

    void linkClosed(Link& l) override
    {
        ::close(l.fd);
        std::lock_guard<std::mutex> g(d.clientsMutex);
        --d.tcpClientCount;
        d.clientsCv.notify_all();
    }

private:
    void accept(int64_t now)
    {
        for (;;) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                return;
            }
            if (now < d.rebootUntil) {
                ::close(fd); // still restarting
                continue;
            }
            int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            // A reader has little memory for outgoing frames; a huge kernel buffer would also keep
            // answers queued behind seconds of reports.
            int sndbuf = 64 << 10;
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
            d.addLink(this, LinkKind::Tcp, fd);
            ++d.counters.connectionsAccepted;
            std::lock_guard<std::mutex> g(d.clientsMutex);
            ++d.tcpClientCount;
            d.clientsCv.notify_all();
        }
    }

    Core& d;
    int listenFd_ = -1;
};

class UdpEndpoint : public Endpoint
{
public:
    explicit UdpEndpoint(Core& core) : d(core) {}

    bool open(std::string* error) override
    {
        const std::string host = d.opt.udpHost.empty() ? d.opt.tcpHost : d.opt.udpHost;
        int port = 0;
        fd_ = bindSocket(SOCK_DGRAM, "UDP", host, d.opt.udpPort, &port, error);
        d.udpPortValue = port;
        return fd_ >= 0;
    }

    void close() override { closeFd(fd_); }

    void watch(PollSet& set) override
    {
        bool out = false;
        for (auto& l : d.links) {
            out = out || (l->endpoint == this && !l->dead && l->hasOutput());
        }
        set.add(this, fd_, short(POLLIN | (out ? POLLOUT : 0)), 0);
    }

    void ready(int, short revents, int64_t now) override
    {
        if (!(revents & POLLIN)) {
            return;
        }
        for (int i = 0; i < 256; ++i) {
            sockaddr_in peer{};
            socklen_t plen = sizeof peer;
            ssize_t n =
                ::recvfrom(fd_, buf_.data(), buf_.size(), 0, reinterpret_cast<sockaddr*>(&peer), &plen);
            if (n < 0) {
                return; // EAGAIN, or an ICMP error from an earlier send: nothing to read
            }
            if (now < d.rebootUntil) {
                continue;
            }
            wire::Frame f;
            if (!wire::decodeDatagram(buf_.data(), size_t(n), f)) {
                ++d.counters.badFrames;
                continue;
            }
            Link& l = linkFor(peer);
            l.lastHeard = now;
            d.received(l, f, now);
        }
    }

private:
    Link& linkFor(const sockaddr_in& peer)
    {
        size_t peers = 0;
        Link* oldest = nullptr;
        for (auto& l : d.links) {
            if (l->endpoint != this || l->dead) {
                continue;
            }
            if (l->peer.sin_addr.s_addr == peer.sin_addr.s_addr && l->peer.sin_port == peer.sin_port) {
                return *l;
            }
            ++peers;
            if (l->id != d.ownerId && (!oldest || l->lastHeard < oldest->lastHeard)) {
                oldest = l.get();
            }
        }
        if (peers >= kMaxUdpPeers && oldest) {
            d.dropLink(*oldest, false);
        }
        Link& l = d.addLink(this, LinkKind::Udp, fd_);
        l.peer = peer;
        return l;
    }

    Core& d;
    int fd_ = -1;
    std::vector<uint8_t> buf_ = std::vector<uint8_t>(65536);
};

class PtyEndpoint : public Endpoint
{
public:
    explicit PtyEndpoint(Core& core) : d(core) {}

    bool open(std::string* error) override
    {
        int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
            *error = std::string("pseudo-terminal: ") + std::strerror(errno);
            closeFd(m);
            return false;
        }
        char name[128] = {};
        if (ptsname_r(m, name, sizeof name) != 0) {
            *error = std::string("ptsname: ") + std::strerror(errno);
            ::close(m);
            return false;
        }
        // Holding the slave open keeps the master readable while no client has the device open, and
        // lets us put the line into raw mode (no echo, no newline translation) before anyone uses it.
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
        master_ = m;
        slave_ = s;
        {
            std::lock_guard<std::mutex> g(d.infoMutex);
            d.ptyPathValue = name;
        }
        d.addLink(this, LinkKind::Pty, m);
        return true;
    }

    void close() override
    {
        closeFd(master_);
        closeFd(slave_);
    }

    void watch(PollSet& set) override
    {
        for (auto& l : d.links) {
            if (l->endpoint == this && !l->dead) {
                set.add(this, l->fd, short(POLLIN | (l->hasOutput() ? POLLOUT : 0)), l->id);
            }
        }
    }

    void ready(int tag, short revents, int64_t now) override
    {
        Link* l = d.findLink(tag);
        if (l && (revents & (POLLIN | POLLERR | POLLHUP))) {
            d.readStream(*l, now);
        }
    }

    // Gone until linkClosed() opens the next one: nobody may open the old name meanwhile.
    void linkDropped(Link&) override
    {
        std::lock_guard<std::mutex> g(d.infoMutex);
        d.ptyPathValue.clear();
    }

    // The device vanishes (the client sees a hang-up) and a new one appears under a new name.
    void linkClosed(Link&) override
    {
        close();
        if (!d.stopping) {
            std::string error;
            open(&error);
        }
    }

    bool keepsLinksOverReboot() const override { return true; }

private:
    Core& d;
    int master_ = -1;
    int slave_ = -1;
};

} // namespace

std::unique_ptr<Endpoint> makeTcpEndpoint(Core& core)
{
    return std::make_unique<TcpEndpoint>(core);
}

std::unique_ptr<Endpoint> makeUdpEndpoint(Core& core)
{
    return std::make_unique<UdpEndpoint>(core);
}

std::unique_ptr<Endpoint> makePtyEndpoint(Core& core)
{
    return std::make_unique<PtyEndpoint>(core);
}

bool isLoopbackAddress(const std::string& host)
{
    in_addr a{};
    if (!resolveIpv4(host, &a)) {
        return false;
    }
    return (ntohl(a.s_addr) >> 24) == 127;
}

} // namespace readersim
