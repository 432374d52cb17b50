// Wireless readers: the outbound link that makes a reader connect to a server, and the group of such
// readers the program starts with --wireless-server.
#include "readersim/wireless.h"

#include "simulator_impl.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace readersim {

namespace {

constexpr int64_t kConnectTimeoutMs = 3000;

bool resolve(const std::string& host, int port, sockaddr_in* out)
{
    if (port <= 0 || port > 65535) {
        return false;
    }
    *out = sockaddr_in{};
    out->sin_family = AF_INET;
    out->sin_port = htons(uint16_t(port));
    const std::string h = host == "localhost" ? std::string("127.0.0.1") : host;
    return inet_pton(AF_INET, h.c_str(), &out->sin_addr) == 1;
}

// One link at a time, to the server; when it goes, the next try comes reconnectMs later. Timers are
// looked at on every pass of the loop, which passes at least once a second.
class WirelessEndpoint : public Endpoint
{
public:
    explicit WirelessEndpoint(Core& core) : d(core) {}

    bool open(std::string* error) override
    {
        if (!resolve(d.opt.wirelessHost, d.opt.wirelessPort, &server_)) {
            *error = "bad wireless server: " + d.opt.wirelessHost + ":" + std::to_string(d.opt.wirelessPort);
            return false;
        }
        const int64_t now = nowMs();
        nextAttempt_ = now;
        nextIo_ = now + d.opt.ioEventMs;
        return true;
    }

    void close() override
    {
        if (connectFd_ >= 0) {
            ::close(connectFd_);
            connectFd_ = -1;
        }
    }

    void watch(PollSet& set) override
    {
        const int64_t now = nowMs();
        toggleInput(now);
        if (Link* l = linkId_ ? d.findLink(linkId_) : nullptr) {
            set.add(this, l->fd, short(POLLIN | (l->hasOutput() ? POLLOUT : 0)), l->id);
            return;
        }
        if (connectFd_ >= 0 && now - connectStarted_ >= kConnectTimeoutMs) {
            close();
            nextAttempt_ = now + d.opt.reconnectMs;
        }
        if (connectFd_ < 0 && linkId_ == 0 && now >= nextAttempt_ && now >= d.rebootUntil) {
            startConnect(now);
        }
        if (connectFd_ >= 0) {
            set.add(this, connectFd_, POLLOUT, 0);
        }
    }

    void ready(int tag, short revents, int64_t now) override
    {
        if (tag == 0) {
            finishConnect(now);
        } else if (Link* l = d.findLink(tag)) {
            if (revents & (POLLIN | POLLERR | POLLHUP)) {
                d.readStream(*l, now);
            }
        }
    }

    void linkClosed(Link& l) override
    {
        ::close(l.fd);
        linkId_ = 0;
        nextAttempt_ = nowMs() + d.opt.reconnectMs;
        std::lock_guard<std::mutex> g(d.clientsMutex);
        --d.tcpClientCount;
        d.clientsCv.notify_all();
    }

private:
    void startConnect(int64_t now)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            nextAttempt_ = now + d.opt.reconnectMs;
            return;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&server_), sizeof server_) != 0 &&
            errno != EINPROGRESS) {
            ::close(fd);
            nextAttempt_ = now + d.opt.reconnectMs;
            return;
        }
        connectFd_ = fd;
        connectStarted_ = now;
    }

    void finishConnect(int64_t now)
    {
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(connectFd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) {
            close();
            nextAttempt_ = now + d.opt.reconnectMs;
            return;
        }
        const int fd = connectFd_;
        connectFd_ = -1;
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // As the TCP endpoint: a reader has little memory for outgoing frames.
        int sndbuf = 64 << 10;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
        Link& l = d.addLink(this, LinkKind::Tcp, fd);
        linkId_ = l.id;
        // The reader opens its session itself: heartbeats and IO events flow without a Hello.
        l.session = true;
        l.reportSeq = 0;
        l.nextHeartbeat = now + d.opt.heartbeatMs;
        ++d.counters.connectionsAccepted;
        {
            std::lock_guard<std::mutex> g(d.clientsMutex);
            ++d.tcpClientCount;
            d.clientsCv.notify_all();
        }
        startReadingIfAutomatic(l, now);
    }

    void startReadingIfAutomatic(Link& l, int64_t now)
    {
        std::vector<uint8_t> mode;
        std::vector<uint8_t> antenna;
        if (!d.model || d.model->parmRead(parm::WorkMode, 1, &mode) != Result::Ok || mode.at(0) != 1 ||
            d.model->parmRead(parm::AntennaPort, 1, &antenna) != Result::Ok) {
            return;
        }
        const uint8_t code = antenna.at(0) <= 4 ? antenna.at(0) : 0;
        if (d.model->startInventory(ReadType::Epc, code, 0) == Result::Ok) {
            d.ownerId = l.id;
            d.pacer.restart(now);
        }
    }

    void toggleInput(int64_t now)
    {
        if (d.opt.ioEventMs <= 0 || !d.model || now < nextIo_) {
            return;
        }
        nextIo_ = now + d.opt.ioEventMs;
        d.model->setInputs(uint8_t(d.model->ioState()[0] ^ 1));
    }

    Core& d;
    sockaddr_in server_{};
    int connectFd_ = -1;
    int64_t connectStarted_ = 0;
    int64_t nextAttempt_ = 0;
    int64_t nextIo_ = 0;
    int linkId_ = 0;
};

