#include "udp_service.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace readersim {

UdpService::~UdpService()
{
    stopService();
}

int64_t UdpService::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool UdpService::isLoopback(const sockaddr_in& address)
{
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

bool UdpService::startService(const std::string& what, const std::string& host, int port, bool allowAny,
                              bool allowWildcard, std::string* error)
{
    auto fail = [&](const std::string& message) {
        if (error) {
            *error = what + ": " + message;
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        return false;
    };
    if (serviceRunning()) {
        return fail("already running");
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const std::string h = host == "localhost" ? std::string("127.0.0.1") : host;
    if (port < 0 || port > 65535 || inet_pton(AF_INET, h.c_str(), &addr.sin_addr) != 1) {
        return fail("bad address " + host + ":" + std::to_string(port));
    }
    const bool wildcard = addr.sin_addr.s_addr == htonl(INADDR_ANY);
    if (!allowAny && !isLoopback(addr) && !(wildcard && allowWildcard)) {
        return fail("refusing address outside 127.0.0.0/8: " + host);
    }
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return fail(std::strerror(errno));
    }
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        return fail("cannot bind " + host + ":" + std::to_string(port) + ": " + std::strerror(errno));
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) {
        return fail(std::strerror(errno));
    }
    stop_ = false;
    thread_ = std::thread([this] { loop(); });
    return true;
}

void UdpService::stopService()
{
    if (thread_.joinable()) {
        stop_ = true;
        uint64_t one = 1;
        ssize_t ignored = ::write(wake_, &one, sizeof one);
        (void)ignored;
        thread_.join();
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (wake_ >= 0) {
        ::close(wake_);
        wake_ = -1;
    }
}

void UdpService::setReceiveBuffer(int bytes)
{
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

bool UdpService::sendTo(const uint8_t* data, size_t length, const sockaddr_in& to)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const ssize_t n = ::sendto(fd_, data, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n >= 0) {
            return true;
        }
        if (errno != EAGAIN && errno != ENOBUFS && errno != EINTR) {
            return false;
        }
        // A full send queue clears in microseconds on loopback.
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 2);
    }
    return false;
}

void UdpService::loop()
{
    std::vector<uint8_t> buffer(65536);
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    int64_t nextTick = nowMs() + tickMs();
    while (!stop_) {
        const int64_t wait = nextTick - nowMs();
        const int ready = ::poll(fds, 2, wait > 0 ? static_cast<int>(wait) : 0);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents & POLLIN) {
            // Everything waiting, so a burst does not wait for the next poll.
            for (;;) {
                sockaddr_in from{};
                socklen_t len = sizeof from;
                const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                             reinterpret_cast<sockaddr*>(&from), &len);
                if (n < 0) {
                    break;
                }
                onDatagram(buffer.data(), static_cast<size_t>(n), from);
            }
        }
        const int64_t now = nowMs();
        if (now >= nextTick) {
            onTick(now);
            nextTick = now + tickMs();
        }
    }
}

} // namespace readersim
