#include "gui/tagops/TagLockFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "gui/app/ZrMessageBox.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagLockFor6CDlg.h"

#include <zaltlink.h>

TagLockFor6CDlg::TagLockFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagLockFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_LOCK_TAG"));
    ui->areaLabel->setText(LangLabel("IDCS_AREA"));
    for (const char* key : {"IDCS_EPC_BANK", "IDCS_USER_BANK", "IDCS_ACCESS_PASSWORD", "IDCS_KILL_PWD"}) {
        ui->areaCombo->addItem(LangText(key));
    }
    ui->opTypeLabel->setText(LangLabel("IDCS_OP_TYPE"));
    for (const char* key : {"IDCS_LOCK", "IDCS_UNLOCK"}) {
        ui->opCombo->addItem(LangText(key));
    }
    ui->pwdLabel->setText(LangLabel("IDCS_ACCESS_PASSWORD_HEX"));
    ui->lockBtn->setText(LangText("IDCS_LOCK"));
    ui->areaCombo->setCurrentIndex(0);
    ui->opCombo->setCurrentIndex(0);

    connect(ui->lockBtn, &QPushButton::clicked, this, &TagLockFor6CDlg::slot_LockBtnClicked);
    connect(ui->opCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &TagLockFor6CDlg::slot_LockOrUnLockChange);
}

TagLockFor6CDlg::~TagLockFor6CDlg() = default;

void TagLockFor6CDlg::slot_LockOrUnLockChange(int index)
{
    ui->lockBtn->setText(LangText(index != 0 ? "IDCS_UNLOCK" : "IDCS_LOCK"));
}

void TagLockFor6CDlg::slot_LockBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    QByteArray password;
    if (!TagOpPassword({ui->pwdEdit1, ui->pwdEdit2, ui->pwdEdit3, ui->pwdEdit4}, &password)) {
        return;
    }
    const int op = ui->opCombo->currentIndex();
    const int area = ui->areaCombo->currentIndex() + 2;
    // A lock under a password nobody knows leaves the area unchangeable: ask first.
    if (op == 0 &&
        AskQuestion(LangText("IDCS_LOCK_TAG_QUESTION").arg(ui->areaCombo->currentText(), TagOpTargetText()),
                    this) != ZrMessageBox::Ok) {
        return;
    }
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    RunReaderCall(
        m_runner, this, ui->lockBtn,
        [=] {
            return ZALT_6CTagLock(handle, antenna,
                                  reinterpret_cast<const unsigned char*>(password.constData()),
                                  static_cast<unsigned char>(op), static_cast<unsigned char>(area)) != 0;
        },
        [op](const ReaderCallResult& r) {
            if (op == 0) {
                TagOpReport(r, "IDCS_LOCK_SUCCESS", "IDCS_LOCK_FAILED");
            } else {
                TagOpReport(r, "IDCS_UNLOCK_SUCCESS", "IDCS_UNLOCK_FAILED");
            }
        });
}
