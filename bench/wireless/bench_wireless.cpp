// The wireless server under load: readersim as a separate process plays many readers that connect to
// the server and report as fast as asked; the registry's reader threads count every report, as the
// receive window does. Prints `name value unit` lines:
//   wireless.readers          readers that connected and were counted
//   wireless.reports_per_s    reports counted per second, all readers together
//   wireless.lost             reports the readers sent that were never counted
//   wireless.stop_ms.<N>      clearing the readers and stopping every thread until all have ended
// Usage: bench_wireless [readers=100] [rate per reader=2000] [seconds=5]
#include "FreePort.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "core/wireless/WirelessRecvProcThread.h"

#include <readersim/launch.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

quint64 TotalReads(WirelessReaderRegistry* registry)
{
    quint64 n = 0;
    for (const QString& key : registry->Keys()) {
        n += registry->Thread(key)->reads();
    }
    return n;
}

// Starts readersim with `readers` readers aimed at a fresh listener and a thread per reader; the
// process, or null.
std::unique_ptr<readersim::Process> Serve(WirelessReaderRegistry* registry, int readers, int rate)
{
    const int port = FreeLoopbackPort();
    if (!WIRELESS_StartServer(registry->Handle(), "127.0.0.1", port, WirelessReaderRegistry::Callback())) {
        std::fprintf(stderr, "the server did not start\n");
        return nullptr;
    }
    QSet<quintptr> seen;
    QObject receiver;
    QObject::connect(registry, &WirelessReaderRegistry::sig_RecvreaderInfo, &receiver, [&](quintptr r) {
        if (!seen.contains(r)) {
            seen.insert(r);
            registry->StartReader(r, WirelessReaderRegistry::ReaderKey(r), WirelessRecvProcThread::ReadEpc);
        }
    });
    std::string error;
    auto process = readersim::Process::startWith(
        {"--wireless-server", "127.0.0.1:" + std::to_string(port), "--readers", std::to_string(readers),
         "--rate", std::to_string(rate), "--tags", "200", "--heartbeat", "1000"},
        &error, 30000);
    if (!process) {
        std::fprintf(stderr, "readersim: %s\n", error.c_str());
        return nullptr;
    }
    QElapsedTimer waited;
    waited.start();
    while (seen.size() < readers && waited.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (seen.size() < readers) {
        std::fprintf(stderr, "only %lld of %d readers connected\n", static_cast<long long>(seen.size()),
                     readers);
    }
    return process;
}

double StopMs(WirelessReaderRegistry* registry)
{
    QElapsedTimer t;
    t.start();
    WIRELESS_ClearReader(registry->Handle());
    registry->StopAll();
    registry->WaitStopped(10000);
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int readers = argc > 1 ? std::atoi(argv[1]) : 100;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
    WirelessReaderRegistry* registry = WirelessReaderRegistry::Instance();
    if (!WIRELESS_ApiInit(registry->HandleAddress())) {
        return 1;
    }

    // Throughput and loss: count for a while, end the readers, let the threads take what is queued.
    auto process = Serve(registry, readers, rate);
    if (!process) {
        return 1;
    }
    const int counted = registry->Keys().size();
    const quint64 atStart = TotalReads(registry);
    QElapsedTimer window;
    window.start();
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    const quint64 inWindow = TotalReads(registry) - atStart;
    const double perSecond = static_cast<double>(inWindow) * 1000.0 / static_cast<double>(window.elapsed());
    unsigned long long sent = 0;
    for (const std::string& line : process->finish()) {
        std::sscanf(line.c_str(), "wireless sent %llu", &sent);
    }
    quint64 total = TotalReads(registry);
    for (quint64 previous = ~quint64(0); previous != total;) {
        previous = total;
        QThread::msleep(500);
        total = TotalReads(registry);
    }
    const long long lost = static_cast<long long>(sent) - static_cast<long long>(total);
    StopMs(registry);
    WIRELESS_StopServer(registry->Handle());

    // Stopping: with every reader reporting at full rate.
    auto again = Serve(registry, readers, rate);
    if (!again) {
        return 1;
    }
    QThread::msleep(1000);
    const double stopMs = StopMs(registry);
    WIRELESS_StopServer(registry->Handle());
    again.reset();

    std::printf("wireless.readers %d 1\n", counted);
    std::printf("wireless.reports_per_s %.0f 1/s\n", perSecond);
    std::printf("wireless.lost %lld 1\n", lost < 0 ? 0 : lost);
    std::printf("wireless.stop_ms.%d %.1f ms\n", readers, stopMs);
    WIRELESS_Quit(registry->HandleAddress());
    WirelessReaderRegistry::DestroyInstance();
    return 0;
}
