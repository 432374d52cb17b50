// A reader that misbehaves on purpose, on a loopback port: it answers Hello and Bye as a reader does,
// and every other request as its current script says. Plain C++ and POSIX, for tests and benchmarks.
#pragma once

#include <wire/commands.h>
#include <wire/frame.h>
#include <wire/messages_6c.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

class ScriptedServer
{
public:
    enum class Script
    {
        Answer,               // a good answer with a one-byte payload
        HalfFrame,            // the first half of a good answer, then nothing
        MaxHeaderThenSilence, // a header claiming the largest payload, then nothing
        WrongSequence,        // a good answer under another sequence number
    };

    ScriptedServer() = default;
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    ~ScriptedServer()
    {
        stop_ = true;
        if (wake_[1] >= 0) {
            char c = 1;
            (void)!::write(wake_[1], &c, 1);
        }
        if (thread_.joinable())
            thread_.join();
        for (int fd : {listen_, wake_[0], wake_[1]})
            if (fd >= 0)
                ::close(fd);
    }

    bool start()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (listen_ < 0 || ::pipe2(wake_, O_CLOEXEC) != 0 ||
            ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return false;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
        return true;
    }

    int port() const { return port_; }
    void setScript(Script s) { script_ = s; }
    // While held, a Hello waits for its answer; helloWaiting() says one does.
    void holdHello(bool on) { holdHello_ = on; }
    bool helloWaiting() const { return helloWaiting_; }

private:
    // One client at a time, until it leaves or the server stops.
    void serve()
    {
        while (!stop_) {
            pollfd p[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN))
                continue;
            const int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) {
                serveClient(c);
                ::close(c);
            }
        }
    }

    void serveClient(int c)
    {
        wire::Decoder decoder;
        wire::Frame req;
        uint8_t buf[4096];
        while (!stop_) {
            pollfd p[2] = {{c, POLLIN, 0}, {wake_[0], POLLIN, 0}};
            if (::poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN))
                return;
            const ssize_t n = ::recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            decoder.feed(buf, size_t(n));
            while (decoder.next(req))
                if (!answer(c, req))
                    return;
        }
    }

    bool answer(int c, const wire::Frame& req)
    {
        wire::Frame a;
        a.seq = req.seq;
        a.cmd = req.cmd;
        if (req.cmd == wire::cmd::Bye)
            return true;
        if (req.cmd == wire::cmd::Hello) {
            helloWaiting_ = holdHello_.load();
            while (holdHello_ && !stop_)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            helloWaiting_ = false;
            a.payload = wire::m6c::HelloAnswer().encoded();
            return sendAll(c, wire::encode(a));
        }
        a.payload = {0};
        std::vector<uint8_t> bytes = wire::encode(a);
        switch (script_.load()) {
        case Script::Answer:
            break;
        case Script::HalfFrame:
            bytes.resize(bytes.size() / 2);
            break;
        case Script::MaxHeaderThenSilence:
            bytes = {wire::kStartByte,
                     uint8_t(wire::kMaxPayload >> 8),
                     uint8_t(wire::kMaxPayload),
                     req.seq,
                     req.cmd,
                     0,
                     0};
            bytes[6] = wire::headerCheck(bytes.data());
            break;
        case Script::WrongSequence:
            a.seq = uint8_t(req.seq == 255 ? 1 : req.seq + 1);
            bytes = wire::encode(a);
            break;
        }
        return sendAll(c, bytes);
    }

    static bool sendAll(int c, const std::vector<uint8_t>& b)
    {
        size_t off = 0;
        while (off < b.size()) {
            const ssize_t n = ::send(c, b.data() + off, b.size() - off, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            off += size_t(n);
        }
        return true;
    }

    int listen_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<Script> script_{Script::Answer};
    std::atomic<bool> holdHello_{false};
    std::atomic<bool> helloWaiting_{false};
    std::thread thread_;
};
