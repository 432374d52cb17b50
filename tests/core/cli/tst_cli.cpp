// rivulet-cli as a script runs it: the program against readers simulated in this process, its
// output, exit status and what the reader saw.
#include "FreePort.h"
#include "MqttBroker.h"
#include "TempAppDir.h"

#include <readersim/discovery.h>
#include <readersim/launch.h>
#include <readersim/llrp_server.h>
#include <readersim/model.h>
#include <readersim/tftp_server.h>
#include <readersim/wireless.h>

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <set>
#include <tuple>

namespace {

struct CliResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString CliPath()
{
    return qEnvironmentVariable("RIVULET_BIN_DIR") + QStringLiteral("/rivulet-cli");
}

void Prepare(QProcess& p, const TempAppDir& app)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RIVULET_APP_DIR"), app.path());
    p.setProcessEnvironment(env);
}

CliResult Run(const TempAppDir& app, const QStringList& args)
{
    QProcess p;
    Prepare(p, app);
    p.start(CliPath(), args);
    CliResult r;
    // A safety net against a hang, not a speed bound.
    if (!p.waitForFinished(120000)) {
        r.err = "did not finish: " + p.errorString().toUtf8();
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QStringList Tcp(const readersim::Simulator& sim)
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())};
}

QString Hex(const std::vector<uint8_t>& bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())).toHex().toUpper());
}

// (epc, tid, antenna) -> reads
using ReadCounts = std::map<std::tuple<QString, QString, int>, quint64>;

// The rows of a run, checked for their form; false (with a message) on a malformed row.
// With perReader, rows carry a reader column and are counted per reader as well.
// rssi: rows of an LLRP reader, whose every read carries a signal strength.
bool ParseRows(const QByteArray& out, bool jsonl, ReadCounts* counts, int* rows, QString* why,
               std::map<QString, ReadCounts>* perReader = nullptr, bool rssi = false)
{
    static const QRegularExpression iso(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"));
    QList<QByteArray> lines = out.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    if (!jsonl) {
        if (lines.isEmpty() || lines.takeFirst() != (perReader ? "time,antenna,epc,tid,reader"
                                                     : rssi    ? "time,antenna,epc,tid,rssi"
                                                               : "time,antenna,epc,tid")) {
            *why = QStringLiteral("no CSV header");
            return false;
        }
    }
    *rows = 0;
    for (const QByteArray& line : lines) {
        QString time;
        QString epc;
        QString tid;
        QString reader;
        int antenna = 0;
        int dbm = 0;
        if (jsonl) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            const QStringList keys = perReader ? QStringList{"antenna", "epc", "reader", "tid", "time"}
                                     : rssi    ? QStringList{"antenna", "epc", "rssi", "tid", "time"}
                                               : QStringList{"antenna", "epc", "tid", "time"};
            if (o.keys() != keys) {
                *why = QStringLiteral("bad object: ") + QString::fromUtf8(line);
                return false;
            }
            time = o.value("time").toString();
            epc = o.value("epc").toString();
            tid = o.value("tid").toString();
            antenna = o.value("antenna").toInt();
            reader = o.value("reader").toString();
            dbm = o.value("rssi").toInt();
        } else {
            const QList<QByteArray> f = line.split(',');
            if (f.size() != (perReader || rssi ? 5 : 4)) {
                *why = QStringLiteral("bad row: ") + QString::fromUtf8(line);
                return false;
            }
            time = QString::fromLatin1(f[0]);
            antenna = f[1].toInt();
            epc = QString::fromLatin1(f[2]);
            tid = QString::fromLatin1(f[3]);
            reader = perReader ? QString::fromLatin1(f[4]) : QString();
            dbm = rssi ? f[4].toInt() : 0;
        }
        if (rssi && (dbm >= 0 || dbm < -128)) {
            *why = QStringLiteral("bad rssi: ") + QString::fromUtf8(line);
            return false;
        }
        if (!iso.match(time).hasMatch()) {
            *why = QStringLiteral("bad time: ") + time;
            return false;
        }
        ++(*counts)[{epc, tid, antenna}];
        if (perReader) {
            ++(*perReader)[reader][{epc, tid, antenna}];
        }
        ++*rows;
    }
    return true;
}

