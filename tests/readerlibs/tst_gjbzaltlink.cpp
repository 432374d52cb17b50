// gjbzaltlink against the simulated GJB reader: a round trip of every command family, and what the
// library does with handles, buffers and links.
#include <gjbzaltlink.h>
#include <readersim/launch.h>
#include <wire/gjb_air.h>
#include <wire/messages_gjb.h>

#include <QtTest>

#include <cstring>
#include <functional>
#include <set>

using Bytes = std::vector<uint8_t>;
namespace g = wire::gjb;

namespace {

// A tag-operation request record as the tag-operation page lays it out.
struct AccessRecord
{
    std::vector<unsigned char> bytes = std::vector<unsigned char>(GJB_ACC_WRITE_SIZE, 0);

    AccessRecord() { bytes[GJB_ACC_VERSION] = 1; }
    void le16(size_t at, int v)
    {
        bytes[at] = uint8_t(v);
        bytes[at + 1] = uint8_t(v >> 8);
    }
    void password(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (8 * (3 - i)));
    }
    // Match the tag whose code area is `code`.
    void matchCode(const Bytes& code)
    {
        le16(GJB_ACC_MASK_BITS, int(code.size() * 8));
        std::fill(bytes.begin() + GJB_ACC_MASK, bytes.begin() + GJB_ACC_MASK + long(code.size()), 0xFF);
        le16(GJB_ACC_ID_BITS, int(code.size() * 8));
        std::copy(code.begin(), code.end(), bytes.begin() + GJB_ACC_ID);
        bytes[GJB_ACC_MATCH] = 1;
    }
    void range(int area, int start, int words)
    {
        bytes[GJB_ACC_AREA] = uint8_t(area);
        le16(GJB_ACC_START, start);
        le16(GJB_ACC_WORDS, words);
    }
    const unsigned char* data() const { return bytes.data(); }
};

struct Record
{
    std::vector<unsigned char> buf = std::vector<unsigned char>(GJB_REPORT_BUFFER_SIZE, 0);

    int kind() const { return buf[GJB_REC_KIND]; }
    int antenna() const { return buf[GJB_REC_ANTENNA]; }
    int status() const { return buf[GJB_REC_STATUS]; }
    Bytes id() const
    {
        const size_t n = size_t(buf[0] | (buf[1] << 8));
        return Bytes(buf.begin() + 2, buf.begin() + 2 + long(n));
    }
    Bytes data() const
    {
        const size_t words = size_t((buf[GJB_REC_WORDS] << 8) | buf[GJB_REC_WORDS + 1]);
        return Bytes(buf.begin() + GJB_REC_DATA, buf.begin() + GJB_REC_DATA + long(words * 2));
    }
};

constexpr int kUser0 = 0x30;
constexpr int kCode = 0x10;

} // namespace

