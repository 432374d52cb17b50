#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

// Connection parameters as copied out of a driver.
struct ConnectParam
{
    QString ipAddress;
    int port = 0;
    QString portName;
    int baudRate = 0;
    int connectType = 0; // 0 TCP, 1 serial port, 2 USB, 3 UDP, 4 LLRP
};

// The driver every page talks to. The base fails every reader operation; the family drivers
// override the virtual operations.
class ReaderDllBase
{
public:
    enum ConnectType
    {
        ConnectTcp = 0,
        ConnectCom = 1,
        ConnectUsb = 2,
        ConnectUdp = 3,
        // An EPCglobal LLRP reader: the 6C calls that have an LLRP meaning, the rest "not supported".
        ConnectLlrp = 4
    };
    enum State
    {
        StateDisconnected = 0,
        StateConnected = 2,
        StateReading = 3,
        StateTimedReadEnded = 4
    };

    ReaderDllBase();
    virtual ~ReaderDllBase();

    ReaderDllBase(const ReaderDllBase&) = delete;
    ReaderDllBase& operator=(const ReaderDllBase&) = delete;

    virtual bool OpenReader();
    virtual bool CloseReader();
    virtual bool StopRead();
    virtual bool GetLibraryInfo(char* buffer);
    virtual int GetErrorCode();
    virtual bool GetReaderInfo(QString& info);
    // Whether the reports of this connection can carry a signal strength, so the inventory asks
    // for it only where there can be one.
    virtual bool ReportsCarryRssi() const;

    bool IsState(int value) const { return m_state.load() == value; }
    void SetState(int value) { m_state.store(value); }
    int GetState() const { return m_state.load(); }

    // True while a reader call runs off the user-interface thread; every other reader action waits.
    bool IsBusy() const { return m_busy.load(); }
    void SetBusy(bool busy) { m_busy.store(busy); }

    void SetTcpParam(const QString& ip, int port);
    void SetComParam(const QString& portName, int baudRate);
    void SetUsbParam(const QString& name, int value);
    void SetUdpParam(const QString& ip, int port);
    void SetLlrpParam(const QString& ip, int port);
    ConnectParam GetConnectParam() const;

    // The library handle is pointer-sized: libraries hand out pointers.
    intptr_t GetHandle() const { return m_handle; }
    intptr_t* HandleAddress() { return &m_handle; }

protected:
    intptr_t m_handle = 0;
    QString m_ipAddress;
    int m_port = 0;
    QString m_portName;
    int m_baudRate = 0;
    int m_connectType = ConnectTcp;
    // Read by worker threads while the user interface thread changes it.
    std::atomic<int> m_state{StateDisconnected};
    std::atomic<bool> m_busy{false};
};
