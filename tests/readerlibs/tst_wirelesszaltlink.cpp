// wirelesszaltlink against in-process readersim readers: readers that connect to the server, readers
// added by hand, lost and stale readers, and the per-reader calls.
#include "FreePort.h"
#include "wirelesszaltlink.h"

#include "readersim/launch.h"
#include "readersim/wireless.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace {

std::mutex g_mutex;
std::vector<WirelessReaderInfo*> g_announced;

unsigned char WIRELESS_API Collect(WIRELESS_HANDLE, WirelessReaderInfo* reader)
{
    std::lock_guard<std::mutex> lk(g_mutex);
    g_announced.push_back(reader);
    return 1;
}

std::set<WIRELESS_READER> Announced()
{
    std::lock_guard<std::mutex> lk(g_mutex);
    std::set<WIRELESS_READER> out;
    for (WirelessReaderInfo* r : g_announced)
        out.insert(reinterpret_cast<WIRELESS_READER>(r));
    return out;
}

void ClearAnnounced()
{
    std::lock_guard<std::mutex> lk(g_mutex);
    g_announced.clear();
}

readersim::Options WirelessOptions(int port, double rate = 500)
{
    readersim::Options o;
    o.wireless = true;
    o.wirelessPort = port;
    o.tags = 5;
    o.rate = rate;
    o.reconnectMs = 600000; // a reader that was dropped stays away
    return o;
}

bool ReceiveOne(WIRELESS_HANDLE h, WIRELESS_READER r, unsigned char* antenna = nullptr,
                std::vector<uint8_t>* epc = nullptr)
{
    unsigned char a = 0;
    unsigned char buf[255] = {};
    for (int i = 0; i < 200; ++i) {
        unsigned char len = 255;
        if (WIRELESS_ZALT_6CRevEPCMsg(h, r, &a, buf, &len) == 1) {
            if (antenna)
                *antenna = a;
            if (epc)
                epc->assign(buf, buf + len);
            return true;
        }
    }
    return false;
}

// A handle listening on a free loopback port.
struct Server
{
    Server()
    {
        ClearAnnounced();
        WIRELESS_ApiInit(&h);
        port = FreeLoopbackPort();
        listening = WIRELESS_StartServer(h, "127.0.0.1", port, Collect) != 0;
    }
    ~Server()
    {
        if (h)
            WIRELESS_Quit(&h);
    }
    WIRELESS_HANDLE h = 0;
    int port = 0;
    bool listening = false;
};

} // namespace

class TestWirelessZaltlink : public QObject
{
    Q_OBJECT

private slots:
    void recordLayout()
    {
        // Programs read the record at these offsets, and keep the reader in pointer-sized data.
        QCOMPARE(offsetof(WirelessReaderInfo, address), size_t(5));
        QCOMPARE(offsetof(WirelessReaderInfo, device), size_t(37));
        QCOMPARE(offsetof(WirelessReaderInfo, baud), size_t(72));
        QCOMPARE(offsetof(WirelessReaderInfo, port), size_t(76));
        QCOMPARE(sizeof(WIRELESS_READER), sizeof(void*));
        QCOMPARE(sizeof(WIRELESS_HANDLE), sizeof(void*));
    }

