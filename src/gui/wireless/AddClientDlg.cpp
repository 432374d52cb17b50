#include "gui/wireless/AddClientDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "ui_AddClientDlg.h"

#include <QSerialPortInfo>

namespace {
const char kGroup[] = "AddClientDlg";
const int kDefaultBaudIndex = 4; // 115200

QString Stored(const char* key)
{
    return DeviceProfile::Instance()->GetValue(QLatin1String(kGroup), QLatin1String(key));
}

void Store(const char* key, const QString& value)
{
    DeviceProfile::Instance()->SetValue(QLatin1String(kGroup), QLatin1String(key), value);
}

void FillBauds(QComboBox* list, const QString& stored)
{
    list->addItems({QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                    QStringLiteral("56000"), QStringLiteral("115200"), QStringLiteral("128000"),
                    QStringLiteral("230400"), QStringLiteral("256000"), QStringLiteral("460800")});
    const int index = list->findText(stored);
    list->setCurrentIndex(index >= 0 ? index : kDefaultBaudIndex);
}

// A list that can be typed into, starting from the stored text.
void FillNames(QComboBox* list, const QStringList& names, const QString& stored)
{
    list->addItems(names);
    if (!stored.isEmpty()) {
        list->setEditText(stored);
    }
}
} // namespace

AddClientDlg::AddClientDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::AddClientDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_READER_ADD"));
    ui->typeLabel->setText(LangText("IDCS_LINK_TYPE"));
    ui->tcpAddrLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->udpAddrLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->comNameLabel->setText(LangText("IDCS_COM_NAME"));
    ui->comBaudLabel->setText(LangText("IDCS_BAUDRATE"));
    ui->usbNameLabel->setText(LangText("IDCS_USB_DEVICE"));
    ui->usbBaudLabel->setText(LangText("IDCS_BAUDRATE"));
    ui->connetBtn->setText(LangText("IDCS_CONNET"));
    ui->cannelBtn->setText(LangText("IDCS_CANCEL"));
    ui->typeCb->addItems(
        {QStringLiteral("TCP"), QStringLiteral("COM"), QStringLiteral("USB"), QStringLiteral("UDP")});

    QStringList ports;
    for (int n = 1; n <= 9; ++n) {
        ports << QStringLiteral("COM%1").arg(n);
    }
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices << info.systemLocation();
    }
    FillNames(ui->tcpAddrCb, {}, Stored("TCP_ADDR"));
    FillNames(ui->udpAddrCb, {}, Stored("UDP_ADDR"));
    FillNames(ui->comNameCb, ports + devices, Stored("COM_NAME"));
    FillNames(ui->usbNameCb, devices, Stored("USB_NAME"));
    FillBauds(ui->comBaudCb, Stored("COM_BAUDRATE"));
    FillBauds(ui->usbBaudCb, Stored("USB_BAUDRATE"));

    connect(ui->typeCb, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &AddClientDlg::slot_ConnetTypeIndexChanged);
    connect(ui->connetBtn, &QPushButton::clicked, this, &AddClientDlg::slot_connetBtnClicked);
    connect(ui->cannelBtn, &QPushButton::clicked, this, &AddClientDlg::slot_cannelBtnClicked);
    const int type = Stored("CONNET_TYPE").toInt();
    ui->typeCb->setCurrentIndex(type >= Tcp && type <= Udp ? type : Tcp);
    slot_ConnetTypeIndexChanged(ui->typeCb->currentIndex());
}

AddClientDlg::~AddClientDlg() = default;

QComboBox* AddClientDlg::typeList() const
{
    return ui->typeCb;
}

QComboBox* AddClientDlg::addressList(int type) const
{
    return type == Udp ? ui->udpAddrCb : ui->tcpAddrCb;
}

QComboBox* AddClientDlg::nameList(int type) const
{
    return type == Usb ? ui->usbNameCb : ui->comNameCb;
}

QComboBox* AddClientDlg::baudList(int type) const
{
    return type == Usb ? ui->usbBaudCb : ui->comBaudCb;
}

void AddClientDlg::slot_ConnetTypeIndexChanged(int index)
{
    ui->pages->setCurrentIndex(index < 0 ? 0 : index);
}

bool AddClientDlg::addReader(int type)
{
    WirelessReaderRegistry* registry = WirelessReaderRegistry::Instance();
    const WIRELESS_HANDLE h = registry->Handle();
    const WIRELESS_ReaderCallback callback = WirelessReaderRegistry::Callback();
    switch (type) {
    case Com:
    case Usb: {
        const QByteArray name = nameList(type)->currentText().trimmed().toUtf8();
        const int baud = baudList(type)->currentText().toInt();
        return type == Com ? WIRELESS_AddCOMReader(h, 0, name.constData(), baud, callback) != 0
                           : WIRELESS_AddUSBReader(h, 0, name.constData(), baud, callback) != 0;
    }
    default: {
        const int port = Stored(type == Udp ? "UDP_PORT" : "TCP_PORT").toInt();
        const QByteArray address = addressList(type)->currentText().trimmed().toUtf8();
        return type == Udp ? WIRELESS_AddUDPReader(h, address.constData(), port, callback) != 0
                           : WIRELESS_AddTcpClient(h, address.constData(), port, callback) != 0;
    }
    }
}

void AddClientDlg::remember(int type)
{
    switch (type) {
    case Com:
        Store("COM_NAME", ui->comNameCb->currentText().trimmed());
        Store("COM_BAUDRATE", ui->comBaudCb->currentText());
        break;
    case Usb:
        Store("USB_NAME", ui->usbNameCb->currentText().trimmed());
        Store("USB_BAUDRATE", ui->usbBaudCb->currentText());
        break;
    case Udp:
        Store("UDP_ADDR", ui->udpAddrCb->currentText().trimmed());
        break;
    default:
        Store("TCP_ADDR", ui->tcpAddrCb->currentText().trimmed());
        break;
    }
    Store("CONNET_TYPE", QString::number(type));
}

void AddClientDlg::slot_connetBtnClicked()
{
    const int type = ui->typeCb->currentIndex();
    if ((type == Tcp || type == Udp) && !AppSettings::IsValidIp(addressList(type)->currentText().trimmed())) {
        LogKey("IDCS_IPADDR_INVAID");
        return;
    }
    const bool ok = addReader(type);
    LogKey(ok ? "IDCS_ADD_SUCCESS" : "IDCS_ADD_FAILED", !ok);
    remember(type);
    if (ok) {
        accept();
    }
}

void AddClientDlg::slot_cannelBtnClicked()
{
    reject();
}
