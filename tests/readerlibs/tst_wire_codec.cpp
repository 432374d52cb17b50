#include "wire/commands.h"
#include "wire/frame.h"
#include "wire/transport.h"

#include <QtTest>

#include <random>

using namespace wire;

namespace {

Frame makeFrame(uint8_t seq, uint8_t cmd, std::vector<uint8_t> payload, uint8_t status = 0)
{
    Frame f;
    f.seq = seq;
    f.cmd = cmd;
    f.status = status;
    f.payload = std::move(payload);
    return f;
}

bool same(const Frame& a, const Frame& b)
{
    return a.seq == b.seq && a.cmd == b.cmd && a.status == b.status && a.payload == b.payload;
}

std::vector<Frame> drain(Decoder& d)
{
    std::vector<Frame> out;
    Frame f;
    while (d.next(f))
        out.push_back(f);
    return out;
}

} // namespace

class TestWireCodec : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValue()
    {
        const char* text = "123456789";
        QCOMPARE(crc16(reinterpret_cast<const uint8_t*>(text), 9), uint16_t(0x29B1));
        // Incremental use gives the same result.
        uint16_t c = crc16Update(0xFFFF, reinterpret_cast<const uint8_t*>(text), 4);
        c = crc16Update(c, reinterpret_cast<const uint8_t*>(text) + 4, 5);
        QCOMPARE(c, uint16_t(0x29B1));
    }

    void documentedVector()
    {
        const std::vector<uint8_t> expect{0xA5, 0x00, 0x01, 0x01, 0x01, 0x00, 0xFE, 0x01, 0x48, 0x64};
        QCOMPARE(encode(makeFrame(1, cmd::Hello, {kProtocolVersion})), expect);
    }

    void roundTripStreamAndDatagram_data()
    {
        QTest::addColumn<int>("payloadSize");
        QTest::newRow("empty") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("start bytes inside") << 300;
        QTest::newRow("max") << int(kMaxPayload);
    }
    void roundTripStreamAndDatagram()
    {
        QFETCH(int, payloadSize);
        std::vector<uint8_t> p(static_cast<size_t>(payloadSize));
        for (size_t i = 0; i < p.size(); ++i)
            p[i] = uint8_t(i % 3 == 0 ? kStartByte : i * 7);
        Frame in = makeFrame(200, cmd::ReadUser, p, status::MemoryOverrun);
        auto bytes = encode(in);
        QCOMPARE(bytes.size(), p.size() + kOverhead);

        Frame out;
        QVERIFY(decodeDatagram(bytes.data(), bytes.size(), out));
        QVERIFY(same(in, out));

        // Fed one byte at a time, the frame appears exactly once, at the last byte.
        Decoder d;
        int got = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            d.feed(&bytes[i], 1);
            while (d.next(out)) {
                ++got;
                QCOMPARE(i, bytes.size() - 1);
                QVERIFY(same(in, out));
            }
        }
        QCOMPARE(got, 1);
        QCOMPARE(d.framesDropped(), uint64_t(0));
    }

    void oversizedPayloadIsRefused()
    {
        Frame f = makeFrame(1, cmd::RawSend, std::vector<uint8_t>(kMaxPayload + 1, 0x11));
        QVERIFY(encode(f).empty());
        std::vector<uint8_t> out{1, 2};
        QVERIFY(!encodeTo(f, out));
        QCOMPARE(out.size(), size_t(2));
    }

    void lengthBeyondLimitResyncs()
    {
        // A header that claims more than the limit is not waited for: the next frame still decodes.
        std::vector<uint8_t> bogus{kStartByte, 0xFF, 0xFF, 1, 2, 3, 0};
        bogus[6] = headerCheck(bogus.data());
        Frame good = makeFrame(5, cmd::Ping, {9, 9});
        auto gb = encode(good);
        bogus.insert(bogus.end(), gb.begin(), gb.end());
        Decoder d;
        d.feed(bogus.data(), bogus.size());
        auto frames = drain(d);
        QCOMPARE(frames.size(), size_t(1));
        QVERIFY(same(frames[0], good));
        QVERIFY(d.framesDropped() >= 1);
    }

    void resyncAfterGarbage()
    {
        std::vector<uint8_t> stream{0x00, kStartByte, 0x13, kStartByte, kStartByte, 0x7F};
        Frame a = makeFrame(1, cmd::ReportEpc, {0, 0, 0, 1, 1, 2, 0xAB, 0xCD});
        Frame b = makeFrame(2, cmd::Heartbeat, {0, 0, 0, 1, 0, 0, 0, 5});
        for (const Frame& f : {a, b}) {
            auto e = encode(f);
            stream.insert(stream.end(), e.begin(), e.end());
            stream.insert(stream.end(), {kStartByte, 0x00});
        }
        Decoder d;
        d.feed(stream.data(), stream.size());
        auto frames = drain(d);
        QCOMPARE(frames.size(), size_t(2));
        QVERIFY(same(frames[0], a));
        QVERIFY(same(frames[1], b));
        QVERIFY(d.bytesSkipped() > 0);
    }

    void corruptedFrameIsDroppedAndCounted_data()
    {
        QTest::addColumn<int>("flipAt");
        QTest::newRow("length") << 2;
        QTest::newRow("seq") << 3;
        QTest::newRow("header check") << 6;
        QTest::newRow("payload") << 9;
        QTest::newRow("crc") << 14;
    }
    void corruptedFrameIsDroppedAndCounted()
    {
        QFETCH(int, flipAt);
        Frame bad = makeFrame(7, cmd::SysInfQuery, {1, 2, 3, 4, 5, 6});
        Frame good = makeFrame(8, cmd::SysInfQuery, {7});
        auto stream = encode(bad);
        stream[size_t(flipAt)] ^= 0x40;
        auto g = encode(good);
        stream.insert(stream.end(), g.begin(), g.end());
        Decoder d;
        d.feed(stream.data(), stream.size());
        auto frames = drain(d);
        QCOMPARE(frames.size(), size_t(1));
        QVERIFY(same(frames[0], good));
        QVERIFY(d.framesDropped() >= 1);

        // A damaged datagram is refused outright.
        auto dg = encode(bad);
        dg[size_t(flipAt)] ^= 0x40;
        Frame out;
        QVERIFY(!decodeDatagram(dg.data(), dg.size(), out));
    }

    void truncatedInputWaits()
    {
        Frame f = makeFrame(3, cmd::TimeQuery, {0x30, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16});
        auto bytes = encode(f);
        Decoder d;
        d.feed(bytes.data(), bytes.size() - 1);
        Frame out;
        QVERIFY(!d.next(out));
        QCOMPARE(d.framesDropped(), uint64_t(0));
        d.feed(&bytes.back(), 1);
        QVERIFY(d.next(out));
        QVERIFY(same(f, out));

        // Datagrams must hold exactly one frame: short, long and empty ones are refused.
        QVERIFY(!decodeDatagram(bytes.data(), bytes.size() - 1, out));
        bytes.push_back(0);
        QVERIFY(!decodeDatagram(bytes.data(), bytes.size(), out));
        QVERIFY(!decodeDatagram(bytes.data(), 0, out));
    }

    void randomNoiseBetweenFramesLosesNothing()
    {
        std::mt19937 rng(42);
        std::vector<uint8_t> stream;
        std::vector<Frame> sent;
        for (int i = 0; i < 500; ++i) {
            int noise = int(rng() % 20);
            for (int k = 0; k < noise; ++k)
                stream.push_back(uint8_t(rng()));
            std::vector<uint8_t> p(rng() % 40);
            for (auto& b : p)
                b = uint8_t(rng());
            sent.push_back(makeFrame(uint8_t(i), cmd::ReportEpcTid, p));
            auto e = encode(sent.back());
            stream.insert(stream.end(), e.begin(), e.end());
        }
        Decoder d;
        std::vector<Frame> got;
        // Chunks of odd sizes, as a socket would hand them over.
        for (size_t off = 0; off < stream.size();) {
            size_t n = std::min(stream.size() - off, size_t(1 + rng() % 97));
            d.feed(stream.data() + off, n);
            off += n;
            auto part = drain(d);
            got.insert(got.end(), part.begin(), part.end());
        }
        // Noise can fake a frame only with a matching header check and CRC; every real one must be there.
        size_t j = 0;
        for (const Frame& f : got)
            if (j < sent.size() && same(f, sent[j]))
                ++j;
        QCOMPARE(j, sent.size());
    }

    void serialNames()
    {
        QCOMPARE(serialDevicePath("COM1"), std::string("/dev/ttyS0"));
        QCOMPARE(serialDevicePath("COM10"), std::string("/dev/ttyS9"));
        QCOMPARE(serialDevicePath("/dev/ttyUSB0"), std::string("/dev/ttyUSB0"));
        QCOMPARE(serialDevicePath("COM"), std::string("COM"));
        QCOMPARE(serialDevicePath("COMx"), std::string("COMx"));
        QCOMPARE(serialDevicePath("COM0"), std::string("COM0"));
    }
};

QTEST_APPLESS_MAIN(TestWireCodec)
#include "tst_wire_codec.moc"
