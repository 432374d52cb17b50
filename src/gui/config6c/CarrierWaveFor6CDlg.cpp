#include "gui/config6c/CarrierWaveFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_CarrierWaveFor6CDlg.h"

CarrierWaveFor6CDlg::CarrierWaveFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CarrierWaveFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_CARRIERWAVE_ONOFF"));
    ui->antennaLabel->setText(LangText("IDCS_ANTENNA_NO"));
    ui->antennaCombo->addItems({LangText("IDCS_ANTENNA_ONE"), LangText("IDCS_ANTENNA_TWO"),
                                LangText("IDCS_ANTENNA_THREE"), LangText("IDCS_ANTENNA_FOUR")});
    ui->openBtn->setText(LangText("IDCS_OPEN_CARRIERWAVE"));
    ui->closeBtn->setText(LangText("IDCS_CLOSE_CARRIERWAVE"));
    connect(ui->openBtn, &QPushButton::clicked, this, &CarrierWaveFor6CDlg::slot_OpenBtnClicked);
    connect(ui->closeBtn, &QPushButton::clicked, this, &CarrierWaveFor6CDlg::slot_CloseBtnClicked);
}

CarrierWaveFor6CDlg::~CarrierWaveFor6CDlg() = default;

void CarrierWaveFor6CDlg::switchCarrier(bool on)
{
    if (!Config6CReaderReady()) {
        return;
    }
    const auto antenna = static_cast<unsigned char>(ui->antennaCombo->currentIndex() + 1);
    const bool ok = ZALT_CarrierWaveOp(Config6CHandle(), on ? 1 : 0, antenna) != 0;
    if (on) {
        LogKey(ok ? "IDCS_OPEN_SUCCESS" : "IDCS_OPEN_FAILED", !ok);
    } else {
        LogKey(ok ? "IDCS_CLOSE_SUCCESS" : "IDCS_CLOSE_FAILED", !ok);
    }
}

void CarrierWaveFor6CDlg::slot_OpenBtnClicked()
{
    switchCarrier(true);
}

void CarrierWaveFor6CDlg::slot_CloseBtnClicked()
{
    switchCarrier(false);
}
