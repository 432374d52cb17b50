#include "gui/configgjb/ModulateDepthDlg.h"

#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"
#include "ui_ModulateDepthDlg.h"

ModulateDepthDlg::ModulateDepthDlg(QWidget* parent)
    : GjbSettingDlg(parent), ui(std::make_unique<Ui::ModulateDepthDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_MODULATE_SET"));
    ui->depthLabel->setText(LangText("IDCS_MODULATE_SET"));
    for (int depth = 30; depth <= 100; depth += 10) {
        ui->depthCombo->addItem(QString::number(depth));
    }
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    connect(ui->qurBtn, &QPushButton::clicked, this, &ModulateDepthDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &ModulateDepthDlg::slot_SetBtnClicked);
}

ModulateDepthDlg::~ModulateDepthDlg() = default;

void ModulateDepthDlg::slot_QurBtnClicked()
{
    auto depth = std::make_shared<int>(0);
    Step(
        ui->qurBtn, [depth](ReaderDllGJB& r) { return r.Modulation_Get(depth.get()); },
        "IDCS_MODULATE_QUERY_SUCCESS", "IDCS_MODULATE_QUERY_FAILED",
        [this, depth] {
            // A depth that is not in the list selects nothing.
            ui->depthCombo->setCurrentIndex(ui->depthCombo->findText(QString::number(*depth)));
        });
}

void ModulateDepthDlg::slot_SetBtnClicked()
{
    const int depth = ui->depthCombo->currentText().toInt();
    Step(
        ui->setBtn, [depth](ReaderDllGJB& r) { return r.Modulation_Set(depth); }, "IDCS_MODULATE_SET_SUCCESS",
        "IDCS_MODULATE_SET_FAILED");
}
