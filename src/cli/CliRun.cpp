#include "cli/CliRun.h"

#include "cli/CliOptions.h"
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
#include "core/mqtt/MqttPublisher.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderErrors.h"

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

namespace {

enum Exit
{
    ExitOk = 0,
    ExitFailed = 1,
    ExitUsage = 2
};

std::atomic<bool> g_interrupted{false};
constexpr qint64 kQuietMs = 150;

extern "C" void OnInterrupt(int)
{
    g_interrupted.store(true);
}

void Out(const QByteArray& bytes)
{
    // A reader of the output that went away (`| head`) ends the run like Ctrl-C: the reader is told
    // to stop instead of being left reading.
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
        static_cast<size_t>(bytes.size())) {
        g_interrupted.store(true);
    }
}

void Out(const QString& line)
{
    Out(line.toUtf8() + '\n');
}

void Err(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// A failed reader call: the action and what the reader's error code means.
int Failed(const QString& what, int code)
{
    Err(LangText("IDCS_CLI_CALL_FAILED").arg(what, ReaderError::Text(code)));
    return ExitFailed;
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
    ReaderDriverHolder::Instance()->CreateDriver(QStringLiteral("6C"));
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
    case CliRequest::Link::None:
        return false;
    }
    if (!d->OpenReader()) {
        Err(LangText("IDCS_CLI_CONNECT_FAILED").arg(ReaderError::Text(d->GetErrorCode())));
        return false;
    }
    return true;
}

int RunInfo()
{
    static const char* const kNames[IdentityClock::IdentityTypeCount] = {
        "name", "model", "serial", "cpu_software", "fpga_dsp", "baseboard_hardware", "rf_board_hardware"};
    for (int type = 0; type < IdentityClock::IdentityTypeCount; ++type) {
        unsigned char buffer[IdentityClock::kQueryBufferSize] = {};
        unsigned char length = IdentityClock::kQueryBufferSize;
        if (!ZALT_SysInfQuery(Handle(), static_cast<unsigned char>(type), buffer, &length)) {
            return Failed(QLatin1String(kNames[type]), ErrorCode());
        }
        Out(QStringLiteral("%1: %2").arg(QLatin1String(kNames[type]),
                                         IdentityClock::identityText(buffer, qMin<int>(length, 255))));
    }
    char library[256] = {};
    if (CurrentReader()->GetLibraryInfo(library)) {
        Out(QStringLiteral("library: %1").arg(QString::fromUtf8(library)));
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
        Err(QStringLiteral("progress %1%").arg(percent));
    }
}

class InventoryRun
{
public:
    explicit InventoryRun(const CliRequest& r) : m_r(r) {}

