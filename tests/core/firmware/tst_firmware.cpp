// The firmware update without a window: checksum, file checks, the TFTP sender against the simulated
// reader's server and against scripted servers, and the update thread's progress and outcome.
#include "LogCapture.h"
#include "SimReader.h"
#include "core/app/LanguageText.h"
#include "core/firmware/FirmWareUpdateFor6CThread.h"
#include "core/firmware/FirmwareFile.h"
#include "core/firmware/TftpSender.h"

#include <readersim/tftp_server.h>

#include <QRandomGenerator>
#include <QtTest>

#include <arpa/inet.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray Pattern(int size, quint32 seed = 7)
{
    QByteArray data(size, '\0');
    QRandomGenerator rng(seed);
    for (char& c : data) {
        c = static_cast<char>(rng.bounded(256));
    }
    return data;
}

QByteArray Elf(int size)
{
    QByteArray data = Pattern(size);
    data.replace(0, 4, QByteArray::fromHex("7F454C46"));
    return data;
}

// An RF chip image: the checksum of the rest in its last four bytes, least significant first.
QByteArray ChipImage(int size, bool goodTrailer = true)
{
    QByteArray data = Pattern(size - 4);
    uint32_t crc = Firmware::Crc32(reinterpret_cast<const unsigned char*>(data.constData()),
                                   static_cast<size_t>(data.size()));
    if (!goodTrailer) {
        crc ^= 1;
    }
    for (int i = 0; i < 4; ++i) {
        data.append(static_cast<char>(crc >> (8 * i)));
    }
    return data;
}

uint32_t BitwiseCrc(const QByteArray& data)
{
    uint32_t crc = 0;
    for (char c : data) {
        crc ^= uint32_t(static_cast<unsigned char>(c)) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

// A loopback socket for the scripted servers.
struct Socket
{
    int fd = -1;
    uint16_t port = 0;
    Socket()
    {
        fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
    }
    ~Socket() { ::close(fd); }
    int receive(QByteArray* out, sockaddr_in* from, int waitMs) const
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0) {
            return -1;
        }
        char buffer[1024];
        socklen_t n = sizeof *from;
        const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(from), &n);
        *out = QByteArray(buffer, static_cast<int>(got));
        return static_cast<int>(got);
    }
    void send(const QByteArray& packet, const sockaddr_in& to) const
    {
        ::sendto(fd, packet.constData(), static_cast<size_t>(packet.size()), 0,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
};

QByteArray Ack(int block)
{
    return QByteArray("\x00\x04", 2) + char(block >> 8) + char(block & 0xFF);
}

enum class Script
{
    DoubleAcks,     // every acknowledgement twice
    NewPort,        // answers from a port of its own, as RFC 1350 servers do
    StrayAfterLock, // a third party acknowledges a block that was never sent
    WrongBlock,     // acknowledges block 7 instead of 1
    ErrorPacket,    // refuses the write request
    Silent,         // never answers
    LoseFirstData   // the first DATA packet is lost
};

// A TFTP receiver that follows a script, on its own thread; keeps what arrived.
class ScriptedServer
{
public:
    explicit ScriptedServer(Script script) : m_script(script)
    {
        m_thread = std::thread([this] { serve(); });
    }
    ~ScriptedServer()
    {
        m_stop = true;
        m_thread.join();
    }
    uint16_t port() const { return m_listen.port; }
    QByteArray file() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_file;
    }
    int dataPackets() const { return m_dataPackets; }
    // What the third party heard back from the sender.
    QByteArray strayHeard() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_strayHeard;
    }

