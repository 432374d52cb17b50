// The server: the event thread, the listener, readers added by hand, and the registry of handles and
// readers; the exported calls that manage them.
#include "server.h"

#include "wire/commands.h"
#include "wire/messages_6c.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <shared_mutex>
#include <unordered_map>

static_assert(offsetof(WirelessReaderInfo, type) == 0 && offsetof(WirelessReaderInfo, address) == 5 &&
                  offsetof(WirelessReaderInfo, device) == 37 && offsetof(WirelessReaderInfo, baud) == 72 &&
                  offsetof(WirelessReaderInfo, port) == 76,
              "the reader record's fields lie where programs read them");

namespace wirelesszaltlink {

namespace {

constexpr uint64_t kWakeId = 0;
constexpr uint64_t kListenerId = 1;
constexpr int kReadRounds = 16; // per reader and wake-up, so one busy reader cannot starve the rest
constexpr int kHelloTimeoutMs = 1000;
constexpr int kConnectTimeoutMs = 3000;

std::shared_mutex gMutex;
std::unordered_map<WIRELESS_HANDLE, std::shared_ptr<Server>> gServers;
std::unordered_map<WIRELESS_READER, std::shared_ptr<Reader>> gReaders;
WIRELESS_HANDLE gNextHandle = 0x5A0001;

bool parseAddress(const char* ip, int port, sockaddr_in* out)
{
    if (!ip || port <= 0 || port > 65535)
        return false;
    std::string host = ip;
    if (host == "localhost")
        host = "127.0.0.1";
    std::memset(out, 0, sizeof *out);
    out->sin_family = AF_INET;
    out->sin_port = htons(uint16_t(port));
    return ::inet_pton(AF_INET, host.c_str(), &out->sin_addr) == 1;
}

// Copies text into a record field; false when it does not fit with its terminating zero.
template <size_t N> bool putText(char (&field)[N], const char* text)
{
    const size_t n = std::strlen(text);
    if (n >= N)
        return false;
    std::memcpy(field, text, n + 1);
    return true;
}

} // namespace

// --- registry ------------------------------------------------------------------------------------------

std::shared_ptr<Server> findServer(WIRELESS_HANDLE handle)
{
    std::shared_lock<std::shared_mutex> lk(gMutex);
    auto it = gServers.find(handle);
    return it == gServers.end() ? nullptr : it->second;
}

std::shared_ptr<Reader> findReader(WIRELESS_HANDLE handle, WIRELESS_READER reader, bool anyHandle)
{
    if (reader == 0)
        return nullptr;
    std::shared_lock<std::shared_mutex> lk(gMutex);
    auto it = gReaders.find(reader);
    if (it == gReaders.end() || (!anyHandle && it->second->handle != handle))
        return nullptr;
    return it->second;
}

void publish(const std::shared_ptr<Reader>& r)
{
    std::unique_lock<std::shared_mutex> lk(gMutex);
    gReaders[r->value()] = r;
}

void withdraw(const Reader& r)
{
    std::unique_lock<std::shared_mutex> lk(gMutex);
    auto it = gReaders.find(r.value());
    if (it != gReaders.end() && it->second.get() == &r)
        gReaders.erase(it);
}

// --- server --------------------------------------------------------------------------------------------

Server::Server(WIRELESS_HANDLE h) : handle(h) {}

Server::~Server()
{
    shutdown();
}

bool Server::start()
{
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (epoll_ < 0 || wake_ < 0)
        return false;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeId;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev) != 0)
        return false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void Server::shutdown()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        stop_ = true;
    }
    post(nullptr);
    if (thread_.joinable() && !onEventThread())
        thread_.join();
    stopListening();
    removeAll(-1);
    for (int* fd : {&epoll_, &wake_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void Server::post(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        if (job)
            jobs_.push_back(std::move(job));
    }
    if (wake_ >= 0) {
        const uint64_t one = 1;
        (void)!::write(wake_, &one, sizeof one);
    }
}

void Server::run()
{
    epoll_event events[256];
    for (;;) {
        const int n = ::epoll_wait(epoll_, events, 256, 1000);
        if (n < 0 && errno != EINTR)
            break;
        {
            std::lock_guard<std::mutex> lk(mutex_);
            if (stop_)
                break;
        }
        for (int i = 0; i < n; ++i) {
            const uint64_t id = events[i].data.u64;
            if (id == kWakeId) {
                uint64_t v = 0;
                (void)!::read(wake_, &v, sizeof v);
                std::vector<std::function<void()>> jobs;
                {
                    std::lock_guard<std::mutex> lk(mutex_);
                    jobs.swap(jobs_);
                }
                for (auto& job : jobs)
                    job();
            } else if (id == kListenerId) {
                acceptAll();
            } else {
                std::shared_ptr<Reader> r;
                {
                    std::lock_guard<std::mutex> lk(mutex_);
                    auto it = readers_.find(id);
                    if (it != readers_.end())
                        r = it->second;
                }
                if (r)
                    serve(r, events[i].events);
            }
        }
    }
}

void Server::serve(const std::shared_ptr<Reader>& r, uint32_t events)
{
    if (r->closed() || r->lost())
        return;
    wire::Transport& t = *r->transport;
    bool gone = false;
    for (int round = 0; round < kReadRounds; ++round) {
        const long n = t.readSome(buffer_.data(), buffer_.size());
        if (n < 0) {
            gone = true;
            break;
        }
        if (n == 0) {
            // A hang-up with nothing left to read ends the link; so does an error nobody reads.
            gone = round == 0 && (events & (EPOLLHUP | EPOLLERR)) != 0;
            break;
        }
        if (t.isDatagram())
            r->consumeDatagram(buffer_.data(), size_t(n));
        else
            r->consume(buffer_.data(), size_t(n));
        if (r->shouldPause()) {
            r->pause();
            break;
        }
    }
    if (gone) {
        r->markLost();
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, t.fd(), nullptr);
    }
    if (r->takeAnnouncement())
        announce(r);
}

