#include "gui/app/VersionDlg.h"

#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/app/VersionQuery.h"
#include "core/reader/ReaderDllBase.h"
#include "ui_VersionDlg.h"

VersionDlg::VersionDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::VersionDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_FIRMWARE_VERSION"));
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    const std::array<QLabel*, 4> labels = {ui->mcuLabel, ui->fpgaLabel, ui->rfLabel, ui->linuxLabel};
    m_values = {ui->mcuValue, ui->fpgaValue, ui->rfValue, ui->linuxValue};
    for (size_t i = 0; i < labels.size(); ++i) {
        const VersionRowSpec& info = VersionRowSpecOf(static_cast<VersionRow>(i));
        m_enabled[i] = DeviceProfile::Instance()->IsEnabled(QStringLiteral("VersionDlg"),
                                                            QString::fromLatin1(info.flag));
        labels[i]->setText(LangText(info.labelKey));
        labels[i]->setVisible(m_enabled[i]);
        m_values[i]->setVisible(m_enabled[i]);
    }
    connect(ui->qurBtn, &QPushButton::clicked, this, &VersionDlg::slot_QurBtnClicked);
}

VersionDlg::~VersionDlg() = default;

void VersionDlg::slot_QurBtnClicked()
{
    std::array<QString, 4> values;
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = m_values[i]->text();
    }
    QueryVersions(m_enabled, values);
    for (size_t i = 0; i < values.size(); ++i) {
        m_values[i]->setText(values[i]);
    }
}

void VersionDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (CurrentReader()->IsState(ReaderDllBase::StateConnected)) {
        slot_QurBtnClicked();
    }
}
