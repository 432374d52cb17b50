#include "Config6CSim.h"
#include "gui/config6c/BusAddrConfigDlg.h"
#include "gui/config6c/ComConfigDlg.h"
#include "gui/config6c/GprsConfigDlg.h"
#include "gui/config6c/NetConfigFor6CDlg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
void Click(QWidget* w, const char* name)
{
    QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
}

QLineEdit* Edit(QWidget* w, const char* name)
{
    return w->findChild<QLineEdit*>(name);
}

QString Text(const std::vector<uint8_t>& bytes)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}
} // namespace

class Config6CCommTest : public QObject
{
    Q_OBJECT

private slots:
    void networkShownAndSet();
    void networkSetStopsAtFirstBadField_data();
    void networkSetStopsAtFirstBadField();
    void baudRateAndBusAddress();
    void gprsShownAndSet();
    void gprsRefusals_data();
    void gprsRefusals();
    void gprsWithoutReader();
};

void Config6CCommTest::networkShownAndSet()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    NetConfigFor6CDlg d;
    d.show();
    QCOMPARE(log.texts(), (QStringList{L("IDCS_NET_QUERY_SUCCESS"), L("IDCS_UDP_PORT_QUERY_SUCCESS"),
                                       L("IDCS_TCP_PORT_QUERY_SUCCESS"), L("IDCS_MAC_ADDR_QUERY_SUCCESS")}));
    QCOMPARE(Edit(&d, "ipEdit")->text(), QString("192.168.1.200"));
    QCOMPARE(Edit(&d, "maskEdit")->text(), QString("255.255.255.0"));
    QCOMPARE(Edit(&d, "gatewayEdit")->text(), QString("192.168.1.1"));
    QCOMPARE(Edit(&d, "udpPortEdit")->text(), QString("4002"));
    QCOMPARE(Edit(&d, "tcpPortEdit")->text(), QString("4001"));
    QCOMPARE(Edit(&d, "macEdit")->text(), QString("02:5A:4C:54:00:01"));

    Edit(&d, "ipEdit")->setText("10.1.2.3");
    Edit(&d, "gatewayEdit")->setText("10.1.2.254");
    Edit(&d, "udpPortEdit")->setText("4001");
    Edit(&d, "tcpPortEdit")->setText("65535");
    Edit(&d, "macEdit")->setText("0a:0B:0c:0D:0e:FF");
    log.clear();
    Click(&d, "setBtn");
    QCOMPARE(log.texts(), (QStringList{L("IDCS_IP_CONFIG_SUCCESS"), L("IDCS_UDP_PORT_SET_SUCCESS"),
                                       L("IDCS_TCP_PORT_SET_SUCCESS"), L("IDCS_MAC_SET_SUCCESS")}));
    std::vector<uint8_t> udp;
    QCOMPARE(r.model().netQuery(4, &udp), readersim::Result::Ok);
    QCOMPARE(udp, (std::vector<uint8_t>{0x0F, 0xA1}));
    const readersim::NetSettings net = r.model().net();
    QCOMPARE(int(net.ip[0]), 10);
    QCOMPARE(int(net.gateway[3]), 254);
    QCOMPARE(int(net.tcpPort), 65535);
    QCOMPARE(int(net.mac[5]), 0xFF);

    // What was set reads back.
    Edit(&d, "udpPortEdit")->clear();
    Click(&d, "queryBtn");
    QCOMPARE(Edit(&d, "udpPortEdit")->text(), QString("4001"));
    QCOMPARE(Edit(&d, "macEdit")->text(), QString("0A:0B:0C:0D:0E:FF"));
}

void Config6CCommTest::networkSetStopsAtFirstBadField_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("udp");
    QTest::addColumn<QStringList>("keys"); // "limit" for the port range message
    QTest::addColumn<bool>("ipStored");
    QTest::newRow("ip 300") << "192.168.1.300"
                            << "255.255.255.0"
                            << "4001" << QStringList{"IDCS_IPADDR_INVAID"} << false;
    QTest::newRow("mask incomplete") << "10.0.0.9"
                                     << "255.255."
                                     << "4001" << QStringList{"IDCS_SUBMASK_INVAID"} << false;
    QTest::newRow("udp port 70000") << "10.0.0.9"
                                    << "255.0.0.0"
                                    << "70000" << QStringList{"IDCS_IP_CONFIG_SUCCESS", "limit"} << true;
}

void Config6CCommTest::networkSetStopsAtFirstBadField()
{
    QFETCH(QString, ip);
    QFETCH(QString, mask);
    QFETCH(QString, udp);
    QFETCH(QStringList, keys);
    QFETCH(bool, ipStored);
    Config6CSim r;
    QVERIFY(r.ok());
    NetConfigFor6CDlg d;
    d.show();
    LogCapture log;
    Edit(&d, "ipEdit")->setText(ip);
    Edit(&d, "maskEdit")->setText(mask);
    Edit(&d, "udpPortEdit")->setText(udp);
    Edit(&d, "tcpPortEdit")->setText("5000");
    Click(&d, "setBtn");
    QStringList expected;
    for (const QString& key : keys) {
        expected << (key == "limit" ? L("IDCD_INPUT_LIMIT_1_2").arg(1).arg(65535) : L(qPrintable(key)));
    }
    QCOMPARE(log.texts(), expected);
    QCOMPARE(r.model().net().ip[0] == 10, ipStored);
    QCOMPARE(int(r.model().net().udpPort), 4002);
    QCOMPARE(int(r.model().net().tcpPort), 4001);
}

