#include "gui/config6c/GprsConfigDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/CommSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_GprsConfigDlg.h"

namespace {
const int kShortBufferSize = 20;
const int kTextBufferSize = CommSettings::kGprsTextSize + 4;

bool ReadParam(unsigned char address, unsigned char count, unsigned char* buffer, unsigned char capacity)
{
    unsigned char length = capacity;
    return ZALT_ParmOp(Config6CHandle(), 2, address, count, buffer, &length) != 0;
}

bool WriteParam(unsigned char address, QByteArray record)
{
    unsigned char length = static_cast<unsigned char>(record.size());
    return ZALT_ParmOp(Config6CHandle(), 1, address, length, reinterpret_cast<unsigned char*>(record.data()),
                       &length) != 0;
}

// The APN, account or password field as its record; an unfit text is logged and refused.
bool TextRecord(const QLineEdit* edit, QByteArray* record)
{
    switch (CommSettings::textRecord(edit->text(), CommSettings::kGprsTextSize, record)) {
    case CommSettings::TextCheck::Ok:
        return true;
    case CommSettings::TextCheck::Empty:
        LogKey("IDCS_INPUT_EMPTY");
        return false;
    case CommSettings::TextCheck::TooLong:
        AppContext::Instance()->logMessage(LangText("IDCS_INPUT_LIMIT_1").arg(CommSettings::kGprsTextSize),
                                           false);
        return false;
    }
    return false;
}
} // namespace

GprsConfigDlg::GprsConfigDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::GprsConfigDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_CPRS_CONFIG"));
    ui->ipLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->portLabel->setText(LangText("IDCS_LISENT_PORT"));
    ui->apnLabel->setText(LangText("IDCS_APN"));
    ui->accountLabel->setText(LangText("IDCS_ACCOUNT_NAME"));
    ui->pwdLabel->setText(LangText("IDCS_PWD"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &GprsConfigDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &GprsConfigDlg::slot_SetBtnClicked);
}

GprsConfigDlg::~GprsConfigDlg() = default;

void GprsConfigDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

bool GprsConfigDlg::queryAll()
{
    if (!Config6CReaderReady()) {
        return false;
    }
    unsigned char b[kShortBufferSize] = {};
    if (!ReadParam(CommSettings::kGprsIpAddress, 4, b, kShortBufferSize)) {
        return false;
    }
    ui->ipEdit->setText(CommSettings::ipText(b));
    std::fill(std::begin(b), std::end(b), 0);
    if (!ReadParam(CommSettings::kGprsPortAddress, 2, b, kShortBufferSize)) {
        return false;
    }
    ui->portEdit->setText(QString::number(CommSettings::portValue(b)));

    QLineEdit* const edits[] = {ui->apnEdit, ui->accountEdit, ui->pwdEdit};
    const unsigned char addresses[] = {CommSettings::kGprsApnAddress, CommSettings::kGprsAccountAddress,
                                       CommSettings::kGprsPasswordAddress};
    for (int i = 0; i < 3; ++i) {
        unsigned char text[kTextBufferSize] = {};
        if (!ReadParam(addresses[i], CommSettings::kGprsTextSize, text, CommSettings::kGprsTextSize)) {
            return false;
        }
        edits[i]->setText(CommSettings::recordText(text, CommSettings::kGprsTextSize));
    }
    return true;
}

void GprsConfigDlg::slot_QueryBtnClicked()
{
    const bool ok = queryAll();
    LogKey(ok ? "IDCS_QUERY_SUCCESS" : "IDCS_QUERY_FAILED", !ok);
}

bool GprsConfigDlg::setAll()
{
    if (!Config6CReaderReady()) {
        return false;
    }
    QByteArray ip;
    const CommSettings::IpCheck check = CommSettings::ipBytes(ui->ipEdit->text(), &ip);
    if (check != CommSettings::IpCheck::Ok) {
        LogKey(check == CommSettings::IpCheck::Invalid ? "IDCS_IPADDR_INVAID" : "IDCS_IP_ERRO");
        return false;
    }
    if (!WriteParam(CommSettings::kGprsIpAddress, ip)) {
        return false;
    }
    QByteArray port;
    if (ui->portEdit->text().isEmpty()) {
        LogKey("IDCS_INPUT_EMPTY");
        return false;
    }
    if (!CommSettings::portBytes(ui->portEdit->text(), &port)) {
        AppContext::Instance()->logMessage(LangText("IDCD_INPUT_LIMIT_1_2").arg(1).arg(65535), false);
        return false;
    }
    if (!WriteParam(CommSettings::kGprsPortAddress, port)) {
        return false;
    }
    const QLineEdit* const edits[] = {ui->apnEdit, ui->accountEdit, ui->pwdEdit};
    const unsigned char addresses[] = {CommSettings::kGprsApnAddress, CommSettings::kGprsAccountAddress,
                                       CommSettings::kGprsPasswordAddress};
    for (int i = 0; i < 3; ++i) {
        QByteArray record;
        if (!TextRecord(edits[i], &record) || !WriteParam(addresses[i], record)) {
            return false;
        }
    }
    return true;
}

void GprsConfigDlg::slot_SetBtnClicked()
{
    const bool ok = setAll();
    LogKey(ok ? "IDCS_SET_SUCCESS" : "IDCS_SET_FAILED", !ok);
}
