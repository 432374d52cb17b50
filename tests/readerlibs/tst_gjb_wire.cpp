// The GJB family's payloads, the report record the library hands its callers, and the air-interface
// frames with their bit-level CRC.
#include "wire/gjb_air.h"
#include "wire/messages_gjb.h"

#include <QtTest>

#include <functional>

using namespace wire;
namespace g = wire::gjb;
using Bytes = std::vector<uint8_t>;

namespace {

struct Layout
{
    const char* name;
    std::function<Bytes()> encode;
    std::function<bool(const Bytes&)> decode; // decodes, and encodes back to the same bytes
    Bytes wire;
};

template <class M> Layout layout(const char* name, const M& m, Bytes bytes)
{
    return Layout{name, [m] { return m.encoded(); },
                  [](const Bytes& b) {
                      M back;
                      return back.decode(b) && back.encoded() == b;
                  },
                  std::move(bytes)};
}

g::AccessMatch sampleMatch()
{
    g::AccessMatch m;
    m.startWord = 2;
    m.maskBits = 12;
    m.mask = {0xFF, 0xF0};
    m.idBits = 16;
    m.id = {0x35, 0x47};
    m.match = 1;
    return m;
}

const Bytes kMatchBytes = {0, 2, 0, 12, 2, 0xFF, 0xF0, 0, 16, 2, 0x35, 0x47, 1};

Bytes cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Frame reportFrame(uint8_t cmd, const Bytes& payload)
{
    Frame f;
    f.cmd = cmd;
    f.payload = payload;
    return f;
}

uint16_t le16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

// An air frame as a host builds it: header, bit count, payload bits, CRC where `crc`, one zero byte.
Bytes airFrame(uint8_t command, const g::AirBits& fields, bool crc)
{
    g::AirBits payload = fields;
    if (crc) {
        g::AirBits covered;
        covered.put(command, 8);
        covered.putBytes(fields.bytes(), fields.size());
        payload.put(g::airCrc16(covered.bytes().data(), covered.size()), 16);
    }
    Bytes f = {1, 0, 254, command, 0, uint8_t(payload.size() >> 8), uint8_t(payload.size())};
    f.insert(f.end(), payload.bytes().begin(), payload.bytes().end());
    f.push_back(0);
    return f;
}

} // namespace