std::unique_ptr<readersim::Simulator> Sim(int tags = 6, double rate = 3000)
{
    readersim::Options o;
    o.tags = tags;
    o.rate = rate;
    o.seed = 5;
    return readersim::startInProcess(o);
}

} // namespace

class TstCli : public QObject
{
    Q_OBJECT

private slots:
    void usageErrorsSendNothing_data();
    void usageErrorsSendNothing();
    void inventoryRowsAreWhatTheReaderSent_data();
    void inventoryRowsAreWhatTheReaderSent();
    void inventoryEndsOnCountAndOnInterrupt();
    void commandsRoundTrip_data();
    void commandsRoundTrip();
    void failuresExitOne_data();
    void failuresExitOne();
    void discoverListsEveryAnswer();
    void firmwareArrivesThroughALossyLink_data();
    void firmwareArrivesThroughALossyLink();
    void mqttSubscriberGetsThePrintedRows();
    void mqttReadsSurviveABrokerRestart();
    void gjbInfoAndInventory_data();
    void gjbInfoAndInventory();
    void serveRowsAreWhatEachWirelessReaderSent_data();
    void serveRowsAreWhatEachWirelessReaderSent();
    void llrpReader_data();
    void llrpReader();
    void llrpAntennaPower();

private:
    TempAppDir m_app;
};

void TstCli::usageErrorsSendNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"info", "--bogus"} << "bogus";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
    QTest::newRow("option of another command") << QStringList{"info", "--words", "2"} << "--words";
    QTest::newRow("bad hex") << QStringList{"write", "--bank", "user", "--start", "0", "--data", "12G4"}
                             << "--data";
    QTest::newRow("half a word") << QStringList{"write", "--bank", "user", "--start", "0", "--data", "123"}
                                 << "--data";
    QTest::newRow("epc write with a start")
        << QStringList{"write", "--bank", "epc", "--start", "2", "--data", "1234"} << "--start";
    QTest::newRow("zero words") << QStringList{"read", "--bank", "user", "--start", "0", "--words", "0"}
                                << "--words";
    QTest::newRow("words beyond the buffer")
        << QStringList{"read", "--bank", "user", "--start", "0", "--words", "4463"} << "--words";
    QTest::newRow("address beyond 16 bits")
        << QStringList{"read", "--bank", "user", "--start", "65536", "--words", "1"} << "--start";
    QTest::newRow("short password") << QStringList{"read",    "--bank", "user",       "--start", "0",
                                                   "--words", "1",      "--password", "1234"}
                                    << "--password";
    QTest::newRow("missing bank") << QStringList{"read", "--start", "0", "--words", "1"} << "--bank";
    QTest::newRow("unknown setting") << QStringList{"config", "get", "antenna.5.power"} << "antenna.5.power";
    QTest::newRow("power out of range")
        << QStringList{"config", "set", "antenna.1.power=31"} << "antenna.1.power";
    QTest::newRow("bad address") << QStringList{"config", "set", "network.ip=10.0.0.256"} << "network.ip";
    QTest::newRow("read-only setting")
        << QStringList{"config", "set", "network.mac=00:11:22:33:44:55"} << "network.mac";
    QTest::newRow("no such date") << QStringList{"clock", "set", "2031-02-30 10:00:00"} << "2031-02-30";
    QTest::newRow("count zero") << QStringList{"inventory", "--count", "0"} << "--count";
    QTest::newRow("antenna 5") << QStringList{"inventory", "--antennas", "1,5"} << "--antennas";
    QTest::newRow("broker url without topic")
        << QStringList{"inventory", "--mqtt", "mqtt://127.0.0.1:1883"} << "--mqtt";
    QTest::newRow("firmware kind") << QStringList{"firmware", "x.bin", "--kind", "3"} << "--kind";
    QTest::newRow("second reader") << QStringList{"--udp", "127.0.0.1:9", "info"} << "--udp";
    QTest::newRow("gjb tag memory") << QStringList{"--family", "gjb", "read",    "--bank", "user",
                                                   "--start",  "0",   "--words", "1"}
                                    << "--family gjb";
    QTest::newRow("gjb tid") << QStringList{"--family", "gjb", "inventory", "--type", "tid"} << "--type tid";
    QTest::newRow("serve with a reader") << QStringList{"serve", "--listen", "127.0.0.1:4100"} << "--tcp";
}

