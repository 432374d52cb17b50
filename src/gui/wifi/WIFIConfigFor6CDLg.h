#pragma once

#include <QDialog>

#include <memory>

class WifiSelectDlg;

namespace Ui {
class WIFIConfigFor6CDLg;
}

// The Wi-Fi module inside a 6C reader: its IP settings, the network it joins, the socket it opens,
// its MAC address and link state. Showing the dialog switches the reader through to the module and
// puts the module in command mode; closing it returns the module to data mode.
class WIFIConfigFor6CDLg : public QDialog
{
    Q_OBJECT

public:
    explicit WIFIConfigFor6CDLg(QWidget* parent = nullptr);
    ~WIFIConfigFor6CDLg() override;

    WifiSelectDlg* selectDlg() const { return m_selectDlg; }

public slots:
    // Escape closes through the close event too, so the module is never left in command mode.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void slot_NetQueryBtnClicked();
    void slot_NetSetBtnClicked();
    void slot_WirelessQueryBtnClicked();
    void slot_WirelessSetBtnClicked();
    void slot_ModelQueryBtnClicked();
    void slot_ModelSetBtnClicked();
    void slot_SelectSSIDBtnClicked();
    void slot_QueryStateBtnClicked();
    void slot_ResetBtnClicked();
    void slot_EnterTransBtnClicked();
    void slot_ExitTransBtnClicked();
    void slot_SModelCbIndexChange(int index);

private:
    // The entering sequence; true when the module answered in command mode.
    bool EnterTrans();
    // Wifi_Exit; a failure is logged.
    bool LeaveTrans();
    void SetWorkingEnabled(bool enabled);

    std::unique_ptr<Ui::WIFIConfigFor6CDLg> ui;
    WifiSelectDlg* m_selectDlg = nullptr;
    bool m_inCloseEvent = false;
    bool m_entered = false; // the module was put in command mode and not yet left
};
