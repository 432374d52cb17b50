#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace Ui {
class IoConfigFor6CDlg;
}

// The reader's two input lines, its four output lines, and which outputs (and the buzzer) fire when a
// tag is read, with their pulse widths.
class IoConfigFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit IoConfigFor6CDlg(QWidget* parent = nullptr);
    ~IoConfigFor6CDlg() override;

    QCheckBox* triggerCheck(int row) const; // 0 buzzer, 1..4 outputs
    QSpinBox* pulseSpin(int row) const;
    QComboBox* actionList(int output) const; // 1..4

private slots:
    void slot_QueryInBtnClicked();
    void slot_Putout1BtnClicked() { putOut(1); }
    void slot_Putout2BtnClicked() { putOut(2); }
    void slot_Putout3BtnClicked() { putOut(3); }
    void slot_Putout4BtnClicked() { putOut(4); }
    void slot_CtrlOutQueryBtnClicked();
    void slot_CtrlOutSetBtnClicked();

private:
    void putOut(int output);
    bool setTriggeredOutputs();

    std::unique_ptr<Ui::IoConfigFor6CDlg> ui;
};
