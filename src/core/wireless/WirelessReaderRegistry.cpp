#include "core/wireless/WirelessReaderRegistry.h"

#include "core/app/AppContext.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
QMutex g_instanceMutex;
WirelessReaderRegistry* g_instance = nullptr;

const int kStopWaitMs = 3000;

const WirelessReaderInfo* Record(quintptr reader)
{
    return reinterpret_cast<const WirelessReaderInfo*>(reader);
}

template <size_t N> QString FieldText(const char (&field)[N])
{
    return QString::fromUtf8(field, static_cast<int>(strnlen(field, N)));
}

unsigned char WIRELESS_API ReaderCallback(WIRELESS_HANDLE, WirelessReaderInfo* reader)
{
    // Runs on the library's thread: only a queued signal leaves here.
    QMutexLocker lock(&g_instanceMutex);
    if (g_instance && reader) {
        emit g_instance->sig_RecvreaderInfo(reinterpret_cast<quintptr>(reader));
    }
    return 1;
}
} // namespace

WirelessReaderRegistry* WirelessReaderRegistry::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) {
        g_instance = new WirelessReaderRegistry;
    }
    return g_instance;
}

void WirelessReaderRegistry::DestroyInstance()
{
    WirelessReaderRegistry* doomed = nullptr;
    {
        QMutexLocker lock(&g_instanceMutex);
        doomed = g_instance;
        g_instance = nullptr;
    }
    delete doomed;
}

WirelessReaderRegistry::WirelessReaderRegistry() = default;

WirelessReaderRegistry::~WirelessReaderRegistry()
{
    StopAll();
    WaitStopped(kStopWaitMs);
}

WIRELESS_ReaderCallback WirelessReaderRegistry::Callback()
{
    return ReaderCallback;
}

void WirelessReaderRegistry::SetWindow(QObject* window)
{
    m_window = window;
}

bool WirelessReaderRegistry::IsLive(quintptr reader) const
{
    unsigned int time = 0;
    return reader != 0 &&
           (WIRELESS_IsNetReader(0, reader) || WIRELESS_ZALT_GetLastTime(m_handle, reader, &time));
}

QString WirelessReaderRegistry::ReaderKey(quintptr reader)
{
    const WirelessReaderInfo* r = Record(reader);
    if (WIRELESS_IsNetReader(0, reader)) {
        return QStringLiteral("%1:%2").arg(FieldText(r->address)).arg(r->port);
    }
    return QStringLiteral("%1:%2").arg(FieldText(r->device)).arg(r->baud);
}

QString WirelessReaderRegistry::AddressText(quintptr reader)
{
    const WirelessReaderInfo* r = Record(reader);
    switch (r->type) {
    case WIRELESS_TYPE_SERVER:
    case WIRELESS_TYPE_TCP:
    case WIRELESS_TYPE_UDP:
        return QStringLiteral("%1:%2").arg(FieldText(r->address)).arg(r->port);
    case WIRELESS_TYPE_SERIAL:
    case WIRELESS_TYPE_USB:
        return QStringLiteral("%1:%2").arg(FieldText(r->device)).arg(r->baud);
    default:
        return QStringLiteral(":");
    }
}

QString WirelessReaderRegistry::IpText(quintptr reader)
{
    return FieldText(Record(reader)->address);
}

WirelessRecvProcThread* WirelessReaderRegistry::Thread(const QString& key) const
{
    auto it = m_threads.find(key);
    return it == m_threads.end() ? nullptr : it->second.get();
}

QStringList WirelessReaderRegistry::Keys() const
{
    QStringList keys;
    for (const auto& entry : m_threads) {
        keys << entry.first;
    }
    return keys;
}

void WirelessReaderRegistry::StartReader(quintptr reader, const QString& key, int readType)
{
    auto& slot = m_threads[key];
    if (!slot) {
        slot = std::make_unique<WirelessRecvProcThread>(m_handle, reader, IpText(reader), m_timeStamps);
        slot->setKeepReads(m_keepReads);
        slot->setIoPoster([this](const QString& text) {
            if (!HasWindow()) {
                return false;
            }
            AppContext::Instance()->logMessage(text, false);
            return true;
        });
    }
    if (slot->isStopped()) {
        slot->setReadType(readType);
        slot->start();
    }
}

void WirelessReaderRegistry::StopReader(const QString& key)
{
    auto it = m_threads.find(key);
    if (it == m_threads.end()) {
        return;
    }
    std::vector<std::unique_ptr<WirelessRecvProcThread>> threads;
    threads.push_back(std::move(it->second));
    m_threads.erase(it);
    Retire(std::move(threads));
}

void WirelessReaderRegistry::StopAll()
{
    std::vector<std::unique_ptr<WirelessRecvProcThread>> threads;
    for (auto& entry : m_threads) {
        threads.push_back(std::move(entry.second));
    }
    m_threads.clear();
    Retire(std::move(threads));
}

void WirelessReaderRegistry::Retire(std::vector<std::unique_ptr<WirelessRecvProcThread>> threads)
{
    if (threads.empty()) {
        return;
    }
    // Every flag first, so all loops wind down at once; the waiting happens elsewhere.
    for (auto& t : threads) {
        t->requestStop();
    }
    auto job = std::async(std::launch::async, [threads = std::move(threads)]() mutable {
        for (auto& t : threads) {
            t->waitStopped(kStopWaitMs);
            t->clearRecords();
        }
        threads.clear();
    });
    std::lock_guard<std::mutex> lk(m_stoppingMutex);
    m_stopping.erase(std::remove_if(m_stopping.begin(), m_stopping.end(),
                                    [](const std::future<void>& f) {
                                        return f.wait_for(std::chrono::seconds(0)) ==
                                               std::future_status::ready;
                                    }),
                     m_stopping.end());
    m_stopping.push_back(std::move(job));
}

bool WirelessReaderRegistry::WaitStopped(int timeoutMs)
{
    std::vector<std::future<void>> jobs;
    {
        std::lock_guard<std::mutex> lk(m_stoppingMutex);
        jobs.swap(m_stopping);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool all = true;
    for (auto& job : jobs) {
        all = job.wait_until(deadline) == std::future_status::ready && all;
    }
    for (auto& job : jobs) {
        job.wait();
    }
    return all;
}

bool WirelessReaderRegistry::RemoveReader(quintptr reader, const QString& key)
{
    StopReader(key);
    return WIRELESS_CloseReader(m_handle, reader) != 0;
}
