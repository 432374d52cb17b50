#include "GuiTestUtil.h"
#include "LogCapture.h"
#include "TempAppDir.h"
#include "core/app/AppContext.h"
#include "core/app/DeviceProfile.h"
#include "core/reader/ReaderErrors.h"
#include "gui/app/RunRivulet.h"
#include "gui/reader/ConnetDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTcpServer>
#include <QUdpSocket>
#include <QtTest>

using namespace guitest;

namespace {
const QString kProfile = QStringLiteral("6C-DEBUG.ini");

template <typename T> T* Child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// Selects the medium entry with this text ("TCP", "COM", "USB", "UDP").
bool SelectMedium(ConnetDlg& panel, const QString& text)
{
    auto* types = Child<QComboBox>(&panel, "connetTypeCb");
    const int index = types->findText(text);
    types->setCurrentIndex(index);
    return index >= 0;
}

QString SavedValue(const TempAppDir& dir, const QString& key)
{
    QSettings ini(dir.profilePath(kProfile), QSettings::IniFormat);
    return ini.value(QStringLiteral("ConnetDlg/") + key).toString();
}

// Waits until a connect started by the panel has reported.
bool Settled()
{
    QElapsedTimer t;
    t.start();
    while (Reader()->IsBusy() && t.elapsed() < 20000) {
        QTest::qWait(5);
    }
    return !Reader()->IsBusy();
}

void ClickConnect(ConnetDlg& panel)
{
    QTest::mouseClick(Child<QPushButton>(&panel, "connetBtn"), Qt::LeftButton);
    QVERIFY(Settled());
}

// A loopback port nobody listens on.
int ClosedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}
} // namespace

class TstGuiConnet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitRivuletResources(); }
    void mediaFromProfile();
    void savedParametersShown();
    void demoReaderAddress();
    void badInputRefusedBeforeAnyCall_data();
    void badInputRefusedBeforeAnyCall();
    void buttonsFollowState();
    void functionKeys();
    void speedAveraging();
    void refusedWhileReading();
    void connectAndDisconnectTcp();
    void connectUdp();
    void connectPseudoTerminal();
    void failedConnectSavesParameters();
    void connectWaitsOffTheWindowThread();
    void vanishedReader();
    void parametersRememberedIntoNextStart();
};

void TstGuiConnet::mediaFromProfile()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "ConnetDlg/CONNET_TYPE", "3");
    dir.setProfileValue(kProfile, "ConnetDlg/UdpWorkerThread", "0");
    dir.startApp();
    {
        ConnetDlg panel;
        auto* types = Child<QComboBox>(&panel, "connetTypeCb");
        QCOMPARE(types->count(), 5);
        const QStringList expected = {"TCP", "COM", "USB", "UDP", "LLRP"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(types->itemText(i), expected.at(i));
            QCOMPARE(types->itemData(i).toInt(), i);
        }
        QCOMPARE(types->currentText(), QStringLiteral("UDP"));
        QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), 3);
        SelectMedium(panel, "COM");
        QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), 1);
        // Discovery is not offered while its switch is off.
        QVERIFY(Child<QPushButton>(&panel, "queryIpBtn")->isHidden());
    }
    dir.stopApp();

    for (const char* flag : {"TCP_TYPE", "UDP_TYPE", "USB_TYPE", "LLRP_TYPE"}) {
        dir.setProfileValue(kProfile, QStringLiteral("ConnetDlg/") + flag, "0");
    }
    dir.setProfileValue(kProfile, "ConnetDlg/CONNET_TYPE", "1");
    dir.startApp();
    ConnetDlg panel;
    auto* types = Child<QComboBox>(&panel, "connetTypeCb");
    QCOMPARE(types->count(), 1);
    QCOMPARE(types->itemText(0), QStringLiteral("COM"));
    QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), 1);
}

