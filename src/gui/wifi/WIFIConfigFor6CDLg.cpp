#include "gui/wifi/WIFIConfigFor6CDLg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "core/wifi/WifiRules.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/wifi/WifiSelectDlg.h"
#include "ui_WIFIConfigFor6CDLg.h"

#include <atbridge.h>

#include <QCloseEvent>
#include <QThread>

namespace {
// A text output of the module and its terminating zero.
const int kTextBufferSize = 255;
// The module needs a quiet line before the escape sequence.
const int kEnterPauseMs = 500;
} // namespace

WIFIConfigFor6CDLg::WIFIConfigFor6CDLg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::WIFIConfigFor6CDLg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_WIFI_CONFIG"));
    ui->netGroup->setTitle(LangText("IDCS_NET_CONFIG"));
    ui->ipLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->maskLabel->setText(LangText("IDCS_IP_MASK"));
    ui->gatewayLabel->setText(LangText("IDCS_IP_GATEWAY"));
    ui->dnsLabel->setText(LangText("IDCS_DNS"));
    ui->macLabel->setText(LangText("IDCS_MAC_ADDR"));
    ui->autoIpCheck->setText(LangText("IDCS_AUTO_GETIP"));
    ui->netQueryBtn->setText(LangText("IDCS_QUERY"));
    ui->netSetBtn->setText(LangText("IDCS_SET"));

    ui->wirelessGroup->setTitle(LangText("IDCS_WIRELESS_CONFIG"));
    ui->ssidLabel->setText(LangText("IDCS_SSID_NAME"));
    ui->selectWifiBtn->setText(LangText("IDCS_SELECT_WIFI"));
    ui->secureLabel->setText(LangText("IDCS_SECURE_MODEL"));
    ui->pwdFormatLabel->setText(LangText("IDCS_PWD_FOMORT"));
    ui->pwdIndexLabel->setText(LangText("IDCS_PWD_INDEX"));
    ui->keyLabel->setText(LangText("IDCS_PWD_Y"));
    ui->wirelessQueryBtn->setText(LangText("IDCS_QUERY"));
    ui->wirelessSetBtn->setText(LangText("IDCS_SET"));

    ui->modelGroup->setTitle(LangText("IDCS_WORK_MODEL_CONFIG"));
    ui->autoModelCheck->setText(LangText("IDCS_ENABLE_AUTO_MODEL"));
    ui->protocolLabel->setText(LangText("IDCS_PROTOCOL_TYPE"));
    ui->csLabel->setText(LangText("IDCS_CS_MODEL"));
    ui->serverLabel->setText(LangText("IDCS_SERVER_ADDR"));
    ui->portLabel->setText(LangText("IDCS_LISENT_PORT"));
    ui->modelQueryBtn->setText(LangText("IDCS_QUERY"));
    ui->modelSetBtn->setText(LangText("IDCS_SET"));

    ui->linkStateBtn->setText(LangText("IDCS_LINK_STATE"));
    ui->resetBtn->setText(LangText("IDCS_RESTORATION"));
    ui->hintLabel->setText(LangText("IDCS_WIFI_ENTER_TRANS_TIG"));
    ui->enterTransBtn->setText(LangText("IDCS_ENTER_TRANS"));
    ui->exitTransBtn->setText(LangText("IDCS_EXIT_TRANS"));

    // Set from queries only, or not used at all.
    ui->autoIpCheck->setEnabled(false);
    ui->autoIpCheck->hide();
    ui->autoModelCheck->setEnabled(false);
    ui->autoModelCheck->hide();
    // The role is shown as queried and sent back unchanged.
    ui->csCombo->setEnabled(false);
    ui->hintLabel->hide();

    m_selectDlg = new WifiSelectDlg(this);

    connect(ui->netQueryBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_NetQueryBtnClicked);
    connect(ui->netSetBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_NetSetBtnClicked);
    connect(ui->wirelessQueryBtn, &QPushButton::clicked, this,
            &WIFIConfigFor6CDLg::slot_WirelessQueryBtnClicked);
    connect(ui->wirelessSetBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_WirelessSetBtnClicked);
    connect(ui->modelQueryBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_ModelQueryBtnClicked);
    connect(ui->modelSetBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_ModelSetBtnClicked);
    connect(ui->selectWifiBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_SelectSSIDBtnClicked);
    connect(ui->linkStateBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_QueryStateBtnClicked);
    connect(ui->resetBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_ResetBtnClicked);
    connect(ui->enterTransBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_EnterTransBtnClicked);
    connect(ui->exitTransBtn, &QPushButton::clicked, this, &WIFIConfigFor6CDLg::slot_ExitTransBtnClicked);
    connect(ui->secureCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &WIFIConfigFor6CDLg::slot_SModelCbIndexChange);
    slot_SModelCbIndexChange(ui->secureCombo->currentIndex());
}

