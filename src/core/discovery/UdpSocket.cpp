#include "core/discovery/UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {
constexpr int kDefaultWaitMs = 3000;
constexpr int kSendAttempts = 3;
constexpr int kSendRetryWaitMs = 50;
// How often a waiting Receive looks at the stop flag.
constexpr int kStopCheckMs = 20;

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

UdpSocket::~UdpSocket()
{
    Close();
}

bool UdpSocket::Open(uint16_t port, uint32_t address)
{
    return OpenSocket(port, address, false);
}

bool UdpSocket::OpenBroadcast(uint16_t port, uint32_t address)
{
    return OpenSocket(port, address, true);
}

bool UdpSocket::OpenSocket(uint16_t port, uint32_t address, bool broadcast)
{
    Close();
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        return false;
    }
    const int on = 1;
    if (broadcast && ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        Close();
        return false;
    }
    // Many readers answer at once; the default buffer holds only about a hundred small datagrams.
    const int bytes = kReceiveBufferBytes;
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    m_destination = UdpPeer{address, port};
    return true;
}

bool UdpSocket::Send(const void* data, int length)
{
    if (length == 0) {
        return true;
    }
    if (m_fd < 0 || !data || length < 0) {
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_destination.port);
    to.sin_addr.s_addr = htonl(m_destination.address);
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (attempt > 0) {
            // Only a full send queue is worth waiting for.
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, kSendRetryWaitMs);
        }
        const ssize_t sent = ::sendto(m_fd, data, static_cast<size_t>(length), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent == length) {
            return true;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS && errno != EINTR) {
            return false;
        }
    }
    return false;
}

int UdpSocket::Receive(void* buffer, int capacity, int waitMs, UdpPeer* from)
{
    if (m_fd < 0 || !buffer) {
        return 0;
    }
    const int64_t deadline = NowMs() + (waitMs == 0 ? kDefaultWaitMs : waitMs);
    unsigned char datagram[kMaxDatagram];
    for (;;) {
        sockaddr_in source{};
        socklen_t sourceLength = sizeof source;
        const ssize_t n = ::recvfrom(m_fd, datagram, sizeof datagram, MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&source), &sourceLength);
        if (n >= 0) {
            const int length = n > kMaxDatagram ? kMaxDatagram : static_cast<int>(n);
            if (length > capacity) {
                return -1;
            }
            std::memcpy(buffer, datagram, static_cast<size_t>(length));
            if (from) {
                *from = UdpPeer{ntohl(source.sin_addr.s_addr), ntohs(source.sin_port)};
            }
            return length;
        }
        // ECONNREFUSED is a port-unreachable notice for an earlier datagram: keep listening.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNREFUSED) {
            return 0;
        }
        const int64_t left = deadline - NowMs();
        if (left <= 0 || Stopped()) {
            return 0;
        }
        pollfd p{m_fd, POLLIN, 0};
        const int64_t slice = m_stop && left > kStopCheckMs ? kStopCheckMs : left;
        ::poll(&p, 1, static_cast<int>(slice));
    }
}

bool UdpSocket::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return true;
}

int UdpSocket::ReceiveBufferBytes() const
{
    int bytes = 0;
    socklen_t length = sizeof bytes;
    if (m_fd < 0 || ::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, &length) != 0) {
        return 0;
    }
    return bytes;
}

bool UdpSocket::ParseIPv4(const std::string& text, uint32_t* address)
{
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) {
        return false;
    }
    *address = ntohl(a.s_addr);
    return true;
}

std::string UdpSocket::FormatIPv4(uint32_t address)
{
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}