void Server::announce(const std::shared_ptr<Reader>& r)
{
    if (!r->closed() && r->callback)
        r->callback(handle, &r->info);
}

std::shared_ptr<Reader> Server::registerReader(std::unique_ptr<wire::Transport> transport,
                                               WIRELESS_ReaderCallback callback)
{
    const int fd = transport->fd();
    std::lock_guard<std::mutex> lk(mutex_);
    if (stop_)
        return nullptr;
    const uint64_t id = nextId_++;
    auto r = std::make_shared<Reader>(handle, id, std::move(transport), callback);
    r->attach(epoll_);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = id;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0)
        return nullptr;
    readers_[id] = r;
    return r;
}

void Server::unregister(const std::shared_ptr<Reader>& r)
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        readers_.erase(r->id);
        if (epoll_ >= 0 && r->transport)
            ::epoll_ctl(epoll_, EPOLL_CTL_DEL, r->transport->fd(), nullptr);
    }
    r->close();
}

void Server::acceptAll()
{
    std::vector<int> fds;
    WIRELESS_ReaderCallback callback = nullptr;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        if (listen_ < 0)
            return;
        callback = listenCallback_;
        for (int i = 0; i < 64; ++i) {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                break;
            fds.push_back(fd);
        }
    }
    for (int fd : fds) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        char address[INET_ADDRSTRLEN] = {};
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0 ||
            !::inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address)) {
            ::close(fd);
            continue;
        }
        // Big enough for any reader's rate, small enough that an answer never waits long behind
        // reports already in flight.
        const int buf = 256 << 10;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
        auto r = registerReader(wire::adoptTcp(fd), callback);
        if (!r)
            continue;
        r->info.type = WIRELESS_TYPE_SERVER;
        putText(r->info.address, address);
        r->info.port = ntohs(peer.sin_port);
        publish(r);
        announce(r);
    }
}

