// Reader discovery without a window: answer parsing, the broadcast choice, the target and a run against
// simulated readers on loopback.
#include "core/discovery/DiscoveryRun.h"
#include "core/discovery/UdpSocket.h"

#include <readersim/discovery.h>

#include <QSet>
#include <QtTest>

using Discovery::InterfaceEntry;

Q_DECLARE_METATYPE(QVector<InterfaceEntry>)

namespace {
// An answer: bytes 10-11 the code, 20-23 the address, 32 the name length, then what follows.
QByteArray Answer(const QByteArray& code, const QByteArray& address, int nameLength, const QByteArray& rest)
{
    QByteArray a(32, '\0');
    a.replace(10, 2, code);
    a.replace(20, 4, address);
    a.append(static_cast<char>(nameLength));
    return a + rest;
}

InterfaceEntry Entry(const char* name, bool loopback, bool broadcastFlag, uint32_t broadcast)
{
    InterfaceEntry e;
    e.interfaceName = QString::fromLatin1(name);
    e.loopback = loopback;
    e.broadcastFlag = broadcastFlag;
    e.broadcast = broadcast;
    return e;
}

std::unique_ptr<readersim::DiscoveryResponder> Responder(int readers, const char* name = "READER01")
{
    readersim::DiscoveryOptions o;
    o.readers = readers;
    o.name = name;
    auto r = std::make_unique<readersim::DiscoveryResponder>(o);
    std::string error;
    return r->start(&error) ? std::move(r) : nullptr;
}

Discovery::Target Loopback(int port)
{
    return Discovery::ResolveTarget(QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("4002"), 0);
}
} // namespace

class TstDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void parseAnswer_data();
    void parseAnswer();
    void chooseBroadcast_data();
    void chooseBroadcast();
    void resolveTarget_data();
    void resolveTarget();
    void runListsEveryReader_data();
    void runListsEveryReader();
    void runEndsOnStop();
};

void TstDiscovery::parseAnswer_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("name");

    const QByteArray code("\x03\xE8", 2);
    const QByteArray ip("\xC0\xA8\xC8\xFF", 4);
    QTest::newRow("32 bytes are too short") << Answer(code, ip, 0, "").left(32) << false << ""
                                            << "";
    QTest::newRow("33 bytes and no name") << Answer(code, ip, 0, "") << true << "192.168.200.255"
                                          << "";
    QTest::newRow("reversed code") << Answer(QByteArray("\xE8\x03", 2), ip, 3, "ABC") << false << ""
                                   << "";
    QTest::newRow("name and second text")
        << Answer(code, ip, 4, QByteArray("R-01\x03XYZ", 8)) << true << "192.168.200.255"
        << "R-01";
    QTest::newRow("name runs past the datagram")
        << Answer(code, ip, 200, "SHORT") << true << "192.168.200.255"
        << "SHORT";
    QTest::newRow("ISO 8859-1 name") << Answer(code, QByteArray("\x7F\x00\x00\x01", 4), 3, "\xC4\xE9\xFF")
                                     << true << "127.0.0.1" << QString::fromUtf8("Äéÿ");
}

void TstDiscovery::parseAnswer()
{
    QFETCH(QByteArray, datagram);
    QFETCH(bool, accepted);
    QFETCH(QString, ip);
    QFETCH(QString, name);
    QString gotIp;
    QString gotName;
    QCOMPARE(Discovery::ParseAnswer(reinterpret_cast<const unsigned char*>(datagram.constData()),
                                    static_cast<int>(datagram.size()), &gotIp, &gotName),
             accepted);
    if (accepted) {
        QCOMPARE(gotIp, ip);
        QCOMPARE(gotName, name);
    }
}

void TstDiscovery::chooseBroadcast_data()
{
    QTest::addColumn<QVector<InterfaceEntry>>("entries");
    QTest::addColumn<uint>("expected");

    const uint32_t loBroadcast = 0x7FFFFFFF;
    const uint32_t lan = 0xC0A801FF; // 192.168.1.255
    const uint32_t other = 0x0A0000FF;
    QTest::newRow("nothing") << QVector<InterfaceEntry>{} << uint(Discovery::kAllOnes);
    QTest::newRow("loopback only") << QVector<InterfaceEntry>{Entry("lo", true, true, loBroadcast)}
                                   << uint(Discovery::kAllOnes);
    QTest::newRow("loopback listed first")
        << QVector<InterfaceEntry>{Entry("lo", true, true, loBroadcast), Entry("eth0", false, true, lan)}
        << uint(lan);
    QTest::newRow("point-to-point has no broadcast")
        << QVector<InterfaceEntry>{Entry("ppp0", false, false, 0x0A0A0A01), Entry("eth1", false, true, other)}
        << uint(other);
    QTest::newRow("flag without an address")
        << QVector<InterfaceEntry>{Entry("eth0", false, true, 0)} << uint(Discovery::kAllOnes);
    QTest::newRow("first usable wins")
        << QVector<InterfaceEntry>{Entry("eth0", false, true, lan), Entry("eth1", false, true, other)}
        << uint(lan);
}

