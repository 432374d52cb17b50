#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class ParamAdd6CDlg;
}

// Raw reads and writes of the parameter memory at any address.
class ParamAdd6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ParamAdd6CDlg(QWidget* parent = nullptr);
    ~ParamAdd6CDlg() override;

private slots:
    void slot_ReadParamBtnClicked();
    void slot_WriteParamBtnClicked();

private:
    // Address and length as entered, each 0–255; refusals are logged.
    bool readRange(int* address, int* length);

    std::unique_ptr<Ui::ParamAdd6CDlg> ui;
};
