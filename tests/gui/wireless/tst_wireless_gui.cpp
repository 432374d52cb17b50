// The wireless receive window and its dialogs against simulated wireless readers in this process.
#include "FreePort.h"
#include "LogCapture.h"
#include "QuestionAnswers.h"
#include "TempAppDir.h"
#include "core/app/LanguageText.h"
#include "core/wireless/WirelessReaderRegistry.h"
#include "gui/app/MainWindow.h"
#include "gui/app/workDpaceDlg.h"
#include "gui/config6c/Config6CLink.h"
#include "gui/wireless/AddClientDlg.h"
#include "gui/wireless/TreeRightMenu.h"
#include "gui/wireless/WirelessAdvancedDlg.h"
#include "gui/wireless/WirelessDeviceInfoDlg.h"
#include "gui/wireless/WirelessIOCtrlWidget.h"
#include "gui/wireless/WirelessReadConfigWidget.h"
#include "gui/wireless/WirelessReadParamWidget.h"
#include "gui/wireless/WirelessRecvDlg.h"
#include "gui/wireless/WirelessSysinfoWidget.h"
#include "gui/wireless/WirelessTcpServerConfigDlg.h"

#include "readersim/launch.h"
#include "readersim/wireless.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Lines = QList<QPair<QString, bool>>;

QString L(const char* key)
{
    return LangText(key);
}

void Click(QWidget* w, const char* name)
{
    QPushButton* b = w->findChild<QPushButton*>(name);
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// Answers the server configuration dialog with an address and a port; other dialogs are accepted.
struct Runner
{
    explicit Runner(QString address = QString(), QString port = QString())
    {
        WirelessRecvDlg::SetDialogRunner([address, port](QDialog* d) {
            if (auto* server = qobject_cast<WirelessTcpServerConfigDlg*>(d)) {
                server->setAddress(address);
                server->setPort(port);
            }
            return int(QDialog::Accepted);
        });
    }
    ~Runner() { WirelessRecvDlg::SetDialogRunner(nullptr); }
};

quintptr ReaderOf(QTreeWidgetItem* row)
{
    return static_cast<quintptr>(row->data(1, WirelessRecvDlg::DataRole).toULongLong());
}

} // namespace

