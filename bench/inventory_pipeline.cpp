// Reports per second through zaltlink from readersim at full rate, over TCP and UDP.
// The simulator runs as its own process (build/bin/readersim) so the CPU figure is the library's and
// the consumer's alone; --inprocess runs it inside this process instead.
// Prints `name value unit` lines.
#include "zaltlink.h"

#include "readersim/launch.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void run(const char* name, bool udp, int port, double seconds)
{
    ZALT_HANDLE h = -1;
    bool ok = udp ? ZALT_UDPInit(&h, "127.0.0.1", port) : ZALT_TCPInit(&h, "127.0.0.1", port);
    if (!ok || !ZALT_Open(h)) {
        std::printf("pipeline.%s.error 1 -\n", name);
        return;
    }
    unsigned long long rec0 = 0, lost0 = 0, dbl0 = 0, ovf0 = 0;
    ZALT_GetReportStats(h, &rec0, &lost0, &dbl0, &ovf0);
    if (!ZALT_6CReadEPCCode(h, 0, 1, 1)) {
        std::printf("pipeline.%s.error 2 -\n", name);
        ZALT_Close(h);
        return;
    }
    // As in the program: a worker pulls reports, another thread stops the run.
    std::atomic<bool> stop{false};
    std::atomic<unsigned long long> pulled{0};
    std::thread worker([&] {
        unsigned char ant, epc[255], len;
        int misses = 0;
        while (!stop.load() || misses < 5) {
            len = 255;
            if (ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1) {
                pulled.fetch_add(1, std::memory_order_relaxed);
                misses = 0;
            } else if (stop.load()) {
                ++misses;
            }
        }
    });
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const unsigned long long inTime = pulled.load();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    ZALT_PowerOff(h);
    // The worker drains what was in flight so the sequence check sees the whole run.
    stop = true;
    worker.join();
    unsigned long long rec = 0, lost = 0, dbl = 0, ovf = 0;
    ZALT_GetReportStats(h, &rec, &lost, &dbl, &ovf);
    ZALT_Close(h);
    std::printf("pipeline.%s.reports_per_s %.0f 1/s\n", name, double(inTime) / wall);
    std::printf("pipeline.%s.reports %llu 1\n", name, pulled.load());
    std::printf("pipeline.%s.lost %llu 1\n", name, (lost - lost0) + (ovf - ovf0));
    std::printf("pipeline.%s.queue_overflow %llu 1\n", name, ovf - ovf0);
    std::printf("pipeline.%s.doubled %llu 1\n", name, dbl - dbl0);
    std::printf("pipeline.%s.cpu_percent %.1f %%\n", name, 100.0 * cpu / wall);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3;
    bool inProcess = false;
    int tags = 200;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--inprocess"))
            inProcess = true;
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--tags") && i + 1 < argc)
            tags = std::atoi(argv[++i]);
    }
    readersim::Options o;
    o.udp = true;
    o.tags = tags;
    o.rate = 0;
    auto external = [&o](double rate) {
        readersim::Options paced = o;
        paced.rate = rate;
        std::string error;
        auto p = readersim::Process::start(paced, &error);
        if (!p)
            std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return p;
    };

    std::unique_ptr<readersim::Process> ext;
    std::unique_ptr<readersim::Simulator> sim;
    int tcpPort = 0, udpPort = 0;
    if (!inProcess && access(readersim::Process::programPath().c_str(), X_OK) == 0) {
        ext = external(0);
        if (!ext)
            return 1;
        tcpPort = ext->tcpPort();
        udpPort = ext->udpPort();
    } else {
        std::string error;
        sim = readersim::startInProcess(o, &error);
        if (!sim) {
            std::fprintf(stderr, "readersim: %s\n", error.c_str());
            return 1;
        }
        tcpPort = sim->tcpPort();
        udpPort = sim->udpPort();
        std::printf("pipeline.inprocess 1 -\n");
    }
    run("tcp", false, tcpPort, seconds);
    run("udp", true, udpPort, seconds);
    // UDP has no flow control: also measure it at a fixed rate well above the bar.
    if (ext) {
        if (auto paced = external(50000))
            run("udp_50k", true, paced->udpPort(), seconds);
        // A quiet field: the worker must idle, not spin.
        if (auto slow = external(1000))
            run("tcp_1k", false, slow->tcpPort(), seconds);
    }
    return 0;
}