private:
    void serve()
    {
        const Socket& reply = m_script == Script::NewPort ? m_other : m_listen;
        int expected = 1;
        bool lostOne = false;
        bool moved = false; // NewPort: the transfer goes on at the other port
        while (!m_stop) {
            QByteArray p;
            sockaddr_in from{};
            const Socket& in = moved ? m_other : m_listen;
            if (in.receive(&p, &from, 20) < 4) {
                if (m_script == Script::StrayAfterLock) {
                    QByteArray heard;
                    sockaddr_in f{};
                    if (m_stray.receive(&heard, &f, 0) > 0) {
                        std::lock_guard<std::mutex> l(m_mutex);
                        m_strayHeard = heard;
                    }
                }
                continue;
            }
            const int op = p.at(1);
            const int block = (uchar(p.at(2)) << 8) | uchar(p.at(3));
            if (m_script == Script::Silent) {
                continue;
            }
            if (op == 2) {
                if (m_script == Script::ErrorPacket) {
                    reply.send(QByteArray("\x00\x05\x00\x02", 4) + "disk is write-protected" + '\0', from);
                    continue;
                }
                reply.send(Ack(0), from);
                if (m_script == Script::DoubleAcks) {
                    reply.send(Ack(0), from);
                }
                moved = m_script == Script::NewPort;
                continue;
            }
            if (op != 3) {
                continue;
            }
            ++m_dataPackets;
            if (m_script == Script::LoseFirstData && !lostOne) {
                lostOne = true;
                continue;
            }
            if (m_script == Script::WrongBlock) {
                reply.send(Ack(7), from);
                continue;
            }
            if (block == expected) {
                std::lock_guard<std::mutex> l(m_mutex);
                m_file += p.mid(4);
                ++expected;
            }
            reply.send(Ack(block), from);
            if (m_script == Script::DoubleAcks) {
                reply.send(Ack(block), from);
            }
            if (m_script == Script::StrayAfterLock && block == 1) {
                m_stray.send(Ack(2), from);
            }
        }
    }

    Script m_script;
    Socket m_listen;
    Socket m_other;
    Socket m_stray;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_dataPackets{0};
    mutable std::mutex m_mutex;
    QByteArray m_file;
    QByteArray m_strayHeard;
    std::thread m_thread;
};

UdpPeer Loopback(int port)
{
    return UdpPeer{0x7F000001, static_cast<uint16_t>(port)};
}

TftpSender::Result SendTo(TftpSender& sender, int port, const QByteArray& data, const char* name = "fw.bin")
{
    return sender.Send(Loopback(port), name, reinterpret_cast<const unsigned char*>(data.constData()),
                       static_cast<size_t>(data.size()));
}

std::unique_ptr<readersim::TftpServer> StartTftp(double drop = 0, double duplicate = 0)
{
    readersim::TftpOptions o;
    o.dropP = drop;
    o.duplicateP = duplicate;
    o.seed = 11;
    auto server = std::make_unique<readersim::TftpServer>(o);
    return server->start() ? std::move(server) : nullptr;
}

QByteArray Received(const readersim::TftpServer& server, const char* name)
{
    std::vector<uint8_t> bytes;
    if (!server.file(name, &bytes)) {
        return QByteArray("(nothing)");
    }
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

} // namespace

Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(TftpSender::Result)
Q_DECLARE_METATYPE(QList<int>)

class TstFirmware : public QObject
{
    Q_OBJECT

private slots:
    void crc32();
    void isValid_data();
    void isValid();
    void readFile_data();
    void readFile();
    void writeRequest_data();
    void writeRequest();
    void transferArrivesWhole_data();
    void transferArrivesWhole();
    void scriptedServers_data();
    void scriptedServers();
    void readerChecksWhatArrived();
    void updateRun_data();
    void updateRun();
};

void TstFirmware::crc32()
{
    QCOMPARE(Firmware::Crc32(reinterpret_cast<const unsigned char*>("123456789"), 9), 0x89A1897Fu);
    QCOMPARE(readersim::TftpServer::crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0x89A1897Fu);
    for (int size : {0, 1, 3, 255, 4096}) {
        const QByteArray data = Pattern(size, static_cast<quint32>(size));
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
        QCOMPARE(Firmware::Crc32(bytes, static_cast<size_t>(size)), BitwiseCrc(data));
        // In two pieces, as a reader computing it on the fly would.
        const size_t half = static_cast<size_t>(size / 2);
        QCOMPARE(
            Firmware::Crc32(bytes + half, static_cast<size_t>(size) - half, Firmware::Crc32(bytes, half)),
            BitwiseCrc(data));
    }
    // Most significant byte first, as the update call carries it.
    QCOMPARE(Firmware::ChecksumBytes("123456789").toHex(), QByteArray("89a1897f"));
}

