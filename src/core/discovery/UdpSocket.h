#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Where a datagram came from, or where one goes: host-order address and port.
struct UdpPeer
{
    uint32_t address = 0;
    uint16_t port = 0;
    bool operator==(const UdpPeer& o) const { return address == o.address && port == o.port; }
    bool operator!=(const UdpPeer& o) const { return !(*this == o); }
};

// A datagram socket towards one destination, for reader discovery and the firmware transfer.
// Plain C++ over POSIX sockets; addresses and ports are host-order numbers.
class UdpSocket
{
public:
    // Longer datagrams are cut to this many bytes.
    static constexpr int kMaxDatagram = 255;
    // Room for a few hundred discovery answers arriving at once.
    static constexpr int kReceiveBufferBytes = 1 << 20;

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool Open(uint16_t port, uint32_t address);
    // As Open, with broadcasts allowed.
    bool OpenBroadcast(uint16_t port, uint32_t address);
    // One datagram to the destination, tried at most three times; true when it went out whole.
    bool Send(const void* data, int length);
    // Waits up to waitMs (0 means 3000) for one datagram. Returns its length, cut to kMaxDatagram;
    // -1 when that is more than capacity (the datagram is dropped); 0 when the wait passed, the socket
    // is closed or the stop flag was raised. Returns at once when a datagram is waiting.
    int Receive(void* buffer, int capacity, int waitMs, UdpPeer* from = nullptr);
    bool Close();

    bool IsOpen() const { return m_fd >= 0; }
    void SetDestination(const UdpPeer& destination) { m_destination = destination; }
    UdpPeer Destination() const { return m_destination; }
    // Receive gives up within about 20 ms of *stop turning true.
    void SetStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    // What the kernel granted (it may cap the request).
    int ReceiveBufferBytes() const;

    // Dotted text to a host-order address; false for anything else.
    static bool ParseIPv4(const std::string& text, uint32_t* address);
    static std::string FormatIPv4(uint32_t address);

private:
    bool OpenSocket(uint16_t port, uint32_t address, bool broadcast);
    bool Stopped() const { return m_stop && m_stop->load(); }

    int m_fd = -1;
    UdpPeer m_destination;
    const std::atomic<bool>* m_stop = nullptr;
};
