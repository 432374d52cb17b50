#pragma once

#include "core/config6c/ParamTable.h"

#include <QDialog>

#include <memory>

class ParamAdd6CDlg;
class QComboBox;
class QPushButton;
class QTableWidget;

namespace Ui {
class ParamConfigFor6CDlg;
}

// The reader's working parameters, one table row each with its own query and set; query and set all,
// factory reset, reboot, export to and import from a text file, and raw access to any address.
class ParamConfigFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ParamConfigFor6CDlg(QWidget* parent = nullptr);
    ~ParamConfigFor6CDlg() override;

    // What the table shows, as exported.
    ParamTable::Snapshot snapshot() const;
    void applySnapshot(const ParamTable::Snapshot& snapshot);

    QTableWidget* table() const;
    QComboBox* rowList(int row) const;
    QPushButton* rowButton(int row, bool set) const;
    ParamAdd6CDlg* rawDialog() const { return m_rawDlg; }

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();
    void slot_ResetBtnClicked();
    void slot_RootBtnClicked();
    void slot_ExportBtnClicked();
    void slot_ImportBtnClicked();
    void slot_ParmReadWriteBtnClicked();

    void slot_workModeQueryBtnClicked() { queryRow(ParamTable::WorkMode); }
    void slot_workModeSetBtnClicked() { setRow(ParamTable::WorkMode); }
    void slot_DeviceTypeQueryBtnClicked() { queryRow(ParamTable::DeviceType); }
    void slot_DeviceTypeSetBtnClicked() { setRow(ParamTable::DeviceType); }
    void slot_CommandTypeQueryBtnClicked() { queryRow(ParamTable::CommandType); }
    void slot_CommandTypeSetBtnClicked() { setRow(ParamTable::CommandType); }
    void slot_AntennaPortQueryBtnClicked() { queryRow(ParamTable::AntennaPort); }
    void slot_AntennaPortSetBtnClicked() { setRow(ParamTable::AntennaPort); }
    void slot_ConnetPortQueryBtnClicked() { queryRow(ParamTable::ConnectPort); }
    void slot_ConnetPortSetBtnClicked() { setRow(ParamTable::ConnectPort); }
    void slot_FlashQueryBtnClicked() { queryRow(ParamTable::FlashStore); }
    void slot_FlashSetBtnClicked() { setRow(ParamTable::FlashStore); }
    void slot_BaudRateQueryBtnClicked() { queryRow(ParamTable::BaudRate); }
    void slot_BaudRateSetBtnClicked() { setRow(ParamTable::BaudRate); }
    void slot_WegenStartQueryBtnClicked() { queryRow(ParamTable::WiegandStart); }
    void slot_WegenStartSetBtnClicked() { setRow(ParamTable::WiegandStart); }
    void slot_WegenLenQueryBtnClicked() { queryRow(ParamTable::WiegandLength); }
    void slot_WegenLenSetBtnClicked() { setRow(ParamTable::WiegandLength); }

private:
    void buildRows();
    void queryRow(int row);
    void setRow(int row);

    std::unique_ptr<Ui::ParamConfigFor6CDlg> ui;
    ParamAdd6CDlg* m_rawDlg = nullptr;
};
