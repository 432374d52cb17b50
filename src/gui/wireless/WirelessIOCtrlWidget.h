#pragma once

#include "gui/wireless/WirelessDeviceInfoDlg.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace Ui {
class WirelessIOCtrlWidget;
}

// A wireless reader's outputs: switched by hand, and the outputs (and buzzer) a read triggers.
class WirelessIOCtrlWidget : public QWidget
{
    Q_OBJECT

public:
    explicit WirelessIOCtrlWidget(WirelessReaderSource source, QWidget* parent = nullptr);
    ~WirelessIOCtrlWidget() override;

    QComboBox* actionList(int output) const; // 1..4
    QCheckBox* triggerCheck(int row) const;  // 0 buzzer, 1..4 outputs
    QSpinBox* pulseSpin(int row) const;

public slots:
    void slot_StartPort1Clicked();
    void slot_StartPort2Clicked();
    void slot_StartPort3Clicked();
    void slot_StartPort4Clicked();
    void slot_CtrlOutQueryBtnClicked();
    void slot_CtrlOutSetBtnClicked();

private:
    void startPort(int output);
    bool setTriggeredOutputs(quintptr reader);

    std::unique_ptr<Ui::WirelessIOCtrlWidget> ui;
    WirelessReaderSource m_reader;
};
