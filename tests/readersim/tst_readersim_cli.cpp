// The readersim program as a user (or a test harness) starts it.
#include "rawclient.h"

#include <QtTest>

#include <arpa/inet.h>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    void networkServicesAnswer();
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

// A datagram to a loopback port and the first answer, if one comes within a second.
static QByteArray exchange(int port, const QByteArray& datagram)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to),
             sizeof to);
    pollfd p{fd, POLLIN, 0};
    QByteArray answer;
    if (::poll(&p, 1, 1000) == 1) {
        char buffer[600];
        sockaddr_in source{};
        socklen_t n = sizeof source;
        const ssize_t got =
            ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&source), &n);
        answer = QByteArray(buffer, int(got));
    }
    ::close(fd);
    return answer;
}

void TstReadersimCli::networkServicesAnswer()
{
    QTemporaryDir store;
    QProcess p;
    p.start(programPath(), {"--tcp", "127.0.0.1:0", "--discovery", "127.0.0.1:0", "--name", "DEMO", "--tftp",
                            "127.0.0.1:0", "--tftp-dir", store.path()});
    QVERIFY(p.waitForStarted());
    Endpoints e = readEndpoints(p);
    QVERIFY2(e.ready, qPrintable(e.lines.join('|') + p.readAllStandardError()));
    QCOMPARE(e.lines.size(), 4);
    QVERIFY(e.lines[1].startsWith("discovery 127.0.0.1:") && e.lines[2].startsWith("tftp 127.0.0.1:"));

    const QByteArray query = QByteArray::fromHex("01FE001834120000000103E8000E00000001007B00000000");
    const QByteArray answer = exchange(e.lines[1].section(':', 1).toInt(), query);
    QVERIFY(answer.size() > 37);
    QCOMPARE(answer.mid(10, 2).toHex(), QByteArray("03e8"));
    QCOMPARE(answer.mid(20, 4).toHex(), QByteArray("7f000001")); // where its TCP endpoint listens
    QCOMPARE(answer.mid(32, 5), QByteArray::fromHex("04") + "DEMO");

    // A one-block file ends up in the folder under its name, acknowledged from the listening port.
    const int tftpPort = e.lines[2].section(':', 1).toInt();
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(tftpPort));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto sendAndAck = [&](const QByteArray& packet) {
        ::sendto(fd, packet.constData(), size_t(packet.size()), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
        pollfd pf{fd, POLLIN, 0};
        char ack[16];
        sockaddr_in source{};
        socklen_t n = sizeof source;
        const bool got = ::poll(&pf, 1, 1000) == 1 &&
                         ::recvfrom(fd, ack, sizeof ack, 0, reinterpret_cast<sockaddr*>(&source), &n) == 4;
        return got && ntohs(source.sin_port) == tftpPort ? QByteArray(ack, 4).toHex() : QByteArray();
    };
    QCOMPARE(sendAndAck(QByteArray::fromHex("0002") + "note.txt" + '\0' + "octet" + '\0'),
             QByteArray("00040000"));
    QCOMPARE(sendAndAck(QByteArray::fromHex("00030001") + "hello"), QByteArray("00040001"));
    ::close(fd);
    QFile kept(store.filePath("note.txt"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("hello"));
    p.terminate();
    QVERIFY(p.waitForFinished(5000));
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
    QTest::newRow("tftp outside") << QStringList{"--tcp", "127.0.0.1:0", "--tftp", "10.1.2.3:0"}
                                  << "127.0.0.0/8";
    QTest::newRow("discovery outside")
        << QStringList{"--tcp", "127.0.0.1:0", "--discovery", "10.1.2.3:0"} << "127.0.0.0/8";
    QTest::newRow("no readers") << QStringList{"--tcp", "127.0.0.1:0", "--readers", "0"} << "--readers";
    QTest::newRow("duplicate above 1")
        << QStringList{"--tcp", "127.0.0.1:0", "--duplicate", "1.5"} << "--duplicate";
    QTest::newRow("tftp folder missing")
        << QStringList{"--tcp", "127.0.0.1:0", "--tftp", "127.0.0.1:0", "--tftp-dir", "/nonexistent/rivulet"}
        << "--tftp-dir";
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
