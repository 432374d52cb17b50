#include "gui/config6c/QValueDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_QValueDlg.h"

namespace {
const unsigned char kQType = 0x10;
} // namespace

QValueDlg::QValueDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::QValueDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_QVALUE"));
    ui->qLabel->setText(LangText("IDCS_QVALUE_LIMIT_0_255"));
    ui->qSpin->setRange(0, 255);
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &QValueDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &QValueDlg::slot_SetBtnClicked);
}

QValueDlg::~QValueDlg() = default;

void QValueDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

void QValueDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_TagOpParaQuery(Config6CHandle(), kQType, &value, &length)) {
        ui->qSpin->setValue(0);
        LogKey("IDCS_QVALUE_QUERY_FAILED", true);
        return;
    }
    ui->qSpin->setValue(value);
    LogKey("IDCS_QVALUE_QUERY_SUCCESS");
}

void QValueDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const auto value = static_cast<unsigned char>(ui->qSpin->value());
    const bool ok = ZALT_TagOpParaSet(Config6CHandle(), kQType, &value, 1) != 0;
    LogKey(ok ? "IDCS_QVALUE_SET_SUCCESS" : "IDCS_QVALUE_SET_FAILED", !ok);
}