void TstGuiConnet::savedParametersShown()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "ConnetDlg/COM_NAME", "COM4");
    dir.setProfileValue(kProfile, "ConnetDlg/COM_BAUDRATE", "");
    dir.setProfileValue(kProfile, "ConnetDlg/USB_NAME", "/dev/ttyUSB7");
    dir.setProfileValue(kProfile, "ConnetDlg/USB_BAUDRATE", "12345");
    dir.setProfileValue(kProfile, "ConnetDlg/TCP_ADDR", "127.0.0.9");
    dir.setProfileValue(kProfile, "ConnetDlg/TCP_PORT", "4100");
    dir.startApp();
    ConnetDlg panel;

    auto* comName = Child<QComboBox>(&panel, "comNameCb");
    for (int i = 0; i < 9; ++i) {
        QCOMPARE(comName->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    }
    QCOMPARE(comName->currentText(), QStringLiteral("COM4"));
    QCOMPARE(Child<QComboBox>(&panel, "comBaudCb")->currentText(), QStringLiteral("115200"));
    // The readers' own 38400 and 57600 are offered, in order.
    const QStringList speeds = ConnetDlg::BaudRateList();
    QVERIFY(speeds.indexOf("19200") < speeds.indexOf("38400"));
    QVERIFY(speeds.indexOf("38400") < speeds.indexOf("57600"));
    QVERIFY(speeds.indexOf("57600") < speeds.indexOf("115200"));
    QCOMPARE(Child<QLabel>(&panel, "usbNameLabel")->text(), LangLabel("IDCS_USB_PORT"));
    // A typed device path comes back as typed; a baud rate not in the list selects nothing.
    QCOMPARE(Child<QComboBox>(&panel, "usbNameCb")->currentText(), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(Child<QComboBox>(&panel, "usbBaudCb")->currentIndex(), -1);
    QCOMPARE(Child<QComboBox>(&panel, "tcpAddrCb")->currentText(), QStringLiteral("127.0.0.9"));
    QCOMPARE(Child<QLineEdit>(&panel, "tcpPortEdit")->text(), QStringLiteral("4100"));

    // ...and connecting then passes 0 as the baud rate (nothing listens on that path).
    LogCapture log;
    QVERIFY(SelectMedium(panel, "USB"));
    ClickConnect(panel);
    const ConnectParam param = Reader()->GetConnectParam();
    QCOMPARE(param.connectType, int(ReaderDllBase::ConnectUsb));
    QCOMPARE(param.portName, QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(param.baudRate, 0);
    QVERIFY(log.containsError(Text("IDCS_CONNET_FAILED")));
    QCOMPARE(log.lastCode(), ReaderError::NoSuchDevice);
}

// The demo script names the simulated reader's address; nothing is saved until it is used.
void TstGuiConnet::demoReaderAddress()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.setProfileValue(kProfile, "ConnetDlg/CONNET_TYPE", "1");
    dir.startApp();
    qputenv("RIVULET_DEMO_TCP", "127.0.0.1:45678");
    {
        ConnetDlg panel;
        QCOMPARE(Child<QComboBox>(&panel, "connetTypeCb")->currentText(), QStringLiteral("TCP"));
        QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), 0);
        QCOMPARE(Child<QComboBox>(&panel, "tcpAddrCb")->currentText(), QStringLiteral("127.0.0.1"));
        QCOMPARE(Child<QLineEdit>(&panel, "tcpPortEdit")->text(), QStringLiteral("45678"));
        QCOMPARE(SavedValue(dir, "TCP_PORT"), QStringLiteral("4001"));
    }
    qputenv("RIVULET_DEMO_TCP", "not an address");
    {
        ConnetDlg panel;
        QCOMPARE(Child<QComboBox>(&panel, "connetTypeCb")->currentText(), QStringLiteral("COM"));
        QCOMPARE(Child<QLineEdit>(&panel, "tcpPortEdit")->text(), QStringLiteral("4001"));
    }
    qunsetenv("RIVULET_DEMO_TCP");
}

