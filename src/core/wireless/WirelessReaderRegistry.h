#pragma once

#include "core/wireless/WirelessRecvProcThread.h"

#include <wirelesszaltlink.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// The wireless server's state beside the library: the library handle, whether a window takes the
// readers, the time-stamp setting and a receive thread per reader, keyed by the reader's address. One
// per process; usable without widgets (a headless server links the core only).
//
// The library announces readers on its own thread through Callback(); the registry turns that into the
// queued signal sig_RecvreaderInfo. Reader values are pointer-sized throughout.
class WirelessReaderRegistry : public QObject
{
    Q_OBJECT

public:
    static WirelessReaderRegistry* Instance();
    static void DestroyInstance();
    ~WirelessReaderRegistry() override;

    WIRELESS_HANDLE Handle() const { return m_handle; }
    WIRELESS_HANDLE* HandleAddress() { return &m_handle; }

    // The window the readers and input events are posted to; null when none.
    void SetWindow(QObject* window);
    bool HasWindow() const { return m_window.load() != nullptr; }
    void SetTimeStamps(bool on) { m_timeStamps = on; }
    bool TimeStamps() const { return m_timeStamps; }
    // Threads started from now on keep every read for takeReads() (a server without a window).
    void SetKeepReads(bool on) { m_keepReads = on; }

    // The function every reader is registered with.
    static WIRELESS_ReaderCallback Callback();

    // Whether the library still holds the reader: only then may its record be read.
    bool IsLive(quintptr reader) const;
    // "address:port" for a network reader, "device:value" otherwise.
    static QString ReaderKey(quintptr reader);
    // What the tree shows: by the record's type; ":" for a type it does not know.
    static QString AddressText(quintptr reader);
    static QString IpText(quintptr reader);

    WirelessRecvProcThread* Thread(const QString& key) const;
    QStringList Keys() const;
    // Starts the reader's thread, creating it on first use; a thread that is running keeps its read type.
    void StartReader(quintptr reader, const QString& key, int readType);
    // Takes the reader's thread (or every thread) out of the map and stops it without waiting for it:
    // the threads end together, off the calling thread.
    void StopReader(const QString& key);
    void StopAll();
    // Waits for every stop handed off so far; false when one took longer than timeoutMs.
    bool WaitStopped(int timeoutMs);
    // The reader's thread stopped and the reader closed in the library.
    bool RemoveReader(quintptr reader, const QString& key);

signals:
    void sig_RecvreaderInfo(quintptr reader);

private:
    WirelessReaderRegistry();
    void Retire(std::vector<std::unique_ptr<WirelessRecvProcThread>> threads);

    WIRELESS_HANDLE m_handle = 0;
    std::atomic<QObject*> m_window{nullptr};
    bool m_timeStamps = false;
    bool m_keepReads = false;
    std::map<QString, std::unique_ptr<WirelessRecvProcThread>> m_threads;
    std::mutex m_stoppingMutex;
    std::vector<std::future<void>> m_stopping;
};
