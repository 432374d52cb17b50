#include "gui/tagops/TagWriteFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/HexEditCap.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagWriteFor6CDlg.h"

#include <zaltlink.h>

TagWriteFor6CDlg::TagWriteFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagWriteFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_WRITE_EPC"));
    ui->lenLabel->setText(LangText("IDCS_LEN"));
    ui->lenUnitLabel->setText(LangText("IDCS_DOUBLE_BYTE"));
    ui->pwdLabel->setText(LangText("IDCS_ACCESS_PASSWORD_HEX"));
    ui->dataLabel->setText(LangText("IDCS_WRITE_DATA_HEX"));
    ui->writeBtn->setText(LangText("IDCS_WRITE_IN"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));

    connect(ui->writeBtn, &QPushButton::clicked, this, &TagWriteFor6CDlg::slot_WriteBtnClicked);
    connect(ui->clearBtn, &QPushButton::clicked, this, &TagWriteFor6CDlg::slot_ClearBtnClicked);
    connect(ui->dataEdit, &QPlainTextEdit::textChanged, this,
            &TagWriteFor6CDlg::slot_WriteDadaLenTextChanged);
}

TagWriteFor6CDlg::~TagWriteFor6CDlg() = default;

void TagWriteFor6CDlg::slot_ClearBtnClicked()
{
    ui->dataEdit->clear();
}

void TagWriteFor6CDlg::slot_WriteDadaLenTextChanged()
{
    CapHexEdit(ui->dataEdit, 4 * qMax(0, ui->lenEdit->text().toInt()), &m_capping);
}

void TagWriteFor6CDlg::slot_WriteBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    const QByteArray password = TagOpHex::passwordBytes(
        {ui->pwdEdit1->text(), ui->pwdEdit2->text(), ui->pwdEdit3->text(), ui->pwdEdit4->text()});
    const QString cleaned = TagOpHex::clean(ui->dataEdit->toPlainText());
    int words = 0;
    if (!TagOpHex::parseCount(ui->lenEdit->text(), &words)) {
        LogKey("IDCS_DATA_FORMAT_ERRO");
        return;
    }
    // Checked before the count is narrowed to the one byte it travels in.
    const TagOpHex::Check check = TagOpHex::checkWordData(cleaned, words, TagOpHex::kMaxEpcWords);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return;
    }
    unsigned char data[TagOpHex::kEpcBufferBytes] = {};
    const int count = AppContext::hexToBytes(cleaned, data, 16 * words);
    const bool ok = ZALT_6CWriteEPCCode(static_cast<ZALT_HANDLE>(TagOpHandle()),
                                        static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner)), 0,
                                        reinterpret_cast<const unsigned char*>(password.constData()), data,
                                        static_cast<unsigned char>(count)) != 0;
    LogKey(ok ? "IDCS_WRITE_SUCCESS" : "IDCS_WRITE_FAILED");
}
