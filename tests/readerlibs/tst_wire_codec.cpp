#include "wire/commands.h"
#include "wire/frame.h"
#include "wire/messages_6c.h"
#include "wire/transport.h"

#include <QtTest>

#include <functional>
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

using Bytes = std::vector<uint8_t>;
namespace m6c = wire::m6c;

// A message as the table below sees it: its encoding, and what decoding those bytes and encoding the
// result again gives (empty when decoding refused them).
struct Layout
{
    const char* name;
    std::function<Bytes()> encode;
    std::function<Bytes(const Bytes&)> reencode;
    Bytes wire;
};

// The decoding side starts from a copy of the message, so a report keeps its kind.
template <class M> Layout layout(const char* name, const M& m, Bytes wire)
{
    return Layout{name, [m] { return m.encoded(); },
                  [m](const Bytes& b) {
                      M back = m;
                      return back.decode(b) ? back.encoded() : Bytes{0xDE, 0xAD};
                  },
                  std::move(wire)};
}

template <class M> bool decodes(const Bytes& b)
{
    M m;
    return m.decode(b);
}

bool decodesReport(uint8_t kind, const Bytes& b)
{
    m6c::TagReport r;
    r.kind = kind;
    return r.decode(b);
}

bool same(const Frame& a, const Frame& b)
{
    return a.seq == b.seq && a.cmd == b.cmd && a.status == b.status && a.payload == b.payload;
}

