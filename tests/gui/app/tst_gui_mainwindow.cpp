#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "TempAppDir.h"
#include "core/app/AppContext.h"
#include "core/inventory/ReadCardFor6CThread.h"
#include "gui/app/MainWindow.h"
#include "gui/app/OpListDlg.h"
#include "gui/app/RunRivulet.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/inventory/ReadCardFor6CDlg.h"
#include "gui/inventory/TagListModel.h"
#include "gui/reader/ConnetDlg.h"

#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QtTest>

#include <thread>

using namespace guitest;

namespace {
const QString kProfile = QStringLiteral("6C-DEBUG.ini");

QStringList MenuNames(MainWindow& window)
{
    QStringList names;
    for (QAction* action : window.menuBar()->actions()) {
        if (action->menu()) {
            names << action->menu()->objectName();
        }
    }
    return names;
}

QMenu* Menu(MainWindow& window, const QString& name)
{
    for (QAction* action : window.menuBar()->actions()) {
        if (action->menu() && action->menu()->objectName() == name) {
            return action->menu();
        }
    }
    return nullptr;
}

QStringList ItemNames(QMenu* menu)
{
    QStringList names;
    if (menu) {
        for (QAction* action : menu->actions()) {
            names << action->objectName();
        }
    }
    return names;
}

QAction* Item(MainWindow& window, const QString& menu, const QString& item)
{
    QMenu* m = Menu(window, menu);
    if (!m) {
        return nullptr;
    }
    for (QAction* action : m->actions()) {
        if (action->objectName() == item) {
            return action;
        }
    }
    return nullptr;
}

void PressKey(QWidget& window, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
}
} // namespace

class TstGuiMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void cleanup() { MainWindow::SetUrlOpener({}); }
    void menusAndPanelsFromProfile();
    void emptyFileMenu();
    void attachFunctionNull();
    void panelsSwitchedOff();
    void title_data();
    void title();
    void linkPrecondition();
    void rebootNeedsLinkAndConsent();
    void quitAndClose();
    void escapeWhileReading();
    void functionKeysForwarded();
    void panelToggles();
    void tabChangeRefusedWhileReading();
    void notificationsReachThePanels();
    void notificationsAfterTheWindowIsGone();
    void selectTagHandOver();
    void help();
    void versionBox();
    void fitsASmallScreen_data();
    void fitsASmallScreen();
};

void TstGuiMainWindow::menusAndPanelsFromProfile()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    // The 6C profile: the menus whose dialogs this build has, in their fixed order.
    const QStringList menus = MenuNames(window);
    QCOMPARE(menus.first(), QStringLiteral("fileMenu"));
    QCOMPARE(menus.last(), QStringLiteral("helpMenu"));
    QVERIFY(menus.indexOf("sys6cMenu") > 0);
    QCOMPARE(ItemNames(Menu(window, "fileMenu")), (QStringList{"softconfigAc", "quitAc"}));
    QCOMPARE(Menu(window, "fileMenu")->title(), Text("IDCS_FILE"));
    QCOMPARE(Item(window, "fileMenu", "quitAc")->text(), Text("IDCS_QUIT"));
    QVERIFY(ItemNames(Menu(window, "sys6cMenu")).contains("rebootDeviceAc"));
    QCOMPARE(ItemNames(Menu(window, "helpMenu")).first(), QStringLiteral("VersionCommonDlg"));
    QCOMPARE(ItemNames(Menu(window, "helpMenu")).last(), QStringLiteral("HelpAc"));
    // GJB menus are off in a 6C profile.
    QVERIFY(!menus.contains("testMenu"));
    QVERIFY(!menus.contains("repairMenu"));

    QVERIFY(window.connetDlg());
    QVERIFY(window.workArea());
    QVERIFY(window.opListDlg());
    QVERIFY(!window.connetContainer()->isHidden());
    QCOMPARE(window.opListContainer()->height(), 200);
    QCOMPARE(window.size(), QSize(1024, 767));
    // Dialogs are built once, hidden.
    QVERIFY(window.findChild<QDialog*>(QStringLiteral("SoftConfigDlg")));
    QVERIFY(window.findChild<QDialog*>(QStringLiteral("SoftConfigDlg"))->isHidden());

    // An item whose switch is off is absent, and so is its dialog.
    dir.stopApp();
    dir.setProfileValue(kProfile, "fileMenu/softconfigAc", "0");
    dir.setProfileValue(kProfile, "helpMenu/VersionCommonDlg", "0");
    dir.setProfileValue(kProfile, "MenuBar/sys6cMenu", "0");
    dir.startApp();
    MainWindow second;
    QCOMPARE(ItemNames(Menu(second, "fileMenu")), QStringList{"quitAc"});
    QCOMPARE(ItemNames(Menu(second, "helpMenu")), QStringList{"HelpAc"});
    QVERIFY(!Menu(second, "sys6cMenu"));
    QVERIFY(!second.findChild<QDialog*>(QStringLiteral("SoftConfigDlg")));
    QVERIFY(!second.findChild<QDialog*>(QStringLiteral("VersionCommonDlg")));
}

