#include "gui/config6c/BusAddrConfigDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/CommSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_BusAddrConfigDlg.h"

BusAddrConfigDlg::BusAddrConfigDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::BusAddrConfigDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_BUS_CONFIG"));
    ui->busLabel->setText(LangText("IDCS_BUS_ADDR"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &BusAddrConfigDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &BusAddrConfigDlg::slot_SetBtnClicked);
}

BusAddrConfigDlg::~BusAddrConfigDlg() = default;

void BusAddrConfigDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

void BusAddrConfigDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_CommunicatParaQuery(Config6CHandle(), CommSettings::kBusAddressCode, &value, &length)) {
        LogKey("IDCS_BUS_QUERY_FAILED", true);
        return;
    }
    ui->busEdit->setText(CommSettings::busAddressText(value));
    LogKey("IDCS_BUS_QUERY_SUCCESS");
}

void BusAddrConfigDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const unsigned char value = CommSettings::busAddressByte(ui->busEdit->text());
    const bool ok = ZALT_CommunicatParaSet(Config6CHandle(), CommSettings::kBusAddressCode, &value, 1) != 0;
    LogKey(ok ? "IDCS_BUS_SET_SUCCESS" : "IDCS_BUS_SET_FAILED", !ok);
}