class TstGjbWire : public QObject
{
    Q_OBJECT

private slots:
    void messagesEncodeAsDocumented_data()
    {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < layouts().size(); ++i)
            QTest::newRow(layouts()[i].name) << int(i);
    }
    void messagesEncodeAsDocumented()
    {
        QFETCH(int, row);
        const Layout& l = layouts()[size_t(row)];
        QCOMPARE(l.encode(), l.wire);
        QVERIFY(l.decode(l.wire));
        // Every shorter payload is refused: no layout reads past what came.
        for (size_t n = 0; n < l.wire.size(); ++n)
            QVERIFY2(!l.decode(Bytes(l.wire.begin(), l.wire.begin() + long(n))),
                     qPrintable(QString::number(n)));
    }

    void reportSequenceRefusesShortReports()
    {
        uint32_t seq = 0;
        QVERIFY(g::reportSequence(reportFrame(g::cmd::TagReport, {0, 0, 0, 9, 1, 2, 0xAB, 0xCD}), &seq));
        QCOMPARE(seq, 9u);
        QVERIFY(!g::reportSequence(reportFrame(g::cmd::TagReport, {0, 0, 0, 9, 1, 3, 0xAB, 0xCD}), &seq));
        QVERIFY(!g::reportSequence(reportFrame(g::cmd::AccessResult, {0, 0, 0, 1, 1, 0, 1, 0, 0, 1}), &seq));
        QVERIFY(!g::reportSequence(reportFrame(wire::cmd::Heartbeat, {0, 0, 0, 1, 0, 0, 0, 1}), &seq));
        QVERIFY(g::kReportRule.isReport(g::cmd::TestResult) &&
                !g::kReportRule.isReport(wire::cmd::Heartbeat));
    }

    // The offsets the inventory, tag-operation and sensitivity pages read, for each report kind.
    void recordLayout()
    {
        std::vector<uint8_t> buf(GJB_BUFFER, 0xEE);

        g::TagReport t;
        t.sequence = 0x01020304;
        t.antenna = 3;
        const Bytes id = {0x35, 0x47, 0x01};
        t.id = id;
        QCOMPARE(g::writeRecord(reportFrame(g::cmd::TagReport, t.encoded()), buf.data(), buf.size()),
                 g::record::HeaderSize);
        QCOMPARE(le16(&buf[0]), uint16_t(3));
        QCOMPARE(Bytes(buf.begin() + 2, buf.begin() + 5), id);
        QCOMPARE(buf[258], uint8_t(3));
        QCOMPARE(buf[259], g::record::KindTag);
        QCOMPARE(Bytes(buf.begin() + 260, buf.begin() + 264), (Bytes{4, 3, 2, 1}));
        // What an earlier record left there is gone.
        QCOMPARE(buf[5], uint8_t(0));
        QCOMPARE(buf[278], uint8_t(0));
        QCOMPARE(buf[281], uint8_t(0xEE));

        g::AccessResult a;
        a.operation = g::op::Read;
        a.status = g::tagstatus::Locked;
        a.antenna = 2;
        a.id = {0xAA};
        a.data = {1, 2, 3, 4, 5, 6};
        QCOMPARE(g::writeRecord(reportFrame(g::cmd::AccessResult, a.encoded()), buf.data(), buf.size()),
                 g::record::HeaderSize + 6);
        QCOMPARE(buf[259], g::record::KindAccess);
        QCOMPARE(buf[264], g::op::Read);
        QCOMPARE(buf[278], g::tagstatus::Locked);
        QCOMPARE(buf[279], uint8_t(0));
        QCOMPARE(buf[280], uint8_t(3));
        QCOMPARE(Bytes(buf.begin() + 281, buf.begin() + 287), a.data);

        g::TestResult r;
        r.index = 7;
        r.result = {0x51, 0x9C};
        QCOMPARE(g::writeRecord(reportFrame(g::cmd::TestResult, r.encoded()), buf.data(), buf.size()),
                 g::record::HeaderSize);
        QCOMPARE(le16(&buf[0]), uint16_t(2));
        QCOMPARE(buf[2], uint8_t(0x51));
        QCOMPARE(buf[3], uint8_t(0x9C));
        QCOMPARE(le16(&buf[265]), uint16_t(7));
        QCOMPARE(buf[278], uint8_t(0));
    }

    void recordNeverOverrunsItsBuffer()
    {
        g::AccessResult a;
        a.data.assign(400, 0x5A);
        const Frame f = reportFrame(g::cmd::AccessResult, a.encoded());
        std::vector<uint8_t> buf(g::record::HeaderSize + 100 + 1, 0xEE);
        QCOMPARE(g::writeRecord(f, buf.data(), buf.size() - 1), g::record::HeaderSize + 100);
        QCOMPARE(buf.back(), uint8_t(0xEE));
        // Too small for the header, not a report, a report without its fields: nothing at all.
        QCOMPARE(g::writeRecord(f, buf.data(), g::record::HeaderSize - 1), size_t(0));
        QCOMPARE(g::writeRecord(reportFrame(0x84, {0, 0, 0, 1, 0, 0, 0, 1}), buf.data(), buf.size()),
                 size_t(0));
        const Bytes damaged(f.payload.begin(), f.payload.end() - 1);
        QCOMPARE(g::writeRecord(reportFrame(g::cmd::AccessResult, damaged), buf.data(), buf.size()),
                 size_t(0));
    }

    void airCrcCheckValue()
    {
        const char* text = "123456789";
        QCOMPARE(g::airCrc16(reinterpret_cast<const uint8_t*>(text), 72), uint16_t(0xD64E));
    }

    void airFramesChecked_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("hasCrc");
        auto bytes = [](const Bytes& b) {
            return QByteArray(reinterpret_cast<const char*>(b.data()), int(b.size()));
        };

        g::AirBits query; // condition 3, Target 1, TR_EXT 0, uplink time 2, code select 1
        query.put(3, 2);
        query.put(1, 1);
        query.put(0, 1);
        query.put(2, 2);
        query.put(1, 2);
        QTest::newRow("query") << bytes(airFrame(g::air::Query, query, true)) << 24 << 11 << true;

        g::AirBits read; // area 1, pointer 0x0010, length 2, handle 0x1234
        read.put(1, 2);
        read.put(0x10, 16);
        read.put(2, 16);
        read.put(0x1234, 16);
        QTest::newRow("read") << bytes(airFrame(g::air::Read, read, true)) << 0x42 << 17 << true;

        g::AirBits write; // length 1: exactly one word of data
        write.put(3, 2);
        write.put(0, 16);
        write.put(1, 16);
        write.put(0xBEEF, 16);
        write.put(0x1234, 16);
        QTest::newRow("write") << bytes(airFrame(g::air::Write, write, true)) << 82 << (122 + 16 + 7) / 8 + 1
                               << true;

        g::AirBits sort; // bit length 5: a 6-bit mask
        sort.put(1, 2);
        sort.put(0, 2);
        sort.put(0, 16);
        sort.put(5, 8);
        sort.put(0x2D, 6);
        QTest::newRow("sort") << bytes(airFrame(g::air::Sort, sort, true)) << 50 << (100 + 6 + 7) / 8 + 1
                              << true;

        g::AirBits ack;
        ack.put(0x1234, 16);
        QTest::newRow("ack") << bytes(airFrame(g::air::Ack, ack, false)) << 16 << 10 << false;
        QTest::newRow("queryrep") << bytes(airFrame(g::air::QueryRep, g::AirBits(), false)) << 0 << 8
                                  << false;
        QTest::newRow("power") << bytes(Bytes{1, 0, 254, g::air::Power, 1}) << -1 << 5 << false;
    }
    void airFramesChecked()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, bits);
        QFETCH(int, length);
        QFETCH(bool, hasCrc);
        Bytes f(frame.begin(), frame.end());
        QCOMPARE(int(f.size()), length);
        g::AirFrameCheck c = g::checkAirFrame(f.data(), f.size());
        QVERIFY(c.wellFormed && c.known && c.lengthOk);
        QCOMPARE(c.payloadBits, bits);
        QCOMPARE(c.hasCrc, hasCrc);
        QCOMPARE(c.crcOk, hasCrc);
        if (!hasCrc)
            return;
        // One flipped payload bit is caught by the CRC; a frame one byte short is no longer sound.
        f[7] ^= 0x01;
        QVERIFY(!g::checkAirFrame(f.data(), f.size()).crcOk);
        f[7] ^= 0x01;
        f.pop_back();
        QVERIFY(!g::checkAirFrame(f.data(), f.size()).lengthOk);
    }

    void queryFrameBytes()
    {
        g::AirBits query;
        query.put(0xE9, 8);
        const Bytes f = airFrame(g::air::Query, query, true);
        QCOMPARE(f[7], uint8_t(0xE9));
        const uint8_t covered[] = {0xA4, 0xE9};
        const uint16_t crc = g::airCrc16(covered, 16);
        QCOMPARE(f[8], uint8_t(crc >> 8));
        QCOMPARE(f[9], uint8_t(crc));
    }

