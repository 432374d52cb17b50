// readersim: answers the host's 24-byte discovery query as one or many readers would.
//
//     readersim::DiscoveryOptions o;      // 127.0.0.1, free port, one reader "READER01"
//     o.readers = 254;                    // 254 answers, addresses counting up from o.firstAddress
//     readersim::DiscoveryResponder r(o);
//     r.start(&err); ... r.port() ...
//
// Answers go only to senders in 127.0.0.0/8 (unless allowAnyAddress), so binding 0.0.0.0 to hear
// loopback broadcasts never makes it talk to a real network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace readersim {

struct DiscoveryOptions
{
    std::string host = "127.0.0.1";         // 0.0.0.0 also hears datagrams sent to 127.255.255.255
    int port = 0;                           // 0 = pick a free port
    std::string name = "READER01";          // device name; with several readers "-001", "-002", ... follow it
    int readers = 1;                        // answer every query as this many readers (1 ... 65535)
    std::string firstAddress = "127.0.0.1"; // the address the first reader reports; the next count up
    std::string secondText = "SIM6C4";      // the text after the name, which the host does not use
    bool allowAnyAddress = false;
};

class DiscoveryResponder
{
public:
    explicit DiscoveryResponder(DiscoveryOptions options = DiscoveryOptions());
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    bool start(std::string* error = nullptr);
    void stop();
    int port() const;

    uint64_t queriesAnswered() const;
    uint64_t answersSent() const;

    // The answer reader `index` (0-based) gives: header, address, mask, gateway, name, second text.
    std::vector<uint8_t> answer(int index) const;
    // True for exactly the host's query datagram.
    static bool isQuery(const uint8_t* data, size_t length);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace readersim