void TstGuiMainWindow::emptyFileMenu()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "fileMenu/softconfigAc", "0");
    dir.setProfileValue(kProfile, "fileMenu/quitAc", "0");
    dir.startApp();
    MainWindow window;
    QMenu* file = Menu(window, "fileMenu");
    QVERIFY(file);
    QVERIFY(file->actions().isEmpty());
    QCOMPARE(MenuNames(window).first(), QStringLiteral("fileMenu"));
}

void TstGuiMainWindow::attachFunctionNull()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("6CCONIFG/AttachFunction", "NULL");
    dir.startApp();
    MainWindow window;
    QVERIFY(!Menu(window, "wirelessConfigMenu"));
    for (QAction* action : window.findChildren<QAction*>()) {
        QVERIFY(action->text() != Text("IDCS_FLASH"));
    }
}

void TstGuiMainWindow::panelsSwitchedOff()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "MainWindow/ConnetDlg", "0");
    dir.setProfileValue(kProfile, "MainWindow/OpListDlg", "0");
    dir.startApp();
    MainWindow window;
    QVERIFY(!window.connetDlg());
    QVERIFY(!window.opListDlg());
    QVERIFY(window.connetContainer()->isHidden());
    QVERIFY(window.opListContainer()->isHidden());
    QVERIFY(window.workArea());

    // The toggles need both panels; log lines and counts have nowhere to go and are dropped.
    emit window.workArea()->leftBtnClicked();
    emit window.workArea()->downBtnClicked();
    QVERIFY(window.connetContainer()->isHidden());
    QCOMPARE(window.workArea()->leftBtnImage(), QStringLiteral("cebian_left"));
    AppContext::Instance()->logMessage(QStringLiteral("nowhere"), false);
    AppContext::Instance()->NotifyReaderState(2);
    AppContext::Instance()->RequestCutConnection();
    emit window.workArea()->sig_sendReadCount(1, 2, 1);
    QCoreApplication::processEvents();

    dir.stopApp();
    dir.setProfileValue(kProfile, "MainWindow/workDpaceDlg", "0");
    dir.startApp();
    MainWindow bare;
    QVERIFY(!bare.workArea());
    QVERIFY(bare.workContainer()->isHidden());
    PressKey(bare, Qt::Key_F8);
}

void TstGuiMainWindow::title_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expectedKey");
    QTest::newRow("text key") << "IDCS_WINTITLE_6C"
                              << "IDCS_WINTITLE_6C";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("key without text") << "IDCS_NOT_A_TEXT_ANYWHERE"
                                      << "IDCS_NOT_A_TEXT_ANYWHERE";
}

void TstGuiMainWindow::title()
{
    QFETCH(QString, value);
    QFETCH(QString, expectedKey);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "MainWindow/WinTitle", value);
    dir.startApp();
    MainWindow window;
    QCOMPARE(window.windowTitle(), LangText(expectedKey));
    if (!value.isEmpty()) {
        QVERIFY(!window.windowTitle().isEmpty());
    }
}

