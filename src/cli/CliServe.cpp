#include "cli/CliServe.h"

#include "cli/CliCommon.h"
#include "cli/CliOptions.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessReaderRegistry.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kStopWaitMs = 3000;

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
    if (!sink.start()) {
        status = ExitFailed;
    } else if (!WIRELESS_StartServer(registry->Handle(), r.listenHost.toUtf8().constData(), r.listenPort,
                                     WirelessReaderRegistry::Callback())) {
        CliErr(LangText("IDCS_CLI_SERVE_FAILED").arg(r.listenHost).arg(r.listenPort));
        status = ExitFailed;
    } else {
        CliErr(LangText("IDCS_CLI_LISTENING").arg(r.listenHost).arg(r.listenPort));
        while (!g_cliInterrupted.load()) {
            QCoreApplication::processEvents();
            TakeReads(registry, sink);
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