class TstGjbzaltlink : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        readersim::Options o;
        o.family = "gjb";
        o.tags = 3;
        o.rate = 2000;
        o.pty = true;
        o.seed = 4;
        std::string err;
        m_sim = readersim::startInProcess(o, &err);
        QVERIFY2(m_sim, err.c_str());
        QVERIFY(GJB_TCPInit(&m_h, "127.0.0.1", m_sim->tcpPort()));
        QVERIFY(GJB_Open(m_h));
    }
    void cleanup()
    {
        GJB_CloseCON(m_h);
        m_h = 0;
        m_sim.reset();
    }

    void opensOverTcpAndPseudoTerminal_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }
    void opensOverTcpAndPseudoTerminal()
    {
        QFETCH(bool, serial);
        GJB_HANDLE h = 0;
        QVERIFY(serial ? GJB_COMInit(&h, 0, m_sim->ptyPath().c_str(), 115200)
                       : GJB_TCPInit(&h, "127.0.0.1", m_sim->tcpPort()));
        QCOMPARE(GJB_GetErrorCode(h), uint8_t(GJB_ERR_NONE));
        QVERIFY(!GJB_ReaderAntenna_Set(h, 1));
        QCOMPARE(GJB_GetErrorCode(h), uint8_t(GJB_ERR_NOT_CONNECTED));
        QVERIFY(GJB_Open(h));
        QVERIFY(!GJB_Open(h));
        QCOMPARE(GJB_GetErrorCode(h), uint8_t(GJB_ERR_ALREADY_OPEN));
        int mask = 0;
        QVERIFY(GJB_ReaderAntenna_Get(h, &mask));
        // Close keeps the handle: open connects it again. CloseCON releases it.
        QVERIFY(GJB_Close(h));
        QVERIFY(!GJB_ReaderAntenna_Get(h, &mask));
        QVERIFY(GJB_Open(h));
        QVERIFY(GJB_ReaderAntenna_Get(h, &mask));
        QVERIFY(GJB_CloseCON(h));
        QVERIFY(!GJB_ReaderAntenna_Get(h, &mask));
        QCOMPARE(GJB_GetErrorCode(h), uint8_t(GJB_ERR_BAD_HANDLE));
        QVERIFY(!GJB_CloseCON(h));
    }

    void refusesOtherFamiliesAndBadHandles()
    {
        readersim::Options o;
        auto sixC = readersim::startInProcess(o);
        QVERIFY(sixC);
        GJB_HANDLE h = 0;
        QVERIFY(GJB_TCPInit(&h, "127.0.0.1", sixC->tcpPort()));
        QVERIFY(!GJB_Open(h));
        QCOMPARE(GJB_GetErrorCode(h), uint8_t(GJB_ERR_CONNECT_FAILED));
        GJB_CloseCON(h);
        QVERIFY(!GJB_TCPInit(&h, "not an address", 4001));
        QVERIFY(!GJB_TCPInit(&h, "127.0.0.1", 0));
        QVERIFY(!GJB_COMInit(&h, 0, "", 9600));
        for (GJB_HANDLE bad : {GJB_HANDLE(0), GJB_HANDLE(-1), GJB_HANDLE(12345)}) {
            QVERIFY(!GJB_Open(bad));
            QCOMPARE(GJB_GetErrorCode(bad), uint8_t(GJB_ERR_BAD_HANDLE));
        }
        char text[255];
        QVERIFY(GJB_Copyright(m_h, text));
        QCOMPARE(QByteArray(text), QByteArray("gjbzaltlink 1.0.0 (Rivulet)"));
        QVERIFY(!GJB_Firmware_Upgrade(m_h, 1, "fw.bin", 100, 0));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_NOT_SUPPORTED));
        QCOMPARE(QByteArray(GJB_ErrorText(GJB_ERR_NOT_SUPPORTED)),
                 QByteArray("the library does not support this function"));
        QCOMPARE(QByteArray(GJB_ErrorText(999)), QByteArray("unknown error"));
    }

    // Each setting: set through the library, stored by the reader, read back; a value out of range is
    // refused by the reader and changes nothing.
    void settingsRoundTrip_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < settings().size(); ++i)
            QTest::newRow(settings()[i].name) << int(i);
    }
    void settingsRoundTrip()
    {
        QFETCH(int, row);
        const Setting& s = settings()[size_t(row)];
        QVERIFY(s.set(m_h, s.good));
        QCOMPARE(s.stored(m_sim->gjbModel().settings(), m_sim->gjbModel()), uint32_t(s.good));
        int back = -1;
        QVERIFY(s.get(m_h, &back));
        QCOMPARE(back, s.good);
        QVERIFY(!s.set(m_h, s.bad));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_PARAMETER));
        QVERIFY(s.get(m_h, &back));
        QCOMPARE(back, s.good);
    }

    void groupedSettings()
    {
        QVERIFY(GJB_SetFilterSet(m_h, 3, 2, 3));
        int gain = 0, low = 0, high = 0;
        QVERIFY(GJB_QurFilterSet(m_h, &gain, &low, &high));
        QCOMPARE(QVector<int>({gain, low, high}), QVector<int>({3, 2, 3}));
        QVERIFY(!GJB_SetFilterSet(m_h, 3, 3, 0));
        QCOMPARE(m_sim->gjbModel().settings().highPass, 3u);

        const unsigned char ip[4] = {10, 1, 2, 3}, mask[4] = {255, 255, 0, 0}, gw[4] = {10, 1, 0, 1};
        QVERIFY(GJB_SetIpConfig(m_h, ip, mask, gw));
        QVERIFY(GJB_SetDhcpConfig(m_h, 1));
        unsigned char ipOut[4], maskOut[4], gwOut[4];
        int dhcp = 0;
        QVERIFY(GJB_QurIpConfig(m_h, ipOut, maskOut, gwOut, &dhcp));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(ipOut), 4),
                 QByteArray(reinterpret_cast<const char*>(ip), 4));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(gwOut), 4),
                 QByteArray(reinterpret_cast<const char*>(gw), 4));
        QCOMPARE(maskOut[1], uint8_t(255));
        QCOMPARE(dhcp, 1);
        QVERIFY(GJB_QurIpConfig(m_h, ipOut, maskOut, gwOut, nullptr));

        QVERIFY(GJB_Set_AntPower(m_h, 2200));
        QCOMPARE(m_sim->gjbModel().settings().power, (std::array<uint32_t, 4>{{2200, 2200, 2200, 2200}}));
        QVERIFY(GJB_Set_GpoValue(m_h, 9));
        QCOMPARE(m_sim->gjbModel().settings().outputs, 9u);
        QVERIFY(!GJB_ReaderAntennaPower_Set(m_h, 5, 2000));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_ARGUMENT));
    }

    // Versions and texts: cut to the caller's buffer, never written past it.
    void textsAreCutNotOverrun()
    {
        unsigned char buf[300];
        std::memset(buf, 0xEE, sizeof buf);
        QVERIFY(GJB_McuVersionGet(m_h, buf, 8));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 8), QByteArray("M1.02.05"));
        QCOMPARE(buf[8], uint8_t(0xEE));
        std::memset(buf, 0xEE, sizeof buf);
        QVERIFY(GJB_FpgaVersionGet(m_h, buf, 4));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 5), QByteArray("F2.0\xEE"));
        QVERIFY(GJB_RfVersionGet(m_h, buf, 12));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 13), QByteArray("R1.00.03\0\0\0\0\xEE", 13));

        m_sim->gjbModel().setInfo(g::info::Linux, std::string(300, 'L'));
        int len = 256;
        std::memset(buf, 0xEE, sizeof buf);
        QVERIFY(GJB_LinuxVersionGet(m_h, buf, &len));
        QCOMPARE(len, 256);
        QCOMPARE(buf[256], uint8_t(0xEE));
        len = 5;
        QVERIFY(GJB_LinuxVersionGet(m_h, buf, &len));
        QCOMPARE(len, 5);

        unsigned char small = 4;
        std::memset(buf, 0xEE, sizeof buf);
        QVERIFY(GJB_RfTypeGet(m_h, buf, &small));
        QCOMPARE(small, uint8_t(3));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 5), QByteArray("GJB\0\xEE", 5));
        char text[255];
        QVERIFY(GJB_GetVersion(m_h, text));
        QCOMPARE(QByteArray(text), QByteArray("SIMGJB4 M1.02.05"));
    }

    void clockAndReports()
    {
        const unsigned char y2000[8] = {0x00, 0x03, 0x5D, 0x01, 0x3B, 0x37, 0xE0, 0x00};
        QVERIFY(GJB_Set_ReaderTime(m_h, y2000));
        QCOMPARE(m_sim->gjbModel().lastClockSet(),
                 (std::array<uint8_t, 8>{{0, 3, 0x5D, 1, 0x3B, 0x37, 0xE0, 0}}));
        unsigned char time[8], kind = 0, state[5];
        QVERIFY(GJB_Get_Report(m_h, 2, time, &kind, state));
        const uint32_t seconds = wire::getU32(state + 1);
        QVERIFY(seconds >= 946684800u && seconds < 946684800u + 600);
        QCOMPARE(time[0], uint8_t(0));
        QCOMPARE(time[1], uint8_t(0x03));

        QVERIFY(GJB_SetSysTime(m_h, "2031-07-08 09:10:11", 19));
        QCOMPARE(m_sim->gjbModel().lastSysTime(), std::string("2031-07-08 09:10:11"));
        QVERIFY(!GJB_SetSysTime(m_h, "2031-07-08 09:10", 16));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_PARAMETER));

        QVERIFY(GJB_Set_Report(m_h, 1, 500, 0));
        QVERIFY(GJB_Get_Report(m_h, 3, time, &kind, state));
        QCOMPARE(kind, uint8_t(3));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(state), 5), QByteArray("\x01\x00\x00\x01\xF4", 5));
        QVERIFY(!GJB_Get_Report(m_h, 9, time, &kind, state));
        unsigned char record[8];
        QVERIFY(GJB_Get_EventAndHeartBeat(m_h, record));

        QVERIFY(GJB_SET_Config(m_h, 3, reinterpret_cast<const unsigned char*>("abcd"), 4));
        unsigned char cfg[8];
        int cfgLen = 2;
        QVERIFY(GJB_GET_Config(m_h, 3, 1, 3, cfg, &cfgLen));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(cfg), cfgLen), QByteArray("bc"));
        cfgLen = 8;
        QVERIFY(!GJB_GET_Config(m_h, 3, 2, 3, cfg, &cfgLen));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_MEMORY_OVERRUN));
    }

    void loopAndTimedInventories()
    {
        const unsigned char antennas[] = {1, 2};
        QVERIFY(GJB_Inventory(m_h, 2, antennas, 0, 0, 0, 0, 2, 0, 1));
        Record r;
        std::set<Bytes> codes;
        for (int i = 0; i < 20; ++i) {
            QVERIFY(GJB_Receive_TagReport(m_h, r.buf.data(), 1000));
            QCOMPARE(r.kind(), 1);
            QVERIFY(r.antenna() == 1 || r.antenna() == 2);
            codes.insert(r.id());
        }
        QCOMPARE(codes.size(), size_t(3));
        QVERIFY(codes.count(m_sim->gjbModel().tag(2).code));
        QVERIFY(GJB_StopInventorySpecReadTag(m_h));
        drain(r);
        QVERIFY(!m_sim->gjbModel().inventory().running);
        QCOMPARE(m_sim->gjbModel().inventory().reverseLink, uint8_t(2));

        // A timed run ends by itself; every report it sent arrives, none twice.
        m_sim->gjbModel().resetCounts();
        QVERIFY(GJB_Inventory(m_h, 0, nullptr, 1, 150, 0, 0, 0, 0, 0));
        QTRY_VERIFY(!m_sim->gjbModel().inventory().running);
        const uint64_t received = drain(r);
        QVERIFY(received > 0);
        QCOMPARE(received, m_sim->gjbModel().reportsSent());
        unsigned long long got = 0, lost = 1, doubled = 1;
        QVERIFY(GJB_GetReportStats(m_h, &got, &lost, &doubled, nullptr));
        QCOMPARE(lost + doubled, 0ull);

        // No report waits: the call says so without touching the handle's error.
        QVERIFY(!GJB_Receive_TagReport(m_h, r.buf.data(), 0));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_NONE));
    }

    void storedRunAndSingleRound()
    {
        const unsigned char three[] = {3};
        QVERIFY(GJB_Set_Inventory_Spec(m_h, 1, three, 0, 0));
        int count = 0, mode = -1, duration = -1;
        unsigned char list[16] = {};
        QVERIFY(GJB_Get_Inventory_Spec(m_h, &count, list, &mode, &duration));
        QCOMPARE(count, 1);
        QCOMPARE(list[0], uint8_t(3));
        QVERIFY(GJB_Set_Inventory_Spec_ReadTag(m_h, 1));
        Record r;
        QVERIFY(GJB_Receive_TagReport(m_h, r.buf.data(), 1000));
        QCOMPARE(r.antenna(), 3);
        QVERIFY(GJB_Set_Inventory_Spec_ReadTag(m_h, 0));
        drain(r);

        m_sim->gjbModel().resetCounts();
        QVERIFY(GJB_Get_TagReport(m_h));
        QTRY_VERIFY(!m_sim->gjbModel().inventory().running);
        QCOMPARE(drain(r), uint64_t(3 * 4)); // every tag once on each enabled antenna
    }

    // One row per tag operation: the record goes out, the result comes back through the report queue.
    void tagOperations_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("words");
        QTest::addColumn<uint>("password");
        QTest::addColumn<int>("status");
        QTest::newRow("read user") << "read" << kUser0 << 4 << 0u << 0;
        QTest::newRow("read code") << "read" << kCode << 5 << 0u << 0;
        QTest::newRow("read no words") << "read" << kCode << 0 << 0u << 130;
        QTest::newRow("write") << "write" << kUser0 << 2 << 0u << 0;
        QTest::newRow("write information") << "write" << 0x00 << 1 << 0u << 129;
        QTest::newRow("erase") << "erase" << kUser0 << 3 << 0u << 0;
        QTest::newRow("lock") << "lock" << kUser0 << 0 << 0u << 0;
        QTest::newRow("kill") << "kill" << 0 << 0 << 0x55AA55AAu << 0;
        QTest::newRow("kill wrong password") << "kill" << 0 << 0 << 1u << 134;
    }
    void tagOperations()
    {
        QFETCH(QString, op);
        QFETCH(int, area);
        QFETCH(int, words);
        QFETCH(uint, password);
        QFETCH(int, status);
        readersim::GjbModel& model = m_sim->gjbModel();
        readersim::GjbTag tag = model.tag(1);
        tag.setPassword(readersim::GjbPassword::Kill, 0x55AA55AA);
        model.setTag(1, tag);

        AccessRecord req;
        req.matchCode(tag.code);
        req.range(area, 1, words);
        Record r;
        r.buf[GJB_REC_STATUS] = 0xEE;
        bool accepted = false;
        if (op == "read") {
            accepted = GJB_UHFRead_Tag(m_h, req.data());
        } else if (op == "write") {
            // A write repeats its word count where a read keeps its password.
            req.le16(GJB_ACC_WORDS + 2, words);
            req.bytes[GJB_ACC_WRITE_DATA] = 0xAB;
            req.bytes[GJB_ACC_WRITE_DATA + 3] = 0xCD;
            accepted = GJB_UHFWrite_Tag(m_h, req.data());
        } else if (op == "erase") {
            accepted = GJB_UHFErase_Tag(m_h, req.data());
        } else if (op == "lock") {
            req.le16(GJB_ACC_AREA, area);
            req.bytes[GJB_ACC_LOCK_ACTION] = 2;
            accepted = GJB_UHFLock_Tag(m_h, req.data());
        } else {
            req.password(GJB_ACC_KILL_PASSWORD, password);
            accepted = GJB_UHFKill_Tag(m_h, req.data());
        }
        QVERIFY(accepted);
        QVERIFY(GJB_Receive_TagReport(m_h, r.buf.data(), 30000));
        QCOMPARE(r.kind(), 2);
        QCOMPARE(r.status(), status);
        QCOMPARE(r.id(), tag.code);

        const readersim::GjbTag after = model.tag(1);
        if (op == "read")
            QCOMPARE(r.data(), status ? Bytes()
                                      : Bytes(tag.area(uint8_t(area))->begin() + 2,
                                              tag.area(uint8_t(area))->begin() + 2 + words * 2));
        if (op == "write" && status == 0)
            QCOMPARE(Bytes(after.user[0].begin() + 2, after.user[0].begin() + 6), (Bytes{0xAB, 0, 0, 0xCD}));
        if (op == "erase")
            QCOMPARE(Bytes(after.user[0].begin() + 2, after.user[0].begin() + 8), Bytes(6, 0));
        if (op == "lock")
            QCOMPARE(after.locks[3], uint8_t(2));
        if (op == "kill")
            QCOMPARE(after.killed, status == 0);
        // The other tags are untouched.
        QCOMPARE(model.tag(0).user[0], readersim::GjbModel::makeTag(4, 0).user[0]);

        unsigned char record[8];
        QVERIFY(GJB_Get_Access_Spec(m_h, record));
        QCOMPARE(int(record[1]), status);
    }

    void malformedAccessRecordsSendNothing()
    {
        AccessRecord req;
        req.range(kUser0, 0, 1);
        req.bytes[GJB_ACC_VERSION] = 0;
        QVERIFY(!GJB_UHFRead_Tag(m_h, req.data()));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_ARGUMENT));
        req.bytes[GJB_ACC_VERSION] = 1;
        req.le16(GJB_ACC_MASK_BITS, 254 * 8 + 1);
        QVERIFY(!GJB_UHFRead_Tag(m_h, req.data()));
        req.le16(GJB_ACC_MASK_BITS, 0);
        req.le16(GJB_ACC_WORDS + 2, 2); // the two counts of a write differ
        QVERIFY(!GJB_UHFWrite_Tag(m_h, req.data()));
        QVERIFY(!GJB_UHFRead_Tag(m_h, nullptr));
        QCOMPARE(m_sim->gjbModel().lastAccess().operation, g::op::None);
        QVERIFY(GJB_UHFRead_Tag(m_h, req.data()));
        QVERIFY(GJB_UHF_SetAccessInvalid(m_h));
        QCOMPARE(m_sim->gjbModel().lastAccess().operation, g::op::None);
    }

    void sensitivityTest()
    {
        QVERIFY(GJB_SensitivityTest(m_h, 1, 5));
        Record r;
        for (uint32_t i = 0; i < 5; ++i) {
            QVERIFY(GJB_Receive_TagReport(m_h, r.buf.data(), 3000));
            QCOMPARE(r.kind(), 3);
            const std::array<uint8_t, 2> expected = readersim::GjbModel::sensitivityValue(4, i);
            QCOMPARE(r.id(), Bytes(expected.begin(), expected.end()));
        }
        QVERIFY(!GJB_Receive_TagReport(m_h, r.buf.data(), 100));
        QVERIFY(GJB_SensitivityTest(m_h, 0, 5));
    }

    void airInterfaceAndCalibration()
    {
        const unsigned char frame[] = {1, 0, 254, g::air::QueryRep, 0, 0, 0, 0};
        QVERIFY(GJB_AirInterfaceTest(m_h, frame, sizeof frame));
        QCOMPARE(m_sim->gjbModel().airFrames().back().bytes, Bytes(frame, frame + sizeof frame));
        QVERIFY(!GJB_AirInterfaceTest(m_h, frame, 3));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_LENGTH));
        QVERIFY(!GJB_AirInterfaceTest(m_h, frame, 300));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_ARGUMENT));
        QVERIFY(GJB_DisturbreStrainInit(m_h));
        QCOMPARE(m_sim->gjbModel().disturbInitCount(), 1);
    }

    void secrecyModule()
    {
        const unsigned char factory[] = "12345678", other[] = "87654321";
        QVERIFY(GJB_SecrecySet(m_h, 1));
        int state = 0;
        QVERIFY(GJB_SecrecyGet(m_h, &state));
        QCOMPARE(state, 1);
        QVERIFY(!GJB_EditSecrecyPW(m_h, other, 8, other, 8));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_WRONG_PASSWORD));
        QVERIFY(!GJB_EditSecrecyPW(m_h, factory, 8, other, 7));
        QVERIFY(GJB_EditSecrecyPW(m_h, factory, 8, other, 8));
        QVERIFY(GJB_KillSecrecyModel(m_h, other, 8));
        QVERIFY(!GJB_SecrecyGet(m_h, &state));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_NO_MODULE));
    }

    void repairAndElectronicRecords()
    {
        QVERIFY(GJB_SetSysTime(m_h, "2029-03-04 05:06:07", 19));
        const QByteArray note = QStringLiteral("换了天线 antenna").toUtf8();
        QVERIFY(GJB_WriteRepairRecord(m_h, reinterpret_cast<const unsigned char*>(note.constData()),
                                      int(note.size())));
        int count = 0;
        QVERIFY(GJB_ReadRepairRecordCount(m_h, &count));
        QCOMPARE(count, 1);
        unsigned char time[19], text[255];
        int len = 255;
        QVERIFY(GJB_ReadRepairRecord(m_h, 0, time, text, &len));
        QVERIFY(QByteArray(reinterpret_cast<char*>(time), 19).startsWith("2029-03-04 05:06:"));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(text), len), note);
        QVERIFY(!GJB_ReadRepairRecord(m_h, 1, time, text, &len));
        QVERIFY(!GJB_WriteRepairRecord(m_h, text, 256));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_BAD_ARGUMENT));

        QVERIFY(GJB_Write_Electron_Record(m_h, 31, reinterpret_cast<const unsigned char*>("slot"), 4));
        len = 3;
        QVERIFY(GJB_Read_Electron_Record(m_h, 31, text, &len));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(text), len), QByteArray("slo"));
        len = 255;
        QVERIFY(GJB_Read_Electron_Record(m_h, 0, text, &len));
        QCOMPARE(len, 0);
        QVERIFY(!GJB_Read_Electron_Record(m_h, 32, text, &len));
    }

    void resetThenRebootDropsTheLink()
    {
        QVERIFY(GJB_Modulation_Set(m_h, 40));
        QVERIFY(GJB_Reset(m_h));
        int depth = 0;
        QVERIFY(GJB_Modulation_Get(m_h, &depth));
        QCOMPARE(depth, 100);
        QCOMPARE(m_sim->gjbModel().resetCount(), 1);
        QVERIFY(GJB_Reboot(m_h));
        QTRY_COMPARE(m_sim->gjbModel().rebootCount(), 1);
        // The link is gone: calls fail with it, and a receive fails too rather than wait out its wait.
        Record r;
        QTRY_VERIFY(!GJB_Modulation_Get(m_h, &depth));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_LINK_LOST));
        QVERIFY(!GJB_Receive_TagReport(m_h, r.buf.data(), 30000));
        QCOMPARE(GJB_GetErrorCode(m_h), uint8_t(GJB_ERR_LINK_LOST));
        QVERIFY(GJB_Close(m_h));
        QVERIFY(GJB_Open(m_h));
        QVERIFY(GJB_Modulation_Get(m_h, &depth));
    }

