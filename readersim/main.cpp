// readersim: plays a reader on loopback endpoints until SIGINT or SIGTERM.
#include "readersim/llrp_server.h"
#include "readersim/netservices.h"
#include "readersim/simulator.h"
#include "readersim/wifi_module.h"
#include "readersim/wireless.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <memory>
#include <pthread.h>
#include <string>

namespace {

const char* kUsage =
    "usage: readersim [OPTION]...\n"
    "Plays a reader on loopback endpoints until SIGINT or SIGTERM. Prints one line per endpoint\n"
    "(\"tcp 127.0.0.1:PORT\", \"udp ...\", \"pty /dev/pts/N\"), then \"ready\".\n"
    "\n"
    "Endpoints (at least one; port 0 picks a free port):\n"
    "  --tcp HOST:PORT        listen for TCP clients\n"
    "  --udp HOST:PORT        serve UDP clients, a link per client address\n"
    "  --pty                  open a pseudo-terminal that plays the serial port\n"
    "  --llrp HOST:PORT       speak LLRP to one TCP client (port 5084 is the standard's)\n"
    "  --allow-any-address    allow HOST outside 127.0.0.0/8\n"
    "Reader:\n"
    "  --family NAME          the reader family played: 6c or gjb (default 6c)\n"
    "  --tags N               size of the seeded tag population (default 50)\n"
    "  --rate R               tag reports per second in an inventory, 0 = as fast as the link\n"
    "                         takes them (default 200)\n"
    "  --seed S               seed of the tags and of the fault dice (default 1)\n"
    "  --heartbeat MS         heartbeat interval on links with a session, 0 = none (default 1000)\n"
    "  --reboot-ms MS         after a reboot, refuse connections and requests this long (default 0)\n"
    "  --wifi                 fit a Wi-Fi module behind pass-through: AT commands after \"+++\"\n"
    "Faults:\n"
    "  --latency MS           delay every answer (default 0)\n"
    "  --drop P               drop an answer with probability P, 0..1 (default 0)\n"
    "  --corrupt P            flip a byte of an outgoing frame with probability P, 0..1 (default 0)\n"
    "  --cut-after N          close a link after N frames sent on it, once (default -1: never)\n"
    "  --fault-reports        drop and corrupt tag reports, heartbeats and IO events too\n"
    "  --llrp-silent-after MS the LLRP reader hangs MS after a client connects: it answers nothing\n"
    "                         and sends nothing, keepalives included, with the link left up\n"
    "\n"
    "  -h, --help             show this text\n";

bool toLong(const char* s, long lo, long hi, long* out)
{
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}

bool toDouble(const char* s, double lo, double hi, double* out)
{
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s, &end);
    if (errno != 0 || end == s || *end != '\0' || !(v >= lo && v <= hi)) {
        return false;
    }
    *out = v;
    return true;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "readersim: %s\n", message.c_str());
    return 2;
}

enum Opt
{
    OptFamily = 256,
    OptTcp,
    OptUdp,
    OptPty,
    OptAllowAnyAddress,
    OptTags,
    OptRate,
    OptSeed,
    OptHeartbeat,
    OptRebootMs,
    OptLatency,
    OptDrop,
    OptCorrupt,
    OptCutAfter,
    OptFaultReports,
    // Network services beside the endpoints (netservices.h parses their values).
    OptDiscovery,
    OptName,
    OptReaders,
    OptTftp,
    OptTftpDir,
    OptDuplicate,
    OptWifi,
    // Wireless readers (wireless.h parses their values).
    OptWirelessServer,
    OptTimeStamp,
    OptReconnectMs,
    OptIoEvents,
    OptLlrp,
    OptLlrpSilentAfter
};

