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
    explicit OpListDlg(QWidget* parent = nullptr);
    ~OpListDlg() override;

    int lineCount() const;
    // Column 0 number, 1 time, 2 message.
    QString lineText(int row, int column) const;

public slots:
    // A failure ends in its reader error code, the one taken when it was logged.
    void slot_showMsg(const QString& text, bool getErro, int errorCode);
    void slot_clearBtnClicked();

private:
    std::unique_ptr<Ui::OpListDlg> ui;
    int m_nCount = 0;
    int m_nMaxRecord = 0;
    int m_nOverToDelete = 0;
};
