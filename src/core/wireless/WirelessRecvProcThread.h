#pragma once

#include "core/inventory/TagTable.h"
#include "core/wireless/WirelessTags.h"

#include <wirelesszaltlink.h>

#include <QMutex>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Takes one wireless reader's tag reports and input events from the library and counts the tags. It
// never touches a window: the window takes the records that changed on its refresh timer, so reports
// cross threads in batches. Stopping is prompt (a receive call waits at most 30 ms, the pause between
// empty polls is cut short), so many readers are stopped together quickly.
class WirelessRecvProcThread
{
public:
    enum ReadType
    {
        ReadEpc = 1,
        ReadTid = 3,
        ReadEpcTid = 5
    };
    // Posts an input-event text; false when nobody takes it (the text is then posted again next time).
    using IoPoster = std::function<bool(const QString& text)>;

    WirelessRecvProcThread(WIRELESS_HANDLE handle, quintptr reader, const QString& ip, bool timeStamps);
    ~WirelessRecvProcThread();
    WirelessRecvProcThread(const WirelessRecvProcThread&) = delete;
    WirelessRecvProcThread& operator=(const WirelessRecvProcThread&) = delete;

    void setIoPoster(IoPoster poster) { m_ioPoster = std::move(poster); }
    void setReadType(int type) { m_readType = type; }
    // Keeps every read, not only the counts, until takeReads(): a server without a window prints each.
    void setKeepReads(bool on) { m_keepReads = on; }
    int readType() const { return m_readType; }
    quintptr reader() const { return m_reader; }

    // The stop flag: set from construction until start().
    bool isStopped() const { return m_stop.load(); }
    // Clears the stop flag and starts the loop; false while an earlier loop has not ended.
    bool start();
    void requestStop();
    // Waits up to timeoutMs for the loop to end, then for the thread. False when it did not end in time
    // (the thread is still waited for).
    bool waitStopped(int timeoutMs);

    void clearRecords();
    // The records that changed since the last call.
    TagCountMap takeChanges();
    TagCountMap records() const;
    // The reads kept since the last call (setKeepReads), oldest first.
    std::vector<TagRead> takeReads();
    quint64 reads() const { return m_reads.load(); }

private:
    void run();
    void pause(int ms);

    const WIRELESS_HANDLE m_handle;
    const quintptr m_reader;
    const QString m_ip;
    const bool m_timeStamps;
    std::atomic<int> m_readType{ReadEpc};
    std::atomic<bool> m_keepReads{false};
    IoPoster m_ioPoster;
    QString m_lastIoText;

    std::thread m_thread;
    std::atomic<bool> m_stop{true};
    std::mutex m_doneMutex;
    std::condition_variable m_doneCv; // the completion event; also cuts a pause short
    bool m_done = true;

    mutable QMutex m_lock; // the records
    TagCountMap m_records;
    TagCountMap m_changes;
    std::vector<TagRead> m_keptReads;
    std::atomic<quint64> m_reads{0};
};