const option kOptions[] = {
    {"family", required_argument, nullptr, OptFamily},
    {"tcp", required_argument, nullptr, OptTcp},
    {"udp", required_argument, nullptr, OptUdp},
    {"pty", no_argument, nullptr, OptPty},
    {"allow-any-address", no_argument, nullptr, OptAllowAnyAddress},
    {"tags", required_argument, nullptr, OptTags},
    {"rate", required_argument, nullptr, OptRate},
    {"seed", required_argument, nullptr, OptSeed},
    {"heartbeat", required_argument, nullptr, OptHeartbeat},
    {"reboot-ms", required_argument, nullptr, OptRebootMs},
    {"latency", required_argument, nullptr, OptLatency},
    {"drop", required_argument, nullptr, OptDrop},
    {"corrupt", required_argument, nullptr, OptCorrupt},
    {"cut-after", required_argument, nullptr, OptCutAfter},
    {"fault-reports", no_argument, nullptr, OptFaultReports},
    {"discovery", required_argument, nullptr, OptDiscovery},
    {"name", required_argument, nullptr, OptName},
    {"readers", required_argument, nullptr, OptReaders},
    {"tftp", required_argument, nullptr, OptTftp},
    {"tftp-dir", required_argument, nullptr, OptTftpDir},
    {"duplicate", required_argument, nullptr, OptDuplicate},
    {"wifi", no_argument, nullptr, OptWifi},
    {"wireless-server", required_argument, nullptr, OptWirelessServer},
    {"time-stamp", no_argument, nullptr, OptTimeStamp},
    {"reconnect-ms", required_argument, nullptr, OptReconnectMs},
    {"io-events", required_argument, nullptr, OptIoEvents},
    {"llrp", required_argument, nullptr, OptLlrp},
    {"llrp-silent-after", required_argument, nullptr, OptLlrpSilentAfter},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

const char* nameOf(int code)
{
    for (const option& o : kOptions) {
        if (o.val == code) {
            return o.name;
        }
    }
    return "?";
}

// Parses the command line into *o; returns -1 to go on, else the exit status.
int parseArguments(int argc, char** argv, readersim::Options* o, readersim::NetServicesOptions* net,
                   bool* wifi, readersim::LlrpOptions* llrp, bool* llrpOn)
{
    opterr = 0; // the messages below name the option
    optind = 1;
    int c;
    while ((c = getopt_long(argc, argv, ":h", kOptions, nullptr)) != -1) {
        const char* v = optarg;
        long n = 0;
        bool ok = true;
        switch (c) {
        case 'h':
            std::fputs(kUsage, stdout);
            std::fputs(readersim::kNetServicesUsage, stdout);
            std::fputs(readersim::kWirelessUsage, stdout);
            return 0;
        case OptFamily:
            o->family = v;
            break;
        case OptTcp:
            ok = readersim::parseHostPort(v, &o->tcpHost, &o->tcpPort);
            o->tcp = true;
            break;
        case OptUdp:
            ok = readersim::parseHostPort(v, &o->udpHost, &o->udpPort);
            o->udp = true;
            break;
        case OptPty:
            o->pty = true;
            break;
        case OptAllowAnyAddress:
            o->allowAnyAddress = true;
            break;
        case OptTags:
            ok = toLong(v, 0, 10000000, &n);
            o->tags = int(n);
            break;
        case OptRate:
            ok = toDouble(v, 0, 1e9, &o->rate);
            break;
        case OptSeed:
            ok = toLong(v, 0, 0xFFFFFFFFL, &n);
            o->seed = uint32_t(n);
            break;
        case OptHeartbeat:
            ok = toLong(v, 0, 3600000, &n);
            o->heartbeatMs = int(n);
            break;
        case OptRebootMs:
            ok = toLong(v, 0, 600000, &n);
            o->rebootMs = int(n);
            break;
        case OptLatency:
            ok = toLong(v, 0, 600000, &n);
            o->latencyMs = int(n);
            break;
        case OptDrop:
            ok = toDouble(v, 0, 1, &o->dropP);
            break;
        case OptCorrupt:
            ok = toDouble(v, 0, 1, &o->corruptP);
            break;
        case OptCutAfter:
            ok = toLong(v, -1, 0x7FFFFFFFL, &n);
            o->cutAfter = n;
            break;
        case OptFaultReports:
            o->faultReports = true;
            break;
        case OptWifi:
            *wifi = true;
            break;
        case OptLlrp:
            ok = readersim::parseHostPort(v, &llrp->host, &llrp->port);
            *llrpOn = true;
            break;
        case OptLlrpSilentAfter:
            ok = toLong(v, 0, 3600000, &n);
            llrp->silentAfterMs = int(n);
            break;
        case OptDiscovery:
        case OptName:
        case OptReaders:
        case OptTftp:
        case OptTftpDir:
        case OptDuplicate: {
            std::string error;
            if (readersim::parseNetServicesOption(std::string("--") + nameOf(c), v, net, &error) < 0) {
                return fail(error);
            }
            break;
        }
        case OptWirelessServer:
        case OptTimeStamp:
        case OptReconnectMs:
        case OptIoEvents: {
            std::string error;
            if (readersim::parseWirelessOption(std::string("--") + nameOf(c), v, o, &error) < 0) {
                return fail(error);
            }
            break;
        }
        case ':':
            return fail(std::string("missing value: ") + argv[optind - 1] + "\n" + kUsage);
        default:
            return fail(std::string("unknown option: ") + argv[optind - 1] + "\n" + kUsage);
        }
        if (!ok) {
            return fail(std::string("bad --") + nameOf(c) + ": " + v);
        }
    }
    if (optind < argc) {
        return fail(std::string("unexpected argument: ") + argv[optind] + "\n" + kUsage);
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    readersim::Options o;
    o.tcp = false;
    readersim::NetServicesOptions net;
    bool wifi = false;
    readersim::LlrpOptions llrpOptions;
    bool llrpOn = false;
    if (const int status = parseArguments(argc, argv, &o, &net, &wifi, &llrpOptions, &llrpOn); status >= 0) {
        return status;
    }
    if (o.udp && o.udpHost.empty()) {
        o.udpHost = "127.0.0.1";
    }
    if (!o.tcp && o.udp) {
        o.tcpHost = o.udpHost;
    }

    // The event thread inherits this mask, so the signals reach sigwait below and nowhere else.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // Wireless readers are simulators of their own; this one plays the reader behind the endpoints.
    readersim::WirelessReaders wireless(o, net.readers);
    o.wireless = false;
    const bool endpoints = o.tcp || o.udp || o.pty || (!wireless.enabled() && !llrpOn);
    readersim::Simulator sim(o);
    if (wifi) {
        sim.fitModule(std::make_unique<readersim::WifiModule>());
    }
    std::string error;
    if (endpoints && !sim.start(&error)) {
        return fail(error);
    }
    // Numeric addresses, so a harness can connect without a resolver.
    auto numeric = [](const std::string& host) {
        return host == "localhost" ? std::string("127.0.0.1") : host;
    };
    if (o.tcp) {
        std::printf("tcp %s:%d\n", numeric(o.tcpHost).c_str(), sim.tcpPort());
    }
    if (o.udp) {
        std::printf("udp %s:%d\n", numeric(o.udpHost).c_str(), sim.udpPort());
    }
    if (o.pty) {
        std::printf("pty %s\n", sim.ptyPath().c_str());
    }
    // The LLRP reader serves the same tags as the 6C reader behind the other endpoints.
    std::unique_ptr<readersim::LlrpServer> llrp;
    if (llrpOn) {
        if (o.family != "6c") {
            return fail("--llrp plays the 6C reader's tags: it needs --family 6c");
        }
        llrpOptions.allowAnyAddress = o.allowAnyAddress;
        llrpOptions.rate = o.rate;
        llrp = std::make_unique<readersim::LlrpServer>(sim.model(), llrpOptions);
        if (!llrp->start(&error)) {
            return fail(error);
        }
        std::printf("llrp %s:%d\n", numeric(llrpOptions.host).c_str(), llrp->port());
    }
    readersim::NetServices services(sim, net);
    if (!services.start(&error)) {
        return fail(error);
    }
    services.printEndpoints(stdout);
    if (wireless.enabled() && !wireless.start(&error)) {
        return fail(error);
    }
    wireless.printEndpoints(stdout);
    std::printf("ready\n");
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    if (llrp) {
        llrp->stop();
    }
    sim.stop();
    if (wireless.enabled()) {
        wireless.stop();
        // What the readers sent, for a host that counts what it received.
        std::printf("wireless sent %llu\n", static_cast<unsigned long long>(wireless.reportsSent()));
        std::fflush(stdout);
    }
    return 0;
}