class TstWirelessGui : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_app = std::make_unique<TempAppDir>();
        m_app->setSysValue(QStringLiteral("DEVICE_CONFIG/DLL_TYPE"), QStringLiteral("WIRELESS"));
        m_app->startApp();
    }
    void cleanup()
    {
        WirelessReaderRegistry::DestroyInstance();
        m_app->stopApp();
        m_app.reset();
    }

    void workAreaPageAndQuit()
    {
        LogCapture log;
        {
            MainWindow window;
            auto* page = window.findChild<WirelessRecvDlg*>();
            QVERIFY(page);
            QTabWidget* tabs = window.workArea()->tabWidget();
            QCOMPARE(tabs->tabText(tabs->indexOf(page)), L("IDCS_WIRELESS_RECV"));
            QVERIFY(WirelessReaderRegistry::Instance()->Handle() != 0);
        }
        QCOMPARE(WirelessReaderRegistry::Instance()->Handle(), WIRELESS_HANDLE(0));
        QVERIFY(log.texts().contains(L("IDCS_SERVER_QUIT_SUCCESS")));
    }

    void startStopAndOnlineTimer_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("timerMs"); // -1: the online check is off
        QTest::newRow("0 disables the check") << "0" << -1;
        QTest::newRow("empty disables the check") << "" << -1;
        QTest::newRow("5 s") << "5" << 5000;
    }

    void startStopAndOnlineTimer()
    {
        QFETCH(QString, interval);
        QFETCH(int, timerMs);
        m_app->setProfileValue(QStringLiteral("WIRELESS-DEBUG.ini"),
                               QStringLiteral("WirelessAdvancedDlg/CHECK_ONLINE_REFASH_TIME"), interval);
        m_app->stopApp();
        m_app->startApp();
        WirelessRecvDlg w;
        auto* listen = w.findChild<QPushButton*>("listenBtn");
        auto* add = w.findChild<QPushButton*>("addReaderBtn");
        auto* advance = w.findChild<QPushButton*>("advanceBtn");
        auto* start = w.findChild<QPushButton*>("startBtn");
        QVERIFY(!listen->isEnabled() && !add->isEnabled() && advance->isEnabled());
        QCOMPARE(w.antennaList()->currentIndex(), 1);
        QCOMPARE(w.readTypeList()->currentIndex(), 0);
        QCOMPARE(w.tree()->columnCount(), 7);
        QCOMPARE(w.treeMenu()->actions().size(), 6);
        Click(&w, "startBtn");
        QVERIFY(w.isStarted());
        QCOMPARE(start->text(), L("IDCS_STOP"));
        QVERIFY(listen->isEnabled() && add->isEnabled() && !advance->isEnabled());
        QCOMPARE(w.refreshTimer()->interval(), 100);
        QCOMPARE(w.onlineTimer()->isActive(), timerMs > 0);
        if (timerMs > 0) {
            QCOMPARE(w.onlineTimer()->interval(), timerMs);
        }
        Click(&w, "startBtn");
        QVERIFY(!w.isStarted() && !w.refreshTimer()->isActive() && !w.onlineTimer()->isActive());
        QCOMPARE(start->text(), L("IDCS_START"));
    }

    void listenRefusesBadAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("key");
        QTest::newRow("empty address") << ""
                                       << "5000"
                                       << "IDCS_IP_PORT_ERRO";
        QTest::newRow("port 0") << "127.0.0.1"
                                << "0"
                                << "IDCS_IP_PORT_ERRO";
        QTest::newRow("port not a number") << "127.0.0.1"
                                           << "x"
                                           << "IDCS_IP_PORT_ERRO";
        QTest::newRow("address nobody has") << "127.0.0.1.5"
                                            << "5000"
                                            << "IDCS_SERVER_START_FAILED";
    }

    void listenRefusesBadAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, key);
        WirelessRecvDlg w;
        Runner runner(address, port);
        w.slot_start();
        LogCapture log;
        Click(&w, "listenBtn");
        QVERIFY(!w.isListening());
        QCOMPARE(log.count(), 1);
        QCOMPARE(log.texts().first(), L(key.toUtf8().constData()));
        QCOMPARE(w.findChild<QPushButton*>("listenBtn")->text(), L("IDCS_START_LISTEN"));
    }

    void readersAppearWithTheirTags()
    {
        const int port = FreeLoopbackPort();
        Runner runner(QStringLiteral("127.0.0.1"), QString::number(port));
        WirelessRecvDlg w;
        LogCapture log;
        Click(&w, "startBtn");
        Click(&w, "listenBtn");
        QVERIFY(w.isListening());
        QCOMPARE(log.texts(), QStringList{L("IDCS_SERVER_START_SUCCESS")});
        QCOMPARE(w.findChild<QPushButton*>("listenBtn")->text(), L("IDCS_STOP_LISTEN"));

        readersim::Options o;
        o.wireless = true;
        o.wirelessPort = port;
        o.tags = 6;
        o.rate = 300;
        o.reconnectMs = 600000;
        const int count = 8;
        readersim::WirelessReaders readers(o, count);
        QVERIFY(readers.start(nullptr));
        QTreeWidget* tree = w.tree();
        QTRY_COMPARE(tree->topLevelItemCount(), count);
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem* row = tree->topLevelItem(i);
            QCOMPARE(row->text(0), QString::number(i + 1));
            QVERIFY(row->text(1).startsWith(QStringLiteral("127.0.0.1:")));
            QVERIFY(ReaderOf(row) != 0);
            QCOMPARE(row->data(0, WirelessRecvDlg::DataRole).toInt(), 0);
            QCOMPARE(row->data(3, WirelessRecvDlg::DataRole).toInt(), 1);
            QVERIFY(!row->text(2).isEmpty());
            QTRY_VERIFY(row->childCount() > 0);
            QTreeWidgetItem* tag = row->child(0);
            QCOMPARE(tag->text(0), QStringLiteral("1"));
            QCOMPARE(tag->data(0, WirelessRecvDlg::DataRole).toInt(), 1);
            QCOMPARE(tag->data(1, WirelessRecvDlg::DataRole).toString(), tag->text(1));
            QTRY_VERIFY(tag->text(3).toInt() + tag->text(4).toInt() + tag->text(5).toInt() +
                            tag->text(6).toInt() >
                        0);
        }

        // A second report from a reader already receiving changes nothing.
        QTreeWidgetItem* first = tree->topLevelItem(0);
        const int children = first->childCount();
        log.clear();
        w.slot_RecvreaderInfo(ReaderOf(first));
        QCOMPARE(log.texts(), QStringList{L("IDCS_READING_CARD")});
        QVERIFY(first->childCount() >= children);

        // Save appends the tree; the file names every reader.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("wireless.txt"));
        SetConfig6CFileAsker(
            [path](QWidget*, bool, const QString&, const QString&, const QString&) { return path; });
        log.clear();
        w.slot_itemSaveClicked();
        SetConfig6CFileAsker(nullptr);
        QCOMPARE(log.texts(), QStringList{L("IDCS_EXPORT_SUCCESS")});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
        const QString text = QString::fromUtf8(saved.readAll());
        for (int i = 0; i < count; ++i) {
            QVERIFY(text.contains(L("IDCS_DEVICE_NAME") + ":" + tree->topLevelItem(i)->text(1) + "\t"));
        }

        // Remove through the menu's action: the row and its thread go, the others stay.
        tree->setCurrentItem(first);
        const QString removedKey = first->data(1, WirelessRecvDlg::KeyRole).toString();
        w.treeMenu()->actions().at(2)->trigger();
        QCOMPARE(tree->topLevelItemCount(), count - 1);
        QVERIFY(!WirelessReaderRegistry::Instance()->Thread(removedKey));

        // A reader that vanishes is dropped by the online check; the others keep counting.
        readers.reader(count - 1).stop();
        QTRY_VERIFY([&] {
            w.slot_checkOnline_time();
            return tree->topLevelItemCount() == count - 2;
        }());
        QTreeWidgetItem* survivor = tree->topLevelItem(0);
        const int before = survivor->child(0)->text(3).toInt() + survivor->child(0)->text(4).toInt();
        QTRY_VERIFY(survivor->child(0)->text(3).toInt() + survivor->child(0)->text(4).toInt() > before);

        // Clear keeps the readers and drops their tags.
        w.slot_Clear();
        QCOMPARE(tree->topLevelItemCount(), count - 2);
        QCOMPARE(survivor->childCount(), 0);

        // Stop: every thread stops together, the tree empties.
        log.clear();
        Click(&w, "startBtn");
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(WirelessReaderRegistry::Instance()->Keys().isEmpty());
        QVERIFY(!w.isListening());
        QCOMPARE(log.texts(), QStringList{L("IDCS_STOP_SCCUSS")});
        QVERIFY(WirelessReaderRegistry::Instance()->WaitStopped(3000));
    }

    void addReaderByHand()
    {
        readersim::Options o;
        o.tags = 4;
        o.rate = 200;
        auto sim = readersim::startInProcess(o);
        QVERIFY(sim);
        m_app->setProfileValue(QStringLiteral("WIRELESS-DEBUG.ini"), QStringLiteral("AddClientDlg/TCP_PORT"),
                               QString::number(sim->tcpPort()));
        m_app->stopApp();
        m_app->startApp();
        WirelessRecvDlg w;
        w.slot_start();
        AddClientDlg* add = w.addClientDlg();
        add->typeList()->setCurrentIndex(AddClientDlg::Tcp);
        LogCapture log;
        add->addressList(AddClientDlg::Tcp)->setCurrentText(QStringLiteral("127.0.0.300"));
        Click(add, "connetBtn");
        QCOMPARE(log.texts(), QStringList{L("IDCS_IPADDR_INVAID")});
        log.clear();
        add->addressList(AddClientDlg::Tcp)->setCurrentText(QStringLiteral("127.0.0.1"));
        Click(add, "connetBtn");
        QCOMPARE(log.texts(), QStringList{L("IDCS_ADD_SUCCESS")});
        QTRY_COMPARE(w.tree()->topLevelItemCount(), 1);
        QCOMPARE(w.tree()->topLevelItem(0)->text(1), QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort()));

        // Start and stop reading from the menu.
        w.tree()->setCurrentItem(w.tree()->topLevelItem(0));
        log.clear();
        w.treeMenu()->actions().at(0)->trigger();
        w.treeMenu()->actions().at(1)->trigger();
        QCOMPARE(log.texts(), (QStringList{L("IDCS_READ_SUCCESS"), L("IDCS_STOP_READ_SUCCESS")}));

        // Reboot asks first; confirmed, the reader is rebooted and removed.
        QuestionAnswers answers;
        answers.pushCancel();
        log.clear();
        w.treeMenu()->actions().at(3)->trigger();
        QCOMPARE(log.count(), 0);
        QCOMPARE(w.tree()->topLevelItemCount(), 1);
        answers.pushOk();
        w.treeMenu()->actions().at(3)->trigger();
        QCOMPARE(log.texts(), QStringList{L("IDCS_REBOOT_SUCCESS")});
        QCOMPARE(w.tree()->topLevelItemCount(), 0);
        QCOMPARE(answers.asked().first(), L("IDCS_READLY_REBOOT_DEVICE"));
    }

    void devicePages()
    {
        const int port = FreeLoopbackPort();
        Runner runner(QStringLiteral("127.0.0.1"), QString::number(port));
        WirelessRecvDlg w;
        w.slot_start();
        w.slot_ServerListenBtnStartClicked();
        readersim::Options o;
        o.wireless = true;
        o.wirelessPort = port;
        o.tags = 3;
        o.rate = 20;
        readersim::WirelessReaders readers(o, 1);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(w.tree()->topLevelItemCount(), 1);
        WirelessDeviceInfoDlg* d = w.deviceDlg();
        WirelessReadParamWidget* reading = d->readingPage();
        WirelessSysinfoWidget* info = d->sysinfoPage();

        // Without a reader every button does nothing and posts nothing.
        d->SetReader(0);
        LogCapture log;
        for (QPushButton* b : d->findChildren<QPushButton*>()) {
            b->click();
        }
        QCOMPARE(log.count(), 0);

        // The menu hands the reader over and runs the dialog.
        w.tree()->setCurrentItem(w.tree()->topLevelItem(0));
        w.treeMenu()->actions().at(4)->trigger();
        QCOMPARE(d->Reader(), ReaderOf(w.tree()->topLevelItem(0)));

        // The read interval: 1 to 255, else nothing is sent.
        auto* edit = reading->findChild<QLineEdit*>("readSpaceEdit");
        for (const char* bad : {"0", "256", ""}) {
            log.clear();
            edit->setText(QString::fromLatin1(bad));
            Click(reading, "readSpaceSetBtn");
            QCOMPARE(log.lines(), (Lines{{L("IDCS_INPUT_EMPTY"), false}}));
        }
        std::vector<uint8_t> value;
        readers.reader(0).model().parmRead(228, 1, &value);
        const uint8_t untouched = value.at(0);
        QVERIFY(untouched != 12);
        log.clear();
        edit->setText(QStringLiteral("12"));
        Click(reading, "readSpaceSetBtn");
        QCOMPARE(log.texts(), QStringList{L("IDCS_SET_READSPCE_TIME_SUCCESS")});
        readers.reader(0).model().parmRead(228, 1, &value);
        QCOMPARE(int(value.at(0)), 12);

        // Identity: all five read in turn, whatever became of the others.
        log.clear();
        Click(info, "queryBtn");
        QCOMPARE(log.texts(), (QStringList{L("IDCS_DEVICE_NAME_QUERY_SUCCESS"),
                                           L("IDCS_DEVICE_SN_QUERY_SUCCESS"), L("IDCS_DEVICE_TYPE_SUCCESS"),
                                           L("IDCS_SOFT_VER_SUCCESS"), L("IDCS_HARDWARE_VER_SUCCESS")}));
        QVERIFY(!info->valueLabel(1)->text().isEmpty());
        readers.reader(0).stop();
        QTRY_VERIFY([&] {
            unsigned int t = 0;
            return !WIRELESS_ZALT_GetLastTime(WirelessReaderRegistry::Instance()->Handle(), d->Reader(), &t);
        }());
        const QString shownSn = info->valueLabel(1)->text();
        log.clear();
        Click(info, "queryBtn");
        QCOMPARE(log.lines(), (Lines{{L("IDCS_DEVICE_NAME_QUERY_FAILED"), true},
                                     {L("IDCS_DEVICE_SN_QUERY_FAILED"), true},
                                     {L("IDCS_DEVICE_TYPE_FAILED"), true},
                                     {L("IDCS_SOFT_VER_FAILED"), true},
                                     {L("IDCS_HARDWARE_VER_FAILED"), true}}));
        QCOMPARE(info->valueLabel(1)->text(), shownSn);
    }

    // Each page's set step reaches the reader as the page shows it, and its query shows it again.
    void devicePagesWriteTheReader()
    {
        const int port = FreeLoopbackPort();
        Runner runner(QStringLiteral("127.0.0.1"), QString::number(port));
        WirelessRecvDlg w;
        w.slot_start();
        w.slot_ServerListenBtnStartClicked();
        readersim::Options o;
        o.wireless = true;
        o.wirelessPort = port;
        o.tags = 3;
        o.rate = 20;
        readersim::WirelessReaders readers(o, 1);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(w.tree()->topLevelItemCount(), 1);
        readersim::ReaderModel& m = readers.reader(0).model();
        WirelessDeviceInfoDlg* d = w.deviceDlg();
        d->SetReader(ReaderOf(w.tree()->topLevelItem(0)));
        WirelessReadConfigWidget* radio = d->radioPage();
        WirelessReadParamWidget* reading = d->readingPage();
        WirelessIOCtrlWidget* io = d->ioPage();
        WirelessSysinfoWidget* info = d->sysinfoPage();

        struct Step
        {
            const char* name;
            QWidget* page;
            std::function<void()> show;
            const char* button;
            QString logged;
            std::function<bool()> reader;
        };
        const QList<Step> steps = {
            // The power byte is the list position itself (the profile's list here is 0..30).
            {"antennas", radio,
             [&] {
                 radio->powerList(2)->setCurrentIndex(17);
                 radio->dwellSpin(2)->setValue(9);
                 radio->antennaCheck(3)->setChecked(false);
             },
             "setAntennaBtn", L("IDCS_ANTENNA_STATE_SET_SUCCESS"),
             [&] { return m.antenna(2).power == 17 && m.antenna(2).dwell == 9 && !m.antenna(3).enabled; }},
            {"read antenna", radio, [&] { radio->readAntennaList()->setCurrentIndex(3); },
             "setReadAntennaBtn", L("IDCS_ANTENNA_PORT_SET_SUCCESS"), [&] { return m.parmByte(240) == 3; }},
            {"tag store", reading, [&] { reading->flashCheck()->setChecked(true); }, "flashEnableBtn",
             L("IDCS_FLASH_ENABLE_SUCCESS"), [&] { return m.flashEnabled(); }},
            {"filter on", reading, [&] { reading->filterCheck()->setChecked(true); }, "filterEnableBtn",
             L("IDCS_FILTER_ENABLE_SUCCESS"), [&] { return m.filterEnabled(); }},
            {"filter time", reading, [&] { reading->filterTimeSpin()->setValue(25); }, "filterTimeBtn",
             L("IDCS_FILTER_TIME_SUCCESS"), [&] { return m.filterTime() == 25; }},
            {"work mode", reading, [&] { reading->workModeList()->setCurrentIndex(2); }, "workModeSetBtn",
             L("IDCS_WORK_MODEL_SET_SUCCESS"), [&] { return m.parmByte(0) == 2; }},
            {"port", reading, [&] { reading->connectPortList()->setCurrentIndex(5); }, "connetValueSetBtn",
             L("IDCS_CONNET_PORT_SET_SUCCESS"), [&] { return m.parmByte(241) == 5; }},
            {"output 2", io, [&] { io->actionList(2)->setCurrentIndex(3); }, "startPort2Btn",
             L("IDCS_PORT_SET_SUCCESS_1").arg(2), [&] { return m.outputAction(2) == 3; }},
            {"read-triggered outputs", io,
             [&] {
                 for (int row = 0; row < 5; ++row) {
                     io->triggerCheck(row)->setChecked(row == 0 || row == 3);
                     io->pulseSpin(row)->setValue(row + 4);
                 }
             },
             "ctrlSetBtn", L("IDCS_SET_SUCCESS"),
             [&] {
                 uint8_t width = 0;
                 return m.readingIo() == 0x09 && m.pulseWidth(2, &width) == readersim::Result::Ok &&
                        width == 6;
             }},
            {"clock", info, [&] { info->findChild<QDateEdit*>("dateEdit")->setDate(QDate(2031, 2, 3)); },
             "setTimeBtn", L("IDCS_SET_TIME_CONFIG_SUCCESS"),
             [&] {
                 const auto c = m.clockRecord();
                 return c[4] == 0x03 && c[5] == 0x02 && c[6] == 0x31;
             }},
        };
        LogCapture log;
        for (const Step& step : steps) {
            step.show();
            log.clear();
            Click(step.page, step.button);
            QVERIFY2(log.texts() == QStringList{step.logged}, step.name);
            QVERIFY2(step.reader(), step.name);
        }

        // Queries show what the reader holds.
        radio->powerList(2)->setCurrentIndex(0);
        reading->workModeList()->setCurrentIndex(0);
        reading->filterTimeSpin()->setValue(1);
        io->triggerCheck(3)->setChecked(false);
        Click(radio, "qurAntennaBtn");
        Click(reading, "workModeQueryBtn");
        Click(reading, "filterQueryBtn");
        Click(io, "ctrlQueryBtn");
        QCOMPARE(radio->powerList(2)->currentIndex(), 17);
        QCOMPARE(radio->dwellSpin(2)->value(), 9);
        QCOMPARE(reading->workModeList()->currentIndex(), 2);
        QCOMPARE(reading->filterTimeSpin()->value(), 25);
        QVERIFY(io->triggerCheck(3)->isChecked());
        QCOMPARE(io->pulseSpin(2)->value(), 6);
    }

private:
    std::unique_ptr<TempAppDir> m_app;
};

QTEST_MAIN(TstWirelessGui)
#include "tst_wireless_gui.moc"
