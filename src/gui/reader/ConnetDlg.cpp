#include "gui/reader/ConnetDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/discovery/UdpWorkerThread.h"
#include "core/reader/GjbClockStep.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/reader/ReaderCallUi.h"
#include "ui_ConnetDlg.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>

namespace {
const char kGroup[] = "ConnetDlg";
const int kSpeedHistory = 20;
const int kSpeedShowEvery = 5;
const char kDefaultBaudRate[] = "115200";
const char kLlrpPort[] = "5084"; // the standard's port

struct MediumEntry
{
    const char* text;
    const char* flag;
    int type;
};

const MediumEntry kMedia[] = {
    {"TCP", "TCP_TYPE", ReaderDllBase::ConnectTcp},    {"COM", "COM_TYPE", ReaderDllBase::ConnectCom},
    {"USB", "USB_TYPE", ReaderDllBase::ConnectUsb},    {"UDP", "UDP_TYPE", ReaderDllBase::ConnectUdp},
    {"LLRP", "LLRP_TYPE", ReaderDllBase::ConnectLlrp},
};

QString ProfileValue(const char* key)
{
    return DeviceProfile::Instance()->GetValue(QString::fromLatin1(kGroup), QString::fromLatin1(key));
}

void SelectPort(QComboBox* box, const QString& name)
{
    if (name.isEmpty()) {
        box->setCurrentIndex(box->count() > 0 ? 0 : -1);
        return;
    }
    const int index = box->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
    if (index < 0) {
        // A device path typed last time (/dev/ttyUSB3, /dev/pts/5) comes back as typed.
        box->setEditText(name);
    }
}

void SelectBaudRate(QComboBox* box, const QString& value)
{
    const QString wanted = value.isEmpty() ? QString::fromLatin1(kDefaultBaudRate) : value;
    box->setCurrentIndex(box->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive));
}
} // namespace

ConnetDlg::ConnetDlg(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ConnetDlg>()), m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->tcpAddrCb->setEditable(true);
    ui->udpAddrCb->setEditable(true);
    ui->llrpAddrCb->setEditable(true);
    ui->paramStack->setCurrentIndex(0);

    // Digits only; the range is checked on connect so the operator learns why it was refused.
    const QRegularExpression portPattern(QStringLiteral("[0-9]{0,5}"));
    ui->tcpPortEdit->setValidator(new QRegularExpressionValidator(portPattern, ui->tcpPortEdit));
    ui->udpPortEdit->setValidator(new QRegularExpressionValidator(portPattern, ui->udpPortEdit));
    ui->llrpPortEdit->setValidator(new QRegularExpressionValidator(portPattern, ui->llrpPortEdit));

    DeviceProfile* profile = DeviceProfile::Instance();
    for (const MediumEntry& medium : kMedia) {
        if (profile->IsEnabled(QString::fromLatin1(kGroup), QString::fromLatin1(medium.flag))) {
            ui->connetTypeCb->addItem(QString::fromLatin1(medium.text), medium.type);
        }
    }

    LoadSavedParams();

    ui->connetBtn->setEnabled(true);
    ui->disConnetBtn->setEnabled(false);
    connect(ui->connetBtn, &QPushButton::clicked, this, &ConnetDlg::slot_connetBtnClicked);
    connect(ui->disConnetBtn, &QPushButton::clicked, this, &ConnetDlg::slot_disConnetBtnClicked);
    connect(ui->connetTypeCb, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ConnetDlg::slot_ConnetTypeIndexChanged);

    ApplyTexts();

    if (profile->IsEnabled(QString::fromLatin1(kGroup), QStringLiteral("UdpWorkerThread"))) {
        m_udpThread = new UdpWorkerThread(this);
        connect(m_udpThread, &UdpWorkerThread::resultReady, this, &ConnetDlg::slot_GetUdpResult,
                Qt::QueuedConnection);
        connect(ui->queryIpBtn, &QPushButton::clicked, this, &ConnetDlg::slot_queryIpBtnClicked);
        ui->queryIpBtn->show();
        slot_queryIpBtnClicked();
    } else {
        ui->queryIpBtn->hide();
    }
}

ConnetDlg::~ConnetDlg() = default;

