// The Wi-Fi dialogs against a simulated reader with a Wi-Fi module, over its pseudo-terminal.
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/app/LanguageText.h"
#include "core/app/ReaderDriverHolder.h"
#include "core/reader/ReaderDllBase.h"
#include "gui/app/MainWindow.h"
#include "gui/app/RunRivulet.h"
#include "gui/wifi/WIFIConfigFor6CDLg.h"
#include "gui/wifi/WifiSelectDlg.h"

#include <readersim/simulator.h>
#include <readersim/wifi_module.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

QString L(const char* key)
{
    return LangText(key);
}

QStringList Texts(const QStringList& keys)
{
    QStringList out;
    for (const QString& k : keys) {
        out << LangText(k);
    }
    return out;
}

ReaderDllBase* Driver()
{
    return ReaderDriverHolder::Instance()->currentReader();
}

// A reader on a pseudo-terminal, with a Wi-Fi module behind its pass-through or without one, and the
// program's singletons connected to it over the serial medium.
class WifiSim
{
public:
    explicit WifiSim(bool withModule = true)
    {
        app.setSysValue("6CCONIFG/AttachFunction", "WIFI");
        app.startApp();
        readersim::Options o;
        o.tags = 1;
        o.pty = true;
        o.heartbeatMs = 0;
        sim = std::make_unique<readersim::Simulator>(o);
        if (withModule) {
            auto m = std::make_unique<readersim::WifiModule>();
            module = m.get();
            sim->fitModule(std::move(m));
        }
        if (!sim->start()) {
            return;
        }
        Driver()->SetComParam(QString::fromStdString(sim->ptyPath()), 115200);
        connected = Driver()->OpenReader();
        if (connected) {
            Driver()->SetState(ReaderDllBase::StateConnected);
        }
    }

    ~WifiSim()
    {
        if (connected) {
            Driver()->CloseReader();
        }
        sim.reset();
        app.stopApp();
    }

    TempAppDir app;
    std::unique_ptr<readersim::Simulator> sim;
    readersim::WifiModule* module = nullptr;
    bool connected = false;
};

template <typename T> T* Child(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) {
        qFatal("no %s", name);
    }
    return c;
}

void Click(QWidget& w, const char* button)
{
    QPushButton* b = Child<QPushButton>(w, button);
    QVERIFY2(b->isEnabled(), button);
    QTest::mouseClick(b, Qt::LeftButton);
}

std::vector<std::string> Commands(const WifiSim& r)
{
    return r.module->commands();
}

} // namespace

class TstWifiDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void showEntersAndQueries();
    void everyButtonNeedsTheReader();
    void enteringFails();
    void wirelessSet_data();
    void wirelessSet();
    void netSet_data();
    void netSet();
    void workModeSet();
    void linkStateAndReset();
    void scanAndChoose();
    void closeRefusedWhileLeavingFails();
    void menuItemOverSerialOnly();
};

void TstWifiDialogs::showEntersAndQueries()
{
    WifiSim r;
    QVERIFY(r.connected);
    WIFIConfigFor6CDLg d;
    LogCapture log;
    d.show();
    QCOMPARE(log.texts(),
             Texts({"IDCS_ENTER_TRANS_SUCCESS", "IDCS_NET_QUERY_SUCCESS", "IDCS_MAC_ADDR_QUERY_SUCCESS",
                    "IDCS_SSID_QUERY_SUCCESS", "IDCS_SECURE_TYPE_SUCCESS", "IDCS_QUERY_NET_KEY_SUCCESS",
                    "IDCS_WORK_MODEL_QUERY_SUCCESS"}));
    QVERIFY(r.module->commandMode());
    const readersim::WifiSettings s = r.module->settings();
    QCOMPARE(Child<QLineEdit>(d, "ipEdit")->text(), QString::fromStdString(s.ip));
    QCOMPARE(Child<QLineEdit>(d, "dnsEdit")->text(), QString::fromStdString(s.dns));
    QCOMPARE(Child<QLineEdit>(d, "macEdit")->text(), QString("AC:CF:23:5A:4C:01"));
    QVERIFY(Child<QCheckBox>(d, "autoIpCheck")->isChecked());
    QVERIFY(!Child<QCheckBox>(d, "autoIpCheck")->isVisible());
    QCOMPARE(Child<QLineEdit>(d, "ssidEdit")->text(), QString("Lab-AP"));
    QCOMPARE(Child<QComboBox>(d, "secureCombo")->currentIndex(), 6);
    QCOMPARE(Child<QComboBox>(d, "pwdFormatCombo")->currentIndex(), 1);
    QVERIFY(Child<QLineEdit>(d, "keyEdit")->isEnabled());
    QCOMPARE(Child<QLineEdit>(d, "keyEdit")->text(), QString("rivulet-lab"));
    QCOMPARE(Child<QLineEdit>(d, "serverEdit")->text(), QString("192.168.1.100"));
    QCOMPARE(Child<QLineEdit>(d, "portEdit")->text(), QString("8899"));
    QVERIFY(!Child<QComboBox>(d, "csCombo")->isEnabled());
    QVERIFY(!Child<QPushButton>(d, "enterTransBtn")->isEnabled());
    QVERIFY(!Child<QPushButton>(d, "exitTransBtn")->isEnabled());
    QVERIFY(!Child<QLabel>(d, "hintLabel")->isVisible());

    // The security mode rules the key controls.
    Child<QComboBox>(d, "secureCombo")->setCurrentIndex(0);
    QVERIFY(!Child<QLineEdit>(d, "keyEdit")->isEnabled());
    QVERIFY(!Child<QComboBox>(d, "pwdIndexCombo")->isEnabled());

    log.clear();
    QVERIFY(d.close());
    QVERIFY(!d.isVisible());
    QVERIFY(log.texts().isEmpty());
    QTRY_VERIFY(!r.module->commandMode());
}

