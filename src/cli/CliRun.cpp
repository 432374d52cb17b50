#include "cli/CliRun.h"

#include "cli/CliCommon.h"
#include "cli/CliOptions.h"
#include "cli/CliServe.h"
#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/config6c/ConfigKeys.h"
#include "core/config6c/IdentityClock.h"
#include "core/discovery/DiscoveryRun.h"
#include "core/firmware/FirmWareUpdateFor6CThread.h"
#include "core/firmware/FirmwareFile.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "core/inventory/ReadRowFormat.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderDllGJB.h"
#include "core/reader/ReaderErrors.h"

#include <gjbzaltlink.h>
#include <zaltlink.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <utility>

namespace {

constexpr qint64 kQuietMs = 150;

extern "C" void OnInterrupt(int)
{
    g_cliInterrupted.store(true);
}

ZALT_HANDLE Handle()
{
    return static_cast<ZALT_HANDLE>(CurrentReader()->GetHandle());
}

int ErrorCode()
{
    return CurrentReader()->GetErrorCode();
}

bool OpenReader(const CliRequest& r)
{
    ReaderDriverHolder::Instance()->CreateDriver(r.family == QLatin1String("gjb") ? QStringLiteral("GJB")
                                                                                  : QStringLiteral("6C"));
    ReaderDllBase* d = CurrentReader();
    switch (r.link) {
    case CliRequest::Link::Tcp:
        d->SetTcpParam(r.host, r.port);
        break;
    case CliRequest::Link::Udp:
        d->SetUdpParam(r.host, r.port);
        break;
    case CliRequest::Link::Serial:
        d->SetComParam(r.serialPath, r.baud);
        break;
    case CliRequest::Link::Llrp:
        d->SetLlrpParam(r.host, r.port);
        break;
    case CliRequest::Link::None:
        return false;
    }
    if (!d->OpenReader()) {
        CliErr(LangText("IDCS_CLI_CONNECT_FAILED").arg(ReaderError::Text(d->GetErrorCode())));
        return false;
    }
    return true;
}

// An LLRP reader names its maker, model and firmware; it has none of the other identity texts.
int RunLlrpInfo()
{
    static const std::pair<unsigned char, const char*> kItems[] = {
        {0, "maker"}, {1, "model"}, {3, "firmware"}};
    for (const auto& item : kItems) {
        unsigned char buffer[IdentityClock::kQueryBufferSize] = {};
        unsigned char length = IdentityClock::kQueryBufferSize;
        if (!ZALT_SysInfQuery(Handle(), item.first, buffer, &length)) {
            return CliFailed(QLatin1String(item.second), ErrorCode());
        }
        CliOut(QStringLiteral("%1: %2").arg(QLatin1String(item.second),
                                            IdentityClock::identityText(buffer, qMin<int>(length, 255))));
    }
    return ExitOk;
}

int RunInfo()
{
    static const char* const kNames[IdentityClock::IdentityTypeCount] = {
        "name", "model", "serial", "cpu_software", "fpga_dsp", "baseboard_hardware", "rf_board_hardware"};
    for (int type = 0; type < IdentityClock::IdentityTypeCount; ++type) {
        unsigned char buffer[IdentityClock::kQueryBufferSize] = {};
        unsigned char length = IdentityClock::kQueryBufferSize;
        if (!ZALT_SysInfQuery(Handle(), static_cast<unsigned char>(type), buffer, &length)) {
            return CliFailed(QLatin1String(kNames[type]), ErrorCode());
        }
        CliOut(QStringLiteral("%1: %2").arg(QLatin1String(kNames[type]),
                                            IdentityClock::identityText(buffer, qMin<int>(length, 255))));
    }
    char library[256] = {};
    if (CurrentReader()->GetLibraryInfo(library)) {
        CliOut(QStringLiteral("library: %1").arg(QString::fromUtf8(library)));
    }
    return ExitOk;
}

// The GJB reader's identity: the library, the reader's model and versions, and what it can do.
int RunGjbInfo(ReaderDllGJB* gjb)
{
    char text[256] = {};
    if (!gjb->GetVersion(text)) {
        return CliFailed(QStringLiteral("version"), gjb->GetErrorCode());
    }
    CliOut(QStringLiteral("version: %1").arg(QString::fromUtf8(text, static_cast<int>(qstrnlen(text, 255)))));
    QString rfType;
    if (!gjb->GetReaderInfo(rfType)) {
        return CliFailed(QStringLiteral("rf_type"), gjb->GetErrorCode());
    }
    CliOut(QStringLiteral("rf_type: %1").arg(rfType));
    int antennas = 0;
    int minPower = 0;
    int maxPower = 0;
    if (!gjb->ReaderCapability(&antennas, &minPower, &maxPower)) {
        return CliFailed(QStringLiteral("antennas"), gjb->GetErrorCode());
    }
    CliOut(QStringLiteral("antennas: %1").arg(antennas));
    CliOut(QStringLiteral("power: %1-%2").arg(minPower).arg(maxPower));
    std::fill(std::begin(text), std::end(text), '\0');
    if (gjb->Copyright(text)) {
        CliOut(QStringLiteral("library: %1")
                   .arg(QString::fromUtf8(text, static_cast<int>(qstrnlen(text, 255)))));
    }
    return ExitOk;
}

// Progress of a long run on stderr: a bar on a terminal, a line per step otherwise.
void Progress(int percent)
{
    if (isatty(STDERR_FILENO)) {
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(),
                     QByteArray(30 - filled, ' ').constData(), percent);
        if (percent >= 100) {
            std::fputc('\n', stderr);
        }
        std::fflush(stderr);
    } else {
        CliErr(QStringLiteral("progress %1%").arg(percent));
    }
}

