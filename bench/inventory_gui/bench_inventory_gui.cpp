// The 6C inventory page end to end. Prints `name value unit` lines.
// The simulator runs as its own process (readersim beside this program) so the CPU figure is the
// program's alone; without it the simulator runs in-process and the CPU figure is skipped.
// refresh_ms.N: a table of N tags, every one read again since the last refresh (the worst case),
// handing over, applying, updating the model and repainting, offscreen; .first is the refresh
// that adds all N rows. BENCH_DETAIL=1 prints where the time goes.
#include "core/app/ReaderDriverHolder.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderDllCommon.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"

#include <readersim/launch.h>
#include <zaltlink.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void figure(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A reader: readersim as a child process when it is there, else in-process.
struct Reader
{
    std::unique_ptr<readersim::Process> proc;
    std::unique_ptr<readersim::Simulator> inproc;
    int port = 0;

    bool start(int tags, double rate)
    {
        readersim::Options o;
        o.tags = tags;
        o.rate = rate;
        if (QFileInfo(QString::fromStdString(readersim::Process::programPath())).isExecutable()) {
            proc = readersim::Process::start(o);
            port = proc ? proc->tcpPort() : 0;
        } else {
            inproc = readersim::startInProcess(o);
            port = inproc ? inproc->tcpPort() : 0;
        }
        return port > 0;
    }
    bool external() const { return !inproc; }
};

ReaderDllBase* driver()
{
    return ReaderDriverHolder::Instance()->currentReader();
}

bool connectTo(int port)
{
    ReaderDllBase* d = driver();
    if (!d->IsState(ReaderDllBase::StateDisconnected)) {
        d->CloseReader();
        d->SetState(ReaderDllBase::StateDisconnected);
    }
    d->SetTcpParam("127.0.0.1", port);
    if (!d->OpenReader()) {
        return false;
    }
    d->SetState(ReaderDllBase::StateConnected);
    return true;
}

void invoke(QObject* o, const char* slot)
{
    QMetaObject::invokeMethod(o, slot, Qt::DirectConnection);
}

void throughput()
{
    Reader reader;
    if (!reader.start(1000, 0) || !connectTo(reader.port)) {
        std::fprintf(stderr, "no reader for the throughput run\n");
        return;
    }
    ReadCardFor6CDlg page;
    page.resize(1000, 700);
    page.show();
    invoke(&page, "slot_startReadBtnClicked");
    QElapsedTimer run;
    run.start();
    spin(3000);
    const auto handle = static_cast<ZALT_HANDLE>(driver()->GetHandle());
    ZALT_PowerOff(handle);
    const double seconds = run.elapsed() / 1000.0;
    // Let the worker empty the library's queue.
    quint64 seen = 0;
    do {
        seen = page.worker()->receivedCount();
        spin(200);
    } while (page.worker()->receivedCount() != seen);
    invoke(&page, "slot_refresh_time");
    unsigned long long received = 0, lost = 0, doubled = 0, overflowed = 0;
    ZALT_GetReportStats(handle, &received, &lost, &doubled, &overflowed);
    const qint64 inTable = page.table().totalReads();
    figure("inventory.reports_per_s", inTable / seconds, "1/s");
    const double missing = double(lost + overflowed + doubled) + (double(received) - double(inTable));
    figure("inventory.lost", missing, "1");
    // What asking for a report's signal strength costs, on a handle that has none: the price per
    // read the page would pay if it asked every reader.
    constexpr int kAsks = 1000000;
    int dbm = 0;
    int carried = 0;
    QElapsedTimer asking;
    asking.start();
    for (int i = 0; i < kAsks; ++i) {
        carried += ReaderDllCommon::LastReportRssi(handle, &dbm) ? 1 : 0;
    }
    figure("inventory.rssi_call_ns", double(asking.nsecsElapsed()) / kAsks, "ns");
    if (carried != 0) {
        std::fprintf(stderr, "a 6C report carried a signal strength\n");
    }
    invoke(&page, "slot_stopReadBtnClicked");

    // Under a flood the reader's answer to the stop waits behind the reports already in flight.
    QElapsedTimer t;
    invoke(&page, "slot_startReadBtnClicked");
    spin(300);
    t.start();
    invoke(&page, "slot_stopReadBtnClicked");
    figure("inventory.stop_ms.flood", t.nsecsElapsed() / 1e6, "ms");
    driver()->CloseReader();
    driver()->SetState(ReaderDllBase::StateDisconnected);
}

// Stop while reports arrive at the pipeline's rated speed.
void stopTime()
{
    Reader reader;
    if (!reader.start(1000, 20000) || !connectTo(reader.port)) {
        std::fprintf(stderr, "no reader for the stop run\n");
        return;
    }
    ReadCardFor6CDlg page;
    page.resize(1000, 700);
    page.show();
    const auto handle = static_cast<ZALT_HANDLE>(driver()->GetHandle());
    double worst = 0;
    for (int i = 0; i < 5; ++i) {
        invoke(&page, "slot_startReadBtnClicked");
        spin(300);
        QElapsedTimer t;
        t.start();
        invoke(&page, "slot_stopReadBtnClicked");
        worst = std::max(worst, t.nsecsElapsed() / 1e6);
    }
    figure("inventory.stop_ms", worst, "ms");
    if (qEnvironmentVariableIsSet("BENCH_DETAIL")) {
        for (int i = 0; i < 3; ++i) {
            invoke(&page, "slot_startReadBtnClicked");
            spin(300);
            QElapsedTimer t;
            t.start();
            ZALT_PowerOff(handle);
            const double off = t.nsecsElapsed() / 1e6;
            invoke(&page, "slot_stopReadBtnClicked");
            std::fprintf(stderr, "poweroff %.1f ms, whole stop %.1f ms\n", off, t.nsecsElapsed() / 1e6);
        }
    }
    driver()->CloseReader();
    driver()->SetState(ReaderDllBase::StateDisconnected);
}