    void readersConnectAndReport()
    {
        Server s;
        QVERIFY(s.listening);
        // One listener per handle.
        QVERIFY(!WIRELESS_StartServer(s.h, "127.0.0.1", FreeLoopbackPort(), Collect));
        readersim::WirelessReaders readers(WirelessOptions(s.port), 6);
        std::string error;
        QVERIFY2(readers.start(&error), error.c_str());
        QTRY_COMPARE(int(Announced().size()), 6);
        std::set<std::string> ports;
        for (WIRELESS_READER r : Announced()) {
            const auto* info = reinterpret_cast<const WirelessReaderInfo*>(r);
            QCOMPARE(info->type, int(WIRELESS_TYPE_SERVER));
            QCOMPARE(QString::fromUtf8(info->address), QStringLiteral("127.0.0.1"));
            QVERIFY(info->port > 0);
            ports.insert(std::to_string(info->port));
            QCOMPARE(int(WIRELESS_IsNetReader(0, r)), 1);
            unsigned int last = 0;
            QVERIFY(WIRELESS_ZALT_GetLastTime(s.h, r, &last));
            QVERIFY(last > 1600000000u);
            // Readers in automatic mode read at once: every reader's tags arrive on its own queue.
            unsigned char antenna = 0;
            std::vector<uint8_t> epc;
            QVERIFY(ReceiveOne(s.h, r, &antenna, &epc));
            QVERIFY(antenna >= 1 && antenna <= 4);
            QVERIFY(!epc.empty());
            // The reader value belongs to its handle only.
            WIRELESS_HANDLE other = 0;
            QVERIFY(WIRELESS_ApiInit(&other));
            QVERIFY(!WIRELESS_ZALT_GetLastTime(other, r, &last));
            QVERIFY(!WIRELESS_CloseReader(other, r));
            QVERIFY(WIRELESS_Quit(&other));
        }
        QCOMPARE(int(ports.size()), 6);

        // Stopping the server drops the readers that came to it; their values fail from then on.
        QVERIFY(WIRELESS_StopServer(s.h));
        QVERIFY(!WIRELESS_StopServer(s.h));
        for (WIRELESS_READER r : Announced()) {
            unsigned int last = 0;
            QVERIFY(!WIRELESS_ZALT_GetLastTime(s.h, r, &last));
            QVERIFY(!WIRELESS_IsNetReader(0, r));
            QVERIFY(!WIRELESS_CloseReader(s.h, r));
        }
    }

    void timeStampEndsTheEpc()
    {
        Server s;
        readersim::Options o = WirelessOptions(s.port);
        o.reportClock = true;
        readersim::WirelessReaders readers(o, 1);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(int(Announced().size()), 1);
        std::vector<uint8_t> epc;
        QVERIFY(ReceiveOne(s.h, *Announced().begin(), nullptr, &epc));
        const auto clock = readers.reader(0).model().clockRecord();
        const size_t plain = readers.reader(0).model().tag(0).epc.size();
        QCOMPARE(epc.size(), plain + 7);
        // Year, month and day of the reader's clock close the code.
        QCOMPARE(epc[epc.size() - 1], clock[6]);
        QCOMPARE(epc[epc.size() - 2], clock[5]);
        QCOMPARE(epc[epc.size() - 3], clock[4]);
    }

    void vanishedReaderLeavesTheOthers()
    {
        Server s;
        readersim::WirelessReaders readers(WirelessOptions(s.port), 3);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(int(Announced().size()), 3);
        // Which record belongs to which simulated reader: by the order they connected is not known,
        // so stop one and see which link goes.
        readers.reader(1).stop();
        std::set<WIRELESS_READER> lost;
        std::set<WIRELESS_READER> alive;
        QTRY_VERIFY([&] {
            lost.clear();
            alive.clear();
            for (WIRELESS_READER r : Announced()) {
                unsigned int t = 0;
                (WIRELESS_ZALT_GetLastTime(s.h, r, &t) ? alive : lost).insert(r);
            }
            return lost.size() == 1;
        }());
        const WIRELESS_READER gone = *lost.begin();
        // The lost reader's calls fail at once instead of waiting for an answer.
        unsigned char buf[255];
        unsigned char len = 255;
        QVERIFY(!WIRELESS_ZALT_SysInfQuery(s.h, gone, 0, buf, &len));
        for (WIRELESS_READER r : alive) {
            QVERIFY(ReceiveOne(s.h, r));
            len = 255;
            QVERIFY(WIRELESS_ZALT_SysInfQuery(s.h, r, 0, buf, &len));
        }
        QVERIFY(WIRELESS_CloseReader(s.h, gone));
        QVERIFY(!WIRELESS_CloseReader(s.h, gone));
        QVERIFY(!WIRELESS_ZALT_6CRevEPCMsg(s.h, gone, buf, buf, &len));
        // Values that were never readers are not dereferenced.
        for (WIRELESS_READER bogus : {WIRELESS_READER(0), WIRELESS_READER(1), gone + 8}) {
            QVERIFY(!WIRELESS_IsNetReader(0, bogus));
            QVERIFY(!WIRELESS_CloseReader(s.h, bogus));
        }
        for (WIRELESS_READER r : alive)
            QVERIFY(ReceiveOne(s.h, r));
    }

