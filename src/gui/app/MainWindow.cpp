#include "gui/app/MainWindow.h"

#include "core/app/AppContext.h"
#include "core/app/AppSettings.h"
#include "core/app/DeviceProfile.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/app/OpListDlg.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/SoftConfigDlg.h"
#include "gui/app/VersionCommonDlg.h"
#include "gui/app/VersionDlg.h"
#include "gui/app/ZrMessageBox.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/configgjb/GjbConfigMenus.h"
#include "gui/discovery/UdpGetInfoDlg.h"
#include "gui/firmware/FirmWareUpdateFor6CDlg.h"
#include "gui/reader/ConnetDlg.h"
#include "ui_MainWindow.h"

#include "gui/config6c/BusAddrConfigDlg.h"
#include "gui/config6c/CarrierWaveFor6CDlg.h"
#include "gui/config6c/ComConfigDlg.h"
#include "gui/config6c/FiltrateTagFor6CDlg.h"
#include "gui/config6c/FlashConfigFor6CDlg.h"
#include "gui/config6c/GprsConfigDlg.h"
#include "gui/config6c/IoConfigFor6CDlg.h"
#include "gui/config6c/NetConfigFor6CDlg.h"
#include "gui/config6c/ParamConfigFor6CDlg.h"
#include "gui/config6c/QValueDlg.h"
#include "gui/config6c/ReaderInfoFor6CDlg.h"
#include "gui/config6c/ReaderTimeSetDlg.h"

#include "gui/wifi/WIFIConfigFor6CDLg.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMutex>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "zaltlink.h"

namespace {
const QString kMainGroup = QStringLiteral("MainWindow");

QMutex g_openerMutex;
MainWindow::UrlOpener g_urlOpener;

bool Enabled(const char* group, const char* key)
{
    return DeviceProfile::Instance()->IsEnabled(QString::fromLatin1(group), QString::fromLatin1(key));
}
} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    setWindowTitle(LangText(DeviceProfile::Instance()->GetValue(kMainGroup, QStringLiteral("WinTitle"))));
    m_restart = false;
    // Queued, so workers may notify; events still queued for a window that goes are dropped.
    AppContext* context = AppContext::Instance();
    connect(context, &AppContext::sig_logMessage, this, &MainWindow::sig_logLine, Qt::QueuedConnection);
    connect(context, &AppContext::sig_readerStateChanged, this, &MainWindow::slot_updateReaderState,
            Qt::QueuedConnection);
    connect(context, &AppContext::sig_readCount, this, &MainWindow::slot_UpdateReadCount,
            Qt::QueuedConnection);
    connect(context, &AppContext::sig_cutConnectionRequested, this, &MainWindow::slot_CutConnet,
            Qt::QueuedConnection);
    connect(context, &AppContext::sig_restartRequested, this, [this] { m_restart = true; });

    CreatePanels();
    CreateMenus();
}

MainWindow::~MainWindow()
{
    // First, so no notification is posted to a half-destroyed window.
    AppContext::Instance()->disconnect(this);
}

void MainWindow::CreatePanels()
{
    if (Enabled("MainWindow", "ConnetDlg")) {
        m_connetDlg = new ConnetDlg(ui->connetContainer);
        ui->connetContainer->layout()->addWidget(m_connetDlg);
    } else {
        ui->connetContainer->hide();
    }

    if (Enabled("MainWindow", "workDpaceDlg")) {
        m_workDpaceDlg = new workDpaceDlg(ui->workContainer);
        ui->workContainer->layout()->addWidget(m_workDpaceDlg);
        connect(m_workDpaceDlg, &workDpaceDlg::leftBtnClicked, this, &MainWindow::slot_leftBtnClicked);
        connect(m_workDpaceDlg, &workDpaceDlg::downBtnClicked, this, &MainWindow::slot_downBtnClicked);
        connect(m_workDpaceDlg, &workDpaceDlg::sig_sendReadCount, this, &MainWindow::slot_UpdateReadCount);
    } else {
        ui->workContainer->hide();
    }

    if (Enabled("MainWindow", "OpListDlg")) {
        m_opListDlgWidget = new OpListDlg(ui->opListContainer);
        ui->opListContainer->layout()->addWidget(m_opListDlgWidget);
        ui->opListContainer->setFixedHeight(200);
        connect(this, &MainWindow::sig_logLine, m_opListDlgWidget, &OpListDlg::slot_showMsg);
    } else {
        ui->opListContainer->hide();
    }
}