void TstFirmware::isValid_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("valid");

    QTest::newRow("firmware ELF") << 1 << "/tmp/app.elf" << Elf(600) << true;
    QTest::newRow("firmware not ELF") << 1 << "/tmp/app.bin" << Pattern(600) << false;
    QTest::newRow("firmware shorter than the magic") << 1 << "x" << QByteArray::fromHex("7F454C") << false;
    QTest::newRow("configuration backup") << 1 << "f866.cfg.bk" << Elf(600) << false;
    QTest::newRow("chip image") << 0 << "r.bin" << ChipImage(700) << true;
    QTest::newRow("chip image, wrong trailer") << 0 << "r.bin" << ChipImage(700, false) << false;
    QTest::newRow("chip image of the trailer alone") << 0 << "r.bin" << QByteArray(4, '\0') << true;
    QTest::newRow("chip image under four bytes") << 0 << "r.bin" << QByteArray(3, '\0') << false;
    QTest::newRow("transfer anything") << 2 << "notes.txt" << QByteArray("hello") << true;
    QTest::newRow("unknown kind") << 3 << "x" << Elf(600) << false;
}

void TstFirmware::isValid()
{
    QFETCH(int, kind);
    QFETCH(QString, path);
    QFETCH(QByteArray, data);
    QFETCH(bool, valid);
    QCOMPARE(Firmware::IsValid(kind, path, data), valid);
}

void TstFirmware::readFile_data()
{
    QTest::addColumn<int>("size"); // -1: no file
    QTest::addColumn<bool>("read");
    QTest::newRow("missing") << -1 << false;
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("largest") << 512000 << true;
    QTest::newRow("one byte too many") << 512001 << false;
}

void TstFirmware::readFile()
{
    QFETCH(int, size);
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString path = dir.filePath("file.bin");
    if (size >= 0) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Pattern(size));
    }
    QByteArray data("stale");
    QCOMPARE(Firmware::ReadFile(path, &data), read);
    QCOMPARE(data, read ? Pattern(size) : QByteArray());
}

void TstFirmware::writeRequest_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("packet"); // empty: refused
    const QByteArray head = QByteArray::fromHex("0002") + "fw.bin" + '\0';
    QTest::newRow("octet") << "octet" << head + "octet" + '\0';
    QTest::newRow("netascii") << "netascii" << head + "netascii" + '\0';
    QTest::newRow("mail") << "mail" << head + "mail" + '\0';
    QTest::newRow("unknown mode") << "binary" << QByteArray();
}

void TstFirmware::writeRequest()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, packet);
    std::vector<unsigned char> out;
    QCOMPARE(TftpSender::BuildWriteRequest("fw.bin", mode.toStdString(), &out), !packet.isEmpty());
    if (!packet.isEmpty()) {
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<int>(out.size())), packet);
    }
}

void TstFirmware::transferArrivesWhole_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<double>("drop");
    QTest::addColumn<double>("duplicate");
    QTest::addColumn<int>("blocks");

    QTest::newRow("one byte") << 1 << 0.0 << 0.0 << 1;
    QTest::newRow("700: a full block and 188 bytes") << 700 << 0.0 << 0.0 << 2;
    // A receiver ends on a short block: a multiple of 512 needs an empty one.
    QTest::newRow("1024 ends with an empty block") << 1024 << 0.0 << 0.0 << 3;
    QTest::newRow("largest file") << 512000 << 0.0 << 0.0 << 1001;
    QTest::newRow("lost and doubled packets") << 60000 << 0.08 << 0.05 << 118;
}

void TstFirmware::transferArrivesWhole()
{
    QFETCH(int, size);
    QFETCH(double, drop);
    QFETCH(double, duplicate);
    QFETCH(int, blocks);
    auto server = StartTftp(drop, duplicate);
    QVERIFY(server);
    const QByteArray data = Pattern(size);
    TftpSender sender;
    QCOMPARE(SendTo(sender, server->port(), data), TftpSender::Result::Ok);
    QCOMPARE(Received(*server, "fw.bin"), data);
    QCOMPARE(sender.GetStats().blocks, blocks);
    if (drop > 0) {
        QVERIFY(sender.GetStats().resends > 0);
        QVERIFY(server->stats().dropped > 0 && server->stats().duplicated > 0);
    }
}

