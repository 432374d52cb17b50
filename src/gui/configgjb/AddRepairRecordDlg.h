#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class AddRepairRecordDlg;
}

// The text of a new repair record; what was typed stays for the next use.
class AddRepairRecordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit AddRepairRecordDlg(QWidget* parent = nullptr);
    ~AddRepairRecordDlg() override;

    QString Text() const;
    void SetText(const QString& text);

private slots:
    void slot_OkBtnClicked();
    void slot_CannelBtnClicked();

private:
    std::unique_ptr<Ui::AddRepairRecordDlg> ui;
};
