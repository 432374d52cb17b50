#include "gui/wireless/WirelessDeviceInfoDlg.h"

#include "core/app/LanguageText.h"
#include "gui/wireless/WirelessIOCtrlWidget.h"
#include "gui/wireless/WirelessReadConfigWidget.h"
#include "gui/wireless/WirelessReadParamWidget.h"
#include "gui/wireless/WirelessSysinfoWidget.h"
#include "ui_WirelessDeviceInfoDlg.h"

WirelessDeviceInfoDlg::WirelessDeviceInfoDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::WirelessDeviceInfoDlg>())
{
    ui->setupUi(this);
    setWindowTitle(LangText("IDCS_DEVICE_CONFIG"));
    const WirelessReaderSource source = [this] { return m_reader; };
    m_sysinfo = new WirelessSysinfoWidget(source, ui->tabWidget);
    m_radio = new WirelessReadConfigWidget(source, ui->tabWidget);
    m_reading = new WirelessReadParamWidget(source, ui->tabWidget);
    m_io = new WirelessIOCtrlWidget(source, ui->tabWidget);
    ui->tabWidget->addTab(m_sysinfo, LangText("IDCS_DEVICE_INFO"));
    ui->tabWidget->addTab(m_radio, LangText("IDCS_RADIO_CONFIG"));
    ui->tabWidget->addTab(m_reading, LangText("IDCS_READ_CARD_CONFIG"));
    ui->tabWidget->addTab(m_io, LangText("IDCS_IO_CONTRL"));
}

WirelessDeviceInfoDlg::~WirelessDeviceInfoDlg() = default;
