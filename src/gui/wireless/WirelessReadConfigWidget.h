#pragma once

#include "gui/wireless/WirelessDeviceInfoDlg.h"

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QSpinBox;

namespace Ui {
class WirelessReadConfigWidget;
}

// A wireless reader's antennas (the power list comes from the device profile and its position is the
// byte sent), its frequency points and the antenna it reads with.
class WirelessReadConfigWidget : public QWidget
{
    Q_OBJECT

public:
    explicit WirelessReadConfigWidget(WirelessReaderSource source, QWidget* parent = nullptr);
    ~WirelessReadConfigWidget() override;

    QCheckBox* antennaCheck(int antenna) const; // 1..4
    QComboBox* powerList(int antenna) const;
    QSpinBox* dwellSpin(int antenna) const;
    QListWidget* availableList() const;
    QListWidget* chosenList() const;
    QList<int> chosenPoints() const;
    QComboBox* readAntennaList() const;

public slots:
    void slot_QurAntennaBtnClicked();
    void slot_SetAntennaBtnClicked();
    void slot_QurPointBtnClicked();
    void slot_SetPointBtnClicked();
    void slot_SelectAllPointBtnClicked();
    void slot_NoSelectAllPointBtnClicked();
    void slot_SelectPointBtnClicked();
    void slot_NoSelectPointBtnClicked();
    void slot_PonitLWDoubleClicked(QListWidgetItem* item);
    void slot_SetPonitLWDoubleClicked(QListWidgetItem* item);
    void slot_QueryReadAntennaBtnClicked();
    void slot_SetReadAntennaBtnClicked();

private:
    void moveItem(QListWidgetItem* item, QListWidget* from, QListWidget* to);
    void moveAll(QListWidget* from, QListWidget* to, bool selectedOnly);

    std::unique_ptr<Ui::WirelessReadConfigWidget> ui;
    WirelessReaderSource m_reader;
};
