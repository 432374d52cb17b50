#include "core/app/ReaderDriverHolder.h"

#include "core/reader/ReaderDllBase.h"
#include "core/reader/ReaderDllCommon.h"
#include "core/reader/ReaderDllGJB.h"

#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_instanceMutex;
ReaderDriverHolder* g_instance = nullptr;
} // namespace

std::unique_ptr<ReaderDllBase> MakeReaderDriver(const QString& dllType)
{
    // "WIRELESS" and anything unknown get the base, which fails every reader operation.
    if (dllType == QLatin1String("6C")) {
        return std::make_unique<ReaderDllCommon>();
    }
    if (dllType == QLatin1String("GB") || dllType == QLatin1String("GJB")) {
        return std::make_unique<ReaderDllGJB>();
    }
    return std::make_unique<ReaderDllBase>();
}

ReaderDriverHolder* ReaderDriverHolder::Instance()
{
    QMutexLocker lock(&g_instanceMutex);
    if (!g_instance) {
        g_instance = new ReaderDriverHolder;
    }
    return g_instance;
}

void ReaderDriverHolder::DestroyInstance()
{
    QMutexLocker lock(&g_instanceMutex);
    delete g_instance;
    g_instance = nullptr;
}

ReaderDriverHolder::~ReaderDriverHolder() = default;

void ReaderDriverHolder::CreateDriver(const QString& dllType)
{
    m_driver = MakeReaderDriver(dllType);
}

ReaderDllBase* ReaderDriverHolder::currentReader()
{
    if (!m_driver) {
        m_driver = MakeReaderDriver(QString());
    }
    return m_driver.get();
}

void ReaderDriverHolder::DestroyDriver()
{
    m_driver.reset();
}

ReaderDllBase* CurrentReader()
{
    return ReaderDriverHolder::Instance()->currentReader();
}