void TstFirmware::scriptedServers_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<TftpSender::Result>("result");
    QTest::addColumn<int>("dataPackets"); // -1: not checked

    QTest::newRow("doubled acks are not answered") << Script::DoubleAcks << TftpSender::Result::Ok << 3;
    QTest::newRow("server on a port of its own") << Script::NewPort << TftpSender::Result::Ok << 3;
    QTest::newRow("stranger refused") << Script::StrayAfterLock << TftpSender::Result::Ok << 3;
    QTest::newRow("wrong block") << Script::WrongBlock << TftpSender::Result::WrongBlock << 1;
    QTest::newRow("error packet") << Script::ErrorPacket << TftpSender::Result::PeerMessage << 0;
    QTest::newRow("silence") << Script::Silent << TftpSender::Result::NoReply << -1;
    QTest::newRow("lost block is sent again") << Script::LoseFirstData << TftpSender::Result::Ok << 4;
}

void TstFirmware::scriptedServers()
{
    QFETCH(Script, script);
    QFETCH(TftpSender::Result, result);
    QFETCH(int, dataPackets);
    ScriptedServer server(script);
    TftpSender sender;
    TftpSender::Timing timing;
    // Generous time-outs, so that a busy machine repeats nothing the script does not provoke.
    timing.initialTimeoutMs = 400;
    timing.minTimeoutMs = 400;
    timing.maxTimeoutMs = 400;
    timing.silenceMs = script == Script::Silent ? 1500 : 5000;
    sender.SetTiming(timing);
    const QByteArray data = Pattern(1500);
    QCOMPARE(SendTo(sender, server.port(), data), result);
    if (dataPackets >= 0) {
        QCOMPARE(server.dataPackets(), dataPackets);
    }
    const TftpSender::Stats stats = sender.GetStats();
    switch (script) {
    case Script::DoubleAcks:
        QCOMPARE(stats.duplicateAcks, 3); // the last block's second acknowledgement comes after the end
        QCOMPARE(stats.resends, 0);
        break;
    case Script::StrayAfterLock:
        QCOMPARE(stats.strayPackets, 1);
        QTRY_COMPARE(server.strayHeard().left(4), QByteArray("\x00\x05\x00\x05", 4));
        break;
    case Script::ErrorPacket:
        QCOMPARE(QString::fromStdString(sender.PeerMessage()), QStringLiteral("disk is write-protected"));
        break;
    case Script::Silent:
        // The write request went out again on every time-out, no more often.
        QCOMPARE(stats.resends, 3);
        break;
    case Script::LoseFirstData:
        QCOMPARE(stats.resends, 1);
        break;
    default:
        break;
    }
    if (result == TftpSender::Result::Ok) {
        QCOMPARE(server.file(), data);
    }
}

void TstFirmware::readerChecksWhatArrived()
{
    auto server = StartTftp();
    QVERIFY(server);
    const QByteArray data = Pattern(1000);
    TftpSender sender;
    QCOMPARE(SendTo(sender, server->port(), data), TftpSender::Result::Ok);
    const uint32_t crc = Firmware::Crc32(reinterpret_cast<const unsigned char*>(data.constData()),
                                         static_cast<size_t>(data.size()));

    struct Row
    {
        uint8_t kind;
        uint32_t size;
        uint32_t checksum;
        const char* name;
        readersim::Result expected;
    };
    const Row rows[] = {
        {1, 1000, crc, "fw.bin", readersim::Result::Ok},
        {0, 1000, crc, "fw.bin", readersim::Result::Ok},
        {1, 999, crc, "fw.bin", readersim::Result::BadArgument},
        {1, 1000, crc ^ 1, "fw.bin", readersim::Result::BadArgument},
        {0, 1000, crc ^ 1, "fw.bin", readersim::Result::BadArgument},
        {2, 1000, crc ^ 1, "fw.bin", readersim::Result::Ok}, // a plain file is not checked by its sum
        {2, 1000, crc, "other.bin", readersim::Result::BadArgument},
    };
    for (const Row& r : rows) {
        readersim::UpdateRequest u;
        u.kind = r.kind;
        u.size = r.size;
        u.checksum = r.checksum;
        u.name = r.name;
        QCOMPARE(int(server->checkUpdate(u)), int(r.expected));
    }

    // Still arriving: the reader is busy with it.
    UdpSocket raw;
    QVERIFY(raw.Open(static_cast<uint16_t>(server->port()), 0x7F000001));
    std::vector<unsigned char> wrq;
    TftpSender::BuildWriteRequest("fw.bin", "octet", &wrq);
    QVERIFY(raw.Send(wrq.data(), static_cast<int>(wrq.size())));
    QTRY_VERIFY(server->transferring("fw.bin"));
    readersim::UpdateRequest u;
    u.kind = 1;
    u.size = 1000;
    u.checksum = crc;
    u.name = "fw.bin";
    QCOMPARE(int(server->checkUpdate(u)), int(readersim::Result::Busy));
}

