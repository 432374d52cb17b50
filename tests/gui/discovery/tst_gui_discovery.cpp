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
};

void TstGuiDiscovery::dialogListsReadersSideBySide()
{
    auto responder = Responder(3);
    QVERIFY(responder);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setSysValue("DISCOVERY/TARGET", QStringLiteral("127.0.0.1:%1").arg(responder->port()));
    dir.setProfileValue(kProfile, "ConnetDlg/UdpWorkerThread", "0"); // only the dialog asks here
    dir.startApp();
    LogCapture log;
    {
        MainWindow window;
        auto* dialog = window.findChild<UdpGetInfoDlg*>();
        QVERIFY(dialog && dialog->isHidden());
        QAction* item = nullptr;
        for (QAction* action : window.findChildren<QAction*>()) {
            item = action->objectName() == "UdpGetInfoDlg" ? action : item;
        }
        QVERIFY(item);
        item->trigger(); // no reader needed; every show starts a discovery
        QVERIFY(dialog->isVisible() && dialog->isModal());
        QComboBox* ips = Box(dialog, "ipCb");
        QComboBox* names = Box(dialog, "sysInfoCb");
        QTRY_COMPARE(ips->count(), 3);
        QCOMPARE(Items(ips), (QStringList{"127.0.0.1", "127.0.0.2", "127.0.0.3"}));
        QCOMPARE(Items(names), (QStringList{"READER01-001", "READER01-002", "READER01-003"}));

        // Still collecting: a second press is refused and the lists stay.
        dialog->findChild<QPushButton*>("queryBtn")->click();
        QCOMPARE(log.texts(), QStringList{Text("IDCS_UDP_DOING")});
        QCOMPARE(ips->count(), 3);

        // An address and its name are always shown together, whichever list is moved.
        names->setCurrentIndex(2);
        QCOMPARE(ips->currentIndex(), 2);
        ips->setCurrentIndex(1);
        QCOMPARE(names->currentIndex(), 1);

        QTRY_VERIFY_WITH_TIMEOUT(log.contains(Text("IDCS_UDP_GET_SUCCESS")) && !dialog->worker()->isRunning(),
                                 10000);
        // A new run starts from empty lists.
        dialog->hide();
        item->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->worker()->isRunning() && log.count() == 3, 10000);
        QCOMPARE(ips->count(), 3);
        QCOMPARE(names->count(), 3);
        dialog->hide();
    }
    dir.stopApp();
}

void TstGuiDiscovery::panelQueryFillsTheAddressList_data()
{
    QTest::addColumn<bool>("switchedOn");
    QTest::addColumn<QString>("target"); // %1: the port of two answering readers, %2: a silent one
    QTest::addColumn<QString>("logKey"); // the outcome
    QTest::newRow("readers answer") << true << "127.0.0.1:%1"
                                    << "IDCS_UDP_GET_SUCCESS";
    QTest::newRow("nobody answers") << true << "127.0.0.1:%2"
                                    << "IDCS_UDP_GET_FAILED";
    QTest::newRow("unreadable target") << true << "reader.example"
                                       << "IDCS_UDP_GET_FAILED_TG";
    QTest::newRow("switched off") << false << "127.0.0.1:%1"
                                  << "";
}

void TstGuiDiscovery::panelQueryFillsTheAddressList()
{
    QFETCH(bool, switchedOn);
    QFETCH(QString, target);
    QFETCH(QString, logKey);
    auto responder = Responder(2);
    auto gone = Responder(1);
    QVERIFY(responder && gone);
    const int silentPort = gone->port();
    gone.reset();
    TempAppDir dir;
    QVERIFY(dir.isValid());
    target.replace("%1", QString::number(responder->port())).replace("%2", QString::number(silentPort));
    dir.setSysValue("DISCOVERY/TARGET", target);
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
        } else if (logKey == "IDCS_UDP_GET_SUCCESS") {
            QTRY_COMPARE(Items(addresses), (QStringList{"127.0.0.1", "127.0.0.2"}));
            query->click();
            QCOMPARE(log.last(), Text("IDCS_UDP_DOING"));
            QCOMPARE(addresses->count(), 2);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(log.contains(Text(logKey.toLatin1().constData())), 10000);
            // The remembered address survives a discovery that found nothing.
            QCOMPARE(addresses->currentText(), QStringLiteral("127.0.0.9"));
        }
    }
    dir.stopApp();
}

QTEST_MAIN(TstGuiDiscovery)
#include "tst_gui_discovery.moc"
