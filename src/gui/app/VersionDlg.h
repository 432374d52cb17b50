#pragma once

#include <QDialog>

#include <array>
#include <memory>

namespace Ui {
class VersionDlg;
}

class QLabel;

// The firmware versions of a connected GJB reader: MCU, FPGA, RF module and embedded Linux, each row
// shown when the device profile switches it on.
class VersionDlg : public QDialog
{
    Q_OBJECT

public:
    explicit VersionDlg(QWidget* parent = nullptr);
    ~VersionDlg() override;

public slots:
    void slot_QurBtnClicked();

protected:
    // Shown while connected: the versions are asked at once.
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::VersionDlg> ui;
    std::array<bool, 4> m_enabled{};
    std::array<QLabel*, 4> m_values{};
};
