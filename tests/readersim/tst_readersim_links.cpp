// The simulator in-process, driven over its real endpoints by a bare protocol client.
#include "rawclient.h"
#include "readersim/simulator.h"

#include <QtTest>

#include <map>
#include <thread>

using Bytes = std::vector<uint8_t>;
namespace cmd = wire::cmd;
namespace st = wire::status;

namespace {

readersim::Options tcpOptions(int tags = 20, double rate = 0)
{
    readersim::Options o;
    o.tags = tags;
    o.rate = rate;
    o.heartbeatMs = 0; // tests that count frames do not want them
    return o;
}

Bytes pwd(uint32_t p)
{
    return {uint8_t(p >> 24), uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes r;
    for (const Bytes& p : parts) {
        r.insert(r.end(), p.begin(), p.end());
    }
    return r;
}

Bytes selectEpc(const Bytes& epc)
{
    uint16_t bits = uint16_t(epc.size() * 8);
    return cat({{1, 0, 0, uint8_t(bits >> 8), uint8_t(bits), uint8_t(epc.size())}, epc, {0, 0, 0}});
}

// Reads reports until `count` arrived or the answer to (seq, cmd) came; returns false on timeout.
struct ReportTally
{
    std::map<std::pair<Bytes, int>, uint64_t> perTagAntenna; // (EPC, antenna) -> reports
    uint64_t total = 0;
    uint32_t lastSeq = 0;
    bool seqContiguous = true;
    bool tidPresent = true;

    void add(const wire::Frame& f)
    {
        if (f.cmd != cmd::ReportEpc && f.cmd != cmd::ReportTid && f.cmd != cmd::ReportEpcTid) {
            return;
        }
        const Bytes& p = f.payload;
        uint32_t seq = wire::getU32(p.data());
        if (seq != lastSeq + 1) {
            seqContiguous = false;
        }
        lastSeq = seq;
        int antenna = p[4];
        size_t n = p[5];
        Bytes epc(p.begin() + 6, p.begin() + 6 + long(n));
        if (f.cmd == cmd::ReportEpcTid) {
            size_t nt = p[6 + n];
            tidPresent = tidPresent && nt == 12 && p.size() == 7 + n + nt && p[7 + n] == 0xE2;
        }
        ++perTagAntenna[{epc, antenna}];
        ++total;
    }
};

// Answers every line with "+OK " and the line; "BIG" with 3000 bytes, more than one frame holds.
class EchoModule : public readersim::PassThroughModule
{
public:
    bool enter(uint8_t mode) override { return mode == 0; }
    void received(const std::vector<uint8_t>& bytes, readersim::RawLink& back) override
    {
        if (bytes == Bytes{'B', 'I', 'G'}) {
            back.send(Bytes(3000, 'x'));
            return;
        }
        back.send(cat({{'+', 'O', 'K', ' '}, bytes}));
    }
};

// The RawData bytes that came with or before the answer to the last request.
Bytes rawBytes(RawClient& c)
{
    Bytes all;
    for (const wire::Frame& f : c.unsolicited) {
        if (f.cmd == cmd::RawData) {
            if (f.payload.empty() || f.payload.size() > 1024) {
                return {};
            }
            all.insert(all.end(), f.payload.begin(), f.payload.end());
        }
    }
    c.unsolicited.clear();
    return all;
}

} // namespace

class TstReadersimLinks : public QObject
{
    Q_OBJECT

private slots:
    void start_refusesAddressesOutsideLoopback();
    void parseHostPort_cases();
    void tcp_answersQueriesAndRefusals();
    void tcp_tagOperationsChangeTheModel();
    void tcp_garbageIsSkippedAndNextFrameAnswered();
    void inventory_reportsMatchTheCounts();
    void inventory_rateIsPaced();
    void inventory_endsWithItsLink();
    void inventory_pausesForAClientThatDoesNotRead();
    void udp_retryIsAnsweredFromTheCache();
    void udp_reportsGoToTheStartingPeer();
    void pty_servesASerialClientAndHangsUpOnCut();
    void heartbeatAndIoEvents_followTheSession();
    void faults_latencyDelaysAnswers();
    void faults_droppedAnswerRecoversOnRetry();
    void faults_corruptAnswersFailTheCheck();
    void faults_cutAfterClosesOnceThenReconnects();
    void reboot_dropsLinksKeepsSettings();
    void passThrough_reachesAFittedModule();
};

void TstReadersimLinks::start_refusesAddressesOutsideLoopback()
{
    for (const char* host : {"10.0.0.1", "0.0.0.0", "192.168.1.5", "not-an-address"}) {
        readersim::Options o;
        o.tcpHost = host;
        readersim::Simulator sim(o);
        std::string err;
        QVERIFY2(!sim.start(&err), host);
        QVERIFY(!err.empty());
    }
    readersim::Options o;
    o.udp = true;
    o.udpHost = "8.8.8.8";
    readersim::Simulator sim(o);
    QVERIFY(!sim.start());
    QVERIFY(!sim.running());

    readersim::Options noFamily;
    noFamily.family = "nosuch";
    readersim::Simulator unknown(noFamily);
    std::string error;
    QVERIFY(!unknown.start(&error));
    QVERIFY2(error.find("nosuch") != std::string::npos, error.c_str());

    readersim::Options ok;
    ok.tcpHost = "127.0.0.2";
    readersim::Simulator sim2(ok);
    QVERIFY(sim2.start());
    QVERIFY(sim2.tcpPort() > 0);
}

void TstReadersimLinks::parseHostPort_cases()
{
    std::string host;
    int port = -1;
    QVERIFY(readersim::parseHostPort("127.0.0.1:0", &host, &port));
    QCOMPARE(host, std::string("127.0.0.1"));
    QCOMPARE(port, 0);
    QVERIFY(readersim::parseHostPort("localhost:4001", &host, &port));
    QCOMPARE(port, 4001);
    for (const char* bad : {"127.0.0.1", "127.0.0.1:", ":80", "127.0.0.1:65536", "127.0.0.1:-1", "h:12ab"}) {
        QVERIFY2(!readersim::parseHostPort(bad, &host, &port), bad);
    }
    QVERIFY(readersim::isLoopbackAddress("127.255.0.1"));
    QVERIFY(!readersim::isLoopbackAddress("128.0.0.1"));
}

void TstReadersimLinks::tcp_answersQueriesAndRefusals()
{
    readersim::Simulator sim(tcpOptions());
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    Bytes out;
    QCOMPARE(c.status(cmd::Hello, {1}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({wire::kProtocolVersion, wire::kFamily6C}));
    QCOMPARE(c.status(cmd::SysInfQuery, {0}, &out), int(st::Ok));
    QCOMPARE(std::string(out.begin(), out.end()), std::string("READER01"));
    QCOMPARE(c.status(cmd::ParmOp, {2, 239, 1}, &out), int(st::Ok));
    QCOMPARE(out, Bytes{0x91});
    QCOMPARE(c.status(cmd::ParmOp, {1, 160, 1, 0x1A}), int(st::Ok));
    QCOMPARE(sim.model().parmByte(160), uint8_t(0x1A));
    QCOMPARE(c.status(cmd::ParmOp, {1, 160, 2, 0x1A}), int(st::BadLength));
    QCOMPARE(c.status(cmd::AntennaQuery, {2}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({1, 10, 1}));
    QCOMPARE(c.status(cmd::RfSet, {0, 3, 3, 0, 7}), int(st::Ok));
    QCOMPARE(c.status(cmd::RfQuery, {0}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({3, 0, 7}));
    QCOMPARE(c.status(cmd::RfSet, {0, 3, 3, 0}), int(st::BadLength));
    QCOMPARE(c.status(cmd::TimeQuery, {}, &out), int(st::Ok));
    QCOMPARE(out.size(), size_t(7));
    QCOMPARE(c.status(cmd::FlashCount, {}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({0, 0, 0, 8, 0, 0, 0}));
    QCOMPARE(c.status(cmd::NetQuery, {4}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({0x0F, 0xA2}));
    QCOMPARE(c.status(cmd::Ping, {9, 8, 7}, &out), int(st::Ok));
    QCOMPARE(out, Bytes({9, 8, 7}));

    QCOMPARE(c.status(0x7E), int(st::UnsupportedCommand));
    QCOMPARE(c.status(cmd::SysInfQuery, {}), int(st::BadLength));
    QCOMPARE(c.status(cmd::SysInfSet, {3, 'x'}), int(st::BadParameter));
    QCOMPARE(c.status(cmd::TimeSet, {0x1A, 0, 0, 1, 1, 1, 0x16}), int(st::BadParameter));
    QCOMPARE(c.status(cmd::EnterTrans, {0}), int(st::NoModule));
    QCOMPARE(c.status(cmd::RawSend, {'+', '+', '+'}), int(st::NoModule));
    // A refusal carries no payload.
    wire::Frame a;
    QVERIFY(c.request(cmd::CommQuery, {0x33}, a));
    QCOMPARE(int(a.status), int(st::BadParameter));
    QVERIFY(a.payload.empty());
}

void TstReadersimLinks::tcp_tagOperationsChangeTheModel()
{
    readersim::Simulator sim(tcpOptions(10));
    QVERIFY(sim.start());
    auto& m = sim.model();
    const Bytes epc3 = m.tag(3).epc;
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));

    QCOMPARE(c.status(cmd::TagSelect, selectEpc(epc3)), int(st::Ok));
    QCOMPARE(m.targetTag(1), 3);
    // Length beyond 8 n bits is refused.
    QCOMPARE(c.status(cmd::TagSelect, {1, 0, 0, 0, 17, 2, 0xAA, 0xBB, 0, 0, 0}), int(st::BadParameter));

    Bytes out;
    const Bytes data = {0xCA, 0xFE, 0xBA, 0xBE};
    QCOMPARE(c.status(cmd::WriteUser, cat({{1, 0}, pwd(0), {0, 4}, {0, 0, 0x0B, 0xB8}, {0, 2}, data}), &out),
             int(st::Ok));
    QCOMPARE(out, Bytes({0, 2}));
    const Bytes user = m.tag(3).user;
    QCOMPARE(Bytes(user.begin() + 8, user.begin() + 12), data);
    QCOMPARE(c.status(cmd::ReadUser, {1, 0, 4, 0, 2, 0, 0, 0x0B, 0xB8}, &out), int(st::Ok));
    QCOMPARE(out, cat({{0, 2}, data}));
    QCOMPARE(c.status(cmd::ReadUser, {1, 0, 31, 0, 2, 0, 0, 0x0B, 0xB8}), int(st::MemoryOverrun));
    QCOMPARE(c.status(cmd::WriteUser, cat({{1, 0}, pwd(0), {0, 4}, {0, 0, 0, 0}, {0, 3}, data})),
             int(st::BadLength));

    const uint32_t access = 0x01020304;
    QCOMPARE(c.status(cmd::AccessPwdSet, cat({{1, 0}, pwd(0), pwd(access)})), int(st::Ok));
    QCOMPARE(m.tag(3).accessPassword, access);
    QCOMPARE(c.status(cmd::TagLock, cat({{1}, pwd(0), {0, 3}})), int(st::WrongPassword));
    QCOMPARE(c.status(cmd::TagLock, cat({{1}, pwd(access), {0, 3}})), int(st::Ok));
    QCOMPARE(c.status(cmd::WriteUser, cat({{1, 0}, pwd(0), {0, 0}, {0, 0, 0, 0}, {0, 1}, {1, 1}})),
             int(st::MemoryLocked));
    QCOMPARE(c.status(cmd::WriteUser, cat({{1, 0}, pwd(access + 1), {0, 0}, {0, 0, 0, 0}, {0, 1}, {1, 1}})),
             int(st::WrongPassword));
    QCOMPARE(c.status(cmd::WriteUser, cat({{1, 0}, pwd(access), {0, 0}, {0, 0, 0, 0}, {0, 1}, {1, 1}})),
             int(st::Ok));

    const Bytes newEpc = {0xEE, 0x01, 0x02, 0x03};
    QCOMPARE(c.status(cmd::WriteEpc, cat({{1, 0}, pwd(0), {4}, newEpc})), int(st::Ok));
    QCOMPARE(m.tag(3).epc, newEpc);
    QCOMPARE(c.status(cmd::WriteEpc, cat({{1, 0}, pwd(0), {3, 1, 2, 3}})), int(st::BadParameter));

    // The select named the old EPC: nothing matches it any more.
    QCOMPARE(c.status(cmd::KillPwdSet, cat({{1, 0}, pwd(0), pwd(0x55AA55AA)})), int(st::TagNotFound));
    QCOMPARE(c.status(cmd::TagSelect, selectEpc(newEpc)), int(st::Ok));
    QCOMPARE(c.status(cmd::KillPwdSet, cat({{1, 0}, pwd(0), pwd(0x55AA55AA)})), int(st::Ok));
    QCOMPARE(c.status(cmd::TagKill, cat({{1}, pwd(0x55AA55AB), {4}, newEpc})), int(st::WrongPassword));
    QCOMPARE(c.status(cmd::TagKill, cat({{1}, pwd(0x55AA55AA), {4}, newEpc})), int(st::Ok));
    QVERIFY(m.tag(3).killed);
    QCOMPARE(c.status(cmd::ReadUser, {1, 0, 0, 0, 1, 0, 0, 0, 100}), int(st::TagNotFound));
    QCOMPARE(c.status(cmd::TagKill, cat({{1}, pwd(0x55AA55AA), {4}, newEpc})), int(st::TagNotFound));
}

void TstReadersimLinks::tcp_garbageIsSkippedAndNextFrameAnswered()
{
    readersim::Simulator sim(tcpOptions());
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    wire::Frame f;
    f.seq = 9;
    f.cmd = cmd::Ping;
    f.payload = {1, 2, 3};
    Bytes damaged = wire::encode(f);
    damaged[8] ^= 0x40;
    f.seq = 10;
    Bytes good = wire::encode(f);
    Bytes stream = cat({{0x00, 0xA5, 0xA5, 0x13}, damaged, {0xA5}, good});
    // In pieces, as a stream may arrive.
    for (size_t i = 0; i < stream.size(); i += 5) {
        QVERIFY(c.sendRaw(
            Bytes(stream.begin() + long(i), stream.begin() + long(std::min(i + 5, stream.size())))));
    }
    wire::Frame a;
    QVERIFY(c.awaitAnswer(10, cmd::Ping, a, 2000));
    QCOMPARE(a.payload, Bytes({1, 2, 3}));
    QVERIFY(!c.next(a, 100)); // nothing for the damaged frame
    QVERIFY(sim.stats().badFrames >= 1);
}

void TstReadersimLinks::inventory_reportsMatchTheCounts()
{
    readersim::Simulator sim(tcpOptions(30, 0));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QCOMPARE(c.status(cmd::Hello, {1}), int(st::Ok));
    QCOMPARE(c.status(cmd::ReadEpcTid, {0, 1, 0, 0, 0, 30}), int(st::Ok));
    ReportTally tally;
    for (const wire::Frame& f : c.unsolicited) {
        tally.add(f);
    }
    wire::Frame f;
    while (tally.total < 20000 && c.next(f, 2000)) {
        tally.add(f);
    }
    QVERIFY(tally.total >= 20000);
    const uint8_t stopSeq = c.nextSeq();
    QVERIFY(c.send(stopSeq, cmd::PowerOff));
    for (;;) {
        QVERIFY(c.next(f, 2000));
        if (f.seq == stopSeq && f.cmd == cmd::PowerOff) {
            break;
        }
        tally.add(f);
    }
    // Nothing after the stop answer.
    QVERIFY(!c.next(f, 200));
    QVERIFY(tally.seqContiguous);
    QVERIFY(tally.tidPresent);
    QCOMPARE(tally.lastSeq, uint32_t(tally.total));
    QCOMPARE(sim.reportsSent(), tally.total);

    auto& m = sim.model();
    uint64_t perAntenna[5] = {};
    for (size_t i = 0; i < m.tagCount(); ++i) {
        const readersim::Tag t = m.tag(i);
        for (int a = 1; a <= 4; ++a) {
            const auto it = tally.perTagAntenna.find({t.epc, a});
            const uint64_t got = it == tally.perTagAntenna.end() ? 0 : it->second;
            QCOMPARE(got, t.reports[size_t(a)]);
            perAntenna[a] += got;
        }
    }
    for (int a = 1; a <= 4; ++a) {
        QCOMPARE(sim.reportsSent(a), perAntenna[a]);
        QVERIFY(perAntenna[a] > 0);
    }

    // A second run continues the session's report numbers.
    QCOMPARE(c.status(cmd::ReadEpc, {2, 1, 0, 0, 0, 0}), int(st::Ok));
    QVERIFY(c.next(f, 2000));
    QCOMPARE(int(f.cmd), int(cmd::ReportEpc));
    QCOMPARE(wire::getU32(f.payload.data()), tally.lastSeq + 1);
    QCOMPARE(int(f.payload[4]), 2);
}

void TstReadersimLinks::inventory_rateIsPaced()
{
    readersim::Simulator sim(tcpOptions(5, 200));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QElapsedTimer t;
    t.start();
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    QTRY_VERIFY(sim.reportsSent() >= 100);
    // 100 reports at 200 a second take half a second, less the few allowed at once; a loaded machine
    // can only make it longer.
    QVERIFY2(t.elapsed() >= 350, std::to_string(t.elapsed()).c_str());
    const uint64_t sent = sim.reportsSent();
    sim.setRate(0);
    QTRY_VERIFY_WITH_TIMEOUT(sim.reportsSent() > sent + 5000, 5000);
    QCOMPARE(c.status(cmd::PowerOff), int(st::Ok));
}

void TstReadersimLinks::inventory_endsWithItsLink()
{
    readersim::Simulator sim(tcpOptions(5, 1000));
    QVERIFY(sim.start());
    RawClient a, b;
    QVERIFY(a.connectTcp(sim.tcpPort()));
    QVERIFY(b.connectTcp(sim.tcpPort()));
    QVERIFY(sim.waitForClients(2, 2000));
    QCOMPARE(a.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    wire::Frame f;
    QVERIFY(a.next(f, 2000));
    // Reports go to the link that started, not to the other client.
    QCOMPARE(b.status(cmd::SysInfQuery, {1}), int(st::Ok));
    QVERIFY(b.unsolicited.empty());
    QVERIFY(!b.next(f, 100));
    QVERIFY(sim.model().inventory().running);
    a.close();
    QTRY_VERIFY(!sim.model().inventory().running);
    QTRY_COMPARE(sim.tcpClients(), 1);
    // The other client may start its own.
    QCOMPARE(b.status(cmd::ReadTid, {0, 1, 0, 0, 0, 1}), int(st::Ok));
    QVERIFY(b.next(f, 2000));
    QCOMPARE(int(f.cmd), int(cmd::ReportTid));
}

void TstReadersimLinks::inventory_pausesForAClientThatDoesNotRead()
{
    readersim::Simulator sim(tcpOptions(50, 0));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QCOMPARE(c.status(cmd::ReadEpc, {0, 1, 0, 0, 0, 1}), int(st::Ok));
    // Not reading: the socket buffers and the simulator's queue fill, then generation waits.
    uint64_t before = 0;
    QTRY_VERIFY_WITH_TIMEOUT((before = sim.reportsSent(), QTest::qWait(200), sim.reportsSent() == before),
                             10000);
    QVERIFY(before > 1000);
    QVERIFY(before < 2000000); // bounded, not the millions a second it makes when drained
    // Reading again resumes it, and nothing was lost or doubled on the way.
    ReportTally tally;
    wire::Frame f;
    while (tally.total < before + 1000 && c.next(f, 2000)) {
        tally.add(f);
    }
    QVERIFY(tally.total >= before + 1000);
    QVERIFY(tally.seqContiguous);
}

void TstReadersimLinks::udp_retryIsAnsweredFromTheCache()
{
    readersim::Options o = tcpOptions(4);
    o.tcp = false;
    o.udp = true;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    QVERIFY(sim.udpPort() > 0);
    RawClient c;
    QVERIFY(c.openUdp(sim.udpPort()));
    // Not idempotent: done twice, the second would find the old password wrong.
    const Bytes change = cat({{1, 0}, pwd(0), pwd(0x0A0B0C0D)});
    QVERIFY(c.send(42, cmd::AccessPwdSet, change));
    QVERIFY(c.send(42, cmd::AccessPwdSet, change));
    wire::Frame a1, a2;
    QVERIFY(c.awaitAnswer(42, cmd::AccessPwdSet, a1, 2000));
    QVERIFY(c.awaitAnswer(42, cmd::AccessPwdSet, a2, 2000));
    QCOMPARE(int(a1.status), int(st::Ok));
    QCOMPARE(int(a2.status), int(st::Ok));
    QCOMPARE(sim.stats().duplicateRequests, uint64_t(1));
    QCOMPARE(sim.model().tag(0).accessPassword, 0x0A0B0C0Du);
    // The same seq with another command is a new request.
    QVERIFY(c.send(42, cmd::AccessPwdSet + 1, cat({{1, 0}, pwd(0), pwd(1)})));
    QVERIFY(c.awaitAnswer(42, cmd::AccessPwdSet + 1, a1, 2000));
    QCOMPARE(int(a1.status), int(st::Ok));
    QCOMPARE(sim.model().tag(0).killPassword, 1u);
    // A datagram that is not exactly one frame is dropped.
    Bytes two =
        cat({wire::encode(wire::Frame{1, cmd::Ping, 0, {}}), wire::encode(wire::Frame{2, cmd::Ping, 0, {}})});
    QVERIFY(c.sendRaw(two));
    QVERIFY(!c.next(a1, 200));
    QTRY_COMPARE(sim.stats().badFrames, uint64_t(1));
}

void TstReadersimLinks::udp_reportsGoToTheStartingPeer()
{
    readersim::Options o = tcpOptions(3, 500);
    o.udp = true;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    RawClient a, b;
    QVERIFY(a.openUdp(sim.udpPort()));
    QVERIFY(b.openUdp(sim.udpPort()));
    QCOMPARE(a.status(cmd::Hello, {1}), int(st::Ok));
    QCOMPARE(b.status(cmd::Hello, {1}), int(st::Ok));
    QCOMPARE(a.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    wire::Frame f;
    QVERIFY(a.next(f, 2000));
    QCOMPARE(int(f.cmd), int(cmd::ReportEpc));
    QCOMPARE(wire::getU32(f.payload.data()), 1u);
    QVERIFY(!b.next(f, 100));
    // Bye forgets the peer and ends its inventory.
    QCOMPARE(a.status(cmd::Bye), int(st::Ok));
    QTRY_VERIFY(!sim.model().inventory().running);
}

void TstReadersimLinks::pty_servesASerialClientAndHangsUpOnCut()
{
    readersim::Options o = tcpOptions(5, 0);
    o.tcp = false;
    o.pty = true;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    const std::string path = sim.ptyPath();
    QVERIFY(path.rfind("/dev/", 0) == 0);
    RawClient c;
    QVERIFY(c.openSerial(path));
    Bytes out;
    QCOMPARE(c.status(cmd::Hello, {1}, &out), int(st::Ok));
    QCOMPARE(c.status(cmd::SysInfQuery, {2}, &out), int(st::Ok));
    QCOMPARE(std::string(out.begin(), out.end()), std::string("SN000001"));
    // Bytes that a line discipline would alter (CR, LF, ^C, ^S, DEL) must pass unchanged.
    const Bytes awkward = {0x0D, 0x0A, 0x03, 0x13, 0x11, 0x7F, 0x00, 0x1C};
    QCOMPARE(c.status(cmd::Ping, awkward, &out), int(st::Ok));
    QCOMPARE(out, awkward);
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    ReportTally tally;
    wire::Frame f;
    while (tally.total < 2000 && c.next(f, 2000)) {
        tally.add(f);
    }
    QCOMPARE(tally.total, uint64_t(2000));
    QVERIFY(tally.seqContiguous);
    QCOMPARE(c.status(cmd::PowerOff), int(st::Ok));

    // A restart keeps the device and its name, and the reader answers again afterwards.
    QCOMPARE(c.status(cmd::Reboot, {0}), int(st::Ok));
    QTRY_COMPARE(sim.model().rebootCount(), 1);
    QCOMPARE(sim.ptyPath(), path);
    QVERIFY(!c.peerClosed());
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    QVERIFY(c.next(f, 2000));
    QCOMPARE(wire::getU32(f.payload.data()), 1u); // a new session's numbering
    QCOMPARE(c.status(cmd::PowerOff), int(st::Ok));

    // Pulling the cable: the device hangs up and a new one appears.
    sim.cutLinks();
    while (c.next(f, 1000)) {
    }
    QVERIFY(c.peerClosed());
    QTRY_VERIFY(sim.stats().linksCut == 1 && !sim.ptyPath().empty());
    RawClient again;
    QVERIFY(again.openSerial(sim.ptyPath()));
    QCOMPARE(again.status(cmd::Hello, {1}), int(st::Ok));
}

void TstReadersimLinks::heartbeatAndIoEvents_followTheSession()
{
    readersim::Options o = tcpOptions(2);
    o.heartbeatMs = 50;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    wire::Frame f;
    QVERIFY(!c.next(f, 200)); // no session yet
    QCOMPARE(c.status(cmd::Hello, {1}), int(st::Ok));
    QVERIFY(c.next(f, 1000));
    QCOMPARE(int(f.cmd), int(cmd::Heartbeat));
    QCOMPARE(f.payload.size(), size_t(8));
    QCOMPARE(wire::getU32(f.payload.data()), 0u);

    sim.model().setInputs(0x02);
    bool sawEvent = false;
    for (int i = 0; i < 20 && !sawEvent; ++i) {
        QVERIFY(c.next(f, 1000));
        if (f.cmd == cmd::IoEvent) {
            sawEvent = true;
            QCOMPARE(f.payload.size(), size_t(9));
            QCOMPARE(int(f.payload[0]), 2);
        }
    }
    QVERIFY(sawEvent);
    Bytes out;
    QCOMPARE(c.status(cmd::IoStateQuery, {}, &out), int(st::Ok));
    QCOMPARE(out[0], uint8_t(2));

    // Frames queued before the answer to Bye arrive before it; nothing follows it.
    QCOMPARE(c.status(cmd::Bye), int(st::Ok));
    QVERIFY(!c.next(f, 300));
}

void TstReadersimLinks::faults_latencyDelaysAnswers()
{
    readersim::Simulator sim(tcpOptions(5, 1000));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    sim.setLatencyMs(150);
    QElapsedTimer t;
    t.start();
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    QVERIFY(t.elapsed() >= 140);
    // No report overtakes the answer that started them.
    QVERIFY(c.unsolicited.empty());
    // Latency set back to 0 holds no more answers: a second client is answered well before an answer
    // held 5 s on the first would be.
    sim.setLatencyMs(5000);
    const uint64_t received = sim.stats().framesReceived;
    QVERIFY(c.send(c.nextSeq(), cmd::Ping));
    QTRY_COMPARE(sim.stats().framesReceived, received + 1);
    sim.setLatencyMs(0);
    RawClient d;
    QVERIFY(d.connectTcp(sim.tcpPort()));
    QCOMPARE(d.status(cmd::Ping), int(st::Ok));
}

void TstReadersimLinks::faults_droppedAnswerRecoversOnRetry()
{
    readersim::Simulator sim(tcpOptions(3, 2000));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    sim.setDropProbability(1.0);
    const Bytes change = cat({{1, 0}, pwd(0), pwd(77)});
    QVERIFY(c.send(7, cmd::AccessPwdSet, change));
    wire::Frame a;
    QVERIFY(!c.awaitAnswer(7, cmd::AccessPwdSet, a, 300));
    // Carried out although its answer was lost.
    QCOMPARE(sim.model().tag(0).accessPassword, 77u);
    QCOMPARE(sim.stats().answersDropped, uint64_t(1));
    sim.setDropProbability(0);
    QVERIFY(c.send(7, cmd::AccessPwdSet, change));
    QVERIFY(c.awaitAnswer(7, cmd::AccessPwdSet, a, 2000));
    QCOMPARE(int(a.status), int(st::Ok));
    QCOMPARE(sim.stats().duplicateRequests, uint64_t(1));

    // Reports are spared unless asked for.
    sim.setDropProbability(1.0);
    QVERIFY(c.send(8, cmd::ReadEpc, {1, 1, 0, 0, 0, 1}));
    QVERIFY(c.next(a, 2000));
    QCOMPARE(int(a.cmd), int(cmd::ReportEpc));
    sim.setFaultReports(true);
    uint32_t lastSeen = 0;
    while (c.next(a, 100)) {
        lastSeen = wire::getU32(a.payload.data());
    }
    const uint64_t before = sim.reportsSent();
    QTest::qWait(200);
    QCOMPARE(sim.reportsSent(), before); // dropped reports are not counted as sent
    sim.setDropProbability(0);
    QVERIFY(c.next(a, 2000));
    QCOMPARE(int(a.cmd), int(cmd::ReportEpc));
    QVERIFY(wire::getU32(a.payload.data()) > lastSeen + 100); // the gap shows the loss
}

void TstReadersimLinks::faults_corruptAnswersFailTheCheck()
{
    readersim::Simulator sim(tcpOptions(3));
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    sim.setCorruptProbability(1.0);
    for (uint8_t seq = 1; seq <= 20; ++seq) {
        QVERIFY(c.send(seq, cmd::SysInfQuery, {0}));
    }
    wire::Frame a;
    QVERIFY(!c.next(a, 300));
    QCOMPARE(sim.stats().framesCorrupted, uint64_t(20));
    sim.setCorruptProbability(0);
    QCOMPARE(c.status(cmd::SysInfQuery, {1}), int(st::Ok));
}

void TstReadersimLinks::faults_cutAfterClosesOnceThenReconnects()
{
    readersim::Options o = tcpOptions(3);
    o.cutAfter = 3;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    int answers = 0;
    for (int i = 0; i < 5; ++i) {
        wire::Frame a;
        if (c.request(cmd::Ping, {uint8_t(i)}, a, 500)) {
            ++answers;
        }
    }
    QCOMPARE(answers, 3);
    QVERIFY(c.peerClosed());
    QCOMPARE(sim.stats().linksCut, uint64_t(1));
    QVERIFY(c.connectTcp(sim.tcpPort()));
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(c.status(cmd::Ping, {uint8_t(i)}), int(st::Ok));
    }
    // Reports count as frames too.
    sim.setCutAfter(50);
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    wire::Frame f;
    int frames = 0;
    while (c.next(f, 1000)) {
        ++frames;
    }
    QCOMPARE(frames, 50 - 11);
    QVERIFY(c.peerClosed());
    QTRY_VERIFY(!sim.model().inventory().running);
}

void TstReadersimLinks::reboot_dropsLinksKeepsSettings()
{
    readersim::Options o = tcpOptions(3, 100);
    o.rebootMs = 300;
    readersim::Simulator sim(o);
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QCOMPARE(c.status(cmd::ParmOp, {1, 0, 1, 2}), int(st::Ok));
    QCOMPARE(c.status(cmd::ReadEpc, {1, 1, 0, 0, 0, 1}), int(st::Ok));
    QCOMPARE(c.status(cmd::Reboot, {0}), int(st::Ok));
    wire::Frame f;
    while (c.next(f, 1000)) {
    }
    QVERIFY(c.peerClosed());
    QCOMPARE(sim.model().rebootCount(), 1);
    QVERIFY(!sim.model().inventory().running);

    // Still restarting: a connection is taken and closed at once.
    RawClient early;
    if (early.connectTcp(sim.tcpPort())) {
        wire::Frame a;
        QVERIFY(!early.request(cmd::Ping, {}, a, 100));
    }
    QTest::qWait(350);
    QVERIFY(c.connectTcp(sim.tcpPort()));
    Bytes out;
    QCOMPARE(c.status(cmd::ParmOp, {2, 0, 1}, &out), int(st::Ok));
    QCOMPARE(out, Bytes{2});

    // The in-process reboot does the same.
    sim.reboot();
    while (c.next(f, 1000)) {
    }
    QVERIFY(c.peerClosed());
    QTRY_COMPARE(sim.model().rebootCount(), 2);
}

void TstReadersimLinks::passThrough_reachesAFittedModule()
{
    readersim::Simulator bare(tcpOptions(1));
    QVERIFY(bare.start());
    RawClient b;
    QVERIFY(b.connectTcp(bare.tcpPort()));
    QCOMPARE(b.status(cmd::EnterTrans, {0}), int(st::NoModule));

    readersim::Simulator sim(tcpOptions(1));
    sim.fitModule(std::make_unique<EchoModule>());
    QVERIFY(sim.start());
    RawClient c;
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QCOMPARE(c.status(cmd::RawSend, {'A', 'T'}), int(st::NoModule)); // not entered yet
    QCOMPARE(c.status(cmd::EnterTrans, {}), int(st::BadLength));
    QCOMPARE(c.status(cmd::EnterTrans, {1}), int(st::BadParameter)); // the module refuses that mode
    QCOMPARE(c.status(cmd::EnterTrans, {0}), int(st::Ok));
    QVERIFY(sim.model().passThrough());
    QCOMPARE(c.status(cmd::RawSend, {'A', 'T'}), int(st::Ok));
    QCOMPARE(rawBytes(c), Bytes({'+', 'O', 'K', ' ', 'A', 'T'}));
    QCOMPARE(c.status(cmd::RawSend, {'B', 'I', 'G'}), int(st::Ok));
    QCOMPARE(rawBytes(c), Bytes(3000, 'x'));

    // A restart ends pass-through.
    QCOMPARE(c.status(cmd::Reboot, {0}), int(st::Ok));
    QTRY_COMPARE(sim.model().rebootCount(), 1);
    QVERIFY(c.connectTcp(sim.tcpPort()));
    QCOMPARE(c.status(cmd::RawSend, {'A', 'T'}), int(st::NoModule));
}

QTEST_GUILESS_MAIN(TstReadersimLinks)
#include "tst_readersim_links.moc"
