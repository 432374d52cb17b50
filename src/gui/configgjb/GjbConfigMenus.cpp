#include "gui/configgjb/GjbConfigMenus.h"

#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "gui/app/MainWindow.h"
#include "gui/configgjb/DealTestDlg.h"
#include "gui/configgjb/ElectronRecordDlg.h"
#include "gui/configgjb/FilterSetDlg.h"
#include "gui/configgjb/InventoryModelDlg.h"
#include "gui/configgjb/IpSetDlg.h"
#include "gui/configgjb/ModulateDepthDlg.h"
#include "gui/configgjb/RepairRecordDlg.h"
#include "gui/configgjb/RfSetDlg.h"
#include "gui/configgjb/SecrecyDlg.h"
#include "gui/configgjb/SensitivityTestDlg.h"

#include <QMenu>
#include <QMenuBar>

namespace {

bool Enabled(const char* group, const char* key)
{
    return DeviceProfile::Instance()->IsEnabled(QString::fromLatin1(group), QString::fromLatin1(key));
}

QMenu* AddMenu(QMenuBar* bar, const char* flag, const char* titleKey)
{
    if (!bar || !Enabled("MenuBar", flag)) {
        return nullptr;
    }
    QMenu* menu = bar->addMenu(LangText(titleKey));
    menu->setObjectName(QString::fromLatin1(flag));
    return menu;
}

void ShowWhenLinked(QDialog* dialog)
{
    if (!dialog || !MainWindow::CheckReaderLink()) {
        return;
    }
    dialog->setModal(true);
    dialog->show();
}

// Dialogs that run in a modal loop of their own.
void RunWhenLinked(QDialog* dialog)
{
    if (dialog && MainWindow::CheckReaderLink()) {
        dialog->exec();
    }
}

} // namespace

GjbConfigMenus::GjbConfigMenus(QWidget* window) : QObject(window), m_window(window) {}

QAction* GjbConfigMenus::Add(QMenu* menu, const char* group, const char* flag, const char* textKey,
                             void (GjbConfigMenus::*slot)())
{
    if (!menu || !Enabled(group, flag)) {
        return nullptr;
    }
    QAction* action = menu->addAction(LangText(textKey));
    action->setObjectName(QString::fromLatin1(flag));
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void GjbConfigMenus::AddConnetItems(QMenu* connetMenu)
{
    if (Add(connetMenu, "connetMenu", "ipSetAc", "IDCS_IP_SET", &GjbConfigMenus::slot_IpSetAc)) {
        m_ipSetDlg = new IpSetDlg(m_window);
    }
}

void GjbConfigMenus::AddTestMenu(QMenuBar* bar)
{
    QMenu* menu = AddMenu(bar, "testMenu", "IDCS_TEST");
    if (!menu) {
        return;
    }
    if (Add(menu, "testMenu", "SensitivityTestDlg", "IDCS_SENSITIVITY_TEST",
            &GjbConfigMenus::slot_SensitivityAc)) {
        m_sensitivityTestDlg = new SensitivityTestDlg(m_window);
    }
    if (Add(menu, "testMenu", "DealTestDlg", "IDCS_DEAL_TEST", &GjbConfigMenus::slot_DealTestAc)) {
        m_dealTestDlg = new DealTestDlg(m_window);
    }
    Add(menu, "testMenu", "DisturbreStrainDlg", "IDCS_DISTURBRE_STRAIN",
        &GjbConfigMenus::slot_DisturbreStrainAc);
    if (Add(menu, "testMenu", "FilterSetDlg", "IDCS_FILTER_SET", &GjbConfigMenus::slot_FilterSetAc)) {
        m_filterSetDlg = new FilterSetDlg(m_window);
    }
    if (Add(menu, "testMenu", "InventoryModelDlg", "IDCS_INVENTORY_MODE",
            &GjbConfigMenus::slot_InventoryModelAc)) {
        m_inventoryModelDlg = new InventoryModelDlg(m_window);
    }
    if (Add(menu, "testMenu", "ModulateDepthDlg", "IDCS_MODULATE", &GjbConfigMenus::slot_ModulateDepthAc)) {
        m_modulateDepthDlg = new ModulateDepthDlg(m_window);
    }
    if (Add(menu, "testMenu", "RfSetDlg", "IDCS_RF", &GjbConfigMenus::slot_RFSwitchAc)) {
        m_rfSetDlg = new RfSetDlg(m_window);
    }
    if (Add(menu, "testMenu", "SecrecyDlg", "IDCS_SECRECY", &GjbConfigMenus::slot_SecrecyAc)) {
        m_secrecyDlg = new SecrecyDlg(m_window);
    }
}

void GjbConfigMenus::AddRepairMenu(QMenuBar* bar)
{
    QMenu* menu = AddMenu(bar, "repairMenu", "IDCS_REPAIR");
    if (!menu) {
        return;
    }
    if (Add(menu, "repairMenu", "repairAc", "IDCS_REPAIR_RECORD", &GjbConfigMenus::slot_RepairRecordAc)) {
        m_repairRecordDlg = new RepairRecordDlg(m_window);
    }
    if (Add(menu, "repairMenu", "electronRecordAc", "IDCS_ELECTRON_RECORD",
            &GjbConfigMenus::slot_ElectronRecordAc)) {
        m_electronRecordDlg = new ElectronRecordDlg(m_window);
    }
}

void GjbConfigMenus::slot_IpSetAc()
{
    ShowWhenLinked(m_ipSetDlg);
}

void GjbConfigMenus::slot_FilterSetAc()
{
    ShowWhenLinked(m_filterSetDlg);
}

void GjbConfigMenus::slot_InventoryModelAc()
{
    ShowWhenLinked(m_inventoryModelDlg);
}

void GjbConfigMenus::slot_ModulateDepthAc()
{
    ShowWhenLinked(m_modulateDepthDlg);
}

void GjbConfigMenus::slot_RFSwitchAc()
{
    ShowWhenLinked(m_rfSetDlg);
}

void GjbConfigMenus::slot_SecrecyAc()
{
    ShowWhenLinked(m_secrecyDlg);
}

void GjbConfigMenus::slot_RepairRecordAc()
{
    RunWhenLinked(m_repairRecordDlg);
}

void GjbConfigMenus::slot_ElectronRecordAc()
{
    RunWhenLinked(m_electronRecordDlg);
}

void GjbConfigMenus::slot_SensitivityAc()
{
    if (m_sensitivityTestDlg && MainWindow::CheckReaderLink()) {
        m_sensitivityTestDlg->show();
    }
}

void GjbConfigMenus::slot_DisturbreStrainAc()
{
    if (MainWindow::CheckReaderLink()) {
        DisturbreStrainDlg::RunInit();
    }
}

void GjbConfigMenus::slot_DealTestAc()
{
    ShowWhenLinked(m_dealTestDlg);
}
