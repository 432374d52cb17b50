// The emulated Wi-Fi module on its own: its modes, its commands, what it keeps and refuses, and the
// pieces its replies leave in.
#include <readersim/wifi_module.h>

#include <QtTest>

#include <string>
#include <vector>

namespace {

class Collect : public readersim::RawLink
{
public:
    void send(const std::vector<uint8_t>& bytes) override { pieces.emplace_back(bytes.begin(), bytes.end()); }
    std::string take()
    {
        std::string all;
        for (const std::string& p : pieces) {
            all += p;
        }
        pieces.clear();
        return all;
    }
    std::vector<std::string> pieces;
};

const std::string kEnd = "\r\n\r\n";
const std::string kOk = "+OK" + kEnd;

std::string Err(int n)
{
    return "+ERR=-" + std::to_string(n) + kEnd;
}

} // namespace

class TstReadersimWifi : public QObject
{
    Q_OBJECT

private slots:
    void aSession();
    void repliesLeaveInPieces();
};

void TstReadersimWifi::aSession()
{
    struct Step
    {
        std::string in;
        std::string reply;
    };
    const std::string longSsid(33, 's');
    const Step steps[] = {
        {"AT+QMAC\r", ""}, // data mode: the bytes go out over the radio
        {"++", ""},
        {"+", "OK\r\n"}, // the escape may come in pieces
        {"AT+\r", kOk},
        {"\nAT+SSID=?\r\n", "+OK=\"Lab-AP\"" + kEnd}, // a line feed around a line is no part of it
        {"AT+SSID=!" + longSsid + "\r", Err(4)},
        {"AT+SSID=!\r", Err(2)},
        {"AT+ENCRY=!7\r", Err(3)},
        {"AT+ENCRY=!x\r", Err(2)},
        {"AT+ENCRY=!1\r", kOk},
        {"AT+KEY=!0,0,\"12345678zz\"\r", Err(3)}, // HEX takes hexadecimal digits only
        {"AT+KEY=!1,0,\"1234\"\r", Err(3)},       // WEP64 in ASCII takes 5 characters
        {"AT+KEY=!0,4,\"0123456789\"\r", Err(3)},
        {"AT+KEY=!0,1,\"0123456789\"\r", kOk},
        {"AT+KEY=?\r", "+OK=0,1,\"0123456789\"" + kEnd},
        {"AT+NIP=!1,\"1.2.3.4\",\"255.0.0.0\",\"1.2.3.1\",\"1.2.3.256\"\r", Err(3)},
        {"AT+NIP=!1,1.2.3.4,\"255.0.0.0\",\"1.2.3.1\",\"1.2.3.1\"\r", Err(2)},
        {"AT+NIP=!0,\"1.2.3.4\",\"255.0.0.0\",\"1.2.3.1\",\"8.8.8.8\"\r", kOk},
        {"AT+NIP=?\r", "+OK=0,\"1.2.3.4\",\"255.0.0.0\",\"1.2.3.1\",\"8.8.8.8\"" + kEnd},
        {"AT+ATRM=!0,0,\"1.2.3.4\",0\r", Err(3)},
        {"AT+ATRM=!1,1,\"1.2.3.9\",7000\r", kOk},
        {"AT+ATRM=?\r", "+OK=1,1,\"1.2.3.9\",7000" + kEnd},
        {"AT+FOO=?\r", Err(1)},
        {"AT+SSID\r", Err(1)},
        {"AT+SSID=\r", Err(2)},
        {"XYZ\r", Err(1)},
        {std::string(3000, 'A') + "\r", Err(4)},
        // Lab-AP takes the key of WPA2, not a WEP64 one.
        {"AT+LKSTT=?\r", "+OK=0,\"0.0.0.0\",\"0.0.0.0\",\"0.0.0.0\",\"0.0.0.0\"" + kEnd},
        {"AT+SSID=!Guest\rAT+ENCRY=!0\r", kOk + kOk},
        {"AT+LKSTT=?\r", "+OK=1,\"1.2.3.4\",\"255.0.0.0\",\"1.2.3.1\",\"8.8.8.8\"" + kEnd},
        {"+++", "OK\r\n"}, // the escape again in command mode is answered too
        {"AT+ATM=?\rAT+Z\r", "+OK=1" + kEnd + kOk},
        {"AT+QM\x03", ""}, // leaves, and the half line is forgotten
        {"AT+\r", ""},
        {"+++AT+\r", "OK\r\n" + kOk},
        {"AT+QMAC\r", "+OK=ac:cf:23:5a:4c:01" + kEnd},
    };
    readersim::WifiModule module;
    Collect back;
    int i = 0;
    for (const Step& s : steps) {
        module.received(std::vector<uint8_t>(s.in.begin(), s.in.end()), back);
        QVERIFY2(back.take() == s.reply,
                 qPrintable(QString("step %1: %2").arg(i).arg(QString::fromStdString(s.in))));
        ++i;
    }
    const readersim::WifiSettings kept = module.settings();
    QCOMPARE(kept.ssid, std::string("Guest"));
    QCOMPARE(kept.security, 0);
    QCOMPARE(kept.key, std::string("0123456789"));
    QCOMPARE(kept.port, 7000);
    QCOMPARE(module.commands().back(), std::string("AT+QMAC"));
}

void TstReadersimWifi::repliesLeaveInPieces()
{
    readersim::WifiModule module(7);
    Collect back;
    const std::string escape = "+++";
    module.received(std::vector<uint8_t>(escape.begin(), escape.end()), back);
    back.take();
    const std::string scan = "AT+WSCAN\r";
    module.received(std::vector<uint8_t>(scan.begin(), scan.end()), back);
    QVERIFY(back.pieces.size() > 10);
    for (const std::string& p : back.pieces) {
        QVERIFY(!p.empty() && p.size() <= 7);
    }
    const std::string reply = back.take();
    QVERIFY(reply.compare(0, 6, "+OK=\r\n") == 0);
    QCOMPARE(reply.find(kEnd), reply.size() - 4); // one terminator, at the end
    QVERIFY(reply.find("\r\nac:cf:23:10:20:31,0,6,1,\"Lab-AP\",52\r\n") != std::string::npos);

    module.setSilent(true);
    module.received(std::vector<uint8_t>(scan.begin(), scan.end()), back);
    QVERIFY(back.pieces.empty());
}

QTEST_APPLESS_MAIN(TstReadersimWifi)
#include "tst_readersim_wifi.moc"
