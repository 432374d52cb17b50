#include "gui/discovery/UdpGetInfoDlg.h"

#include "core/app/LanguageText.h"
#include "core/discovery/UdpWorkerThread.h"
#include "ui_UdpGetInfoDlg.h"

#include <QSignalBlocker>

UdpGetInfoDlg::UdpGetInfoDlg(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::UdpGetInfoDlg>()), m_thread(new UdpWorkerThread(this))
{
    ui->setupUi(this);
    connect(ui->queryBtn, &QPushButton::clicked, this, &UdpGetInfoDlg::slot_queryBtnClicked);
    connect(ui->sysInfoCb, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &UdpGetInfoDlg::slot_SysInfoCbChanged);
    connect(ui->ipCb, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &UdpGetInfoDlg::slot_IPCbChanged);
    connect(m_thread, &UdpWorkerThread::resultReady, this, &UdpGetInfoDlg::slot_GetUdpResult,
            Qt::QueuedConnection);

    setWindowTitle(LangText("IDCS_UDP_GET_INFO"));
    ui->ipLabel->setText(LangText("IDCS_IP_ADDR"));
    ui->sysInfoLabel->setText(LangText("IDCS_DEVICE_NAME"));
    ui->queryBtn->setText(LangText("IDCS_QUERY"));
}

UdpGetInfoDlg::~UdpGetInfoDlg() = default;

void UdpGetInfoDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    slot_queryBtnClicked();
}

void UdpGetInfoDlg::slot_queryBtnClicked()
{
    if (m_thread->StartDiscovery()) {
        // Half-emptied lists would keep moving each other.
        const QSignalBlocker blockIps(ui->ipCb);
        const QSignalBlocker blockNames(ui->sysInfoCb);
        ui->ipCb->clear();
        ui->sysInfoCb->clear();
    }
}

void UdpGetInfoDlg::slot_GetUdpResult(const QString& ipStr, const QString& nameStr)
{
    ui->ipCb->addItem(ipStr);
    ui->sysInfoCb->addItem(nameStr);
}

void UdpGetInfoDlg::slot_SysInfoCbChanged(int index)
{
    if (ui->ipCb->currentIndex() != index) {
        ui->ipCb->setCurrentIndex(index);
    }
}

void UdpGetInfoDlg::slot_IPCbChanged(int index)
{
    if (ui->sysInfoCb->currentIndex() != index) {
        ui->sysInfoCb->setCurrentIndex(index);
    }
}
