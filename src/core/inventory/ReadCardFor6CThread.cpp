#include "core/inventory/ReadCardFor6CThread.h"

#include "core/app/AppContext.h"
#include "core/reader/ReaderDllCommon.h"
#include "core/reader/ReaderErrors.h"

#include <zaltlink.h>

#include <QDateTime>
#include <QElapsedTimer>

namespace {

QString hexText(const unsigned char* bytes, int count)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out(count * 2, Qt::Uninitialized);
    QChar* p = out.data();
    for (int i = 0; i < count; ++i) {
        *p++ = QLatin1Char(digits[bytes[i] >> 4]);
        *p++ = QLatin1Char(digits[bytes[i] & 0x0F]);
    }
    return out;
}

} // namespace

ReadCardFor6CThread::ReadCardFor6CThread(QObject* parent) : QThread(parent) {}

ReadCardFor6CThread::~ReadCardFor6CThread()
{
    // The loop must end before the buffer it fills goes away.
    m_stop.store(1);
    wait();
}

bool ReadCardFor6CThread::startCollect(int readType)
{
    if (m_stop.load() != 1) {
        return false;
    }
    // A previous run that ended on its own may still be unwinding.
    if (isRunning() && !wait(3000)) {
        return false;
    }
    m_readType = readType;
    m_stop.store(0);
    m_buffer.clear();
    start(QThread::InheritPriority);
    return true;
}

bool ReadCardFor6CThread::stopCollect()
{
    if (m_stop.load() == 0) {
        m_stop.store(1);
        wait(3000);
    }
    return true;
}

void ReadCardFor6CThread::clearTags()
{
    m_buffer.clear();
}

bool ReadCardFor6CThread::linkGone() const
{
    int code = 0;
    ZALT_GetErrorCode(static_cast<ZALT_HANDLE>(m_handle), &code);
    return ReaderError::MeansLinkGone(code);
}

void ReadCardFor6CThread::run()
{
    unsigned char bufA[255];
    unsigned char bufB[255];
    const ZALT_HANDLE handle = static_cast<ZALT_HANDLE>(m_handle);
    QElapsedTimer probeTime;
    TagKeyResolver resolver;
    quint32 resolvedFor = m_buffer.generation();
    const bool askRssi = m_askRssi;
    while (m_stop.load() == 0) {
        // A holds the EPC and B the TID; only the lengths a successful call returns are read.
        unsigned char lenA = 255;
        unsigned char lenB = 255;
        unsigned char antenna = 0;
        unsigned char result = 0;
        switch (m_readType) {
        case 0:
            result = ZALT_6CRevEPCMsg(handle, &antenna, bufA, &lenA);
            lenB = 0;
            break;
        case 1:
            result = ZALT_6CRevTIDMsg(handle, &antenna, bufB, &lenB);
            lenA = 0;
            break;
        case 2:
            result = ZALT_6CRevEPCTIDMsg(handle, &antenna, bufA, &lenA, bufB, &lenB);
            break;
        default:
            m_stop.store(1);
            break;
        }
        if (result == 1) {
            TagRead r;
            r.epc = hexText(bufA, lenA);
            r.tid = hexText(bufB, lenB);
            r.antenna = antenna;
            int dbm = 0;
            if (askRssi && ReaderDllCommon::LastReportRssi(m_handle, &dbm)) {
                r.rssi = dbm;
            }
            r.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
            // The page cleared its table: record numbers start again.
            r.generation = m_buffer.generation();
            if (r.generation != resolvedFor) {
                resolver.clear();
                resolvedFor = r.generation;
            }
            resolver.resolve(r);
            m_buffer.push(std::move(r));
            m_received.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        // The library waits out every failure, so a failed call never spins; only a lost link
        // ends the loop. An error code can outlive a reopened link, hence the probe.
        if (linkGone() && (!probeTime.isValid() || probeTime.elapsed() >= 1000)) {
            unsigned char io[2] = {0, 0};
            if (!ZALT_IOStateQuery(handle, io)) {
                LogKey("IDCS_INVENTORY_LINK_LOST", true);
                m_stop.store(1);
                emit sig_linkLost();
                break;
            }
            probeTime.start();
        }
    }
    m_stop.store(1);
}
