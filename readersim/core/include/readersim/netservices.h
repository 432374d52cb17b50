// readersim: the network services a reader offers beside its command endpoints — the discovery
// responder and the TFTP write server — with their command-line options, so the program wires them
// in with a few lines.
#pragma once

#include "readersim/discovery.h"
#include "readersim/simulator.h"
#include "readersim/tftp_server.h"

#include <cstdio>
#include <memory>
#include <string>

namespace readersim {

struct NetServicesOptions
{
    bool discovery = false;
    std::string discoveryHost;
    int discoveryPort = 0;
    std::string name; // empty = the reader's identity name
    int readers = 1;
    bool tftp = false;
    std::string tftpHost;
    int tftpPort = 0;
    std::string tftpDir;
    double duplicateP = 0; // TFTP packets delivered twice; losses follow the simulator's drop rate
};

// Options of the form "--x VALUE": 1 when `option` is one of ours and `value` was taken, 0 when it is
// not ours, -1 (and *error) when the value is bad.
int parseNetServicesOption(const std::string& option, const char* value, NetServicesOptions* out,
                           std::string* error);
extern const char* const kNetServicesUsage;

class NetServices
{
public:
    // Address checks, drop rate and seed follow the simulator's options.
    NetServices(Simulator& sim, NetServicesOptions options);
    ~NetServices();

    bool start(std::string* error);
    // One line per service, as the simulator's endpoints: "discovery 127.0.0.1:4003", "tftp ...".
    void printEndpoints(std::FILE* out) const;

    DiscoveryResponder* discovery() { return discovery_.get(); }
    TftpServer* tftp() { return tftp_.get(); }

private:
    Simulator& sim_;
    NetServicesOptions o_;
    std::unique_ptr<DiscoveryResponder> discovery_;
    std::unique_ptr<TftpServer> tftp_;
};

} // namespace readersim
