#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class OpListDlg;
}

// The operation log at the foot of the main window: one numbered, time-stamped line per outcome.
class OpListDlg : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kCodeNow = -0x7fffffff;

    explicit OpListDlg(QWidget* parent = nullptr);
    ~OpListDlg() override;

    int lineCount() const;
    // Column 0 number, 1 time, 2 message.
    QString lineText(int row, int column) const;

public slots:
    // A failure's code is the one taken when it was logged; without one, the reader's code now.
    void slot_showMsg(QString text, bool getErro, int errorCode = kCodeNow);
    void slot_clearBtnClicked();

private:
    std::unique_ptr<Ui::OpListDlg> ui;
    int m_nCount = 0;
    int m_nMaxRecord = 0;
    int m_nOverToDelete = 0;
};
