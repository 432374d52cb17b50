#include "gui/wireless/TreeRightMenu.h"

#include "core/app/LanguageText.h"
#include "gui/wireless/WirelessRecvDlg.h"

TreeRightMenu::TreeRightMenu(WirelessRecvDlg* window) : QMenu(window)
{
    struct Item
    {
        const char* name;
        const char* key;
        void (WirelessRecvDlg::*slot)();
    };
    const Item items[] = {
        {"startReadAc", "IDCS_START_READ_CARD", &WirelessRecvDlg::slot_itemStartReadClicked},
        {"stopReadAc", "IDCS_STOP_READ_CARD", &WirelessRecvDlg::slot_itemStopReadClicked},
        {"removeAc", "IDCS_REMOVE", &WirelessRecvDlg::slot_itemRemoveClicked},
        {"rebootAc", "IDCS_REBOOT_DEVICE", &WirelessRecvDlg::slot_itemRebootClicked},
        {"deviceConfigAc", "IDCS_DEVICE_CONFIG", &WirelessRecvDlg::slot_itemDeviceConfigClicked},
        {"saveAc", "IDCS_SAVE_FILE", &WirelessRecvDlg::slot_itemSaveClicked},
    };
    for (const Item& item : items) {
        QAction* action = addAction(LangText(item.key));
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, window, item.slot);
    }
}
