#pragma once

#include "gui/wireless/WirelessDeviceInfoDlg.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class WirelessSysinfoWidget;
}

// A wireless reader's identity records (read only) and its clock.
class WirelessSysinfoWidget : public QWidget
{
    Q_OBJECT

public:
    explicit WirelessSysinfoWidget(WirelessReaderSource source, QWidget* parent = nullptr);
    ~WirelessSysinfoWidget() override;

    // The label of identity field i (the order they are read in).
    QLabel* valueLabel(int field) const;

public slots:
    void slot_QueryBtnClicked();
    void slot_QueryTimeBtnClicked();
    void slot_SetBtnTimeClicked();
    void slot_GetCurtimeBtnClicked();

private:
    std::unique_ptr<Ui::WirelessSysinfoWidget> ui;
    WirelessReaderSource m_reader;
};
