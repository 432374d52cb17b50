#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class NetConfigFor6CDlg;
}

// The reader's network settings: IP address, subnet mask, gateway, MAC address, UDP and TCP ports.
// The reader applies them after its next restart; the dialog does not reconnect.
class NetConfigFor6CDlg : public QDialog
{
    Q_OBJECT

public:
    explicit NetConfigFor6CDlg(QWidget* parent = nullptr);
    ~NetConfigFor6CDlg() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_QueryBtnClicked();
    void slot_SetBtnClicked();

private:
    bool setIpConfig();
    bool setPort(unsigned char code, const QString& text, const char* successKey, const char* failedKey);
    bool setMac();

    std::unique_ptr<Ui::NetConfigFor6CDlg> ui;
};
