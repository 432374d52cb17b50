#include "gui/tagops/TagSelectFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/tagops/TagOpHex.h"
#include "gui/tagops/TagOpFor6CDlg.h"
#include "ui_TagSelectFor6CDlg.h"

#include <zaltlink.h>

#include <QRegularExpressionValidator>

TagSelectFor6CDlg::TagSelectFor6CDlg(TagOpFor6CDlg* owner, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TagSelectFor6CDlg>()), m_owner(owner)
{
    ui->setupUi(this);
    ui->titleLabel->setText(LangText("IDCS_TAG_SELECT"));
    ui->areaLabel->setText(LangText("IDCS_AREA"));
    for (const char* key : {"IDCS_EPC", "IDCS_TID", "IDCS_USER"}) {
        ui->areaCombo->addItem(LangText(key));
    }
    ui->startLabel->setText(LangText("IDCS_START_ADDR_BYTE_HEX"));
    ui->matchLenLabel->setText(LangText("IDCS_MATCH_LEN_BIT"));
    ui->matchDataLabel->setText(LangText("IDCS_MATCH_DATA_HEX"));
    ui->defaultConfigLabel->setText(LangText("IDCS_DEFAULT_CONFIG"));
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

bool TagSelectFor6CDlg::runSelect()
{
    if (!TagOpReaderReady()) {
        return false;
    }
    const bool keep = ui->keepCheck->isChecked();
    TagOpHex::SelectParams p;
    const TagOpHex::Check check =
        TagOpHex::checkSelect(ui->areaCombo->currentIndex(), ui->startEdit->text(), ui->matchLenEdit->text(),
                              ui->matchDataEdit->text(), keep, &p);
    if (check != TagOpHex::Check::Ok) {
        LogKey(TagOpHex::refusalKey(check));
        return false;
    }
    const auto handle = static_cast<ZALT_HANDLE>(TagOpHandle());
    if (keep) {
        const QByteArray record = TagOpHex::selectRecord(p);
        const bool stored =
            ZALT_TagOpParaSet(handle, 0x11, reinterpret_cast<const unsigned char*>(record.constData()),
                              static_cast<unsigned char>(record.size()));
        LogKey(stored ? "IDCS_TAG_PARAM_SET_SUCCESS" : "IDCS_TAG_PARAM_SET_FAILED");
        if (!stored) {
            return false;
        }
    }
    unsigned char data[1024] = {};
    std::copy(p.data.constBegin(), p.data.constEnd(), data);
    return ZALT_6CTagSelect(handle, static_cast<unsigned char>(p.bank), p.startBits, p.lengthBits, data,
                            static_cast<unsigned char>(p.data.size()), 0, 0, 0) != 0;
}

void TagSelectFor6CDlg::slot_SelectBtnClicked()
{
    const bool ok = runSelect();
    LogKey(ok ? "IDCS_TAG_SELECT_SUCCESS" : "IDCS_TAG_SELECT_FAILED");
}

void TagSelectFor6CDlg::slot_NoSelectBtnClicked()
{
    ui->startEdit->setText(QStringLiteral("0"));
    ui->matchLenEdit->setText(QStringLiteral("0"));
    ui->matchDataEdit->clear();
    const bool ok = runSelect();
    LogKey(ok ? "IDCS_NO_SELECT_SUCCESS" : "IDCS_NO_SELECT_FAILED");
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
    const bool ok = runSelect();
    LogKey(ok ? "IDCS_TAG_SELECT_SUCCESS" : "IDCS_TAG_SELECT_FAILED");
    return ok;
}
