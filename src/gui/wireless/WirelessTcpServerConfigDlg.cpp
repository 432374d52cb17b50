#include "gui/wireless/WirelessTcpServerConfigDlg.h"

#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "ui_WirelessTcpServerConfigDlg.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpressionValidator>

namespace {
const char kGroup[] = "WirelessAdvancedDlg";
const char kAddressKey[] = "TCP_SERVER_ADDR";
const char kPortKey[] = "TCP_SERVER_PORT";
} // namespace

WirelessTcpServerConfigDlg::WirelessTcpServerConfigDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::WirelessTcpServerConfigDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SERVER_CONFIG"));
    ui->addrLabel->setText(LangText("IDCS_SERVER_ADDR"));
    ui->portLabel->setText(LangText("IDCS_LISENT_PORT"));
    ui->okBtn->setText(LangText("IDCS_OK"));
    ui->portEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), ui->portEdit));
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            ui->addrCb->addItem(address.toString());
        }
    }
    const DeviceProfile* profile = DeviceProfile::Instance();
    setAddress(profile->GetValue(QLatin1String(kGroup), QLatin1String(kAddressKey)));
    setPort(profile->GetValue(QLatin1String(kGroup), QLatin1String(kPortKey)));
    connect(ui->okBtn, &QPushButton::clicked, this, &WirelessTcpServerConfigDlg::slot_OkBtnClicked);
}

WirelessTcpServerConfigDlg::~WirelessTcpServerConfigDlg() = default;

QString WirelessTcpServerConfigDlg::address() const
{
    return ui->addrCb->currentText().trimmed();
}

QString WirelessTcpServerConfigDlg::port() const
{
    return ui->portEdit->text();
}

void WirelessTcpServerConfigDlg::setAddress(const QString& address)
{
    ui->addrCb->setEditText(address);
}

void WirelessTcpServerConfigDlg::setPort(const QString& port)
{
    ui->portEdit->setText(port);
}

void WirelessTcpServerConfigDlg::slot_OkBtnClicked()
{
    DeviceProfile* profile = DeviceProfile::Instance();
    profile->SetValue(QLatin1String(kGroup), QLatin1String(kAddressKey), address());
    profile->SetValue(QLatin1String(kGroup), QLatin1String(kPortKey), port());
    accept();
}