class InventoryRun
{
public:
    explicit InventoryRun(const CliRequest& r) : m_r(r), m_sink(r, false) {}

    int run()
    {
        if (!m_sink.start()) {
            return ExitFailed;
        }
        // One antenna is asked for by its number; several by every enabled one, keeping theirs.
        const auto code = static_cast<unsigned char>(m_r.antennas.size() == 1 ? m_r.antennas.first() : 0);
        unsigned char ok = 0;
        switch (m_r.readType) {
        case 0:
            ok = ZALT_6CReadEPCCode(Handle(), code, 1, 0);
            break;
        case 1:
            ok = ZALT_6CReadTIDCode(Handle(), code, 1, 0);
            break;
        default:
            ok = ZALT_6CReadEPCTIDCode(Handle(), code, 1, 0);
            break;
        }
        if (!ok) {
            return CliFailed(LangText("IDCS_CLI_INVENTORY"), ErrorCode());
        }
        ReadCardFor6CThread worker;
        worker.setHandle(CurrentReader()->GetHandle());
        worker.setAskRssi(CurrentReader()->ReportsCarryRssi());
        worker.startCollect(m_r.readType);
        QElapsedTimer clock;
        clock.start();
        const qint64 limitMs = m_r.seconds > 0 ? static_cast<qint64>(m_r.seconds * 1000) : -1;
        bool linkLost = false;
        TagReadBatch batch;
        while (!done()) {
            if (limitMs >= 0 && clock.elapsed() >= limitMs) {
                break;
            }
            if (!worker.isCollecting()) {
                linkLost = true;
                break;
            }
            QThread::msleep(5);
            worker.takeReads(batch);
            emitReads(batch);
        }
        const bool stopped = ZALT_PowerOff(Handle()) != 0;
        const int stopCode = stopped ? 0 : ErrorCode();
        // Reports the reader sent before its answer to the stop are still queued: take them until the
        // link has been quiet for a moment, so a timed run prints every read the reader sent.
        quint64 received = worker.receivedCount();
        QElapsedTimer quiet;
        quiet.start();
        while (stopped && !linkLost && !m_sink.countReached() && quiet.elapsed() < kQuietMs &&
               worker.isCollecting()) {
            QThread::msleep(5);
            worker.takeReads(batch);
            emitReads(batch);
            if (worker.receivedCount() != received) {
                received = worker.receivedCount();
                quiet.restart();
            }
        }
        worker.stopCollect();
        // Reads that came in before the stop still count.
        worker.takeReads(batch);
        emitReads(batch);
        return finish(linkLost, stopped, stopCode);
    }

