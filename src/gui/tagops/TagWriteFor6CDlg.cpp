#include "gui/tagops/TagWriteFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/HexEditCap.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagWriteFor6CDlg.h"

#include <zaltlink.h>

#include <algorithm>

TagWriteFor6CDlg::TagWriteFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagWriteFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_WRITE_EPC"));
    ui->lenLabel->setText(LangLabel("IDCS_LEN"));
    ui->lenUnitLabel->setText(LangText("IDCS_DOUBLE_BYTE"));
    ui->pwdLabel->setText(LangLabel("IDCS_ACCESS_PASSWORD_HEX"));
    ui->dataLabel->setText(LangLabel("IDCS_WRITE_DATA_HEX"));
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
    CapHexEdit(ui->dataEdit, 4 * qMax(0, ui->lenEdit->text().toInt()), &m_capping, ui->capNoteLabel);
}

void TagWriteFor6CDlg::slot_WriteBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    const QString cleaned = TagOpHex::clean(ui->dataEdit->toPlainText());
    int words = 0;
    if (!TagOpHex::parseCount(ui->lenEdit->text(), &words)) {
        LogKey(TagOpHex::refusalKey(TagOpHex::Check::LengthNotNumber));
        return;
    }
    // Checked before the count is narrowed to the one byte it travels in.
    const TagOpHex::Check check = TagOpHex::checkWordData(cleaned, words, TagOpHex::kMaxEpcWords);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return;
    }
    QByteArray password;
    if (!TagOpPassword({ui->pwdEdit1, ui->pwdEdit2, ui->pwdEdit3, ui->pwdEdit4}, &password)) {
        return;
    }
    const QByteArray data = AppContext::hexToBytes(cleaned, 16 * words);
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    RunReaderCall(
        m_runner, this, ui->writeBtn,
        [=] {
            unsigned char buffer[TagOpHex::kEpcBufferBytes] = {};
            std::copy(data.constBegin(), data.constEnd(), buffer);
            return ZALT_6CWriteEPCCode(handle, antenna, 0,
                                       reinterpret_cast<const unsigned char*>(password.constData()), buffer,
                                       static_cast<unsigned char>(data.size())) != 0;
        },
        [](const ReaderCallResult& r) { TagOpReport(r, "IDCS_WRITE_SUCCESS", "IDCS_WRITE_FAILED"); });
}
