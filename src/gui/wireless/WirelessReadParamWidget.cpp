#include "gui/wireless/WirelessReadParamWidget.h"

#include "core/app/AppContext.h"
#include "core/app/LanguageText.h"
#include "core/config6c/IoSettings.h"
#include "core/config6c/ParamTable.h"
#include "core/wireless/WirelessDeviceConfig.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "ui_WirelessReadParamWidget.h"

namespace {
const unsigned char kFilterOnType = 2;
const unsigned char kFilterTimeType = 3;

WIRELESS_HANDLE Handle()
{
    return WirelessReaderRegistry::Instance()->Handle();
}

bool ReadByte(quintptr reader, unsigned char address, unsigned char* value)
{
    unsigned char length = 1;
    *value = 0;
    return WIRELESS_ZALT_ParmOp(Handle(), reader, 2, address, 1, value, &length) != 0;
}

bool WriteByte(quintptr reader, unsigned char address, unsigned char value)
{
    unsigned char length = 1;
    return WIRELESS_ZALT_ParmOp(Handle(), reader, 1, address, 1, &value, &length) != 0;
}

bool QueryTagOp(quintptr reader, unsigned char type, unsigned char* value)
{
    unsigned char length = 1;
    *value = 0;
    return WIRELESS_ZALT_TagOpParaQuery(Handle(), reader, type, value, &length) != 0;
}

void FillList(QComboBox* list, int row)
{
    for (const QString& key : ParamTable::rowInfo(row).listKeys) {
        list->addItem(LangText(key));
    }
}
} // namespace

WirelessReadParamWidget::WirelessReadParamWidget(WirelessReaderSource source, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::WirelessReadParamWidget>()), m_reader(std::move(source))
{
    ui->setupUi(this);
    ui->flashGroup->setTitle(LangText("IDCS_FLASH"));
    ui->flashEnableCheck->setText(LangText("IDCS_ENABLE"));
    ui->flashCountLabel->setText(LangText("IDCS_TAG_COUNT"));
    ui->filterGroup->setTitle(LangText("IDCS_FILTER_TAG"));
    ui->filterEnableCheck->setText(LangText("IDCS_ENABLE"));
    ui->filterTimeLabel->setText(LangText("IDCS_FILTER_TAG_TIME_LIMIT_1_255"));
    ui->paramGroup->setTitle(LangText("IDCS_READ_CARD_CONFIG"));
    ui->readSpaceLabel->setText(LangText("IDCS_READSPCE_TIME"));
    ui->workModeLabel->setText(LangText("IDCS_WORK_MODEL_PARAM"));
    ui->connetValueLabel->setText(LangText("IDCS_CONNET_PORT"));
    for (QPushButton* b : {ui->flashQueryBtn, ui->flashTagCountBtn, ui->filterQueryBtn, ui->readSpaceQueryBtn,
                           ui->workModeQueryBtn, ui->connetValueQueryBtn}) {
        b->setText(LangText("IDCS_QUERY"));
    }
    for (QPushButton* b : {ui->flashEnableBtn, ui->filterEnableBtn, ui->filterTimeBtn, ui->readSpaceSetBtn,
                           ui->workModeSetBtn, ui->connetValueSetBtn}) {
        b->setText(LangText("IDCS_SET"));
    }
    ui->flashTagClearBtn->setText(LangText("IDCS_CLEAR"));
    ui->filterTimeSpin->setRange(1, 255);
    FillList(ui->workModeCb, ParamTable::WorkMode);
    FillList(ui->connetValueCb, ParamTable::ConnectPort);

    using W = WirelessReadParamWidget;
    connect(ui->flashEnableBtn, &QPushButton::clicked, this, &W::slot_FlashEnableBtnClicked);
    connect(ui->flashQueryBtn, &QPushButton::clicked, this, &W::slot_QueryFlashEnable);
    connect(ui->flashTagCountBtn, &QPushButton::clicked, this, &W::slot_FlashTagCountBtnClicked);
    connect(ui->flashTagClearBtn, &QPushButton::clicked, this, &W::slot_FlashTagClearBtnClicked);
    connect(ui->filterEnableBtn, &QPushButton::clicked, this, &W::slot_FilterEnableBtnClicked);
    connect(ui->filterTimeBtn, &QPushButton::clicked, this, &W::slot_FilterTimeBtnClicked);
    connect(ui->filterQueryBtn, &QPushButton::clicked, this, &W::slot_QueryFilter);
    connect(ui->readSpaceQueryBtn, &QPushButton::clicked, this, &W::slot_QueryReaderSpaceTime);
    connect(ui->readSpaceSetBtn, &QPushButton::clicked, this, &W::slot_SetReaderSpaceTime);
    connect(ui->workModeQueryBtn, &QPushButton::clicked, this, &W::slot_workModeQueryBtnClicked);
    connect(ui->workModeSetBtn, &QPushButton::clicked, this, &W::slot_workModeSetBtnClicked);
    connect(ui->connetValueQueryBtn, &QPushButton::clicked, this, &W::slot_connetValueQueryBtnClicked);
    connect(ui->connetValueSetBtn, &QPushButton::clicked, this, &W::slot_connetValueSetBtnClicked);
}

