// What the Wi-Fi dialogs decide before anything reaches the module, and how a scan list becomes rows.
#include "core/wifi/WifiRules.h"

#include <QtTest>

class TstWifiRules : public QObject
{
    Q_OBJECT

private slots:
    void keyLength_data();
    void keyLength();
    void dottedQuad_data();
    void dottedQuad();
    void port_data();
    void port();
    void scanRows();
};

void TstWifiRules::keyLength_data()
{
    QTest::addColumn<int>("security");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("message"); // empty: the key passes
    QTest::newRow("open takes anything") << 0 << 0 << 0 << QString();
    QTest::newRow("WEP64 hex 10") << 1 << 0 << 10 << QString();
    QTest::newRow("WEP64 hex 9") << 1 << 0 << 9 << "IDCS_TIG_NET_SET_KEY_LENGTH_10";
    QTest::newRow("WEP64 ascii 5") << 1 << 1 << 5 << QString();
    QTest::newRow("WEP64 ascii 10") << 1 << 1 << 10 << "IDCS_TIG_NET_SET_KEY_LENGTH_5";
    QTest::newRow("WEP128 hex 26") << 2 << 0 << 26 << QString();
    QTest::newRow("WEP128 hex 13") << 2 << 0 << 13 << "IDCS_TIG_NET_SET_KEY_LENGTH_26";
    QTest::newRow("WEP128 ascii 14") << 2 << 1 << 14 << "IDCS_TIG_NET_SET_KEY_LENGTH_13";
    QTest::newRow("WPA hex 63") << 3 << 0 << 63 << "IDCS_TIG_NET_SET_KEY_LENGTH_64";
    QTest::newRow("WPA2 hex 64") << 6 << 0 << 64 << QString();
    QTest::newRow("WPA2 ascii 7") << 6 << 1 << 7 << "IDCS_TIG_NET_SET_KEY_LENGTH_8_63";
    QTest::newRow("WPA2 ascii 8") << 5 << 1 << 8 << QString();
    QTest::newRow("WPA2 ascii 70 passes") << 6 << 1 << 70 << QString();
}

void TstWifiRules::keyLength()
{
    QFETCH(int, security);
    QFETCH(int, format);
    QFETCH(int, length);
    const char* message = WifiRules::KeyLengthError(security, format, length);
    QTEST(message ? QString::fromLatin1(message) : QString(), "message");
}

void TstWifiRules::dottedQuad_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("address") << "192.168.1.1" << true;
    QTest::newRow("zeros") << "0.0.0.0" << true;
    QTest::newRow("top") << "255.255.255.255" << true;
    QTest::newRow("last 256") << "192.168.1.256" << false;
    QTest::newRow("three numbers") << "192.168.1" << false;
    QTest::newRow("empty mask text") << "..." << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("trailing text") << "1.2.3.4x" << false;
    QTest::newRow("four digits") << "1.2.3.1000" << false;
}

void TstWifiRules::dottedQuad()
{
    QFETCH(QString, text);
    QTEST(WifiRules::IsDottedQuad(text), "valid");
}

void TstWifiRules::port_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("port");
    QTest::newRow("port") << "8899" << true << 8899;
    QTest::newRow("not a number is 0") << "abc" << true << 0;
    QTest::newRow("empty is 0") << "" << true << 0;
    QTest::newRow("top") << "65535" << true << 65535;
    QTest::newRow("above 16 bits") << "70000" << false << -1;
    QTest::newRow("negative") << "-5" << false << -1;
}

void TstWifiRules::port()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(int, port);
    quint16 value = 1;
    QCOMPARE(WifiRules::PortValue(text, &value), fits);
    if (fits) {
        QCOMPARE(int(value), port);
    }
}

void TstWifiRules::scanRows()
{
    const QString list = QString::fromUtf8("\nac:cf:23:10:20:31,0,6,1,Lab-AP,52;"
                                           "\n02:11:22:33:44:55,1,3,0,reader-adhoc,80;"
                                           "aa:bb,0,1,0,five;"
                                           ";"
                                           "\nac:cf:23:10:20:33,x,1,7,\xE4\xBB\x93\xE5\xBA\x93-2F,63,extra;");
    const QList<WifiRules::ScanRow> rows = WifiRules::ScanRows(list);
    QCOMPARE(rows.size(), 3); // the entry of five fields and the empty one are skipped
    QCOMPARE(rows[0].mac, QString("AC:CF:23:10:20:31"));
    QCOMPARE(rows[0].ssid, QString("Lab-AP"));
    QCOMPARE(rows[0].signal, QString("-52db"));
    QCOMPARE(rows[0].channel, QString("6"));
    QVERIFY(rows[0].secured);
    QVERIFY(!rows[0].adhoc);
    QVERIFY(rows[1].adhoc);
    QVERIFY(!rows[1].secured);
    QVERIFY(!rows[2].adhoc); // a type that is no number reads as 0
    QVERIFY(rows[2].secured);
    QCOMPARE(rows[2].ssid, QString::fromUtf8("\xE4\xBB\x93\xE5\xBA\x93-2F"));
}

QTEST_APPLESS_MAIN(TstWifiRules)
#include "tst_wifi_rules.moc"
