#include "cli/CliServe.h"

#include "cli/CliCommon.h"
#include "cli/CliOptions.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessReaderRegistry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kStopWaitMs = 3000;
constexpr qint64 kLiveCheckMs = 1000;

void TakeReads(WirelessReaderRegistry* registry, CliRowSink& sink)
{
    for (const QString& key : registry->Keys()) {
        WirelessRecvProcThread* thread = registry->Thread(key);
        for (const TagRead& read : thread->takeReads()) {
            sink.add(read, key);
        }
    }
    if (std::fflush(stdout) != 0) {
        g_cliInterrupted.store(true);
    }
}

// A reader whose link is gone is dropped once its last reads are printed; coming back, it is announced
// anew (with a new key), so a long run does not gather dead readers.
void DropLostReaders(WirelessReaderRegistry* registry, CliRowSink& sink, QSet<QString>& announced)
{
    for (const QString& key : registry->Keys()) {
        WirelessRecvProcThread* thread = registry->Thread(key);
        const quintptr reader = thread->reader();
        unsigned int lastHeard = 0;
        if (WIRELESS_ZALT_GetLastTime(registry->Handle(), reader, &lastHeard)) {
            continue;
        }
        thread->requestStop();
        thread->waitStopped(kStopWaitMs);
        for (const TagRead& read : thread->takeReads()) {
            sink.add(read, key);
        }
        registry->RemoveReader(reader, key);
        announced.remove(key);
        CliErr(LangText("IDCS_CLI_READER_GONE").arg(key));
    }
}

} // namespace

int RunServe(const CliRequest& r)
{
    WirelessReaderRegistry* registry = WirelessReaderRegistry::Instance();
    registry->SetKeepReads(true);
    if (!WIRELESS_ApiInit(registry->HandleAddress())) {
        CliErr(LangText("IDCS_CLI_SERVE_FAILED").arg(r.listenHost).arg(r.listenPort));
        WirelessReaderRegistry::DestroyInstance();
        return ExitFailed;
    }
    CliRowSink sink(r, true);
    QSet<QString> announced;
    // Readers are announced on the library's thread; the queued signal brings them here.
    QObject::connect(registry, &WirelessReaderRegistry::sig_RecvreaderInfo, registry,
                     [registry, &announced](quintptr reader) {
                         if (!registry->IsLive(reader)) {
                             return;
                         }
                         const QString key = WirelessReaderRegistry::ReaderKey(reader);
                         registry->StartReader(reader, key, WirelessRecvProcThread::ReadEpc);
                         if (!announced.contains(key)) {
                             announced.insert(key);
                             CliErr(LangText("IDCS_CLI_READER_CONNECTED").arg(key));
                         }
                     });
    int status = ExitOk;
    // Listening first: a server that cannot listen prints no header. Reads wait in the threads until
    // the loop takes them, after the header.
    if (!WIRELESS_StartServer(registry->Handle(), r.listenHost.toUtf8().constData(), r.listenPort,
                              WirelessReaderRegistry::Callback())) {
        CliErr(LangText("IDCS_CLI_SERVE_FAILED").arg(r.listenHost).arg(r.listenPort));
        status = ExitFailed;
    } else if (!sink.start()) {
        status = ExitFailed;
    } else {
        CliErr(LangText("IDCS_CLI_LISTENING").arg(r.listenHost).arg(r.listenPort));
        QElapsedTimer sinceCheck;
        sinceCheck.start();
        while (!g_cliInterrupted.load()) {
            QCoreApplication::processEvents();
            TakeReads(registry, sink);
            if (sinceCheck.elapsed() >= kLiveCheckMs) {
                DropLostReaders(registry, sink, announced);
                sinceCheck.restart();
            }
            QThread::msleep(10);
        }
        // Every loop winds down first, so the reads each took before it ended are printed too.
        for (const QString& key : registry->Keys()) {
            registry->Thread(key)->requestStop();
        }
        for (const QString& key : registry->Keys()) {
            registry->Thread(key)->waitStopped(kStopWaitMs);
        }
        TakeReads(registry, sink);
        status = sink.finish();
    }
    registry->StopAll();
    registry->WaitStopped(kStopWaitMs);
    WIRELESS_StopServer(registry->Handle());
    WIRELESS_Quit(registry->HandleAddress());
    *registry->HandleAddress() = 0;
    WirelessReaderRegistry::DestroyInstance();
    return status;
}