void TstGuiMainWindow::linkPrecondition()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    LogCapture log;
    ReaderDllBase* reader = Reader();

    reader->SetState(0);
    QVERIFY(!MainWindow::CheckReaderLink());
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READ_NO_LINK")});
    QCOMPARE(log.lines().first().second, false);

    log.clear();
    reader->SetState(3);
    QVERIFY(!MainWindow::CheckReaderLink());
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});

    log.clear();
    reader->SetState(4);
    QVERIFY(!MainWindow::CheckReaderLink());
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READ_NO_LINK")});

    log.clear();
    reader->SetState(2);
    QVERIFY(MainWindow::CheckReaderLink());
    QCOMPARE(log.count(), 0);

    // The firmware update needs TCP, the Wi-Fi set-up the serial port.
    reader->SetComParam(QStringLiteral("COM3"), 115200);
    QVERIFY(!MainWindow::CheckReaderLink(ReaderDllBase::ConnectTcp, "IDCS_FIRMWARE_UPDATE_NEED_NET"));
    QCOMPARE(log.texts(), QStringList{Text("IDCS_FIRMWARE_UPDATE_NEED_NET")});
    QVERIFY(MainWindow::CheckReaderLink(ReaderDllBase::ConnectCom, "IDCS_NOT_COM_CANNOT_WIFI"));
    reader->SetTcpParam(QStringLiteral("127.0.0.1"), 4001);
    log.clear();
    QVERIFY(!MainWindow::CheckReaderLink(ReaderDllBase::ConnectCom, "IDCS_NOT_COM_CANNOT_WIFI"));
    QCOMPARE(log.texts(), QStringList{Text("IDCS_NOT_COM_CANNOT_WIFI")});
    QVERIFY(MainWindow::CheckReaderLink(ReaderDllBase::ConnectTcp, "IDCS_FIRMWARE_UPDATE_NEED_NET"));
    // Reading wins over the medium.
    log.clear();
    reader->SetState(3);
    QVERIFY(!MainWindow::CheckReaderLink(ReaderDllBase::ConnectCom, "IDCS_NOT_COM_CANNOT_WIFI"));
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    reader->SetState(0);
}

void TstGuiMainWindow::rebootNeedsLinkAndConsent()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    QAction* reboot = Item(window, "sys6cMenu", "rebootDeviceAc");
    QVERIFY(reboot);
    QuestionAnswers answers;
    LogCapture log;

    reboot->trigger();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READ_NO_LINK")});
    QVERIFY(answers.asked().isEmpty());

    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator();
    QVERIFY(sim);
    Reader()->SetTcpParam(QStringLiteral("127.0.0.1"), sim->tcpPort());
    QVERIFY(Reader()->OpenReader());
    AppContext::Instance()->NotifyReaderState(2);
    QTRY_VERIFY(!window.findChild<QPushButton*>(QStringLiteral("connetBtn"))->isEnabled());

    log.clear();
    answers.pushCancel();
    reboot->trigger();
    QCOMPARE(answers.asked(), QStringList{Text("IDCS_READLY_REBOOT_DEVICE")});
    QCOMPARE(log.count(), 0);
    QCOMPARE(Reader()->GetState(), 2);

    answers.pushOk();
    reboot->trigger();
    QCOMPARE(log.texts().first(), Text("IDCS_REBOOT_SUCCESS"));
    // The reader goes away: the panel is asked to disconnect.
    QTRY_COMPARE(Reader()->GetState(), 0);
    QVERIFY(log.contains(Text("IDCS_DISCONNET_SUCCESS")));
    QTRY_VERIFY(window.findChild<QPushButton*>(QStringLiteral("connetBtn"))->isEnabled());
}

void TstGuiMainWindow::quitAndClose()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QuestionAnswers answers;

    answers.pushCancel();
    Item(window, "fileMenu", "quitAc")->trigger();
    QCOMPARE(answers.asked(), QStringList{Text("IDCS_QUIT_SOFT")});
    QVERIFY(window.isVisible());

    answers.pushCancel();
    PressKey(window, Qt::Key_Escape);
    QCOMPARE(answers.asked().size(), 2);
    QVERIFY(window.isVisible());

    answers.pushCancel();
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());

    // Quitting while reading is refused before anything is asked.
    LogCapture log;
    Reader()->SetState(3);
    QVERIFY(!window.close());
    QCOMPARE(answers.asked().size(), 3);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    Reader()->SetState(0);

    answers.pushOk();
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QCOMPARE(answers.pending(), 0);
}

void TstGuiMainWindow::escapeWhileReading()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QuestionAnswers answers;
    LogCapture log;
    Reader()->SetState(ReaderDllBase::StateReading);
    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    QVERIFY(answers.asked().isEmpty());
    QVERIFY(window.isVisible());
    Reader()->SetState(ReaderDllBase::StateDisconnected);
}

