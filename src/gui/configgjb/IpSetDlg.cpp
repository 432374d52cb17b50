#include "gui/configgjb/IpSetDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/configgjb/GjbConfigRules.h"
#include "core/reader/ReaderDllGJB.h"
#include "ui_IpSetDlg.h"

IpSetDlg::IpSetDlg(QWidget* parent) : GjbSettingDlg(parent), ui(std::make_unique<Ui::IpSetDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_IP_SET"));
    ui->ipLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->maskLabel->setText(LangText("IDCS_IP_MASK"));
    ui->gatewayLabel->setText(LangText("IDCS_IP_GATEWAY"));
    for (QLineEdit* edit : {ui->ipEdit, ui->maskEdit, ui->gatewayEdit}) {
        edit->setInputMask(QStringLiteral("000.000.000.000;"));
    }
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    connect(ui->qurBtn, &QPushButton::clicked, this, &IpSetDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &IpSetDlg::slot_SetBtnClicked);
}

IpSetDlg::~IpSetDlg() = default;

void IpSetDlg::slot_QurBtnClicked()
{
    auto cfg = std::make_shared<GjbConfigRules::IpConfig>();
    Step(
        ui->qurBtn,
        [cfg](ReaderDllGJB& r) {
            int dhcp = 0;
            return r.QurIpConfig(cfg->ip.data(), cfg->mask.data(), cfg->gateway.data(), &dhcp);
        },
        "IDCS_IP_CONFIG_QUERY_SUCCESS", "IDCS_IP_CONFIG_QUERY_FAILED",
        [this, cfg] {
            ui->ipEdit->setText(GjbConfigRules::AddressText(cfg->ip));
            ui->maskEdit->setText(GjbConfigRules::AddressText(cfg->mask));
            ui->gatewayEdit->setText(GjbConfigRules::AddressText(cfg->gateway));
        });
}

void IpSetDlg::slot_SetBtnClicked()
{
    if (!GjbReaderReady()) {
        return;
    }
    GjbConfigRules::IpConfig cfg;
    if (const char* refusal = GjbConfigRules::ParseIpConfig(ui->ipEdit->text(), ui->maskEdit->text(),
                                                            ui->gatewayEdit->text(), &cfg)) {
        LogKey(refusal);
        return;
    }
    Step(
        ui->setBtn,
        [cfg](ReaderDllGJB& r) { return r.SetIpConfig(cfg.ip.data(), cfg.mask.data(), cfg.gateway.data()); },
        "IDCS_IP_CONFIG_SUCCESS", "IDCS_IP_CONFIG_FAILED");
}
