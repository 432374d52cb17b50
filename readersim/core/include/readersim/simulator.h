// readersim: a simulated reader behind real TCP, UDP and pseudo-terminal endpoints.
//
// In-process use (tests):
//     readersim::Options o;            // TCP on 127.0.0.1, free port
//     o.tags = 20; o.rate = 0;
//     readersim::Simulator sim(o);
//     std::string err;
//     if (!sim.start(&err)) ...;
//     connect to 127.0.0.1:sim.tcpPort() ...
//     sim.model().tag(0).reports[1] ...  // what was sent
//     sim.stop();                       // also done by the destructor
//
// One event thread serves every endpoint with poll(); the model is guarded by its own mutex, so the
// accessors below are safe from any thread while the simulator runs.
#pragma once

#include "readersim/gjb_model.h"
#include "readersim/model.h"
#include "readersim/module.h"

#include <cstdint>
#include <memory>
#include <string>

namespace readersim {

struct Core;

struct Options
{
    std::string family = "6c"; // the reader family played: "6c" or "gjb"
    bool tcp = true;
    std::string tcpHost = "127.0.0.1";
    int tcpPort = 0; // 0 = pick a free port
    bool udp = false;
    std::string udpHost; // empty = tcpHost
    int udpPort = 0;
    bool pty = false;
    bool allowAnyAddress = false; // refuse binds outside 127.0.0.0/8 unless set

    int tags = 50;
    double rate = 200; // reports per second; 0 = as fast as the link takes them
    uint32_t seed = 1;

    // Fault injection (all changeable at run time through the setters below).
    int latencyMs = 0;         // delay every answer
    double dropP = 0;          // drop an answer frame with this probability
    double corruptP = 0;       // flip one byte of an outgoing frame with this probability
    long cutAfter = -1;        // close the link after this many frames sent on it (once), -1 = never
    bool faultReports = false; // drop/corrupt also apply to tag reports, not only to answers

    int rebootMs = 0;       // after a reboot, refuse connections and ignore requests for this long
    int heartbeatMs = 1000; // heartbeat interval on links with an open session, 0 = none

    // A wireless reader: it connects to a server itself (readersim/wireless.h), opens its session at
    // once and, in automatic work mode, starts reading; it connects again reconnectMs after a lost link.
    bool wireless = false;
    std::string wirelessHost = "127.0.0.1";
    int wirelessPort = 0;
    int reconnectMs = 1000;
    int ioEventMs = 0;        // a wireless reader toggles input 0 this often, 0 = never
    bool reportClock = false; // the clock record (7 bytes) ends the EPC (a TID report's TID)
};

struct LinkStats
{
    uint64_t framesSent = 0;        // every frame written (answers, reports, events)
    uint64_t framesReceived = 0;    // good request frames
    uint64_t badFrames = 0;         // frames that failed the CRC or were malformed
    uint64_t answersDropped = 0;    // by fault injection
    uint64_t framesCorrupted = 0;   // by fault injection
    uint64_t duplicateRequests = 0; // UDP requests answered from the cache
    uint64_t linksCut = 0;          // by cut-after or cutLinks()
    uint64_t connectionsAccepted = 0;
};

class Simulator
{
public:
    explicit Simulator(const Options& options = Options());
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Binds the endpoints and starts the event thread. False (and *error set) on a refused address,
    // an unknown family or a failed bind.
    bool start(std::string* error = nullptr);
    void stop();
    bool running() const;

    int tcpPort() const;
    int udpPort() const;
    std::string ptyPath() const; // changes when a cut closes the pseudo-terminal (a new one is opened)
    const Options& options() const;

    // The 6C reader (family "6c").
    ReaderModel& model();
    // The GJB reader (family "gjb").
    GjbModel& gjbModel();
    // Fits a module behind pass-through (before start()); without one EnterTrans answers NoModule.
    void fitModule(std::unique_ptr<PassThroughModule> module);

    uint64_t reportsSent() const;            // reports queued on links since start (or resetCounts)
    uint64_t reportsSent(int antenna) const; // antenna 1..4
    LinkStats stats() const;
    int tcpClients() const;
    // Waits until at least `count` TCP clients are connected; false on timeout.
    bool waitForClients(int count, int timeoutMs) const;

    // The reader restarts: TCP clients are disconnected and UDP peers forgotten; the pty stays (a
    // serial line does not vanish) but its session ends. The model keeps its persistent settings.
    void reboot();
    // Every link is dropped, as if the cable were pulled; the model is untouched.
    void cutLinks();

    void setLatencyMs(int ms);
    void setDropProbability(double p);
    void setCorruptProbability(double p);
    void setCutAfter(long frames);
    void setFaultReports(bool on);
    void setRate(double reportsPerSecond);

private:
    std::unique_ptr<Core> d;
};

// Parses "HOST:PORT" (port may be 0). False on anything else.
bool parseHostPort(const std::string& text, std::string* host, int* port);
// True for dotted IPv4 addresses in 127.0.0.0/8 and for "localhost".
bool isLoopbackAddress(const std::string& host);

} // namespace readersim
