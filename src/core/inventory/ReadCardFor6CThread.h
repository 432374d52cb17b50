#pragma once

#include "core/inventory/TagTable.h"

#include <QThread>

#include <atomic>
#include <cstdint>
#include <vector>

// Receives tag reports of a running 6C inventory and queues them for the page. Never touches
// widgets; the page pulls the reports on its refresh timer. The one signal says the link is gone.
class ReadCardFor6CThread : public QThread
{
    Q_OBJECT

public:
    explicit ReadCardFor6CThread(QObject* parent = nullptr);
    ~ReadCardFor6CThread() override;

    // The handle of the connection to receive from; read when collecting starts.
    void setHandle(intptr_t handle) { m_handle = handle; }
    // Whether to ask the library for each report's signal strength; read when collecting starts.
    // The 6C protocol never carries one, and at a million reports a second the question costs.
    void setAskRssi(bool ask) { m_askRssi = ask; }

    // False while already collecting (or while a previous run refuses to end).
    bool startCollect(int readType);
    // Ends the receive loop, waiting at most 3000 ms. Always true.
    bool stopCollect();
    bool isCollecting() const { return m_stop.load() == 0; }
    // Drops reports not yet taken.
    void clearTags();
    // Moves every report received so far into out.
    void takeReads(TagReadBatch& out) { m_buffer.take(out); }

    TagReadBuffer& buffer() { return m_buffer; }
    // Reports received since the thread was created (diagnostics, benchmark).
    quint64 receivedCount() const { return m_received.load(); }

signals:
    // The receive loop ended because the link to the reader is gone (raised on the worker).
    void sig_linkLost();

protected:
    void run() override;

private:
    bool linkGone() const;

    std::atomic<uint8_t> m_stop{1}; // 1 idle, 0 collecting
    int m_readType = 0;
    intptr_t m_handle = 0;
    bool m_askRssi = false;
    TagReadBuffer m_buffer;
    std::atomic<quint64> m_received{0};
};
