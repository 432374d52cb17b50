#include "gui/tagops/TagReadFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/HexEditCap.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagReadFor6CDlg.h"

#include <zaltlink.h>

#include <vector>

namespace {
// The start word travels in two bytes.
constexpr int kMaxStartWord = 65535;
} // namespace

TagReadFor6CDlg::TagReadFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagReadFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_WRITE_READ_USER"));
    ui->modeLabel->setText(LangText("IDCS_READ_OR_WRITE"));
    ui->readRb->setText(LangText("IDCS_READ"));
    ui->writeRb->setText(LangText("IDCS_WRITE"));
    ui->startLabel->setText(LangText("IDCS_START_ADDR_BYTE_HEX"));
    ui->lenLabel->setText(LangText("IDCS_LEN"));
    ui->lenUnitLabel->setText(LangText("IDCS_DOUBLE_BYTE"));
    ui->pwdLabel->setText(LangText("IDCS_ACCESS_PASSWORD_HEX"));
    ui->opTimeLabel->setText(LangText("IDCS_OP_TIME"));
    ui->dataLabel->setText(LangText("IDCS_DATA"));
    ui->actionBtn->setText(LangText("IDCS_READ"));
    ui->clearBtn->setText(LangText("IDCS_CLEAR"));
    setPasswordEnabled(false);

    connect(ui->actionBtn, &QPushButton::clicked, this, &TagReadFor6CDlg::slot_BtnClicked);
    connect(ui->clearBtn, &QPushButton::clicked, this, &TagReadFor6CDlg::slot_ClearBtnClicked);
    connect(ui->readRb, &QRadioButton::clicked, this, &TagReadFor6CDlg::slot_ReadRbBtnClicked);
    connect(ui->writeRb, &QRadioButton::clicked, this, &TagReadFor6CDlg::slot_WriteRbBtnClicked);
    connect(ui->dataEdit, &QPlainTextEdit::textChanged, this, &TagReadFor6CDlg::slot_WriteDadaLenTextChanged);
}

TagReadFor6CDlg::~TagReadFor6CDlg() = default;

void TagReadFor6CDlg::setPasswordEnabled(bool on)
{
    for (QLineEdit* e : {ui->pwdEdit1, ui->pwdEdit2, ui->pwdEdit3, ui->pwdEdit4}) {
        e->setEnabled(on);
    }
}

void TagReadFor6CDlg::slot_ReadRbBtnClicked()
{
    setPasswordEnabled(false);
    ui->actionBtn->setText(LangText("IDCS_READ"));
}

void TagReadFor6CDlg::slot_WriteRbBtnClicked()
{
    setPasswordEnabled(true);
    ui->actionBtn->setText(LangText("IDCS_WRITE"));
}

void TagReadFor6CDlg::slot_ClearBtnClicked()
{
    ui->dataEdit->clear();
}

void TagReadFor6CDlg::slot_BtnClicked()
{
    if (ui->readRb->isChecked()) {
        slot_ReadBtnClicked();
    } else {
        slot_WtiteBtnClicked();
    }
}

void TagReadFor6CDlg::slot_WriteDadaLenTextChanged()
{
    CapHexEdit(ui->dataEdit, 4 * qMax(0, ui->lenEdit->text().toInt()), &m_capping);
}

bool TagReadFor6CDlg::readFields(int* start, int* words, int* timeMs)
{
    if (!TagOpHex::parseCount(ui->startEdit->text(), start) ||
        !TagOpHex::parseCount(ui->lenEdit->text(), words) ||
        !TagOpHex::parseCount(ui->opTimeEdit->text(), timeMs)) {
        LogKey("IDCS_DATA_FORMAT_ERRO");
        return false;
    }
    if (*start > kMaxStartWord || *words > TagOpHex::kMaxUserWords) {
        LogKey("IDCS_DATA_LEN_ERRO");
        return false;
    }
    return true;
}

void TagReadFor6CDlg::slot_ReadBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    int start = 0;
    int words = 0;
    int timeMs = 0;
    if (!readFields(&start, &words, &timeMs)) {
        return;
    }
    std::vector<unsigned char> buffer(TagOpHex::kUserBufferBytes, 0);
    int length = TagOpHex::kUserBufferBytes;
    const bool ok = ZALT_6CReadUserData(static_cast<ZALT_HANDLE>(TagOpHandle()),
                                        static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner)), start,
                                        words, timeMs, buffer.data(), &length) != 0;
    if (!ok) {
        LogKey("IDCS_TAG_READ_USER_FAILED");
        return;
    }
    // Never trust a count beyond the buffer that was handed over.
    const int bytes = qBound(0, length * 2, TagOpHex::kUserBufferBytes);
    const QString hex = AppContext::bytesToHex(buffer.data(), bytes);
    ui->dataEdit->setPlainText(TagOpHex::displayForm(hex));
    AppContext::Instance()->logMessage(
        LangText("IDCS_TAG_READ_USER_SUCCESS") + LangText("IDCS_READ_TAG_LEN").arg(length), false);
}

void TagReadFor6CDlg::slot_WtiteBtnClicked()
{
    if (!TagOpReaderReady()) {
        return;
    }
    int start = 0;
    int words = 0;
    int timeMs = 0;
    if (!readFields(&start, &words, &timeMs)) {
        return;
    }
    const QString cleaned = TagOpHex::clean(ui->dataEdit->toPlainText());
    const TagOpHex::Check check = TagOpHex::checkWordData(cleaned, words, TagOpHex::kMaxUserWords);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return;
    }
    std::vector<unsigned char> data(TagOpHex::kUserBufferBytes, 0);
    AppContext::hexToBytes(cleaned, data.data(), 16 * words);
    const QByteArray password = TagOpHex::passwordBytes(
        {ui->pwdEdit1->text(), ui->pwdEdit2->text(), ui->pwdEdit3->text(), ui->pwdEdit4->text()});
    int count = words;
    const bool ok = ZALT_6CWriteUserData(static_cast<ZALT_HANDLE>(TagOpHandle()),
                                         static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner)), 0,
                                         reinterpret_cast<const unsigned char*>(password.constData()), start,
                                         timeMs, data.data(), &count) != 0;
    if (ok) {
        AppContext::Instance()->logMessage(
            LangText("IDCS_TAG_WRITE_USER_SUCCESS") + LangText("IDCS_READ_TAG_LEN").arg(words), false);
    } else {
        LogKey("IDCS_TAG_WRITE_USER_FAILED");
    }
}