void TstCli::usageErrorsSendNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    auto sim = Sim();
    QVERIFY(sim);
    const CliResult r = Run(m_app, Tcp(*sim) + args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    QVERIFY(r.out.isEmpty());
    QCOMPARE(sim->stats().connectionsAccepted, uint64_t(0));
}

void TstCli::inventoryRowsAreWhatTheReaderSent_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("jsonl");
    QTest::newRow("epc csv") << "epc" << false;
    QTest::newRow("tid jsonl") << "tid" << true;
    QTest::newRow("epc+tid csv") << "epc+tid" << false;
    QTest::newRow("epc+tid jsonl") << "epc+tid" << true;
}

void TstCli::inventoryRowsAreWhatTheReaderSent()
{
    QFETCH(QString, type);
    QFETCH(bool, jsonl);
    auto sim = Sim();
    QVERIFY(sim);
    const CliResult r = Run(m_app, Tcp(*sim) + QStringList{"inventory", "--seconds", "0.5", "--type", type,
                                                           "--format", jsonl ? "jsonl" : "csv"});
    QCOMPARE(r.exitCode, 0);
    ReadCounts counts;
    int rows = 0;
    QString why;
    QVERIFY2(ParseRows(r.out, jsonl, &counts, &rows, &why), qPrintable(why));
    QVERIFY(rows > 0);
    QCOMPARE(quint64(rows), sim->reportsSent());

    ReadCounts expected;
    const bool epc = type != QLatin1String("tid");
    const bool tid = type != QLatin1String("epc");
    for (const readersim::Tag& t : sim->model().tags()) {
        for (int a = 1; a <= 4; ++a) {
            if (t.reports[size_t(a)] > 0) {
                expected[{epc ? Hex(t.epc) : QString(), tid ? Hex(t.tid) : QString(), a}] =
                    t.reports[size_t(a)];
            }
        }
    }
    QVERIFY(counts == expected);
    // One summary line per tag, its total first.
    QCOMPARE(QString::fromUtf8(r.err).trimmed().split('\n').size(), sim->model().tags().size());
}

void TstCli::inventoryEndsOnCountAndOnInterrupt()
{
    auto sim = Sim();
    QVERIFY(sim);
    CliResult r = Run(m_app, Tcp(*sim) + QStringList{"inventory", "--count", "7", "--format", "jsonl"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), 7);

    QProcess p;
    Prepare(p, m_app);
    p.start(CliPath(), Tcp(*sim) + QStringList{"inventory"});
    QVERIFY(p.waitForStarted());
    QByteArray seen;
    QTRY_VERIFY((seen += p.readAllStandardOutput()).count('\n') > 5);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);
    // The summary comes after the interrupt, and the reader was told to stop.
    QVERIFY(p.readAllStandardError().contains("ant"));
    QVERIFY(!sim->model().inventory().running);

    // A reader of the rows that goes away (`| head`) ends the run the same way.
    QProcess piped;
    Prepare(piped, m_app);
    piped.start(QStringLiteral("bash"),
                QStringList{"-c", "\"$0\" \"$@\" | head -n 3 > /dev/null; exit ${PIPESTATUS[0]}", CliPath()} +
                    Tcp(*sim) + QStringList{"inventory"});
    QVERIFY(piped.waitForFinished(60000));
    QCOMPARE(piped.exitCode(), 0);
    QVERIFY(!sim->model().inventory().running);
}

