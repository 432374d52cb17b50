#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QTreeWidgetItem;

namespace Ui {
class WifiSelectDlg;
}

// Scans for wireless networks through the module and hands the chosen SSID back.
class WifiSelectDlg : public QDialog
{
    Q_OBJECT

public:
    explicit WifiSelectDlg(QWidget* parent = nullptr);
    ~WifiSelectDlg() override;

    QString selectedSSID() const { return m_ssid; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void slot_scanBtnClicked();
    void slot_selectBtnClicked();
    void slot_itemDoubleClicked(QTreeWidgetItem* item, int column);

private:
    std::unique_ptr<Ui::WifiSelectDlg> ui;
    QString m_ssid;
};
