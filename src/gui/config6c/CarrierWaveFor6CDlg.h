#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class CarrierWaveFor6CDlg;
}

// Switches the RF carrier of one antenna on or off (a transmitter test).
class CarrierWaveFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CarrierWaveFor6CDlg(QWidget* parent = nullptr);
    ~CarrierWaveFor6CDlg() override;

private slots:
    void slot_OpenBtnClicked();
    void slot_CloseBtnClicked();

private:
    void switchCarrier(bool on);

    std::unique_ptr<Ui::CarrierWaveFor6CDlg> ui;
};
