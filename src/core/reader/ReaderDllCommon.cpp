#include "core/reader/ReaderDllCommon.h"

#include "core/reader/ReaderErrors.h"

#include <zaltlink.h>
#include <zaltlink_llrp.h>

#include <QByteArray>

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using LastReportRssiFn = decltype(&ZALT_LastReportRSSI);

LastReportRssiFn resolveLastReportRssi()
{
#ifdef _WIN32
    const HMODULE library = GetModuleHandleA("zaltlink.dll");
    return library ? reinterpret_cast<LastReportRssiFn>(GetProcAddress(library, "ZALT_LastReportRSSI"))
                   : nullptr;
#else
    return reinterpret_cast<LastReportRssiFn>(dlsym(RTLD_DEFAULT, "ZALT_LastReportRSSI"));
#endif
}

LastReportRssiFn lastReportRssiCall()
{
    static const LastReportRssiFn call = resolveLastReportRssi();
    return call;
}

} // namespace

bool ReaderDllCommon::OpenReader()
{
    if (!IsState(StateDisconnected)) {
        return false;
    }
    m_openError = 0;
    unsigned char ok = 0;
    switch (m_connectType) {
    case ConnectTcp:
        ok = ZALT_TCPInit(&m_handle, m_ipAddress.toUtf8().constData(), m_port);
        break;
    case ConnectCom:
        ok = ZALT_COMInit(&m_handle, 0, m_portName.toUtf8().constData(), m_baudRate);
        break;
    case ConnectUsb:
        ok = ZALT_USBInit(&m_handle, 0, m_portName.toUtf8().constData(), m_baudRate);
        break;
    case ConnectUdp:
        ok = ZALT_UDPInit(&m_handle, m_ipAddress.toUtf8().constData(), m_port);
        break;
    case ConnectLlrp:
        ok = ZALT_LLRPInit(&m_handle, m_ipAddress.toUtf8().constData(), m_port);
        break;
    default:
        return false;
    }
    if (!ok) {
        m_handle = -1;
        m_openError = ReaderError::BadArgument;
        return false;
    }
    if (ZALT_Open(m_handle)) {
        SetState(StateConnected);
        return true;
    }
    int code = ReaderError::ConnectFailed;
    ZALT_GetErrorCode(m_handle, &code);
    m_openError = code;
    // The init call created a library connection; do not leak it when the reader never answered.
    ZALT_Close(m_handle);
    m_handle = -1;
    SetState(StateDisconnected);
    return false;
}

bool ReaderDllCommon::CloseReader()
{
    m_openError = 0;
    ZALT_Close(m_handle);
    m_handle = -1;
    SetState(StateDisconnected);
    return true;
}

bool ReaderDllCommon::GetLibraryInfo(char* buffer)
{
    return ZALT_Copyright(&m_handle, buffer) != 0;
}

int ReaderDllCommon::GetErrorCode()
{
    if (const int openError = m_openError.load()) {
        return openError;
    }
    int code = 0;
    ZALT_GetErrorCode(m_handle, &code);
    return code;
}

bool ReaderDllCommon::LastReportRssi(intptr_t handle, int* dbm)
{
    const LastReportRssiFn call = lastReportRssiCall();
    return call && call(static_cast<ZALT_HANDLE>(handle), dbm) != 0;
}

bool ReaderDllCommon::ReportsCarryRssi() const
{
    return m_connectType == ConnectLlrp && lastReportRssiCall() != nullptr;
}

bool ReaderDllCommon::GetReaderInfo(QString& info)
{
    if (!IsState(StateConnected)) {
        return false;
    }
    unsigned char buffer[255];
    std::memset(buffer, 0, sizeof buffer);
    unsigned char length = sizeof buffer;
    if (!ZALT_SysInfQuery(m_handle, 1, buffer, &length)) {
        return false;
    }
    // A reader may fill the whole buffer without a terminating zero.
    const size_t used = qMin<size_t>(length, sizeof buffer);
    info = QString::fromUtf8(reinterpret_cast<const char*>(buffer),
                             qstrnlen(reinterpret_cast<const char*>(buffer), used));
    return true;
}
