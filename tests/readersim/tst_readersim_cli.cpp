// The readersim program as a user (or a test harness) starts it.
#include "rawclient.h"

#include <QtTest>

#include <csignal>

namespace {

QString programPath()
{
    const QByteArray dir = qgetenv("RIVULET_BIN_DIR");
    return (dir.isEmpty() ? QCoreApplication::applicationDirPath() : QString::fromLocal8Bit(dir)) +
           "/readersim";
}

struct Endpoints
{
    int tcp = -1;
    int udp = -1;
    QString pty;
    bool ready = false;
    QStringList lines;
};

// Reads the endpoint lines up to "ready".
Endpoints readEndpoints(QProcess& p)
{
    Endpoints e;
    QElapsedTimer t;
    t.start();
    while (!e.ready && t.elapsed() < 5000) {
        if (!p.canReadLine() && !p.waitForReadyRead(200)) {
            if (p.state() != QProcess::Running) {
                break;
            }
            continue;
        }
        while (p.canReadLine()) {
            const QString line = QString::fromUtf8(p.readLine()).trimmed();
            e.lines << line;
            if (line == "ready") {
                e.ready = true;
            } else if (line.startsWith("tcp 127.0.0.1:")) {
                e.tcp = line.section(':', 1).toInt();
            } else if (line.startsWith("udp 127.0.0.1:")) {
                e.udp = line.section(':', 1).toInt();
            } else if (line.startsWith("pty ")) {
                e.pty = line.mid(4);
            }
        }
    }
    return e;
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
};

void TstReadersimCli::initTestCase()
{
    QVERIFY2(QFileInfo(programPath()).isExecutable(), qPrintable(programPath()));
}

void TstReadersimCli::endpointsThenReady_andSigtermEndsIt()
{
    QProcess p;
    p.start(programPath(), {"--family", "6c", "--tcp", "127.0.0.1:0", "--udp", "127.0.0.1:0", "--pty",
                            "--tags", "7", "--rate", "0", "--seed", "3"});
    QVERIFY(p.waitForStarted());
    Endpoints e = readEndpoints(p);
    QVERIFY2(e.ready, qPrintable(e.lines.join('|') + p.readAllStandardError()));
    QCOMPARE(e.lines.size(), 4);
    QVERIFY(e.lines[0].startsWith("tcp ") && e.lines[1].startsWith("udp ") && e.lines[2].startsWith("pty "));
    QVERIFY(e.tcp > 0 && e.udp > 0);

    RawClient tcp, udp, serial;
    QVERIFY(tcp.connectTcp(e.tcp));
    QVERIFY(udp.openUdp(e.udp));
    QVERIFY(serial.openSerial(e.pty.toStdString()));
    for (RawClient* c : {&tcp, &udp, &serial}) {
        std::vector<uint8_t> out;
        QCOMPARE(c->status(wire::cmd::Hello, {1}, &out), int(wire::status::Ok));
        QCOMPARE(out, std::vector<uint8_t>({1, wire::kFamily6C}));
    }
    std::vector<uint8_t> serialNo;
    QCOMPARE(tcp.status(wire::cmd::SysInfQuery, {2}, &serialNo), int(wire::status::Ok));
    QCOMPARE(std::string(serialNo.begin(), serialNo.end()), std::string("SN000003"));
    // An inventory at full rate in progress does not keep the program from ending.
    QCOMPARE(tcp.status(wire::cmd::ReadEpc, {0, 1, 0, 0, 0, 7}), int(wire::status::Ok));

    p.terminate(); // SIGTERM
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    wire::Frame f;
    while (tcp.next(f, 500)) {
    }
    QVERIFY(tcp.peerClosed());
}

void TstReadersimCli::sigintEndsItToo()
{
    QProcess p;
    p.start(programPath(), {"--tcp", "localhost:0"});
    QVERIFY(p.waitForStarted());
    Endpoints e = readEndpoints(p);
    QVERIFY(e.ready);
    QCOMPARE(e.lines.size(), 2);
    QVERIFY(e.tcp > 0); // printed as 127.0.0.1
    ::kill(pid_t(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
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

QTEST_GUILESS_MAIN(TstReadersimCli)
#include "tst_readersim_cli.moc"