void TstGuiConnet::badInputRefusedBeforeAnyCall_data()
{
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("key");
    QTest::newRow("tcp octet too big") << "TCP"
                                       << "256.1.1.1"
                                       << "4001"
                                       << "IDCS_IPADDR_INVAID";
    QTest::newRow("tcp empty address") << "TCP"
                                       << ""
                                       << "4001"
                                       << "IDCS_IPADDR_INVAID";
    QTest::newRow("tcp host name") << "TCP"
                                   << "localhost"
                                   << "4001"
                                   << "IDCS_IPADDR_INVAID";
    QTest::newRow("tcp port 0") << "TCP"
                                << "127.0.0.1"
                                << "0"
                                << "IDCS_IP_PORT_ERRO";
    QTest::newRow("tcp port empty") << "TCP"
                                    << "127.0.0.1"
                                    << ""
                                    << "IDCS_IP_PORT_ERRO";
    QTest::newRow("tcp port above 65535") << "TCP"
                                          << "127.0.0.1"
                                          << "70000"
                                          << "IDCS_PORT_RANGE_ERRO";
    QTest::newRow("udp port above 65535") << "UDP"
                                          << "127.0.0.1"
                                          << "65536"
                                          << "IDCS_PORT_RANGE_ERRO";
    QTest::newRow("udp bad address") << "UDP"
                                     << "1.2.3"
                                     << "4002"
                                     << "IDCS_IPADDR_INVAID";
    QTest::newRow("udp port 0") << "UDP"
                                << "127.0.0.1"
                                << "00"
                                << "IDCS_IP_PORT_ERRO";
}

void TstGuiConnet::badInputRefusedBeforeAnyCall()
{
    QFETCH(QString, medium);
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, key);
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    ConnetDlg panel;
    QVERIFY(SelectMedium(panel, medium));
    const bool tcp = medium == QLatin1String("TCP");
    Child<QComboBox>(&panel, tcp ? "tcpAddrCb" : "udpAddrCb")->setEditText(address);
    Child<QLineEdit>(&panel, tcp ? "tcpPortEdit" : "udpPortEdit")->setText(port);
    Reader()->SetTcpParam(QStringLiteral("10.9.9.9"), 9); // must stay untouched

    LogCapture log;
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text(key.toLatin1().constData())});
    QCOMPARE(log.lines().first().second, false);
    QCOMPARE(Reader()->GetConnectParam().ipAddress, QStringLiteral("10.9.9.9"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
    // Nothing refused is remembered.
    QCOMPARE(SavedValue(dir, tcp ? "TCP_ADDR" : "UDP_ADDR"), QStringLiteral("127.0.0.1"));
}

void TstGuiConnet::buttonsFollowState()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    ConnetDlg panel;
    auto* connect = Child<QPushButton>(&panel, "connetBtn");
    auto* disconnect = Child<QPushButton>(&panel, "disConnetBtn");
    auto* types = Child<QComboBox>(&panel, "connetTypeCb");
    QVERIFY(connect->isEnabled());
    QVERIFY(!disconnect->isEnabled());
    for (int state : {2, 3, 4}) {
        panel.UpdateConnectState(0);
        panel.UpdateConnectState(state);
        QVERIFY2(!connect->isEnabled(), qPrintable(QString::number(state)));
        QVERIFY(disconnect->isEnabled());
        QVERIFY(!types->isEnabled());
        QVERIFY(!Child<QStackedWidget>(&panel, "paramStack")->isEnabled());
    }
    for (int state : {0, 1, 7}) {
        panel.UpdateConnectState(2);
        panel.UpdateConnectState(state);
        QVERIFY(connect->isEnabled());
        QVERIFY(!disconnect->isEnabled());
        QVERIFY(types->isEnabled());
    }
}

void TstGuiConnet::functionKeys()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    ConnetDlg panel;
    Child<QComboBox>(&panel, "tcpAddrCb")->setEditText(QStringLiteral("bad"));
    LogCapture log;

    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    panel.keyPress(&f1); // hidden panel: nothing
    QCOMPARE(log.count(), 0);

    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    panel.keyPress(&f1);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_IPADDR_INVAID")});

    // F2 only while disconnect is enabled.
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    panel.keyPress(&f2);
    QCOMPARE(log.count(), 1);
    panel.UpdateConnectState(2);
    panel.keyPress(&f1);
    QCOMPARE(log.count(), 1);
    panel.keyPress(&f2);
    QCOMPARE(log.count(), 2);
}

