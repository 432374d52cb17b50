#include "gui/configgjb/AddRepairRecordDlg.h"

#include "core/app/LanguageText.h"
#include "ui_AddRepairRecordDlg.h"

AddRepairRecordDlg::AddRepairRecordDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::AddRepairRecordDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_ADD_RECORD"));
    ui->okBtn->setText(LangText("IDCS_OK"));
    ui->cancelBtn->setText(LangText("IDCS_CANCEL"));
    connect(ui->okBtn, &QPushButton::clicked, this, &AddRepairRecordDlg::slot_OkBtnClicked);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &AddRepairRecordDlg::slot_CannelBtnClicked);
}

AddRepairRecordDlg::~AddRepairRecordDlg() = default;

QString AddRepairRecordDlg::Text() const
{
    return ui->textEdit->toPlainText();
}

void AddRepairRecordDlg::SetText(const QString& text)
{
    ui->textEdit->setPlainText(text);
}

void AddRepairRecordDlg::slot_OkBtnClicked()
{
    accept();
}

void AddRepairRecordDlg::slot_CannelBtnClicked()
{
    reject();
}