bool Server::listen(const std::string& ip, int port, WIRELESS_ReaderCallback callback)
{
    sockaddr_in sa{};
    if (!parseAddress(ip.c_str(), port, &sa))
        return false;
    std::lock_guard<std::mutex> lk(mutex_);
    if (listen_ >= 0 || stop_)
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kListenerId;
    // Readers of a whole site may come at once.
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 1024) != 0 ||
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) {
        ::close(fd);
        return false;
    }
    listen_ = fd;
    listenCallback_ = callback;
    return true;
}

bool Server::stopListening()
{
    {
        std::lock_guard<std::mutex> lk(mutex_);
        if (listen_ < 0)
            return false;
        if (epoll_ >= 0)
            ::epoll_ctl(epoll_, EPOLL_CTL_DEL, listen_, nullptr);
        ::close(listen_);
        listen_ = -1;
        listenCallback_ = nullptr;
    }
    removeAll(WIRELESS_TYPE_SERVER);
    return true;
}

std::shared_ptr<Reader> Server::add(std::unique_ptr<wire::Transport> transport,
                                    const WirelessReaderInfo& info, WIRELESS_ReaderCallback callback)
{
    auto r = registerReader(std::move(transport), callback);
    if (!r)
        return nullptr;
    r->info = info;
    wire::Frame a;
    wire::m6c::HelloAnswer hello;
    const int e = r->request(wire::cmd::Hello, wire::m6c::HelloRequest().encoded(), a, kHelloTimeoutMs);
    if (e != wire::err::None || a.status != wire::status::Ok || !hello.decode(a.payload) ||
        hello.family != wire::kFamily6C) {
        unregister(r);
        return nullptr;
    }
    publish(r);
    // Announced from the event thread, as every reader is.
    std::weak_ptr<Reader> weak = r;
    post([this, weak] {
        if (auto live = weak.lock())
            announce(live);
    });
    return r;
}

void Server::remove(const std::shared_ptr<Reader>& r, bool sayBye)
{
    withdraw(*r);
    if (sayBye && !r->lost())
        r->post(wire::cmd::Bye, {});
    unregister(r);
}

void Server::removeAll(int type)
{
    std::vector<std::shared_ptr<Reader>> doomed;
    {
        std::lock_guard<std::mutex> lk(mutex_);
        for (auto& [id, r] : readers_) {
            if (type < 0 || r->info.type == type)
                doomed.push_back(r);
        }
    }
    for (auto& r : doomed)
        remove(r, true);
}

} // namespace wirelesszaltlink

using namespace wirelesszaltlink;

namespace {

unsigned char addReader(WIRELESS_HANDLE h, std::unique_ptr<wire::Transport> t, const WirelessReaderInfo& info,
                        WIRELESS_ReaderCallback callback)
{
    auto s = findServer(h);
    if (!s || !t || s->onEventThread())
        return 0;
    return s->add(std::move(t), info, callback) ? 1 : 0;
}

unsigned char addNetworkReader(WIRELESS_HANDLE h, const char* ip, int port, WIRELESS_ReaderCallback callback,
                               int type)
{
    sockaddr_in sa{};
    WirelessReaderInfo info{};
    if (!findServer(h) || !parseAddress(ip, port, &sa) || !putText(info.address, ip))
        return 0;
    info.type = type;
    info.port = port;
    int error = 0;
    auto t = type == WIRELESS_TYPE_UDP ? wire::openUdp(ip, port, &error)
                                       : wire::openTcp(ip, port, kConnectTimeoutMs, &error);
    return addReader(h, std::move(t), info, callback);
}

unsigned char addSerialReader(WIRELESS_HANDLE h, const char* name, int value,
                              WIRELESS_ReaderCallback callback, int type)
{
    WirelessReaderInfo info{};
    // A name that does not fit the record would be shown cut, and two devices could look alike.
    if (!findServer(h) || !name || !*name || !putText(info.device, name))
        return 0;
    info.type = type;
    info.baud = value;
    int error = 0;
    return addReader(h, wire::openSerial(name, value, &error), info, callback);
}

} // namespace

