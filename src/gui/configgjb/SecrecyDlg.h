#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class SecrecyDlg;
}

// The reader's secrecy module: its function on or off, its password, and killing it for good.
class SecrecyDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit SecrecyDlg(QWidget* parent = nullptr);
    ~SecrecyDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();
    void slot_EidtPwBtnClicked();
    void slot_KillBtnClicked();

private:
    std::unique_ptr<Ui::SecrecyDlg> ui;
};