QStringList ConnetDlg::PortNameList()
{
    QStringList names;
    for (int i = 1; i <= 9; ++i) {
        names << QStringLiteral("COM%1").arg(i);
    }
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& port : ports) {
        const QString location = port.systemLocation();
        if (!location.isEmpty() && !names.contains(location)) {
            names << location;
        }
    }
    return names;
}

QStringList ConnetDlg::BaudRateList()
{
    // 38400 and 57600 are speeds the readers themselves offer.
    return {QStringLiteral("4800"),   QStringLiteral("9600"),   QStringLiteral("19200"),
            QStringLiteral("38400"),  QStringLiteral("56000"),  QStringLiteral("57600"),
            QStringLiteral("115200"), QStringLiteral("128000"), QStringLiteral("230400"),
            QStringLiteral("256000"), QStringLiteral("460800")};
}

void ConnetDlg::LoadSavedParams()
{
    const int savedType = ProfileValue("CONNET_TYPE").toInt();
    const int typeIndex = ui->connetTypeCb->findData(savedType);
    ui->connetTypeCb->setCurrentIndex(typeIndex);
    slot_ConnetTypeIndexChanged(typeIndex);

    const QStringList ports = PortNameList();
    ui->comNameCb->addItems(ports);
    ui->usbNameCb->addItems(ports);
    SelectPort(ui->comNameCb, ProfileValue("COM_NAME"));
    SelectPort(ui->usbNameCb, ProfileValue("USB_NAME"));

    ui->comBaudCb->addItems(BaudRateList());
    ui->usbBaudCb->addItems(BaudRateList());
    SelectBaudRate(ui->comBaudCb, ProfileValue("COM_BAUDRATE"));
    SelectBaudRate(ui->usbBaudCb, ProfileValue("USB_BAUDRATE"));

    ui->tcpAddrCb->setEditText(ProfileValue("TCP_ADDR"));
    ui->udpAddrCb->setEditText(ProfileValue("UDP_ADDR"));
    ui->tcpPortEdit->setText(ProfileValue("TCP_PORT"));
    ui->udpPortEdit->setText(ProfileValue("UDP_PORT"));
    ui->llrpAddrCb->setEditText(ProfileValue("LLRP_ADDR"));
    const QString llrpPort = ProfileValue("LLRP_PORT");
    ui->llrpPortEdit->setText(llrpPort.isEmpty() ? QString::fromLatin1(kLlrpPort) : llrpPort);

    // The demo script starts a simulated reader on a free port and names it here, so that the
    // first press of Connect reaches it. Saved only once used, like any other address.
    const QString demo = qEnvironmentVariable("RIVULET_DEMO_TCP");
    const int colon = static_cast<int>(demo.lastIndexOf(QLatin1Char(':')));
    const int tcpIndex = ui->connetTypeCb->findData(static_cast<int>(ReaderDllBase::ConnectTcp));
    if (colon > 0 && tcpIndex >= 0 && AppSettings::IsValidIp(demo.left(colon))) {
        ui->connetTypeCb->setCurrentIndex(tcpIndex);
        slot_ConnetTypeIndexChanged(tcpIndex);
        ui->tcpAddrCb->setEditText(demo.left(colon));
        ui->tcpPortEdit->setText(demo.mid(colon + 1));
    }
}

void ConnetDlg::ApplyTexts()
{
    ui->linkTypeLabel->setText(LangLabel("IDCS_LINK_TYPE"));
    ui->tcpAddrLabel->setText(LangLabel("IDCS_IP_ADDR"));
    ui->tcpPortLabel->setText(LangLabel("IDCS_PORT"));
    ui->queryIpBtn->setText(LangText("IDCS_QUERY"));
    ui->comNameLabel->setText(LangLabel("IDCS_COM_NAME"));
    ui->comBaudLabel->setText(LangLabel("IDCS_BAUDRATE"));
    ui->usbNameLabel->setText(LangLabel("IDCS_USB_PORT"));
    ui->usbBaudLabel->setText(LangLabel("IDCS_BAUDRATE"));
    ui->udpAddrLabel->setText(LangLabel("IDCS_IP_ADDR"));
    ui->udpPortLabel->setText(LangLabel("IDCS_PORT"));
    ui->llrpAddrLabel->setText(LangLabel("IDCS_IP_ADDR"));
    ui->llrpPortLabel->setText(LangLabel("IDCS_PORT"));
    ui->llrpNoteLabel->setText(LangText("IDCS_LLRP_NOTE"));
    ui->connetBtn->setText(LangText("IDCS_CONNET"));
    ui->disConnetBtn->setText(LangText("IDCS_DISCONNET"));
    ui->tagCountLabel->setText(LangLabel("IDCS_TAG_COUNT"));
    ui->readSpeedLabel->setText(LangLabel("IDCS_TAG_READ_SPEED"));

    const QString skin = AppSettings::Instance()->GetSkinDir();
    ui->logoLabel->setStyleSheet(
        QStringLiteral("\t\t.QLabel{\t\tmin-height:35px;\t\timage: url(%1/logo.png);\t\t}").arg(skin));
    ui->titleLabel->setStyleSheet(
        QStringLiteral("\t\t.QLabel{\t\tmin-height:20px;\t\timage: url(%1/title.png);\t\t}").arg(skin));
    const QString bigNumber =
        QStringLiteral("font: 28pt \"Arial\"; color: qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1,"
                       " stop:0 rgb(64, 156, 255), stop:1 rgb(16, 82, 190));");
    ui->tagCountValue->setStyleSheet(bigNumber);
    ui->readSpeedValue->setStyleSheet(bigNumber);
}

