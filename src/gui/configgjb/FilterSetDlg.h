#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class FilterSetDlg;
}

// The receive filter: gain, low-pass and high-pass corners, as the reader's indexes.
class FilterSetDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit FilterSetDlg(QWidget* parent = nullptr);
    ~FilterSetDlg() override;

private slots:
    void slot_QurBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::FilterSetDlg> ui;
};