void Config6CCommTest::baudRateAndBusAddress()
{
    Config6CSim r;
    QVERIFY(r.ok());
    LogCapture log;
    ComConfigDlg com;
    com.show();
    auto* baud = com.findChild<QComboBox*>("baudCombo");
    QCOMPARE(baud->currentText(), QString("19200"));
    baud->setCurrentIndex(5);
    Click(&com, "setBtn");
    QCOMPARE(int(r.model().baudCode()), 5);
    QCOMPARE(int(r.model().parmByte(159)), 5); // the same byte as the parameter table's row
    QCOMPARE(log.texts(), (QStringList{L("IDCS_BAUD_RATE_QUERY_SUCCESS"), L("IDCS_BAUD_RATE_SET_SUCCESS")}));

    QCOMPARE(r.model().communicationSet(0, {0x05}), readersim::Result::Ok);
    BusAddrConfigDlg bus;
    bus.show();
    QCOMPARE(Edit(&bus, "busEdit")->text(), QString("05"));
    Edit(&bus, "busEdit")->setText("1F");
    Click(&bus, "setBtn");
    QCOMPARE(int(r.model().busAddress()), 0x1F);
    QCOMPARE(log.last(), L("IDCS_BUS_SET_SUCCESS"));
}

void Config6CCommTest::gprsShownAndSet()
{
    Config6CSim r;
    QVERIFY(r.ok());
    QCOMPARE(r.model().parmWrite(123, std::vector<uint8_t>(64, 'u')), readersim::Result::Ok);
    LogCapture log;
    GprsConfigDlg d;
    d.show();
    QCOMPARE(log.lines(), (QList<QPair<QString, bool>>{{L("IDCS_QUERY_SUCCESS"), false}}));
    QCOMPARE(Edit(&d, "ipEdit")->text(), QString("192.168.1.100"));
    QCOMPARE(Edit(&d, "portEdit")->text(), QString("9000"));
    QCOMPARE(Edit(&d, "apnEdit")->text(), QString("CMNET"));
    QCOMPARE(Edit(&d, "accountEdit")->text(), QString(64, 'u')); // a full record has no terminator

    Edit(&d, "ipEdit")->setText("127.0.0.9");
    Edit(&d, "portEdit")->setText("4001");
    Edit(&d, "apnEdit")->setText(QString(64, 'a'));
    Edit(&d, "accountEdit")->setText(QString::fromUtf8("用户"));
    Edit(&d, "pwdEdit")->setText("secret");
    log.clear();
    Click(&d, "setBtn");
    QCOMPARE(log.texts(), QStringList{L("IDCS_SET_SUCCESS")});
    QCOMPARE(r.parm(250, 6), (std::vector<uint8_t>{127, 0, 0, 9, 0x0F, 0xA1}));
    QCOMPARE(Text(r.parm(122, 64)), QString(64, 'a'));
    std::vector<uint8_t> account = r.parm(123, 64);
    QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(account.data())), QString::fromUtf8("用户"));
    QCOMPARE(int(account.at(6)), 0);

    // What was set reads back.
    Edit(&d, "pwdEdit")->clear();
    Click(&d, "queryBtn");
    QCOMPARE(Edit(&d, "pwdEdit")->text(), QString("secret"));
    QCOMPARE(Edit(&d, "accountEdit")->text(), QString::fromUtf8("用户"));
}

void Config6CCommTest::gprsRefusals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // a key, or "text64" / "port"
    QTest::addColumn<int>("written");     // fields written before the refusal: 0 none … 5 all
    QTest::newRow("APN of 65") << "apnEdit" << QString(65, 'a') << "text64" << 2;
    QTest::newRow("empty password") << "pwdEdit"
                                    << ""
                                    << "IDCS_INPUT_EMPTY" << 4;
    QTest::newRow("port 65536") << "portEdit"
                                << "65536"
                                << "port" << 1;
    QTest::newRow("ip 1.2.3") << "ipEdit"
                              << "1.2.3"
                              << "IDCS_IPADDR_INVAID" << 0;
}

void Config6CCommTest::gprsRefusals()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, written);
    Config6CSim r;
    QVERIFY(r.ok());
    GprsConfigDlg d;
    d.show();
    Edit(&d, "ipEdit")->setText("127.0.0.9");
    Edit(&d, "portEdit")->setText("4001");
    Edit(&d, "apnEdit")->setText("apn");
    Edit(&d, "accountEdit")->setText("acc");
    Edit(&d, "pwdEdit")->setText("pwd");
    Edit(&d, qPrintable(field))->setText(text);
    LogCapture log;
    Click(&d, "setBtn");
    const QString first = message == "text64" ? L("IDCS_INPUT_LIMIT_1").arg(64)
                          : message == "port" ? L("IDCD_INPUT_LIMIT_1_2").arg(1).arg(65535)
                                              : L(qPrintable(message));
    QCOMPARE(log.lines(), (QList<QPair<QString, bool>>{{first, false}, {L("IDCS_SET_FAILED"), true}}));
    // Earlier steps stay done on the reader.
    QCOMPARE(r.model().parmByte(250) == 127, written >= 1);
    QCOMPARE(r.model().parmByte(254) == 0x0F, written >= 2);
    QCOMPARE(Text(r.parm(123, 64)).startsWith("acc"), written >= 4);
}

void Config6CCommTest::gprsWithoutReader()
{
    Config6CSim r;
    Config6CSim::driver()->SetState(ReaderDllBase::StateDisconnected);
    LogCapture log;
    GprsConfigDlg d;
    d.show();
    QCOMPARE(log.lines(),
             (QList<QPair<QString, bool>>{{L("IDCS_READ_NO_LINK"), false}, {L("IDCS_QUERY_FAILED"), true}}));
    QCOMPARE(Edit(&d, "apnEdit")->text(), QString());
}

QTEST_MAIN(Config6CCommTest)
#include "tst_config6c_comm.moc"
