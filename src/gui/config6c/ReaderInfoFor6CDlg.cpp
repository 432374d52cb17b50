#include "gui/config6c/ReaderInfoFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IdentityClock.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_ReaderInfoFor6CDlg.h"

namespace {
const char* const kQueryFailedKeys[IdentityClock::IdentityTypeCount] = {
    "IDCS_DEVICE_NAME_QUERY_FAILED", "IDCS_READER_TYPE_FAILED", "IDCS_DEVICE_SN_QUERY_FAILED",
    "IDCS_PROCESS_SOFT_VER_FAILED",  "IDCS_FPGA_VER_FAILED",    "IDCS_BASE_HARD_VER_FAILED",
    "IDCS_SP_HARD_VER_FAILED"};
} // namespace

ReaderInfoFor6CDlg::ReaderInfoFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ReaderInfoFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_READER_INFO"));
    ui->nameLabel->setText(LangText("IDCS_DEVICE_NAME"));
    ui->modelLabel->setText(LangText("IDCS_DEVICE_TYPE"));
    ui->serialLabel->setText(LangText("IDCS_DEVICE_SN"));
    ui->cpuLabel->setText(LangText("IDCS_CPU_SOFT_VER"));
    ui->fpgaLabel->setText(LangText("IDCS_FPGA_DSF_VER"));
    ui->baseLabel->setText(LangText("IDCS_BASE_HARD_VER"));
    ui->rfLabel->setText(LangText("IDCS_SP_HARD_VER"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->nameSetBtn->setText(LangText("IDCS_SET"));
    ui->modelSetBtn->setText(LangText("IDCS_SET"));
    ui->serialSetBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &ReaderInfoFor6CDlg::slot_QureyBtnClicked);
    connect(ui->nameSetBtn, &QPushButton::clicked, this, &ReaderInfoFor6CDlg::slot_ProductNameSetBtnClicked);
    connect(ui->modelSetBtn, &QPushButton::clicked, this, &ReaderInfoFor6CDlg::slot_RWerTypeSetBtnClicked);
    connect(ui->serialSetBtn, &QPushButton::clicked, this,
            &ReaderInfoFor6CDlg::slot_ProductSerialSetBtnClicked);
}

ReaderInfoFor6CDlg::~ReaderInfoFor6CDlg() = default;

QLineEdit* ReaderInfoFor6CDlg::recordField(int type) const
{
    QLineEdit* const fields[IdentityClock::IdentityTypeCount] = {
        ui->nameEdit, ui->modelEdit, ui->serialEdit, ui->cpuEdit, ui->fpgaEdit, ui->baseEdit, ui->rfEdit};
    return type >= 0 && type < IdentityClock::IdentityTypeCount ? fields[type] : nullptr;
}

void ReaderInfoFor6CDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QureyBtnClicked();
    // Model and serial number are factory settings: only a debug build offers to change them.
    const QString loadType = AppSettings::Instance()->GetLoadType();
    if (loadType == QLatin1String("DEBUG") || loadType == QLatin1String("RELEASE")) {
        const bool show = loadType == QLatin1String("DEBUG");
        ui->modelSetBtn->setVisible(show);
        ui->serialSetBtn->setVisible(show);
    }
}

void ReaderInfoFor6CDlg::slot_QureyBtnClicked()
{
    // Without a reader the first read fails with the refusal and its own key.
    const bool linked = Config6CReaderReady();
    for (int type = 0; type < IdentityClock::IdentityTypeCount; ++type) {
        unsigned char buffer[IdentityClock::kQueryBufferSize] = {};
        unsigned char length = IdentityClock::kQueryBufferSize;
        if (!linked ||
            !ZALT_SysInfQuery(Config6CHandle(), static_cast<unsigned char>(type), buffer, &length)) {
            LogKey(kQueryFailedKeys[type], true);
            return;
        }
        recordField(type)->setText(IdentityClock::identityText(buffer, length));
    }
    LogKey("IDCS_READER_INFO_SUCCESS");
}

void ReaderInfoFor6CDlg::setRecord(int type, const char* tooLongKey, const char* successKey,
                                   const char* failedKey)
{
    if (!Config6CReaderReady()) {
        return;
    }
    QByteArray record;
    switch (IdentityClock::identityRecord(type, recordField(type)->text(), &record)) {
    case IdentityClock::TextCheck::Ok:
        break;
    case IdentityClock::TextCheck::Empty:
        LogKey("IDCS_INPUT_EMPTY");
        return;
    case IdentityClock::TextCheck::TooLong:
    case IdentityClock::TextCheck::ReadOnly:
        LogKey(tooLongKey);
        return;
    }
    const bool ok = ZALT_SysInfSet(Config6CHandle(), static_cast<unsigned char>(type),
                                   reinterpret_cast<const unsigned char*>(record.constData()),
                                   static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? successKey : failedKey, !ok);
}

void ReaderInfoFor6CDlg::slot_ProductNameSetBtnClicked()
{
    setRecord(IdentityClock::Name, "IDCS_INPUT_LIMIT_8", "IDCS_READER_NAME_SET_SUCCESS",
              "IDCS_READER_NAME_SET_FAILED");
}

void ReaderInfoFor6CDlg::slot_RWerTypeSetBtnClicked()
{
    setRecord(IdentityClock::Model, "IDCS_INPUT_LIMIT_6", "IDCS_READER_TYPE_SET_SUCCESS",
              "IDCS_READER_TYPE_SET_FAILED");
}

void ReaderInfoFor6CDlg::slot_ProductSerialSetBtnClicked()
{
    setRecord(IdentityClock::Serial, "IDCS_INPUT_LIMIT_8", "IDCS_PRODUCT_SERIAL_SET_SUCCESS",
              "IDCS_PRODUCT_SERIAL_SET_FAILED");
}
