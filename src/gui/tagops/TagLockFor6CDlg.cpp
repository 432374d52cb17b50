#include "gui/tagops/TagLockFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagLockFor6CDlg.h"

#include <zaltlink.h>

TagLockFor6CDlg::TagLockFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagLockFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_LOCK_TAG"));
    ui->areaLabel->setText(LangText("IDCS_AREA"));
    for (const char* key : {"IDCS_EPC_BANK", "IDCS_USER_BANK", "IDCS_ACCESS_PASSWORD", "IDCS_KILL_PWD"}) {
        ui->areaCombo->addItem(LangText(key));
    }
    ui->opTypeLabel->setText(LangText("IDCS_OP_TYPE"));
    for (const char* key : {"IDCS_LOCK", "IDCS_UNLOCK"}) {
        ui->opCombo->addItem(LangText(key));
    }
    ui->pwdLabel->setText(LangText("IDCS_ACCESS_PASSWORD_HEX"));
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
    const QByteArray password = TagOpHex::passwordBytes(
        {ui->pwdEdit1->text(), ui->pwdEdit2->text(), ui->pwdEdit3->text(), ui->pwdEdit4->text()});
    const int op = ui->opCombo->currentIndex();
    const int area = ui->areaCombo->currentIndex() + 2;
    const bool ok = ZALT_6CTagLock(static_cast<ZALT_HANDLE>(TagOpHandle()),
                                   static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner)),
                                   reinterpret_cast<const unsigned char*>(password.constData()),
                                   static_cast<unsigned char>(op), static_cast<unsigned char>(area)) != 0;
    if (op == 0) {
        LogKey(ok ? "IDCS_LOCK_SUCCESS" : "IDCS_LOCK_FAILED");
    } else {
        LogKey(ok ? "IDCS_UNLOCK_SUCCESS" : "IDCS_UNLOCK_FAILED");
    }
}
