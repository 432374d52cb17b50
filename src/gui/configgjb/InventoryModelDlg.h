#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class InventoryModelDlg;
}

// How the reader inventories: single tag, many tags or automatic.
class InventoryModelDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit InventoryModelDlg(QWidget* parent = nullptr);
    ~InventoryModelDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::InventoryModelDlg> ui;
};