void TstGuiMainWindow::functionKeysForwarded()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QComboBox*>(QStringLiteral("tcpAddrCb"))->setEditText(QStringLiteral("300.1.1.1"));
    LogCapture log;
    PressKey(window, Qt::Key_F1);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_IPADDR_INVAID")});

    // F8 reaches the inventory page, which needs a reader.
    QVERIFY(window.workArea()->tabWidget()->count() > 0);
    log.clear();
    PressKey(window, Qt::Key_F8);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READ_NO_LINK")});
    // The connection panel folded away takes no keys.
    log.clear();
    emit window.workArea()->leftBtnClicked();
    PressKey(window, Qt::Key_F1);
    QCOMPARE(log.count(), 0);
}

void TstGuiMainWindow::panelToggles()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    workDpaceDlg* work = window.workArea();
    auto* left = work->findChild<QPushButton*>(QStringLiteral("leftBtn"));
    auto* down = work->findChild<QPushButton*>(QStringLiteral("downBtn"));
    QVERIFY(left && left->isVisible());
    QVERIFY(down && down->isVisible());
    QCOMPARE(work->leftBtnImage(), QStringLiteral("cebian_left"));
    QVERIFY(left->styleSheet().contains(":/cebian/skin/cebian_left.png"));

    QTest::mouseClick(left, Qt::LeftButton);
    QVERIFY(window.connetContainer()->isHidden());
    QCOMPARE(work->leftBtnImage(), QStringLiteral("cebian_right"));
    QVERIFY(left->styleSheet().contains(":/cebian/skin/cebian_right.png"));
    QTest::mouseClick(left, Qt::LeftButton);
    QVERIFY(!window.connetContainer()->isHidden());
    QCOMPARE(work->leftBtnImage(), QStringLiteral("cebian_left"));

    QTest::mouseClick(down, Qt::LeftButton);
    QVERIFY(window.opListContainer()->isHidden());
    QCOMPARE(work->downBtnImage(), QStringLiteral("cebian_up"));
    QTest::mouseClick(down, Qt::LeftButton);
    QVERIFY(!window.opListContainer()->isHidden());
    QCOMPARE(work->downBtnImage(), QStringLiteral("cebian_down"));

    // Switches off: no buttons.
    dir.stopApp();
    dir.setProfileValue(kProfile, "workDpaceDlg/LeftBtn", "0");
    dir.setProfileValue(kProfile, "workDpaceDlg/DownBtn", "0");
    dir.startApp();
    MainWindow plain;
    QVERIFY(plain.workArea()->findChild<QPushButton*>(QStringLiteral("leftBtn"))->isHidden());
    QVERIFY(plain.workArea()->findChild<QPushButton*>(QStringLiteral("downBtn"))->isHidden());
}

void TstGuiMainWindow::tabChangeRefusedWhileReading()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    QTabWidget* tabs = window.workArea()->tabWidget();
    while (tabs->count() < 3) {
        tabs->addTab(new QWidget, QStringLiteral("extra"));
    }
    tabs->setCurrentIndex(0);
    LogCapture log;

    Reader()->SetState(ReaderDllBase::StateReading);
    tabs->setCurrentIndex(2);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});

    Reader()->SetState(ReaderDllBase::StateConnected);
    tabs->setCurrentIndex(2);
    QCOMPARE(tabs->currentIndex(), 2);
    // Back to the first tab is always allowed.
    Reader()->SetState(ReaderDllBase::StateReading);
    tabs->setCurrentIndex(0);
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(log.count(), 1);
    Reader()->SetState(ReaderDllBase::StateDisconnected);
}

void TstGuiMainWindow::notificationsReachThePanels()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    auto* connect = window.findChild<QPushButton*>(QStringLiteral("connetBtn"));
    QVERIFY(connect && connect->isEnabled());

    // Queued: nothing happens until the event loop runs.
    AppContext::Instance()->NotifyReaderState(2);
    AppContext::Instance()->logMessage(QStringLiteral("hello"), false);
    QVERIFY(connect->isEnabled());
    QCOMPARE(window.opListDlg()->lineCount(), 0);
    QTRY_VERIFY(!connect->isEnabled());
    QTRY_COMPARE(window.opListDlg()->lineCount(), 1);
    QCOMPARE(window.opListDlg()->lineText(0, 2), QStringLiteral("hello"));

    // Counts from the inventory pages go to the panel.
    emit window.workArea()->sig_sendReadCount(42, 7, 2);
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("tagCountValue"))->text(), QStringLiteral("42"));

    // Worker threads log too.
    std::thread worker([] { AppContext::Instance()->logMessage(QStringLiteral("from a worker"), false); });
    worker.join();
    QTRY_COMPARE(window.opListDlg()->lineCount(), 2);

    // A request to cut the connection runs the panel's disconnect.
    LogCapture log;
    Reader()->SetState(3);
    AppContext::Instance()->RequestCutConnection();
    QTRY_VERIFY(log.contains(Text("IDCS_READING_CARD")));
    Reader()->SetState(0);
    AppContext::Instance()->NotifyReaderState(0);
    QTRY_VERIFY(connect->isEnabled());
}