    // A GJB reader hands its reports over one by one; they carry the tag's ID, shown as the code.
    int runGjb(ReaderDllGJB* gjb)
    {
        if (!m_sink.start()) {
            return ExitFailed;
        }
        std::vector<unsigned char> antennas;
        for (int a : m_r.antennas) {
            antennas.push_back(static_cast<unsigned char>(a));
        }
        if (!gjb->Inventory(static_cast<int>(antennas.size()), antennas.empty() ? nullptr : antennas.data(),
                            0, 0, 0, 0, 0, 0, 0)) {
            return CliFailed(LangText("IDCS_CLI_INVENTORY"), gjb->GetErrorCode());
        }
        std::vector<unsigned char> record(GJB_REPORT_BUFFER_SIZE);
        QElapsedTimer clock;
        clock.start();
        const qint64 limitMs = m_r.seconds > 0 ? static_cast<qint64>(m_r.seconds * 1000) : -1;
        bool linkLost = false;
        while (!done() && (limitMs < 0 || clock.elapsed() < limitMs)) {
            if (!takeGjbReport(gjb, record.data(), 20, &linkLost) && linkLost) {
                break;
            }
        }
        const bool stopped = !linkLost && gjb->StopInventorySpecReadTag();
        const int stopCode = stopped || linkLost ? 0 : gjb->GetErrorCode();
        // Reports sent before the stop was answered are still queued: take them all.
        bool more = stopped;
        while (more && !m_sink.countReached()) {
            more = takeGjbReport(gjb, record.data(), static_cast<int>(kQuietMs), &linkLost);
        }
        return finish(linkLost, stopped || linkLost, stopCode);
    }

private:
    bool done() const { return g_cliInterrupted.load() || m_sink.countReached(); }

    int finish(bool linkLost, bool stopped, int stopCode)
    {
        const int status = m_sink.finish();
        if (linkLost) {
            CliErr(LangText("IDCS_INVENTORY_LINK_LOST"));
            return ExitFailed;
        }
        if (!stopped && !g_cliInterrupted.load()) {
            return CliFailed(LangText("IDCS_CLI_STOP"), stopCode);
        }
        return status;
    }

    // One report, waiting up to waitMs; false when none came (*linkLost when the link is gone).
    bool takeGjbReport(ReaderDllGJB* gjb, unsigned char* record, int waitMs, bool* linkLost)
    {
        if (!gjb->Receive_TagReport(record, waitMs)) {
            const int code = gjb->GetErrorCode();
            *linkLost = code == GJB_ERR_LINK_LOST || code == GJB_ERR_NOT_CONNECTED;
            return false;
        }
        if (record[GJB_REC_KIND] != 1) {
            return true;
        }
        // The length comes from the reader: never past the ID's field.
        const int length = qMin(record[GJB_REC_ID_LENGTH] | (record[GJB_REC_ID_LENGTH + 1] << 8),
                                GJB_REC_ANTENNA - GJB_REC_ID);
        TagRead read;
        read.epc = AppContext::bytesToHex(record + GJB_REC_ID, length);
        read.antenna = record[GJB_REC_ANTENNA];
        read.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
        m_sink.add(read);
        if (std::fflush(stdout) != 0) {
            g_cliInterrupted.store(true);
        }
        return true;
    }

    void emitReads(TagReadBatch& batch)
    {
        for (TagRead& read : batch) {
            if (m_sink.countReached()) {
                break;
            }
            restoreTexts(read);
            if (m_r.antennas.size() > 1 && !m_r.antennas.contains(read.antenna)) {
                continue;
            }
            m_sink.add(read);
        }
        batch.clear();
        if (std::fflush(stdout) != 0) {
            g_cliInterrupted.store(true);
        }
    }

    // The worker leaves out the texts of a read that match its tag's last ones; rows carry them all.
    void restoreTexts(TagRead& read)
    {
        if (read.id < 0) {
            return;
        }
        const auto id = static_cast<size_t>(read.id);
        if (id >= m_texts.size()) {
            m_texts.resize(id + 1);
        }
        if (read.textsChanged) {
            m_texts[id] = {read.epc, read.tid};
        } else {
            read.epc = m_texts[id].first;
            read.tid = m_texts[id].second;
        }
    }

    const CliRequest& m_r;
    CliRowSink m_sink;
    std::vector<std::pair<QString, QString>> m_texts;
};

