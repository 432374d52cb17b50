#include "core/reader/ReaderDllBase.h"

ReaderDllBase::ReaderDllBase() = default;

ReaderDllBase::~ReaderDllBase() = default;

bool ReaderDllBase::OpenReader()
{
    return false;
}

bool ReaderDllBase::CloseReader()
{
    return false;
}

bool ReaderDllBase::StopRead()
{
    return false;
}

bool ReaderDllBase::GetLibraryInfo(char* buffer)
{
    Q_UNUSED(buffer);
    return false;
}

int ReaderDllBase::GetErrorCode()
{
    return 0;
}

bool ReaderDllBase::GetReaderInfo(QString& info)
{
    Q_UNUSED(info);
    return false;
}

bool ReaderDllBase::ReportsCarryRssi() const
{
    return false;
}

void ReaderDllBase::SetTcpParam(const QString& ip, int port)
{
    m_ipAddress = ip;
    m_port = port;
    m_connectType = ConnectTcp;
}

void ReaderDllBase::SetComParam(const QString& portName, int baudRate)
{
    m_connectType = ConnectCom;
    m_portName = portName;
    m_baudRate = baudRate;
}

void ReaderDllBase::SetUsbParam(const QString& name, int value)
{
    m_connectType = ConnectUsb;
    m_portName = name;
    m_baudRate = value;
}

void ReaderDllBase::SetUdpParam(const QString& ip, int port)
{
    m_ipAddress = ip;
    m_port = port;
    m_connectType = ConnectUdp;
}

void ReaderDllBase::SetLlrpParam(const QString& ip, int port)
{
    m_ipAddress = ip;
    m_port = port;
    m_connectType = ConnectLlrp;
}

ConnectParam ReaderDllBase::GetConnectParam() const
{
    ConnectParam param;
    param.ipAddress = m_ipAddress;
    param.port = m_port;
    param.portName = m_portName;
    param.baudRate = m_baudRate;
    param.connectType = m_connectType;
    return param;
}