void TstGuiMainWindow::notificationsAfterTheWindowIsGone()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    auto* window = new MainWindow;
    AppContext::Instance()->logMessage(QStringLiteral("queued before"), false);
    AppContext::Instance()->NotifyReaderState(2);
    delete window;
    QVERIFY(!AppContext::Instance()->HasListener());
    AppContext::Instance()->logMessage(QStringLiteral("after"), true);
    AppContext::Instance()->NotifyReaderState(0);
    AppContext::Instance()->RequestCutConnection();
    QCoreApplication::processEvents(); // nothing posted reaches the deleted window
}

// A tag picked on the inventory page lands on the tag-operation page's select form.
void TstGuiMainWindow::selectTagHandOver()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    {
        MainWindow window;
        auto* matchData = window.findChild<QLineEdit*>(QStringLiteral("matchDataEdit"));
        QVERIFY(matchData);
        LogCapture log;
        // Not connected: the select itself is refused, but the form shows what was handed over.
        QVERIFY(!window.workArea()->selectTag(1, 0, 2, QStringLiteral("ABCD")));
        QCOMPARE(matchData->text(), QStringLiteral("ABCD"));
        // Other sub-pages have an area list too: take the one beside the match data.
        QWidget* selectPage = matchData->parentWidget();
        while (selectPage && !selectPage->findChild<QComboBox*>(QStringLiteral("areaCombo"))) {
            selectPage = selectPage->parentWidget();
        }
        QVERIFY(selectPage);
        QCOMPARE(selectPage->findChild<QLineEdit*>(QStringLiteral("matchLenEdit"))->text(),
                 QStringLiteral("2"));
        QCOMPARE(selectPage->findChild<QComboBox*>(QStringLiteral("areaCombo"))->currentIndex(), 1);
        QVERIFY(log.count() >= 1);

        // The inventory page's select reaches the same form through the work area.
        auto* inventory = window.findChild<ReadCardFor6CDlg*>();
        QVERIFY(inventory);
        TagRead read;
        read.epc = QStringLiteral("E2801170");
        read.antenna = 1;
        inventory->worker()->buffer().push(std::move(read));
        inventory->slot_refresh_time();
        inventory->findChild<QTreeView*>(QStringLiteral("tagTree"))
            ->setCurrentIndex(inventory->model()->index(0, 0));
        inventory->slot_selectEpc();
        QCOMPARE(matchData->text(), QStringLiteral("E2801170"));
        QCOMPARE(selectPage->findChild<QLineEdit*>(QStringLiteral("matchLenEdit"))->text(),
                 QStringLiteral("4"));
        QCOMPARE(selectPage->findChild<QComboBox*>(QStringLiteral("areaCombo"))->currentIndex(), 0);
    }
    dir.stopApp();

    dir.setProfileValue(kProfile, "workDpaceDlg/TagOpFor6CDlg", "0");
    dir.startApp();
    MainWindow window;
    QVERIFY(!window.findChild<QLineEdit*>(QStringLiteral("matchDataEdit")));
    QVERIFY(!window.workArea()->selectTag(0, 0, 2, QStringLiteral("ABCD")));
    QVERIFY(!window.workArea()->selectTag(1, 0, 1, QStringLiteral("AB")));
}

void TstGuiMainWindow::help()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.removeFile("help/index.html");
    dir.startApp();
    MainWindow window;
    QList<QUrl> opened;
    bool openResult = true;
    MainWindow::SetUrlOpener([&](const QUrl& url) {
        opened << url;
        return openResult;
    });
    LogCapture log;
    QAction* help = Item(window, "helpMenu", "HelpAc");
    QVERIFY(help);
    help->trigger();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_NO_HELP_DOC")});
    QVERIFY(opened.isEmpty());

    QVERIFY(dir.writeFile("help/index.html", "<html></html>"));
    log.clear();
    help->trigger();
    QCOMPARE(log.count(), 0);
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first().isLocalFile());
    QCOMPARE(QFileInfo(opened.first().toLocalFile()).canonicalFilePath(),
             QFileInfo(dir.filePath("help/index.html")).canonicalFilePath());

    // No browser could be started: the guide opens in the program's own window instead.
    QVERIFY(dir.writeFile("help/index.html", "<html><body><h1>Rivulet user guide</h1></body></html>"));
    openResult = false;
    log.clear();
    help->trigger();
    QCOMPARE(log.count(), 0);
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    QVERIFY(browser);
    QVERIFY(browser->window()->isVisible());
    QCOMPARE(QFileInfo(browser->source().toLocalFile()).canonicalFilePath(),
             QFileInfo(dir.filePath("help/index.html")).canonicalFilePath());
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Rivulet user guide")));
}

