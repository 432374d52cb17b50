#include "core/firmware/FirmWareUpdateFor6CThread.h"

#include "core/app/AppContext.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/discovery/UdpSocket.h"
#include "core/firmware/FirmwareFile.h"
#include "core/reader/ReaderDllBase.h"

#include <QFileInfo>

#include <zaltlink.h>

#include <cstring>

namespace {
// The update call's name buffer.
constexpr int kNameBufferBytes = 254;
// The progress counter runs 1 ... 39 and shows every fifth step as 45 ... 75 (0 shows 40).
constexpr int kProgressWrap = 40;
} // namespace

FirmWareUpdateFor6CThread::FirmWareUpdateFor6CThread(QObject* parent) : QThread(parent)
{
    m_sender.SetStopFlag(&m_stop);
}

FirmWareUpdateFor6CThread::~FirmWareUpdateFor6CThread()
{
    m_stop = true;
    wait();
}

void FirmWareUpdateFor6CThread::SetJob(const QString& path, uint8_t kind, int tftpPort)
{
    m_path = path;
    m_kind = kind;
    m_port = tftpPort;
    m_stop = false;
}

void FirmWareUpdateFor6CThread::run()
{
    QByteArray data;
    bool valid = Firmware::ReadFile(m_path, &data);
    if (valid) {
        emit resultReady(10);
        valid = Firmware::IsValid(m_kind, m_path, data);
    }
    if (!valid) {
        LogKey("IDCS_FILE_NOT_VALIDITY");
        Finish(false);
        return;
    }
    emit resultReady(15);
    const QString fileName = QFileInfo(m_path).fileName();
    Finish(Transfer(data, fileName) && TakeUp(data, fileName));
}

void FirmWareUpdateFor6CThread::Finish(bool ok)
{
    // Idle first: the dialog may start the next run as soon as it hears the outcome.
    m_idle = true;
    emit resultReady(ok ? 100 : -1);
}

bool FirmWareUpdateFor6CThread::Transfer(const QByteArray& data, const QString& fileName)
{
    ReaderDllBase* reader = CurrentReader();
    if (!reader->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    const QString ip = reader->GetConnectParam().ipAddress;
    emit resultReady(20);
    UdpPeer server;
    server.port = static_cast<uint16_t>(m_port);
    if (!UdpSocket::ParseIPv4(ip.toStdString(), &server.address)) {
        LogKey("IDCS_TCP_LINK_FAILED");
        return false;
    }

    int counter = 1;
    m_sender.SetStepObserver([this, &counter](TftpSender::Step step) {
        switch (step) {
        case TftpSender::Step::Opened:
            emit resultReady(25);
            break;
        case TftpSender::Step::RequestBuilt:
            emit resultReady(30);
            break;
        case TftpSender::Step::RequestSent:
            emit resultReady(40);
            break;
        case TftpSender::Step::AwaitingAck:
            if (counter % 5 == 0) {
                emit resultReady(counter + 40);
            }
            counter = (counter + 1) % kProgressWrap;
            break;
        }
    });
    const TftpSender::Result result = m_sender.Send(server, fileName.toStdString(),
                                                    reinterpret_cast<const unsigned char*>(data.constData()),
                                                    static_cast<size_t>(data.size()));
    m_sender.SetStepObserver(nullptr);
    switch (result) {
    case TftpSender::Result::Ok:
        return true;
    case TftpSender::Result::OpenFailed:
        LogKey("IDCS_TCP_LINK_FAILED");
        break;
    case TftpSender::Result::BadMode:
        LogKey("IDCS_CAN_NOT_PACK_WRQ");
        break;
    case TftpSender::Result::RequestSendFailed:
        LogKey("IDCS_WRQ_SEND_FAILED");
        break;
    case TftpSender::Result::NoReply:
    case TftpSender::Result::SendFailed:
        LogKey("IDCS_RECV_FAILED");
        break;
    case TftpSender::Result::WrongBlock:
        LogKey("IDCS_BLOCK_NUM_FAILED");
        break;
    case TftpSender::Result::PeerMessage:
        AppContext::Instance()->logMessage(QString::fromStdString(m_sender.PeerMessage()), false);
        break;
    case TftpSender::Result::Stopped:
        break;
    }
    return false;
}

bool FirmWareUpdateFor6CThread::TakeUp(const QByteArray& data, const QString& fileName)
{
    emit resultReady(80);
    unsigned int checksum = 0;
    const QByteArray checksumBytes = Firmware::ChecksumBytes(data);
    std::memcpy(&checksum, checksumBytes.constData(), sizeof checksum);
    unsigned char name[kNameBufferBytes];
    std::memset(name, 0, sizeof name);
    const QByteArray utf8 = fileName.toUtf8();
    // The buffer is the limit, whatever the name.
    const int nameLength = static_cast<int>(qMin<qsizetype>(utf8.size(), kNameBufferBytes));
    std::memcpy(name, utf8.constData(), static_cast<size_t>(nameLength));
    const ZALT_HANDLE handle = CurrentReader()->GetHandle();
    const bool ok =
        ZALT_Updata(handle, m_kind, static_cast<int>(data.size()), &checksum, nameLength, name) != 0;
    emit resultReady(85);
    if (ok && m_kind != Firmware::KindTransfer && !ZALT_Reboot(handle, 0)) {
        LogKey("IDCS_REBOOT_COMAND_FAILED");
    }
    if (ok) {
        emit resultReady(90);
    }
    return ok;
}
