// The readersim program as a user (or a test harness) starts it.
#include "rawclient.h"

#include "readersim/launch.h"

#include <QtTest>

#include <arpa/inet.h>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void networkServicesAnswer();
    void badArguments_data();
    void badArguments();
    void helpNamesEveryOption();
    void wirelessReadersComeToTheServer();
    void llrpAloneIsAnEndpoint();
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
    std::string error;
    auto p =
        readersim::Process::startWith({"--tcp", "127.0.0.1:0", "--discovery", "127.0.0.1:0", "--name", "DEMO",
                                       "--tftp", "127.0.0.1:0", "--tftp-dir", store.path().toStdString()},
                                      &error);
    QVERIFY2(p, error.c_str());
    QStringList lines;
    for (const std::string& line : p->output()) {
        lines << QString::fromStdString(line);
    }
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[1].startsWith("discovery 127.0.0.1:") && lines[2].startsWith("tftp 127.0.0.1:"));

    const QByteArray query = QByteArray::fromHex("01FE001834120000000103E8000E00000001007B00000000");
    const QByteArray answer = exchange(lines[1].section(':', 1).toInt(), query);
    QVERIFY(answer.size() > 37);
    QCOMPARE(answer.mid(10, 2).toHex(), QByteArray("03e8"));
    QCOMPARE(answer.mid(20, 4).toHex(), QByteArray("7f000001")); // where its TCP endpoint listens
    QCOMPARE(answer.mid(32, 5), QByteArray::fromHex("04") + "DEMO");

    // A one-block file ends up in the folder under its name, acknowledged from the listening port.
    const int tftpPort = lines[2].section(':', 1).toInt();
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
    QVERIFY(p->signal(SIGTERM));
    QVERIFY(WIFEXITED(p->wait()));
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
    QTest::newRow("wireless server outside")
        << QStringList{"--wireless-server", "10.1.2.3:4000"} << "127.0.0.0/8";
    QTest::newRow("wireless server port 0")
        << QStringList{"--wireless-server", "127.0.0.1:0"} << "--wireless-server";
    QTest::newRow("reconnect not a number")
        << QStringList{"--wireless-server", "127.0.0.1:4000", "--reconnect-ms", "soon"} << "--reconnect-ms";
    QTest::newRow("value in the same word") << QStringList{"--tcp=127.0.0.1:0", "--tags=many"} << "--tags";
    QTest::newRow("stray argument") << QStringList{"--tcp", "127.0.0.1:0", "extra"} << "extra";
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
    QTest::newRow("llrp outside") << QStringList{"--llrp", "10.1.2.3:5084"} << "127.0.0.0/8";
    QTest::newRow("llrp with gjb") << QStringList{"--family", "gjb", "--llrp", "127.0.0.1:0"}
                                   << "--family 6c";
    QTest::newRow("llrp no port") << QStringList{"--llrp", "127.0.0.1"} << "--llrp";
    QTest::newRow("llrp silence not a number")
        << QStringList{"--llrp", "127.0.0.1:0", "--llrp-silent-after", "later"} << "--llrp-silent-after";
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
    for (const char* option : {"--tcp",
                               "--udp",
                               "--pty",
                               "--allow-any-address",
                               "--family",
                               "--tags",
                               "--rate",
                               "--seed",
                               "--heartbeat",
                               "--reboot-ms",
                               "--latency",
                               "--drop",
                               "--corrupt",
                               "--cut-after",
                               "--fault-reports",
                               "--help",
                               "--wireless-server",
                               "--time-stamp",
                               "--reconnect-ms",
                               "--io-events",
                               "--llrp",
                               "--llrp-silent-after"}) {
        QVERIFY2(help.contains(QString(option) + ' '), option);
    }
}

// --llrp needs no other endpoint, and says where it listens.
void TstReadersimCli::llrpAloneIsAnEndpoint()
{
    std::string error;
    auto p = readersim::Process::startWith({"--llrp", "127.0.0.1:0", "--tags", "5"}, &error);
    QVERIFY2(p, error.c_str());
    const QString line = QString::fromStdString(p->output().at(0));
    QVERIFY2(line.startsWith("llrp 127.0.0.1:") && !line.endsWith(":0"), qPrintable(line));
}

// Wireless readers connect to the server themselves, each with a session that sends at once, and come
// back after their link was cut.
void TstReadersimCli::wirelessReadersComeToTheServer()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            ::listen(listener, 16) == 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    const QString server = QStringLiteral("127.0.0.1:%1").arg(ntohs(sa.sin_port));
    std::string error;
    auto p = readersim::Process::startWith({"--wireless-server", server.toStdString(), "--readers", "3",
                                            "--rate", "200", "--reconnect-ms", "50", "--heartbeat", "50"},
                                           &error);
    QVERIFY2(p, error.c_str());
    QCOMPARE(QString::fromStdString(p->output().at(0)), QStringLiteral("wireless %1 3").arg(server));
    auto acceptOne = [listener] {
        pollfd pf{listener, POLLIN, 0};
        return ::poll(&pf, 1, 10000) == 1 ? ::accept(listener, nullptr, nullptr) : -1;
    };
    int links[3];
    for (int& fd : links) {
        fd = acceptOne();
        QVERIFY(fd >= 0);
    }
    // Each reader sends without being asked (heartbeats, and tags in automatic work mode).
    for (int fd : links) {
        pollfd pf{fd, POLLIN, 0};
        QCOMPARE(::poll(&pf, 1, 10000), 1);
    }
    ::close(links[0]);
    const int again = acceptOne();
    QVERIFY(again >= 0);
    const std::vector<std::string> tail = p->finish();
    QVERIFY(!tail.empty());
    QVERIFY(tail.back().rfind("wireless sent ", 0) == 0);
    for (int fd : {links[1], links[2], again, listener}) {
        ::close(fd);
    }
}

QTEST_GUILESS_MAIN(TstReadersimCli)
#include "tst_readersim_cli.moc"
