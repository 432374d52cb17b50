#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class QValueDlg;
}

// The Q value of the reader's tag inventory (the Gen2 slot-count parameter).
class QValueDlg : public QDialog
{
    Q_OBJECT

public:
    explicit QValueDlg(QWidget* parent = nullptr);
    ~QValueDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    std::unique_ptr<Ui::QValueDlg> ui;
};
