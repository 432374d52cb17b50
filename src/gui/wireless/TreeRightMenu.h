#pragma once

#include <QMenu>

class WirelessRecvDlg;

// The menu of a reader row: start and stop reading, remove, reboot, its settings, save the tree.
class TreeRightMenu : public QMenu
{
    Q_OBJECT

public:
    explicit TreeRightMenu(WirelessRecvDlg* window);
};
