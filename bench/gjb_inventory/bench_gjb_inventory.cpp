// The GJB inventory page end to end, readersim as a separate process when it is beside this program.
// Prints `name value unit` lines.
#include "core/app/ReaderDriverHolder.h"
#include "core/gjb/ReadCardThread.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/gjb/ReadCardDlg.h"
#include "gui/inventory/Beeper.h"
#include "gui/inventory/TagListModel.h"

#include <gjbzaltlink.h>
#include <readersim/launch.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

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

struct Reader
{
    std::unique_ptr<readersim::Process> proc;
    std::unique_ptr<readersim::Simulator> inproc;
    int port = 0;

    bool start(int tags, double rate)
    {
        readersim::Options o;
        o.family = "gjb";
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
};

ReaderDllGJB* driver()
{
    return dynamic_cast<ReaderDllGJB*>(ReaderDriverHolder::Instance()->currentReader());
}

bool connectTo(int port)
{
    ReaderDllGJB* d = driver();
    if (!d) {
        return false;
    }
    d->SetTcpParam("127.0.0.1", port);
    if (!d->OpenReader()) {
        return false;
    }
    d->SetState(ReaderDllBase::StateConnected);
    return true;
}

void disconnect()
{
    driver()->CloseReader();
    driver()->SetState(ReaderDllBase::StateDisconnected);
}

void throughput()
{
    Reader reader;
    if (!reader.start(1000, 0) || !connectTo(reader.port)) {
        std::fprintf(stderr, "no reader for the throughput run\n");
        return;
    }
    ReadCardDlg page;
    page.resize(1000, 700);
    page.show();
    page.slot_CirculateBtnClicked();
    QElapsedTimer run;
    run.start();
    spin(3000);
    driver()->StopInventorySpecReadTag();
    const double seconds = run.elapsed() / 1000.0;
    // Let the worker empty the library's queue.
    quint64 seen = 0;
    do {
        seen = page.worker()->receivedCount();
        spin(200);
    } while (page.worker()->receivedCount() != seen);
    page.slot_refresh_time();
    unsigned long long received = 0, lost = 0, doubled = 0, overflowed = 0;
    GJB_GetReportStats(static_cast<GJB_HANDLE>(driver()->GetHandle()), &received, &lost, &doubled,
                       &overflowed);
    const qint64 inTable = page.table().totalReads();
    figure("gjb.reports_per_s", inTable / seconds, "1/s");
    const double missing = double(lost + overflowed + doubled) + (double(received) - double(inTable));
    figure("gjb.lost", missing, "1");
    page.slot_StopBtnClicked();
    disconnect();
}

// Stop while reports arrive at the rated speed.
void stopTime()
{
    Reader reader;
    if (!reader.start(1000, 20000) || !connectTo(reader.port)) {
        std::fprintf(stderr, "no reader for the stop run\n");
        return;
    }
    ReadCardDlg page;
    page.resize(1000, 700);
    page.show();
    double worst = 0;
    for (int i = 0; i < 5; ++i) {
        page.slot_CirculateBtnClicked();
        spin(300);
        QElapsedTimer t;
        t.start();
        page.slot_StopBtnClicked();
        worst = std::max(worst, t.nsecsElapsed() / 1e6);
    }
    figure("gjb.stop_ms", worst, "ms");
    disconnect();
}

// 50 000 tags seen for the first time in one refresh: counting, merging and adding their rows.
void firstSight()
{
    const int tags = 50000;
    GjbTagCounts counts;
    GjbPageTable table;
    TagListModel model;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < tags; ++i) {
        counts.addRead(QStringLiteral("E200%1").arg(i, 20, 16, QLatin1Char('0')).toUpper(), 1 + i % 4,
                       QStringLiteral("12:00:00"));
    }
    const double countMs = t.nsecsElapsed() / 1e6;
    t.restart();
    counts.mergeInto(table);
    table.syncRows(model);
    figure("gjb.first_sight_count_ms.50k", countMs, "ms");
    figure("gjb.first_sight_refresh_ms.50k", t.nsecsElapsed() / 1e6, "ms");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Beeper::SetTestMode(true);
    ReaderDriverHolder::Instance()->CreateDriver("GJB");
    throughput();
    stopTime();
    firstSight();
    ReaderDriverHolder::Instance()->DestroyDriver();
    return 0;
}