void TstCli::commandsRoundTrip_data()
{
    // Each step: arguments, then the exact standard output ("*" not checked).
    QTest::addColumn<QList<QStringList>>("steps");
    QTest::newRow("user memory") << QList<QStringList>{
        {"write", "--bank", "user", "--start", "2", "--data", "0102 A0B0"},
        {"read", "--bank", "user", "--start", "2", "--words", "2", "=0102A0B0\n"}};
    QTest::newRow("epc") << QList<QStringList>{
        {"write", "--bank", "epc", "--start", "0", "--data", "111122223333"},
        {"read", "--bank", "epc", "--start", "1", "--words", "2", "=22223333\n"}};
    QTest::newRow("settings") << QList<QStringList>{
        {"config", "set", "antenna.3.power=12", "antenna.2.enabled=0", "q=9", "network.port=5005",
         "network.gateway=10.1.2.254", "param.flash_store=1", "param.wiegand_start=3A",
         "frequency.points=2,4", "serial.baud=57600"},
        {"config", "get", "antenna.3.power", "antenna.2.enabled", "antenna.1.enabled", "q", "network.port",
         "network.gateway", "param.flash_store", "param.wiegand_start", "frequency.points", "serial.baud",
         "=antenna.3.power=12\nantenna.2.enabled=0\nantenna.1.enabled=1\nq=9\n"
         "network.port=5005\nnetwork.gateway=10.1.2.254\nparam.flash_store=1\n"
         "param.wiegand_start=3A\nfrequency.points=2,4\nserial.baud=57600\n"}};
    QTest::newRow("clock") << QList<QStringList>{{"clock", "set", "2030-06-07 08:09:10"},
                                                 {"clock", "get", "~2030-06-07 08:"}};
    QTest::newRow("parameter file") << QList<QStringList>{
        {"config", "set", "param.work_mode=1", "param.wiegand_length=1"},
        {"config", "export", "@params.txt"},
        {"config", "set", "param.work_mode=2", "param.wiegand_length=0"},
        {"config", "import", "@params.txt"},
        {"config", "get", "param.work_mode", "param.wiegand_length",
         "=param.work_mode=1\nparam.wiegand_length=1\n"}};
}

void TstCli::commandsRoundTrip()
{
    QFETCH(QList<QStringList>, steps);
    auto sim = Sim();
    QVERIFY(sim);
    QTemporaryDir files;
    for (QStringList args : steps) {
        QString expected;
        if (args.last().startsWith('=') || args.last().startsWith('~')) {
            expected = args.takeLast();
        }
        for (QString& a : args) {
            if (a.startsWith('@')) {
                a = files.filePath(a.mid(1));
            }
        }
        const CliResult r = Run(m_app, Tcp(*sim) + args);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        if (expected.startsWith('=')) {
            QCOMPARE(QString::fromUtf8(r.out), expected.mid(1));
        } else if (expected.startsWith('~')) {
            QVERIFY2(QString::fromUtf8(r.out).startsWith(expected.mid(1)), r.out.constData());
        }
    }
}

void TstCli::failuresExitOne_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("tags");
    QTest::addColumn<QString>("message");
    QTest::newRow("reserved bank") << QStringList{"read", "--bank",  "reserved", "--start",
                                                  "0",    "--words", "2"}
                                   << 3 << "reserved";
    QTest::newRow("no tag") << QStringList{"read", "--bank", "user", "--start", "0", "--words", "2"} << 0
                            << "failed";
    QTest::newRow("beyond the tag's memory")
        << QStringList{"read", "--bank", "user", "--start", "30", "--words", "8"} << 3 << "failed";
    QTest::newRow("gjb family on a 6c reader") << QStringList{"--family", "gjb", "info"} << 3 << "connect";
    // The simulated reader holds the port already.
    QTest::newRow("serve on a port in use") << QStringList{"serve", "--listen", "@"} << 3 << "Cannot listen";
    QTest::newRow("refused, in Chinese")
        << QStringList{"--lang", "zh", "--tcp", "127.0.0.1:1", "info"} << 3 << "无法连接读写器";
}

void TstCli::failuresExitOne()
{
    QFETCH(QStringList, args);
    QFETCH(int, tags);
    QFETCH(QString, message);
    auto sim = Sim(tags);
    QVERIFY(sim);
    const QStringList link = args.contains("--tcp") || args.contains("serve") ? QStringList() : Tcp(*sim);
    args.replaceInStrings(QRegularExpression("^@$"), QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort()));
    const CliResult r = Run(m_app, link + args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
}

