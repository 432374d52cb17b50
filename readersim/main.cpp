// readersim: plays a reader on loopback endpoints until SIGINT or SIGTERM.
#include "readersim/netservices.h"
#include "readersim/simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <string>

namespace {

const char* kUsage =
    "usage: readersim [--family 6c] [--tcp HOST:PORT] [--udp HOST:PORT] [--pty]\n"
    "                 [--tags N] [--rate R] [--seed S]\n"
    "                 [--latency MS] [--drop P] [--corrupt P] [--cut-after N] [--fault-reports]\n"
    "                 [--heartbeat MS] [--reboot-ms MS] [--allow-any-address]\n"
    "Port 0 picks a free port. Prints one line per endpoint, then \"ready\".\n"
    "Addresses outside 127.0.0.0/8 need --allow-any-address.\n";

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

} // namespace

int main(int argc, char** argv)
{
    readersim::Options o;
    o.tcp = false;
    readersim::NetServicesOptions net;
    std::string netError;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char** v) {
            if (i + 1 >= argc) {
                return false;
            }
            *v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        long n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(readersim::kNetServicesUsage, stdout);
            return 0;
        } else if (a == "--pty") {
            o.pty = true;
        } else if (a == "--allow-any-address") {
            o.allowAnyAddress = true;
        } else if (a == "--fault-reports") {
            o.faultReports = true;
        } else if (!value(&v)) {
            return fail("missing value or unknown option: " + a + "\n" + kUsage);
        } else if (int ours = readersim::parseNetServicesOption(a, v, &net, &netError); ours != 0) {
            if (ours < 0) {
                return fail(netError);
            }
        } else if (a == "--family") {
            o.family = v;
        } else if (a == "--tcp") {
            if (!readersim::parseHostPort(v, &o.tcpHost, &o.tcpPort)) {
                return fail(std::string("bad --tcp HOST:PORT: ") + v);
            }
            o.tcp = true;
        } else if (a == "--udp") {
            if (!readersim::parseHostPort(v, &o.udpHost, &o.udpPort)) {
                return fail(std::string("bad --udp HOST:PORT: ") + v);
            }
            o.udp = true;
        } else if (a == "--tags") {
            if (!toLong(v, 0, 10000000, &n)) {
                return fail(std::string("bad --tags: ") + v);
            }
            o.tags = int(n);
        } else if (a == "--rate") {
            if (!toDouble(v, 0, 1e9, &o.rate)) {
                return fail(std::string("bad --rate: ") + v);
            }
        } else if (a == "--seed") {
            if (!toLong(v, 0, 0xFFFFFFFFL, &n)) {
                return fail(std::string("bad --seed: ") + v);
            }
            o.seed = uint32_t(n);
        } else if (a == "--latency") {
            if (!toLong(v, 0, 600000, &n)) {
                return fail(std::string("bad --latency: ") + v);
            }
            o.latencyMs = int(n);
        } else if (a == "--drop") {
            if (!toDouble(v, 0, 1, &o.dropP)) {
                return fail(std::string("bad --drop (0..1): ") + v);
            }
        } else if (a == "--corrupt") {
            if (!toDouble(v, 0, 1, &o.corruptP)) {
                return fail(std::string("bad --corrupt (0..1): ") + v);
            }
        } else if (a == "--cut-after") {
            if (!toLong(v, -1, 0x7FFFFFFFL, &n)) {
                return fail(std::string("bad --cut-after: ") + v);
            }
            o.cutAfter = n;
        } else if (a == "--heartbeat") {
            if (!toLong(v, 0, 3600000, &n)) {
                return fail(std::string("bad --heartbeat: ") + v);
            }
            o.heartbeatMs = int(n);
        } else if (a == "--reboot-ms") {
            if (!toLong(v, 0, 600000, &n)) {
                return fail(std::string("bad --reboot-ms: ") + v);
            }
            o.rebootMs = int(n);
        } else {
            return fail("unknown option: " + a + "\n" + kUsage);
        }
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

    readersim::Simulator sim(o);
    std::string error;
    if (!sim.start(&error)) {
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
    readersim::NetServices services(sim, net);
    if (!services.start(&netError)) {
        return fail(netError);
    }
    services.printEndpoints(stdout);
    std::printf("ready\n");
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    sim.stop();
    return 0;
}
