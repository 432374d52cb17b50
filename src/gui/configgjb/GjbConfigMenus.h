#pragma once

#include <QObject>

class QAction;
class QDialog;
class QMenu;
class QMenuBar;
class QWidget;

class DealTestDlg;
class FilterSetDlg;
class InventoryModelDlg;
class IpSetDlg;
class ModulateDepthDlg;
class RfSetDlg;
class SensitivityTestDlg;
class SecrecyDlg;
class RepairRecordDlg;
class ElectronRecordDlg;

// The GJB reader's configuration and test menus: the address item of the connection menu, the test
// menu and the repair menu. Each item exists when its profile switch is on; its dialog is built with
// it, hidden, and the item shows it once the reader is connected and idle.
class GjbConfigMenus : public QObject
{
    Q_OBJECT

public:
    // Dialogs get `window` as their parent.
    explicit GjbConfigMenus(QWidget* window);

    void AddConnetItems(QMenu* connetMenu);
    // The test and repair menus, when their MenuBar switches are on.
    void AddTestMenu(QMenuBar* bar);
    void AddRepairMenu(QMenuBar* bar);

public slots:
    void slot_SensitivityAc();
    void slot_DealTestAc();
    void slot_DisturbreStrainAc();
    void slot_IpSetAc();
    void slot_FilterSetAc();
    void slot_InventoryModelAc();
    void slot_ModulateDepthAc();
    void slot_RFSwitchAc();
    void slot_SecrecyAc();
    void slot_RepairRecordAc();
    void slot_ElectronRecordAc();

private:
    QAction* Add(QMenu* menu, const char* group, const char* flag, const char* textKey,
                 void (GjbConfigMenus::*slot)());

    QWidget* m_window;
    IpSetDlg* m_ipSetDlg = nullptr;
    FilterSetDlg* m_filterSetDlg = nullptr;
    InventoryModelDlg* m_inventoryModelDlg = nullptr;
    ModulateDepthDlg* m_modulateDepthDlg = nullptr;
    RfSetDlg* m_rfSetDlg = nullptr;
    SensitivityTestDlg* m_sensitivityTestDlg = nullptr;
    DealTestDlg* m_dealTestDlg = nullptr;
    SecrecyDlg* m_secrecyDlg = nullptr;
    RepairRecordDlg* m_repairRecordDlg = nullptr;
    ElectronRecordDlg* m_electronRecordDlg = nullptr;
};