QMenu* MainWindow::AddMenu(const char* flag, const char* titleKey)
{
    if (!Enabled("MenuBar", flag)) {
        return nullptr;
    }
    QMenu* menu = menuBar()->addMenu(LangText(titleKey));
    menu->setObjectName(QString::fromLatin1(flag));
    return menu;
}

QAction* MainWindow::AddAction(QMenu* menu, const char* group, const char* flag, const char* textKey,
                               void (MainWindow::*slot)())
{
    if (!menu || !Enabled(group, flag)) {
        return nullptr;
    }
    QAction* action = menu->addAction(LangText(textKey));
    action->setObjectName(QString::fromLatin1(flag));
    connect(action, &QAction::triggered, this, slot);
    return action;
}

QAction* MainWindow::AddAction(QMenu* menu, const char* name, const char* textKey, void (MainWindow::*slot)())
{
    QAction* action = menu->addAction(LangText(textKey));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
}

// Menus in their fixed order along the bar. An item joins when its switch is on and its dialog is
// part of this build; a menu none of whose dialogs is built yet is left out rather than shown empty.
void MainWindow::CreateMenus()
{
    if (QMenu* fileMenu = AddMenu("fileMenu", "IDCS_FILE")) {
        m_softconfigAc = AddAction(fileMenu, "fileMenu", "softconfigAc", "IDCS_SOFT_CONFIG",
                                   &MainWindow::slot_SoftConfigAc);
        if (m_softconfigAc) {
            m_softConfigDlg = new SoftConfigDlg(this);
        }
        m_quitAc = AddAction(fileMenu, "fileMenu", "quitAc", "IDCS_QUIT", &MainWindow::slot_ExitAc);
    }

    m_gjbConfigMenus = new GjbConfigMenus(this);
    if (QMenu* connetMenu = AddMenu("connetMenu", "IDCS_CONNET_CONFIG")) {
        m_gjbConfigMenus->AddConnetItems(connetMenu);
        m_udpGetInfoAc = AddAction(connetMenu, "connetMenu", "UdpGetInfoDlg", "IDCS_UDP_GET",
                                   &MainWindow::slot_UdpGetInfoAc);
        if (m_udpGetInfoAc) {
            m_udpGetInfoDlg = new UdpGetInfoDlg(this);
        }
    }

    m_gjbConfigMenus->AddTestMenu(menuBar());
    m_gjbConfigMenus->AddRepairMenu(menuBar());

    if (QMenu* sys6cMenu = AddMenu("sys6cMenu", "IDCS_SYS_CONFIG")) {
        m_readerInfoFor6CAc = AddAction(sys6cMenu, "sys6cMenu", "sys6cReaderVer", "IDCS_READER_INFO",
                                        &MainWindow::slot_ReaderInfoFor6CAc);
        if (m_readerInfoFor6CAc) {
            m_readerInfoFor6CDlg = new ReaderInfoFor6CDlg(this);
        }
        m_firmWareUpdateAc = AddAction(sys6cMenu, "sys6cMenu", "sys6cFirmWareUpdate", "IDCS_FIRMWARE_UPDATE",
                                       &MainWindow::slot_FirmWareUpdateFor6CAc);
        if (m_firmWareUpdateAc) {
            m_firmWareUpdateFor6CDlg = new FirmWareUpdateFor6CDlg(this);
        }
        m_readTimeSetFor6CAc = AddAction(sys6cMenu, "sys6cMenu", "readerTimerSet", "IDCS_TIME_CONFIG",
                                         &MainWindow::slot_ReadTimeSetFor6CAc);
        if (m_readTimeSetFor6CAc) {
            m_readerTimeSetDlg = new ReaderTimeSetDlg(this);
        }
        m_rebootDeviceAc = AddAction(sys6cMenu, "sys6cMenu", "rebootDeviceAc", "IDCS_REBOOT_DEVICE",
                                     &MainWindow::slot_rebootDeviceFor6CAc);
    }

    if (QMenu* test6cMenu = AddMenu("test6cMenu", "IDCS_TEST")) {
        m_carrierWaveFor6CAc = AddAction(test6cMenu, "test6cMenu", "CarrierWaveFor6C",
                                         "IDCS_CARRIERWAVE_ONOFF", &MainWindow::slot_CarrierWaveFor6CAc);
        if (m_carrierWaveFor6CAc) {
            m_carrierWaveFor6CDlg = new CarrierWaveFor6CDlg(this);
        }
        m_paramConfigFor6CAc = AddAction(test6cMenu, "test6cMenu", "ParamConfigFor6C", "IDCS_PARAM_CONFIG_OP",
                                         &MainWindow::slot_ParamConfigFor6CAc);
        if (m_paramConfigFor6CAc) {
            m_paramConfigFor6CDlg = new ParamConfigFor6CDlg(this);
        }
    }

    if (QMenu* connet6cMenu = AddMenu("connet6cMenu", "IDCS_CONNET_CONFIG")) {
        m_netConfigFor6cAc = AddAction(connet6cMenu, "connet6cMenu", "netConfigFor6C", "IDCS_NET_CONFIG",
                                       &MainWindow::slot_NetConfigFor6cAc);
        if (m_netConfigFor6cAc) {
            m_netConfigFor6CDlg = new NetConfigFor6CDlg(this);
        }
        m_comConfigFor6cAc = AddAction(connet6cMenu, "connet6cMenu", "comConfigFor6C", "IDCS_COM_CONFIG",
                                       &MainWindow::slot_ComConfigFor6cAc);
        if (m_comConfigFor6cAc) {
            m_comConfigDlg = new ComConfigDlg(this);
        }
        m_busConfigFor6cAc = AddAction(connet6cMenu, "connet6cMenu", "busConfigFor6C", "IDCS_BUS_CONFIG",
                                       &MainWindow::slot_BusConfigFor6cAc);
        if (m_busConfigFor6cAc) {
            m_busAddrConfigDlg = new BusAddrConfigDlg(this);
        }
    }

    const QString attachFunction = AppSettings::Instance()->GetAttachFunction();
    if (QMenu* readConfig6cMenu = AddMenu("readConfig6cMenu", "IDCS_READ_PARAM")) {
        m_filtrateTagFor6CAc = AddAction(readConfig6cMenu, "readConfig6cMenu", "filter", "IDCS_FILTER_TAG",
                                         &MainWindow::slot_FiltrateTagFor6CAc);
        if (m_filtrateTagFor6CAc) {
            m_filtrateTagFor6CDlg = new FiltrateTagFor6CDlg(this);
        }
        // The tag store comes with an attached module.
        if (attachFunction != QLatin1String("NULL")) {
            m_flashConfigFor6CAc = AddAction(readConfig6cMenu, "flashConfigFor6C", "IDCS_FLASH",
                                             &MainWindow::slot_FlashConfigFor6CAc);
            m_flashConfigFor6CDlg = new FlashConfigFor6CDlg(this);
        }
        m_qValueAc = AddAction(readConfig6cMenu, "readConfig6cMenu", "qValue", "IDCS_QVALUE",
                               &MainWindow::slot_QValueAc);
        if (m_qValueAc) {
            m_qValueDlg = new QValueDlg(this);
        }
    }

    if (QMenu* appOperateMenu = AddMenu("appOperateMenu", "IDCS_APPLICATION_OPERATE")) {
        m_ioConfigAc = AddAction(appOperateMenu, "appOperateMenu", "ioconfig", "IDCS_IO_CONTRL",
                                 &MainWindow::slot_IoConfigAc);
        if (m_ioConfigAc) {
            m_ioConfigFor6CDlg = new IoConfigFor6CDlg(this);
        }
    }

    if (QMenu* wirelessConfigMenu = AddMenu("wirelessConfigMenu", "IDCS_WIRELESS_CONFIG")) {
        if (attachFunction == QLatin1String("WIFI")) {
            m_wifiConfigFor6CAc = AddAction(wirelessConfigMenu, "WIFIConfigFor6C", "IDCS_WIFI_CONFIG",
                                            &MainWindow::slot_WIFIConfigFor6CAc);
            m_wifiConfigFor6CDlg = new WIFIConfigFor6CDLg(this);
        }
        if (attachFunction == QLatin1String("GPRS")) {
            m_gprsConfigAc = AddAction(wirelessConfigMenu, "gprsConfig", "IDCS_CPRS_CONFIG",
                                       &MainWindow::slot_GprsConfigAc);
            m_gprsConfigDlg = new GprsConfigDlg(this);
        }
        if (wirelessConfigMenu->isEmpty()) {
            menuBar()->removeAction(wirelessConfigMenu->menuAction());
            delete wirelessConfigMenu;
        }
    }

    if (QMenu* helpMenu = AddMenu("helpMenu", "IDCS_HELP")) {
        m_versionCommonAc = AddAction(helpMenu, "helpMenu", "VersionCommonDlg", "IDCS_SOFT_VER",
                                      &MainWindow::slot_VersionCommonAc);
        if (m_versionCommonAc) {
            m_versionCommonDlg = new VersionCommonDlg(this);
        }
        m_versionAc = AddAction(helpMenu, "helpMenu", "VersionDlg", "IDCS_FIRMWARE_VERSION",
                                &MainWindow::slot_VersionAc);
        if (m_versionAc) {
            m_versionDlg = new VersionDlg(this);
        }
        m_helpAc = AddAction(helpMenu, "helpMenu", "HelpAc", "IDCS_HELP", &MainWindow::slot_HelpAc);
    }
}

