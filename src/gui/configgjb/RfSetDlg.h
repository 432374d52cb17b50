#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class RfSetDlg;
}

// The reader's RF receive path: direct or through the low-noise amplifier.
class RfSetDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit RfSetDlg(QWidget* parent = nullptr);
    ~RfSetDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::RfSetDlg> ui;
};
