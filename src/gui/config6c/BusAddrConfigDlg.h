#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class BusAddrConfigDlg;
}

// The reader's bus address, one byte in hex.
class BusAddrConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit BusAddrConfigDlg(QWidget* parent = nullptr);
    ~BusAddrConfigDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::BusAddrConfigDlg> ui;
};
