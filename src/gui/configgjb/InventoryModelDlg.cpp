#include "gui/configgjb/InventoryModelDlg.h"

#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"
#include "ui_InventoryModelDlg.h"

InventoryModelDlg::InventoryModelDlg(QWidget* parent)
    : GjbSettingDlg(parent), ui(std::make_unique<Ui::InventoryModelDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_IVENTORY_MODEL"));
    ui->modelLabel->setText(LangText("IDCS_IVENTORY_MODEL"));
    ui->modelCombo->addItems({LangText("IDCS_SINGLE_TAG"), LangText("IDCS_MORE_TAG"), LangText("IDCS_AUTO")});
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    connect(ui->qurBtn, &QPushButton::clicked, this, &InventoryModelDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &InventoryModelDlg::slot_SetBtnClicked);
}

InventoryModelDlg::~InventoryModelDlg() = default;

void InventoryModelDlg::slot_QurBtnClicked()
{
    auto mode = std::make_shared<int>(0);
    Step(
        ui->qurBtn, [mode](ReaderDllGJB& r) { return r.QurInventoryModel(mode.get()); },
        "IDCS_IVENTORY_MODEL_QUERY_SUCCESS", "IDCS_IVENTORY_MODEL_QUERY_FAILED",
        [this, mode] { ui->modelCombo->setCurrentIndex(*mode); });
}

void InventoryModelDlg::slot_SetBtnClicked()
{
    const int mode = ui->modelCombo->currentIndex();
    Step(
        ui->setBtn, [mode](ReaderDllGJB& r) { return r.SetInventoryModel(mode); },
        "IDCS_IVENTORY_MODELSET_SUCCESS", "IDCS_IVENTORY_MODELSET_FAILED");
}