void TstWifiDialogs::everyButtonNeedsTheReader()
{
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    Driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    const char* buttons[] = {"netQueryBtn",    "netSetBtn",     "wirelessQueryBtn",
                             "wirelessSetBtn", "modelQueryBtn", "modelSetBtn",
                             "selectWifiBtn",  "linkStateBtn",  "resetBtn"};
    r.module->clearCommands();
    for (const char* b : buttons) {
        log.clear();
        Click(d, b);
        QVERIFY2(log.texts() == QStringList{L("IDCS_READ_NO_LINK")}, b);
    }
    QVERIFY(Commands(r).empty());
    // Without a reader there is nothing to leave: the dialog closes.
    QVERIFY(d.close());

    // Shown without a reader: one refusal, and nothing to work with.
    log.clear();
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_READ_NO_LINK")});
    QVERIFY(!Child<QWidget>(d, "netGroup")->isEnabled());
    QVERIFY(!Child<QPushButton>(d, "linkStateBtn")->isEnabled());
    QVERIFY(d.close());
}

void TstWifiDialogs::enteringFails()
{
    WifiSim r(false); // the reader has no module
    QVERIFY(r.connected);
    WIFIConfigFor6CDLg d;
    LogCapture log;
    d.show();
    QCOMPARE(log.texts(), QStringList{L("IDCS_ENTER_TRANS_FAILED")});
    QVERIFY(!Child<QWidget>(d, "wirelessGroup")->isEnabled());
    QVERIFY(!Child<QPushButton>(d, "resetBtn")->isEnabled());
    QVERIFY(Child<QLabel>(d, "hintLabel")->isVisible());
    log.clear();
    Click(d, "exitTransBtn");
    QCOMPARE(log.texts(), Texts({"IDCS_EXIT_TRANS_FAILED", "IDCS_EXIT_TRANS_FAILED"}));
    log.clear();
    Click(d, "enterTransBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_ENTER_TRANS_FAILED")});
    // Never entered: a failed leave does not hold the dialog.
    QVERIFY(d.close());
}

