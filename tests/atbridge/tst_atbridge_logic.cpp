// The module's replies and commands without a reader: recognisers, fields, numbers, the scan list,
// and every command over a scripted transport on a clock of its own.
#include "AtReply.h"
#include "FakeNetProc.h"
#include "WifiCommands.h"

#include <QtTest>

#include <functional>
#include <string>
#include <vector>

using namespace atbridge;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

const std::string kEnd = "\r\n\r\n";
const std::string kNetReply =
    "+OK=1,\"192.168.1.20\",\"255.255.255.0\",\"192.168.1.1\",\"192.168.1.1\"" + kEnd;

// One command as a test runs it: its result and its outputs, as text.
using Run = std::function<bool(const Bridge&, std::string* outputs)>;

struct CommandCase
{
    const char* name;
    Run run;
    std::vector<std::string> replies;
    bool ok;
    std::string sent;    // exactly what went to the module
    std::string outputs; // after the call; untouched buffers read "-"
    int64_t minClock;    // the call ran at least this long on the fake clock ...
    int64_t maxClock;    // ... and at most this long
};

std::string Text(const char* buffer)
{
    return buffer[0] ? std::string(buffer) : std::string("-");
}

Run ReadNet(Handle h)
{
    return [h](const Bridge& b, std::string* out) {
        unsigned char mode = 9;
        char t[4][255] = {};
        const bool ok = ReadNetPara(b, h, &mode, t[0], t[1], t[2], t[3]);
        *out =
            std::to_string(mode) + "|" + Text(t[0]) + "|" + Text(t[1]) + "|" + Text(t[2]) + "|" + Text(t[3]);
        return ok;
    };
}

Run Ssid(Handle h = 1)
{
    return [h](const Bridge& b, std::string* out) {
        char s[255] = {};
        const bool ok = QuerySSID(b, h, s);
        *out = Text(s) + "|" + std::to_string(std::string(s).size());
        return ok;
    };
}

