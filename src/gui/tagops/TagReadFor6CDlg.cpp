#include "gui/tagops/TagReadFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/HexEditCap.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagReadFor6CDlg.h"

#include <zaltlink.h>

#include <memory>
#include <vector>

namespace {
// The start word travels in two bytes.
constexpr int kMaxStartWord = 65535;
} // namespace

TagReadFor6CDlg::TagReadFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagReadFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_WRITE_READ_USER"));
    ui->modeLabel->setText(LangLabel("IDCS_READ_OR_WRITE"));
    ui->readRb->setText(LangText("IDCS_READ"));
    ui->writeRb->setText(LangText("IDCS_WRITE"));
    ui->startLabel->setText(LangLabel("IDCS_START_ADDR_BYTE_HEX"));
    ui->lenLabel->setText(LangLabel("IDCS_LEN"));
    ui->lenUnitLabel->setText(LangText("IDCS_DOUBLE_BYTE"));
    ui->pwdLabel->setText(LangLabel("IDCS_ACCESS_PASSWORD_HEX"));
    ui->opTimeLabel->setText(LangLabel("IDCS_OP_TIME"));
    ui->dataLabel->setText(LangLabel("IDCS_DATA"));
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
    CapHexEdit(ui->dataEdit, 4 * qMax(0, ui->lenEdit->text().toInt()), &m_capping, ui->capNoteLabel);
}

bool TagReadFor6CDlg::readFields(int* start, int* words, int* timeMs)
{
    TagOpHex::Check check = TagOpHex::Check::Ok;
    if (!TagOpHex::parseCount(ui->startEdit->text(), start)) {
        check = TagOpHex::Check::StartNotNumber;
    } else if (!TagOpHex::parseCount(ui->lenEdit->text(), words)) {
        check = TagOpHex::Check::LengthNotNumber;
    } else if (!TagOpHex::parseCount(ui->opTimeEdit->text(), timeMs)) {
        check = TagOpHex::Check::TimeNotNumber;
    } else if (*words == 0) {
        // Nothing would be read or written: say so rather than let the reader refuse it.
        check = TagOpHex::Check::ZeroLength;
    } else if (*start > kMaxStartWord) {
        check = TagOpHex::Check::StartOutOfRange;
    } else if (*words > TagOpHex::kMaxUserWords) {
        check = TagOpHex::Check::LengthError;
    }
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
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
    struct Read
    {
        std::vector<unsigned char> buffer = std::vector<unsigned char>(TagOpHex::kUserBufferBytes, 0);
        int length = TagOpHex::kUserBufferBytes;
    };
    auto read = std::make_shared<Read>();
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    QPointer<TagReadFor6CDlg> self(this);
    RunReaderCall(
        m_runner, this, ui->actionBtn,
        [=] {
            return ZALT_6CReadUserData(handle, antenna, start, words, timeMs, read->buffer.data(),
                                       &read->length) != 0;
        },
        [self, read](const ReaderCallResult& r) {
            if (!r.ok) {
                LogFailure("IDCS_TAG_READ_USER_FAILED", r.errorCode);
                return;
            }
            // Never trust a count beyond the buffer that was handed over.
            const int bytes = qBound(0, read->length * 2, TagOpHex::kUserBufferBytes);
            if (self) {
                const QString hex = AppContext::bytesToHex(read->buffer.data(), bytes);
                self->ui->dataEdit->setPlainText(TagOpHex::displayForm(hex));
            }
            AppContext::Instance()->logMessage(
                LangText("IDCS_TAG_READ_USER_SUCCESS") +
                    LangText(TagOpHex::wordCountKey(read->length)).arg(read->length),
                false);
        });
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
    QByteArray password;
    if (!TagOpPassword({ui->pwdEdit1, ui->pwdEdit2, ui->pwdEdit3, ui->pwdEdit4}, &password)) {
        return;
    }
    auto data = std::make_shared<std::vector<unsigned char>>(TagOpHex::kUserBufferBytes, 0);
    AppContext::hexToBytes(cleaned, data->data(), 16 * words);
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    const auto antenna = static_cast<unsigned char>(TagOpFor6CDlg::AntennaOf(m_owner));
    RunReaderCall(
        m_runner, this, ui->actionBtn,
        [=] {
            int count = words;
            return ZALT_6CWriteUserData(handle, antenna, 0,
                                        reinterpret_cast<const unsigned char*>(password.constData()), start,
                                        timeMs, data->data(), &count) != 0;
        },
        [words](const ReaderCallResult& r) {
            if (r.ok) {
                AppContext::Instance()->logMessage(LangText("IDCS_TAG_WRITE_USER_SUCCESS") +
                                                       LangText(TagOpHex::wordCountKey(words)).arg(words),
                                                   false);
            } else {
                LogFailure("IDCS_TAG_WRITE_USER_FAILED", r.errorCode);
            }
        });
}