void TstDiscovery::chooseBroadcast()
{
    QFETCH(QVector<InterfaceEntry>, entries);
    QFETCH(uint, expected);
    QCOMPARE(uint(Discovery::ChooseBroadcast(entries)), expected);
}

void TstDiscovery::resolveTarget_data()
{
    QTest::addColumn<QString>("override");
    QTest::addColumn<QString>("profilePort");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");

    QTest::newRow("broadcast to the profile port") << ""
                                                   << "4002" << true << "10.0.0.255" << 4002;
    QTest::newRow("address override") << "127.0.0.1"
                                      << "4002" << true << "127.0.0.1" << 4002;
    QTest::newRow("address and port override") << " 127.255.255.255:5000 "
                                               << "4002" << true << "127.255.255.255" << 5000;
    QTest::newRow("unreadable override never broadcasts") << "localhost"
                                                          << "4002" << false << "" << 0;
    QTest::newRow("override port 0") << "127.0.0.1:0"
                                     << "4002" << false << "" << 0;
    QTest::newRow("override port too large") << "127.0.0.1:70000"
                                             << "4002" << false << "" << 0;
    QTest::newRow("no profile port") << ""
                                     << "" << false << "" << 0;
    QTest::newRow("profile port too large") << ""
                                            << "70000" << false << "" << 0;
}

void TstDiscovery::resolveTarget()
{
    QFETCH(QString, override);
    QFETCH(QString, profilePort);
    QFETCH(bool, valid);
    QFETCH(QString, address);
    QFETCH(int, port);
    const Discovery::Target t = Discovery::ResolveTarget(override, profilePort, 0x0A0000FF);
    QCOMPARE(t.valid, valid);
    if (valid) {
        QCOMPARE(QString::fromStdString(UdpSocket::FormatIPv4(t.address)), address);
        QCOMPARE(int(t.port), port);
    }
}

void TstDiscovery::runListsEveryReader_data()
{
    QTest::addColumn<int>("readers");
    QTest::newRow("one") << 1;
    // All at once: more than a default socket buffer holds, more than slow polling collects.
    QTest::newRow("a full subnet") << 254;
}

void TstDiscovery::runListsEveryReader()
{
    QFETCH(int, readers);
    auto responder = Responder(readers);
    QVERIFY(responder);
    QStringList ips;
    QSet<QString> names;
    const Discovery::Outcome outcome = Discovery::Run(
        Loopback(responder->port()),
        [&](const QString& ip, const QString& name) {
            ips << ip;
            names.insert(name);
        },
        nullptr, 600);
    QCOMPARE(outcome, Discovery::Outcome::Found);
    QCOMPARE(ips.size(), readers);
    QCOMPARE(QSet<QString>(ips.begin(), ips.end()).size(), readers);
    QCOMPARE(names.size(), readers);
    QCOMPARE(ips.first(), QStringLiteral("127.0.0.1"));
    QVERIFY(names.contains(readers == 1 ? QStringLiteral("READER01") : QStringLiteral("READER01-254")));
}

void TstDiscovery::runEndsOnStop()
{
    // Nobody answers on a port whose socket is gone: only the stop flag ends the run early.
    int port = 0;
    {
        auto responder = Responder(1);
        QVERIFY(responder);
        port = responder->port();
    }
    std::atomic<bool> stop{false};
    QElapsedTimer clock;
    clock.start();
    std::thread stopper([&] {
        QThread::msleep(150);
        stop = true;
    });
    const auto outcome = Discovery::Run(
        Loopback(port), [](const QString&, const QString&) {}, &stop);
    stopper.join();
    QCOMPARE(outcome, Discovery::Outcome::Stopped);
    QVERIFY2(clock.elapsed() < 2000, "the run should end soon after the stop");

    QCOMPARE(Discovery::Run(
                 Loopback(port), [](const QString&, const QString&) {}, nullptr, 200),
             Discovery::Outcome::NothingFound);
    QCOMPARE(Discovery::Run(Discovery::Target(), [](const QString&, const QString&) {}),
             Discovery::Outcome::SocketFailed);
}

QTEST_GUILESS_MAIN(TstDiscovery)
#include "tst_discovery.moc"