void TstWifiDialogs::wirelessSet_data()
{
    QTest::addColumn<QString>("ssid");
    QTest::addColumn<int>("security");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QStringList>("sent");
    const QString key70(70, QLatin1Char('k'));
    QTest::newRow("WPA2 ASCII of 7") << "Lab-AP" << 6 << 1 << 0 << "1234567"
                                     << QStringList{"IDCS_SSID_SET_SUCCESS",
                                                    "IDCS_TIG_NET_SET_KEY_LENGTH_8_63"}
                                     << QStringList{"AT+SSID=!Lab-AP"};
    // The dialog passes it on; the module itself takes at most 63.
    QTest::newRow("WPA2 ASCII of 70")
        << "Lab-AP" << 6 << 1 << 0 << key70
        << QStringList{"IDCS_SSID_SET_SUCCESS", "IDCS_SECURE_TYPE_SET_SUCCESS", "IDCS_SET_NET_KEY_FAILED"}
        << QStringList{"AT+SSID=!Lab-AP", "AT+ENCRY=!6", "AT+KEY=!1,0,\"" + key70 + "\""};
    QTest::newRow("OPEN sends no key") << "Guest" << 0 << 1 << 0 << "ignored"
                                       << QStringList{"IDCS_SSID_SET_SUCCESS", "IDCS_SECURE_TYPE_SET_SUCCESS"}
                                       << QStringList{"AT+SSID=!Guest", "AT+ENCRY=!0"};
    QTest::newRow("WEP64 HEX") << "Lab-AP" << 1 << 0 << 2 << "0123456789"
                               << QStringList{"IDCS_SSID_SET_SUCCESS", "IDCS_SECURE_TYPE_SET_SUCCESS",
                                              "IDCS_SET_NET_KEY_SUCCESS"}
                               << QStringList{"AT+SSID=!Lab-AP", "AT+ENCRY=!1", "AT+KEY=!0,2,\"0123456789\""};
    QTest::newRow("WEP128 ASCII of 12")
        << "Lab-AP" << 2 << 1 << 0 << "123456789012"
        << QStringList{"IDCS_SSID_SET_SUCCESS", "IDCS_TIG_NET_SET_KEY_LENGTH_13"}
        << QStringList{"AT+SSID=!Lab-AP"};
    QTest::newRow("empty SSID") << "" << 6 << 1 << 0 << "rivulet-lab" << QStringList{"IDCS_DATA_LEN_ERRO"}
                                << QStringList{};
    QTest::newRow("UTF-8 SSID") << QString::fromUtf8("\xE4\xBB\x93\xE5\xBA\x93-2F") << 6 << 1 << 3
                                << "warehouse-2f"
                                << QStringList{"IDCS_SSID_SET_SUCCESS", "IDCS_SECURE_TYPE_SET_SUCCESS",
                                               "IDCS_SET_NET_KEY_SUCCESS"}
                                << QStringList{QString::fromUtf8("AT+SSID=!\xE4\xBB\x93\xE5\xBA\x93-2F"),
                                               "AT+ENCRY=!6", "AT+KEY=!1,3,\"warehouse-2f\""};
}

void TstWifiDialogs::wirelessSet()
{
    QFETCH(QString, ssid);
    QFETCH(int, security);
    QFETCH(int, format);
    QFETCH(int, index);
    QFETCH(QString, key);
    QFETCH(QStringList, logged);
    QFETCH(QStringList, sent);
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    Child<QLineEdit>(d, "ssidEdit")->setText(ssid);
    Child<QComboBox>(d, "secureCombo")->setCurrentIndex(security);
    Child<QComboBox>(d, "pwdFormatCombo")->setCurrentIndex(format);
    Child<QComboBox>(d, "pwdIndexCombo")->setCurrentIndex(index);
    Child<QLineEdit>(d, "keyEdit")->setText(key);
    r.module->clearCommands();
    LogCapture log;
    Click(d, "wirelessSetBtn");
    QCOMPARE(log.texts(), Texts(logged));
    QStringList commands;
    for (const std::string& c : Commands(r)) {
        commands << QString::fromStdString(c);
    }
    QCOMPARE(commands, sent);
    if (logged.last() == "IDCS_SET_NET_KEY_SUCCESS") {
        const readersim::WifiSettings s = r.module->settings();
        QCOMPARE(QString::fromStdString(s.ssid), ssid);
        QCOMPARE(QString::fromStdString(s.key), key);
        QCOMPARE(s.keyIndex, index);
    }
    d.close();
}

void TstWifiDialogs::netSet_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("gateway");
    QTest::addColumn<QString>("dns");
    QTest::addColumn<QString>("logged");
    QTest::newRow("gateway 256") << "192.168.1.20"
                                 << "255.255.255.0"
                                 << "192.168.1.256"
                                 << "192.168.1.1"
                                 << "IDCS_GATEWAY_INVAID";
    QTest::newRow("address 300") << "300.1.1.1"
                                 << "255.255.255.0"
                                 << "192.168.1.1"
                                 << "192.168.1.1"
                                 << "IDCS_IPADDR_INVAID";
    QTest::newRow("empty mask") << "192.168.1.20"
                                << ""
                                << "192.168.1.1"
                                << "192.168.1.1"
                                << "IDCS_SUBMASK_INVAID";
    QTest::newRow("all set") << "10.0.0.20"
                             << "255.0.0.0"
                             << "10.0.0.1"
                             << "10.0.0.2"
                             << "IDCS_NET_SET_SUCCESS";
    // Not checked here; the module refuses it.
    QTest::newRow("empty DNS") << "10.0.0.20"
                               << "255.0.0.0"
                               << "10.0.0.1"
                               << ""
                               << "IDCS_NET_SET_FAILED";
}