void TstGuiConnet::speedAveraging()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    ConnetDlg panel;
    auto* count = Child<QLabel>(&panel, "tagCountValue");
    auto* speed = Child<QLabel>(&panel, "readSpeedValue");

    panel.slot_UpdateReadCount(0, 0, 0);
    const int speeds[] = {10, 20, 30, 40, 50, 60};
    for (int i = 0; i < 4; ++i) {
        panel.slot_UpdateReadCount(i + 1, speeds[i], 1);
        QCOMPARE(count->text(), QString::number(i + 1));
        QCOMPARE(speed->text(), QStringLiteral("0"));
    }
    panel.slot_UpdateReadCount(5, speeds[4], 1);
    QCOMPARE(speed->text(), QStringLiteral("30"));
    panel.slot_UpdateReadCount(6, speeds[5], 1);
    QCOMPARE(count->text(), QStringLiteral("6"));
    QCOMPARE(speed->text(), QStringLiteral("30"));

    // Clearing shows at once; a new start forgets the old samples but keeps what is shown.
    panel.slot_UpdateReadCount(0, 0, 2);
    QCOMPARE(count->text(), QStringLiteral("0"));
    QCOMPARE(speed->text(), QStringLiteral("0"));
    panel.slot_UpdateReadCount(7, 999, 2);
    panel.slot_UpdateReadCount(0, 0, 0);
    QCOMPARE(speed->text(), QStringLiteral("999"));
    for (int i = 0; i < 4; ++i) {
        panel.slot_UpdateReadCount(1, 100, 1);
    }
    QCOMPARE(speed->text(), QStringLiteral("100")); // fifth update since the last shown average

    // The history keeps the latest 20 samples.
    panel.slot_UpdateReadCount(0, 0, 0);
    for (int i = 0; i < 20; ++i) {
        panel.slot_UpdateReadCount(1, 1000, 1);
    }
    for (int i = 0; i < 20; ++i) {
        panel.slot_UpdateReadCount(1, 10, 1);
    }
    QCOMPARE(speed->text(), QStringLiteral("10"));
}

void TstGuiConnet::refusedWhileReading()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    ConnetDlg panel;
    panel.UpdateConnectState(3);
    Reader()->SetState(ReaderDllBase::StateReading);
    LogCapture log;
    panel.slot_disConnetBtnClicked();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateReading));
    // Nor is the link reopened under a running inventory.
    log.clear();
    Reader()->SetTcpParam(QStringLiteral("127.0.0.7"), 7);
    panel.slot_connetBtnClicked();
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    QCOMPARE(Reader()->GetConnectParam().ipAddress, QStringLiteral("127.0.0.7"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateReading));
    Reader()->SetState(ReaderDllBase::StateDisconnected);
}