bool toInt(const char* s, long lo, long hi, int* out)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    *out = int(v);
    return true;
}

} // namespace

std::unique_ptr<Endpoint> makeWirelessEndpoint(Core& core)
{
    return std::make_unique<WirelessEndpoint>(core);
}

const char* const kWirelessUsage =
    "Wireless readers (they connect to a server themselves):\n"
    "  --wireless-server HOST:PORT  connect to this server; --readers N plays N readers, each with\n"
    "                         its own tags, reading on its own once connected\n"
    "  --time-stamp           end every EPC (a TID report's TID) with the reader's 7-byte clock\n"
    "  --reconnect-ms MS      try again this long after a lost link (default 1000)\n"
    "  --io-events MS         toggle input 0 this often, raising IO events (default 0: never)\n";

bool wirelessOptionTakesValue(const std::string& option)
{
    return option != "--time-stamp";
}

int parseWirelessOption(const std::string& option, const char* value, Options* o, std::string* error)
{
    auto bad = [&](const char* what) {
        *error = "bad " + option + " " + what + ": " + (value ? value : "");
        return -1;
    };
    if (option == "--wireless-server") {
        int port = 0;
        if (!value || !parseHostPort(value, &o->wirelessHost, &port) || port == 0) {
            return bad("HOST:PORT");
        }
        o->wirelessPort = port;
        o->wireless = true;
    } else if (option == "--time-stamp") {
        o->reportClock = true;
    } else if (option == "--reconnect-ms") {
        if (!value || !toInt(value, 0, 600000, &o->reconnectMs)) {
            return bad("(0..600000)");
        }
    } else if (option == "--io-events") {
        if (!value || !toInt(value, 0, 3600000, &o->ioEventMs)) {
            return bad("(0..3600000)");
        }
    } else {
        return 0;
    }
    return 1;
}

WirelessReaders::WirelessReaders(const Options& base, int count) : base_(base), count_(count) {}

WirelessReaders::~WirelessReaders()
{
    stop();
}

bool WirelessReaders::start(std::string* error)
{
    for (int i = 0; i < count_; ++i) {
        Options o = base_;
        o.tcp = false;
        o.udp = false;
        o.pty = false;
        o.wireless = true;
        o.seed = base_.seed + uint32_t(i);
        auto sim = std::make_unique<Simulator>(o);
        // Readers of this kind work in automatic mode unless told otherwise.
        sim->model().parmWrite(parm::WorkMode, {1});
        if (!sim->start(error)) {
            stop();
            return false;
        }
        readers_.push_back(std::move(sim));
    }
    return true;
}

void WirelessReaders::stop()
{
    for (auto& r : readers_) {
        r->stop();
    }
}

int WirelessReaders::connected() const
{
    int n = 0;
    for (const auto& r : readers_) {
        n += r->tcpClients();
    }
    return n;
}

bool WirelessReaders::waitConnected(int count, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (connected() < count) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

uint64_t WirelessReaders::reportsSent() const
{
    uint64_t n = 0;
    for (const auto& r : readers_) {
        n += r->reportsSent();
    }
    return n;
}

void WirelessReaders::printEndpoints(std::FILE* out) const
{
    if (base_.wireless) {
        const std::string host = base_.wirelessHost == "localhost" ? "127.0.0.1" : base_.wirelessHost;
        std::fprintf(out, "wireless %s:%d %d\n", host.c_str(), base_.wirelessPort, count_);
    }
}

} // namespace readersim
