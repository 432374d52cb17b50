#include "gui/wireless/WirelessReadConfigWidget.h"

#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/config6c/RfSettings.h"
#include "core/wireless/WirelessDeviceConfig.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "ui_WirelessReadConfigWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>

#include <algorithm>
#include <array>

namespace {
const int kPointRole = Qt::UserRole + 1;
const int kPointQueryBufferSize = 255;

WIRELESS_HANDLE Handle()
{
    return WirelessReaderRegistry::Instance()->Handle();
}

int SamePower(int position)
{
    return position;
}

QListWidgetItem* FindPoint(QListWidget* list, int index)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(kPointRole).toInt() == index) {
            return list->item(i);
        }
    }
    return nullptr;
}
} // namespace

WirelessReadConfigWidget::WirelessReadConfigWidget(WirelessReaderSource source, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WirelessReadConfigWidget>()), m_reader(std::move(source))
{
    ui->setupUi(this);
    ui->antennaGroup->setTitle(LangText("IDCS_ANTENNA_PORT_SET"));
    ui->pointGroup->setTitle(LangText("IDCS_POINT_SET"));
    ui->readAntennaGroup->setTitle(LangText("IDCS_READ_ANTENNA"));
    const char* const antennaKeys[] = {"IDCS_ANTENNA_ONE", "IDCS_ANTENNA_TWO", "IDCS_ANTENNA_THREE",
                                       "IDCS_ANTENNA_FOUR"};
    const DeviceProfile* profile = DeviceProfile::Instance();
    const QString group = QStringLiteral("WirelessReadConfigWidget");
    const QStringList powers =
        WirelessDeviceConfig::powerList(profile->GetValue(group, QStringLiteral("ANTENNA_POWER_START")),
                                        profile->GetValue(group, QStringLiteral("ANTENNA_POWER_END")));
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        antennaCheck(a)->setText(LangText(antennaKeys[a - 1]));
        findChild<QLabel*>(QStringLiteral("powerLabel%1").arg(a))->setText(LangText("IDCS_POWER"));
        findChild<QLabel*>(QStringLiteral("dwellLabel%1").arg(a))->setText(LangText("IDCS_ANTENNA_TIME"));
        powerList(a)->addItems(powers);
        dwellSpin(a)->setRange(1, 255);
        dwellSpin(a)->setValue(1);
    }
    ui->qurAntennaBtn->setText(LangText("IDCS_QUERY"));
    ui->setAntennaBtn->setText(LangText("IDCS_CONFIG"));
    ui->qurPointBtn->setText(LangText("IDCS_QUERY"));
    ui->setPointBtn->setText(LangText("IDCS_CONFIG"));
    ui->selectAllPointBtn->setText(LangText("IDCS_SELECT_ALL"));
    ui->noSelectAllPointBtn->setText(LangText("IDCS_SELECT_ALLNOT"));
    ui->readAntennaLabel->setText(LangText("IDCS_ANTENNA_NO"));
    ui->queryReadAntennaBtn->setText(LangText("IDCS_QUERY"));
    ui->setReadAntennaBtn->setText(LangText("IDCS_SET"));
    ui->readAntennaCb->addItem(LangText("IDCS_POLL"));
    for (const char* key : antennaKeys) {
        ui->readAntennaCb->addItem(LangText(key));
    }
    ui->readAntennaCb->setCurrentIndex(1);

    const QStringList points = WirelessDeviceConfig::frequencyPoints();
    for (int i = 0; i < points.size(); ++i) {
        auto* item = new QListWidgetItem(points.at(i));
        item->setData(kPointRole, i);
        ui->pointLW->addItem(item);
    }

    using W = WirelessReadConfigWidget;
    connect(ui->qurAntennaBtn, &QPushButton::clicked, this, &W::slot_QurAntennaBtnClicked);
    connect(ui->setAntennaBtn, &QPushButton::clicked, this, &W::slot_SetAntennaBtnClicked);
    connect(ui->qurPointBtn, &QPushButton::clicked, this, &W::slot_QurPointBtnClicked);
    connect(ui->setPointBtn, &QPushButton::clicked, this, &W::slot_SetPointBtnClicked);
    connect(ui->selectAllPointBtn, &QPushButton::clicked, this, &W::slot_SelectAllPointBtnClicked);
    connect(ui->noSelectAllPointBtn, &QPushButton::clicked, this, &W::slot_NoSelectAllPointBtnClicked);
    connect(ui->selectPointBtn, &QPushButton::clicked, this, &W::slot_SelectPointBtnClicked);
    connect(ui->noSelectPointBtn, &QPushButton::clicked, this, &W::slot_NoSelectPointBtnClicked);
    connect(ui->pointLW, &QListWidget::itemDoubleClicked, this, &W::slot_PonitLWDoubleClicked);
    connect(ui->setPointLW, &QListWidget::itemDoubleClicked, this, &W::slot_SetPonitLWDoubleClicked);
    connect(ui->queryReadAntennaBtn, &QPushButton::clicked, this, &W::slot_QueryReadAntennaBtnClicked);
    connect(ui->setReadAntennaBtn, &QPushButton::clicked, this, &W::slot_SetReadAntennaBtnClicked);
}

