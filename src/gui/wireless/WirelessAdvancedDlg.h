#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class WirelessAdvancedDlg;
}

// How long a silent reader is kept and how often the window looks for silent readers, in seconds.
class WirelessAdvancedDlg : public QDialog
{
    Q_OBJECT

public:
    explicit WirelessAdvancedDlg(QWidget* parent = nullptr);
    ~WirelessAdvancedDlg() override;

    // As the fields show them; text that is no number counts as 0.
    int disconnectTime() const;
    int checkInterval() const;

private slots:
    void slot_OkBtnClicked();

private:
    std::unique_ptr<Ui::WirelessAdvancedDlg> ui;
};