private:
    struct Setting
    {
        const char* name;
        std::function<bool(GJB_HANDLE, int)> set;
        std::function<bool(GJB_HANDLE, int*)> get;
        std::function<uint32_t(const readersim::GjbSettings&, readersim::GjbModel&)> stored;
        int good;
        int bad;
    };

    static const std::vector<Setting>& settings()
    {
        using S = readersim::GjbSettings;
        using M = readersim::GjbModel;
        static const std::vector<Setting> all = {
            {"antenna mask", GJB_ReaderAntenna_Set, GJB_ReaderAntenna_Get,
             [](const S& s, M&) { return s.antennaMask; }, 5, 16},
            {"frequency points", GJB_SET_FrequencyPoint, GJB_GET_FrequencyPoint,
             [](const S& s, M&) { return s.points; }, 0x80001, 0x100000},
            {"modulation", GJB_Modulation_Set, GJB_Modulation_Get,
             [](const S& s, M&) { return s.modulation; }, 45, 101},
            {"rf path", GJB_SetRF, GJB_QurRF, [](const S& s, M&) { return s.rfPath; }, 1, 2},
            {"inventory mode", GJB_SetInventoryModel, GJB_QurInventoryModel,
             [](const S& s, M&) { return s.inventoryMode; }, 2, 3},
            {"code gradient", GJB_CodeGradientSet, GJB_CodeGradientGet,
             [](const S& s, M&) { return s.codeGradient; }, 7, 16},
            {"power of port 3", [](GJB_HANDLE h, int v) { return GJB_ReaderAntennaPower_Set(h, 3, v); },
             [](GJB_HANDLE h, int* v) { return GJB_ReaderAntennaPower_Get(h, 3, v); },
             [](const S& s, M&) { return s.power[2]; }, 2575, 999},
            {"dwell of port 2", [](GJB_HANDLE h, int v) { return GJB_ReaderAntennaTime_Set(h, 2, v); },
             [](GJB_HANDLE h, int* v) { return GJB_ReaderAntennaTime_Get(h, 2, v); },
             [](const S& s, M&) { return s.dwell[1]; }, 500, 0},
            {"secrecy", GJB_SecrecySet, GJB_SecrecyGet,
             [](const S&, M& m) { return uint32_t(m.secrecy().state); }, 1, 2},
        };
        return all;
    }

    // Takes every report still coming; how many there were.
    uint64_t drain(Record& r)
    {
        uint64_t n = 0;
        while (GJB_Receive_TagReport(m_h, r.buf.data(), 300))
            ++n;
        return n;
    }

    std::unique_ptr<readersim::Simulator> m_sim;
    GJB_HANDLE m_h = 0;
};

QTEST_GUILESS_MAIN(TstGjbzaltlink)
#include "tst_gjbzaltlink.moc"
