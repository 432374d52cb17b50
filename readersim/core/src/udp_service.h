// A datagram socket served by a thread of its own: the base of the discovery responder and the TFTP
// server, which live beside the simulator's event loop rather than inside it.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace readersim {

class UdpService
{
public:
    UdpService() = default;
    virtual ~UdpService();
    UdpService(const UdpService&) = delete;
    UdpService& operator=(const UdpService&) = delete;

    // Binds host:port (port 0 picks one) and starts the thread. A host outside 127.0.0.0/8 is refused
    // unless allowAny is set; allowWildcard admits 0.0.0.0, which hears loopback broadcasts.
    bool startService(const std::string& what, const std::string& host, int port, bool allowAny,
                      bool allowWildcard, std::string* error);
    // Derived classes call this first in their destructor: the thread calls their overrides.
    void stopService();
    int boundPort() const { return port_.load(); }
    bool serviceRunning() const { return thread_.joinable(); }

    static bool isLoopback(const sockaddr_in& address);
    static int64_t nowMs();

protected:
    virtual void onDatagram(const uint8_t* data, size_t length, const sockaddr_in& from) = 0;
    // Called after every datagram and at least every tickMs() while idle.
    virtual void onTick(int64_t /*nowMs*/) {}
    virtual int tickMs() const { return 500; }
    bool sendTo(const uint8_t* data, size_t length, const sockaddr_in& to);
    void setReceiveBuffer(int bytes);

private:
    void loop();

    int fd_ = -1;
    int wake_ = -1;
    std::atomic<int> port_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace readersim
