// A bare protocol client for simulator tests: POSIX sockets or a terminal device, the wire codec,
// nothing of the reader library.
#pragma once

#include <wire/commands.h>
#include <wire/frame.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

class RawClient
{
public:
    enum Kind
    {
        Tcp,
        Udp,
        Serial
    };

    ~RawClient() { close(); }

    bool connectTcp(int port)
    {
        close();
        kind_ = Tcp;
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa = loopback(port);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            close();
            return false;
        }
        return true;
    }

    bool openUdp(int port)
    {
        close();
        kind_ = Udp;
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa = loopback(port);
        int buf = 8 * 1024 * 1024;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            close();
            return false;
        }
        return true;
    }

    bool openSerial(const std::string& path)
    {
        close();
        kind_ = Serial;
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            return false;
        }
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
        return true;
    }

    void close()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
        closed_ = false;
        decoder_.reset();
    }

    bool peerClosed() const { return closed_; }

    bool sendRaw(const std::vector<uint8_t>& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (kind_ == Serial && n < 0 && errno == ENOTSOCK) {
                n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            }
            if (n <= 0) {
                return false;
            }
            done += size_t(n);
        }
        return true;
    }

    bool send(uint8_t seq, uint8_t cmd, const std::vector<uint8_t>& payload = {})
    {
        wire::Frame f;
        f.seq = seq;
        f.cmd = cmd;
        f.payload = payload;
        return sendRaw(wire::encode(f));
    }

    // Next frame of any kind within the timeout; false on timeout or when the peer closed.
    bool next(wire::Frame& out, int timeoutMs)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (kind_ != Udp && decoder_.next(out)) {
                return true;
            }
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now())
                               .count());
            if (left < 0 || closed_ || fd_ < 0) {
                return false;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0) {
                return false;
            }
            ssize_t n = ::read(fd_, buf_, sizeof buf_);
            if (n <= 0) {
                if (n < 0 && (errno == EAGAIN || errno == EINTR || (kind_ == Udp && errno == ECONNREFUSED))) {
                    continue;
                }
                closed_ = true;
                return false;
            }
            if (kind_ == Udp) {
                if (wire::decodeDatagram(buf_, size_t(n), out)) {
                    return true;
                }
                continue;
            }
            decoder_.feed(buf_, size_t(n));
        }
    }

    // Sends a request and waits for the answer with its seq and cmd; unsolicited frames that arrive
    // meanwhile are kept in `unsolicited`.
    bool request(uint8_t cmd, const std::vector<uint8_t>& payload, wire::Frame& answer, int timeoutMs = 2000)
    {
        uint8_t seq = nextSeq();
        if (!send(seq, cmd, payload)) {
            return false;
        }
        return awaitAnswer(seq, cmd, answer, timeoutMs);
    }

    bool awaitAnswer(uint8_t seq, uint8_t cmd, wire::Frame& answer, int timeoutMs)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        wire::Frame f;
        for (;;) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now())
                               .count());
            if (left < 0 || !next(f, left)) {
                return false;
            }
            if (f.seq == seq && f.cmd == cmd) {
                answer = f;
                return true;
            }
            if (f.seq == 0) {
                unsolicited.push_back(f);
            }
        }
    }

    // Answer status of a request, or -1 without an answer.
    int status(uint8_t cmd, const std::vector<uint8_t>& payload = {}, std::vector<uint8_t>* out = nullptr)
    {
        wire::Frame a;
        if (!request(cmd, payload, a)) {
            return -1;
        }
        if (out) {
            *out = a.payload;
        }
        return a.status;
    }

    uint8_t nextSeq()
    {
        seq_ = uint8_t(seq_ % 255 + 1);
        return seq_;
    }

    std::vector<wire::Frame> unsolicited;

private:
    static sockaddr_in loopback(int port)
    {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(uint16_t(port));
        return sa;
    }

    Kind kind_ = Tcp;
    int fd_ = -1;
    bool closed_ = false;
    uint8_t seq_ = 0;
    wire::Decoder decoder_;
    uint8_t buf_[65536];
};
