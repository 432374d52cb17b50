// readersim: wireless readers — readers that connect to a server themselves (Rivulet's wireless
// receive window) rather than wait for a host. Each is a Simulator of its own with one outbound link:
// it opens its session at once, sends heartbeats and IO events, reads on its own in automatic work
// mode (parameter 0 = 1, the default here; antenna from parameter 240) and answers every command as
// any reader does. A lost link is tried again after Options::reconnectMs.
//
//     readersim::Options o;
//     o.wireless = true;
//     o.wirelessPort = serverPort;
//     readersim::WirelessReaders readers(o, 20);
//     readers.start(&error);
//     readers.waitConnected(20, 5000);
#pragma once

#include "readersim/simulator.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace readersim {

// Options of the form "--x [VALUE]" for wireless readers: 1 when `option` is one of ours (its value, if
// it takes one, was used), 0 when it is not ours, -1 (and *error) when the value is bad.
int parseWirelessOption(const std::string& option, const char* value, Options* out, std::string* error);
// Whether `option` takes a value.
bool wirelessOptionTakesValue(const std::string& option);
extern const char* const kWirelessUsage;

class WirelessReaders
{
public:
    // `count` readers made from `base` (which names the server); reader i gets seed base.seed + i, so
    // every reader has its own tags and serial number.
    WirelessReaders(const Options& base, int count);
    ~WirelessReaders();
    WirelessReaders(const WirelessReaders&) = delete;
    WirelessReaders& operator=(const WirelessReaders&) = delete;

    bool enabled() const { return base_.wireless; }
    bool start(std::string* error);
    void stop();

    size_t size() const { return readers_.size(); }
    Simulator& reader(size_t i) { return *readers_.at(i); }
    // Readers whose link to the server is up.
    int connected() const;
    bool waitConnected(int count, int timeoutMs) const;
    // Tag reports queued on links by every reader since it started.
    uint64_t reportsSent() const;
    // "wireless HOST:PORT N", as the endpoints print themselves.
    void printEndpoints(std::FILE* out) const;

private:
    Options base_;
    int count_;
    std::vector<std::unique_ptr<Simulator>> readers_;
};

} // namespace readersim