void TstCli::discoverListsEveryAnswer()
{
    readersim::DiscoveryOptions o;
    o.readers = 3;
    readersim::DiscoveryResponder responder(o);
    QVERIFY(responder.start());
    const QString to = QStringLiteral("127.0.0.1:%1").arg(responder.port());
    CliResult r = Run(m_app, {"discover", "--to", to, "--seconds", "1"});
    QCOMPARE(r.exitCode, 0);
    QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines,
             (QStringList{"127.0.0.1\tREADER01-001", "127.0.0.2\tREADER01-002", "127.0.0.3\tREADER01-003"}));

    responder.stop();
    r = Run(m_app, {"discover", "--to", to, "--seconds", "0.3"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
}

void TstCli::firmwareArrivesThroughALossyLink_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("exitCode");
    QByteArray elf("\x7F"
                   "ELF");
    for (int i = 0; i < 30000; ++i) {
        elf.append(char(i * 7));
    }
    QTest::newRow("reader program") << 1 << elf << 0;
    QTest::newRow("any file") << 2 << QByteArray(1024, 'x') << 0;
    QTest::newRow("program that is no ELF file") << 1 << QByteArray(2000, 'x') << 2;
}

void TstCli::firmwareArrivesThroughALossyLink()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);
    auto sim = Sim();
    QVERIFY(sim);
    readersim::TftpOptions o;
    o.dropP = 0.05;
    o.duplicateP = 0.05;
    o.seed = 3;
    readersim::TftpServer server(o);
    QVERIFY(server.start());
    QTemporaryDir dir;
    const QString path = dir.filePath("update.bin");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    f.close();
    const CliResult r = Run(m_app, Tcp(*sim) + QStringList{"firmware", path, "--kind", QString::number(kind),
                                                           "--tftp-port", QString::number(server.port())});
    QVERIFY2(r.exitCode == exitCode, r.err.constData());
    if (exitCode != 0) {
        QCOMPARE(sim->stats().connectionsAccepted, uint64_t(0));
        return;
    }
    std::vector<uint8_t> received;
    QVERIFY(server.file("update.bin", &received));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(received.data()), int(received.size())), content);
    QCOMPARE(sim->model().updateCount(), 1);
    QCOMPARE(sim->model().lastUpdate().size, uint32_t(content.size()));
    QVERIFY(r.err.contains("100%"));
}

void TstCli::mqttSubscriberGetsThePrintedRows()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    MqttSubscriber subscriber(broker.port(), "site/reads");
    QTRY_VERIFY_WITH_TIMEOUT(subscriber.subscribed(), 30000);
    auto sim = Sim();
    QVERIFY(sim);
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/site/reads").arg(broker.port());
    const CliResult r = Run(
        m_app, Tcp(*sim) + QStringList{"inventory", "--count", "300", "--format", "jsonl", "--mqtt", url});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.contains("published 300\n"));
    QList<QByteArray> printed = r.out.split('\n');
    printed.removeLast();
    QCOMPARE(printed.size(), 300);
    QTRY_COMPARE_WITH_TIMEOUT(subscriber.messages().size(), 300, 30000);
    QCOMPARE(subscriber.messages(), printed);
}

