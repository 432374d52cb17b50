#include "gui/tagops/TagEraseFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagPasswordSetFor6CDlg.h"

#include <zaltlink.h>

TagEraseFor6CDlg::TagEraseFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagPasswordSetFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_PASSWORD_SET"));
    ui->pwdTypeLabel->setText(LangLabel("IDCS_PWD_TYPE"));
    for (const char* key : {"IDCS_ACCESS_PWD", "IDCS_DESTROY_PWD"}) {
        ui->pwdTypeCombo->addItem(LangText(key));
    }
    ui->pwdTypeCombo->setCurrentIndex(0);
    ui->oldPwdLabel->setText(LangLabel("IDCS_OLD_PWD_HEX"));
    ui->newPwdLabel->setText(LangLabel("IDCS_NEW_PWD_HEX"));
    ui->setBtn->setText(LangText("IDCS_SET"));
    connect(ui->setBtn, &QPushButton::clicked, this, &TagEraseFor6CDlg::slot_setBtnClicked);
}

TagEraseFor6CDlg::~TagEraseFor6CDlg() = default;

void TagEraseFor6CDlg::slot_setBtnClicked()
{
    if (ui->pwdTypeCombo->currentIndex() == 0) {
        slot_setAccessPwd();
    } else {
        slot_setOpPwd();
    }
}

void TagEraseFor6CDlg::slot_setAccessPwd()
{
    setPassword(true);
}

void TagEraseFor6CDlg::slot_setOpPwd()
{
    setPassword(false);
}

void TagEraseFor6CDlg::setPassword(bool access)
{
    if (!TagOpReaderReady()) {
        return;
    }
    QByteArray oldPwd;
    QByteArray newPwd;
    if (!TagOpPassword({ui->oldPwdEdit1, ui->oldPwdEdit2, ui->oldPwdEdit3, ui->oldPwdEdit4}, &oldPwd) ||
        !TagOpPassword({ui->newPwdEdit1, ui->newPwdEdit2, ui->newPwdEdit3, ui->newPwdEdit4}, &newPwd)) {
        return;
    }
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    RunReaderCall(
        m_runner, this, ui->setBtn,
        [=] {
            const auto* o = reinterpret_cast<const unsigned char*>(oldPwd.constData());
            const auto* n = reinterpret_cast<const unsigned char*>(newPwd.constData());
            return (access ? ZALT_6CAccessPWDSet(handle, antenna, 0, o, n)
                           : ZALT_6CDestroyPWDSet(handle, antenna, 0, o, n)) != 0;
        },
        [](const ReaderCallResult& r) { TagOpReport(r, "IDCS_EDIT_SUCCESS", "IDCS_EDIT_FAILED"); });
}