void TstWifiDialogs::netSet()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, gateway);
    QFETCH(QString, dns);
    QFETCH(QString, logged);
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    Child<QLineEdit>(d, "ipEdit")->setText(ip);
    Child<QLineEdit>(d, "maskEdit")->setText(mask);
    Child<QLineEdit>(d, "gatewayEdit")->setText(gateway);
    Child<QLineEdit>(d, "dnsEdit")->setText(dns);
    r.module->clearCommands();
    LogCapture log;
    Click(d, "netSetBtn");
    QCOMPARE(log.texts(), QStringList{L(qPrintable(logged))});
    const bool checked = logged.startsWith("IDCS_NET_SET");
    QCOMPARE(Commands(r).size(), size_t(checked ? 1 : 0));
    if (logged == "IDCS_NET_SET_SUCCESS") {
        const readersim::WifiSettings s = r.module->settings();
        QCOMPARE(QString::fromStdString(s.ip), ip);
        QCOMPARE(QString::fromStdString(s.dns), dns);
        QCOMPARE(s.addressMode, 1);
    }
    d.close();
}

void TstWifiDialogs::workModeSet()
{
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    LogCapture log;
    Child<QComboBox>(d, "protocolCombo")->setCurrentIndex(1);
    Child<QLineEdit>(d, "serverEdit")->setText("10.9.8.7");
    Child<QLineEdit>(d, "portEdit")->setText("70000");
    r.module->clearCommands();
    Click(d, "modelSetBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCD_INPUT_LIMIT_1_2").arg(0).arg(65535)});
    QVERIFY(Commands(r).empty());

    log.clear();
    Child<QLineEdit>(d, "portEdit")->setText("6000");
    Click(d, "modelSetBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_WORK_MODEL_SET_SUCCESS")});
    readersim::WifiSettings s = r.module->settings();
    QCOMPARE(s.protocol, 1);
    QCOMPARE(s.role, 0);
    QCOMPARE(s.server, std::string("10.9.8.7"));
    QCOMPARE(s.port, 6000);

    // Port text that is no number goes as 0, which the module refuses.
    log.clear();
    Child<QLineEdit>(d, "portEdit")->setText("abc");
    Click(d, "modelSetBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_WORK_MODEL_SET_FAILED")});

    log.clear();
    Click(d, "modelQueryBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_WORK_MODEL_QUERY_SUCCESS")});
    QCOMPARE(Child<QLineEdit>(d, "portEdit")->text(), QString("6000"));
    QCOMPARE(QString::fromStdString(Commands(r).back()), QString("AT+ATM=?"));
    d.close();
}

void TstWifiDialogs::linkStateAndReset()
{
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    LogCapture log;
    QLabel* state = Child<QLabel>(d, "linkStateLabel");
    Click(d, "linkStateBtn");
    QCOMPARE(state->text(), L("IDCS_LINKED"));
    readersim::WifiSettings s = r.module->settings();
    s.ssid = "Nowhere";
    r.module->setSettings(s);
    Click(d, "linkStateBtn");
    QCOMPARE(state->text(), L("IDCS_NO_LINK"));
    Click(d, "resetBtn");
    QCOMPARE(log.texts(),
             Texts({"IDCS_STATE_QUERY_SUCCESS", "IDCS_STATE_QUERY_SUCCESS", "IDCS_WIFI_RESET_SUCCESS"}));

    // A module that stops answering.
    r.module->setSilent(true);
    log.clear();
    state->setText(L("IDCS_LINKED"));
    Click(d, "linkStateBtn");
    QCOMPARE(state->text(), L("IDCS_NO_LINK"));
    Click(d, "wirelessQueryBtn");
    QCOMPARE(log.lines(), (QList<QPair<QString, bool>>{{L("IDCS_STATE_QUERY_FALIED"), false},
                                                       {L("IDCS_SSID_QUERY_FAILED"), true}}));
    r.module->setSilent(false);
    d.close();
}