WIFIConfigFor6CDLg::~WIFIConfigFor6CDLg() = default;

void WIFIConfigFor6CDLg::SetWorkingEnabled(bool enabled)
{
    ui->netGroup->setEnabled(enabled);
    ui->wirelessGroup->setEnabled(enabled);
    ui->modelGroup->setEnabled(enabled);
    ui->linkStateBtn->setEnabled(enabled);
    ui->resetBtn->setEnabled(enabled);
}

bool WIFIConfigFor6CDLg::EnterTrans()
{
    if (!Config6CReaderReady()) {
        SetWorkingEnabled(false);
        return false;
    }
    const ZALT_HANDLE h = Config6CHandle();
    Wifi_Exit(h);
    bool ok = ZALT_EnterTrans(h, 0) != 0;
    if (ok) {
        QThread::msleep(kEnterPauseMs);
        ok = Wifi_Enter(h) != 0;
    }
    if (ok) {
        LogKey("IDCS_ENTER_TRANS_SUCCESS");
        SetWorkingEnabled(true);
        ui->enterTransBtn->setEnabled(false);
        ui->exitTransBtn->setEnabled(false);
        ui->hintLabel->hide();
        m_entered = true;
        return true;
    }
    m_entered = false;
    LogKey("IDCS_ENTER_TRANS_FAILED");
    Wifi_Exit(h);
    SetWorkingEnabled(false);
    ui->enterTransBtn->setEnabled(true);
    ui->exitTransBtn->setEnabled(true);
    ui->hintLabel->show();
    return false;
}

bool WIFIConfigFor6CDLg::LeaveTrans()
{
    const bool ok = Wifi_Exit(Config6CHandle()) != 0;
    if (!ok) {
        LogKey("IDCS_EXIT_TRANS_FAILED");
    }
    return ok;
}

void WIFIConfigFor6CDLg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (EnterTrans()) {
        slot_NetQueryBtnClicked();
        slot_WirelessQueryBtnClicked();
        slot_ModelQueryBtnClicked();
    }
}

void WIFIConfigFor6CDLg::closeEvent(QCloseEvent* event)
{
    const bool left = LeaveTrans();
    // Held only while the module may be in command mode: without a reader, or after entering failed,
    // there is nothing to leave, and refusing would keep the dialog open for good.
    if (!left && m_entered && CurrentReader()->IsState(ReaderDllBase::StateConnected)) {
        // Entering again, or leaving again, is the way out.
        ui->enterTransBtn->setEnabled(true);
        ui->exitTransBtn->setEnabled(true);
        event->ignore();
        return;
    }
    m_entered = false;
    m_inCloseEvent = true;
    QDialog::closeEvent(event);
    m_inCloseEvent = false;
}

void WIFIConfigFor6CDLg::reject()
{
    if (m_inCloseEvent) {
        QDialog::reject();
    } else {
        close();
    }
}