extern "C" {

unsigned char WIRELESS_API WIRELESS_ApiInit(WIRELESS_HANDLE* handle)
{
    if (!handle)
        return 0;
    std::shared_ptr<Server> s;
    {
        std::unique_lock<std::shared_mutex> lk(gMutex);
        const WIRELESS_HANDLE h = gNextHandle++;
        s = std::make_shared<Server>(h);
        gServers[h] = s;
    }
    if (!s->start()) {
        std::unique_lock<std::shared_mutex> lk(gMutex);
        gServers.erase(s->handle);
        return 0;
    }
    *handle = s->handle;
    return 1;
}

unsigned char WIRELESS_API WIRELESS_Quit(WIRELESS_HANDLE* handle)
{
    if (!handle)
        return 0;
    std::shared_ptr<Server> s = findServer(*handle);
    // The event thread cannot wait for itself.
    if (!s || s->onEventThread())
        return 0;
    {
        std::unique_lock<std::shared_mutex> lk(gMutex);
        gServers.erase(*handle);
    }
    s->shutdown();
    return 1;
}

unsigned char WIRELESS_API WIRELESS_StartServer(WIRELESS_HANDLE handle, const char* ip, int port,
                                                WIRELESS_ReaderCallback callback)
{
    auto s = findServer(handle);
    return s && ip && s->listen(ip, port, callback) ? 1 : 0;
}

unsigned char WIRELESS_API WIRELESS_StopServer(WIRELESS_HANDLE handle)
{
    auto s = findServer(handle);
    return s && s->stopListening() ? 1 : 0;
}

unsigned char WIRELESS_API WIRELESS_AddTcpClient(WIRELESS_HANDLE handle, const char* ip, int port,
                                                 WIRELESS_ReaderCallback callback)
{
    return addNetworkReader(handle, ip, port, callback, WIRELESS_TYPE_TCP);
}

unsigned char WIRELESS_API WIRELESS_AddUDPReader(WIRELESS_HANDLE handle, const char* ip, int port,
                                                 WIRELESS_ReaderCallback callback)
{
    return addNetworkReader(handle, ip, port, callback, WIRELESS_TYPE_UDP);
}

unsigned char WIRELESS_API WIRELESS_AddCOMReader(WIRELESS_HANDLE handle, int, const char* name, int baud,
                                                 WIRELESS_ReaderCallback callback)
{
    return addSerialReader(handle, name, baud, callback, WIRELESS_TYPE_SERIAL);
}

unsigned char WIRELESS_API WIRELESS_AddUSBReader(WIRELESS_HANDLE handle, int, const char* name, int value,
                                                 WIRELESS_ReaderCallback callback)
{
    // A USB reader is a USB-serial device.
    return addSerialReader(handle, name, value, callback, WIRELESS_TYPE_USB);
}

unsigned char WIRELESS_API WIRELESS_ClearReader(WIRELESS_HANDLE handle)
{
    auto s = findServer(handle);
    if (!s)
        return 0;
    s->removeAll(-1);
    return 1;
}

unsigned char WIRELESS_API WIRELESS_CloseReader(WIRELESS_HANDLE handle, WIRELESS_READER reader)
{
    auto s = findServer(handle);
    auto r = findReader(handle, reader);
    if (!s || !r)
        return 0;
    s->remove(r, true);
    return 1;
}

unsigned char WIRELESS_API WIRELESS_IsNetReader(WIRELESS_HANDLE, WIRELESS_READER reader)
{
    auto r = findReader(0, reader, true);
    if (!r)
        return 0;
    const int type = r->info.type;
    return type == WIRELESS_TYPE_SERVER || type == WIRELESS_TYPE_TCP || type == WIRELESS_TYPE_UDP ? 1 : 0;
}

unsigned char WIRELESS_API WIRELESS_ZALT_GetLastTime(WIRELESS_HANDLE handle, WIRELESS_READER reader,
                                                     unsigned int* time)
{
    auto r = findReader(handle, reader);
    if (!r || !time || r->lost())
        return 0;
    *time = r->lastHeard();
    return 1;
}

} // extern "C"
