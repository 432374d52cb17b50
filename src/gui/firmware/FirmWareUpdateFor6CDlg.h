#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class FirmWareUpdateFor6CDlg;
}

class FirmWareUpdateFor6CThread;

// Loads firmware, an RF chip image or any file onto the connected 6C reader by TFTP. While a transfer
// runs, starting again, quitting and closing only say so in the log.
class FirmWareUpdateFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit FirmWareUpdateFor6CDlg(QWidget* parent = nullptr);
    ~FirmWareUpdateFor6CDlg() override;

    FirmWareUpdateFor6CThread* worker() const { return m_thread; }

    // Replaces the open-file dialog of the browse button (tests answer it without a modal loop).
    using OpenFileAsker = std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                                                const QString& filter)>;
    static void SetOpenFileAsker(OpenFileAsker asker);

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void slot_UpdateBtnClicked();
    void slot_QuitBtnClicked();
    void slot_BrowerBtnCliecked();
    void slot_ResultUpdate(int nResult);
    void slot_SetBtnUp();
    void slot_SetBtnTransfer();

private:
    // True (with the log line that says so) while a transfer runs.
    bool RefuseWhileBusy();

    std::unique_ptr<Ui::FirmWareUpdateFor6CDlg> ui;
    FirmWareUpdateFor6CThread* m_thread = nullptr;
};