void WIFIConfigFor6CDLg::slot_NetQueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char mode = 0;
    char ip[kTextBufferSize] = {};
    char mask[kTextBufferSize] = {};
    char gateway[kTextBufferSize] = {};
    char dns[kTextBufferSize] = {};
    if (!Wifi_ReadNetPara(Config6CHandle(), &mode, ip, mask, gateway, dns)) {
        LogKey("IDCS_NET_QUERY_FAILED");
        return;
    }
    ui->autoIpCheck->setChecked(mode == 1);
    ui->ipEdit->setText(QString::fromUtf8(ip));
    ui->maskEdit->setText(QString::fromUtf8(mask));
    ui->gatewayEdit->setText(QString::fromUtf8(gateway));
    ui->dnsEdit->setText(QString::fromUtf8(dns));
    LogKey("IDCS_NET_QUERY_SUCCESS");

    char mac[kTextBufferSize] = {};
    if (!Wifi_QueryMac(Config6CHandle(), mac)) {
        LogKey("IDCS_MAC_ADDR_QUERY_FAILED");
        return;
    }
    ui->macEdit->setText(QString::fromUtf8(mac).toUpper());
    LogKey("IDCS_MAC_ADDR_QUERY_SUCCESS");
}

void WIFIConfigFor6CDLg::slot_NetSetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const QString ip = ui->ipEdit->text();
    const QString mask = ui->maskEdit->text();
    const QString gateway = ui->gatewayEdit->text();
    if (!WifiRules::IsDottedQuad(ip)) {
        LogKey("IDCS_IPADDR_INVAID");
        return;
    }
    if (!WifiRules::IsDottedQuad(mask)) {
        LogKey("IDCS_SUBMASK_INVAID");
        return;
    }
    if (!WifiRules::IsDottedQuad(gateway)) {
        LogKey("IDCS_GATEWAY_INVAID");
        return;
    }
    const bool ok =
        Wifi_SetNetPara(Config6CHandle(), 1, ip.toUtf8().constData(), mask.toUtf8().constData(),
                        gateway.toUtf8().constData(), ui->dnsEdit->text().toUtf8().constData()) != 0;
    LogKey(ok ? "IDCS_NET_SET_SUCCESS" : "IDCS_NET_SET_FAILED");
}

void WIFIConfigFor6CDLg::slot_WirelessQueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    char ssid[kTextBufferSize] = {};
    if (!Wifi_QuerySSID(Config6CHandle(), ssid)) {
        LogKey("IDCS_SSID_QUERY_FAILED", true);
        return;
    }
    ui->ssidEdit->setText(QString::fromUtf8(ssid));
    LogKey("IDCS_SSID_QUERY_SUCCESS");

    unsigned char security = 0;
    if (!Wifi_QuerySecurityType(Config6CHandle(), &security)) {
        LogKey("IDCS_SECURE_TYPE_FAILED");
        return;
    }
    ui->secureCombo->setCurrentIndex(security);
    slot_SModelCbIndexChange(security);
    LogKey("IDCS_SECURE_TYPE_SUCCESS");

    unsigned char format = 0;
    unsigned char index = 0;
    char key[kTextBufferSize] = {};
    if (!Wifi_QueryKey(Config6CHandle(), &format, &index, key)) {
        LogKey("IDCS_QUERY_NET_KEY_FAILED");
        return;
    }
    ui->pwdFormatCombo->setCurrentIndex(format);
    ui->pwdIndexCombo->setCurrentIndex(index);
    ui->keyEdit->setText(QString::fromUtf8(key));
    LogKey("IDCS_QUERY_NET_KEY_SUCCESS");
}

void WIFIConfigFor6CDLg::slot_WirelessSetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const QString ssid = ui->ssidEdit->text();
    if (ssid.isEmpty()) {
        LogKey("IDCS_DATA_LEN_ERRO");
        return;
    }
    bool ok = Wifi_SetSSID(Config6CHandle(), ssid.toUtf8().constData()) != 0;
    LogKey(ok ? "IDCS_SSID_SET_SUCCESS" : "IDCS_SSID_SET_FAILED");
    if (!ok || !Config6CReaderReady()) {
        return;
    }

    const int security = ui->secureCombo->currentIndex();
    const int format = ui->pwdFormatCombo->currentIndex();
    const QString key = ui->keyEdit->text();
    if (const char* broken = WifiRules::KeyLengthError(security, format, int(key.length()))) {
        LogKey(broken);
        return;
    }
    ok = Wifi_SetSecurityType(Config6CHandle(), static_cast<unsigned char>(security)) != 0;
    LogKey(ok ? "IDCS_SECURE_TYPE_SET_SUCCESS" : "IDCS_SECURE_TYPE_SET_FAILED");
    if (!ok || security == 0 || !Config6CReaderReady()) {
        return;
    }

    ok = Wifi_SetKey(Config6CHandle(), static_cast<unsigned char>(format),
                     static_cast<unsigned char>(ui->pwdIndexCombo->currentIndex()),
                     key.toUtf8().constData()) != 0;
    LogKey(ok ? "IDCS_SET_NET_KEY_SUCCESS" : "IDCS_SET_NET_KEY_FAILED");
}

