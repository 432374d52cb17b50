#pragma once

#include "core/inventory/ReadRowFormat.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <memory>

struct CliRequest;
class MqttPublisher;

enum CliExit
{
    ExitOk = 0,
    ExitFailed = 1,
    ExitUsage = 2
};

// Set by Ctrl-C, SIGTERM or an output pipe that went away: the running command ends as it would on time.
extern std::atomic<bool> g_cliInterrupted;

void CliOut(const QByteArray& bytes);
void CliOut(const QString& line);
void CliErr(const QString& line);
// A failed reader call: the action and what the error code means.
int CliFailed(const QString& what, int code);

// Where the reads of inventory and serve go: CSV or JSON lines on stdout, the broker when asked for, and
// the per-tag summary printed at the end.
class CliRowSink
{
public:
    // withReader: rows carry the reader they came from (serve).
    CliRowSink(const CliRequest& r, bool withReader);
    ~CliRowSink();
    CliRowSink(const CliRowSink&) = delete;
    CliRowSink& operator=(const CliRowSink&) = delete;

    // Connects the broker when --mqtt was given and prints the CSV header; false (said on stderr) when
    // publishing cannot start.
    bool start();
    void add(const TagRead& read, const QString& reader = QString());
    qint64 rows() const { return m_rows; }
    bool countReached() const;
    // The summary and the broker's tally on stderr; ExitFailed when reads did not reach the broker.
    int finish();

private:
    bool withRssi() const;
    const CliRequest& m_r;
    const bool m_withReader;
    std::unique_ptr<MqttPublisher> m_mqtt;
    ReadRowFormat::Summary m_summary;
    qint64 m_rows = 0;
};
