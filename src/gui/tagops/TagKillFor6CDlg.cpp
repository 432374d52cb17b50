#include "gui/tagops/TagKillFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "gui/app/ZrMessageBox.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagKillFor6CDlg.h"

#include <zaltlink.h>

#include <algorithm>

#include <QRegularExpressionValidator>

TagKillFor6CDlg::TagKillFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagKillFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_KILL_TAG"));
    ui->killPwdLabel->setText(LangLabel("IDCS_KILL_PWD_HEX"));
    ui->epcLabel->setText(LangLabel("IDCS_EPC"));
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
    QByteArray password;
    if (!TagOpPassword({ui->pwdEdit1, ui->pwdEdit2, ui->pwdEdit3, ui->pwdEdit4}, &password)) {
        return;
    }
    // There is no way back from a kill.
    if (AskQuestion(LangText("IDCS_KILL_TAG_QUESTION").arg(epc.toUpper()), this) != ZrMessageBox::Ok) {
        return;
    }
    const QByteArray bytes = AppContext::hexToBytes(epc, 4 * static_cast<int>(epc.size()));
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    RunReaderCall(
        m_runner, this, ui->killBtn,
        [=] {
            unsigned char data[TagOpHex::kKillBufferBytes] = {};
            std::copy(bytes.constBegin(), bytes.constEnd(), data);
            return ZALT_6CTagKill(handle, antenna,
                                  reinterpret_cast<const unsigned char*>(password.constData()), data,
                                  static_cast<unsigned char>(bytes.size())) != 0;
        },
        [](const ReaderCallResult& r) { TagOpReport(r, "IDCS_KILL_SUCCESS", "IDCS_KILL_FAILED"); });
}
