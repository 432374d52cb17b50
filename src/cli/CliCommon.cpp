#include "cli/CliCommon.h"

#include "cli/CliOptions.h"
#include "core/app/LanguageText.h"
#include "core/mqtt/MqttPublisher.h"
#include "core/reader/ReaderErrors.h"

#include <cstdio>

std::atomic<bool> g_cliInterrupted{false};

void CliOut(const QByteArray& bytes)
{
    // A reader of the output that went away (`| head`) ends the run like Ctrl-C: the reader is told
    // to stop instead of being left reading.
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
        static_cast<size_t>(bytes.size())) {
        g_cliInterrupted.store(true);
    }
}

void CliOut(const QString& line)
{
    CliOut(line.toUtf8() + '\n');
}

void CliErr(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

int CliFailed(const QString& what, int code)
{
    CliErr(LangText("IDCS_CLI_CALL_FAILED").arg(what, ReaderError::Text(code)));
    return ExitFailed;
}

CliRowSink::CliRowSink(const CliRequest& r, bool withReader) : m_r(r), m_withReader(withReader) {}

CliRowSink::~CliRowSink() = default;

bool CliRowSink::start()
{
    if (!m_r.mqtt.isEmpty()) {
        MqttPublisher::Url url;
        MqttPublisher::ParseUrl(m_r.mqtt, &url);
        m_mqtt = std::make_unique<MqttPublisher>(url);
        QString error;
        if (!m_mqtt->Start(&error)) {
            CliErr(LangText("IDCS_CLI_MQTT_FAILED").arg(error));
            return false;
        }
    }
    if (!m_r.jsonl) {
        CliOut(ReadRowFormat::CsvHeader(m_withReader, withRssi()));
        std::fflush(stdout);
    }
    return true;
}

bool CliRowSink::withRssi() const
{
    // Only an LLRP reader's reports carry a signal strength; the others keep their four columns.
    return m_r.link == CliRequest::Link::Llrp;
}

bool CliRowSink::countReached() const
{
    return m_r.count > 0 && m_rows >= m_r.count;
}

void CliRowSink::add(const TagRead& read, const QString& reader)
{
    const QByteArray json = m_r.jsonl || m_mqtt ? ReadRowFormat::JsonObject(read, reader) : QByteArray();
    if (m_r.jsonl) {
        CliOut(json + '\n');
    } else {
        CliOut(ReadRowFormat::CsvLine(read, reader, withRssi()));
    }
    if (m_mqtt) {
        m_mqtt->Publish(json);
    }
    m_summary.add(read);
    ++m_rows;
}

int CliRowSink::finish()
{
    std::fflush(stdout);
    for (const QString& line : m_summary.lines()) {
        CliErr(line);
    }
    if (!m_mqtt) {
        return ExitOk;
    }
    int status = ExitOk;
    const bool all = m_mqtt->Drain(10000);
    CliErr(QStringLiteral("published %1").arg(m_mqtt->Acknowledged()));
    if (m_mqtt->Dropped() > 0) {
        CliErr(LangText("IDCS_CLI_MQTT_DROPPED").arg(m_mqtt->Dropped()));
        status = ExitFailed;
    }
    if (!all) {
        CliErr(LangText("IDCS_CLI_MQTT_UNSENT").arg(m_mqtt->Unsent()));
        status = ExitFailed;
    }
    return status;
}
