#include "gui/config6c/FlashConfigFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IoSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_FlashConfigFor6CDlg.h"

#include <QSignalBlocker>

namespace {
const unsigned char kStoreAddress = 249;
} // namespace

FlashConfigFor6CDlg::FlashConfigFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FlashConfigFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_FLASH"));
    ui->enableCheck->setText(LangText("IDCS_ENABLE"));
    ui->countLabel->setText(LangText("IDCS_TAG_COUNT"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    showEnabled(false);
    connect(ui->enableCheck, &QCheckBox::stateChanged, this, &FlashConfigFor6CDlg::slot_EnableStateChanged);
    connect(ui->queryBtn, &QPushButton::clicked, this, &FlashConfigFor6CDlg::slot_QueryBtnClicked);
    connect(ui->clearBtn, &QPushButton::clicked, this, &FlashConfigFor6CDlg::slot_ClearBtnClicked);
}

FlashConfigFor6CDlg::~FlashConfigFor6CDlg() = default;

void FlashConfigFor6CDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    queryEnabled();
}

void FlashConfigFor6CDlg::showEnabled(bool enabled)
{
    // Only the operator's tick writes: a box changed by a query (or by a failed one) must not switch
    // the store on the reader.
    const QSignalBlocker blocker(ui->enableCheck);
    ui->enableCheck->setChecked(enabled);
    ui->countEdit->setEnabled(enabled);
    ui->queryBtn->setEnabled(enabled);
    ui->clearBtn->setEnabled(enabled);
}

void FlashConfigFor6CDlg::queryEnabled()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_ParmOp(Config6CHandle(), 2, kStoreAddress, 1, &value, &length)) {
        showEnabled(false);
        LogKey("IDCS_FLASH_ENABLE_QUERY_FAILED", true);
        return;
    }
    showEnabled(value == 1);
    LogKey("IDCS_FLASH_ENABLE_QUERY_SUCCESS");
}

void FlashConfigFor6CDlg::slot_EnableStateChanged(int state)
{
    if (!Config6CReaderReady()) {
        showEnabled(!ui->enableCheck->isChecked());
        return;
    }
    unsigned char value = state == Qt::Checked ? 1 : 0;
    unsigned char length = 1;
    if (!ZALT_ParmOp(Config6CHandle(), 1, kStoreAddress, 1, &value, &length)) {
        showEnabled(false);
        LogKey("IDCS_FLASH_ENABLE_SET_FAILED", true);
        return;
    }
    showEnabled(value == 1);
    LogKey("IDCS_FLASH_ENABLE_SET_SUCCESS");
}

void FlashConfigFor6CDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char record[IoSettings::kFlashCountRecordSize] = {};
    unsigned char length = IoSettings::kFlashCountRecordSize;
    if (!ZALT_FlashTotalCountQuery(Config6CHandle(), record, &length)) {
        LogKey("IDCS_FLASH_TAG_COUNT_QUERY_FAILED", true);
        return;
    }
    ui->countEdit->setText(QString::number(IoSettings::flashCount(record)));
    LogKey("IDCS_FLASH_TAG_COUNT_QUERY_SUCCESS");
}

void FlashConfigFor6CDlg::slot_ClearBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    if (!ZALT_ClearFlash(Config6CHandle())) {
        LogKey("IDCS_FLASH_CLEAR_FAILED", true);
        return;
    }
    ui->countEdit->setText(QStringLiteral("0"));
    LogKey("IDCS_FLASH_CLEAR_SUCCESS");
}