    void addedByHand_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("tcp") << int(WIRELESS_TYPE_TCP);
        QTest::newRow("udp") << int(WIRELESS_TYPE_UDP);
        QTest::newRow("serial") << int(WIRELESS_TYPE_SERIAL);
        QTest::newRow("usb") << int(WIRELESS_TYPE_USB);
    }

    void addedByHand()
    {
        QFETCH(int, type);
        Server s;
        readersim::Options o;
        o.tags = 5;
        o.rate = 200;
        o.udp = type == WIRELESS_TYPE_UDP;
        o.pty = type == WIRELESS_TYPE_SERIAL || type == WIRELESS_TYPE_USB;
        auto sim = readersim::startInProcess(o);
        QVERIFY(sim);
        unsigned char added = 0;
        switch (type) {
        case WIRELESS_TYPE_TCP:
            added = WIRELESS_AddTcpClient(s.h, "127.0.0.1", sim->tcpPort(), Collect);
            break;
        case WIRELESS_TYPE_UDP:
            added = WIRELESS_AddUDPReader(s.h, "127.0.0.1", sim->udpPort(), Collect);
            break;
        case WIRELESS_TYPE_SERIAL:
            added = WIRELESS_AddCOMReader(s.h, 0, sim->ptyPath().c_str(), 115200, Collect);
            break;
        default:
            added = WIRELESS_AddUSBReader(s.h, 0, sim->ptyPath().c_str(), 9600, Collect);
            break;
        }
        QVERIFY(added);
        QTRY_COMPARE(int(Announced().size()), 1);
        const WIRELESS_READER r = *Announced().begin();
        const auto* info = reinterpret_cast<const WirelessReaderInfo*>(r);
        QCOMPARE(info->type, type);
        const bool net = type == WIRELESS_TYPE_TCP || type == WIRELESS_TYPE_UDP;
        QCOMPARE(WIRELESS_IsNetReader(0, r) != 0, net);
        if (net) {
            QCOMPARE(QString::fromUtf8(info->address), QStringLiteral("127.0.0.1"));
            QCOMPARE(info->port, type == WIRELESS_TYPE_UDP ? sim->udpPort() : sim->tcpPort());
        } else {
            QCOMPARE(QString::fromStdString(info->device), QString::fromStdString(sim->ptyPath()));
            QCOMPARE(info->baud, type == WIRELESS_TYPE_SERIAL ? 115200 : 9600);
        }
        QVERIFY(WIRELESS_ZALT_6CReadEPCCode(s.h, r, 1, 1, 1));
        QVERIFY(ReceiveOne(s.h, r));
        QVERIFY(WIRELESS_ZALT_PowerOff(s.h, r, 3000));
        // Stopping the listener keeps the readers added by hand; clearing drops them.
        QVERIFY(WIRELESS_StopServer(s.h));
        unsigned int t = 0;
        QVERIFY(WIRELESS_ZALT_GetLastTime(s.h, r, &t));
        QVERIFY(WIRELESS_ClearReader(s.h));
        QVERIFY(!WIRELESS_ZALT_GetLastTime(s.h, r, &t));
    }

    void refusedAdditions()
    {
        Server s;
        const int closedPort = FreeLoopbackPort();
        const std::string longName(WIRELESS_DEVICE_SIZE, 'x');
        QVERIFY(!WIRELESS_AddTcpClient(s.h, "127.0.0.1", 0, Collect));
        QVERIFY(!WIRELESS_AddTcpClient(s.h, "not an address", 4001, Collect));
        QVERIFY(!WIRELESS_AddTcpClient(s.h, "127.0.0.1", closedPort, Collect));
        QVERIFY(!WIRELESS_AddTcpClient(s.h, nullptr, 4001, Collect));
        QVERIFY(!WIRELESS_AddCOMReader(s.h, 0, longName.c_str(), 115200, Collect));
        QVERIFY(!WIRELESS_AddCOMReader(s.h, 0, "", 115200, Collect));
        QVERIFY(!WIRELESS_AddUSBReader(s.h, 0, "/dev/rivulet-no-such-device", 115200, Collect));
        QVERIFY(!WIRELESS_StartServer(s.h, "127.0.0.1", 0, Collect));
        QVERIFY(!WIRELESS_StartServer(0, "127.0.0.1", FreeLoopbackPort(), Collect));
        QCOMPARE(int(Announced().size()), 0);
        WIRELESS_HANDLE gone = s.h;
        QVERIFY(WIRELESS_Quit(&s.h));
        s.h = 0;
        QVERIFY(!WIRELESS_Quit(&gone));
        QVERIFY(!WIRELESS_ClearReader(gone));
    }

    void perReaderCalls()
    {
        Server s;
        readersim::WirelessReaders readers(WirelessOptions(s.port, 50), 1);
        QVERIFY(readers.start(nullptr));
        QTRY_COMPARE(int(Announced().size()), 1);
        const WIRELESS_READER r = *Announced().begin();
        unsigned char b = 9;
        unsigned char len = 1;
        QVERIFY(WIRELESS_ZALT_ParmOp(s.h, r, 1, 0xE4, 1, &b, &len));
        b = 0;
        len = 1;
        QVERIFY(WIRELESS_ZALT_ParmOp(s.h, r, 2, 0xE4, 1, &b, &len));
        QCOMPARE(int(b), 9);
        unsigned char clock[200];
        len = 200;
        QVERIFY(WIRELESS_ZALT_ReaderTimeQuery(s.h, r, clock, &len));
        QCOMPARE(int(len), 7);
        unsigned char enabled = 0;
        unsigned char power = 0;
        unsigned char dwell = 0;
        QVERIFY(WIRELESS_ZALT_AntennaParmQuery(s.h, r, 1, &enabled, &power, &dwell));
        QVERIFY(WIRELESS_ZALT_IOPulseWidthSet(s.h, r, 1, 7));
        unsigned char width = 0;
        QVERIFY(WIRELESS_ZALT_IOPulseWidthQuery(s.h, r, 1, &width));
        QCOMPARE(int(width), 7);
        unsigned char count[7];
        len = 7;
        QVERIFY(WIRELESS_ZALT_FlashTotalCountQuery(s.h, r, count, &len));
        // An answer longer than the caller's buffer is refused, not written past it.
        unsigned char small[2];
        len = 2;
        QVERIFY(!WIRELESS_ZALT_ReaderTimeQuery(s.h, r, small, &len));
        // Input changes reach the event queue in order; the second says which line changed.
        readers.reader(0).model().setInputs(2);
        unsigned char io[255];
        // An event is taken once: QTRY_* would call again after success.
        auto nextEvent = [&] {
            for (int i = 0; i < 500; ++i) {
                len = 255;
                if (WIRELESS_ZALT_IO_STATE(s.h, r, io, &len))
                    return true;
                QTest::qWait(10);
            }
            return false;
        };
        QVERIFY(nextEvent());
        QCOMPARE(int(len), 10);
        QCOMPARE(int(io[0]), 0);
        QCOMPARE(int(io[1]), 1);
        readers.reader(0).model().setInputs(3);
        QVERIFY(nextEvent());
        QCOMPARE(int(io[0]), 1);
        QCOMPARE(int(io[9]), 1);
    }
};

QTEST_GUILESS_MAIN(TestWirelessZaltlink)
#include "tst_wirelesszaltlink.moc"