WirelessReadConfigWidget::~WirelessReadConfigWidget() = default;

QCheckBox* WirelessReadConfigWidget::antennaCheck(int antenna) const
{
    return findChild<QCheckBox*>(QStringLiteral("antennaCheck%1").arg(antenna));
}

QComboBox* WirelessReadConfigWidget::powerList(int antenna) const
{
    return findChild<QComboBox*>(QStringLiteral("powerCombo%1").arg(antenna));
}

QSpinBox* WirelessReadConfigWidget::dwellSpin(int antenna) const
{
    return findChild<QSpinBox*>(QStringLiteral("dwellSpin%1").arg(antenna));
}

QListWidget* WirelessReadConfigWidget::availableList() const
{
    return ui->pointLW;
}

QListWidget* WirelessReadConfigWidget::chosenList() const
{
    return ui->setPointLW;
}

QList<int> WirelessReadConfigWidget::chosenPoints() const
{
    QList<int> points;
    for (int i = 0; i < ui->setPointLW->count(); ++i) {
        points << ui->setPointLW->item(i)->data(kPointRole).toInt();
    }
    return points;
}

QComboBox* WirelessReadConfigWidget::readAntennaList() const
{
    return ui->readAntennaCb;
}

void WirelessReadConfigWidget::slot_QurAntennaBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        unsigned char enabled = 0;
        unsigned char power = 0;
        unsigned char dwell = 0;
        if (!WIRELESS_ZALT_AntennaParmQuery(Handle(), reader, static_cast<unsigned char>(a), &enabled, &power,
                                            &dwell)) {
            LogKey("IDCS_ANTENNA_STATE_QUERY_FAILED", true);
            return;
        }
        antennaCheck(a)->setChecked(enabled != 0);
        // A byte past the list shows no entry.
        powerList(a)->setCurrentIndex(power < powerList(a)->count() ? power : -1);
        dwellSpin(a)->setValue(dwell);
    }
    LogKey("IDCS_ANTENNA_STATE_QUERY_SUCCESS");
}

void WirelessReadConfigWidget::slot_SetAntennaBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    std::array<RfSettings::Antenna, RfSettings::kAntennaCount> antennas{};
    for (int a = 1; a <= RfSettings::kAntennaCount; ++a) {
        RfSettings::Antenna& antenna = antennas[static_cast<size_t>(a - 1)];
        antenna.enabled = antennaCheck(a)->isChecked();
        antenna.powerPosition = powerList(a)->currentIndex();
        antenna.dwell = dwellSpin(a)->value();
        if (antenna.powerPosition < 0) {
            LogKey("IDCS_INPUT_EMPTY");
            return;
        }
    }
    const QByteArray record = RfSettings::antennaRecord(antennas, SamePower);
    const bool ok = WIRELESS_ZALT_AntennaParmSet(Handle(), reader,
                                                 reinterpret_cast<const unsigned char*>(record.constData()),
                                                 static_cast<unsigned char>(record.size())) != 0;
    LogKey(ok ? "IDCS_ANTENNA_STATE_SET_SUCCESS" : "IDCS_ANTENNA_STATE_SET_FAILED", !ok);
}

void WirelessReadConfigWidget::moveItem(QListWidgetItem* item, QListWidget* from, QListWidget* to)
{
    const int index = item->data(kPointRole).toInt();
    if (!FindPoint(to, index)) {
        auto* copy = new QListWidgetItem(item->text());
        copy->setData(kPointRole, index);
        to->addItem(copy);
        to->sortItems(Qt::AscendingOrder);
    }
    delete from->takeItem(from->row(item));
}