void WIFIConfigFor6CDLg::slot_SModelCbIndexChange(int index)
{
    const bool keyed = index != 0;
    ui->pwdFormatCombo->setEnabled(keyed);
    ui->pwdIndexCombo->setEnabled(keyed);
    ui->keyEdit->setEnabled(keyed);
}

void WIFIConfigFor6CDLg::slot_ModelQueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char protocol = 0;
    unsigned char role = 0;
    char address[kTextBufferSize] = {};
    unsigned short port = 0;
    if (!Wifi_QuerySocketConnectInfo(Config6CHandle(), &protocol, &role, address, &port)) {
        LogKey("IDCS_WORK_MODEL_QUERY_FAILED");
        return;
    }
    ui->protocolCombo->setCurrentIndex(protocol);
    ui->csCombo->setCurrentIndex(role);
    ui->serverEdit->setText(QString::fromUtf8(address));
    ui->portEdit->setText(QString::number(port));
    LogKey("IDCS_WORK_MODEL_QUERY_SUCCESS");

    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char workMode = 0;
    Wifi_QueryWorkMode(Config6CHandle(), &workMode);
}

void WIFIConfigFor6CDLg::slot_ModelSetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    quint16 port = 0;
    if (!WifiRules::PortValue(ui->portEdit->text(), &port)) {
        AppContext::Instance()->logMessage(LangText("IDCD_INPUT_LIMIT_1_2").arg(0).arg(65535), false);
        return;
    }
    const bool ok = Wifi_SetSocketConnectInfo(Config6CHandle(),
                                              static_cast<unsigned char>(ui->protocolCombo->currentIndex()),
                                              static_cast<unsigned char>(ui->csCombo->currentIndex()),
                                              ui->serverEdit->text().toUtf8().constData(), port) != 0;
    LogKey(ok ? "IDCS_WORK_MODEL_SET_SUCCESS" : "IDCS_WORK_MODEL_SET_FAILED");
}

void WIFIConfigFor6CDLg::slot_SelectSSIDBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    if (m_selectDlg->exec() == QDialog::Accepted && !m_selectDlg->selectedSSID().isEmpty()) {
        ui->ssidEdit->setText(m_selectDlg->selectedSSID());
    }
}

void WIFIConfigFor6CDLg::slot_QueryStateBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char status = 0;
    char text[4][kTextBufferSize] = {};
    if (!Wifi_QueryConnectStauts(Config6CHandle(), &status, text[0], text[1], text[2], text[3])) {
        ui->linkStateLabel->setText(LangText("IDCS_NO_LINK"));
        LogKey("IDCS_STATE_QUERY_FALIED");
        return;
    }
    ui->linkStateLabel->setText(LangText(status == 1 ? "IDCS_LINKED" : "IDCS_NO_LINK"));
    LogKey("IDCS_STATE_QUERY_SUCCESS");
}

void WIFIConfigFor6CDLg::slot_ResetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const bool ok = Wifi_Reset(Config6CHandle()) != 0;
    LogKey(ok ? "IDCS_WIFI_RESET_SUCCESS" : "IDCS_WIFI_RESET_FAILED");
}

void WIFIConfigFor6CDLg::slot_EnterTransBtnClicked()
{
    EnterTrans();
}

void WIFIConfigFor6CDLg::slot_ExitTransBtnClicked()
{
    const bool ok = LeaveTrans();
    if (ok) {
        m_entered = false;
    }
    LogKey(ok ? "IDCS_EXIT_TRANS_SUCCESS" : "IDCS_EXIT_TRANS_FAILED");
}
