#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class WirelessTcpServerConfigDlg;
}

// Where the server listens: one of the computer's IPv4 addresses (or any typed one) and a port.
class WirelessTcpServerConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit WirelessTcpServerConfigDlg(QWidget* parent = nullptr);
    ~WirelessTcpServerConfigDlg() override;

    QString address() const;
    QString port() const;
    void setAddress(const QString& address);
    void setPort(const QString& port);

private slots:
    void slot_OkBtnClicked();

private:
    std::unique_ptr<Ui::WirelessTcpServerConfigDlg> ui;
};
