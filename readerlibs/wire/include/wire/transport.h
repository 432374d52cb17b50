// Byte transports to a reader: TCP, UDP (a frame per datagram) and serial lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace wire {

class Transport
{
public:
    virtual ~Transport() = default;
    // Datagram transports carry exactly one frame per read and per write.
    virtual bool isDatagram() const = 0;
    // Whether an unanswered request is sent again (links that can lose or damage a frame).
    virtual bool retries() const = 0;
    virtual int fd() const = 0;
    // Non-blocking read: >0 bytes read, 0 nothing available, -1 the link is gone.
    virtual long readSome(uint8_t* buf, size_t cap) = 0;
    // Writes all bytes (one datagram) within timeoutMs; false when the link is gone or stuck.
    virtual bool writeAll(const uint8_t* data, size_t len, int timeoutMs) = 0;
    virtual const char* kind() const = 0;
};

// All return null and set *error (an errno value or -1 for a bad argument) on failure.
std::unique_ptr<Transport> openTcp(const std::string& ip, int port, int connectTimeoutMs, int* error);
std::unique_ptr<Transport> openUdp(const std::string& ip, int port, int* error);
std::unique_ptr<Transport> openSerial(const std::string& name, int baud, int* error);
// A connected TCP socket accepted elsewhere (a reader that came to a server); takes the descriptor.
std::unique_ptr<Transport> adoptTcp(int fd);

// "COMn" names /dev/ttyS(n-1); any other text is taken as a device path.
std::string serialDevicePath(const std::string& name);
// True for an IPv4 dotted address and a port of 1..65535.
bool validIpv4(const std::string& ip);

} // namespace wire
