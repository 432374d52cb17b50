#include "core/wireless/WirelessRecvProcThread.h"

#include <QDateTime>
#include <QMutexLocker>

#include <chrono>
#include <cstring>
#include <ctime>

namespace {
const int kBufferSize = 255;
const int kIdleMs = 50;
} // namespace

WirelessRecvProcThread::WirelessRecvProcThread(WIRELESS_HANDLE handle, quintptr reader, const QString& ip,
                                               bool timeStamps)
    : m_handle(handle), m_reader(reader), m_ip(ip), m_timeStamps(timeStamps)
{
}

WirelessRecvProcThread::~WirelessRecvProcThread()
{
    requestStop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool WirelessRecvProcThread::start()
{
    {
        std::lock_guard<std::mutex> lk(m_doneMutex);
        if (!m_done) {
            return false;
        }
        m_done = false;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void WirelessRecvProcThread::requestStop()
{
    {
        std::lock_guard<std::mutex> lk(m_doneMutex);
        m_stop = true;
    }
    m_doneCv.notify_all();
}

bool WirelessRecvProcThread::waitStopped(int timeoutMs)
{
    bool ended = false;
    {
        std::unique_lock<std::mutex> lk(m_doneMutex);
        ended = m_doneCv.wait_for(lk, std::chrono::milliseconds(timeoutMs), [this] { return m_done; });
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return ended;
}

void WirelessRecvProcThread::pause(int ms)
{
    std::unique_lock<std::mutex> lk(m_doneMutex);
    m_doneCv.wait_for(lk, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

void WirelessRecvProcThread::clearRecords()
{
    QMutexLocker lock(&m_lock);
    m_records.clear();
    m_changes.clear();
    m_keptReads.clear();
}

TagCountMap WirelessRecvProcThread::takeChanges()
{
    TagCountMap out;
    QMutexLocker lock(&m_lock);
    out.swap(m_changes);
    return out;
}

std::vector<TagRead> WirelessRecvProcThread::takeReads()
{
    std::vector<TagRead> out;
    QMutexLocker lock(&m_lock);
    out.swap(m_keptReads);
    return out;
}

TagCountMap WirelessRecvProcThread::records() const
{
    QMutexLocker lock(&m_lock);
    return m_records;
}

void WirelessRecvProcThread::run()
{
    unsigned char first[kBufferSize];
    unsigned char second[kBufferSize];
    unsigned char io[kBufferSize];
    // The read time text changes once a second; building it per read would cost more than the read.
    std::time_t shownSecond = 0;
    QString now;
    while (!m_stop.load()) {
        unsigned char ioLength = kBufferSize;
        if (WIRELESS_ZALT_IO_STATE(m_handle, m_reader, io, &ioLength) &&
            ioLength >= WirelessTags::kIoRecordSize) {
            const QString text = WirelessTags::ioEventText(m_ip, io);
            if (text != m_lastIoText && m_ioPoster && m_ioPoster(text)) {
                m_lastIoText = text;
            }
        }
        std::memset(first, 0, sizeof first);
        std::memset(second, 0, sizeof second);
        unsigned char firstLength = kBufferSize;
        unsigned char secondLength = 0;
        unsigned char antenna = 0;
        unsigned char result = 0;
        switch (m_readType.load()) {
        case ReadTid:
            result = WIRELESS_ZALT_6CRevTIDMsg(m_handle, m_reader, &antenna, first, &firstLength);
            if (result == 1) {
                std::memcpy(second, first, firstLength);
                secondLength = firstLength;
                std::memset(first, 0, sizeof first);
                firstLength = 0;
            }
            break;
        case ReadEpcTid:
            result = WIRELESS_ZALT_6CRevEPCTIDMsg(m_handle, m_reader, &antenna, first, &firstLength, second,
                                                  &secondLength);
            break;
        default:
            result = WIRELESS_ZALT_6CRevEPCMsg(m_handle, m_reader, &antenna, first, &firstLength);
            break;
        }
        if (result != 1) {
            pause(kIdleMs);
            continue;
        }
        if (!m_timeStamps) {
            const std::time_t current = std::time(nullptr);
            if (current != shownSecond) {
                shownSecond = current;
                now = WirelessTags::nowText(QDateTime::currentDateTime());
            }
        }
        QMutexLocker lock(&m_lock);
        const QString key = WirelessTags::record(m_records, antenna, first, firstLength, second, secondLength,
                                                 m_timeStamps, now);
        const TagCountRecord& counted = *m_records.constFind(key);
        m_changes.insert(key, counted);
        if (m_keepReads.load()) {
            TagRead read;
            read.epc = counted.epc;
            read.tid = counted.tid;
            read.antenna = antenna;
            read.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
            m_keptReads.push_back(std::move(read));
        }
        ++m_reads;
    }
    {
        std::lock_guard<std::mutex> lk(m_doneMutex);
        m_done = true;
    }
    m_doneCv.notify_all();
}