void TstCli::mqttReadsSurviveABrokerRestart()
{
    MqttBroker broker;
    QVERIFY(broker.start());
    auto subscriber = std::make_unique<MqttSubscriber>(broker.port(), "site/reads");
    QTRY_VERIFY_WITH_TIMEOUT(subscriber->subscribed(), 30000);
    // The session stays at the broker while the subscriber is gone.
    subscriber.reset();
    auto sim = Sim(6, 500);
    QVERIFY(sim);
    QProcess p;
    Prepare(p, m_app);
    const QString url = QStringLiteral("mqtt://127.0.0.1:%1/site/reads").arg(broker.port());
    p.start(CliPath(),
            Tcp(*sim) + QStringList{"inventory", "--seconds", "4", "--format", "jsonl", "--mqtt", url});
    QVERIFY(p.waitForStarted());
    QByteArray out;
    QTRY_VERIFY((out += p.readAllStandardOutput()).count('\n') > 50);
    broker.stop();
    QVERIFY(broker.start());
    QVERIFY(p.waitForFinished(120000));
    out += p.readAllStandardOutput();
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(p.exitCode() == 0, err.constData());
    QList<QByteArray> printed = out.split('\n');
    printed.removeLast();
    QVERIFY(err.contains(QByteArray("published ") + QByteArray::number(printed.size()) + "\n"));

    MqttSubscriber again(broker.port(), "site/reads");
    // QoS 1 may deliver a message twice; none may be missing.
    QTRY_VERIFY_WITH_TIMEOUT(again.messages().size() >= printed.size(), 30000);
    QMap<QByteArray, int> left;
    for (const QByteArray& row : printed) {
        ++left[row];
    }
    for (const QByteArray& message : again.messages()) {
        --left[message];
    }
    for (auto it = left.cbegin(); it != left.cend(); ++it) {
        QVERIFY2(it.value() <= 0, it.key().constData());
    }
}

void TstCli::gjbInfoAndInventory_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("jsonl");
    QTest::newRow("every antenna, csv") << QStringList{} << false;
    QTest::newRow("antennas 2 and 3, jsonl") << QStringList{"--antennas", "2,3", "--format", "jsonl"} << true;
}

void TstCli::gjbInfoAndInventory()
{
    QFETCH(QStringList, options);
    QFETCH(bool, jsonl);
    readersim::Options o;
    o.family = "gjb";
    o.tags = 5;
    o.rate = 2000;
    o.seed = 7;
    auto sim = readersim::startInProcess(o);
    QVERIFY(sim);
    const QStringList gjb = Tcp(*sim) + QStringList{"--family", "gjb"};

    CliResult r = Run(m_app, gjb + QStringList{"info"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QStringList keys;
    for (const QString& line : QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts)) {
        QVERIFY2(line.indexOf(": ") > 0 && !line.endsWith(": "), qPrintable(line));
        keys << line.section(QStringLiteral(": "), 0, 0);
    }
    QCOMPARE(keys, (QStringList{"version", "rf_type", "antennas", "power", "library"}));

    r = Run(m_app, gjb + QStringList{"inventory", "--seconds", "0.5"} + options);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    ReadCounts counts;
    int rows = 0;
    QString why;
    QVERIFY2(ParseRows(r.out, jsonl, &counts, &rows, &why), qPrintable(why));
    QVERIFY(rows > 0);
    QCOMPARE(quint64(rows), sim->reportsSent());
    ReadCounts expected;
    for (const readersim::GjbTag& t : sim->gjbModel().tags()) {
        for (int a = 1; a <= 4; ++a) {
            if (t.reports[size_t(a)] > 0) {
                expected[{Hex(t.code), QString(), a}] = t.reports[size_t(a)];
            }
        }
    }
    QVERIFY(counts == expected);
    if (!options.isEmpty()) {
        for (const auto& entry : counts) {
            QVERIFY(std::get<2>(entry.first) == 2 || std::get<2>(entry.first) == 3);
        }
    }
    QVERIFY(!sim->gjbModel().inventory().running);
}

void TstCli::serveRowsAreWhatEachWirelessReaderSent_data()
{
    QTest::addColumn<bool>("jsonl");
    QTest::newRow("csv") << false;
    QTest::newRow("jsonl") << true;
}

void TstCli::serveRowsAreWhatEachWirelessReaderSent()
{
    QFETCH(bool, jsonl);
    const int count = 20;
    const int port = FreeLoopbackPort();
    QProcess p;
    Prepare(p, m_app);
    p.start(CliPath(), {"serve", "--listen", QStringLiteral("127.0.0.1:%1").arg(port), "--format",
                        jsonl ? "jsonl" : "csv"});
    QVERIFY(p.waitForStarted());
    QByteArray err;
    QTRY_VERIFY((err += p.readAllStandardError()).contains("Listening"));

    readersim::Options o;
    o.wireless = true;
    o.wirelessPort = port;
    o.tags = 3;
    o.rate = 200;
    o.seed = 11;
    readersim::WirelessReaders readers(o, count);
    std::string error;
    QVERIFY2(readers.start(&error), error.c_str());
    QVERIFY(readers.waitConnected(count, 30000));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).count("Reader connected") == count, 30000);
    QTRY_VERIFY((out += p.readAllStandardOutput()).count('\n') > 200);
    // The readers stop; then every report they sent has to come out as a row before the server ends.
    for (size_t i = 0; i < readers.size(); ++i) {
        readers.reader(i).model().stopInventory();
    }
    const int header = jsonl ? 0 : 1;
    QTRY_VERIFY_WITH_TIMEOUT(
        quint64((out += p.readAllStandardOutput()).count('\n') - header) >= readers.reportsSent(), 30000);
    // A reader that goes away is dropped, its rows kept.
    readers.reader(0).stop();
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("Reader disconnected"), 30000);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    QVERIFY(p.waitForFinished(60000));
    out += p.readAllStandardOutput();
    err += p.readAllStandardError();
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, err.constData());

    ReadCounts all;
    std::map<QString, ReadCounts> perReader;
    int rows = 0;
    QString why;
    QVERIFY2(ParseRows(out, jsonl, &all, &rows, &why, &perReader), qPrintable(why));
    QCOMPARE(quint64(rows), readers.reportsSent());
    QCOMPARE(int(perReader.size()), count);
    // Each reader has tags of its own: the rows of one reader are exactly what that reader sent.
    std::set<QString> matched;
    for (size_t i = 0; i < readers.size(); ++i) {
        ReadCounts expected;
        for (const readersim::Tag& t : readers.reader(i).model().tags()) {
            for (int a = 1; a <= 4; ++a) {
                if (t.reports[size_t(a)] > 0) {
                    expected[{Hex(t.epc), QString(), a}] = t.reports[size_t(a)];
                }
            }
        }
        auto it = std::find_if(perReader.begin(), perReader.end(),
                               [&expected](const auto& entry) { return entry.second == expected; });
        QVERIFY2(it != perReader.end(), qPrintable(QStringLiteral("reader %1").arg(i)));
        QVERIFY(it->first.startsWith(QLatin1String("127.0.0.1:")));
        matched.insert(it->first);
    }
    QCOMPARE(int(matched.size()), count);
}

