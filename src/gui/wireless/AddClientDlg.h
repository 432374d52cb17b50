#pragma once

#include <QDialog>

#include <memory>

class QComboBox;

namespace Ui {
class AddClientDlg;
}

// Adds a reader by hand: over TCP or UDP (the port comes from the device profile), a serial port or a
// USB device. Every field starts from what was used last.
class AddClientDlg : public QDialog
{
    Q_OBJECT

public:
    enum Type
    {
        Tcp = 0,
        Com = 1,
        Usb = 2,
        Udp = 3
    };

    explicit AddClientDlg(QWidget* parent = nullptr);
    ~AddClientDlg() override;

    QComboBox* typeList() const;
    QComboBox* addressList(int type) const; // Tcp or Udp
    QComboBox* nameList(int type) const;    // Com or Usb
    QComboBox* baudList(int type) const;    // Com or Usb

public slots:
    void slot_ConnetTypeIndexChanged(int index);
    void slot_connetBtnClicked();
    void slot_cannelBtnClicked();

private:
    bool addReader(int type);
    void remember(int type);

    std::unique_ptr<Ui::AddClientDlg> ui;
};
