#include "gui/config6c/ParamAdd6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/ParamTable.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_ParamAdd6CDlg.h"

namespace {
// One byte more than any length the call can carry.
const int kRawBufferSize = 256;
} // namespace

ParamAdd6CDlg::ParamAdd6CDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::ParamAdd6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_PARAM_READ_WRITE"));
    ui->startLabel->setText(LangText("IDCS_START_ADDR"));
    ui->lenLabel->setText(LangText("IDCS_LEN"));
    ui->dataLabel->setText(LangText("IDCS_DATA"));
    ui->readBtn->setText(LangText("IDCS_READ"));
    ui->writeBtn->setText(LangText("IDCS_WRITE"));
    connect(ui->readBtn, &QPushButton::clicked, this, &ParamAdd6CDlg::slot_ReadParamBtnClicked);
    connect(ui->writeBtn, &QPushButton::clicked, this, &ParamAdd6CDlg::slot_WriteParamBtnClicked);
}

ParamAdd6CDlg::~ParamAdd6CDlg() = default;

bool ParamAdd6CDlg::readRange(int* address, int* length)
{
    if (ui->startEdit->text().isEmpty() || ui->lenEdit->text().isEmpty()) {
        LogKey("IDCS_INPUT_EMPTY");
        return false;
    }
    if (!ParamTable::rawByteNumber(ui->startEdit->text(), address) ||
        !ParamTable::rawByteNumber(ui->lenEdit->text(), length)) {
        AppContext::Instance()->logMessage(LangText("IDCD_INPUT_LIMIT_1_2").arg(0).arg(255), false);
        return false;
    }
    return true;
}

void ParamAdd6CDlg::slot_ReadParamBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    int address = 0;
    int length = 0;
    if (!readRange(&address, &length)) {
        return;
    }
    unsigned char buffer[kRawBufferSize] = {};
    auto count = static_cast<unsigned char>(length);
    if (!ZALT_ParmOp(Config6CHandle(), 2, static_cast<unsigned char>(address), count, buffer, &count)) {
        LogKey("IDCS_READ_DATA_FAILED", true);
        return;
    }
    ui->dataEdit->setText(AppContext::bytesToHex(buffer, length));
    LogKey("IDCS_READ_DATA_SUCCESS");
}

void ParamAdd6CDlg::slot_WriteParamBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    int address = 0;
    int length = 0;
    if (!readRange(&address, &length)) {
        return;
    }
    const QString data = ui->dataEdit->text();
    if (data.size() != 2 * length) {
        LogKey("IDCS_DATA_LEN_ERRO");
        return;
    }
    unsigned char buffer[kRawBufferSize] = {};
    auto count = static_cast<unsigned char>(AppContext::hexToBytes(data, buffer, length * 8));
    const bool ok =
        ZALT_ParmOp(Config6CHandle(), 1, static_cast<unsigned char>(address), count, buffer, &count) != 0;
    LogKey(ok ? "IDCS_WRITE_SUCCESS" : "IDCS_WRITE_FAILED", !ok);
}