void TstCli::llrpReader_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("rows"); // -1: stdout is compared with text instead
    QTest::addColumn<QString>("text");
    QTest::newRow("info") << QStringList{"info"} << 0 << -1
                          << "maker: Rivulet\nmodel: readersim\nfirmware: V2.1.7\n";
    QTest::newRow("inventory") << QStringList{"inventory", "--count", "7"} << 0 << 7 << QString();
    QTest::newRow("jsonl inventory") << QStringList{"inventory", "--count", "3", "--format", "jsonl"} << 0
                                     << 3 << QString();
    QTest::newRow("tid inventory") << QStringList{"inventory", "--count", "5", "--type", "tid"} << 0 << 5
                                   << QString();
    QTest::newRow("epc+tid inventory")
        << QStringList{"inventory", "--count", "5", "--type", "epc+tid", "--format", "jsonl"} << 0 << 5
        << QString();
    QTest::newRow("tid read") << QStringList{"read", "--bank", "tid", "--start", "0", "--words", "2"} << 0
                              << -1 << "E2005A01\n";
    QTest::newRow("antenna power") << QStringList{"config", "get", "antenna.1.power", "antenna.4.power"} << 0
                                   << -1 << "antenna.1.power=30\nantenna.4.power=30\n";
    // Usage errors never reach the reader.
    QTest::newRow("gjb") << QStringList{"--family", "gjb", "info"} << 2 << -1 << "--llrp";
    QTest::newRow("two readers") << QStringList{"--tcp", "127.0.0.1:9", "info"} << 2 << -1 << "--llrp";
    // Every tag's first user word is 1234 here: whichever tag answers first.
    QTest::newRow("user memory") << QStringList{"read", "--bank", "user", "--start", "0", "--words", "1"} << 0
                                 << -1 << "1234\n";
    QTest::newRow("user write") << QStringList{"write", "--bank", "user", "--start", "0", "--data", "0102"}
                                << 0 << -1 << "";
    // What LLRP has no meaning for says so and exits 1.
    QTest::newRow("clock") << QStringList{"clock", "get"} << 1 << -1 << "not supported by this reader";
}

