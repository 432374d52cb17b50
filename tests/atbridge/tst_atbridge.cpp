// The shared library as the program uses it: through zaltlink's raw calls to the simulated reader's
// Wi-Fi module, over TCP and over a pseudo-terminal.
#include <atbridge.h>
#include <readersim/simulator.h>
#include <readersim/wifi_module.h>

#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

class TstAtbridge : public QObject
{
    Q_OBJECT

private slots:
    void exportsAgainstTheModule_data();
    void exportsAgainstTheModule();
    void noConnection();
};

void TstAtbridge::exportsAgainstTheModule_data()
{
    QTest::addColumn<bool>("serial");
    QTest::newRow("tcp") << false;
    QTest::newRow("pty") << true;
}

void TstAtbridge::exportsAgainstTheModule()
{
    QFETCH(bool, serial);
    readersim::Options o;
    o.tags = 1;
    o.pty = serial;
    o.heartbeatMs = 0;
    readersim::Simulator sim(o);
    auto owned = std::make_unique<readersim::WifiModule>(5); // small pieces: every reply spans receives
    readersim::WifiModule* module = owned.get();
    sim.fitModule(std::move(owned));
    std::string error;
    QVERIFY2(sim.start(&error), error.c_str());

    ZALT_HANDLE h = -1;
    QVERIFY(serial ? ZALT_COMInit(&h, 0, sim.ptyPath().c_str(), 115200)
                   : ZALT_TCPInit(&h, "127.0.0.1", sim.tcpPort()));
    QVERIFY(ZALT_Open(h));

    QVERIFY(!Wifi_Exit(h)); // not switched through yet: the reader refuses raw bytes
    QVERIFY(ZALT_EnterTrans(h, 0));
    QVERIFY(Wifi_Enter(h));
    QVERIFY(module->commandMode());
    QVERIFY(Wifi_SendAT(h));

    unsigned char mode = 9;
    char t[4][255] = {};
    QVERIFY(Wifi_ReadNetPara(h, &mode, t[0], t[1], t[2], t[3]));
    const readersim::WifiSettings initial = module->settings();
    QCOMPARE(int(mode), initial.addressMode);
    QCOMPARE(std::string(t[0]), initial.ip);
    QCOMPARE(std::string(t[3]), initial.dns);
    char text[255] = {};
    QVERIFY(Wifi_QueryMac(h, text));
    QCOMPARE(std::string(text), initial.mac);
    QVERIFY(Wifi_QuerySSID(h, text));
    QCOMPARE(std::string(text), initial.ssid);

    // Settings are kept and read back.
    QVERIFY(Wifi_SetNetPara(h, 0, "10.1.2.3", "255.255.0.0", "10.1.0.1", "10.1.0.2"));
    QVERIFY(Wifi_SetSSID(h, "Guest"));
    QVERIFY(Wifi_SetSecurityType(h, 2));
    QVERIFY(!Wifi_SetKey(h, 1, 0, "short")); // WEP128 in ASCII takes 13 characters: the module refuses
    QVERIFY(Wifi_SetKey(h, 1, 2, "thirteen-char"));
    QVERIFY(Wifi_SetSocketConnectInfo(h, 1, 0, "10.1.0.9", 5000));
    QVERIFY(!Wifi_SetSocketConnectInfo(h, 1, 0, "...", 5000));
    const readersim::WifiSettings s = module->settings();
    QCOMPARE(s.ip, std::string("10.1.2.3"));
    QCOMPARE(s.addressMode, 0);
    QCOMPARE(s.ssid, std::string("Guest"));
    QCOMPARE(s.security, 2);
    QCOMPARE(s.key, std::string("thirteen-char"));
    QCOMPARE(s.keyIndex, 2);
    QCOMPARE(s.server, std::string("10.1.0.9"));
    unsigned char security = 9;
    unsigned char format = 9;
    unsigned char index = 9;
    QVERIFY(Wifi_QuerySecurityType(h, &security));
    QCOMPARE(int(security), 2);
    QVERIFY(Wifi_QueryKey(h, &format, &index, text));
    QCOMPARE(int(format), 1);
    QCOMPARE(int(index), 2);
    QCOMPARE(std::string(text), std::string("thirteen-char"));
    unsigned char protocol = 9;
    unsigned short port = 0;
    QVERIFY(Wifi_QuerySocketConnectInfo(h, &protocol, &mode, text, &port));
    QCOMPARE(int(protocol), 1);
    QCOMPARE(std::string(text), std::string("10.1.0.9"));
    QCOMPARE(int(port), 5000);
    QVERIFY(Wifi_QueryWorkMode(h, &mode));
    QCOMPARE(int(mode), s.workMode);

    // "Guest" is open while the module is set to WEP128: no link.
    unsigned char status = 9;
    QVERIFY(Wifi_QueryConnectStauts(h, &status, t[0], t[1], t[2], t[3]));
    QCOMPARE(int(status), 0);
    QVERIFY(Wifi_SetSecurityType(h, 0));
    QVERIFY(Wifi_QueryConnectStauts(h, &status, t[0], t[1], t[2], t[3]));
    QCOMPARE(int(status), 1);
    QCOMPARE(std::string(t[0]), std::string("10.1.2.3"));

    char list[4045] = {};
    QVERIFY(Wifi_Search(h, list));
    // Each line keeps the line feed that followed the carriage return before it.
    QCOMPARE(std::string(list), std::string("\nac:cf:23:10:20:31,0,6,1,Lab-AP,52;"
                                            "\nac:cf:23:10:20:32,0,11,0,Guest,71;"
                                            "\nac:cf:23:10:20:33,0,1,1,\xE4\xBB\x93\xE5\xBA\x93-2F,63;"
                                            "\n02:11:22:33:44:55,1,3,0,reader-adhoc,80;"));
    QVERIFY(Wifi_Reset(h));

    QVERIFY(Wifi_Exit(h));
    QTRY_VERIFY(!module->commandMode());
    QVERIFY(Wifi_Exit(h)); // the reader stays switched through: leaving again is harmless
    QVERIFY(ZALT_Close(h));
}

