#include "gui/wireless/WirelessAdvancedDlg.h"

#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "ui_WirelessAdvancedDlg.h"

#include <QRegularExpressionValidator>

namespace {
const char kGroup[] = "WirelessAdvancedDlg";
const char kDisconnectKey[] = "CHECK_ONLINE_TIME";
const char kCheckKey[] = "CHECK_ONLINE_REFASH_TIME";
} // namespace

WirelessAdvancedDlg::WirelessAdvancedDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::WirelessAdvancedDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SOFT_CONFIG"));
    ui->disconnectLabel->setText(LangText("IDCS_CHECK_DISCONNET_TIME"));
    ui->checkLabel->setText(LangText("IDCS_CHECK_REFASH_TIME"));
    ui->okBtn->setText(LangText("IDCS_OK"));
    ui->cancelBtn->setText(LangText("IDCS_CANCEL"));
    ui->cancelBtn->hide();
    // Seconds: a timer of more than a day is no check at all.
    const QRegularExpression seconds(QStringLiteral("[0-9]{0,5}"));
    ui->disconnectEdit->setValidator(new QRegularExpressionValidator(seconds, ui->disconnectEdit));
    ui->checkEdit->setValidator(new QRegularExpressionValidator(seconds, ui->checkEdit));
    const DeviceProfile* profile = DeviceProfile::Instance();
    ui->disconnectEdit->setText(profile->GetValue(QLatin1String(kGroup), QLatin1String(kDisconnectKey)));
    ui->checkEdit->setText(profile->GetValue(QLatin1String(kGroup), QLatin1String(kCheckKey)));
    connect(ui->okBtn, &QPushButton::clicked, this, &WirelessAdvancedDlg::slot_OkBtnClicked);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

WirelessAdvancedDlg::~WirelessAdvancedDlg() = default;

int WirelessAdvancedDlg::disconnectTime() const
{
    return ui->disconnectEdit->text().toInt();
}

int WirelessAdvancedDlg::checkInterval() const
{
    return ui->checkEdit->text().toInt();
}

void WirelessAdvancedDlg::slot_OkBtnClicked()
{
    DeviceProfile* profile = DeviceProfile::Instance();
    profile->SetValue(QLatin1String(kGroup), QLatin1String(kDisconnectKey), ui->disconnectEdit->text());
    profile->SetValue(QLatin1String(kGroup), QLatin1String(kCheckKey), ui->checkEdit->text());
    accept();
}
