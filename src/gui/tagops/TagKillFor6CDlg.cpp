#include "gui/tagops/TagKillFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagKillFor6CDlg.h"

#include <zaltlink.h>

#include <QRegularExpressionValidator>

TagKillFor6CDlg::TagKillFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagKillFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_KILL_TAG"));
    ui->killPwdLabel->setText(LangText("IDCS_KILL_PWD_HEX"));
    ui->epcLabel->setText(LangText("IDCS_EPC"));
    ui->killBtn->setText(LangText("IDCS_KILL"));
    ui->epcEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[a-fA-F0-9]+$")), this));
    connect(ui->killBtn, &QPushButton::clicked, this, &TagKillFor6CDlg::slot_killBtnClicked);
}

TagKillFor6CDlg::~TagKillFor6CDlg() = default;

void TagKillFor6CDlg::slot_killBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    const QString epc = ui->epcEdit->text();
    if (epc.isEmpty()) {
        LogKey("IDCS_EPC_EMPTY");
        return;
    }
    // The field takes any length; the call's buffer does not.
    const TagOpHex::Check check = TagOpHex::checkKillEpc(epc);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return;
    }
    unsigned char data[TagOpHex::kKillBufferBytes] = {};
    const QByteArray password = TagOpHex::passwordBytes(
        {ui->pwdEdit1->text(), ui->pwdEdit2->text(), ui->pwdEdit3->text(), ui->pwdEdit4->text()});
    const int count = AppContext::hexToBytes(epc, data, 4 * static_cast<int>(epc.size()));
    const bool ok = ZALT_6CTagKill(static_cast<ZALT_HANDLE>(TagOpHandle()),
                                   static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner)),
                                   reinterpret_cast<const unsigned char*>(password.constData()), data,
                                   static_cast<unsigned char>(count)) != 0;
    LogKey(ok ? "IDCS_KILL_SUCCESS" : "IDCS_KILL_FAILED");
}
