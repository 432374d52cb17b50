#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;

namespace Ui {
class GprsConfigDlg;
}

// Server address, port and mobile-data account of a reader with a GPRS module.
class GprsConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit GprsConfigDlg(QWidget* parent = nullptr);
    ~GprsConfigDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    bool queryAll();
    bool setAll();

    std::unique_ptr<Ui::GprsConfigDlg> ui;
};