void TstGuiConnet::connectAndDisconnectTcp()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator();
    QVERIFY(sim);
    ConnetDlg panel;
    QVERIFY(SelectMedium(panel, "TCP"));
    Child<QComboBox>(&panel, "tcpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "tcpPortEdit")->setText(QString::number(sim->tcpPort()));

    LogCapture log;
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_SUCCESS")});
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateConnected));
    QVERIFY(sim->waitForClients(1, 2000));
    QCOMPARE(SavedValue(dir, "TCP_PORT"), QString::number(sim->tcpPort()));
    QCOMPARE(SavedValue(dir, "CONNET_TYPE"), QStringLiteral("0"));

    // Connecting again (the button is disabled, but F1 or a script may still ask) replaces the
    // link instead of leaving the first one open behind a lost handle.
    panel.slot_connetBtnClicked();
    QVERIFY(Settled());
    QCOMPARE(log.last(), Text("IDCS_CONNET_SUCCESS"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateConnected));
    // The new link was answered, so it is counted; the old one must go.
    QTRY_COMPARE(sim->tcpClients(), 1);

    panel.UpdateConnectState(Reader()->GetState());
    auto* disconnect = Child<QPushButton>(&panel, "disConnetBtn");
    QVERIFY(disconnect->isEnabled());
    QTest::mouseClick(disconnect, Qt::LeftButton);
    QCOMPARE(log.last(), Text("IDCS_DISCONNET_SUCCESS"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
    QVERIFY(Child<QPushButton>(&panel, "connetBtn")->isEnabled());
    QVERIFY(!disconnect->isEnabled());
    QTRY_COMPARE(sim->tcpClients(), 0);
}

void TstGuiConnet::connectUdp()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator(true);
    QVERIFY(sim);
    ConnetDlg panel;
    QVERIFY(SelectMedium(panel, "UDP"));
    Child<QComboBox>(&panel, "udpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "udpPortEdit")->setText(QString::number(sim->udpPort()));
    LogCapture log;
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_SUCCESS")});
    const ConnectParam param = Reader()->GetConnectParam();
    QCOMPARE(param.connectType, int(ReaderDllBase::ConnectUdp));
    QCOMPARE(param.port, sim->udpPort());
    QCOMPARE(SavedValue(dir, "UDP_PORT"), QString::number(sim->udpPort()));
    QCOMPARE(SavedValue(dir, "CONNET_TYPE"), QStringLiteral("3"));
    panel.slot_disConnetBtnClicked();
    QCOMPARE(log.last(), Text("IDCS_DISCONNET_SUCCESS"));
}

void TstGuiConnet::connectPseudoTerminal()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator(false, true);
    QVERIFY(sim);
    const QString path = QString::fromStdString(sim->ptyPath());
    QVERIFY(!path.isEmpty());
    ConnetDlg panel;
    QVERIFY(SelectMedium(panel, "COM"));
    auto* name = Child<QComboBox>(&panel, "comNameCb");
    QVERIFY(name->isEditable());
    name->setEditText(path);
    LogCapture log;
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_SUCCESS")});
    const ConnectParam param = Reader()->GetConnectParam();
    QCOMPARE(param.connectType, int(ReaderDllBase::ConnectCom));
    QCOMPARE(param.portName, path);
    QCOMPARE(param.baudRate, 115200);
    QCOMPARE(SavedValue(dir, "COM_NAME"), path);
    QCOMPARE(SavedValue(dir, "CONNET_TYPE"), QStringLiteral("1"));
    panel.slot_disConnetBtnClicked();
    QCOMPARE(log.last(), Text("IDCS_DISCONNET_SUCCESS"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
}

void TstGuiConnet::failedConnectSavesParameters()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    const int port = ClosedPort();
    ConnetDlg panel;
    Child<QComboBox>(&panel, "tcpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "tcpPortEdit")->setText(QString::number(port));
    LogCapture log;
    panel.UpdateConnectState(0);
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_FAILED")});
    // An error line whose code says why.
    QVERIFY(log.containsError(Text("IDCS_CONNET_FAILED")));
    QCOMPARE(log.lastCode(), ReaderError::ConnectRefused);
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
    QCOMPARE(SavedValue(dir, "TCP_PORT"), QString::number(port));
}

// A peer that never answers keeps the open waiting; the window goes on meanwhile.
void TstGuiConnet::connectWaitsOffTheWindowThread()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    ConnetDlg panel;
    QVERIFY(SelectMedium(panel, "UDP"));
    Child<QComboBox>(&panel, "udpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "udpPortEdit")->setText(QString::number(silent.localPort()));
    LogCapture log;
    int ticksWhileBusy = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ticksWhileBusy += Reader()->IsBusy() ? 1 : 0; });
    timer.start(20);
    auto* connectBtn = Child<QPushButton>(&panel, "connetBtn");
    QTest::mouseClick(connectBtn, Qt::LeftButton);
    QVERIFY(Reader()->IsBusy());
    QVERIFY(!connectBtn->isEnabled());
    QCOMPARE(panel.cursor().shape(), Qt::BusyCursor);
    panel.slot_disConnetBtnClicked(); // nothing else meanwhile
    QCOMPARE(log.texts(), QStringList{Text("IDCS_READING_CARD")});
    QVERIFY(Settled());
    QVERIFY2(ticksWhileBusy >= 10, qPrintable(QString::number(ticksWhileBusy)));
    QCOMPARE(log.last(), Text("IDCS_CONNET_FAILED"));
    QCOMPARE(log.lastCode(), ReaderError::ConnectTimedOut);
    QVERIFY(connectBtn->isEnabled());
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
}