private:
    static constexpr size_t GJB_BUFFER = 65536;

    static const std::vector<Layout>& layouts()
    {
        static const std::vector<Layout> all = [] {
            std::vector<Layout> v;
            g::InventoryRequest inv;
            inv.antennas = {1, 3};
            inv.mode = 1;
            inv.duration = 1000;
            inv.forwardLink = 1;
            inv.reverseLink = 7;
            inv.coding = 2;
            inv.preamble = 1;
            v.push_back(layout("inventory", inv, {2, 1, 3, 1, 0, 0, 0x03, 0xE8, 1, 0, 7, 2, 1}));

            g::ReadRequest rd;
            rd.target = sampleMatch();
            rd.area = 0x35;
            rd.startWord = 1;
            rd.words = 4;
            rd.password = 0x11223344;
            v.push_back(layout("read", rd, cat(kMatchBytes, {0x35, 0, 1, 0, 4, 0x11, 0x22, 0x33, 0x44})));

            g::WriteRequest wr;
            wr.target = sampleMatch();
            wr.area = 0x10;
            wr.startWord = 0;
            wr.password = 1;
            wr.data = {0xAB, 0xCD};
            v.push_back(layout("write", wr, cat(kMatchBytes, {0x10, 0, 0, 0, 0, 0, 1, 0, 1, 0xAB, 0xCD})));

            g::LockRequest lk;
            lk.target = sampleMatch();
            lk.area = 0x30;
            lk.action = 3;
            lk.password = 2;
            v.push_back(layout("lock", lk, cat(kMatchBytes, {0, 0x30, 3, 0, 0, 0, 2})));

            g::KillRequest kl;
            kl.target = sampleMatch();
            kl.password = 0xDEADBEEF;
            v.push_back(layout("kill", kl, cat(kMatchBytes, {0xDE, 0xAD, 0xBE, 0xEF})));

            g::SettingsList sl;
            sl.values = {g::Setting{g::setting::Power1, 2550}, g::Setting{g::setting::AntennaMask, 5}};
            v.push_back(layout("settings", sl, {2, 0x11, 0, 0, 0x09, 0xF6, 0x01, 0, 0, 0, 5}));

            g::ReportAnswer ra;
            ra.time = {0, 3, 0x5D, 1, 0x3B, 0x37, 0xE0, 0};
            ra.type = 3;
            ra.status = 1;
            ra.value = 500;
            v.push_back(layout("report", ra, {0, 3, 0x5D, 1, 0x3B, 0x37, 0xE0, 0, 3, 1, 0, 0, 1, 0xF4}));

            g::RepairRecordAnswer rr;
            const char* stamp = "2024-05-06 07:08:09";
            std::copy(stamp, stamp + 19, rr.time.begin());
            rr.text = {'o', 'k'};
            Bytes rrBytes(stamp, stamp + 19);
            rrBytes.insert(rrBytes.end(), {2, 'o', 'k'});
            v.push_back(layout("repair record", rr, rrBytes));

            g::AccessResult ar;
            ar.sequence = 5;
            ar.operation = g::op::Read;
            ar.status = 0;
            ar.antenna = 1;
            ar.id = {0x35};
            ar.data = {9, 8};
            v.push_back(layout("access result", ar, {0, 0, 0, 5, 1, 0, 1, 1, 0x35, 0, 1, 9, 8}));

            g::TestResult tr;
            tr.sequence = 2;
            tr.index = 1;
            tr.result = {0x44, 0x55};
            v.push_back(layout("test result", tr, {0, 0, 0, 2, 0, 1, 0x44, 0x55}));
            return v;
        }();
        return all;
    }
};

QTEST_GUILESS_MAIN(TstGjbWire)
#include "tst_gjb_wire.moc"