bool MainWindow::CheckReaderLink(int requiredConnectType, const char* wrongTypeKey)
{
    ReaderDllBase* reader = CurrentReader();
    if (RefuseWhileReading()) {
        return false;
    }
    if (!reader->IsState(ReaderDllBase::StateConnected)) {
        LogKey("IDCS_READ_NO_LINK");
        return false;
    }
    if (requiredConnectType >= 0 && reader->GetConnectParam().connectType != requiredConnectType) {
        if (wrongTypeKey) {
            LogKey(wrongTypeKey);
        }
        return false;
    }
    return true;
}

void MainWindow::SetUrlOpener(UrlOpener opener)
{
    QMutexLocker lock(&g_openerMutex);
    g_urlOpener = std::move(opener);
}

QWidget* MainWindow::connetContainer() const
{
    return ui->connetContainer;
}

QWidget* MainWindow::workContainer() const
{
    return ui->workContainer;
}

QWidget* MainWindow::opListContainer() const
{
    return ui->opListContainer;
}

void MainWindow::slot_SoftConfigAc()
{
    if (m_softConfigDlg) {
        m_softConfigDlg->exec();
    }
}

bool MainWindow::ConfirmQuit()
{
    if (RefuseWhileReading()) {
        return false;
    }
    if (AskQuestion(LangText("IDCS_QUIT_SOFT"), this) != ZrMessageBox::Ok) {
        return false;
    }
    if (m_connetDlg && !CurrentReader()->IsState(ReaderDllBase::StateDisconnected)) {
        m_connetDlg->slot_disConnetBtnClicked();
    }
    return true;
}