// The cable is pulled while connected: operations fail, and disconnect and a new connect work.
void TstGuiConnet::vanishedReader()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator();
    QVERIFY(sim);
    ConnetDlg panel;
    Child<QComboBox>(&panel, "tcpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
    Child<QLineEdit>(&panel, "tcpPortEdit")->setText(QString::number(sim->tcpPort()));
    LogCapture log;
    panel.UpdateConnectState(0);
    ClickConnect(panel);
    QCOMPARE(log.last(), Text("IDCS_CONNET_SUCCESS"));
    QVERIFY(sim->waitForClients(1, 2000));

    sim->cutLinks();
    QString info;
    QTRY_VERIFY_WITH_TIMEOUT(!Reader()->GetReaderInfo(info), 5000);
    QVERIFY(Reader()->GetErrorCode() != 0);

    panel.UpdateConnectState(2);
    panel.slot_disConnetBtnClicked();
    QCOMPARE(log.last(), Text("IDCS_DISCONNET_SUCCESS"));
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));

    panel.UpdateConnectState(0);
    ClickConnect(panel);
    QCOMPARE(log.last(), Text("IDCS_CONNET_SUCCESS"));
    QVERIFY(Reader()->GetReaderInfo(info));
    panel.slot_disConnetBtnClicked();
}

void TstGuiConnet::parametersRememberedIntoNextStart()
{
    TempAppDir dir;
    QVERIFY(dir.isValid());
    dir.startApp();
    GUI_REQUIRE_LIVE_READER();
    auto sim = StartSimulator(true);
    QVERIFY(sim);
    {
        ConnetDlg panel;
        QVERIFY(SelectMedium(panel, "UDP"));
        Child<QComboBox>(&panel, "udpAddrCb")->setEditText(QStringLiteral("127.0.0.1"));
        Child<QLineEdit>(&panel, "udpPortEdit")->setText(QString::number(sim->udpPort()));
        Child<QComboBox>(&panel, "comNameCb")->setCurrentText(QStringLiteral("COM7"));
        ClickConnect(panel);
        QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateConnected));
    }
    dir.stopApp(); // the run ends: the connection closes, the profile is written
    dir.startApp();
    QCOMPARE(Reader()->GetState(), int(ReaderDllBase::StateDisconnected));
    ConnetDlg panel;
    QCOMPARE(Child<QComboBox>(&panel, "connetTypeCb")->currentText(), QStringLiteral("UDP"));
    QCOMPARE(Child<QStackedWidget>(&panel, "paramStack")->currentIndex(), 3);
    QCOMPARE(Child<QComboBox>(&panel, "udpAddrCb")->currentText(), QStringLiteral("127.0.0.1"));
    QCOMPARE(Child<QLineEdit>(&panel, "udpPortEdit")->text(), QString::number(sim->udpPort()));
    // Only the medium used was saved.
    QCOMPARE(Child<QComboBox>(&panel, "comNameCb")->currentText(), QStringLiteral("COM1"));

    LogCapture log;
    ClickConnect(panel);
    QCOMPARE(log.texts(), QStringList{Text("IDCS_CONNET_SUCCESS")});
    panel.slot_disConnetBtnClicked();
}

QTEST_MAIN(TstGuiConnet)
#include "tst_gui_connet.moc"