void TstCli::llrpReader()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(int, rows);
    QFETCH(QString, text);
    readersim::ReaderModel model(5, 6);
    for (size_t i = 0; i < model.tagCount(); ++i) {
        readersim::Tag t = model.tag(i);
        t.user[0] = 0x12;
        t.user[1] = 0x34;
        model.setTag(i, t);
    }
    readersim::LlrpOptions o;
    o.rate = 2000;
    readersim::LlrpServer server(model, o);
    std::string error;
    QVERIFY2(server.start(&error), error.c_str());
    const CliResult r =
        Run(m_app, QStringList{"--llrp", QStringLiteral("127.0.0.1:%1").arg(server.port())} + args);
    QVERIFY2(r.exitCode == exitCode, r.err.constData());
    if (exitCode == 2) {
        QVERIFY(r.err.contains(text.toUtf8()));
        QCOMPARE(server.tagReportsSent(), uint64_t(0));
        return;
    }
    if (rows < 0) {
        QVERIFY2(exitCode == 0 ? r.out == text.toUtf8() : r.err.contains(text.toUtf8()),
                 (r.out + r.err).constData());
        return;
    }
    ReadCounts counts;
    int got = 0;
    QString why;
    QVERIFY2(ParseRows(r.out, args.contains("jsonl"), &counts, &got, &why, nullptr, true), qPrintable(why));
    QCOMPARE(got, rows);
    std::set<QString> epcs;
    for (const readersim::Tag& t : model.tags()) {
        epcs.insert(Hex(t.epc));
    }
    const int type = args.indexOf("--type");
    const QString kind = type >= 0 ? args.at(type + 1) : QStringLiteral("epc");
    std::map<QString, QString> tidOf;
    for (const readersim::Tag& t : model.tags()) {
        tidOf[Hex(t.epc)] = Hex(t.tid);
    }
    std::set<QString> tids;
    for (const auto& entry : tidOf) {
        tids.insert(entry.second);
    }
    for (const auto& entry : counts) {
        const QString& epc = std::get<0>(entry.first);
        const QString& tid = std::get<1>(entry.first);
        if (kind == QLatin1String("tid")) {
            QVERIFY(epc.isEmpty());
            QVERIFY2(tids.count(tid), qPrintable(tid));
        } else {
            QVERIFY2(epcs.count(epc), qPrintable(epc));
            QCOMPARE(tid, kind == QLatin1String("epc") ? QString() : tidOf[epc]);
        }
        QVERIFY(std::get<2>(entry.first) >= 1 && std::get<2>(entry.first) <= 4);
    }
}

// The reader keeps its antenna powers across connections: a power set by one command is read back by
// the next, as the nearest the reader's table has below it; one below the table is refused.
void TstCli::llrpAntennaPower()
{
    readersim::ReaderModel model(5, 6);
    readersim::LlrpOptions o;
    o.powerTable = {1000, 1500, 2000, 2600};
    readersim::LlrpServer server(model, o);
    std::string error;
    QVERIFY2(server.start(&error), error.c_str());
    const QStringList llrp{"--llrp", QStringLiteral("127.0.0.1:%1").arg(server.port())};
    CliResult r = Run(m_app, llrp + QStringList{"config", "set", "antenna.2.power=19", "antenna.3.power=26"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = Run(m_app,
            llrp + QStringList{"config", "get", "antenna.1.power", "antenna.2.power", "antenna.3.power"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.out, QByteArray("antenna.1.power=26\nantenna.2.power=15\nantenna.3.power=26\n"));
    r = Run(m_app, llrp + QStringList{"config", "set", "antenna.2.power=9"});
    QCOMPARE(r.exitCode, 1);
    r = Run(m_app, llrp + QStringList{"config", "get", "antenna.2.power"});
    QCOMPARE(r.out, QByteArray("antenna.2.power=15\n"));
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