// The EPC or TID of the first tag an inventory on the antenna reports.
bool InventoryCode(const CliRequest& r, QByteArray* code)
{
    const bool tid = r.bank == QLatin1String("tid");
    const auto antenna = static_cast<unsigned char>(r.antenna);
    if (!(tid ? ZALT_6CReadTIDCode(Handle(), antenna, 1, 0) : ZALT_6CReadEPCCode(Handle(), antenna, 1, 0))) {
        CliFailed(LangText("IDCS_CLI_INVENTORY"), ErrorCode());
        return false;
    }
    unsigned char buffer[255] = {};
    bool found = false;
    QElapsedTimer clock;
    clock.start();
    while (!found && clock.elapsed() < 3000 && !g_cliInterrupted.load()) {
        unsigned char length = 255;
        unsigned char port = 0;
        found = (tid ? ZALT_6CRevTIDMsg(Handle(), &port, buffer, &length)
                     : ZALT_6CRevEPCMsg(Handle(), &port, buffer, &length)) != 0;
        if (found) {
            *code = QByteArray(reinterpret_cast<const char*>(buffer), length == 0 ? 255 : length);
        }
    }
    ZALT_PowerOff(Handle());
    if (!found) {
        CliErr(LangText("IDCS_CLI_NO_TAG"));
    }
    return found;
}

int RunRead(const CliRequest& r)
{
    QByteArray words;
    if (r.bank == QLatin1String("reserved")) {
        CliErr(LangText("IDCS_CLI_BANK_UNSUPPORTED").arg(r.bank));
        return ExitFailed;
    }
    if (r.bank == QLatin1String("user")) {
        std::vector<unsigned char> buffer(TagOpHex::kUserBufferBytes, 0);
        int length = TagOpHex::kUserBufferBytes;
        if (!ZALT_6CReadUserData(Handle(), static_cast<unsigned char>(r.antenna), r.start, r.words, 1000,
                                 buffer.data(), &length)) {
            return CliFailed(LangText("IDCS_TAG_READ_USER_FAILED"), ErrorCode());
        }
        // Never trust a count beyond the buffer that was handed over.
        const int bytes = qBound(0, length * 2, TagOpHex::kUserBufferBytes);
        words = QByteArray(reinterpret_cast<const char*>(buffer.data()), bytes);
    } else {
        QByteArray code;
        if (!InventoryCode(r, &code)) {
            return ExitFailed;
        }
        if ((r.start + r.words) * 2 > code.size()) {
            CliErr(LangText("IDCS_CLI_BANK_TOO_SHORT").arg(code.size() / 2));
            return ExitFailed;
        }
        words = code.mid(r.start * 2, r.words * 2);
    }
    CliOut(QString::fromLatin1(words.toHex().toUpper()));
    return ExitOk;
}

int RunWrite(const CliRequest& r)
{
    const auto antenna = static_cast<unsigned char>(r.antenna);
    const auto* password = reinterpret_cast<const unsigned char*>(r.password.constData());
    const auto* data = reinterpret_cast<const unsigned char*>(r.data.constData());
    if (r.bank == QLatin1String("epc")) {
        if (!ZALT_6CWriteEPCCode(Handle(), antenna, 0, password, data,
                                 static_cast<unsigned char>(r.data.size()))) {
            return CliFailed(LangText("IDCS_CLI_WRITE"), ErrorCode());
        }
        return ExitOk;
    }
    int count = r.words;
    if (!ZALT_6CWriteUserData(Handle(), antenna, 0, password, r.start, 1000, data, &count)) {
        return CliFailed(LangText("IDCS_TAG_WRITE_USER_FAILED"), ErrorCode());
    }
    return ExitOk;
}

int ConfigFailure(const ConfigKeys::Outcome& o)
{
    switch (o.status) {
    case ConfigKeys::Status::Ok:
        return ExitOk;
    case ConfigKeys::Status::UnknownKey:
        CliErr(LangText("IDCS_CLI_UNKNOWN_KEY").arg(o.detail));
        return ExitUsage;
    case ConfigKeys::Status::BadValue:
        CliErr(LangText("IDCS_CLI_SETTING_REFUSED").arg(o.detail));
        return ExitFailed;
    case ConfigKeys::Status::FileFailed:
        CliErr(LangText("IDCS_CLI_FILE_FAILED").arg(o.detail));
        return ExitFailed;
    case ConfigKeys::Status::ReaderFailed:
        break;
    }
    return CliFailed(o.detail, ErrorCode());
}

