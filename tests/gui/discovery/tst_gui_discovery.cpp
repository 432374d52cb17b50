// Discovery in the windows: the dialog's two lists, the connection panel's query button and the menu.
#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/discovery/UdpWorkerThread.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/discovery/UdpGetInfoDlg.h"
#include "gui/reader/ConnetDlg.h"

#include <readersim/discovery.h>

#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

using namespace guitest;

namespace {
const QString kProfile = QStringLiteral("6C-DEBUG.ini");

std::unique_ptr<readersim::DiscoveryResponder> Responder(int readers)
{
    readersim::DiscoveryOptions o;
    o.readers = readers;
    auto r = std::make_unique<readersim::DiscoveryResponder>(o);
    return r->start() ? std::move(r) : nullptr;
}

QComboBox* Box(QWidget* parent, const char* name)
{
    return parent->findChild<QComboBox*>(QString::fromLatin1(name));
}

QStringList Items(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}
} // namespace

class TstGuiDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void dialogListsReadersSideBySide();
    void panelQueryFillsTheAddressList_data();
    void panelQueryFillsTheAddressList();
    void menuOpensTheDialog();
};

void TstGuiDiscovery::dialogListsReadersSideBySide()
{
    auto responder = Responder(3);
    QVERIFY(responder);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DISCOVERY/TARGET", QStringLiteral("127.0.0.1:%1").arg(responder->port()));
    dir.startApp();
    LogCapture log;
    {
        UdpGetInfoDlg dialog;
        QComboBox* ips = Box(&dialog, "ipCb");
        QComboBox* names = Box(&dialog, "sysInfoCb");
        dialog.show(); // every show starts a discovery
        QTRY_COMPARE(ips->count(), 3);
        QCOMPARE(Items(ips), (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QCOMPARE(Items(names), (QStringList{"READER01-001", "READER01-002", "READER01-003"}));

        // Still collecting: a second press is refused and the lists stay.
        dialog.findChild<QPushButton*>("queryBtn")->click();
        QCOMPARE(log.texts(), QStringList{Text("IDCS_UDP_DOING")});
        QCOMPARE(ips->count(), 3);

        // An address and its name are always shown together, whichever list is moved.
        names->setCurrentIndex(2);
        QCOMPARE(ips->currentIndex(), 2);
        ips->setCurrentIndex(1);
        QCOMPARE(names->currentIndex(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(log.contains(Text("IDCS_UDP_GET_SUCCESS")) && !dialog.worker()->isRunning(),
                                 10000);
        // A new run starts from empty lists.
        dialog.hide();
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.worker()->isRunning() && log.count() == 3, 10000);
        QCOMPARE(ips->count(), 3);
        QCOMPARE(names->count(), 3);
    }
    dir.stopApp();
}

void TstGuiDiscovery::panelQueryFillsTheAddressList_data()
{
    QTest::addColumn<bool>("switchedOn");
    QTest::addColumn<bool>("readerAnswers");
    QTest::newRow("readers answer") << true << true;
    QTest::newRow("nobody answers") << true << false;
    QTest::newRow("switched off") << false << true;
}

void TstGuiDiscovery::panelQueryFillsTheAddressList()
{
    QFETCH(bool, switchedOn);
    QFETCH(bool, readerAnswers);
    auto responder = Responder(2);
    QVERIFY(responder);
    const int port = responder->port();
    if (!readerAnswers) {
        responder.reset();
    }
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DISCOVERY/TARGET", QStringLiteral("127.0.0.1:%1").arg(port));
    dir.setProfileValue(kProfile, "ConnetDlg/UdpWorkerThread", switchedOn ? "1" : "0");
    dir.setProfileValue(kProfile, "ConnetDlg/TCP_ADDR", "127.0.0.9");
    dir.startApp();
    LogCapture log;
    {
        ConnetDlg panel; // the first discovery starts with the panel
        QComboBox* addresses = Box(&panel, "tcpAddrCb");
        auto* query = panel.findChild<QPushButton*>("queryIpBtn");
        QCOMPARE(query->isHidden(), !switchedOn);
        if (!switchedOn) {
            QTest::qWait(200);
            QCOMPARE(addresses->count(), 0);
            QVERIFY(log.texts().isEmpty());
        } else if (readerAnswers) {
            QTRY_COMPARE(Items(addresses), (QStringList{"127.0.0.1", "127.0.0.2"}));
            query->click();
            QCOMPARE(log.last(), Text("IDCS_UDP_DOING"));
            QCOMPARE(addresses->count(), 2);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(log.contains(Text("IDCS_UDP_GET_FAILED")), 10000);
            // The remembered address survives a discovery that found nothing.
            QCOMPARE(addresses->currentText(), QStringLiteral("127.0.0.9"));
        }
    }
    dir.stopApp();
}

void TstGuiDiscovery::menuOpensTheDialog()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    {
        MainWindow window;
        QAction* item = nullptr;
        for (QAction* menu : window.menuBar()->actions()) {
            if (menu->menu() && menu->menu()->objectName() == "connetMenu") {
                for (QAction* action : menu->menu()->actions()) {
                    item = action->objectName() == "UdpGetInfoDlg" ? action : item;
                }
            }
        }
        QVERIFY(item);
        QCOMPARE(item->text(), Text("IDCS_UDP_GET"));
        auto* dialog = window.findChild<UdpGetInfoDlg*>();
        QVERIFY(dialog && dialog->isHidden());
        item->trigger(); // no reader needed
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowTitle(), Text("IDCS_UDP_GET_INFO"));
        dialog->hide();
    }
    dir.stopApp();
}

QTEST_MAIN(TstGuiDiscovery)
#include "tst_gui_discovery.moc"
