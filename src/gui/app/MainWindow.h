#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

namespace Ui {
class MainWindow;
}

class ConnetDlg;
class FirmWareUpdateFor6CDlg;
class GjbConfigMenus;
class OpListDlg;
class QAction;
class QDialog;
class QMenu;
class SoftConfigDlg;
class UdpGetInfoDlg;
class VersionCommonDlg;
class VersionDlg;
class workDpaceDlg;
// 6C reader configuration dialogs.
class BusAddrConfigDlg;
class CarrierWaveFor6CDlg;
class ComConfigDlg;
class FiltrateTagFor6CDlg;
class FlashConfigFor6CDlg;
class GprsConfigDlg;
class IoConfigFor6CDlg;
class NetConfigFor6CDlg;
class ParamConfigFor6CDlg;
class QValueDlg;
class ReaderInfoFor6CDlg;
class ReaderTimeSetDlg;
// Wi-Fi module configuration.
class WIFIConfigFor6CDLg;

// The single top-level window: connection panel, work area and operation log, the menus that the
// device profile switches on, and the hub every notification passes through.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool GetRestartFlag() const { return m_restart; }
    void SetRestartFlag(bool restart) { m_restart = restart; }

    QWidget* connetContainer() const;
    QWidget* workContainer() const;
    QWidget* opListContainer() const;

    ConnetDlg* connetDlg() const { return m_connetDlg; }
    workDpaceDlg* workArea() const { return m_workDpaceDlg; }
    OpListDlg* opListDlg() const { return m_opListDlgWidget; }

    // The reader must be connected and idle; refusals are logged. requiredConnectType >= 0 also
    // demands that medium, logging wrongTypeKey otherwise.
    static bool CheckReaderLink(int requiredConnectType = -1, const char* wrongTypeKey = nullptr);

    // Opens the help document; replaceable so tests start no browser.
    using UrlOpener = std::function<bool(const QUrl&)>;
    static void SetUrlOpener(UrlOpener opener);

signals:
    // Every logged line, on the window's thread; the operation log listens.
    void sig_logLine(const QString& text, bool isError, int errorCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void slot_SoftConfigAc();
    void slot_ExitAc();
    void slot_rebootDeviceFor6CAc();
    void slot_UdpGetInfoAc();
    void slot_FirmWareUpdateFor6CAc();
    void slot_VersionCommonAc();
    void slot_VersionAc();
    void slot_HelpAc();
    // 6C reader configuration.
    void slot_ReaderInfoFor6CAc();
    void slot_ReadTimeSetFor6CAc();
    void slot_CarrierWaveFor6CAc();
    void slot_ParamConfigFor6CAc();
    void slot_NetConfigFor6cAc();
    void slot_ComConfigFor6cAc();
    void slot_BusConfigFor6cAc();
    void slot_FiltrateTagFor6CAc();
    void slot_FlashConfigFor6CAc();
    void slot_QValueAc();
    void slot_IoConfigAc();
    void slot_GprsConfigAc();
    // Wi-Fi module configuration.
    void slot_WIFIConfigFor6CAc();

    void slot_updateReaderState(int nConnetType);
    void slot_UpdateReadCount(int count, int speed, int nReset);
    void slot_CutConnet();
    void slot_leftBtnClicked();
    void slot_downBtnClicked();

private:
    void CreatePanels();
    void CreateMenus();
    QMenu* AddMenu(const char* flag, const char* titleKey);
    QAction* AddAction(QMenu* menu, const char* group, const char* flag, const char* textKey,
                       void (MainWindow::*slot)());
    // An item without a switch of its own (present by another setting).
    QAction* AddAction(QMenu* menu, const char* name, const char* textKey, void (MainWindow::*slot)());
    // The link precondition, then the dialog is made modal and shown.
    static void ShowWhenLinked(QDialog* dialog);
    // The question before quitting; false when the operator stays or a read is running.
    bool ConfirmQuit();
    // The guide in a window of the program's own, when no browser can be started.
    void ShowHelpInside(const QUrl& url);

    std::unique_ptr<Ui::MainWindow> ui;
    bool m_restart = false;
    bool m_quitConfirmed = false;

    ConnetDlg* m_connetDlg = nullptr;
    workDpaceDlg* m_workDpaceDlg = nullptr;
    OpListDlg* m_opListDlgWidget = nullptr;

    SoftConfigDlg* m_softConfigDlg = nullptr;
    VersionCommonDlg* m_versionCommonDlg = nullptr;
    VersionDlg* m_versionDlg = nullptr;
    UdpGetInfoDlg* m_udpGetInfoDlg = nullptr;
    FirmWareUpdateFor6CDlg* m_firmWareUpdateFor6CDlg = nullptr;
    QDialog* m_helpWindow = nullptr;

    QAction* m_softconfigAc = nullptr;
    QAction* m_quitAc = nullptr;
    QAction* m_rebootDeviceAc = nullptr;
    QAction* m_udpGetInfoAc = nullptr;
    GjbConfigMenus* m_gjbConfigMenus = nullptr;
    QAction* m_firmWareUpdateAc = nullptr;
    QAction* m_versionCommonAc = nullptr;
    QAction* m_versionAc = nullptr;
    QAction* m_helpAc = nullptr;

    ReaderInfoFor6CDlg* m_readerInfoFor6CDlg = nullptr;
    ReaderTimeSetDlg* m_readerTimeSetDlg = nullptr;
    CarrierWaveFor6CDlg* m_carrierWaveFor6CDlg = nullptr;
    ParamConfigFor6CDlg* m_paramConfigFor6CDlg = nullptr;
    NetConfigFor6CDlg* m_netConfigFor6CDlg = nullptr;
    ComConfigDlg* m_comConfigDlg = nullptr;
    BusAddrConfigDlg* m_busAddrConfigDlg = nullptr;
    FiltrateTagFor6CDlg* m_filtrateTagFor6CDlg = nullptr;
    FlashConfigFor6CDlg* m_flashConfigFor6CDlg = nullptr;
    QValueDlg* m_qValueDlg = nullptr;
    IoConfigFor6CDlg* m_ioConfigFor6CDlg = nullptr;
    GprsConfigDlg* m_gprsConfigDlg = nullptr;
    QAction* m_readerInfoFor6CAc = nullptr;
    QAction* m_readTimeSetFor6CAc = nullptr;
    QAction* m_carrierWaveFor6CAc = nullptr;
    QAction* m_paramConfigFor6CAc = nullptr;
    QAction* m_netConfigFor6cAc = nullptr;
    QAction* m_comConfigFor6cAc = nullptr;
    QAction* m_busConfigFor6cAc = nullptr;
    QAction* m_filtrateTagFor6CAc = nullptr;
    QAction* m_flashConfigFor6CAc = nullptr;
    QAction* m_qValueAc = nullptr;
    QAction* m_ioConfigAc = nullptr;
    QAction* m_gprsConfigAc = nullptr;

    WIFIConfigFor6CDLg* m_wifiConfigFor6CDlg = nullptr;
    QAction* m_wifiConfigFor6CAc = nullptr;
};
