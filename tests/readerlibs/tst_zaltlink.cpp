// zaltlink against an in-process readersim over TCP, UDP and a pseudo-terminal.
#include "zaltlink.h"

#include "readersim/launch.h"
#include "wire/commands.h"
#include "wire/connection.h"
#include "wire/frame.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <arpa/inet.h>
#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace err = wire::err;
namespace st = wire::status;

namespace {

enum Medium
{
    Tcp,
    Udp,
    Pty
};

int lastError(ZALT_HANDLE h)
{
    int code = 0;
    ZALT_GetErrorCode(h, &code);
    return code;
}

std::unique_ptr<readersim::Simulator> startSim(int tags = 10, double rate = 0, bool udp = true,
                                               bool pty = true)
{
    readersim::Options o;
    o.tags = tags;
    o.rate = rate;
    o.udp = udp;
    o.pty = pty;
    std::string error;
    auto sim = readersim::startInProcess(o, &error);
    if (!sim)
        qFatal("readersim did not start: %s", error.c_str());
    return sim;
}

unsigned char initFor(Medium m, readersim::Simulator& sim, ZALT_HANDLE* h)
{
    switch (m) {
    case Tcp:
        return ZALT_TCPInit(h, "127.0.0.1", sim.tcpPort());
    case Udp:
        return ZALT_UDPInit(h, "127.0.0.1", sim.udpPort());
    case Pty:
        return ZALT_COMInit(h, 0, sim.ptyPath().c_str(), 115200);
    }
    return 0;
}

ZALT_HANDLE openFor(Medium m, readersim::Simulator& sim)
{
    ZALT_HANDLE h = -1;
    if (!initFor(m, sim, &h))
        return -1;
    if (!ZALT_Open(h)) {
        ZALT_Close(h);
        return -1;
    }
    return h;
}

void addMedia()
{
    QTest::addColumn<int>("medium");
    QTest::newRow("tcp") << int(Tcp);
    QTest::newRow("udp") << int(Udp);
    QTest::newRow("pty") << int(Pty);
}

std::vector<uint8_t> bytes(std::initializer_list<int> l)
{
    std::vector<uint8_t> v;
    for (int x : l)
        v.push_back(uint8_t(x));
    return v;
}

} // namespace

class TestZaltlink : public QObject
{
    Q_OBJECT

private slots:
    void badHandlesFailWithACode()
    {
        for (ZALT_HANDLE h : {ZALT_HANDLE(-1), ZALT_HANDLE(0), ZALT_HANDLE(0x7FFF1234)}) {
            unsigned char buf[255] = {};
            unsigned char len = 255;
            QCOMPARE(ZALT_Open(h), 0);
            QCOMPARE(ZALT_SysInfQuery(h, 1, buf, &len), 0);
            QCOMPARE(ZALT_PowerOff(h), 0);
            QCOMPARE(ZALT_Close(h), 0);
            QCOMPARE(lastError(h), err::BadHandle);
            unsigned char ant = 0;
            len = 255;
            QElapsedTimer t;
            t.start();
            QCOMPARE(ZALT_6CRevEPCMsg(h, &ant, buf, &len), 0);
            // A worker polling a dead handle must not spin.
            QVERIFY(t.elapsed() >= 20);
        }
        char text[255];
        std::memset(text, 'x', sizeof text);
        ZALT_HANDLE h = -1;
        QCOMPARE(ZALT_Copyright(&h, text), 1);
        QCOMPARE(QString::fromUtf8(text), QString("zaltlink 1.0.0 (Rivulet)"));
        QCOMPARE(ZALT_GetErrorCode(h, nullptr), 0);
    }

    void errorTextsNameEveryCode()
    {
        const std::string refused = ZALT_ErrorText(0xFE);
        const std::string unknown = ZALT_ErrorText(-1);
        QVERIFY(refused != unknown);
        // Each named code has a text of its own.
        std::set<std::string> seen{refused, unknown};
        for (int code : {ZALT_ERR_NONE,
                         ZALT_ERR_BAD_HANDLE,
                         ZALT_ERR_NOT_CONNECTED,
                         ZALT_ERR_TIMEOUT,
                         ZALT_ERR_LINK_LOST,
                         ZALT_ERR_BAD_FRAME,
                         ZALT_ERR_BAD_ARGUMENT,
                         ZALT_ERR_BUFFER_TOO_SMALL,
                         ZALT_ERR_ALREADY_OPEN,
                         ZALT_ERR_CONNECT_FAILED,
                         ZALT_ERR_NO_REPORT,
                         ZALT_ERR_REPORT_OVERFLOW,
                         ZALT_ERR_CONNECT_REFUSED,
                         ZALT_ERR_CONNECT_TIMED_OUT,
                         ZALT_ERR_NO_SUCH_DEVICE,
                         ZALT_ERR_PERMISSION_DENIED,
                         ZALT_ERR_UNSUPPORTED_COMMAND,
                         ZALT_ERR_BAD_PARAMETER,
                         ZALT_ERR_TAG_NOT_FOUND,
                         ZALT_ERR_WRONG_PASSWORD,
                         ZALT_ERR_MEMORY_LOCKED,
                         ZALT_ERR_MEMORY_OVERRUN,
                         ZALT_ERR_NO_TAG_SELECTED,
                         ZALT_ERR_BUSY,
                         ZALT_ERR_STORAGE_ERROR,
                         ZALT_ERR_NO_MODULE,
                         ZALT_ERR_BAD_LENGTH,
                         ZALT_ERR_INTERNAL_ERROR})
            QVERIFY2(seen.insert(ZALT_ErrorText(code)).second, qPrintable(QString::number(code)));
        // Any other status byte is a refusal; anything else unknown.
        for (int code : {0x1B, 0x20, 0xFF})
            QCOMPARE(std::string(ZALT_ErrorText(code)), refused);
        for (int code : {256, INT_MIN})
            QCOMPARE(std::string(ZALT_ErrorText(code)), unknown);
    }

