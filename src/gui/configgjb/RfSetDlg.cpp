#include "gui/configgjb/RfSetDlg.h"

#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"
#include "ui_RfSetDlg.h"

RfSetDlg::RfSetDlg(QWidget* parent) : GjbSettingDlg(parent), ui(std::make_unique<Ui::RfSetDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_RF_SET"));
    ui->rfLabel->setText(LangText("IDCS_RF_SET"));
    ui->rfCombo->addItems({QStringLiteral("DIRECT"), QStringLiteral("LNA")});
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    connect(ui->qurBtn, &QPushButton::clicked, this, &RfSetDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &RfSetDlg::slot_SetBtnClicked);
}

RfSetDlg::~RfSetDlg() = default;

void RfSetDlg::slot_QurBtnClicked()
{
    auto path = std::make_shared<int>(0);
    Step(
        ui->qurBtn, [path](ReaderDllGJB& r) { return r.QurRF(path.get()); }, "IDCS_RF_QUERY_SUCCESS",
        "IDCS_RF_QUERY_FAILED", [this, path] { ui->rfCombo->setCurrentIndex(*path); });
}

void RfSetDlg::slot_SetBtnClicked()
{
    const int path = ui->rfCombo->currentIndex();
    Step(
        ui->setBtn, [path](ReaderDllGJB& r) { return r.SetRF(path); }, "IDCS_RF_SET_SUCCESS",
        "IDCS_RF_SET_FAILED");
}