void TstGuiMainWindow::versionBox()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    MainWindow window;
    auto* box = window.findChild<QDialog*>(QStringLiteral("VersionCommonDlg"));
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), Text("IDCS_SOFT_VER"));
    box->show();
    auto* api = box->findChild<QLabel*>(QStringLiteral("apiVerValue"));
    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("softVerValue"))->text(), QStringLiteral("V1.0.0"));
    // Whatever the driver answers, or "-" when it cannot.
    char buffer[256] = {};
    const QString expected =
        Reader()->GetLibraryInfo(buffer) ? QString::fromUtf8(buffer) : QStringLiteral("-");
    QCOMPARE(api->text(), expected);
    box->hide();
}

void TstGuiMainWindow::fitsASmallScreen_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "en";
    QTest::newRow("Chinese") << "zh_CN";
}

// A 1366 x 768 laptop less a title bar and a task bar leaves about 650 pixels; at the window's
// first size a table of 96-bit EPCs and TIDs shows every antenna column.
void TstGuiMainWindow::fitsASmallScreen()
{
    QFETCH(QString, language);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    {
        QSettings index(dir.filePath("language/LanguageIndex.ini"), QSettings::IniFormat);
        index.setValue("info/languagesSel", language);
    }
    dir.startApp();
    ApplyLook(*qApp);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY2(window.minimumSizeHint().height() <= 650,
             qPrintable(QString::number(window.minimumSizeHint().height())));
    QVERIFY(window.minimumSizeHint().width() <= 1366);

    auto* inventory = window.findChild<ReadCardFor6CDlg*>();
    QVERIFY(inventory);
    // Hex digits as they come in real numbers: all sixteen, mixed.
    const QString digits = QStringLiteral("0123456789ABCDEF").repeated(3);
    for (int i = 0; i < 3; ++i) {
        TagRead read;
        read.epc = digits.mid(i, 24);
        read.tid = QStringLiteral("E200") + digits.mid(7 + i, 20);
        read.antenna = 4;
        read.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
        inventory->worker()->buffer().push(std::move(read));
    }
    inventory->slot_refresh_time();
    auto* tree = inventory->findChild<QTreeView*>(QStringLiteral("tagTree"));
    QHeaderView* header = tree->header();
    const int right =
        header->sectionViewportPosition(TagListModel::ColAnt4) + header->sectionSize(TagListModel::ColAnt4);
    QVERIFY2(right <= tree->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(right).arg(tree->viewport()->width())));
    // At the smallest size no button is narrower than its text.
    window.resize(window.minimumSizeHint().expandedTo(window.minimumSize()));
    for (QTabWidget* tabs : {window.workArea()->tabWidget()}) {
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (QPushButton* button : window.findChildren<QPushButton*>()) {
                if (button->isVisibleTo(&window) && !button->text().isEmpty()) {
                    // Small fixed-size arrow buttons are below the style's preferred width by design;
                    // what matters is that the text itself fits inside the margins.
                    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
                    const int needed = button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin;
                    QVERIFY2(button->width() >= qMin(needed, button->sizeHint().width()),
                             qPrintable(button->text()));
                }
            }
        }
        tabs->setCurrentIndex(0);
    }
    window.resize(1024, 767);
    QCoreApplication::processEvents();

    // And every column is wide enough for what it holds.
    const QFontMetrics fm(tree->font());
    for (int column :
         {int(TagListModel::ColEpc), int(TagListModel::ColTid), int(TagListModel::ColReadTime)}) {
        const QString text = inventory->model()->text(0, column);
        QVERIFY2(fm.horizontalAdvance(text) < header->sectionSize(column), qPrintable(text));
    }
}

QTEST_MAIN(TstGuiMainWindow)
#include "tst_gui_mainwindow.moc"
