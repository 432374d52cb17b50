#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class WirelessIOCtrlWidget;
class WirelessReadConfigWidget;
class WirelessReadParamWidget;
class WirelessSysinfoWidget;

namespace Ui {
class WirelessDeviceInfoDlg;
}

// Where a device page finds its reader at the start of each operation: 0 means none, and the page then
// does nothing and posts nothing.
using WirelessReaderSource = std::function<quintptr()>;

// One wireless reader's settings on four pages: identity and clock, radio, reading, IO. The receive
// window sets the reader before it runs the dialog.
class WirelessDeviceInfoDlg : public QDialog
{
    Q_OBJECT

public:
    explicit WirelessDeviceInfoDlg(QWidget* parent = nullptr);
    ~WirelessDeviceInfoDlg() override;

    void SetReader(quintptr reader) { m_reader = reader; }
    quintptr Reader() const { return m_reader; }

    WirelessSysinfoWidget* sysinfoPage() const { return m_sysinfo; }
    WirelessReadConfigWidget* radioPage() const { return m_radio; }
    WirelessReadParamWidget* readingPage() const { return m_reading; }
    WirelessIOCtrlWidget* ioPage() const { return m_io; }

private:
    std::unique_ptr<Ui::WirelessDeviceInfoDlg> ui;
    quintptr m_reader = 0;
    WirelessSysinfoWidget* m_sysinfo = nullptr;
    WirelessReadConfigWidget* m_radio = nullptr;
    WirelessReadParamWidget* m_reading = nullptr;
    WirelessIOCtrlWidget* m_io = nullptr;
};
