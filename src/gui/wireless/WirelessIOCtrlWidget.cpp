#include "gui/wireless/WirelessIOCtrlWidget.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IoSettings.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "ui_WirelessIOCtrlWidget.h"

#include <array>

namespace {
WIRELESS_HANDLE Handle()
{
    return WirelessReaderRegistry::Instance()->Handle();
}
} // namespace

WirelessIOCtrlWidget::WirelessIOCtrlWidget(WirelessReaderSource source, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WirelessIOCtrlWidget>()), m_reader(std::move(source))
{
    ui->setupUi(this);
    ui->outputGroup->setTitle(LangText("IDCS_IO_OUTPUT_OP"));
    ui->ctrlGroup->setTitle(LangText("IDCS_CONTRL_OUT"));
    const QStringList actions = {LangText("IDCS_OUTPUT_LOW_VOLTAGE"), LangText("IDCS_OUTPUT_HIGH_VOLTAGE"),
                                 LangText("IDCS_OUTPUT_IMPULSE_PLUS"), LangText("IDCS_OUTPUT_IMPULSE_MINUS")};
    for (int n = 1; n <= IoSettings::kOutputCount; ++n) {
        findChild<QLabel*>(QStringLiteral("output%1Label").arg(n))->setText(LangText("IDCS_PORT_1").arg(n));
        actionList(n)->addItems(actions);
        findChild<QPushButton*>(QStringLiteral("startPort%1Btn").arg(n))->setText(LangText("IDCS_EXECUTE"));
    }
    for (int r = 0; r < IoSettings::kTriggerRows; ++r) {
        findChild<QLabel*>(QStringLiteral("ctrlLabel%1").arg(r))
            ->setText(r == 0 ? LangText("IDCS_BUZZER") : LangText("IDCS_PORT_1").arg(r));
        triggerCheck(r)->setText(LangText("IDCS_OUT"));
        findChild<QLabel*>(QStringLiteral("pulseLabel%1").arg(r))->setText(LangText("IDCS_PULSE_SIZE"));
    }
    ui->ctrlQueryBtn->setText(LangText("IDCS_QUERY"));
    ui->ctrlSetBtn->setText(LangText("IDCS_EXECUTE"));

    using W = WirelessIOCtrlWidget;
    connect(ui->startPort1Btn, &QPushButton::clicked, this, &W::slot_StartPort1Clicked);
    connect(ui->startPort2Btn, &QPushButton::clicked, this, &W::slot_StartPort2Clicked);
    connect(ui->startPort3Btn, &QPushButton::clicked, this, &W::slot_StartPort3Clicked);
    connect(ui->startPort4Btn, &QPushButton::clicked, this, &W::slot_StartPort4Clicked);
    connect(ui->ctrlQueryBtn, &QPushButton::clicked, this, &W::slot_CtrlOutQueryBtnClicked);
    connect(ui->ctrlSetBtn, &QPushButton::clicked, this, &W::slot_CtrlOutSetBtnClicked);
}

WirelessIOCtrlWidget::~WirelessIOCtrlWidget() = default;

QComboBox* WirelessIOCtrlWidget::actionList(int output) const
{
    return findChild<QComboBox*>(QStringLiteral("actionCombo%1").arg(output));
}

QCheckBox* WirelessIOCtrlWidget::triggerCheck(int row) const
{
    return findChild<QCheckBox*>(QStringLiteral("outCheck%1").arg(row));
}

QSpinBox* WirelessIOCtrlWidget::pulseSpin(int row) const
{
    return findChild<QSpinBox*>(QStringLiteral("pulseSpin%1").arg(row));
}

void WirelessIOCtrlWidget::startPort(int output)
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const auto action = static_cast<unsigned char>(actionList(output)->currentIndex());
    const bool ok =
        WIRELESS_ZALT_IOOperate(Handle(), reader, static_cast<unsigned char>(output), action) != 0;
    AppContext::Instance()->logMessage(
        LangText(ok ? "IDCS_PORT_SET_SUCCESS_1" : "IDCS_PORT_SET_FAILED_1").arg(output), !ok);
}

void WirelessIOCtrlWidget::slot_StartPort1Clicked()
{
    startPort(1);
}

void WirelessIOCtrlWidget::slot_StartPort2Clicked()
{
    startPort(2);
}

void WirelessIOCtrlWidget::slot_StartPort3Clicked()
{
    startPort(3);
}

void WirelessIOCtrlWidget::slot_StartPort4Clicked()
{
    startPort(4);
}

void WirelessIOCtrlWidget::slot_CtrlOutQueryBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char setting = 0;
    const bool ok = WIRELESS_ZALT_Reading_IOQuery(Handle(), reader, &setting) != 0;
    if (!ok) {
        LogKey("IDCS_QUERY_FAILED", true);
    } else {
        const auto rows = IoSettings::triggerRows(setting);
        for (int r = 0; r < IoSettings::kTriggerRows; ++r) {
            triggerCheck(r)->setChecked(rows[static_cast<size_t>(r)]);
        }
        LogKey("IDCS_QUERY_SUCCESS");
        // Widths are extra: a line that cannot be read ends them quietly.
        for (int line = 0; line < IoSettings::kTriggerRows; ++line) {
            unsigned char width = 0;
            if (!WIRELESS_ZALT_IOPulseWidthQuery(Handle(), reader, static_cast<unsigned char>(line),
                                                 &width)) {
                break;
            }
            pulseSpin(line)->setValue(width);
        }
    }
    LogKey(ok ? "IDCS_QUERY_SUCCESS" : "IDCS_QUERY_FAILED", !ok);
}

bool WirelessIOCtrlWidget::setTriggeredOutputs(quintptr reader)
{
    // Widths first: the outputs are switched on only with every width in place.
    std::array<bool, IoSettings::kTriggerRows> rows{};
    for (int line = 0; line < IoSettings::kTriggerRows; ++line) {
        if (!WIRELESS_ZALT_IOPulseWidthSet(Handle(), reader, static_cast<unsigned char>(line),
                                           pulseSpin(line)->value())) {
            return false;
        }
        rows[static_cast<size_t>(line)] = triggerCheck(line)->isChecked();
    }
    return WIRELESS_ZALT_Reading_IOConfig(Handle(), reader, IoSettings::triggerByte(rows)) != 0;
}

void WirelessIOCtrlWidget::slot_CtrlOutSetBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const bool ok = setTriggeredOutputs(reader);
    LogKey(ok ? "IDCS_SET_SUCCESS" : "IDCS_SET_FAILED", !ok);
}