void TstWifiDialogs::scanAndChoose()
{
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    WifiSelectDlg* select = d.selectDlg();
    QTreeWidget* tree = Child<QTreeWidget>(*select, "wifiTree");
    select->show();
    LogCapture log;
    Click(*select, "scanBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_SELECT_SUCCUESS")});
    QCOMPARE(tree->topLevelItemCount(), 4);
    const QTreeWidgetItem* lab = tree->topLevelItem(0);
    QCOMPARE(lab->text(0), L("IDCS_JICHUWANG"));
    QCOMPARE(lab->text(1), QString("Lab-AP"));
    QCOMPARE(lab->text(2), QString("-52db"));
    QCOMPARE(lab->text(3), QString("6"));
    QCOMPARE(lab->text(4), L("IDCS_YES"));
    QCOMPARE(lab->text(5), QString("AC:CF:23:10:20:31"));
    QCOMPARE(tree->topLevelItem(1)->text(4), L("IDCS_NO"));
    QCOMPARE(tree->topLevelItem(2)->text(1), QString::fromUtf8("\xE4\xBB\x93\xE5\xBA\x93-2F"));
    QCOMPARE(tree->topLevelItem(3)->text(0), L("IDCS_ZIZUWANG"));

    // Select without a row keeps the dialog open.
    tree->clearSelection();
    tree->setCurrentItem(nullptr);
    Click(*select, "selectBtn");
    QVERIFY(select->isVisible());
    QVERIFY(select->selectedSSID().isEmpty());
    tree->setCurrentItem(tree->topLevelItem(1));
    Click(*select, "selectBtn");
    QVERIFY(!select->isVisible());
    QCOMPARE(select->selectedSSID(), QString("Guest"));

    // From the settings dialog: a double click chooses, and only the field changes.
    r.module->clearCommands();
    QTimer::singleShot(0, select, [select, tree] {
        emit tree->itemDoubleClicked(tree->topLevelItem(3), 0);
        if (select->isVisible()) {
            select->reject(); // never hang the test
        }
    });
    Click(d, "selectWifiBtn");
    QCOMPARE(Child<QLineEdit>(d, "ssidEdit")->text(), QString("reader-adhoc"));
    QVERIFY(Commands(r).empty());

    // A failed scan empties the list.
    r.module->setSilent(true);
    select->show();
    log.clear();
    Click(*select, "scanBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_SELECT_FAILED")});
    QCOMPARE(tree->topLevelItemCount(), 0);
    r.module->setSilent(false);
    select->hide();
    d.close();
}

void TstWifiDialogs::closeRefusedWhileLeavingFails()
{
    WifiSim r;
    WIFIConfigFor6CDLg d;
    d.show();
    QVERIFY(r.sim->model().passThrough());
    r.sim->reboot(); // the reader restarts: its pass-through ends and raw bytes are refused
    QTRY_VERIFY(!r.sim->model().passThrough());
    LogCapture log;
    QVERIFY(!d.close());
    QVERIFY(d.isVisible());
    QCOMPARE(log.texts(), QStringList{L("IDCS_EXIT_TRANS_FAILED")});
    // The way out: enter again, then close.
    log.clear();
    Click(d, "enterTransBtn");
    QCOMPARE(log.texts().value(0), L("IDCS_ENTER_TRANS_SUCCESS"));
    QTest::keyClick(&d, Qt::Key_Escape);
    QVERIFY(!d.isVisible());
    QTRY_VERIFY(!r.module->commandMode());
}

void TstWifiDialogs::menuItemOverSerialOnly()
{
    WifiSim r;
    MainWindow w;
    QAction* item = w.findChild<QAction*>("WIFIConfigFor6C");
    QVERIFY(item);
    QCOMPARE(item->text(), L("IDCS_WIFI_CONFIG"));
    QMenu* menu = w.findChild<QMenu*>("wirelessConfigMenu");
    QVERIFY(menu && menu->actions().contains(item));
    auto* d = w.findChild<WIFIConfigFor6CDLg*>();
    QVERIFY(d && d->isHidden());

    LogCapture log;
    item->trigger();
    QVERIFY(d->isVisible());
    QVERIFY(d->isModal());
    QCOMPARE(log.texts().value(0), L("IDCS_ENTER_TRANS_SUCCESS"));
    QVERIFY(d->close());

    // The same reader over TCP: the module is not reached that way.
    Driver()->CloseReader();
    Driver()->SetTcpParam("127.0.0.1", r.sim->tcpPort());
    QVERIFY(Driver()->OpenReader());
    Driver()->SetState(ReaderDllBase::StateConnected);
    log.clear();
    item->trigger();
    QCOMPARE(log.texts(), QStringList{L("IDCS_NOT_COM_CANNOT_WIFI")});
    QVERIFY(d->isHidden());
}

QTEST_MAIN(TstWifiDialogs)
#include "tst_wifi_dialogs.moc"
