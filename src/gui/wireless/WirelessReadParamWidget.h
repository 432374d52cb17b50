#pragma once

#include "gui/wireless/WirelessDeviceInfoDlg.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace Ui {
class WirelessReadParamWidget;
}

// How a wireless reader reads: its tag store, tag filter, read interval, work mode and the port it
// reports through.
class WirelessReadParamWidget : public QWidget
{
    Q_OBJECT

public:
    explicit WirelessReadParamWidget(WirelessReaderSource source, QWidget* parent = nullptr);
    ~WirelessReadParamWidget() override;

    QCheckBox* flashCheck() const;
    QLineEdit* flashCountEdit() const;
    QCheckBox* filterCheck() const;
    QSpinBox* filterTimeSpin() const;
    QLineEdit* readIntervalEdit() const;
    QComboBox* workModeList() const;
    QComboBox* connectPortList() const;

public slots:
    void slot_FlashEnableBtnClicked();
    void slot_QueryFlashEnable();
    void slot_FlashTagCountBtnClicked();
    void slot_FlashTagClearBtnClicked();
    void slot_FilterEnableBtnClicked();
    void slot_FilterTimeBtnClicked();
    void slot_QueryFilter();
    void slot_QueryReaderSpaceTime();
    void slot_SetReaderSpaceTime();
    void slot_workModeQueryBtnClicked();
    void slot_workModeSetBtnClicked();
    void slot_connetValueQueryBtnClicked();
    void slot_connetValueSetBtnClicked();

private:
    // One byte of the parameter memory into a list and back; the keys are success then failure.
    void queryList(unsigned char address, QComboBox* list, const char* success, const char* failed);
    void setList(unsigned char address, QComboBox* list, const char* success, const char* failed);

    std::unique_ptr<Ui::WirelessReadParamWidget> ui;
    WirelessReaderSource m_reader;
};