void WirelessReadConfigWidget::moveAll(QListWidget* from, QListWidget* to, bool selectedOnly)
{
    const QList<QListWidgetItem*> items =
        selectedOnly ? from->selectedItems() : from->findItems(QStringLiteral("*"), Qt::MatchWildcard);
    for (QListWidgetItem* item : items) {
        moveItem(item, from, to);
    }
}

void WirelessReadConfigWidget::slot_QurPointBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char buffer[kPointQueryBufferSize] = {};
    unsigned char length = kPointQueryBufferSize;
    if (!WIRELESS_ZALT_RFParaQuery(Handle(), reader, 0, buffer, &length)) {
        LogKey("IDCS_FREQUENCY_POINT_QUERY_FAILED", true);
        return;
    }
    moveAll(ui->setPointLW, ui->pointLW, false);
    LogKey("IDCS_FREQUENCY_POINT_QUERY_SUCCESS");
    for (int i = 0; i < length; ++i) {
        QListWidgetItem* item = FindPoint(ui->pointLW, buffer[i]);
        if (!item) {
            LogKey("IDCS_FREQUENCY_POINT_FORMAT_QUERY_FAILED");
            break;
        }
        moveItem(item, ui->pointLW, ui->setPointLW);
    }
}

void WirelessReadConfigWidget::slot_SetPointBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char buffer[RfSettings::kMaxPoints] = {};
    const QList<int> points = chosenPoints();
    const int count = std::min(static_cast<int>(points.size()), RfSettings::kMaxPoints);
    for (int i = 0; i < count; ++i) {
        buffer[i] = static_cast<unsigned char>(points.at(i));
    }
    const bool ok =
        WIRELESS_ZALT_RFParaSet(Handle(), reader, 0, static_cast<unsigned char>(count), buffer) != 0;
    LogKey(ok ? "IDCS_FREQUENCY_POINT_SET_SUCCESS" : "IDCS_FREQUENCY_POINT_SET_FAILED", !ok);
}

void WirelessReadConfigWidget::slot_SelectAllPointBtnClicked()
{
    moveAll(ui->pointLW, ui->setPointLW, false);
}

void WirelessReadConfigWidget::slot_NoSelectAllPointBtnClicked()
{
    moveAll(ui->setPointLW, ui->pointLW, false);
}

void WirelessReadConfigWidget::slot_SelectPointBtnClicked()
{
    moveAll(ui->pointLW, ui->setPointLW, true);
}

void WirelessReadConfigWidget::slot_NoSelectPointBtnClicked()
{
    moveAll(ui->setPointLW, ui->pointLW, true);
}

void WirelessReadConfigWidget::slot_PonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->pointLW, ui->setPointLW);
    }
}

void WirelessReadConfigWidget::slot_SetPonitLWDoubleClicked(QListWidgetItem* item)
{
    if (item) {
        moveItem(item, ui->setPointLW, ui->pointLW);
    }
}

void WirelessReadConfigWidget::slot_QueryReadAntennaBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    unsigned char length = 1;
    if (!WIRELESS_ZALT_ParmOp(Handle(), reader, 2, WirelessDeviceConfig::kReadAntennaAddress, 1, &value,
                              &length)) {
        LogKey("IDCS_ANTENNA_PORT_QUERY_FAILED", true);
        return;
    }
    ui->readAntennaCb->setCurrentIndex(value < ui->readAntennaCb->count() ? value : -1);
    LogKey("IDCS_ANTENNA_PORT_QUERY_SUCCESS");
}

void WirelessReadConfigWidget::slot_SetReadAntennaBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const int position = ui->readAntennaCb->currentIndex();
    if (position < 0) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    unsigned char value = static_cast<unsigned char>(position);
    unsigned char length = 1;
    const bool ok = WIRELESS_ZALT_ParmOp(Handle(), reader, 1, WirelessDeviceConfig::kReadAntennaAddress, 1,
                                         &value, &length) != 0;
    LogKey(ok ? "IDCS_ANTENNA_PORT_SET_SUCCESS" : "IDCS_ANTENNA_PORT_SET_FAILED", !ok);
}
