#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class SensitivityTestDlg;
}

class SensitivityTestThread;

// Runs a number of the reader's sensitivity tests and saves their raw results to a file.
class SensitivityTestDlg : public QDialog
{
    Q_OBJECT

public:
    explicit SensitivityTestDlg(QWidget* parent = nullptr);
    ~SensitivityTestDlg() override;

    SensitivityTestThread* Thread() const { return m_thread; }

private slots:
    void slot_startBtnClicked();
    void slot_stopBtnClicked();
    void slot_browseBtnClicked();
    void slot_testResult(int result);

private:
    void SetRunning(bool running);

    std::unique_ptr<Ui::SensitivityTestDlg> ui;
    SensitivityTestThread* m_thread;
};

// The self-interference suppression action has no page of its own.
class DisturbreStrainDlg : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

    // One call and one log line.
    static void RunInit();
};