void MainWindow::slot_ExitAc()
{
    if (!ConfirmQuit()) {
        return;
    }
    m_quitConfirmed = true;
    EndEventLoop();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_quitConfirmed || ConfirmQuit()) {
        m_quitConfirmed = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        slot_ExitAc();
    }
    if (m_workDpaceDlg) {
        m_workDpaceDlg->keyPress(event);
    }
    if (m_connetDlg) {
        m_connetDlg->keyPress(event);
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::slot_rebootDeviceFor6CAc()
{
    if (!CheckReaderLink()) {
        return;
    }
    if (AskQuestion(LangText("IDCS_READLY_REBOOT_DEVICE"), this) != ZrMessageBox::Ok) {
        return;
    }
    const bool rebooted = ZALT_Reboot(CurrentReader()->GetHandle(), 0) != 0;
    if (rebooted) {
        // The reader comes back with its stored select, or none.
        AppContext::Instance()->ReaderRestarted();
        AppContext::Instance()->RequestCutConnection();
        LogKey("IDCS_REBOOT_SUCCESS");
    } else {
        LogKey("IDCS_REBOOT_FAILED", true);
    }
}

void MainWindow::slot_UdpGetInfoAc()
{
    if (m_udpGetInfoDlg) {
        m_udpGetInfoDlg->setModal(true);
        m_udpGetInfoDlg->show();
    }
}

void MainWindow::slot_FirmWareUpdateFor6CAc()
{
    if (!m_firmWareUpdateFor6CDlg ||
        !CheckReaderLink(ReaderDllBase::ConnectTcp, "IDCS_FIRMWARE_UPDATE_NEED_NET")) {
        return;
    }
    m_firmWareUpdateFor6CDlg->setModal(true);
    m_firmWareUpdateFor6CDlg->show();
}

void MainWindow::ShowWhenLinked(QDialog* dialog)
{
    if (!dialog || !CheckReaderLink()) {
        return;
    }
    dialog->setModal(true);
    dialog->show();
}

void MainWindow::slot_ReaderInfoFor6CAc()
{
    ShowWhenLinked(m_readerInfoFor6CDlg);
}

void MainWindow::slot_ReadTimeSetFor6CAc()
{
    ShowWhenLinked(m_readerTimeSetDlg);
}

void MainWindow::slot_CarrierWaveFor6CAc()
{
    ShowWhenLinked(m_carrierWaveFor6CDlg);
}

void MainWindow::slot_ParamConfigFor6CAc()
{
    ShowWhenLinked(m_paramConfigFor6CDlg);
}

void MainWindow::slot_NetConfigFor6cAc()
{
    ShowWhenLinked(m_netConfigFor6CDlg);
}

void MainWindow::slot_ComConfigFor6cAc()
{
    ShowWhenLinked(m_comConfigDlg);
}

void MainWindow::slot_BusConfigFor6cAc()
{
    ShowWhenLinked(m_busAddrConfigDlg);
}

void MainWindow::slot_FiltrateTagFor6CAc()
{
    ShowWhenLinked(m_filtrateTagFor6CDlg);
}

void MainWindow::slot_FlashConfigFor6CAc()
{
    ShowWhenLinked(m_flashConfigFor6CDlg);
}

void MainWindow::slot_QValueAc()
{
    ShowWhenLinked(m_qValueDlg);
}

void MainWindow::slot_IoConfigAc()
{
    ShowWhenLinked(m_ioConfigFor6CDlg);
}

void MainWindow::slot_GprsConfigAc()
{
    ShowWhenLinked(m_gprsConfigDlg);
}

void MainWindow::slot_WIFIConfigFor6CAc()
{
    // The module is reached only through the reader's serial port.
    if (!m_wifiConfigFor6CDlg || !CheckReaderLink(ReaderDllBase::ConnectCom, "IDCS_NOT_COM_CANNOT_WIFI")) {
        return;
    }
    m_wifiConfigFor6CDlg->setModal(true);
    m_wifiConfigFor6CDlg->show();
}

void MainWindow::slot_VersionCommonAc()
{
    if (m_versionCommonDlg) {
        m_versionCommonDlg->exec();
    }
}

void MainWindow::slot_VersionAc()
{
    ShowWhenLinked(m_versionDlg);
}

void MainWindow::slot_HelpAc()
{
    const QString path = AppSettings::Instance()->GetAppDir() + QLatin1Char('/') +
                         DeviceProfile::Instance()->GetValue(kMainGroup, QStringLiteral("HelpFileName"));
    // A missing document would only make the browser show its own error page.
    if (!QFileInfo(path).isFile()) {
        LogKey("IDCS_NO_HELP_DOC");
        return;
    }
    UrlOpener opener;
    {
        QMutexLocker lock(&g_openerMutex);
        opener = g_urlOpener;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened = opener ? opener(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        // No browser could be started: the guide is there, so show it here.
        ShowHelpInside(url);
    }
}

void MainWindow::ShowHelpInside(const QUrl& url)
{
    if (!m_helpWindow) {
        m_helpWindow = new QDialog(this);
        m_helpWindow->setObjectName(QStringLiteral("helpWindow"));
        m_helpWindow->setWindowTitle(LangText("IDCS_HELP"));
        auto* layout = new QVBoxLayout(m_helpWindow);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* browser = new QTextBrowser(m_helpWindow);
        browser->setObjectName(QStringLiteral("helpBrowser"));
        browser->setOpenExternalLinks(false);
        layout->addWidget(browser);
        m_helpWindow->resize(820, 600);
    }
    m_helpWindow->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))->setSource(url);
    m_helpWindow->show();
    m_helpWindow->raise();
}

