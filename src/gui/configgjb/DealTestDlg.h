#pragma once

#include "gui/configgjb/GjbConfigLink.h"

#include <memory>

namespace Ui {
class DealTestDlg;
}

class QListWidgetItem;

// The air-interface test bench: a reader-to-tag command and its fields become a frame that the
// reader transmits unchanged.
class DealTestDlg : public GjbSettingDlg
{
    Q_OBJECT

public:
    explicit DealTestDlg(QWidget* parent = nullptr);
    ~DealTestDlg() override;

private slots:
    void slot_ListItemClicked(QListWidgetItem* item);
    void slot_sendBtnClicked();
    void slot_stopBtnClicked();

private:
    void BuildTable(int command);

    std::unique_ptr<Ui::DealTestDlg> ui;
    int m_command = -1;
};