WirelessReadParamWidget::~WirelessReadParamWidget() = default;

QCheckBox* WirelessReadParamWidget::flashCheck() const
{
    return ui->flashEnableCheck;
}

QLineEdit* WirelessReadParamWidget::flashCountEdit() const
{
    return ui->flashCountEdit;
}

QCheckBox* WirelessReadParamWidget::filterCheck() const
{
    return ui->filterEnableCheck;
}

QSpinBox* WirelessReadParamWidget::filterTimeSpin() const
{
    return ui->filterTimeSpin;
}

QLineEdit* WirelessReadParamWidget::readIntervalEdit() const
{
    return ui->readSpaceEdit;
}

QComboBox* WirelessReadParamWidget::workModeList() const
{
    return ui->workModeCb;
}

QComboBox* WirelessReadParamWidget::connectPortList() const
{
    return ui->connetValueCb;
}

void WirelessReadParamWidget::slot_FlashEnableBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const bool ok = WriteByte(reader, WirelessDeviceConfig::kFlashStoreAddress,
                              ui->flashEnableCheck->isChecked() ? 1 : 0);
    LogKey(ok ? "IDCS_FLASH_ENABLE_SUCCESS" : "IDCS_FLASH_ENABLE_FAILED", !ok);
}

void WirelessReadParamWidget::slot_QueryFlashEnable()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    if (!ReadByte(reader, WirelessDeviceConfig::kFlashStoreAddress, &value)) {
        LogKey("IDCS_FLASH_ENABLE_QUERY_FAILED", true);
        return;
    }
    ui->flashEnableCheck->setChecked(value == 1);
    LogKey("IDCS_FLASH_ENABLE_QUERY_SUCCESS");
}

void WirelessReadParamWidget::slot_FlashTagCountBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char record[IoSettings::kFlashCountRecordSize] = {};
    unsigned char length = IoSettings::kFlashCountRecordSize;
    if (!WIRELESS_ZALT_FlashTotalCountQuery(Handle(), reader, record, &length) ||
        length < IoSettings::kFlashCountRecordSize) {
        LogKey("IDCS_FLASH_TAG_COUNT_FAILED", true);
        return;
    }
    ui->flashCountEdit->setText(QString::number(IoSettings::flashCount(record)));
    LogKey("IDCS_FLASH_TAG_COUNT_SUCCESS");
}

void WirelessReadParamWidget::slot_FlashTagClearBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    if (!WIRELESS_ZALT_ClearFlash(Handle(), reader)) {
        LogKey("IDCS_FLASH_CLEAR_FAILED", true);
        return;
    }
    ui->flashCountEdit->setText(QStringLiteral("0"));
    LogKey("IDCS_FLASH_CLEAR_SUCCESS");
}

void WirelessReadParamWidget::slot_FilterEnableBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const unsigned char value = ui->filterEnableCheck->isChecked() ? 1 : 0;
    const bool ok = WIRELESS_ZALT_TagOpParaSet(Handle(), reader, kFilterOnType, &value, 1) != 0;
    LogKey(ok ? "IDCS_FILTER_ENABLE_SUCCESS" : "IDCS_FILTER_ENABLE_FAILED", !ok);
}

