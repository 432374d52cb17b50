#include "gui/config6c/NetConfigFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/CommSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_NetConfigFor6CDlg.h"

namespace {
const int kQueryBufferSize = 255;

// One network record into buffer; false (and the failure logged) when the reader refuses.
bool QueryNet(unsigned char code, unsigned char* buffer, int minimum, const char* failedKey)
{
    unsigned char length = kQueryBufferSize;
    if (!ZALT_NetParaQuery(Config6CHandle(), code, buffer, &length) || length < minimum) {
        LogKey(failedKey, true);
        return false;
    }
    return true;
}

bool SetNet(unsigned char code, const QByteArray& record, const char* successKey, const char* failedKey)
{
    const bool ok =
        ZALT_NetParaSet(Config6CHandle(), code, reinterpret_cast<const unsigned char*>(record.constData()),
                        static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? successKey : failedKey, !ok);
    return ok;
}
} // namespace

NetConfigFor6CDlg::NetConfigFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::NetConfigFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_NET_CONFIG"));
    ui->ipLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->maskLabel->setText(LangText("IDCS_IP_MASK"));
    ui->gatewayLabel->setText(LangText("IDCS_IP_GATEWAY"));
    ui->macLabel->setText(LangText("IDCS_MAC_ADDR"));
    ui->udpPortLabel->setText(LangText("IDCS_UDP_PORT"));
    ui->tcpPortLabel->setText(LangText("IDCS_TCP_PORT"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &NetConfigFor6CDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &NetConfigFor6CDlg::slot_SetBtnClicked);
}

NetConfigFor6CDlg::~NetConfigFor6CDlg() = default;

void NetConfigFor6CDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

void NetConfigFor6CDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char b[kQueryBufferSize] = {};
    if (!QueryNet(CommSettings::NetIpConfig, b, CommSettings::kIpConfigSize, "IDCS_NET_QUERY_FAILED")) {
        return;
    }
    ui->ipEdit->setText(CommSettings::ipText(b));
    ui->maskEdit->setText(CommSettings::ipText(b + 4));
    ui->gatewayEdit->setText(CommSettings::ipText(b + 8));
    LogKey("IDCS_NET_QUERY_SUCCESS");

    std::fill(std::begin(b), std::end(b), 0);
    if (!QueryNet(CommSettings::NetUdpPort, b, 2, "IDCS_UDP_PORT_QUERY_FAILED")) {
        return;
    }
    ui->udpPortEdit->setText(QString::number(CommSettings::portValue(b)));
    LogKey("IDCS_UDP_PORT_QUERY_SUCCESS");

    std::fill(std::begin(b), std::end(b), 0);
    if (!QueryNet(CommSettings::NetTcpPort, b, 2, "IDCS_TCP_PORT_QUERY_FAILED")) {
        return;
    }
    ui->tcpPortEdit->setText(QString::number(CommSettings::portValue(b)));
    LogKey("IDCS_TCP_PORT_QUERY_SUCCESS");

    std::fill(std::begin(b), std::end(b), 0);
    if (!QueryNet(CommSettings::NetMac, b, CommSettings::kMacSize, "IDCS_MAC_ADDR_QUERY_FAILED")) {
        return;
    }
    ui->macEdit->setText(CommSettings::macText(b));
    LogKey("IDCS_MAC_ADDR_QUERY_SUCCESS");
}

void NetConfigFor6CDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    // In this order, stopping at the first step that fails; earlier steps stay done on the reader.
    if (setIpConfig() &&
        setPort(CommSettings::NetUdpPort, ui->udpPortEdit->text(), "IDCS_UDP_PORT_SET_SUCCESS",
                "IDCS_UDP_PORT_SET_FAILED") &&
        setPort(CommSettings::NetTcpPort, ui->tcpPortEdit->text(), "IDCS_TCP_PORT_SET_SUCCESS",
                "IDCS_TCP_PORT_SET_FAILED")) {
        setMac();
    }
}

bool NetConfigFor6CDlg::setIpConfig()
{
    QByteArray record;
    switch (CommSettings::ipConfigRecord(ui->ipEdit->text(), ui->maskEdit->text(), ui->gatewayEdit->text(),
                                         &record)) {
    case CommSettings::IpConfigCheck::Ok:
        return SetNet(CommSettings::NetIpConfig, record, "IDCS_IP_CONFIG_SUCCESS", "IDCS_IP_CONFIG_FAILED");
    case CommSettings::IpConfigCheck::BadIp:
        LogKey("IDCS_IPADDR_INVAID");
        return false;
    case CommSettings::IpConfigCheck::BadMask:
        LogKey("IDCS_SUBMASK_INVAID");
        return false;
    case CommSettings::IpConfigCheck::BadGateway:
        LogKey("IDCS_GATEWAY_INVAID");
        return false;
    case CommSettings::IpConfigCheck::IpParts:
        LogKey("IDCS_IP_ERRO");
        return false;
    case CommSettings::IpConfigCheck::MaskParts:
        LogKey("IDCS_SUBMASK_ERRO");
        return false;
    case CommSettings::IpConfigCheck::GatewayParts:
        LogKey("IDCS_GATEWAY_ERRO");
        return false;
    }
    return false;
}

bool NetConfigFor6CDlg::setPort(unsigned char code, const QString& text, const char* successKey,
                                const char* failedKey)
{
    QByteArray record;
    // A number that does not fit two bytes would reach the reader as another port.
    if (!CommSettings::portBytes(text, &record)) {
        AppContext::Instance()->logMessage(LangText("IDCD_INPUT_LIMIT_1_2").arg(1).arg(65535), false);
        return false;
    }
    return SetNet(code, record, successKey, failedKey);
}

bool NetConfigFor6CDlg::setMac()
{
    QByteArray record;
    if (!CommSettings::macBytes(ui->macEdit->text(), &record)) {
        LogKey("IDCS_MAC_FARMOT_ERRO");
        return false;
    }
    return SetNet(CommSettings::NetMac, record, "IDCS_MAC_SET_SUCCESS", "IDCS_MAC_SET_FAILED");
}
