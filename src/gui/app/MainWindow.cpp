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
#include "gui/app/ZrMessageBox.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/reader/ConnetDlg.h"
#include "gui/discovery/UdpGetInfoDlg.h"
#include "gui/firmware/FirmWareUpdateFor6CDlg.h"
#include "core/reader/ReaderDllBase.h"
#include "ui_MainWindow.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMutex>

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

// Menus in their fixed order along the bar; a menu or item joins when its profile switch is on. The
// profile also switches menus and items that have no dialog in this program (named below where they
// sit in that order): those never appear, and a menu of only such items is not created at all.
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

    if (QMenu* connetMenu = AddMenu("connetMenu", "IDCS_CONNET_CONFIG")) {
        m_udpGetInfoAc = AddAction(connetMenu, "connetMenu", "UdpGetInfoDlg", "IDCS_UDP_GET",
                                   &MainWindow::slot_UdpGetInfoAc);
        if (m_udpGetInfoAc) {
            m_udpGetInfoDlg = new UdpGetInfoDlg(this);
        }
    }

    if (QMenu* sys6cMenu = AddMenu("sys6cMenu", "IDCS_SYS_CONFIG")) {
        m_firmWareUpdateAc = AddAction(sys6cMenu, "sys6cMenu", "sys6cFirmWareUpdate", "IDCS_FIRMWARE_UPDATE",
                                       &MainWindow::slot_FirmWareUpdateFor6CAc);
        if (m_firmWareUpdateAc) {
            m_firmWareUpdateFor6CDlg = new FirmWareUpdateFor6CDlg(this);
        }
        m_rebootDeviceAc = AddAction(sys6cMenu, "sys6cMenu", "rebootDeviceAc", "IDCS_REBOOT_DEVICE",
                                     &MainWindow::slot_rebootDeviceFor6CAc);
    }

    // Switched but without dialogs: test6cMenu, connet6cMenu, readConfig6cMenu, appOperateMenu,
    // wirelessConfigMenu.

    if (QMenu* helpMenu = AddMenu("helpMenu", "IDCS_HELP")) {
        m_versionCommonAc = AddAction(helpMenu, "helpMenu", "VersionCommonDlg", "IDCS_SOFT_VER",
                                      &MainWindow::slot_VersionCommonAc);
        if (m_versionCommonAc) {
            m_versionCommonDlg = new VersionCommonDlg(this);
        }
        // Switched but without a dialog: VersionDlg.
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

void MainWindow::slot_VersionCommonAc()
{
    if (m_versionCommonDlg) {
        m_versionCommonDlg->exec();
    }
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
        LogKey("IDCS_NO_HELP_DOC");
    }
}

void MainWindow::slot_updateReaderState(int nConnetType)
{
    // The pages read the state when they act; only the connection panel follows it.
    if (m_connetDlg) {
        m_connetDlg->UpdateConnectState(nConnetType);
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
