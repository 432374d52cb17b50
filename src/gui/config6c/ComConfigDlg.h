#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class ComConfigDlg;
}

// The reader's serial baud rate.
class ComConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ComConfigDlg(QWidget* parent = nullptr);
    ~ComConfigDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::ComConfigDlg> ui;
};
