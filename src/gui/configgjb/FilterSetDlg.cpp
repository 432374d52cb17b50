#include "gui/configgjb/FilterSetDlg.h"

#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"
#include "ui_FilterSetDlg.h"

#include <array>

FilterSetDlg::FilterSetDlg(QWidget* parent) : GjbSettingDlg(parent), ui(std::make_unique<Ui::FilterSetDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_FILTER_SET"));
    ui->gainLabel->setText(LangText("IDCS_GAIN"));
    ui->lowPassLabel->setText(LangText("IDCS_LOW_PASS"));
    ui->highPassLabel->setText(LangText("IDCS_HIGH_PASS"));
    ui->gainCombo->addItems({"0db", "12db", "24db", "30db"});
    ui->lowPassCombo->addItems({"150K", "300K", "900K"});
    ui->highPassCombo->addItems({"15K", "45K", "90K", "Bypass"});
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    connect(ui->qurBtn, &QPushButton::clicked, this, &FilterSetDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &FilterSetDlg::slot_SetBtnClicked);
}

FilterSetDlg::~FilterSetDlg() = default;

void FilterSetDlg::slot_QurBtnClicked()
{
    auto v = std::make_shared<std::array<int, 3>>();
    Step(
        ui->qurBtn, [v](ReaderDllGJB& r) { return r.QurFilterSet(&(*v)[0], &(*v)[1], &(*v)[2]); },
        "IDCS_FILTER_QUERY_SUCCESS", "IDCS_FILTER_QUERY_FAILED",
        [this, v] {
            ui->gainCombo->setCurrentIndex((*v)[0]);
            ui->lowPassCombo->setCurrentIndex((*v)[1]);
            ui->highPassCombo->setCurrentIndex((*v)[2]);
        });
}

void FilterSetDlg::slot_SetBtnClicked()
{
    const int gain = ui->gainCombo->currentIndex();
    const int lowPass = ui->lowPassCombo->currentIndex();
    const int highPass = ui->highPassCombo->currentIndex();
    Step(
        ui->setBtn, [=](ReaderDllGJB& r) { return r.SetFilterSet(gain, lowPass, highPass); },
        "IDCS_FILTER_SET_SUCCESS", "IDCS_FILTER_SET_FAILED");
}