int RunConfig(const CliRequest& r)
{
    const intptr_t handle = CurrentReader()->GetHandle();
    if (r.configVerb == QLatin1String("get")) {
        QStringList keys = r.keys;
        if (keys.isEmpty()) {
            for (const ConfigKeys::KeyInfo& info : ConfigKeys::Keys()) {
                keys << info.key;
            }
        }
        for (const QString& key : keys) {
            const ConfigKeys::Outcome o = ConfigKeys::Get(handle, key);
            if (o.status != ConfigKeys::Status::Ok) {
                return ConfigFailure(o);
            }
            CliOut(QStringLiteral("%1=%2").arg(key, o.detail));
        }
        return ExitOk;
    }
    if (r.configVerb == QLatin1String("set")) {
        for (const auto& assignment : r.assignments) {
            const ConfigKeys::Outcome o = ConfigKeys::Set(handle, assignment.first, assignment.second);
            if (o.status != ConfigKeys::Status::Ok) {
                return ConfigFailure(o);
            }
        }
        return ExitOk;
    }
    if (r.configVerb == QLatin1String("export")) {
        return ConfigFailure(ConfigKeys::ExportParams(handle, r.file));
    }
    return ConfigFailure(ConfigKeys::ImportParams(handle, r.file));
}

int RunClock(const CliRequest& r)
{
    if (!r.clockSet) {
        unsigned char buffer[IdentityClock::kClockQueryBufferSize] = {};
        unsigned char length = IdentityClock::kClockQueryBufferSize;
        QDate date;
        QTime time;
        if (!ZALT_ReaderTimeQuery(Handle(), buffer, &length)) {
            return CliFailed(LangText("IDCS_CLI_CLOCK"), ErrorCode());
        }
        if (!IdentityClock::decodeClock(buffer, length, &date, &time)) {
            CliErr(LangText("IDCS_CLI_CLOCK_UNREADABLE"));
            return ExitFailed;
        }
        CliOut(QDateTime(date, time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        return ExitOk;
    }
    const QDateTime when = r.clockNow ? QDateTime::currentDateTime() : r.clockValue;
    const QByteArray record = IdentityClock::clockRecord(when.date(), when.time());
    if (!ZALT_SetReaderTime(Handle(), reinterpret_cast<const unsigned char*>(record.constData()),
                            static_cast<unsigned char>(record.size()))) {
        return CliFailed(LangText("IDCS_CLI_CLOCK"), ErrorCode());
    }
    return ExitOk;
}

int RunDiscover(const CliRequest& r)
{
    QString port =
        DeviceProfile::Instance()->GetValue(QStringLiteral("ConnetDlg"), QStringLiteral("UDP_PORT"));
    if (port.isEmpty()) {
        port = QStringLiteral("4002");
    }
    const QString override = r.discoverTo.isEmpty() ? Discovery::OverrideSetting() : r.discoverTo;
    const uint32_t broadcast =
        override.trimmed().isEmpty() ? Discovery::ChooseBroadcast(Discovery::ListInterfaces()) : 0;
    const Discovery::Target target = Discovery::ResolveTarget(override, port, broadcast);
    if (!target.valid) {
        CliErr(LangText("IDCS_CLI_BAD_VALUE").arg(QStringLiteral("--to"), override));
        return ExitUsage;
    }
    int found = 0;
    const Discovery::Outcome outcome = Discovery::Run(
        target,
        [&found](const QString& ip, const QString& name) {
            CliOut(QStringLiteral("%1\t%2").arg(ip, name));
            std::fflush(stdout);
            ++found;
        },
        &g_cliInterrupted, static_cast<int>(r.discoverSeconds * 1000));
    if (outcome == Discovery::Outcome::SocketFailed) {
        CliErr(LangText("IDCS_CLI_DISCOVERY_FAILED"));
        return ExitFailed;
    }
    if (found == 0) {
        CliErr(LangText("IDCS_CLI_NOTHING_FOUND"));
        return ExitFailed;
    }
    return ExitOk;
}

int RunFirmware(const CliRequest& r)
{
    FirmWareUpdateFor6CThread update;
    update.SetJob(r.file, static_cast<uint8_t>(r.kind), r.tftpPort);
    int result = 0;
    QEventLoop loop;
    QObject::connect(
        &update, &FirmWareUpdateFor6CThread::resultReady, &loop,
        [&result](int value) {
            result = value;
            if (value >= 0) {
                Progress(value);
            }
        },
        Qt::QueuedConnection);
    QObject::connect(&update, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    update.SetIdle(false);
    update.start();
    loop.exec();
    update.wait();
    QCoreApplication::processEvents();
    return result == 100 ? ExitOk : ExitFailed;
}

int Dispatch(const CliRequest& r)
{
    if (r.command == QLatin1String("serve")) {
        return RunServe(r);
    }
    if (r.command == QLatin1String("discover")) {
        return RunDiscover(r);
    }
    if (r.command == QLatin1String("firmware")) {
        // An impossible file is refused before the reader is touched.
        QByteArray data;
        if (!Firmware::ReadFile(r.file, &data) || !Firmware::IsValid(r.kind, r.file, data)) {
            CliErr(LangText("IDCS_CLI_BAD_FIRMWARE").arg(r.file));
            return ExitUsage;
        }
        // The update goes by TFTP and the reader's own protocol; an LLRP reader has neither.
        if (r.link == CliRequest::Link::Llrp) {
            return CliFailed(QStringLiteral("firmware"), ReaderError::UnsupportedCommand);
        }
    }
    if (!OpenReader(r)) {
        return ExitFailed;
    }
    int status = ExitFailed;
    auto* gjb = dynamic_cast<ReaderDllGJB*>(CurrentReader());
    if (gjb && r.command == QLatin1String("info")) {
        status = RunGjbInfo(gjb);
    } else if (gjb) {
        status = InventoryRun(r).runGjb(gjb);
    } else if (r.command == QLatin1String("info")) {
        status = r.link == CliRequest::Link::Llrp ? RunLlrpInfo() : RunInfo();
    } else if (r.command == QLatin1String("inventory")) {
        status = InventoryRun(r).run();
    } else if (r.command == QLatin1String("read")) {
        status = RunRead(r);
    } else if (r.command == QLatin1String("write")) {
        status = RunWrite(r);
    } else if (r.command == QLatin1String("config")) {
        status = RunConfig(r);
    } else if (r.command == QLatin1String("clock")) {
        status = RunClock(r);
    } else if (r.command == QLatin1String("firmware")) {
        status = RunFirmware(r);
    }
    CurrentReader()->CloseReader();
    return status;
}

} // namespace

int RunCli(const QStringList& arguments)
{
    const QString appDir = qEnvironmentVariable("RIVULET_APP_DIR");
    if (!appDir.isEmpty()) {
        AppSettings::SetAppDirOverride(appDir);
    }
    AppSettings::Instance()->InitPaths();
    DeviceProfile::Instance()->Open(AppSettings::Instance()->GetDeviceProfilePath());
    const QString lang = CliLanguage(arguments);
    LoadLanguageById(AppSettings::Instance()->GetLanguageDir(),
                     lang == QLatin1String("zh") ? QStringLiteral("zh_CN") : QStringLiteral("en"));
    // Lines the shared workers log (firmware steps, a lost link) go to stderr.
    AppContext::SetLogSink([](const QString& text, bool isError, int code) {
        CliErr(isError && code > 0 ? QStringLiteral("%1: %2").arg(text, ReaderError::Text(code)) : text);
    });

    CliRequest request;
    QString error;
    int status = ExitOk;
    switch (ParseCli(arguments, &request, &error)) {
    case CliParse::Help:
        CliOut(CliHelpText().toUtf8());
        break;
    case CliParse::HelpConfig:
        CliOut(CliConfigHelpText().toUtf8());
        break;
    case CliParse::Version:
        CliOut(QStringLiteral("rivulet-cli %1").arg(QLatin1String(RIVULET_CLI_VERSION)));
        break;
    case CliParse::UsageError:
        CliErr(error);
        CliErr(LangText("IDCS_CLI_SEE_HELP"));
        status = ExitUsage;
        break;
    case CliParse::Run:
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        std::signal(SIGPIPE, SIG_IGN);
        status = Dispatch(request);
        break;
    }
    std::fflush(stdout);
    AppContext::SetLogSink({});
    ReaderDriverHolder::DestroyInstance();
    DeviceProfile::DestroyInstance();
    AppSettings::DestroyInstance();
    AppContext::DestroyInstance();
    return status;
}