void cpuAt1000()
{
    Reader reader;
    if (!reader.start(200, 1000) || !connectTo(reader.port)) {
        std::fprintf(stderr, "no reader for the CPU run\n");
        return;
    }
    if (!reader.external()) {
        std::fprintf(stderr, "inventory.cpu_percent.1000rps skipped: readersim not beside this program\n");
        return;
    }
    ReadCardFor6CDlg page;
    page.resize(1000, 700);
    page.show();
    invoke(&page, "slot_startReadBtnClicked");
    if (qEnvironmentVariableIsSet("BENCH_HIDDEN")) {
        page.hide(); // what the refresh costs without painting
    }
    spin(1000);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    spin(5000);
    const double cpu = cpuSeconds() - cpu0;
    figure("inventory.cpu_percent.1000rps", 100.0 * cpu / (wall.elapsed() / 1000.0), "%");
    invoke(&page, "slot_stopReadBtnClicked");
    driver()->CloseReader();
    driver()->SetState(ReaderDllBase::StateDisconnected);
}

// Reads numbered as the worker numbers them.
void pushAll(ReadCardFor6CDlg& page, TagKeyResolver& resolver, int tags, int antenna)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    TagReadBuffer& buffer = page.worker()->buffer();
    for (int i = 0; i < tags; ++i) {
        TagRead r;
        r.epc = QStringLiteral("E2801160600002%1").arg(i, 10, 16, QLatin1Char('0')).toUpper();
        r.antenna = antenna;
        r.msecsSinceEpoch = now;
        r.generation = buffer.generation();
        resolver.resolve(r);
        buffer.push(std::move(r));
    }
}

// Every tag read again since the last refresh: the refresh's worst case.
void refreshCost(int tags, const char* name)
{
    ReadCardFor6CDlg page;
    page.resize(1000, 700);
    page.show();
    auto* tree = page.findChild<QTreeView*>("tagTree");
    auto refreshAndPaint = [&] {
        QElapsedTimer t;
        t.start();
        invoke(&page, "slot_refresh_time");
        const double a = t.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
        const double b = t.nsecsElapsed() / 1e6;
        tree->viewport()->repaint();
        if (qEnvironmentVariableIsSet("BENCH_DETAIL")) {
            std::fprintf(stderr, "refresh %.1f, events %.1f, paint %.1f ms\n", a, b - a,
                         t.nsecsElapsed() / 1e6 - b);
        }
        return t.nsecsElapsed() / 1e6;
    };
    TagKeyResolver resolver;
    pushAll(page, resolver, tags, 1);
    const double first = refreshAndPaint();
    if (qEnvironmentVariableIsSet("BENCH_DETAIL")) {
        std::fprintf(stderr, "%s header %d viewport %dx%d stretch %d\n", tree->metaObject()->className(),
                     tree->header()->length(), tree->viewport()->width(), tree->viewport()->height(),
                     tree->header()->stretchLastSection());
    }
    double worst = 0;
    for (int round = 0; round < 5; ++round) {
        pushAll(page, resolver, tags, 1 + round % 4);
        worst = std::max(worst, refreshAndPaint());
    }
    figure(name, worst, "ms");
    figure((QByteArray(name) + ".first").constData(), first, "ms");
}

void lockHold()
{
    const int tags = 100000;
    ReadCardFor6CDlg page;
    page.resize(1000, 700);
    page.show();
    TagKeyResolver numbering;
    pushAll(page, numbering, tags, 1);
    invoke(&page, "slot_refresh_time");
    TagReadBuffer& buffer = page.worker()->buffer();
    buffer.resetHoldStats();
    buffer.setMeasureHold(true);
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        int i = 0;
        while (!stop.load()) {
            TagRead r;
            r.epc = QStringLiteral("E2801160600002%1").arg(i++ % tags, 10, 16, QLatin1Char('0')).toUpper();
            r.antenna = 1 + i % 4;
            r.msecsSinceEpoch = now;
            r.generation = buffer.generation();
            numbering.resolve(r);
            buffer.push(std::move(r));
        }
    });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [&] { invoke(&page, "slot_refresh_time"); });
    refresh.start(100);
    spin(3000);
    stop = true;
    producer.join();
    // The page's side is what the bar is about; the pusher here spins flat out on a shared core,
    // so its figure includes being descheduled while holding the lock.
    figure("inventory.lock_hold_ms.100k", buffer.maxTakeHoldNs() / 1e6, "ms");
    figure("inventory.lock_hold_ms.100k.worker", buffer.maxPushHoldNs() / 1e6, "ms");
    buffer.setMeasureHold(false);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Beeper::SetTestMode(true);
    ReaderDriverHolder::Instance()->CreateDriver("6C");

    if (qEnvironmentVariableIsSet("BENCH_ONLY_CPU")) {
        cpuAt1000();
        return 0;
    }
    if (qEnvironmentVariableIsSet("BENCH_ONLY_REFRESH")) {
        refreshCost(100000, "inventory.refresh_ms.100k");
        return 0;
    }
    throughput();
    stopTime();
    if (qEnvironmentVariableIsSet("BENCH_ONLY_STOP")) {
        return 0;
    }
    refreshCost(10000, "inventory.refresh_ms.10k");
    refreshCost(50000, "inventory.refresh_ms.50k");
    refreshCost(100000, "inventory.refresh_ms.100k");
    lockHold();
    cpuAt1000();

    ReaderDriverHolder::Instance()->DestroyDriver();
    return 0;
}