void TstAtbridge::noConnection()
{
    // The handle of no connection never reaches the reader library; 0 is refused where it is tested.
    unsigned char b1 = 7;
    unsigned char b2 = 7;
    unsigned short port = 7;
    char t[5][255] = {};
    char list[4045] = {};
    const std::function<unsigned char(ZALT_HANDLE)> calls[] = {
        [](ZALT_HANDLE h) { return Wifi_Enter(h); },
        [](ZALT_HANDLE h) { return Wifi_Exit(h); },
        [](ZALT_HANDLE h) { return Wifi_SendAT(h); },
        [&](ZALT_HANDLE h) { return Wifi_ReadNetPara(h, &b1, t[0], t[1], t[2], t[3]); },
        [](ZALT_HANDLE h) { return Wifi_SetNetPara(h, 1, "1.1.1.1", "1.1.1.1", "1.1.1.1", "1.1.1.1"); },
        [&](ZALT_HANDLE h) { return Wifi_QuerySSID(h, t[0]); },
        [](ZALT_HANDLE h) { return Wifi_SetSSID(h, "x"); },
        [&](ZALT_HANDLE h) { return Wifi_QuerySecurityType(h, &b1); },
        [](ZALT_HANDLE h) { return Wifi_SetSecurityType(h, 1); },
        [&](ZALT_HANDLE h) { return Wifi_QueryKey(h, &b1, &b2, t[0]); },
        [](ZALT_HANDLE h) { return Wifi_SetKey(h, 1, 1, "k"); },
        [&](ZALT_HANDLE h) { return Wifi_QueryMac(h, t[0]); },
        [&](ZALT_HANDLE h) { return Wifi_QuerySocketConnectInfo(h, &b1, &b2, t[0], &port); },
        [](ZALT_HANDLE h) { return Wifi_SetSocketConnectInfo(h, 0, 0, "1.1.1.1", 1); },
        [&](ZALT_HANDLE h) { return Wifi_QueryWorkMode(h, &b1); },
        [&](ZALT_HANDLE h) { return Wifi_QueryConnectStauts(h, &b1, t[0], t[1], t[2], t[3]); },
        [&](ZALT_HANDLE h) { return Wifi_Search(h, list); },
        [](ZALT_HANDLE h) { return Wifi_Reset(h); },
    };
    int i = 0;
    for (const auto& call : calls) {
        QVERIFY2(!call(-1), qPrintable(QString::number(i)));
        ++i;
    }
    // Outputs stay as they were.
    QCOMPARE(int(b1), 7);
    QCOMPARE(int(port), 7);
    QCOMPARE(t[0][0], '\0');
}

QTEST_APPLESS_MAIN(TstAtbridge)
#include "tst_atbridge.moc"