    void initRefusesBadAddressesAndOpenIsBounded()
    {
        ZALT_HANDLE h = -1;
        QCOMPARE(ZALT_TCPInit(&h, "not an address", 4001), 0);
        QCOMPARE(ZALT_TCPInit(&h, "127.0.0.1", 0), 0);
        QCOMPARE(ZALT_UDPInit(&h, "127.0.0.1", 70000), 0);
        QCOMPARE(ZALT_TCPInit(&h, nullptr, 4001), 0);
        QCOMPARE(ZALT_COMInit(&h, 0, "", 9600), 0);
        QCOMPARE(h, ZALT_HANDLE(-1));

        // Initialised but not open: calls fail with "not connected".
        QVERIFY(ZALT_TCPInit(&h, "127.0.0.1", 1));
        QVERIFY(h != 0 && h != -1);
        unsigned char b = 0;
        QCOMPARE(ZALT_Reading_IOQuery(h, &b), 0);
        QCOMPARE(lastError(h), err::NotConnected);
        // Nobody listens on port 1.
        QCOMPARE(ZALT_Open(h), 0);
        QCOMPARE(lastError(h), err::ConnectRefused);
        QVERIFY(ZALT_Close(h));

        // A serial device that does not exist.
        QVERIFY(ZALT_COMInit(&h, 0, "/dev/rivulet-no-such-tty", 9600));
        QCOMPARE(ZALT_Open(h), 0);
        QCOMPARE(lastError(h), err::NoSuchDevice);
        QVERIFY(ZALT_Close(h));

        // A UDP port where nobody listens: the refused datagram says so.
        QVERIFY(ZALT_UDPInit(&h, "127.0.0.1", 9));
        QCOMPARE(ZALT_Open(h), 0);
        QCOMPARE(lastError(h), err::ConnectRefused);
        QVERIFY(ZALT_Close(h));

        // A peer that takes the connection or the datagram and never answers: timed out.
        for (int type : {SOCK_STREAM, SOCK_DGRAM}) {
            const int fd = ::socket(AF_INET, type, 0);
            QVERIFY(fd >= 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t alen = sizeof a;
            QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
            QVERIFY(type == SOCK_DGRAM || ::listen(fd, 1) == 0);
            QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &alen) == 0);
            const int port = ntohs(a.sin_port);
            QVERIFY(type == SOCK_STREAM ? ZALT_TCPInit(&h, "127.0.0.1", port)
                                        : ZALT_UDPInit(&h, "127.0.0.1", port));
            QCOMPARE(ZALT_Open(h), 0);
            QCOMPARE(lastError(h), err::ConnectTimedOut);
            QVERIFY(ZALT_Close(h));
            ::close(fd);
        }
    }

    void openCloseReopen_data() { addMedia(); }
    void openCloseReopen()
    {
        QFETCH(int, medium);
        auto sim = startSim();
        QVERIFY(sim->running());
        for (int round = 0; round < 2; ++round) {
            ZALT_HANDLE h = -1;
            QVERIFY(initFor(Medium(medium), *sim, &h));
            QVERIFY(ZALT_Open(h));
            // A second open leaves the working link alone.
            QCOMPARE(ZALT_Open(h), 0);
            QCOMPARE(lastError(h), err::AlreadyOpen);
            unsigned char b = 0xEE, len = 1;
            QVERIFY(ZALT_ParmOp(h, 2, 249, 1, &b, &len));
            QCOMPARE(len, 1);
            QVERIFY(ZALT_Close(h));
            // The closed handle is gone for good.
            QCOMPARE(ZALT_ParmOp(h, 2, 249, 1, &b, &len), 0);
            QCOMPARE(lastError(h), err::BadHandle);
            QCOMPARE(ZALT_Close(h), 0);
        }
    }

    void commandFamiliesRoundTrip_data() { addMedia(); }
    void commandFamiliesRoundTrip()
    {
        QFETCH(int, medium);
        auto sim = startSim();
        ZALT_HANDLE h = openFor(Medium(medium), *sim);
        QVERIFY(h != -1);
        auto& model = sim->model();

        // Parameters: write, read back, raw range, restore.
        unsigned char v = 0x1A, len = 1;
        QVERIFY(ZALT_ParmOp(h, 1, 160, 1, &v, &len));
        QCOMPARE(model.parmByte(160), uint8_t(0x1A));
        v = 0;
        len = 1;
        QVERIFY(ZALT_ParmOp(h, 2, 160, 1, &v, &len));
        QCOMPARE(v, 0x1A);
        unsigned char apn[68] = {};
        std::memcpy(apn, "internet", 8);
        QVERIFY(ZALT_ParmOp(h, 1, 122, 64, apn, &len));
        std::memset(apn, 0xCC, sizeof apn);
        len = 64;
        QVERIFY(ZALT_ParmOp(h, 2, 122, 64, apn, &len));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(apn), 9), QByteArray("internet\0", 9));
        QCOMPARE(apn[64], 0xCC); // nothing past the 64 asked for
        len = 2;
        QCOMPARE(ZALT_ParmOp(h, 2, 0, 4, apn, &len), 0); // capacity 2 < count 4
        QCOMPARE(lastError(h), err::BufferTooSmall);
        QVERIFY(ZALT_ParmOp(h, 0, 0, 0, nullptr, nullptr));
        QCOMPARE(model.parmByte(160), uint8_t(0x05));

        // Identity: every record readable, name writable, versions read-only, capacity respected.
        for (unsigned char type = 0; type <= 6; ++type) {
            unsigned char buf[255] = {};
            len = 255;
            QVERIFY2(ZALT_SysInfQuery(h, type, buf, &len), qPrintable(QString::number(type)));
        }
        const unsigned char name[8] = {'D', 'O', 'C', 'K', '-', '0', '0', '7'};
        QVERIFY(ZALT_SysInfSet(h, 0, name, 8));
        unsigned char buf[255];
        std::memset(buf, 0xCC, sizeof buf);
        len = 255;
        QVERIFY(ZALT_SysInfQuery(h, 0, buf, &len));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), len), QByteArray("DOCK-007"));
        QCOMPARE(ZALT_SysInfSet(h, 3, name, 8), 0);
        QCOMPARE(lastError(h), int(st::BadParameter));
        std::memset(buf, 0xCC, sizeof buf);
        len = 3;
        QCOMPARE(ZALT_SysInfQuery(h, 0, buf, &len), 0);
        QCOMPARE(lastError(h), err::BufferTooSmall);
        QCOMPARE(buf[0], 0xCC);

        // Clock in BCD: 2016-03-07 (Monday) 09:05:30.
        const unsigned char clock[7] = {0x30, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16};
        QVERIFY(ZALT_SetReaderTime(h, clock, 7));
        unsigned char back[200] = {};
        len = 200;
        QVERIFY(ZALT_ReaderTimeQuery(h, back, &len));
        QCOMPARE(len, 7);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(back + 1), 6),
                 QByteArray(reinterpret_cast<const char*>(clock + 1), 6));
        QVERIFY(back[0] >= 0x30 && back[0] <= 0x33);
        QCOMPARE(ZALT_SetReaderTime(h, clock, 6), 0);
        QCOMPARE(lastError(h), err::BadArgument);

        // Antennas: 12-byte record out, per-antenna triples back.
        const unsigned char rec[12] = {1, 0, 1, 1, 35, 0, 10, 16, 5, 6, 7, 8};
        QVERIFY(ZALT_AntennaParmSet(h, rec, 12));
        for (unsigned char a = 1; a <= 4; ++a) {
            unsigned char en = 9, pw = 0, dw = 0;
            QVERIFY(ZALT_AntennaParmQuery(h, a, &en, &pw, &dw));
            QCOMPARE(en, rec[a - 1]);
            QCOMPARE(pw, rec[a + 3]);
            QCOMPARE(dw, rec[a + 7]);
        }
        unsigned char en, pw, dw;
        QCOMPARE(ZALT_AntennaParmQuery(h, 5, &en, &pw, &dw), 0);
        QCOMPARE(lastError(h), err::BadArgument);

        // Frequency points.
        const unsigned char pts[3] = {3, 0, 7};
        QVERIFY(ZALT_RFParaSet(h, 0, 3, pts));
        len = 255;
        QVERIFY(ZALT_RFParaQuery(h, 0, buf, &len));
        QCOMPARE(len, 3);
        std::vector<uint8_t> got(buf, buf + 3);
        std::sort(got.begin(), got.end());
        QCOMPARE(got, bytes({0, 3, 7}));

        // Network: IP configuration and ports.
        const unsigned char ipc[12] = {10, 0, 0, 5, 255, 255, 0, 0, 10, 0, 0, 1};
        QVERIFY(ZALT_NetParaSet(h, 2, ipc, 12));
        len = 255;
        QVERIFY(ZALT_NetParaQuery(h, 2, buf, &len));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), len),
                 QByteArray(reinterpret_cast<const char*>(ipc), 12));
        const unsigned char port[2] = {0x0F, 0xA1};
        QVERIFY(ZALT_NetParaSet(h, 4, port, 2));
        len = 255;
        QVERIFY(ZALT_NetParaQuery(h, 4, buf, &len));
        QCOMPARE(len, 2);
        QCOMPARE(buf[0] * 256 + buf[1], 4001);
        len = 255;
        QVERIFY(ZALT_NetParaQuery(h, 1, buf, &len));
        QCOMPARE(len, 6);

        // Serial: baud index and bus address.
        v = 2;
        QVERIFY(ZALT_CommunicatParaSet(h, 0x10, &v, 1));
        v = 0;
        len = 1;
        QVERIFY(ZALT_CommunicatParaQuery(h, 0x20, &v, &len));
        QCOMPARE(v, 2);
        v = 0x1F;
        QVERIFY(ZALT_CommunicatParaSet(h, 0, &v, 1));
        v = 0;
        len = 1;
        QVERIFY(ZALT_CommunicatParaQuery(h, 0, &v, &len));
        QCOMPARE(v, 0x1F);

        // IO lines, read-triggered outputs and pulse widths.
        model.setInputs(0x02);
        unsigned char io[2] = {0xEE, 0xEE};
        QVERIFY(ZALT_IOStateQuery(h, io));
        QCOMPARE(io[0] & 0x03, 0x02);
        QVERIFY(ZALT_IOOperate(h, 3, 1));
        QCOMPARE(model.outputAction(3), uint8_t(1));
        QVERIFY(ZALT_Reading_IOConfig(h, 9));
        v = 0;
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        QCOMPARE(v, 9);
        QVERIFY(ZALT_IOPulseWidthSet(h, 2, 42));
        v = 0;
        QVERIFY(ZALT_IOPulseWidthQuery(h, 2, &v));
        QCOMPARE(v, 42);
        QCOMPARE(ZALT_IOPulseWidthSet(h, 2, 256), 0);
        QCOMPARE(lastError(h), err::BadArgument);

        // Tag store: count record, clear.
        len = 7;
        QVERIFY(ZALT_FlashTotalCountQuery(h, buf, &len));
        QCOMPARE(len, 7);
        QVERIFY(ZALT_ClearFlash(h));
        len = 7;
        QVERIFY(ZALT_FlashTotalCountQuery(h, buf, &len));
        QCOMPARE(wire::getU32(buf), 0xFFFFFFFFu);

        // Filter, filter time and Q.
        v = 1;
        QVERIFY(ZALT_TagOpParaSet(h, 2, &v, 1));
        v = 25;
        QVERIFY(ZALT_TagOpParaSet(h, 3, &v, 1));
        v = 7;
        QVERIFY(ZALT_TagOpParaSet(h, 0x10, &v, 1));
        QVERIFY(model.filterEnabled());
        QCOMPARE(model.filterTime(), uint8_t(25));
        for (auto [type, want] : {std::pair<int, int>{2, 1}, {3, 25}, {0x10, 7}}) {
            v = 0;
            len = 1;
            QVERIFY(ZALT_TagOpParaQuery(h, uchar(type), &v, &len));
            QCOMPARE(int(v), want);
        }

        // Carrier on antenna 2, then off.
        QVERIFY(ZALT_CarrierWaveOp(h, 1, 2));
        QVERIFY(model.carrier(2));
        QVERIFY(ZALT_CarrierWaveOp(h, 0, 2));
        QVERIFY(!model.carrier(2));

        QVERIFY(ZALT_Close(h));
    }

    void inventoryCountsMatchTheReader_data()
    {
        QTest::addColumn<int>("medium");
        QTest::addColumn<int>("readType");
        for (int m : {Tcp, Udp, Pty})
            for (int t : {0, 1, 2})
                QTest::newRow(qPrintable(QString("%1-%2").arg(QStringList{"tcp", "udp", "pty"}[m],
                                                              QStringList{"epc", "tid", "epctid"}[t])))
                    << m << t;
    }
    void inventoryCountsMatchTheReader()
    {
        QFETCH(int, medium);
        QFETCH(int, readType);
        auto sim = startSim(12, 3000);
        ZALT_HANDLE h = openFor(Medium(medium), *sim);
        QVERIFY(h != -1);
        std::map<std::vector<uint8_t>, int> epcs, tids;
        for (const auto& t : sim->model().tags()) {
            epcs[t.epc] = 0;
            tids[t.tid] = 0;
        }
        auto start = readType == 0   ? ZALT_6CReadEPCCode
                     : readType == 1 ? ZALT_6CReadTIDCode
                                     : ZALT_6CReadEPCTIDCode;
        QVERIFY(start(h, 0, 1, 1));

        unsigned char a[255], b[255], ant = 0;
        std::array<uint64_t, 5> perAntenna{};
        uint64_t received = 0;
        auto pull = [&]() -> bool {
            unsigned char la = 255, lb = 0;
            unsigned char r = readType == 0   ? ZALT_6CRevEPCMsg(h, &ant, a, &la)
                              : readType == 1 ? ZALT_6CRevTIDMsg(h, &ant, a, &la)
                                              : ZALT_6CRevEPCTIDMsg(h, &ant, a, &la, b, &lb);
            if (r != 1)
                return false;
            ++received;
            perAntenna[ant <= 4 ? ant : 0]++;
            std::vector<uint8_t> first(a, a + la);
            if (readType == 1) {
                auto it = tids.find(first);
                if (it == tids.end())
                    qWarning("unknown TID");
                else
                    ++it->second;
            } else {
                auto it = epcs.find(first);
                if (it == epcs.end())
                    qWarning("unknown EPC");
                else
                    ++it->second;
                if (readType == 2 && !tids.count(std::vector<uint8_t>(b, b + lb)))
                    qWarning("unknown TID with EPC");
            }
            return true;
        };
        QElapsedTimer t;
        t.start();
        while (received < 500 && t.elapsed() < 30000)
            pull();
        QVERIFY(ZALT_PowerOff(h));
        int misses = 0;
        while (misses < 5)
            misses = pull() ? 0 : misses + 1;

        QVERIFY(received >= 500);
        QCOMPARE(received, sim->reportsSent());
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(perAntenna[size_t(n)], sim->reportsSent(n));
        uint64_t known = 0;
        for (const auto& [k, c] : (readType == 1 ? tids : epcs))
            known += uint64_t(c);
        QCOMPARE(known, received);
        unsigned long long rec = 0, lost = 9, dbl = 9, ovf = 9;
        QVERIFY(ZALT_GetReportStats(h, &rec, &lost, &dbl, &ovf));
        QCOMPARE(rec, received);
        QCOMPARE(lost, 0ull);
        QCOMPARE(dbl, 0ull);
        QCOMPARE(ovf, 0ull);
        QVERIFY(ZALT_Close(h));
    }

    void requestsWhileAWorkerReceives()
    {
        auto sim = startSim(20, 5000, false, false);
        ZALT_HANDLE h = openFor(Tcp, *sim);
        QVERIFY(h != -1);
        QVERIFY(ZALT_6CReadEPCCode(h, 1, 1, 1));
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> got{0};
        std::thread worker([&] {
            unsigned char ant, epc[255], len;
            while (!stop) {
                len = 255;
                if (ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1)
                    ++got;
            }
        });
        const unsigned char name[8] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
        QVERIFY(ZALT_SysInfSet(h, 0, name, 8));
        int good = 0;
        for (int i = 0; i < 100; ++i) {
            unsigned char buf[255], len = 255, v = 0, l1 = 1;
            if (ZALT_SysInfQuery(h, 0, buf, &len) && len == 8 && std::memcmp(buf, name, 8) == 0 &&
                ZALT_ParmOp(h, 2, 161, 1, &v, &l1) && v == 3)
                ++good;
        }
        QVERIFY(ZALT_PowerOff(h));
        stop = true;
        worker.join();
        QCOMPARE(good, 100);
        QVERIFY(got > 0);
        QVERIFY(ZALT_Close(h));
    }

    void fullReportQueueDoesNotBlockAnswers()
    {
        // Nobody pulls reports while the reader floods the link: requests must still be answered,
        // and every report is either queued or counted as dropped, never silently lost.
        auto sim = startSim(50, 0, false, false);
        ZALT_HANDLE h = openFor(Tcp, *sim);
        QVERIFY(h != -1);
        QVERIFY(ZALT_6CReadEPCCode(h, 0, 1, 1));
        // More than any queue and socket buffers hold: the receiver's pause has run out and it drops.
        QTRY_VERIFY_WITH_TIMEOUT(sim->reportsSent() > wire::Connection::kHardMaxQueuedReports + 100000,
                                 30000);
        // Answered within their timeouts, behind the reports in flight.
        unsigned char v = 0;
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        QVERIFY(ZALT_PowerOff(h));
        uint64_t pulled = 0;
        unsigned char ant, epc[255], len;
        int misses = 0;
        while (misses < 5) {
            len = 255;
            misses = ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1 ? (++pulled, 0) : misses + 1;
        }
        QCOMPARE(lastError(h), err::ReportOverflow);
        unsigned long long rec = 0, lost = 9, dbl = 9, ovf = 0;
        QVERIFY(ZALT_GetReportStats(h, &rec, &lost, &dbl, &ovf));
        QVERIFY(ovf > 0);
        QCOMPARE(lost, 0ull);
        QCOMPARE(dbl, 0ull);
        QCOMPARE(rec, sim->reportsSent());
        QCOMPARE(pulled + ovf, rec);
        QVERIFY(ZALT_Close(h));
    }

    void passThroughToTheWifiModule()
    {
        // A module that answers every line with "+OK".
        struct OkModule : readersim::PassThroughModule
        {
            bool enter(uint8_t) override { return true; }
            void received(const std::vector<uint8_t>&, readersim::RawLink& back) override
            {
                back.send({'+', 'O', 'K', '\r', '\n'});
            }
        };
        readersim::Options o;
        o.tags = 1;
        readersim::Simulator sim(o);
        sim.fitModule(std::make_unique<OkModule>());
        QVERIFY(sim.start());
        ZALT_HANDLE h = openFor(Tcp, sim);
        QVERIFY(h != -1);
        const unsigned char probe[] = {'A', 'T', '+', 'Q', 'M', 'A', 'C', '\r'};
        QCOMPARE(ZALT_RawSendData(h, probe, 0), 0);
        QCOMPARE(lastError(h), err::BadArgument);
        QCOMPARE(ZALT_RawSendData(h, probe, 1025), 0);
        QCOMPARE(lastError(h), err::BadArgument);
        // Nothing queued: the wait is honoured.
        unsigned char buf[256];
        unsigned char len = 255;
        QElapsedTimer t;
        t.start();
        QCOMPARE(ZALT_RawRevData(h, buf, &len, 200), 0);
        QCOMPARE(lastError(h), err::Timeout);
        QVERIFY(t.elapsed() >= 150);

        // Without pass-through the reader refuses raw bytes.
        QCOMPARE(ZALT_RawSendData(h, probe, int(sizeof probe)), 0);
        QCOMPARE(lastError(h), int(st::NoModule));

        QVERIFY(ZALT_EnterTrans(h, 0));
        len = 255;
        QVERIFY(ZALT_RawSendAndRevData(h, probe, int(sizeof probe), buf, &len, 1000));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), len), QByteArray("+OK\r\n"));
        QVERIFY(ZALT_Close(h));
    }

    void updateThenRebootDropsTheLink()
    {
        auto sim = startSim(1, 0, false, false);
        ZALT_HANDLE h = openFor(Tcp, *sim);
        QVERIFY(h != -1);
        // The caller hands over the checksum with its bytes reversed in memory, most significant first.
        const unsigned int checksum = 0x89A1897F;
        const unsigned int reversed = __builtin_bswap32(checksum);
        const char name[] = "firmware.bin";
        QVERIFY(ZALT_Updata(h, 2, 700, &reversed, int(sizeof name - 1),
                            reinterpret_cast<const unsigned char*>(name)));
        const auto up = sim->model().lastUpdate();
        QCOMPARE(up.kind, uint8_t(2));
        QCOMPARE(up.size, 700u);
        QCOMPARE(up.checksum, checksum);
        QCOMPARE(QString::fromStdString(up.name), QString(name));
        QCOMPARE(ZALT_Updata(h, 2, 700, &reversed, 255, reinterpret_cast<const unsigned char*>(name)), 0);
        QCOMPARE(lastError(h), err::BadArgument);

        QVERIFY(ZALT_Reboot(h, 0));
        unsigned char v = 0;
        QTRY_VERIFY_WITH_TIMEOUT(!ZALT_Reading_IOQuery(h, &v) && lastError(h) == err::LinkLost, 3000);
        // The reader restarts; try until it takes connections again (QTRY would open twice).
        bool reopened = false;
        for (int i = 0; i < 50 && !reopened; ++i)
            reopened = ZALT_Open(h) || (QTest::qWait(100), false);
        QVERIFY2(reopened, qPrintable(QString("error %1").arg(lastError(h))));
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        QVERIFY(ZALT_Close(h));
    }

    void tagOperations()
    {
        auto sim = startSim(3, 0, false, false);
        ZALT_HANDLE h = openFor(Tcp, *sim);
        QVERIFY(h != -1);
        auto& model = sim->model();
        const auto tag0 = model.tag(0);
        const unsigned char zero[4] = {0, 0, 0, 0};

        // Select the first tag by its EPC; operations then act on it.
        QVERIFY(ZALT_6CTagSelect(h, 1, 0, int(tag0.epc.size() * 8), tag0.epc.data(), uchar(tag0.epc.size()),
                                 0, 0, 0));

        // User memory: write two words, read them back.
        const unsigned char data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
        int words = 2;
        QVERIFY(ZALT_6CWriteUserData(h, 1, 0, zero, 2, 1000, data, &words));
        QCOMPARE(words, 2);
        unsigned char rbuf[8925];
        int rlen = 8925;
        QVERIFY(ZALT_6CReadUserData(h, 1, 2, 2, 1000, rbuf, &rlen));
        QCOMPARE(rlen, 2);
        QCOMPARE(std::memcmp(rbuf, data, 4), 0);
        QCOMPARE(model.tag(0).user[4], uint8_t(0xDE));
        rlen = 3; // capacity in bytes below 2 words
        QCOMPARE(ZALT_6CReadUserData(h, 1, 0, 2, 1000, rbuf, &rlen), 0);
        QCOMPARE(lastError(h), err::BufferTooSmall);
        rlen = 8925;
        QCOMPARE(ZALT_6CReadUserData(h, 1, 4000, 10, 1000, rbuf, &rlen), 0);
        QCOMPARE(lastError(h), int(st::MemoryOverrun));

        // Access password, lock user memory, write without / with the password.
        const unsigned char apw[4] = {0x11, 0x22, 0x33, 0x44};
        const unsigned char wrong[4] = {0x11, 0x22, 0x33, 0x45};
        QVERIFY(ZALT_6CAccessPWDSet(h, 1, 0, zero, apw));
        QCOMPARE(ZALT_6CAccessPWDSet(h, 1, 0, zero, apw), 0); // old password no longer right
        QCOMPARE(lastError(h), int(st::WrongPassword));
        QCOMPARE(ZALT_6CTagLock(h, 1, zero, 0, 3), 0);
        QCOMPARE(lastError(h), int(st::WrongPassword));
        QVERIFY(ZALT_6CTagLock(h, 1, apw, 0, 3));
        QVERIFY(model.tag(0).isLocked(readersim::LockArea::User));
        words = 2;
        QCOMPARE(ZALT_6CWriteUserData(h, 1, 0, zero, 0, 1000, data, &words), 0);
        QCOMPARE(lastError(h), int(st::MemoryLocked));
        QCOMPARE(ZALT_6CWriteUserData(h, 1, 0, wrong, 0, 1000, data, &words), 0);
        QCOMPARE(lastError(h), int(st::WrongPassword));
        QVERIFY(ZALT_6CWriteUserData(h, 1, 0, apw, 0, 1000, data, &words));

        // EPC write replaces the EPC of the selected tag.
        const unsigned char newEpc[12] = {0x30, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34};
        QVERIFY(ZALT_6CWriteEPCCode(h, 1, 0, apw, newEpc, 12));
        QCOMPARE(model.tag(0).epc, std::vector<uint8_t>(newEpc, newEpc + 12));

        // Kill needs the kill password; a killed tag is gone.
        QVERIFY(ZALT_6CTagSelect(h, 1, 0, 0, nullptr, 0, 0, 0, 0));
        const auto tag1 = model.tag(1);
        const unsigned char kpw[4] = {0xAA, 0xBB, 0xCC, 0xDD};
        QVERIFY(ZALT_6CTagSelect(h, 1, 0, int(tag1.epc.size() * 8), tag1.epc.data(), uchar(tag1.epc.size()),
                                 0, 0, 0));
        QVERIFY(ZALT_6CDestroyPWDSet(h, 1, 0, zero, kpw));
        QCOMPARE(ZALT_6CTagKill(h, 1, zero, tag1.epc.data(), uchar(tag1.epc.size())), 0);
        QCOMPARE(lastError(h), int(st::WrongPassword));
        QVERIFY(ZALT_6CTagKill(h, 1, kpw, tag1.epc.data(), uchar(tag1.epc.size())));
        QVERIFY(model.tag(1).killed);
        QCOMPARE(ZALT_6CTagKill(h, 1, kpw, tag1.epc.data(), uchar(tag1.epc.size())), 0);
        QCOMPARE(lastError(h), int(st::TagNotFound));
        rlen = 8925;
        QCOMPARE(ZALT_6CReadUserData(h, 1, 0, 1, 1000, rbuf, &rlen), 0);
        QCOMPARE(lastError(h), int(st::TagNotFound));
        QVERIFY(ZALT_Close(h));
    }

    void faultsEndInBoundedFailures_data()
    {
        QTest::addColumn<int>("medium");
        QTest::newRow("tcp") << int(Tcp);
        QTest::newRow("udp") << int(Udp);
    }
    void faultsEndInBoundedFailures()
    {
        QFETCH(int, medium);
        auto sim = startSim(5, 0, true, false);
        ZALT_HANDLE h = openFor(Medium(medium), *sim);
        QVERIFY(h != -1);
        unsigned char v = 0;

        // The call gives up at its timeout, before the late answer comes.
        sim->setLatencyMs(1500);
        QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
        QCOMPARE(lastError(h), err::Timeout);
        sim->setLatencyMs(0);
        QTest::qWait(1700); // let the late answer come and be dropped
        QVERIFY(ZALT_Reading_IOQuery(h, &v));

        sim->setDropProbability(1.0);
        QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
        QCOMPARE(lastError(h), err::Timeout);
        sim->setDropProbability(0);
        QVERIFY(ZALT_Reading_IOQuery(h, &v));

        sim->setCorruptProbability(1.0);
        QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
        QCOMPARE(lastError(h), err::Timeout);
        sim->setCorruptProbability(0);
        QVERIFY(ZALT_Reading_IOQuery(h, &v));

        if (medium == Udp) {
            // Lost answers are recovered by resending with the same sequence number.
            sim->setDropProbability(0.5);
            int ok = 0;
            for (int i = 0; i < 20; ++i)
                ok += ZALT_Reading_IOQuery(h, &v);
            sim->setDropProbability(0);
            QVERIFY2(ok >= 14, qPrintable(QString::number(ok)));
            QVERIFY(sim->stats().duplicateRequests > 0);
        } else {
            // A cut link: calls fail with "link lost", without sending, until reopened.
            sim->setCutAfter(2);
            uint64_t received = 0;
            bool failed = false;
            for (int i = 0; i < 5 && !failed; ++i)
                failed = !ZALT_Reading_IOQuery(h, &v);
            QVERIFY(failed);
            QCOMPARE(lastError(h), err::LinkLost);
            received = sim->stats().framesReceived;
            QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
            QCOMPARE(lastError(h), err::LinkLost);
            QCOMPARE(sim->stats().framesReceived, received);
            unsigned char ant, epc[255], len = 255;
            QCOMPARE(ZALT_6CRevEPCMsg(h, &ant, epc, &len), 0);
            QCOMPARE(lastError(h), err::LinkLost);
            // Reopening the same handle reconnects.
            QVERIFY(ZALT_Open(h));
            QVERIFY(ZALT_Reading_IOQuery(h, &v));
        }
        QVERIFY(ZALT_Close(h));
    }

    // UDP never says a reader went away: heartbeats keep a quiet link alive, and 3 s without any
    // frame count as a lost link, so a receive loop ends instead of waiting for ever.
    void udpSilenceIsLinkLost()
    {
        auto sim = startSim(5, 200, true, false);
        ZALT_HANDLE h = openFor(Udp, *sim);
        QVERIFY(h != -1);
        unsigned char v = 0;
        QTest::qWait(wire::Connection::kDatagramSilenceMs + 1000); // idle, heartbeats only
        QVERIFY(ZALT_Reading_IOQuery(h, &v));

        QVERIFY(ZALT_6CReadEPCCode(h, 1, 1, 0));
        unsigned char ant = 0, epc[255], len = 255;
        QTRY_VERIFY(ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 1);
        sim->cutLinks(); // the reader forgets this client: no reports, no heartbeats
        QTRY_VERIFY_WITH_TIMEOUT(
            (len = 255, ZALT_6CRevEPCMsg(h, &ant, epc, &len) == 0 && lastError(h) == err::LinkLost), 15000);
        QCOMPARE(ZALT_Reading_IOQuery(h, &v), 0);
        QCOMPARE(lastError(h), err::LinkLost);
        QVERIFY(ZALT_Open(h)); // and it comes back like any lost link
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        QVERIFY(ZALT_Close(h));
    }

    void vanishedSerialDeviceIsLinkLost()
    {
        auto sim = startSim(5, 0, false, true);
        ZALT_HANDLE h = openFor(Pty, *sim);
        QVERIFY(h != -1);
        unsigned char v = 0;
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        sim->cutLinks();
        QTRY_VERIFY_WITH_TIMEOUT(!ZALT_Reading_IOQuery(h, &v) && lastError(h) == err::LinkLost, 3000);
        QVERIFY(ZALT_Close(h));
        // The simulator opens a new terminal on its own thread; until then it has no name.
        QTRY_VERIFY_WITH_TIMEOUT(!sim->ptyPath().empty(), 3000);
        h = openFor(Pty, *sim);
        QVERIFY(h != -1);
        QVERIFY(ZALT_Reading_IOQuery(h, &v));
        QVERIFY(ZALT_Close(h));
    }

    void cClientRuns()
    {
        auto sim = startSim(10, 500, false, false);
        const QString exe = QCoreApplication::applicationDirPath() + "/c_client";
        QVERIFY2(QFile::exists(exe), qPrintable(exe));
        QProcess p;
        p.start(exe, {QString("127.0.0.1:%1").arg(sim->tcpPort())});
        QVERIFY(p.waitForFinished(15000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(p.readAllStandardOutput().contains("reports"), "c_client printed no report count");
    }
};

QTEST_GUILESS_MAIN(TestZaltlink)
#include "tst_zaltlink.moc"