// The resync rule written plainly, over a whole stream at once: a CRC per candidate.
std::vector<Frame> decodeDirectly(const Bytes& s)
{
    std::vector<Frame> out;
    size_t pos = 0;
    for (;;) {
        while (pos < s.size() && s[pos] != kStartByte)
            ++pos;
        if (s.size() - pos < kHeaderSize)
            return out;
        const uint8_t* h = s.data() + pos;
        const size_t n = (size_t(h[1]) << 8) | h[2];
        if (headerCheck(h) != h[6] || n > kMaxPayload) {
            ++pos;
            continue;
        }
        if (s.size() - pos < kOverhead + n)
            return out;
        if (crc16(h + 1, kHeaderSize - 1 + n) != ((h[kHeaderSize + n] << 8) | h[kHeaderSize + n + 1])) {
            ++pos;
            continue;
        }
        out.push_back(Frame{h[3], h[4], h[5], Bytes(h + kHeaderSize, h + kHeaderSize + n)});
        pos += kOverhead + n;
    }
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

    // Headers of fake maximum-length frames cannot hide a real frame, nor tear one apart.
    void fakeMaximumLengthHeaders_data()
    {
        QTest::addColumn<int>("fakes");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<bool>("inside"); // the fakes and the frame ride inside a real maximum-length frame
        QTest::newRow("300 kB of fakes, then the frame") << 300 * 1024 / 7 << 4096 << false;
        QTest::newRow("byte by byte") << 3000 << 1 << false;
        QTest::newRow("inside a real frame") << 1000 << 997 << true;
    }
    void fakeMaximumLengthHeaders()
    {
        QFETCH(int, fakes);
        QFETCH(int, chunk);
        QFETCH(bool, inside);
        Bytes fake{kStartByte, 0x24, 0x00, 0, 0, 0, 0};
        fake[6] = headerCheck(fake.data());
        const Frame real = makeFrame(9, cmd::Ping, {1, 2, 3});
        Bytes stream;
        for (int i = 0; i < fakes; ++i)
            stream.insert(stream.end(), fake.begin(), fake.end());
        const Bytes r = encode(real);
        stream.insert(stream.end(), r.begin(), r.end());
        Frame outer = makeFrame(10, cmd::ReadUser, {});
        if (inside) {
            stream.resize(kMaxPayload, 0);
            outer.payload = stream;
            stream = encode(outer);
        }
        // A peer that goes on talking: the last fakes are settled only by what follows them.
        stream.resize(stream.size() + kMaxFrame, 0);

        Decoder d;
        std::vector<Frame> got;
        for (size_t off = 0; off < stream.size(); off += size_t(chunk)) {
            d.feed(stream.data() + off, std::min(size_t(chunk), stream.size() - off));
            auto part = drain(d);
            got.insert(got.end(), part.begin(), part.end());
        }
        QCOMPARE(got.size(), size_t(1));
        QVERIFY(same(got[0], inside ? outer : real));
        QCOMPARE(d.framesDropped(), inside ? uint64_t(0) : uint64_t(fakes));
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

    void randomNoiseBetweenFramesLosesNothing_data()
    {
        QTest::addColumn<int>("maxPayload");
        QTest::newRow("reports") << 40;
        QTest::newRow("large answers") << 3000;
    }
    void randomNoiseBetweenFramesLosesNothing()
    {
        QFETCH(int, maxPayload);
        std::mt19937 rng(42);
        std::vector<uint8_t> stream;
        std::vector<Frame> sent;
        for (int i = 0; i < 500; ++i) {
            int noise = int(rng() % 20);
            for (int k = 0; k < noise; ++k)
                stream.push_back(uint8_t(rng()));
            std::vector<uint8_t> p(rng() % unsigned(maxPayload));
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

    // Layouts as docs/protocol.md gives them, byte for byte, both ways.
    void messagesEncodeAsDocumented()
    {
        m6c::TagLockRequest lock;
        lock.antenna = 1;
        lock.password = 0x11223344;
        lock.area = 3;
        m6c::WriteUserRequest write;
        write.antenna = 1;
        write.password = 0xAABBCCDD;
        write.startWord = 2;
        write.timeMs = 1000;
        write.data = {0xDE, 0xAD, 0xBE, 0xEF};
        m6c::ParmOpRequest parmWrite;
        parmWrite.op = 1;
        parmWrite.address = 160;
        parmWrite.data = {0x1A};
        m6c::ParmOpRequest parmRead;
        parmRead.op = 2;
        parmRead.count = 4;
        m6c::TagSelectRequest select;
        select.bank = 1;
        select.startBits = 0x10;
        select.lengthBits = 0x18;
        select.mask = {0x30, 0x14, 0x99};
        select.reserved = {7, 8, 9};
        m6c::UpdateRequest update;
        update.kind = 2;
        update.size = 700;
        update.checksum = 0x89A1897F;
        update.name = "fw";
        m6c::TagKillRequest kill;
        kill.antenna = 2;
        kill.killPassword = 0x01020304;
        kill.epc = {0xAB, 0xCD};
        m6c::FrequencySetRequest points;
        points.points = {3, 0, 7};
        m6c::InventoryRequest inventory;
        inventory.preRead = 0x01020304;
        m6c::PasswordSetRequest password;
        password.antenna = 1;
        password.oldPassword = 1;
        password.newPassword = 0xFFFFFFFF;
        m6c::UserWords words;
        words.data = {1, 2, 3, 4};
        m6c::FlashCountAnswer flash;
        flash.count = 8;
        m6c::TagReport both;
        both.kind = cmd::ReportEpcTid;
        both.sequence = 5;
        both.antenna = 2;
        const Bytes epc{0xAB, 0xCD}, tid{0xE2};
        both.epc = epc;
        both.tid = tid;
        m6c::TagReport tidOnly = both;
        tidOnly.kind = cmd::ReportTid;
        m6c::HeartbeatReport beat;
        beat.lastReportSequence = 7;
        beat.uptimeSeconds = 0x0100;
        m6c::IoEventReport io;
        io.inputs = 2;
        io.clock = {0x30, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16};

        const Layout table[] = {
            layout("TagLock", lock, {1, 0x11, 0x22, 0x33, 0x44, 0, 3}),
            layout("WriteUser", write,
                   {1, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0, 2, 0, 0, 0x03, 0xE8, 0, 2, 0xDE, 0xAD, 0xBE, 0xEF}),
            layout("ParmOp write", parmWrite, {1, 160, 1, 0x1A}),
            layout("ParmOp read", parmRead, {2, 0, 4}),
            layout("TagSelect", select, {1, 0, 0x10, 0, 0x18, 3, 0x30, 0x14, 0x99, 7, 8, 9}),
            layout("Updata", update, {2, 0, 0, 0x02, 0xBC, 0x89, 0xA1, 0x89, 0x7F, 2, 'f', 'w'}),
            layout("TagKill", kill, {2, 1, 2, 3, 4, 2, 0xAB, 0xCD}),
            layout("RfSet", points, {0, 3, 3, 0, 7}),
            layout("ReadEpc", inventory, {0, 1, 1, 2, 3, 4}),
            layout("AccessPwdSet", password, {1, 0, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}),
            layout("Hello answer", m6c::HelloAnswer(), {kProtocolVersion, kFamily6C}),
            layout("ReadUser answer", words, {0, 2, 1, 2, 3, 4}),
            layout("FlashCount answer", flash, {0, 0, 0, 8, 0, 0, 0}),
            layout("ReportEpcTid", both, {0, 0, 0, 5, 2, 2, 0xAB, 0xCD, 1, 0xE2}),
            layout("ReportTid", tidOnly, {0, 0, 0, 5, 2, 1, 0xE2}),
            layout("Heartbeat", beat, {0, 0, 0, 7, 0, 0, 1, 0}),
            layout("IoEvent", io, {2, 0, 0x30, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16}),
        };
        for (const Layout& l : table) {
            QVERIFY2(l.encode() == l.wire, l.name);
            QVERIFY2(l.reencode(l.wire) == l.wire, l.name);
        }
    }

    // What each decoder refuses: too short for its fields, or longer where the length is the layout.
    void decodersRefuseWhatDoesNotFit()
    {
        struct Row
        {
            const char* name;
            std::function<bool(const Bytes&)> decode;
            Bytes payload;
            bool accepted;
        } table[] = {
            {"type query empty", decodes<m6c::TypeRequest>, {}, false},
            {"type query with more", decodes<m6c::TypeRequest>, {1, 2, 3}, true},
            {"parm write count short", decodes<m6c::ParmOpRequest>, {1, 0, 2, 0xAA}, false},
            {"parm write count long", decodes<m6c::ParmOpRequest>, {1, 0, 1, 0xAA, 0xBB}, false},
            {"parm read needs count", decodes<m6c::ParmOpRequest>, {2, 0}, false},
            {"parm unknown op keeps", decodes<m6c::ParmOpRequest>, {9, 0, 0, 1}, true},
            {"clock 6 bytes", decodes<m6c::ClockRecord>, Bytes(6, 0x11), false},
            {"clock 8 bytes", decodes<m6c::ClockRecord>, Bytes(8, 0x11), false},
            {"update name short",
             decodes<m6c::UpdateRequest>,
             {0, 0, 0, 0, 1, 0, 0, 0, 0, 3, 'a', 'b'},
             false},
            {"update name long",
             decodes<m6c::UpdateRequest>,
             {0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 'a', 'b'},
             false},
            {"rf set count short", decodes<m6c::FrequencySetRequest>, {0, 3, 1, 2}, false},
            {"select mask beyond", decodes<m6c::TagSelectRequest>, {1, 0, 0, 0, 8, 2, 0xAA}, false},
            {"select without reserved", decodes<m6c::TagSelectRequest>, {1, 0, 0, 0, 8, 1, 0xAA}, true},
            {"read user 8 bytes", decodes<m6c::ReadUserRequest>, Bytes(8, 0), false},
            {"write user words short",
             decodes<m6c::WriteUserRequest>,
             {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 3},
             false},
            {"write user words long",
             decodes<m6c::WriteUserRequest>,
             {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3},
             false},
            {"write epc count long", decodes<m6c::WriteEpcRequest>, {1, 0, 0, 0, 0, 0, 1, 0xAA, 0xBB}, false},
            {"kill epc count short", decodes<m6c::TagKillRequest>, {1, 0, 0, 0, 0, 2, 0xAA}, false},
            {"lock 6 bytes", decodes<m6c::TagLockRequest>, Bytes(6, 0), false},
            {"password 9 bytes", decodes<m6c::PasswordSetRequest>, Bytes(9, 0), false},
            {"inventory 5 bytes", decodes<m6c::InventoryRequest>, Bytes(5, 0), false},
            {"hello answer 1 byte", decodes<m6c::HelloAnswer>, {1}, false},
            {"antenna answer 2", decodes<m6c::AntennaAnswer>, {1, 2}, false},
            {"antenna answer 4", decodes<m6c::AntennaAnswer>, {1, 2, 3, 4}, false},
            {"io state 3", decodes<m6c::IoStateAnswer>, {1, 2, 3}, false},
            {"byte answer empty", decodes<m6c::ByteAnswer>, {}, false},
            {"user words odd", decodes<m6c::UserWords>, {0, 1, 0xAA}, false},
            {"user words extra", decodes<m6c::UserWords>, {0, 1, 0xAA, 0xBB, 0xCC}, false},
            {"written answer 3", decodes<m6c::WrittenAnswer>, {0, 1, 0}, false},
            {"flash count short", decodes<m6c::FlashCountAnswer>, {0, 0, 0, 8}, false},
            {"epc report 5",
             [](const Bytes& b) { return decodesReport(cmd::ReportEpc, b); },
             {0, 0, 0, 1, 1},
             false},
            {"epc report field beyond",
             [](const Bytes& b) { return decodesReport(cmd::ReportEpc, b); },
             {0, 0, 0, 1, 1, 3, 0xAA, 0xBB},
             false},
            {"epc+tid report tid missing",
             [](const Bytes& b) { return decodesReport(cmd::ReportEpcTid, b); },
             {0, 0, 0, 1, 1, 1, 0xAA},
             false},
            {"tid report",
             [](const Bytes& b) { return decodesReport(cmd::ReportTid, b); },
             {0, 0, 0, 1, 1, 1, 0xE2},
             true},
            {"not a report",
             [](const Bytes& b) { return decodesReport(cmd::Heartbeat, b); },
             {0, 0, 0, 1, 1, 1, 0xE2},
             false},
        };
        for (const Row& r : table)
            QVERIFY2(r.decode(r.payload) == r.accepted, r.name);
    }

    void countedFieldIsCutNotMisframed()
    {
        m6c::TagReport r;
        const Bytes big(300, 0x5A);
        r.epc = big;
        const Bytes p = r.encoded();
        QCOMPARE(p.size(), size_t(4 + 1 + 1 + 255));
        m6c::TagReport back;
        QVERIFY(back.decode(p));
        QCOMPARE(back.epc.size, size_t(255));
    }

    // Frames, damaged frames, headers of fake frames long and short, and noise, in pieces of any size:
    // the decoder finds what the plain rule finds.
    void decodesAsThePlainRule()
    {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            std::mt19937 rng(seed);
            Bytes stream;
            for (int i = 0; i < 60; ++i) {
                Bytes p(rng() % (rng() % 4 == 0 ? 3000 : 60));
                for (auto& b : p)
                    b = uint8_t(rng() % 3 == 0 ? kStartByte : rng());
                Bytes e = encode(makeFrame(uint8_t(i), cmd::ReportEpc, p));
                switch (rng() % 4) {
                case 0: // damaged
                    e[rng() % e.size()] ^= uint8_t(1 + rng() % 255);
                    break;
                case 1: // a header of a fake frame of any length, then the real one
                {
                    const size_t n = rng() % (kMaxPayload + 1);
                    Bytes fake{kStartByte, uint8_t(n >> 8), uint8_t(n), 1, 2, 3, 0};
                    fake[6] = headerCheck(fake.data());
                    e.insert(e.begin(), fake.begin(), fake.end());
                    break;
                }
                default:
                    break;
                }
                stream.insert(stream.end(), e.begin(), e.end());
                for (unsigned k = rng() % 8; k > 0; --k)
                    stream.push_back(uint8_t(rng()));
            }
            Decoder d;
            std::vector<Frame> got;
            for (size_t off = 0; off < stream.size();) {
                const size_t n = std::min(stream.size() - off, size_t(1 + rng() % 20000));
                d.feed(stream.data() + off, n);
                off += n;
                auto part = drain(d);
                got.insert(got.end(), part.begin(), part.end());
            }
            const std::vector<Frame> want = decodeDirectly(stream);
            QCOMPARE(got.size(), want.size());
            for (size_t k = 0; k < got.size(); ++k)
                QVERIFY2(same(got[k], want[k]), qPrintable(QString("seed %1 frame %2").arg(seed).arg(k)));
        }
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
