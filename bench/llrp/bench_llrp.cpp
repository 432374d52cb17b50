// Reads per second through zaltlink's receive call from readersim's LLRP endpoint at full rate
// (readersim as its own process on loopback), and how many reads the reader sent never reached the
// caller (a second run against an in-process reader, which counts what it sent), and what one tag
// operation costs: each is a round of AccessSpec and ROSpec messages.
//   bench_llrp [--seconds S] [--tags N]
// Prints `name value unit` lines.
#include "zaltlink_llrp.h"

#include "readersim/launch.h"
#include "readersim/llrp_server.h"
#include "readersim/model.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

struct RunResult
{
    bool ok = false;
    double perSecond = 0;
    unsigned long long reads = 0;
};

// The port from readersim's "llrp HOST:PORT" line; 0 when it printed none.
int LlrpPort(const readersim::Process& p)
{
    for (const std::string& line : p.output()) {
        if (line.rfind("llrp ", 0) == 0) {
            const size_t colon = line.rfind(':');
            return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
        }
    }
    return 0;
}

// An inventory of `seconds` with a worker pulling reads as the program does, then a stop and a drain
// of what was in flight before the stop's answer.
RunResult Run(int port, double seconds)
{
    RunResult result;
    ZALT_HANDLE h = -1;
    if (!ZALT_LLRPInit(&h, "127.0.0.1", port) || !ZALT_Open(h)) {
        return result;
    }
    if (!ZALT_6CReadEPCCode(h, 0, 1, 0)) {
        ZALT_Close(h);
        return result;
    }
    std::atomic<bool> stop{false};
    std::atomic<unsigned long long> pulled{0};
    std::thread worker([&] {
        unsigned char antenna = 0;
        unsigned char epc[255];
        int misses = 0;
        while (!stop.load() || misses < 5) {
            unsigned char len = 255;
            if (ZALT_6CRevEPCMsg(h, &antenna, epc, &len) == 1) {
                pulled.fetch_add(1, std::memory_order_relaxed);
                misses = 0;
            } else if (stop.load()) {
                ++misses;
            }
        }
    });
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const unsigned long long inTime = pulled.load();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    result.ok = ZALT_PowerOff(h) != 0;
    stop = true;
    worker.join();
    ZALT_Close(h);
    result.perSecond = double(inTime) / wall;
    result.reads = pulled.load();
    return result;
}

// Milliseconds per one-word user-memory read of the first tag found, over `n` reads.
double UserReadMs(int port, int n)
{
    ZALT_HANDLE h = -1;
    if (!ZALT_LLRPInit(&h, "127.0.0.1", port) || !ZALT_Open(h)) {
        return -1;
    }
    const auto t0 = std::chrono::steady_clock::now();
    int done = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char buf[2];
        int len = sizeof buf;
        done += ZALT_6CReadUserData(h, 0, 0, 1, 1000, buf, &len);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    ZALT_Close(h);
    return done == n ? ms / n : -1;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3;
    int tags = 200;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--tags") && i + 1 < argc)
            tags = std::atoi(argv[++i]);
    }
    // The rate: readersim as its own process, so the figure is the library's and the consumer's.
    std::string error;
    auto sim = readersim::Process::startWith(
        {"--llrp", "127.0.0.1:0", "--rate", "0", "--tags", std::to_string(tags)}, &error);
    const int port = sim ? LlrpPort(*sim) : 0;
    if (port == 0) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return 1;
    }
    const RunResult rate = Run(port, seconds);
    sim.reset();
    if (!rate.ok) {
        std::printf("llrp.error 1 -\n");
        return 1;
    }
    std::printf("llrp.reports_per_s %.0f 1/s\n", rate.perSecond);
    std::printf("llrp.reports %llu 1\n", rate.reads);

    // The losses: LLRP numbers no reports, so they are counted against what the reader says it sent,
    // which only an in-process reader can tell.
    readersim::ReaderModel model(1, tags);
    readersim::LlrpOptions options;
    options.rate = 0;
    readersim::LlrpServer server(model, options);
    if (!server.start(&error)) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return 1;
    }
    const RunResult counted = Run(server.port(), seconds);
    if (!counted.ok) {
        std::printf("llrp.error 2 -\n");
        return 1;
    }
    const auto sent = static_cast<long long>(server.tagReportsSent());
    std::printf("llrp.lost %lld 1\n", sent - static_cast<long long>(counted.reads));
    std::printf("llrp.user_read_ms %.2f ms\n", UserReadMs(server.port(), 200));
    std::fflush(stdout);
    return 0;
}
