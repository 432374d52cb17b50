#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class ReaderTimeSetDlg;
}

// The reader's real-time clock: read it, set it, or take the computer's time.
class ReaderTimeSetDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ReaderTimeSetDlg(QWidget* parent = nullptr);
    ~ReaderTimeSetDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();
    void slot_GetCurtimeBtnClicked();

private:
    std::unique_ptr<Ui::ReaderTimeSetDlg> ui;
};
