#include "gui/config6c/ComConfigDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/CommSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_ComConfigDlg.h"

ComConfigDlg::ComConfigDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::ComConfigDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_COM_CONFIG"));
    ui->baudLabel->setText(LangText("IDCS_BAUDRATE"));
    ui->baudCombo->addItems(CommSettings::baudRates());
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->queryBtn, &QPushButton::clicked, this, &ComConfigDlg::slot_QueryBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &ComConfigDlg::slot_SetBtnClicked);
}

ComConfigDlg::~ComConfigDlg() = default;

void ComConfigDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_QueryBtnClicked();
}

void ComConfigDlg::slot_QueryBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!ZALT_CommunicatParaQuery(Config6CHandle(), CommSettings::kBaudQueryCode, &value, &length)) {
        LogKey("IDCS_BAUD_RATE_QUERY_FAILED", true);
        return;
    }
    ui->baudCombo->setCurrentIndex(value);
    LogKey("IDCS_BAUD_RATE_QUERY_SUCCESS");
}

void ComConfigDlg::slot_SetBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    const int position = ui->baudCombo->currentIndex();
    if (position < 0) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    const auto value = static_cast<unsigned char>(position);
    const bool ok = ZALT_CommunicatParaSet(Config6CHandle(), CommSettings::kBaudSetCode, &value, 1) != 0;
    LogKey(ok ? "IDCS_BAUD_RATE_SET_SUCCESS" : "IDCS_BAUD_RATE_SET_FAILED", !ok);
}
