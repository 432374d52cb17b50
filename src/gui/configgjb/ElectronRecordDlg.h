#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class ElectronRecordDlg;
}

class ReaderCallRunner;

// The reader's 32 numbered text slots, read and written one by one or all at once.
class ElectronRecordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ElectronRecordDlg(QWidget* parent = nullptr);
    ~ElectronRecordDlg() override;

private slots:
    void slot_QueryOneBtnClicked();
    void slot_SetOneBtnClicked();
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    // The row of the row button that sent the click; -1 without one.
    int SenderRow() const;
    QWidget* RowButton(int row, bool set) const;

    std::unique_ptr<Ui::ElectronRecordDlg> ui;
    ReaderCallRunner* m_runner;
};
