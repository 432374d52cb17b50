#include "gui/wireless/WirelessSysinfoWidget.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IdentityClock.h"
#include "core/wireless/WirelessDeviceConfig.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "ui_WirelessSysinfoWidget.h"

#include <QDateTime>

namespace {
WIRELESS_HANDLE Handle()
{
    return WirelessReaderRegistry::Instance()->Handle();
}
} // namespace

WirelessSysinfoWidget::WirelessSysinfoWidget(WirelessReaderSource source, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WirelessSysinfoWidget>()), m_reader(std::move(source))
{
    ui->setupUi(this);
    ui->infoGroup->setTitle(LangText("IDCS_DEVICE_INFO"));
    ui->timeGroup->setTitle(LangText("IDCS_TIME_CONFIG"));
    QLabel* const labels[] = {ui->nameLabel, ui->snLabel, ui->typeLabel, ui->softLabel, ui->hardLabel};
    const auto& fields = WirelessDeviceConfig::identityFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        labels[i]->setText(LangText(fields[i].labelKey));
    }
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
    ui->dateLabel->setText(LangText("IDCS_DATE"));
    ui->timeLabel->setText(LangText("IDCS_TIME"));
    ui->curTimeBtn->setText(LangText("IDCS_GET_CURTIME"));
    ui->queryTimeBtn->setText(LangText("IDCS_QUERY"));
    ui->setTimeBtn->setText(LangText("IDCS_SET"));
    // The record keeps the year within the century, read back as 20xx.
    ui->dateEdit->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    connect(ui->queryBtn, &QPushButton::clicked, this, &WirelessSysinfoWidget::slot_QueryBtnClicked);
    connect(ui->queryTimeBtn, &QPushButton::clicked, this, &WirelessSysinfoWidget::slot_QueryTimeBtnClicked);
    connect(ui->setTimeBtn, &QPushButton::clicked, this, &WirelessSysinfoWidget::slot_SetBtnTimeClicked);
    connect(ui->curTimeBtn, &QPushButton::clicked, this, &WirelessSysinfoWidget::slot_GetCurtimeBtnClicked);
}

WirelessSysinfoWidget::~WirelessSysinfoWidget() = default;

QLabel* WirelessSysinfoWidget::valueLabel(int field) const
{
    QLabel* const values[] = {ui->nameValue, ui->snValue, ui->typeValue, ui->softValue, ui->hardValue};
    return field >= 0 && field < 5 ? values[field] : nullptr;
}

void WirelessSysinfoWidget::slot_QueryBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    // Every record is read whatever became of the others.
    const auto& fields = WirelessDeviceConfig::identityFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char buffer[IdentityClock::kQueryBufferSize] = {};
        unsigned char length = IdentityClock::kQueryBufferSize;
        if (!WIRELESS_ZALT_SysInfQuery(Handle(), reader, fields[i].type, buffer, &length)) {
            LogKey(fields[i].failedKey, true);
            continue;
        }
        valueLabel(static_cast<int>(i))->setText(IdentityClock::identityText(buffer, length));
        LogKey(fields[i].successKey);
    }
}

void WirelessSysinfoWidget::slot_QueryTimeBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char buffer[IdentityClock::kClockQueryBufferSize] = {};
    unsigned char length = IdentityClock::kClockQueryBufferSize;
    if (!WIRELESS_ZALT_ReaderTimeQuery(Handle(), reader, buffer, &length)) {
        LogKey("IDCS_QUERY_TIME_CONFIG_FAILED", true);
        return;
    }
    QDate date;
    QTime time;
    if (!IdentityClock::decodeClock(buffer, length, &date, &time)) {
        LogKey("IDCS_QUERY_TIME_CONFIG_FAILED");
        return;
    }
    ui->dateEdit->setDate(date);
    ui->timeEdit->setTime(time);
    LogKey("IDCS_QUERY_TIME_CONFIG_SUCCESS");
}

void WirelessSysinfoWidget::slot_SetBtnTimeClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const QByteArray record = IdentityClock::clockRecord(ui->dateEdit->date(), ui->timeEdit->time());
    const bool ok = WIRELESS_ZALT_SetReaderTime(Handle(), reader,
                                                reinterpret_cast<const unsigned char*>(record.constData()),
                                                static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? "IDCS_SET_TIME_CONFIG_SUCCESS" : "IDCS_SET_TIME_CONFIG_FAILED", !ok);
}

void WirelessSysinfoWidget::slot_GetCurtimeBtnClicked()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateEdit->setDate(now.date());
    ui->timeEdit->setTime(now.time());
}
