// readersim's LLRP endpoint: the 6C reader's tags (a ReaderModel) behind the EPCglobal LLRP protocol
// (docs/llrp.md, docs/simulator.md), on a TCP listener of its own.
//
//     readersim::ReaderModel model(seed, 20);
//     readersim::LlrpServer llrp(model, readersim::LlrpOptions());   // 127.0.0.1, a free port
//     if (!llrp.start(&error)) ...;
//     connect to 127.0.0.1:llrp.port() ...
//
// One client at a time, as a reader does: a second one is told so (ConnectionAttemptEvent) and
// closed. ROSpecs, AccessSpecs and the keepalive period last as long as the connection; antenna
// powers last as long as the server. One thread serves the listener and the client.
#pragma once

#include "readersim/model.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace readersim {

struct LlrpOptions
{
    std::string host = "127.0.0.1";
    int port = 0; // 0 = pick a free port
    bool allowAnyAddress = false;
    double rate = 200;      // tag reports per second while a ROSpec runs; 0 = as fast as the link takes them
    int silentAfterMs = -1; // go silent this long after a client connects (see setSilent), -1 = never
    // The transmit power table, dBm × 100 for index 1, 2, ...; empty: kPowerLevels levels from 10.00 dBm.
    std::vector<int16_t> powerTable;
};

class LlrpServer
{
public:
    LlrpServer(ReaderModel& model, const LlrpOptions& options);
    ~LlrpServer();
    LlrpServer(const LlrpServer&) = delete;
    LlrpServer& operator=(const LlrpServer&) = delete;

    // Binds the listener and starts the thread; false (and *error set) on a refused address or bind.
    bool start(std::string* error = nullptr);
    void stop();
    int port() const;

    // A reader that hangs with its link up: it answers nothing and sends nothing, keepalives
    // included, until set back.
    void setSilent(bool silent);
    void setRate(double reportsPerSecond);
    uint64_t tagReportsSent() const; // TagReportData sent since start
    int clients() const;             // 0 or 1
    size_t specsHeld() const;        // ROSpecs and AccessSpecs the client has on the reader

    static constexpr int kAntennas = 4;
    static constexpr int kPowerLevels = 81; // index 1 is 10.00 dBm, each next one 0.25 dB more
    static constexpr uint16_t kDefaultPowerIndex = kPowerLevels; // with the table above

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace readersim
