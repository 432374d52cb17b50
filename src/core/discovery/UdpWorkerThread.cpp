#include "core/discovery/UdpWorkerThread.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"

UdpWorkerThread::UdpWorkerThread(QObject* parent) : QThread(parent) {}

UdpWorkerThread::~UdpWorkerThread()
{
    m_stop = true;
    wait();
}

bool UdpWorkerThread::StartDiscovery()
{
    if (isRunning()) {
        LogKey("IDCS_UDP_DOING");
        return false;
    }
    // Read here, on the caller's thread; the run only uses the result.
    const QString port =
        DeviceProfile::Instance()->GetValue(QStringLiteral("ConnetDlg"), QStringLiteral("UDP_PORT"));
    const QString override = Discovery::OverrideSetting();
    const uint32_t broadcast =
        override.trimmed().isEmpty() ? Discovery::ChooseBroadcast(Discovery::ListInterfaces()) : 0;
    m_target = Discovery::ResolveTarget(override, port, broadcast);
    m_stop = false;
    start(QThread::InheritPriority);
    return true;
}

void UdpWorkerThread::run()
{
    const Discovery::Outcome outcome = Discovery::Run(
        m_target, [this](const QString& ip, const QString& name) { emit resultReady(ip, name); }, &m_stop);
    switch (outcome) {
    case Discovery::Outcome::SocketFailed:
        LogKey("IDCS_UDP_GET_FAILED_TG");
        break;
    case Discovery::Outcome::NothingFound:
        LogKey("IDCS_UDP_GET_FAILED");
        break;
    case Discovery::Outcome::Found:
        LogKey("IDCS_UDP_GET_SUCCESS");
        break;
    case Discovery::Outcome::Stopped:
        break;
    }
}
