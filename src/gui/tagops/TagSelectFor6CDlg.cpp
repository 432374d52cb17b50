#include "gui/tagops/TagSelectFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/reader/ReaderCallRunner.h"
#include "core/tagops/TagOpHex.h"
#include "core/tagops/TagSelectCall.h"
#include "gui/reader/ReaderCallUi.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagSelectFor6CDlg.h"

#include <QRegularExpressionValidator>

#include <memory>

TagSelectFor6CDlg::TagSelectFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagSelectFor6CDlg>()), m_owner(owner),
      m_runner(new ReaderCallRunner(this))
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_TAG_SELECT"));
    ui->areaLabel->setText(LangLabel("IDCS_AREA"));
    for (const char* key : {"IDCS_EPC", "IDCS_TID", "IDCS_USER"}) {
        ui->areaCombo->addItem(LangText(key));
    }
    ui->startLabel->setText(LangLabel("IDCS_START_ADDR_BYTE_HEX"));
    ui->matchLenLabel->setText(LangLabel("IDCS_MATCH_LEN_BIT"));
    ui->matchDataLabel->setText(LangLabel("IDCS_MATCH_DATA_HEX"));
    ui->keepCheck->setText(LangText("IDCS_DEFAULT_CONFIG"));
    ui->selectHintLabel->setText(LangText("IDCS_SELECT_TIG"));
    ui->selectBtn->setText(LangText("IDCS_SELECT"));
    ui->noSelectBtn->setText(LangText("IDCS_NO_SELCECT"));
    ui->matchDataEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[a-fA-F0-9]+$")), this));

    connect(ui->selectBtn, &QPushButton::clicked, this, &TagSelectFor6CDlg::slot_SelectBtnClicked);
    connect(ui->noSelectBtn, &QPushButton::clicked, this, &TagSelectFor6CDlg::slot_NoSelectBtnClicked);
    connect(ui->matchLenEdit, &QLineEdit::textChanged, this,
            &TagSelectFor6CDlg::slot_WriteDadaLenTextChanged);
    slot_WriteDadaLenTextChanged();
}

TagSelectFor6CDlg::~TagSelectFor6CDlg() = default;

void TagSelectFor6CDlg::slot_WriteDadaLenTextChanged()
{
    // Two digits per byte of match length; the field's own limit stays in force beyond the cap.
    const int bytes = qBound(0, ui->matchLenEdit->text().toInt(), TagOpHex::kMaxSelectBytes + 1);
    ui->matchDataEdit->setMaxLength(2 * bytes);
}

bool TagSelectFor6CDlg::runSelect(QWidget* button, const char* successKey, const char* failureKey)
{
    if (!TagOpReaderReady()) {
        return false;
    }
    auto call = std::make_shared<TagSelectCall>();
    call->keep = ui->keepCheck->isChecked();
    const TagOpHex::Check check =
        TagOpHex::checkSelect(ui->areaCombo->currentIndex(), ui->startEdit->text(), ui->matchLenEdit->text(),
                              ui->matchDataEdit->text(), call->keep, &call->params);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return false;
    }
    const intptr_t handle = TagOpHandle();
    return RunReaderCall(
        m_runner, this, button, [call, handle] { return call->run(handle); },
        [call, successKey, failureKey](const ReaderCallResult& r) {
            if (call->storeFailed) {
                LogFailure("IDCS_TAG_PARAM_SET_FAILED", r.errorCode);
                return;
            }
            if (r.ok) {
                if (call->keep) {
                    LogKey("IDCS_TAG_PARAM_SET_SUCCESS");
                }
                AppContext::Instance()->SelectApplied(call->params, call->keep);
            }
            TagOpReport(r, successKey, failureKey);
        });
}

void TagSelectFor6CDlg::slot_SelectBtnClicked()
{
    runSelect(ui->selectBtn, "IDCS_TAG_SELECT_SUCCESS", "IDCS_TAG_SELECT_FAILED");
}

void TagSelectFor6CDlg::slot_NoSelectBtnClicked()
{
    ui->startEdit->setText(QStringLiteral("0"));
    ui->matchLenEdit->setText(QStringLiteral("0"));
    ui->matchDataEdit->clear();
    runSelect(ui->noSelectBtn, "IDCS_NO_SELECT_SUCCESS", "IDCS_NO_SELECT_FAILED");
}

bool TagSelectFor6CDlg::selectTag(int bank, int start, int length, const QString& hexData)
{
    if (bank < 0 || bank >= ui->areaCombo->count()) {
        LogKey("IDCS_TAG_SELECT_FAILED");
        return false;
    }
    ui->areaCombo->setCurrentIndex(bank);
    ui->startEdit->setText(QString::number(start));
    ui->matchLenEdit->setText(QString::number(length));
    ui->matchDataEdit->setText(hexData);
    ui->keepCheck->setChecked(false);
    return runSelect(ui->selectBtn, "IDCS_TAG_SELECT_SUCCESS", "IDCS_TAG_SELECT_FAILED");
}