const std::vector<CommandCase>& Cases()
{
    static const std::vector<CommandCase> cases = {
        {"net value in pieces",
         ReadNet(1),
         {"+OK=1,\"192.1", "68.1.20\",\"255.255.255.0\",\"192.168.1.1\",\"192.168.1.1\"\r", "\n\r", "\n"},
         true,
         "AT+NIP=?\r",
         "1|192.168.1.20|255.255.255.0|192.168.1.1|192.168.1.1",
         0,
         0},
        {"net value of four fields",
         ReadNet(1),
         {"+OK=1,\"192.168.1.20\",\"255.255.255.0\",\"192.168.1.1\"" + kEnd},
         false,
         "AT+NIP=?\r",
         "9|-|-|-|-",
         0,
         0},
        {"net on handle 0 sends nothing", ReadNet(0), {kNetReply}, false, "", "9|-|-|-|-", 0, 0},
        {"error with terminator", Ssid(), {"+ERR=-2" + kEnd}, false, "AT+SSID=?\r", "-|0", 0, 0},
        {"lower-case error before any terminator", Ssid(), {"+err=-1"}, false, "AT+SSID=?\r", "-|0", 0, 0},
        {"lower-case value marker", Ssid(), {"+ok=\"x\"" + kEnd}, false, "AT+SSID=?\r", "-|0", 0, 0},
        {"silent module runs into the deadline", Ssid(), {}, false, "AT+SSID=?\r", "-|0", 1000, 1000},
        {"over-long value cut at 254 bytes",
         Ssid(),
         {"+OK=\"" + std::string(200, 'a'), std::string(200, 'b') + "\"" + kEnd},
         true,
         "AT+SSID=?\r",
         std::string(200, 'a') + std::string(54, 'b') + "|254",
         0,
         0},
        {"value in quotes with text around",
         Ssid(),
         {"+OK=\"ab\"cd" + kEnd},
         true,
         "AT+SSID=?\r",
         "ab|2",
         0,
         0},
        {"set acknowledged",
         [](const Bridge& b, std::string*) { return SetSSID(b, 1, "office"); },
         {"+O", "K\r\n", "\r\n"},
         true,
         "AT+SSID=!office\r",
         "",
         0,
         0},
        {"set answered OK alone",
         [](const Bridge& b, std::string*) { return SetSSID(b, 1, "office"); },
         {"OK\r\n"},
         false,
         "AT+SSID=!office\r",
         "",
         1000,
         1000},
        {"set refused in any letter case",
         [](const Bridge& b, std::string*) { return SetSecurityType(b, 1, 6); },
         {"+Err=-3"},
         false,
         "AT+ENCRY=!6\r",
         "",
         0,
         0},
        {"security 7 sends nothing",
         [](const Bridge& b, std::string*) { return SetSecurityType(b, 1, 7); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"address mode 2 sends nothing",
         [](const Bridge& b, std::string*) {
             return SetNetPara(b, 1, 2, "1.2.3.4", "1.2.3.4", "1.2.3.4", "1.2.3.4");
         },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"key format 2 sends nothing",
         [](const Bridge& b, std::string*) { return SetKey(b, 1, 2, 0, "k"); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"key index 5 sends nothing",
         [](const Bridge& b, std::string*) { return SetKey(b, 1, 0, 5, "k"); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"protocol 2 sends nothing",
         [](const Bridge& b, std::string*) { return SetSocketConnectInfo(b, 1, 2, 0, "1.2.3.4", 80); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"connection mode 5 sends nothing",
         [](const Bridge& b, std::string*) { return SetSocketConnectInfo(b, 1, 0, 5, "1.2.3.4", 80); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"null text sends nothing",
         [](const Bridge& b, std::string*) { return SetSSID(b, 1, nullptr); },
         {"+OK" + kEnd},
         false,
         "",
         "",
         0,
         0},
        {"net setting line",
         [](const Bridge& b, std::string*) {
             return SetNetPara(b, 1, 1, "192.168.1.20", "255.255.255.0", "192.168.1.1", "192.168.1.1");
         },
         {"+OK" + kEnd},
         true,
         "AT+NIP=!1,\"192.168.1.20\",\"255.255.255.0\",\"192.168.1.1\",\"192.168.1.1\"\r",
         "",
         0,
         0},
        {"key setting line",
         [](const Bridge& b, std::string*) { return SetKey(b, 1, 1, 4, "secret12"); },
         {"+OK" + kEnd},
         true,
         "AT+KEY=!1,4,\"secret12\"\r",
         "",
         0,
         0},
        {"socket setting line",
         [](const Bridge& b, std::string*) { return SetSocketConnectInfo(b, 1, 1, 0, "10.0.0.5", 65535); },
         {"+OK" + kEnd},
         true,
         "AT+ATRM=!1,0,\"10.0.0.5\",65535\r",
         "",
         0,
         0},
        {"key value",
         [](const Bridge& b, std::string* out) {
             unsigned char f = 9;
             unsigned char i = 9;
             char k[255] = {};
             const bool ok = QueryKey(b, 0, &f, &i, k); // this query does not test the handle
             *out = std::to_string(f) + "|" + std::to_string(i) + "|" + Text(k);
             return ok;
         },
         {"+OK=\"1\",\"2\",\"se cret\"" + kEnd},
         true,
         "AT+KEY=?\r",
         "1|2|se cret",
         0,
         0},
        {"socket value keeps 16 bits of the port",
         [](const Bridge& b, std::string* out) {
             unsigned char p = 9;
             unsigned char m = 9;
             char a[255] = {};
             unsigned short port = 1;
             const bool ok = QuerySocketConnectInfo(b, 1, &p, &m, a, &port);
             *out = std::to_string(p) + "|" + std::to_string(m) + "|" + Text(a) + "|" + std::to_string(port);
             return ok;
         },
         {"+OK=1,0,\"10.0.0.5\",70000" + kEnd},
         true,
         "AT+ATRM=?\r",
         "1|0|10.0.0.5|4464",
         0,
         0},
        {"security code without quote stripping",
         [](const Bridge& b, std::string* out) {
             unsigned char s = 9;
             const bool ok = QuerySecurityType(b, 1, &s);
             *out = std::to_string(s);
             return ok;
         },
         {"+OK=\"3\"" + kEnd},
         true,
         "AT+ENCRY=?\r",
         "0",
         0,
         0},
        {"link status and four texts",
         [](const Bridge& b, std::string* out) {
             unsigned char s = 9;
             char t[4][255] = {};
             const bool ok = QueryConnectStatus(b, 1, &s, t[0], t[1], t[2], t[3]);
             *out = std::to_string(s) + "|" + Text(t[0]) + "|" + Text(t[3]);
             return ok;
         },
         {"+OK=1,\"a\",\"b\",\"c\",\"d\"" + kEnd},
         true,
         "AT+LKSTT=?\r",
         "1|a|d",
         0,
         0},
        {"scan of two lines",
         [](const Bridge& b, std::string* out) {
             char list[4045] = {};
             const bool ok = Search(b, 1, list);
             *out = list;
             return ok;
         },
         {"+OK=\r\nA,0,1,0,\"x\",40\r\nB,1,2,1,\"y\",70" + kEnd},
         true,
         "AT+WSCAN\r",
         "\nA,0,1,0,x,40;\nB,1,2,1,y,70;",
         0,
         0},
        {"empty scan",
         [](const Bridge& b, std::string* out) {
             char list[4045] = {'z'};
             const bool ok = Search(b, 1, list);
             *out = list;
             return ok;
         },
         {"+OK=" + kEnd},
         true,
         "AT+WSCAN\r",
         "",
         0,
         0},
        {"escape without carriage return",
         [](const Bridge& b, std::string*) { return Enter(b, 1); },
         {"\r\nO", "K\r\n"},
         true,
         "+++",
         "",
         0,
         0},
        {"escape unanswered",
         [](const Bridge& b, std::string*) { return Enter(b, 1); },
         {"+ERR=-1" + kEnd},
         false,
         "+++",
         "",
         3000,
         3000},
        {"probe",
         [](const Bridge& b, std::string*) { return SendAT(b, 1); },
         {"+OK" + kEnd},
         true,
         "AT+\r",
         "",
         0,
         0},
        {"reset",
         [](const Bridge& b, std::string*) { return Reset(b, 1); },
         {"+OK" + kEnd},
         true,
         "AT+Z\r",
         "",
         0,
         0},
        {"leave byte", [](const Bridge& b, std::string*) { return Exit(b, 1); }, {}, true, "\x03", "", 0, 0},
        {"leave on handle 0",
         [](const Bridge& b, std::string*) { return Exit(b, 0); },
         {},
         false,
         "",
         "",
         0,
         0},
        {"mac value",
         [](const Bridge& b, std::string* out) {
             char m[255] = {};
             const bool ok = QueryMac(b, 0, m);
             *out = Text(m);
             return ok;
         },
         {"+OK=ac:cf:23:5a:4c:01" + kEnd},
         true,
         "AT+QMAC\r",
         "ac:cf:23:5a:4c:01",
         0,
         0},
    };
    return cases;
}

} // namespace

class TstAtbridgeLogic : public QObject
{
    Q_OBJECT

private slots:
    void recognisers_data();
    void recognisers();
    void fields_data();
    void fields();
    void quotesAndNumbers_data();
    void quotesAndNumbers();
    void scanOutput_data();
    void scanOutput();
    void copyTextKeepsCharactersWhole();
    void commands_data();
    void commands();
    void transportFailures();
};

void TstAtbridgeLogic::recognisers_data()
{
    QTest::addColumn<int>("kind"); // 0 escape/probe, 1 set, 2 query
    QTest::addColumn<std::string>("text");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<std::string>("value");
    const int more = int(Outcome::More);
    const int done = int(Outcome::Done);
    const int error = int(Outcome::Error);
    QTest::newRow("query value") << 2 << kNetReply << done
                                 << std::string(kNetReply.substr(4, kNetReply.size() - 8));
    QTest::newRow("query without terminator") << 2 << std::string("+OK=1,\"a\"\r\n") << more << std::string();
    QTest::newRow("query empty value") << 2 << std::string("+OK=" + kEnd) << done << std::string();
    QTest::newRow("query value after the terminator")
        << 2 << std::string("noise" + kEnd + "+OK=1" + kEnd) << error << std::string();
    QTest::newRow("query without marker") << 2 << std::string("+OK" + kEnd) << error << std::string();
    QTest::newRow("query with error and terminator")
        << 2 << std::string("+ERR=-2" + kEnd) << error << std::string();
    QTest::newRow("query lower-case error") << 2 << std::string("+eRr") << error << std::string();
    QTest::newRow("query value only up to the first terminator")
        << 2 << std::string("+OK=a" + kEnd + "b" + kEnd) << done << std::string("a");
    QTest::newRow("set acknowledged") << 1 << std::string("\r\n+OK" + kEnd) << done << std::string();
    QTest::newRow("set OK alone") << 1 << std::string("OK\r\n") << more << std::string();
    QTest::newRow("set with a value reply") << 1 << std::string("+OK=1" + kEnd) << more << std::string();
    QTest::newRow("set refused") << 1 << std::string("+err=-4") << error << std::string();
    QTest::newRow("escape OK") << 0 << std::string("\r\nOK") << done << std::string();
    QTest::newRow("escape lower case") << 0 << std::string("ok") << more << std::string();
    QTest::newRow("escape error is no outcome")
        << 0 << std::string("+ERR=-1" + kEnd) << more << std::string();
}

void TstAtbridgeLogic::recognisers()
{
    QFETCH(int, kind);
    QFETCH(std::string, text);
    std::string value = "untouched";
    Outcome o = Outcome::More;
    if (kind == 0) {
        o = recogniseOk(text);
    } else if (kind == 1) {
        o = recogniseSet(text);
    } else {
        o = recogniseQuery(text, &value);
    }
    QTEST(int(o), "outcome");
    if (o == Outcome::Done && kind == 2) {
        QTEST(value, "value");
    }
}

void TstAtbridgeLogic::fields_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::vector<std::string>>("fields");
    using V = std::vector<std::string>;
    QTest::newRow("three") << std::string("a,b,c") << V{"a", "b", "c"};
    QTest::newRow("leading separator skipped") << std::string(",a,b") << V{"a", "b"};
    QTest::newRow("trailing separator adds nothing") << std::string("a,b,") << V{"a", "b"};
    QTest::newRow("adjacent separators") << std::string("a,,b") << V{"a", "", "b"};
    QTest::newRow("leading pair") << std::string(",,a") << V{"", "a"};
    QTest::newRow("empty") << std::string() << V{};
    QTest::newRow("separator alone") << std::string(",") << V{};
    QTest::newRow("one character") << std::string("x") << V{"x"};
}

void TstAtbridgeLogic::fields()
{
    QFETCH(std::string, text);
    QTEST(splitFields(text, ','), "fields");
}

void TstAtbridgeLogic::quotesAndNumbers_data()
{
    QTest::addColumn<std::string>("text");
    QTest::addColumn<std::string>("stripped");
    QTest::addColumn<uint>("low8");
    QTest::newRow("text after the quotes") << std::string("\"ab\"cd") << std::string("ab") << 0U;
    QTest::newRow("one quote") << std::string("x\"12") << std::string("x\"12") << 0U;
    QTest::newRow("empty quotes") << std::string("\"\"") << std::string() << 0U;
    QTest::newRow("third quote") << std::string("\"a\"b\"") << std::string("a") << 0U;
    QTest::newRow("number") << std::string("42") << std::string("42") << 42U;
    QTest::newRow("space and sign") << std::string(" \t-1") << std::string(" \t-1") << 255U;
    QTest::newRow("digits up to a letter") << std::string("+7x9") << std::string("+7x9") << 7U;
    QTest::newRow("low byte") << std::string("300") << std::string("300") << 44U;
    QTest::newRow("beyond 32 bits") << std::string("4294967297") << std::string("4294967297") << 1U;
}

void TstAtbridgeLogic::quotesAndNumbers()
{
    QFETCH(std::string, text);
    QTEST(stripQuotes(text), "stripped");
    QTEST(uint(toNumber(text) & 0xFFU), "low8");
}

void TstAtbridgeLogic::scanOutput_data()
{
    QTest::addColumn<std::string>("value");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<std::string>("output");
    QTest::newRow("one line") << std::string("00AABBCCDDEE,0,6,1,\"office\",52") << 4044
                              << std::string("00AABBCCDDEE,0,6,1,office,52;");
    QTest::newRow("five fields skipped")
        << std::string("A,0,1,0,\"x\"\r\nB,1,2,1,\"y\",70") << 4044 << std::string("\nB,1,2,1,y,70;");
    QTest::newRow("seven fields keep six")
        << std::string("A,0,1,0,x,40,extra") << 4044 << std::string("A,0,1,0,x,40;");
    QTest::newRow("cut between records")
        << std::string("A,0,1,0,x,40\rB,1,2,1,y,70") << 20 << std::string("A,0,1,0,x,40;");
    QTest::newRow("nothing") << std::string() << 4044 << std::string();
}

void TstAtbridgeLogic::scanOutput()
{
    QFETCH(std::string, value);
    QFETCH(int, capacity);
    QTEST(atbridge::scanOutput(value, size_t(capacity)), "output");
}

void TstAtbridgeLogic::copyTextKeepsCharactersWhole()
{
    // 253 bytes, then a three-byte character that would end at byte 256.
    const std::string text = std::string(253, 'a') + "\xE4\xBB\x93" + "tail";
    char out[255];
    std::memset(out, 'z', sizeof out);
    copyText(text, out);
    QCOMPARE(std::string(out), std::string(253, 'a'));
    copyText(std::string(300, 'b'), out);
    QCOMPARE(std::strlen(out), size_t(kTextCapacity));
}

void TstAtbridgeLogic::commands_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < Cases().size(); ++i) {
        QTest::newRow(Cases()[i].name) << int(i);
    }
}

void TstAtbridgeLogic::commands()
{
    QFETCH(int, index);
    const CommandCase& c = Cases()[size_t(index)];
    FakeNetProc proc;
    proc.replies.assign(c.replies.begin(), c.replies.end());
    std::string outputs;
    QCOMPARE(c.run(proc.bridge(), &outputs), c.ok);
    QCOMPARE(proc.sent, c.sent);
    QCOMPARE(outputs, c.outputs);
    QVERIFY2(proc.clock >= c.minClock && proc.clock <= c.maxClock, std::to_string(proc.clock).c_str());
}

void TstAtbridgeLogic::transportFailures()
{
    struct Case
    {
        const char* name;
        std::function<void(FakeNetProc&)> setup;
        bool ok;
        int maxReceives;
    };
    const Case cases[] = {
        // A late reply to an earlier command must not answer this one.
        {"stale reply drained",
         [](FakeNetProc& p) {
             p.stale = {"+OK=\"old\"" + kEnd};
             p.replies = {"+OK=\"new\"" + kEnd};
         },
         true, 10},
        {"send fails", [](FakeNetProc& p) { p.failSend = true; }, false, 1},
        // A link that is gone fails every receive at once: the loop pauses instead of spinning.
        {"receive fails at once", [](FakeNetProc& p) { p.failAtOnce = true; }, false, 1000 / 10 + 2},
        // Bytes that never make a reply are given up at the reply limit.
        {"reply never ends", [](FakeNetProc& p) { p.endless = true; }, false, int(kMaxReply / 255) + 3},
    };
    for (const Case& c : cases) {
        FakeNetProc proc;
        c.setup(proc);
        char ssid[255] = {};
        QVERIFY2(QuerySSID(proc.bridge(), 1, ssid) == c.ok, c.name);
        QVERIFY2(proc.receives <= c.maxReceives, c.name);
        if (c.ok) {
            QCOMPARE(std::string(ssid), std::string("new"));
        }
    }
}

QTEST_APPLESS_MAIN(TstAtbridgeLogic)
#include "tst_atbridge_logic.moc"
