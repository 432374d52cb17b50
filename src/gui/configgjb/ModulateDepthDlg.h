#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class ModulateDepthDlg;
}

// The forward link's modulation depth in percent.
class ModulateDepthDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit ModulateDepthDlg(QWidget* parent = nullptr);
    ~ModulateDepthDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::ModulateDepthDlg> ui;
};
