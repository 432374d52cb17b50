// The readersim program as a user (or a test harness) starts it.
#include "rawclient.h"

#include "readersim/launch.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>

namespace {

QString programPath()
{
    return QString::fromStdString(readersim::Process::programPath());
}

} // namespace

class TstReadersimCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void endpointsThenReady_andSigtermEndsIt();
    void sigintEndsItToo();
    void badArguments_data();
    void badArguments();
    void helpNamesEveryOption();
};

void TstReadersimCli::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
}

// Also shows that the options reach the program as given (readersim::commandLine).
void TstReadersimCli::endpointsThenReady_andSigtermEndsIt()
{
    readersim::Options o;
    o.udp = true;
    o.pty = true;
    o.tags = 7;
    o.rate = 0;
    o.seed = 3;
    o.heartbeatMs = 50;
    std::string error;
    auto p = readersim::Process::start(o, &error);
    QVERIFY2(p, error.c_str());
    const std::vector<std::string>& lines = p->output();
    QCOMPARE(lines.size(), size_t(4));
    QVERIFY(lines[0].rfind("tcp 127.0.0.1:", 0) == 0 && lines[1].rfind("udp 127.0.0.1:", 0) == 0 &&
            lines[2].rfind("pty ", 0) == 0);
    QVERIFY(p->tcpPort() > 0 && p->udpPort() > 0);

    RawClient tcp, udp, serial;
    QVERIFY(tcp.connectTcp(p->tcpPort()));
    QVERIFY(udp.openUdp(p->udpPort()));
    QVERIFY(serial.openSerial(p->ptyPath()));
    for (RawClient* c : {&tcp, &udp, &serial}) {
        std::vector<uint8_t> out;
        QCOMPARE(c->status(wire::cmd::Hello, {1}, &out), int(wire::status::Ok));
        QCOMPARE(out, std::vector<uint8_t>({1, wire::kFamily6C}));
    }
    std::vector<uint8_t> serialNo;
    QCOMPARE(tcp.status(wire::cmd::SysInfQuery, {2}, &serialNo), int(wire::status::Ok));
    QCOMPARE(std::string(serialNo.begin(), serialNo.end()), std::string("SN000003"));
    std::vector<uint8_t> stored;
    QCOMPARE(tcp.status(wire::cmd::FlashCount, {}, &stored), int(wire::status::Ok));
    QCOMPARE(stored, std::vector<uint8_t>({0, 0, 0, 7, 0, 0, 0})); // a store of the first 8 tags of 7
    wire::Frame f;
    QVERIFY(tcp.next(f, 2000));
    QCOMPARE(int(f.cmd), int(wire::cmd::Heartbeat));
    // An inventory at full rate in progress does not keep the program from ending.
    QCOMPARE(tcp.status(wire::cmd::ReadEpc, {0, 1, 0, 0, 0, 7}), int(wire::status::Ok));

    QVERIFY(p->signal(SIGTERM));
    const int status = p->wait();
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    while (tcp.next(f, 500)) {
    }
    QVERIFY(tcp.peerClosed());
}

void TstReadersimCli::sigintEndsItToo()
{
    std::string error;
    auto p = readersim::Process::startWith({"--tcp", "localhost:0"}, &error);
    QVERIFY2(p, error.c_str());
    QCOMPARE(p->output().size(), size_t(2));
    QVERIFY(p->tcpPort() > 0); // printed as 127.0.0.1
    QVERIFY(p->signal(SIGINT));
    const int status = p->wait();
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TstReadersimCli::badArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("outside loopback") << QStringList{"--tcp", "10.1.2.3:0"} << "127.0.0.0/8";
    QTest::newRow("any address") << QStringList{"--tcp", "0.0.0.0:0"} << "127.0.0.0/8";
    QTest::newRow("udp outside") << QStringList{"--udp", "192.168.0.9:0"} << "127.0.0.0/8";
    QTest::newRow("no endpoint") << QStringList{"--tags", "5"} << "endpoint";
    QTest::newRow("no port") << QStringList{"--tcp", "127.0.0.1"} << "--tcp";
    QTest::newRow("drop above 1") << QStringList{"--tcp", "127.0.0.1:0", "--drop", "2"} << "--drop";
    QTest::newRow("rate not a number") << QStringList{"--tcp", "127.0.0.1:0", "--rate", "fast"} << "--rate";
    QTest::newRow("missing value") << QStringList{"--tcp", "127.0.0.1:0", "--tags"} << "--tags";
    QTest::newRow("unknown option") << QStringList{"--tcp", "127.0.0.1:0", "--bogus", "1"} << "--bogus";
    QTest::newRow("value in the same word") << QStringList{"--tcp=127.0.0.1:0", "--tags=many"} << "--tags";
    QTest::newRow("stray argument") << QStringList{"--tcp", "127.0.0.1:0", "extra"} << "extra";
    QTest::newRow("unknown family") << QStringList{"--family", "xyz", "--tcp", "127.0.0.1:0"} << "family";
}

void TstReadersimCli::badArguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, stderrHas);
    QProcess p;
    p.start(programPath(), args);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 2);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
    QVERIFY(!p.readAllStandardOutput().contains("ready"));
}

void TstReadersimCli::helpNamesEveryOption()
{
    QProcess p;
    p.start(programPath(), {"--help"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 0);
    const QString help = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* option : {"--tcp", "--udp", "--pty", "--allow-any-address", "--family", "--tags",
                               "--rate", "--seed", "--heartbeat", "--reboot-ms", "--latency", "--drop",
                               "--corrupt", "--cut-after", "--fault-reports", "--help"}) {
        QVERIFY2(help.contains(QString(option) + ' '), option);
    }
}

QTEST_GUILESS_MAIN(TstReadersimCli)
#include "tst_readersim_cli.moc"