void WirelessReadParamWidget::slot_FilterTimeBtnClicked()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    const auto value = static_cast<unsigned char>(ui->filterTimeSpin->value());
    const bool ok = WIRELESS_ZALT_TagOpParaSet(Handle(), reader, kFilterTimeType, &value, 1) != 0;
    LogKey(ok ? "IDCS_FILTER_TIME_SUCCESS" : "IDCS_FILTER_TIME_FAILED", !ok);
}

void WirelessReadParamWidget::slot_QueryFilter()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    if (QueryTagOp(reader, kFilterOnType, &value)) {
        ui->filterEnableCheck->setChecked(value == 1);
        LogKey("IDCS_FILTER_ENABLE_QUERY_SUCCESS");
    } else {
        LogKey("IDCS_FILTER_ENABLE_QUERY_FAILED", true);
    }
    if (QueryTagOp(reader, kFilterTimeType, &value)) {
        ui->filterTimeSpin->setValue(value);
        LogKey("IDCS_FILTER_TIME_QUERY_SUCCESS");
    } else {
        LogKey("IDCS_FILTER_TIME_QUERY_FAILED", true);
    }
}

void WirelessReadParamWidget::slot_QueryReaderSpaceTime()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    if (!ReadByte(reader, WirelessDeviceConfig::kReadIntervalAddress, &value)) {
        LogKey("IDCS_QUERY_READSPCE_TIME_FAILE", true);
        return;
    }
    ui->readSpaceEdit->setText(QString::number(value));
    LogKey("IDCS_QUERY_READSPCE_TIME_SUCCESS");
}

void WirelessReadParamWidget::slot_SetReaderSpaceTime()
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    if (!WirelessDeviceConfig::readInterval(ui->readSpaceEdit->text(), &value)) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    const bool ok = WriteByte(reader, WirelessDeviceConfig::kReadIntervalAddress, value);
    LogKey(ok ? "IDCS_SET_READSPCE_TIME_SUCCESS" : "IDCS_SET_READSPCE_TIME_FAILE", !ok);
}

void WirelessReadParamWidget::queryList(unsigned char address, QComboBox* list, const char* success,
                                        const char* failed)
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    unsigned char value = 0;
    if (!ReadByte(reader, address, &value)) {
        LogKey(failed, true);
        return;
    }
    // A value the list lacks shows no entry.
    list->setCurrentIndex(value < list->count() ? value : -1);
    LogKey(success);
}

void WirelessReadParamWidget::setList(unsigned char address, QComboBox* list, const char* success,
                                      const char* failed)
{
    const quintptr reader = m_reader();
    if (!reader) {
        return;
    }
    if (list->currentIndex() < 0) {
        LogKey("IDCS_INPUT_EMPTY");
        return;
    }
    const bool ok = WriteByte(reader, address, static_cast<unsigned char>(list->currentIndex()));
    LogKey(ok ? success : failed, !ok);
}

void WirelessReadParamWidget::slot_workModeQueryBtnClicked()
{
    queryList(WirelessDeviceConfig::kWorkModeAddress, ui->workModeCb, "IDCS_WORK_MODEL_QUERY_SUCCESS",
              "IDCS_WORK_MODEL_QUERY_FAILED");
}

void WirelessReadParamWidget::slot_workModeSetBtnClicked()
{
    setList(WirelessDeviceConfig::kWorkModeAddress, ui->workModeCb, "IDCS_WORK_MODEL_SET_SUCCESS",
            "IDCS_WORK_MODEL_SET_FAILED");
}

void WirelessReadParamWidget::slot_connetValueQueryBtnClicked()
{
    queryList(WirelessDeviceConfig::kConnectPortAddress, ui->connetValueCb, "IDCS_CONNET_PORT_QUERY_SUCCESS",
              "IDCS_CONNET_PORT_QUERY_FAILED");
}

void WirelessReadParamWidget::slot_connetValueSetBtnClicked()
{
    setList(WirelessDeviceConfig::kConnectPortAddress, ui->connetValueCb, "IDCS_CONNET_PORT_SET_SUCCESS",
            "IDCS_CONNET_PORT_SET_FAILED");
}