void ConnetDlg::SaveParam(const char* key, const QString& value)
{
    DeviceProfile::Instance()->SetValue(QString::fromLatin1(kGroup), QString::fromLatin1(key), value);
}

bool ConnetDlg::ReadNetParam(const QString& address, const QString& portText, int* port)
{
    if (!AppSettings::IsValidIp(address)) {
        LogKey("IDCS_IPADDR_INVAID");
        return false;
    }
    bool ok = false;
    const uint value = portText.toUInt(&ok, 10);
    if (portText.isEmpty() || !ok || value == 0) {
        LogKey("IDCS_IP_PORT_ERRO");
        return false;
    }
    // Above 65535 the library would quietly wrap to another port.
    if (value > 65535) {
        LogKey("IDCS_PORT_RANGE_ERRO");
        return false;
    }
    *port = static_cast<int>(value);
    return true;
}

void ConnetDlg::slot_connetBtnClicked()
{
    const int index = ui->connetTypeCb->currentIndex();
    if (index < 0) {
        return;
    }
    ReaderDllBase* reader = CurrentReader();
    // Reopening under a running inventory would pull the link from under its worker.
    if (RefuseWhileReading()) {
        return;
    }
    const int type = ui->connetTypeCb->itemData(index).toInt();
    switch (type) {
    case ReaderDllBase::ConnectTcp: {
        const QString address = ui->tcpAddrCb->currentText().trimmed();
        int port = 0;
        if (!ReadNetParam(address, ui->tcpPortEdit->text(), &port)) {
            return;
        }
        reader->SetTcpParam(address, port);
        SaveParam("TCP_ADDR", address);
        SaveParam("CONNET_TYPE", QStringLiteral("0"));
        SaveParam("TCP_PORT", ui->tcpPortEdit->text());
        break;
    }
    case ReaderDllBase::ConnectCom:
        reader->SetComParam(ui->comNameCb->currentText().trimmed(), ui->comBaudCb->currentText().toInt());
        SaveParam("COM_NAME", ui->comNameCb->currentText().trimmed());
        SaveParam("COM_BAUDRATE", ui->comBaudCb->currentText());
        SaveParam("CONNET_TYPE", QStringLiteral("1"));
        break;
    case ReaderDllBase::ConnectUsb:
        reader->SetUsbParam(ui->usbNameCb->currentText().trimmed(), ui->usbBaudCb->currentText().toInt());
        SaveParam("USB_NAME", ui->usbNameCb->currentText().trimmed());
        SaveParam("USB_BAUDRATE", ui->usbBaudCb->currentText());
        SaveParam("CONNET_TYPE", QStringLiteral("2"));
        break;
    case ReaderDllBase::ConnectUdp: {
        const QString address = ui->udpAddrCb->currentText().trimmed();
        int port = 0;
        if (!ReadNetParam(address, ui->udpPortEdit->text(), &port)) {
            return;
        }
        reader->SetUdpParam(address, port);
        SaveParam("UDP_ADDR", address);
        SaveParam("CONNET_TYPE", QStringLiteral("3"));
        SaveParam("UDP_PORT", ui->udpPortEdit->text());
        break;
    }
    case ReaderDllBase::ConnectLlrp: {
        const QString address = ui->llrpAddrCb->currentText().trimmed();
        int port = 0;
        if (!ReadNetParam(address, ui->llrpPortEdit->text(), &port)) {
            return;
        }
        reader->SetLlrpParam(address, port);
        SaveParam("LLRP_ADDR", address);
        SaveParam("CONNET_TYPE", QStringLiteral("4"));
        SaveParam("LLRP_PORT", ui->llrpPortEdit->text());
        break;
    }
    default:
        return;
    }

    // A connection still open would be lost, handle and all, when the driver opens anew.
    if (!reader->IsState(ReaderDllBase::StateDisconnected)) {
        reader->CloseReader();
    }
    reader->SetState(ReaderDllBase::StateDisconnected);
    // A silent peer keeps the open waiting for its whole timeout: not on this thread.
    RunReaderCall(
        m_runner, this, ui->connetBtn, [reader] { return reader->OpenReader(); },
        [reader](const ReaderCallResult& r) {
            if (!r.ok) {
                // The code says why: refused, timed out, no such device, permission denied.
                LogFailure("IDCS_CONNET_FAILED", r.errorCode);
                return;
            }
            reader->StopRead();
            LogKey("IDCS_CONNET_SUCCESS");
            AppContext::Instance()->NotifyReaderState(reader->GetState());
            RunGjbClockStep(reader);
        });
}

