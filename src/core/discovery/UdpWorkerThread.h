#pragma once

#include "core/discovery/DiscoveryRun.h"

#include <QString>
#include <QThread>

#include <atomic>

// Runs one discovery at a time and emits every answer; the windows connect to resultReady.
class UdpWorkerThread : public QThread
{
    Q_OBJECT

public:
    explicit UdpWorkerThread(QObject* parent = nullptr);
    // Ends a run early (within tens of milliseconds) and waits for it.
    ~UdpWorkerThread() override;

    // Starts a run toward the profile's UDP port (or the override in force). While one runs, logs
    // IDCS_UDP_DOING and returns false; callers clear their lists only on true.
    bool StartDiscovery();

signals:
    void resultReady(QString ipStr, QString nameStr);

protected:
    void run() override;

private:
    Discovery::Target m_target;
    std::atomic<bool> m_stop{false};
};
