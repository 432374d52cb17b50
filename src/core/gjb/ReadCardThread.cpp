#include "core/gjb/ReadCardThread.h"

#include "core/app/AppContext.h"
#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderDllGJB.h"
#include "core/reader/ReaderErrors.h"

#include <QElapsedTimer>
#include <QTime>

#include <vector>

namespace {
constexpr int kReportBufferSize = 65536;
}

ReadCardThread::ReadCardThread(QObject* parent) : QThread(parent) {}

ReadCardThread::~ReadCardThread()
{
    // The loop must end before the table it fills goes away.
    m_stop.store(1);
    wait();
}

bool ReadCardThread::startCollect(int limitMs)
{
    if (m_driver && m_driver->IsState(ReaderDllBase::StateConnected)) {
        m_driver->SetState(ReaderDllBase::StateReading);
    }
    if (m_idle.load() == 0) {
        return false;
    }
    // A run that ended on its own may still be unwinding.
    wait();
    m_limitMs.store(limitMs);
    m_stop.store(0);
    m_idle.store(0);
    start(QThread::InheritPriority);
    return true;
}

bool ReadCardThread::stopCollect()
{
    m_stop.store(1);
    wait();
    m_idle.store(1);
    clearTags();
    return true;
}

void ReadCardThread::clearTags()
{
    QMutexLocker lock(&m_mutex);
    m_tags.clear();
}

void ReadCardThread::mergeInto(GjbPageTable& page)
{
    QMutexLocker lock(&m_mutex);
    m_tags.mergeInto(page);
}

bool ReadCardThread::linkGone()
{
    return ReaderError::MeansLinkGone(m_driver->GetErrorCode());
}

void ReadCardThread::run()
{
    const quint32 startTick = AppContext::TickCount();
    std::vector<unsigned char> buffer(kReportBufferSize, 0);
    QElapsedTimer probeTime;
    const int limit = m_limitMs.load();
    while (m_stop.load() == 0 && m_driver) {
        bool got = false;
        if (m_driver->GetState() > 1) {
            got = m_driver->Receive_TagReport(buffer.data(), kReceiveWaitMs);
        }
        GjbTagReport report;
        if (got && ParseGjbTagReport(buffer.data(), kReportBufferSize, report)) {
            m_readSeen.store(true);
            const QString time = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
            {
                QMutexLocker lock(&m_mutex);
                m_tags.addRead(report.tagId, report.antenna, time);
            }
            m_received.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        if (!got && limit != -1 && AppContext::isTimedOut(startTick, static_cast<quint32>(limit))) {
            m_stop.store(1);
            m_driver->SetState(ReaderDllBase::StateTimedReadEnded);
            AppContext::Instance()->NotifyReaderState(ReaderDllBase::StateTimedReadEnded);
            LogKey("IDCS_READ_CARD_STOP");
            m_driver->SetState(ReaderDllBase::StateConnected);
            break;
        }
        // An error code can outlive a reopened link, hence the probe before giving up.
        if (!got && linkGone() && (!probeTime.isValid() || probeTime.elapsed() >= 1000)) {
            int mask = 0;
            if (!m_driver->ReaderAntenna_Get(&mask)) {
                LogKey("IDCS_INVENTORY_LINK_LOST", true);
                m_stop.store(1);
                emit sig_linkLost();
                break;
            }
            probeTime.start();
        }
    }
    m_idle.store(1);
}