void ConnetDlg::slot_disConnetBtnClicked()
{
    if (RefuseWhileReading()) {
        return;
    }
    if (AppContext::Instance()->disconnectReader()) {
        ui->connetBtn->setEnabled(true);
        ui->disConnetBtn->setEnabled(false);
        LogKey("IDCS_DISCONNET_SUCCESS");
    } else {
        LogKey("IDCS_DISCONNET_FAILED");
    }
}

void ConnetDlg::slot_queryIpBtnClicked()
{
    if (!m_udpThread || !m_udpThread->StartDiscovery()) {
        return;
    }
    // The address typed or remembered stays in the field until the first answer takes its place.
    const QString typed = ui->tcpAddrCb->currentText();
    ui->tcpAddrCb->clear();
    ui->tcpAddrCb->setEditText(typed);
}

void ConnetDlg::slot_GetUdpResult(const QString& ipStr, const QString& nameStr)
{
    Q_UNUSED(nameStr);
    ui->tcpAddrCb->addItem(ipStr);
}

void ConnetDlg::slot_ConnetTypeIndexChanged(int index)
{
    if (index < 0) {
        return;
    }
    ui->paramStack->setCurrentIndex(ui->connetTypeCb->itemData(index).toInt());
}

void ConnetDlg::UpdateConnectState(int state)
{
    const bool connected = state == ReaderDllBase::StateConnected || state == ReaderDllBase::StateReading ||
                           state == ReaderDllBase::StateTimedReadEnded;
    ui->connetBtn->setEnabled(!connected);
    ui->connetTypeCb->setEnabled(!connected);
    ui->paramStack->setEnabled(!connected);
    ui->disConnetBtn->setEnabled(connected);
}

void ConnetDlg::keyPress(QKeyEvent* event)
{
    if (!event || !isVisible()) {
        return;
    }
    if (event->key() == Qt::Key_F1 && ui->connetBtn->isEnabled()) {
        slot_connetBtnClicked();
    } else if (event->key() == Qt::Key_F2 && ui->disConnetBtn->isEnabled()) {
        slot_disConnetBtnClicked();
    }
}

void ConnetDlg::slot_UpdateReadCount(int count, int speed, int nReset)
{
    if (nReset == 0) {
        m_speedList.clear();
        return;
    }
    if (nReset == 2) {
        ui->tagCountValue->setText(QString::number(count));
        ui->readSpeedValue->setText(QString::number(speed));
        return;
    }
    ui->tagCountValue->setText(QString::number(count));
    if (m_speedList.size() >= kSpeedHistory) {
        m_speedList.removeFirst();
    }
    m_speedList.append(speed);
    if (++m_nUpdateCount >= kSpeedShowEvery) {
        qint64 sum = 0;
        for (int sample : m_speedList) {
            sum += sample;
        }
        ui->readSpeedValue->setText(QString::number(sum / m_speedList.size()));
        m_nUpdateCount = 0;
    }
}