void TstFirmware::updateRun_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("data"); // empty: no file at all
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("wrongBlockServer");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QString>("logKey"); // the run's own line, empty for none

    const QList<int> head{10, 15, 20, 25, 30, 40};
    const QList<int> tail{80, 85, 90, 100};
    QTest::newRow("file kind, 1024 bytes") << 2 << Pattern(1024) << true << false << head + tail << "";
    QTest::newRow("firmware, 4096 bytes")
        << 1 << Elf(4096) << true << false << head + QList<int>{45, 50} + tail << "";
    QTest::newRow("chip image") << 0 << ChipImage(700) << true << false << head + tail << "";
    QTest::newRow("no file") << 1 << QByteArray() << true << false << QList<int>{-1}
                             << "IDCS_FILE_NOT_VALIDITY";
    QTest::newRow("firmware not ELF")
        << 1 << Pattern(700) << true << false << QList<int>{10, -1} << "IDCS_FILE_NOT_VALIDITY";
    QTest::newRow("file too large") << 2 << Pattern(512001) << true << false << QList<int>{-1}
                                    << "IDCS_FILE_NOT_VALIDITY";
    QTest::newRow("not connected") << 2 << Pattern(100) << false << false << QList<int>{10, 15, -1}
                                   << "IDCS_READ_NO_LINK";
    QTest::newRow("wrong block") << 2 << Pattern(100) << true << true << head + QList<int>{-1}
                                 << "IDCS_BLOCK_NUM_FAILED";
}

void TstFirmware::updateRun()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, data);
    QFETCH(bool, connected);
    QFETCH(bool, wrongBlockServer);
    QFETCH(QList<int>, progress);
    QFETCH(QString, logKey);

    SimReader reader(5, 10);
    QVERIFY(reader.ok());
    auto tftp = StartTftp();
    QVERIFY(tftp);
    readersim::TftpServer* server = tftp.get();
    reader.sim->model().setUpdateCheck(
        [server](const readersim::UpdateRequest& u) { return server->checkUpdate(u); });
    ScriptedServer wrongBlock(Script::WrongBlock);
    if (!connected) {
        SimReader::driver()->SetState(ReaderDllBase::StateDisconnected);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw-%1.bin").arg(kind));
    if (!data.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }

    LogCapture log;
    QList<int> seen;
    {
        FirmWareUpdateFor6CThread thread;
        connect(&thread, &FirmWareUpdateFor6CThread::resultReady, this, [&](int v) { seen << v; });
        thread.SetJob(path, static_cast<uint8_t>(kind), wrongBlockServer ? wrongBlock.port() : tftp->port());
        thread.SetIdle(false);
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(thread.IsIdle(), 20000);
        QTRY_VERIFY(!seen.isEmpty() && (seen.last() == 100 || seen.last() == -1));
        QVERIFY(thread.wait(5000));
    }
    QCOMPARE(seen, progress);
    QCOMPARE(log.texts(), logKey.isEmpty() ? QStringList() : QStringList{LangText(logKey)});
    const bool succeeded = progress.last() == 100;
    if (succeeded) {
        QCOMPARE(Received(*tftp, qPrintable(QFileInfo(path).fileName())), data);
        QVERIFY(reader.sim->model().lastUpdate().valid);
    }
    // Only a taken-up update restarts the reader; a plain file leaves the link as it was.
    const bool reboots = succeeded && kind != 2;
    QTRY_COMPARE(reader.sim->model().rebootCount(), reboots ? 1 : 0);
    if (succeeded && !reboots) {
        QCOMPARE(reader.sim->tcpClients(), 1);
    }
}

QTEST_GUILESS_MAIN(TstFirmware)
#include "tst_firmware.moc"
