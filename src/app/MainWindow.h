#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

namespace Ui {
class MainWindow;
}

// The single top-level window: connection panel, work area and operation log.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool GetRestartFlag() const { return m_restart; }
    void SetRestartFlag(bool restart) { m_restart = restart; }

    // Called from any thread by AppContext::logMessage; reaches the operation log queued.
    void showLogMessage(const QString& text, bool isError);
    // The operation log: any object with a slot_showMsg(QString, bool) slot.
    void SetOpListDlg(QObject* opListDlg);

    QWidget* connetContainer() const;
    QWidget* workContainer() const;
    QWidget* opListContainer() const;

private slots:
    void slot_updateReaderState(int nConnetType);
    void slot_UpdateReadCount(int count, int speed, int nReset);
    void slot_CutConnet();

private:
    std::unique_ptr<Ui::MainWindow> ui;
    bool m_restart = false;
    QPointer<QObject> m_opListDlg;
};
