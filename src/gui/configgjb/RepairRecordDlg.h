#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class RepairRecordDlg;
}

class AddRepairRecordDlg;
class ReaderCallRunner;

// The reader's append-only log of service notes: read it whole, or add one note.
class RepairRecordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit RepairRecordDlg(QWidget* parent = nullptr);
    ~RepairRecordDlg() override;

    // Runs the add dialog; replaceable so tests answer without a modal loop.
    using DialogRunner = std::function<int(AddRepairRecordDlg*)>;
    static void SetDialogRunner(DialogRunner runner);
    AddRepairRecordDlg* AddDialog() const { return m_addDlg; }

private slots:
    void slot_QueryBtnClicked();
    void slot_AddBtnClicked();

private:
    void SetRow(int row, const QString& time, const QString& text);

    std::unique_ptr<Ui::RepairRecordDlg> ui;
    AddRepairRecordDlg* m_addDlg;
    ReaderCallRunner* m_runner;
};
