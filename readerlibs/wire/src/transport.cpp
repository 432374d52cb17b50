#include "wire/transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace wire {

namespace {

int remainingMs(std::chrono::steady_clock::time_point deadline)
{
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

bool setNonBlocking(int fd)
{
    int fl = fcntl(fd, F_GETFL, 0);
    return fl >= 0 && fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0;
}

bool lostErrno(int e)
{
    return !(e == EAGAIN || e == EWOULDBLOCK || e == EINTR);
}

class FdTransport : public Transport
{
public:
    explicit FdTransport(int fd) : fd_(fd) {}
    ~FdTransport() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const override { return fd_; }

protected:
    bool waitWritable(std::chrono::steady_clock::time_point deadline)
    {
        for (;;) {
            pollfd p{fd_, POLLOUT, 0};
            int r = ::poll(&p, 1, remainingMs(deadline));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            return (p.revents & (POLLERR | POLLNVAL)) == 0;
        }
    }
    int fd_;
};

class TcpTransport : public FdTransport
{
public:
    using FdTransport::FdTransport;
    bool isDatagram() const override { return false; }
    bool retries() const override { return false; }
    const char* kind() const override { return "tcp"; }
    long readSome(uint8_t* buf, size_t cap) override
    {
        ssize_t n = ::recv(fd_, buf, cap, 0);
        if (n > 0)
            return long(n);
        if (n == 0)
            return -1; // peer closed
        return lostErrno(errno) ? -1 : 0;
    }
    bool writeAll(const uint8_t* data, size_t len, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t off = 0;
        while (off < len) {
            ssize_t n = ::send(fd_, data + off, len - off, MSG_NOSIGNAL);
            if (n > 0) {
                off += size_t(n);
                continue;
            }
            if (n < 0 && lostErrno(errno))
                return false;
            if (!waitWritable(deadline))
                return false;
        }
        return true;
    }
};

class UdpTransport : public FdTransport
{
public:
    using FdTransport::FdTransport;
    bool isDatagram() const override { return true; }
    bool retries() const override { return true; }
    const char* kind() const override { return "udp"; }
    long readSome(uint8_t* buf, size_t cap) override
    {
        ssize_t n = ::recv(fd_, buf, cap, 0);
        if (n >= 0)
            return n == 0 ? 0 : long(n);
        if (errno == ECONNREFUSED)
            return -1; // nobody listens at the reader's port any more
        return lostErrno(errno) ? -1 : 0;
    }
    bool writeAll(const uint8_t* data, size_t len, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            ssize_t n = ::send(fd_, data, len, MSG_NOSIGNAL);
            if (n == ssize_t(len))
                return true;
            if (n < 0 && errno == ECONNREFUSED)
                return false;
            if (n < 0 && lostErrno(errno) && errno != ENOBUFS)
                return false;
            if (!waitWritable(deadline))
                return false;
        }
    }
};

class SerialTransport : public FdTransport
{
public:
    using FdTransport::FdTransport;
    bool isDatagram() const override { return false; }
    bool retries() const override { return true; }
    const char* kind() const override { return "serial"; }
    long readSome(uint8_t* buf, size_t cap) override
    {
        ssize_t n = ::read(fd_, buf, cap);
        if (n > 0)
            return long(n);
        if (n == 0)
            return -1;                    // hang-up
        return lostErrno(errno) ? -1 : 0; // EIO, ENXIO, EBADF: the device vanished
    }
    bool writeAll(const uint8_t* data, size_t len, int timeoutMs) override
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t off = 0;
        while (off < len) {
            ssize_t n = ::write(fd_, data + off, len - off);
            if (n > 0) {
                off += size_t(n);
                continue;
            }
            if (n < 0 && lostErrno(errno))
                return false;
            if (!waitWritable(deadline))
                return false;
        }
        return true;
    }
};

bool makeAddr(const std::string& ip, int port, sockaddr_in& sa)
{
    if (port <= 0 || port > 65535)
        return false;
    std::memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(uint16_t(port));
    return ::inet_pton(AF_INET, ip.c_str(), &sa.sin_addr) == 1;
}

speed_t speedFor(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

} // namespace

bool validIpv4(const std::string& ip)
{
    in_addr a{};
    return ::inet_pton(AF_INET, ip.c_str(), &a) == 1;
}

std::unique_ptr<Transport> openTcp(const std::string& ip, int port, int connectTimeoutMs, int* error)
{
    sockaddr_in sa{};
    if (!makeAddr(ip, port, sa)) {
        *error = -1;
        return nullptr;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Big enough for any reader's rate, small enough that an answer never waits behind more than a
    // few milliseconds of reports already in flight (a stop during a flood).
    int buf = 256 << 10;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        if (errno != EINPROGRESS) {
            *error = errno;
            ::close(fd);
            return nullptr;
        }
        pollfd p{fd, POLLOUT, 0};
        int r;
        do {
            r = ::poll(&p, 1, connectTimeoutMs);
        } while (r < 0 && errno == EINTR);
        int soErr = 0;
        socklen_t l = sizeof soErr;
        if (r <= 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soErr, &l) != 0 || soErr != 0) {
            *error = r == 0 ? ETIMEDOUT : (soErr ? soErr : errno);
            ::close(fd);
            return nullptr;
        }
    }
    return std::make_unique<TcpTransport>(fd);
}

std::unique_ptr<Transport> adoptTcp(int fd)
{
    if (fd < 0) {
        return nullptr;
    }
    setNonBlocking(fd);
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return std::make_unique<TcpTransport>(fd);
}

std::unique_ptr<Transport> openUdp(const std::string& ip, int port, int* error)
{
    sockaddr_in sa{};
    if (!makeAddr(ip, port, sa)) {
        *error = -1;
        return nullptr;
    }
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    // Reports arrive in bursts; a large buffer keeps the kernel from dropping them.
    int big = 8 << 20;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &big, sizeof big) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        *error = errno;
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<UdpTransport>(fd);
}

std::string serialDevicePath(const std::string& name)
{
    if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0)) {
        bool digits = true;
        for (size_t i = 3; i < name.size(); ++i)
            digits = digits && name[i] >= '0' && name[i] <= '9';
        if (digits && name.size() <= 6) {
            int n = std::stoi(name.substr(3));
            if (n >= 1)
                return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    return name;
}

std::unique_ptr<Transport> openSerial(const std::string& name, int baud, int* error)
{
    if (name.empty()) {
        *error = -1;
        return nullptr;
    }
    const std::string path = serialDevicePath(name);
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        *error = errno;
        ::close(fd);
        return nullptr;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1; // with VMIN 0 a non-blocking read says 0 for "no data", like a hang-up
    tio.c_cc[VTIME] = 0;
    speed_t sp = speedFor(baud);
    if (sp != B0) {
        ::cfsetispeed(&tio, sp);
        ::cfsetospeed(&tio, sp);
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        *error = errno;
        ::close(fd);
        return nullptr;
    }
    ::tcflush(fd, TCIOFLUSH);
    setNonBlocking(fd);
    return std::make_unique<SerialTransport>(fd);
}

} // namespace wire
