#include "gui/config6c/FiltrateTagFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_FiltrateTagFor6CDlg.h"

#include <QSignalBlocker>

namespace {
const unsigned char kFilterSwitch = 2;
const unsigned char kFilterTime = 3;
} // namespace

FiltrateTagFor6CDlg::FiltrateTagFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FiltrateTagFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_FILTER_TAG"));
    ui->enableCheck->setText(LangText("IDCS_ENABLE"));
    ui->timeLabel->setText(LangText("IDCS_FILTER_TAG_TIME_LIMIT_1_255"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    ui->timeSpin->setRange(1, 255);
    ui->timeSpin->setValue(1);
    showEnabled(false);
    connect(ui->enableCheck, &QCheckBox::stateChanged, this, &FiltrateTagFor6CDlg::slot_EnableStateChanged);
    connect(ui->queryBtn, &QPushButton::clicked, this, &FiltrateTagFor6CDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &FiltrateTagFor6CDlg::slot_SetBtnClicked);
}

FiltrateTagFor6CDlg::~FiltrateTagFor6CDlg() = default;

void FiltrateTagFor6CDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    queryEnabled();
}

void FiltrateTagFor6CDlg::showEnabled(bool enabled)
{
    // As in the tag-store dialog: only the operator's tick writes the switch.
    const QSignalBlocker blocker(ui->enableCheck);
    ui->enableCheck->setChecked(enabled);
    ui->timeSpin->setEnabled(enabled);
    ui->queryBtn->setEnabled(enabled);
    ui->setBtn->setEnabled(enabled);
}

void FiltrateTagFor6CDlg::queryEnabled()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_TagOpParaQuery(Config6CHandle(), kFilterSwitch, &value, &length)) {
        showEnabled(false);
        LogKey("IDCS_FILTER_ENABLE_QUERY_FAILED", true);
        return;
    }
    showEnabled(value == 1);
    LogKey("IDCS_FILTER_ENABLE_QUERY_SUCCESS");
}

void FiltrateTagFor6CDlg::slot_EnableStateChanged(int state)
{
    if (!Config6CReaderReady()) {
        showEnabled(!ui->enableCheck->isChecked());
        return;
    }
    const unsigned char value = state == Qt::Checked ? 1 : 0;
    if (!ZALT_TagOpParaSet(Config6CHandle(), kFilterSwitch, &value, 1)) {
        showEnabled(false);
        LogKey("IDCS_FILTER_ENABLE_FAILED", true);
        return;
    }
    showEnabled(value == 1);
    LogKey("IDCS_FILTER_ENABLE_SUCCESS");
}

void FiltrateTagFor6CDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_TagOpParaQuery(Config6CHandle(), kFilterTime, &value, &length)) {
        ui->timeSpin->setValue(0);
        LogKey("IDCS_FILTER_TIME_QUERY_FAILED", true);
        return;
    }
    ui->timeSpin->setValue(value);
    LogKey("IDCS_FILTER_TIME_QUERY_SUCCESS");
}

void FiltrateTagFor6CDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const auto value = static_cast<unsigned char>(ui->timeSpin->value());
    const bool ok = ZALT_TagOpParaSet(Config6CHandle(), kFilterTime, &value, 1) != 0;
    LogKey(ok ? "IDCS_FILTER_TIME_SUCCESS" : "IDCS_FILTER_TIME_FAILED", !ok);
}
