#pragma once

#include "core/gjb/GjbTagTable.h"

#include <QMutex>
#include <QThread>

#include <atomic>
#include <cstdint>

class ReaderDllGJB;

// Receives the tag reports of a running GJB inventory and counts them per tag and antenna. Never
// touches widgets: the page merges the counts on its refresh timer.
class ReadCardThread : public QThread
{
    Q_OBJECT

public:
    // Each receive waits this long at most, so a stop or the end of a timed run is seen promptly.
    static constexpr int kReceiveWaitMs = 50;

    explicit ReadCardThread(QObject* parent = nullptr);
    ~ReadCardThread() override;

    void setDriver(ReaderDllGJB* driver) { m_driver = driver; }

    // limitMs -1: until stopped. False while a run is still going.
    bool startCollect(int limitMs);
    // Ends the receive loop and drops the counts not merged yet; returns when the loop has ended.
    bool stopCollect();
    bool isIdle() const { return m_idle.load() != 0; }
    void clearTags();
    void mergeInto(GjbPageTable& page);
    // True once after reads arrived (the page's beep).
    bool takeReadFlag() { return m_readSeen.exchange(false); }
    quint64 receivedCount() const { return m_received.load(); }

signals:
    // The receive loop ended because the link to the reader is gone (raised on the worker).
    void sig_linkLost();

protected:
    void run() override;

private:
    bool linkGone();

    ReaderDllGJB* m_driver = nullptr;
    std::atomic<uint8_t> m_stop{0};
    std::atomic<uint8_t> m_idle{1};
    std::atomic<int> m_limitMs{-1};
    std::atomic<bool> m_readSeen{false};
    std::atomic<quint64> m_received{0};
    QMutex m_mutex;
    GjbTagCounts m_tags;
};
