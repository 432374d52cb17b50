#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class IpSetDlg;
}

// The GJB reader's own address, mask and gateway.
class IpSetDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit IpSetDlg(QWidget* parent = nullptr);
    ~IpSetDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::IpSetDlg> ui;
};
