#include "gui/config6c/IoConfigFor6CDlg.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IoSettings.h"
#include "gui/config6c/Config6CLink.h"
#include "ui_IoConfigFor6CDlg.h"

#include <array>

IoConfigFor6CDlg::IoConfigFor6CDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::IoConfigFor6CDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_IO_CONTRL"));
    ui->inputGroup->setTitle(LangText("IDCS_IO_INPUT_OP"));
    ui->outputGroup->setTitle(LangText("IDCS_IO_OUTPUT_OP"));
    ui->ctrlGroup->setTitle(LangText("IDCS_CONTRL_OUT"));
    ui->input0Label->setText(LangText("IDCS_PORT_1").arg(0));
    ui->input1Label->setText(LangText("IDCS_PORT_1").arg(1));
    ui->queryInBtn->setText(LangText("IDCS_QUERY"));

    const QStringList actions = {LangText("IDCS_OUTPUT_LOW_VOLTAGE"), LangText("IDCS_OUTPUT_HIGH_VOLTAGE"),
                                 LangText("IDCS_OUTPUT_IMPULSE_PLUS"), LangText("IDCS_OUTPUT_IMPULSE_MINUS")};
    for (int n = 1; n <= IoSettings::kOutputCount; ++n) {
        findChild<QLabel*>(QStringLiteral("output%1Label").arg(n))->setText(LangText("IDCS_PORT_1").arg(n));
        actionList(n)->addItems(actions);
        findChild<QPushButton*>(QStringLiteral("putout%1Btn").arg(n))->setText(LangText("IDCS_EXECUTE"));
    }
    for (int r = 0; r < IoSettings::kTriggerRows; ++r) {
        findChild<QLabel*>(QStringLiteral("ctrlLabel%1").arg(r))
            ->setText(r == 0 ? LangText("IDCS_BUZZER") : LangText("IDCS_PORT_1").arg(r));
        triggerCheck(r)->setText(LangText("IDCS_OUT"));
        findChild<QLabel*>(QStringLiteral("pulseLabel%1").arg(r))->setText(LangText("IDCS_PULSE_SIZE"));
    }
    ui->ctrlQueryBtn->setText(LangText("IDCS_QUERY"));
    ui->ctrlSetBtn->setText(LangText("IDCS_EXECUTE"));

    connect(ui->queryInBtn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_QueryInBtnClicked);
    connect(ui->putout1Btn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_Putout1BtnClicked);
    connect(ui->putout2Btn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_Putout2BtnClicked);
    connect(ui->putout3Btn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_Putout3BtnClicked);
    connect(ui->putout4Btn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_Putout4BtnClicked);
    connect(ui->ctrlQueryBtn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_CtrlOutQueryBtnClicked);
    connect(ui->ctrlSetBtn, &QPushButton::clicked, this, &IoConfigFor6CDlg::slot_CtrlOutSetBtnClicked);
}

IoConfigFor6CDlg::~IoConfigFor6CDlg() = default;

QCheckBox* IoConfigFor6CDlg::triggerCheck(int row) const
{
    return findChild<QCheckBox*>(QStringLiteral("outCheck%1").arg(row));
}

QSpinBox* IoConfigFor6CDlg::pulseSpin(int row) const
{
    return findChild<QSpinBox*>(QStringLiteral("pulseSpin%1").arg(row));
}

QComboBox* IoConfigFor6CDlg::actionList(int output) const
{
    return findChild<QComboBox*>(QStringLiteral("actionCombo%1").arg(output));
}

void IoConfigFor6CDlg::slot_QueryInBtnClicked()
{
    if (!Config6CReaderReady()) {
        return;
    }
    unsigned char state[2] = {};
    if (!ZALT_IOStateQuery(Config6CHandle(), state)) {
        ui->input0Edit->clear();
        ui->input1Edit->clear();
        LogKey("IDCS_QUERY_FAILED", true);
        return;
    }
    QLineEdit* const fields[IoSettings::kInputCount] = {ui->input0Edit, ui->input1Edit};
    for (int i = 0; i < IoSettings::kInputCount; ++i) {
        fields[i]->setText(
            LangText(IoSettings::inputHigh(state[0], i) ? "IDCS_HIGH_VOLTAGE" : "IDCS_LOW_VOLTAGE"));
    }
    LogKey("IDCS_QUERY_SUCCESS");
}

void IoConfigFor6CDlg::putOut(int output)
{
    if (!Config6CReaderReady()) {
        return;
    }
    const auto action = static_cast<unsigned char>(actionList(output)->currentIndex());
    const bool ok = ZALT_IOOperate(Config6CHandle(), static_cast<unsigned char>(output), action) != 0;
    LogKey(ok ? "IDCS_SET_SUCCESS" : "IDCS_SET_FAILED", !ok);
}

void IoConfigFor6CDlg::slot_CtrlOutQueryBtnClicked()
{
    bool ok = Config6CReaderReady();
    unsigned char setting = 0;
    if (ok && !ZALT_Reading_IOQuery(Config6CHandle(), &setting)) {
        LogKey("IDCS_QUERY_FAILED", true);
        ok = false;
    } else if (ok) {
        const auto rows = IoSettings::triggerRows(setting);
        for (int r = 0; r < IoSettings::kTriggerRows; ++r) {
            triggerCheck(r)->setChecked(rows[static_cast<size_t>(r)]);
        }
        LogKey("IDCS_QUERY_SUCCESS");
        // Widths are extra: a line that cannot be read ends them quietly.
        for (int line = 0; line < IoSettings::kTriggerRows; ++line) {
            unsigned char width = 0;
            if (!ZALT_IOPulseWidthQuery(Config6CHandle(), static_cast<unsigned char>(line), &width)) {
                break;
            }
            pulseSpin(line)->setValue(width);
        }
    }
    LogKey(ok ? "IDCS_QUERY_SUCCESS" : "IDCS_QUERY_FAILED", !ok);
}

bool IoConfigFor6CDlg::setTriggeredOutputs()
{
    if (!Config6CReaderReady()) {
        return false;
    }
    // Widths first: the outputs are switched on only with every width in place.
    std::array<bool, IoSettings::kTriggerRows> rows{};
    for (int line = 0; line < IoSettings::kTriggerRows; ++line) {
        if (!ZALT_IOPulseWidthSet(Config6CHandle(), static_cast<unsigned char>(line),
                                  pulseSpin(line)->value())) {
            return false;
        }
        rows[static_cast<size_t>(line)] = triggerCheck(line)->isChecked();
    }
    return ZALT_Reading_IOConfig(Config6CHandle(), IoSettings::triggerByte(rows)) != 0;
}

void IoConfigFor6CDlg::slot_CtrlOutSetBtnClicked()
{
    const bool ok = setTriggeredOutputs();
    LogKey(ok ? "IDCS_SET_SUCCESS" : "IDCS_SET_FAILED", !ok);
}