    int run()
    {
        if (!m_r.mqtt.isEmpty()) {
            MqttPublisher::Url url;
            MqttPublisher::ParseUrl(m_r.mqtt, &url);
            m_mqtt = std::make_unique<MqttPublisher>(url);
            QString error;
            if (!m_mqtt->Start(&error)) {
                Err(LangText("IDCS_CLI_MQTT_FAILED").arg(error));
                return ExitFailed;
            }
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
            return Failed(LangText("IDCS_CLI_INVENTORY"), ErrorCode());
        }
        ReadCardFor6CThread worker;
        worker.setHandle(CurrentReader()->GetHandle());
        worker.startCollect(m_r.readType);
        if (!m_r.jsonl) {
            Out(ReadRowFormat::CsvHeader());
            std::fflush(stdout);
        }
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
        while (stopped && !linkLost && !countReached() && quiet.elapsed() < kQuietMs &&
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
        std::fflush(stdout);

        for (const QString& line : m_summary.lines()) {
            Err(line);
        }
        int status = ExitOk;
        if (m_mqtt) {
            const bool all = m_mqtt->Drain(10000);
            Err(QStringLiteral("published %1").arg(m_mqtt->Acknowledged()));
            if (m_mqtt->Dropped() > 0) {
                Err(LangText("IDCS_CLI_MQTT_DROPPED").arg(m_mqtt->Dropped()));
                status = ExitFailed;
            }
            if (!all) {
                Err(LangText("IDCS_CLI_MQTT_UNSENT").arg(m_mqtt->Unsent()));
                status = ExitFailed;
            }
        }
        if (linkLost) {
            Err(LangText("IDCS_INVENTORY_LINK_LOST"));
            return ExitFailed;
        }
        if (!stopped && !g_interrupted.load()) {
            return Failed(LangText("IDCS_CLI_STOP"), stopCode);
        }
        return status;
    }

private:
    bool countReached() const { return m_r.count > 0 && m_rows >= m_r.count; }
    bool done() const { return g_interrupted.load() || countReached(); }

    void emitReads(TagReadBatch& batch)
    {
        for (TagRead& read : batch) {
            if (countReached()) {
                break;
            }
            restoreTexts(read);
            if (m_r.antennas.size() > 1 && !m_r.antennas.contains(read.antenna)) {
                continue;
            }
            const QByteArray json = m_r.jsonl || m_mqtt ? ReadRowFormat::JsonObject(read) : QByteArray();
            if (m_r.jsonl) {
                Out(json + '\n');
            } else {
                Out(ReadRowFormat::CsvLine(read));
            }
            if (m_mqtt) {
                m_mqtt->Publish(json);
            }
            m_summary.add(read);
            ++m_rows;
        }
        batch.clear();
        if (std::fflush(stdout) != 0) {
            g_interrupted.store(true);
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
    std::vector<std::pair<QString, QString>> m_texts;
    std::unique_ptr<MqttPublisher> m_mqtt;
    ReadRowFormat::Summary m_summary;
    qint64 m_rows = 0;
};

// The EPC or TID of the first tag an inventory on the antenna reports.
bool InventoryCode(const CliRequest& r, QByteArray* code)
{
    const bool tid = r.bank == QLatin1String("tid");
    const auto antenna = static_cast<unsigned char>(r.antenna);
    if (!(tid ? ZALT_6CReadTIDCode(Handle(), antenna, 1, 0) : ZALT_6CReadEPCCode(Handle(), antenna, 1, 0))) {
        Failed(LangText("IDCS_CLI_INVENTORY"), ErrorCode());
        return false;
    }
    unsigned char buffer[255] = {};
    bool found = false;
    QElapsedTimer clock;
    clock.start();
    while (!found && clock.elapsed() < 3000 && !g_interrupted.load()) {
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
        Err(LangText("IDCS_CLI_NO_TAG"));
    }
    return found;
}

int RunRead(const CliRequest& r)
{
    QByteArray words;
    if (r.bank == QLatin1String("reserved")) {
        Err(LangText("IDCS_CLI_BANK_UNSUPPORTED").arg(r.bank));
        return ExitFailed;
    }
    if (r.bank == QLatin1String("user")) {
        std::vector<unsigned char> buffer(TagOpHex::kUserBufferBytes, 0);
        int length = TagOpHex::kUserBufferBytes;
        if (!ZALT_6CReadUserData(Handle(), static_cast<unsigned char>(r.antenna), r.start, r.words, 1000,
                                 buffer.data(), &length)) {
            return Failed(LangText("IDCS_TAG_READ_USER_FAILED"), ErrorCode());
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
            Err(LangText("IDCS_CLI_BANK_TOO_SHORT").arg(code.size() / 2));
            return ExitFailed;
        }
        words = code.mid(r.start * 2, r.words * 2);
    }
    Out(QString::fromLatin1(words.toHex().toUpper()));
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
            return Failed(LangText("IDCS_CLI_WRITE"), ErrorCode());
        }
        return ExitOk;
    }
    int count = r.words;
    if (!ZALT_6CWriteUserData(Handle(), antenna, 0, password, r.start, 1000, data, &count)) {
        return Failed(LangText("IDCS_TAG_WRITE_USER_FAILED"), ErrorCode());
    }
    return ExitOk;
}

int ConfigFailure(const ConfigKeys::Outcome& o)
{
    switch (o.status) {
    case ConfigKeys::Status::Ok:
        return ExitOk;
    case ConfigKeys::Status::UnknownKey:
        Err(LangText("IDCS_CLI_UNKNOWN_KEY").arg(o.detail));
        return ExitUsage;
    case ConfigKeys::Status::BadValue:
        Err(LangText("IDCS_CLI_SETTING_REFUSED").arg(o.detail));
        return ExitFailed;
    case ConfigKeys::Status::FileFailed:
        Err(LangText("IDCS_CLI_FILE_FAILED").arg(o.detail));
        return ExitFailed;
    case ConfigKeys::Status::ReaderFailed:
        break;
    }
    return Failed(o.detail, ErrorCode());
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
            Out(QStringLiteral("%1=%2").arg(key, o.detail));
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
            return Failed(LangText("IDCS_CLI_CLOCK"), ErrorCode());
        }
        if (!IdentityClock::decodeClock(buffer, length, &date, &time)) {
            Err(LangText("IDCS_CLI_CLOCK_UNREADABLE"));
            return ExitFailed;
        }
        Out(QDateTime(date, time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        return ExitOk;
    }
    const QDateTime when = r.clockNow ? QDateTime::currentDateTime() : r.clockValue;
    const QByteArray record = IdentityClock::clockRecord(when.date(), when.time());
    if (!ZALT_SetReaderTime(Handle(), reinterpret_cast<const unsigned char*>(record.constData()),
                            static_cast<unsigned char>(record.size()))) {
        return Failed(LangText("IDCS_CLI_CLOCK"), ErrorCode());
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
        Err(LangText("IDCS_CLI_BAD_VALUE").arg(QStringLiteral("--to"), override));
        return ExitUsage;
    }
    int found = 0;
    const Discovery::Outcome outcome = Discovery::Run(
        target,
        [&found](const QString& ip, const QString& name) {
            Out(QStringLiteral("%1\t%2").arg(ip, name));
            std::fflush(stdout);
            ++found;
        },
        &g_interrupted, static_cast<int>(r.discoverSeconds * 1000));
    if (outcome == Discovery::Outcome::SocketFailed) {
        Err(LangText("IDCS_CLI_DISCOVERY_FAILED"));
        return ExitFailed;
    }
    if (found == 0) {
        Err(LangText("IDCS_CLI_NOTHING_FOUND"));
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
    if (r.command == QLatin1String("serve") || r.family == QLatin1String("gjb")) {
        const QString what = r.command == QLatin1String("serve") ? r.command : QStringLiteral("--family gjb");
        Err(LangText("IDCS_CLI_NOT_AVAILABLE").arg(what));
        return ExitFailed;
    }
    if (r.command == QLatin1String("discover")) {
        return RunDiscover(r);
    }
    if (r.command == QLatin1String("firmware")) {
        // An impossible file is refused before the reader is touched.
        QByteArray data;
        if (!Firmware::ReadFile(r.file, &data) || !Firmware::IsValid(r.kind, r.file, data)) {
            Err(LangText("IDCS_CLI_BAD_FIRMWARE").arg(r.file));
            return ExitUsage;
        }
    }
    if (!OpenReader(r)) {
        return ExitFailed;
    }
    int status = ExitFailed;
    if (r.command == QLatin1String("info")) {
        status = RunInfo();
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
        Err(isError && code > 0 ? QStringLiteral("%1: %2").arg(text, ReaderError::Text(code)) : text);
    });

    CliRequest request;
    QString error;
    int status = ExitOk;
    switch (ParseCli(arguments, &request, &error)) {
    case CliParse::Help:
        Out(CliHelpText().toUtf8());
        break;
    case CliParse::HelpConfig:
        Out(CliConfigHelpText().toUtf8());
        break;
    case CliParse::Version:
        Out(QStringLiteral("rivulet-cli %1").arg(QLatin1String(RIVULET_CLI_VERSION)));
        break;
    case CliParse::UsageError:
        Err(error);
        Err(LangText("IDCS_CLI_SEE_HELP"));
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
