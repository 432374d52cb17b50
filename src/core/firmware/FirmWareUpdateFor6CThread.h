#pragma once

#include "core/firmware/TftpSender.h"

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>

// Carries one firmware update: checks the file, sends it by TFTP to the connected reader, tells the
// reader to take it up and, for the two update kinds, restarts the reader. Progress and the outcome
// reach the dialog through resultReady: 10 ... 90 progress, 100 success, -1 failure.
class FirmWareUpdateFor6CThread : public QThread
{
    Q_OBJECT

public:
    explicit FirmWareUpdateFor6CThread(QObject* parent = nullptr);
    // Abandons a transfer that still runs (within tens of milliseconds) and waits for it.
    ~FirmWareUpdateFor6CThread() override;

    // The job of the next run; tftpPort is the reader's TFTP port (69 on real readers).
    void SetJob(const QString& path, uint8_t kind, int tftpPort);
    uint8_t Kind() const { return m_kind; }
    // True when no run is under way; cleared by the caller just before start().
    bool IsIdle() const { return m_idle.load(); }
    void SetIdle(bool idle) { m_idle.store(idle); }
    // Time-outs of the transfer (tests shorten them).
    void SetTiming(const TftpSender::Timing& timing) { m_sender.SetTiming(timing); }
    TftpSender::Stats TransferStats() const { return m_sender.GetStats(); }

signals:
    void resultReady(int nResult);

protected:
    void run() override;

private:
    bool Transfer(const QByteArray& data, const QString& fileName);
    bool TakeUp(const QByteArray& data, const QString& fileName);
    void Finish(bool ok);

    QString m_path;
    uint8_t m_kind = 1;
    int m_port = 69;
    // Written by the dialog's thread and this one.
    std::atomic<bool> m_idle{true};
    std::atomic<bool> m_stop{false};
    TftpSender m_sender;
};
