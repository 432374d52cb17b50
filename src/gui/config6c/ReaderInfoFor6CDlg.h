#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;

namespace Ui {
class ReaderInfoFor6CDlg;
}

// The reader's identity records: name, model and serial number (writable), and four version texts.
class ReaderInfoFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit ReaderInfoFor6CDlg(QWidget* parent = nullptr);
    ~ReaderInfoFor6CDlg() override;

    QLineEdit* recordField(int type) const; // 0..6

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QureyBtnClicked();
    void slot_ProductNameSetBtnClicked();
    void slot_RWerTypeSetBtnClicked();
    void slot_ProductSerialSetBtnClicked();

private:
    void setRecord(int type, const char* tooLongKey, const char* successKey, const char* failedKey);

    std::unique_ptr<Ui::ReaderInfoFor6CDlg> ui;
};
