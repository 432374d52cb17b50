#include "gui/configgjb/SecrecyDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderDllGJB.h"
#include "gui/app/ZrMessageBox.h"
#include "ui_SecrecyDlg.h"

namespace {

constexpr int kPasswordLength = 8;

bool PasswordOk(const QLineEdit* edit)
{
    return edit->text().size() == kPasswordLength;
}

QByteArray PasswordBytes(const QLineEdit* edit)
{
    return edit->text().toUtf8();
}

const unsigned char* Bytes(const QByteArray& b)
{
    return reinterpret_cast<const unsigned char*>(b.constData());
}

} // namespace

SecrecyDlg::SecrecyDlg(QWidget* parent) : GjbSettingDlg(parent), ui(std::make_unique<Ui::SecrecyDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_SECRECY"));
    ui->tabWidget->setTabText(0, LangText("IDCS_ENABLE"));
    ui->tabWidget->setTabText(1, LangText("IDCS_PWD_EDIT"));
    ui->tabWidget->setTabText(2, LangText("IDCS_KILL"));
    ui->functionLabel->setText(LangText("IDCS_SECRECY_FUNCTION"));
    ui->stateCombo->addItems({LangText("IDCS_COLSE_S"), LangText("IDCS_OPEN_S")});
    ui->qurBtn->setText(LangText("IDCS_QUERY"));
    ui->setBtn->setText(LangText("IDCS_CONFIG"));
    ui->oldPwdLabel->setText(LangText("IDCS_OLD_PWD"));
    ui->newPwdLabel->setText(LangText("IDCS_NEW_PWD"));
    ui->editBtn->setText(LangText("IDCS_EDIT"));
    ui->killPwdLabel->setText(LangText("IDCS_PWD"));
    ui->killBtn->setText(LangText("IDCS_KILL"));
    for (QLineEdit* edit : {ui->oldPwdEdit, ui->newPwdEdit, ui->killPwdEdit}) {
        edit->setMaxLength(kPasswordLength);
        edit->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    }
    connect(ui->qurBtn, &QPushButton::clicked, this, &SecrecyDlg::slot_QurBtnClicked);
    connect(ui->setBtn, &QPushButton::clicked, this, &SecrecyDlg::slot_SetBtnClicked);
    connect(ui->editBtn, &QPushButton::clicked, this, &SecrecyDlg::slot_EidtPwBtnClicked);
    connect(ui->killBtn, &QPushButton::clicked, this, &SecrecyDlg::slot_KillBtnClicked);
}

SecrecyDlg::~SecrecyDlg() = default;

void SecrecyDlg::slot_QurBtnClicked()
{
    auto state = std::make_shared<int>(0);
    Step(
        ui->qurBtn, [state](ReaderDllGJB& r) { return r.SecrecyGet(state.get()); },
        "IDCS_SECRECY_QUERY_SUCCESS", "IDCS_SECRECY_QUERY_FAILED",
        [this, state] { ui->stateCombo->setCurrentIndex(*state); });
}

void SecrecyDlg::slot_SetBtnClicked()
{
    const int state = ui->stateCombo->currentIndex();
    Step(
        ui->setBtn, [state](ReaderDllGJB& r) { return r.SecrecySet(state); }, "IDCS_SECRECY_SET_SUCCESS",
        "IDCS_SECRECY_SET_FAILED");
}

void SecrecyDlg::slot_EidtPwBtnClicked()
{
    if (!GjbReaderReady()) {
        return;
    }
    if (!PasswordOk(ui->oldPwdEdit) || !PasswordOk(ui->newPwdEdit)) {
        LogKey("IDCS_PWD_LEN_LIMIT_8");
        return;
    }
    const QByteArray oldPw = PasswordBytes(ui->oldPwdEdit);
    const QByteArray newPw = PasswordBytes(ui->newPwdEdit);
    Step(
        ui->editBtn,
        [oldPw, newPw](ReaderDllGJB& r) {
            return r.EditSecrecyPW(Bytes(oldPw), int(oldPw.size()), Bytes(newPw), int(newPw.size()));
        },
        "IDCS_EDIT_SUCCESS", "IDCS_EDIT_FAILED");
}

void SecrecyDlg::slot_KillBtnClicked()
{
    if (!GjbReaderReady()) {
        return;
    }
    // Two questions: there is no way back.
    if (AskQuestion(LangText("IDCS_KILL_SECRECY_QUESTION"), this) != ZrMessageBox::Ok ||
        AskQuestion(LangText("IDCS_KILLSECRECY_QUESTION_2"), this) != ZrMessageBox::Ok) {
        return;
    }
    if (!PasswordOk(ui->killPwdEdit)) {
        LogKey("IDCS_PWD_LEN_LIMIT_8");
        return;
    }
    const QByteArray pw = PasswordBytes(ui->killPwdEdit);
    Step(
        ui->killBtn, [pw](ReaderDllGJB& r) { return r.KillSecrecyModel(Bytes(pw), int(pw.size())); },
        "IDCS_KILL_SUCCESS", "IDCS_KILL_FAILED");
}