void MainWindow::slot_updateReaderState(int nConnetType)
{
    if (m_connetDlg) {
        m_connetDlg->UpdateConnectState(nConnetType);
    }
    // The GJB pages' buttons follow the state; the other pages read it when they act.
    if (m_workDpaceDlg) {
        m_workDpaceDlg->updateReaderState(nConnetType);
    }
}

void MainWindow::slot_UpdateReadCount(int count, int speed, int nReset)
{
    if (m_connetDlg) {
        m_connetDlg->slot_UpdateReadCount(count, speed, nReset);
    }
}

void MainWindow::slot_CutConnet()
{
    if (m_connetDlg) {
        m_connetDlg->slot_disConnetBtnClicked();
    }
}

void MainWindow::slot_leftBtnClicked()
{
    if (!m_connetDlg || !m_workDpaceDlg) {
        return;
    }
    const bool show = ui->connetContainer->isHidden();
    ui->connetContainer->setVisible(show);
    m_workDpaceDlg->SetLeftBtnImage(show ? QStringLiteral("cebian_left") : QStringLiteral("cebian_right"));
}

void MainWindow::slot_downBtnClicked()
{
    if (!m_opListDlgWidget || !m_workDpaceDlg) {
        return;
    }
    const bool show = ui->opListContainer->isHidden();
    ui->opListContainer->setVisible(show);
    m_workDpaceDlg->SetDownBtnImage(show ? QStringLiteral("cebian_down") : QStringLiteral("cebian_up"));
}
