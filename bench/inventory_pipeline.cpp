// Reports per second through zaltlink from readersim at full rate, over TCP and UDP.
// The simulator runs as its own process (build/bin/readersim) so the CPU figure is the library's and
// the consumer's alone; --inprocess runs it inside this process instead.
// Prints `name value unit` lines.
#include "zaltlink.h"

#include "readersim/simulator.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
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

struct External
{
    pid_t pid = -1;
    int tcpPort = 0;
    int udpPort = 0;

    bool start(const std::string& exe, int tags, const char* rate)
    {
        int out[2];
        if (pipe(out) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::string t = std::to_string(tags);
            execl(exe.c_str(), exe.c_str(), "--tcp", "127.0.0.1:0", "--udp", "127.0.0.1:0", "--tags",
                  t.c_str(), "--rate", rate, nullptr);
            _exit(127);
        }
        close(out[1]);
        FILE* f = fdopen(out[0], "r");
        char line[256];
        bool ready = false;
        while (f && std::fgets(line, sizeof line, f)) {
            char host[64];
            int port = 0;
            if (std::sscanf(line, "tcp %63[^:]:%d", host, &port) == 2)
                tcpPort = port;
            else if (std::sscanf(line, "udp %63[^:]:%d", host, &port) == 2)
                udpPort = port;
            else if (std::strncmp(line, "ready", 5) == 0) {
                ready = true;
                break;
            }
        }
        // Keep the pipe open (the simulator may print more); it is closed when we exit.
        return ready && tcpPort > 0 && udpPort > 0;
    }
    ~External()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

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
    std::string dir = argv[0];
    dir = dir.substr(0, dir.find_last_of('/') + 1);
    const std::string exe = dir + "readersim";

    std::unique_ptr<External> ext;
    std::unique_ptr<readersim::Simulator> sim;
    int tcpPort = 0, udpPort = 0;
    if (!inProcess && access(exe.c_str(), X_OK) == 0) {
        ext = std::make_unique<External>();
        if (!ext->start(exe, tags, "0")) {
            std::fprintf(stderr, "readersim did not start\n");
            return 1;
        }
        tcpPort = ext->tcpPort;
        udpPort = ext->udpPort;
    } else {
        readersim::Options o;
        o.udp = true;
        o.tags = tags;
        o.rate = 0;
        sim = std::make_unique<readersim::Simulator>(o);
        std::string error;
        if (!sim->start(&error)) {
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
        External paced;
        if (paced.start(exe, tags, "50000"))
            run("udp_50k", true, paced.udpPort, seconds);
        // A quiet field: the worker must idle, not spin.
        External slow;
        if (slow.start(exe, tags, "1000"))
            run("tcp_1k", false, slow.tcpPort, seconds);
    }
    return 0;
}
