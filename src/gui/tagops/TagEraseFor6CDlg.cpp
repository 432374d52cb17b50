#include "gui/tagops/TagEraseFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagPasswordSetFor6CDlg.h"

#include <zaltlink.h>

TagEraseFor6CDlg::TagEraseFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TagPasswordSetFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_PASSWORD_SET"));
    ui->pwdTypeLabel->setText(LangText("IDCS_PWD_TYPE"));
    for (const char* key : {"IDCS_ACCESS_PWD", "IDCS_DESTROY_PWD"}) {
        ui->pwdTypeCombo->addItem(LangText(key));
    }
    ui->pwdTypeCombo->setCurrentIndex(0);
    ui->oldPwdLabel->setText(LangText("IDCS_OLD_PWD_HEX"));
    ui->newPwdLabel->setText(LangText("IDCS_NEW_PWD_HEX"));
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
    const QByteArray oldPwd = TagOpHex::passwordBytes(
        {ui->oldPwdEdit1->text(), ui->oldPwdEdit2->text(), ui->oldPwdEdit3->text(), ui->oldPwdEdit4->text()});
    const QByteArray newPwd = TagOpHex::passwordBytes(
        {ui->newPwdEdit1->text(), ui->newPwdEdit2->text(), ui->newPwdEdit3->text(), ui->newPwdEdit4->text()});
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    const auto* o = reinterpret_cast<const unsigned char*>(oldPwd.constData());
    const auto* n = reinterpret_cast<const unsigned char*>(newPwd.constData());
    const bool ok = (access ? ZALT_6CAccessPWDSet(handle, antenna, 0, o, n)
                            : ZALT_6CDestroyPWDSet(handle, antenna, 0, o, n)) != 0;
    LogKey(ok ? "IDCS_EDIT_SUCCESS" : "IDCS_EDIT_FAILED");
}
