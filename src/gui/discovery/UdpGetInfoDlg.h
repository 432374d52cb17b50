#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class UdpGetInfoDlg;
}

class UdpWorkerThread;

// Readers on the local network: their addresses and device names, side by side. A discovery starts
// each time the dialog is shown and on the query button.
class UdpGetInfoDlg : public QDialog
{
    Q_OBJECT

public:
    explicit UdpGetInfoDlg(QWidget* parent = nullptr);
    ~UdpGetInfoDlg() override;

    UdpWorkerThread* worker() const { return m_thread; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_queryBtnClicked();
    void slot_SysInfoCbChanged(int index);
    void slot_IPCbChanged(int index);
    void slot_GetUdpResult(const QString& ipStr, const QString& nameStr);

private:
    std::unique_ptr<Ui::UdpGetInfoDlg> ui;
    UdpWorkerThread* m_thread = nullptr;
};
