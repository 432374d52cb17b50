// The simulated GJB reader: its tag rules, inventories and tests, taken on directly, and the family
// behind a link, taken on with a bare protocol client.
#include "rawclient.h"

#include <readersim/gjb_model.h>
#include <readersim/launch.h>
#include <wire/messages_gjb.h>

#include <QtTest>

using namespace readersim;
namespace g = wire::gjb;
namespace ts = wire::gjb::tagstatus;
using Bytes = std::vector<uint8_t>;

namespace {

GjbMatch any()
{
    return GjbMatch();
}

// The tag whose code area starts with the first `bits` bits of `tag`'s.
GjbMatch matchCode(const GjbTag& tag, uint16_t bits)
{
    GjbMatch m;
    m.match = true;
    m.maskBits = bits;
    m.mask.assign((bits + 7) / 8, 0xFF);
    m.idBits = bits;
    m.id.assign(tag.code.begin(), tag.code.begin() + (bits + 7) / 8);
    return m;
}

// The next frame of this command, past heartbeats; false when none comes within the wait.
bool nextOf(RawClient& c, uint8_t cmd, wire::Frame& out, int waitMs)
{
    while (c.next(out, waitMs)) {
        if (out.cmd == cmd)
            return true;
    }
    return false;
}

constexpr uint8_t kUser0 = 0x30;
constexpr uint8_t kCode = 0x10;
constexpr uint8_t kInfo = 0x00;
constexpr uint8_t kSecurity = 0x20;

} // namespace

class TstReadersimGjb : public QObject
{
    Q_OBJECT

private slots:
    // Which status a tag operation ends with, for the rules the reader applies.
    void tagOperationRules_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("words");
        QTest::addColumn<uint>("password");
        QTest::addColumn<int>("status");
        QTest::newRow("read user") << ""
                                   << "read" << int(kUser0) << 2 << 4 << 0u << int(ts::Ok);
        QTest::newRow("read user 15") << ""
                                      << "read" << 0x3F << 0 << 8 << 0u << int(ts::Ok);
        QTest::newRow("number on a plain area") << ""
                                                << "read" << 0x15 << 0 << 1 << 0u << int(ts::StorageError);
        QTest::newRow("past the area") << ""
                                       << "read" << int(kCode) << 5 << 2 << 0u << int(ts::StorageError);
        QTest::newRow("no words") << ""
                                  << "read" << int(kUser0) << 0 << 0 << 0u << int(ts::StorageError);
        QTest::newRow("unreadable") << "lock user0 2"
                                    << "read" << int(kUser0) << 0 << 1 << 0u << int(ts::Locked);
        QTest::newRow("read password") << "read pw"
                                       << "read" << int(kUser0) << 0 << 1 << 0u << int(ts::WrongPassword);
        QTest::newRow("right read password") << "read pw"
                                             << "read" << int(kUser0) << 0 << 1 << 0x01020304u << int(ts::Ok);
        QTest::newRow("information area") << ""
                                          << "write" << int(kInfo) << 0 << 1 << 0u << int(ts::NoRight);
        QTest::newRow("read only") << "lock user0 1"
                                   << "write" << int(kUser0) << 0 << 1 << 0u << int(ts::Locked);
        QTest::newRow("write only") << "lock user0 2"
                                    << "write" << int(kUser0) << 0 << 1 << 0u << int(ts::Ok);
        QTest::newRow("erase") << ""
                               << "erase" << int(kUser0) << 0 << 2 << 0u << int(ts::Ok);
        QTest::newRow("erase locked") << "lock user0 3"
                                      << "erase" << int(kUser0) << 0 << 2 << 0u << int(ts::Locked);
        QTest::newRow("lock information") << ""
                                          << "lock" << int(kInfo) << 0 << 0 << 0u << int(ts::NoRight);
        QTest::newRow("lock password") << "lock pw"
                                       << "lock" << int(kUser0) << 0 << 0 << 0u << int(ts::WrongPassword);
        QTest::newRow("kill without password") << ""
                                               << "kill" << 0 << 0 << 0 << 0u << int(ts::WrongPassword);
        QTest::newRow("kill") << "kill pw"
                              << "kill" << 0 << 0 << 0 << 0x0BADF00Du << int(ts::Ok);
        QTest::newRow("low power") << "far"
                                   << "read" << int(kUser0) << 0 << 1 << 0u << int(ts::LowPower);
        QTest::newRow("no tag") << "empty"
                                << "read" << int(kUser0) << 0 << 1 << 0u << int(ts::NotIdentified);
        QTest::newRow("fault") << "fault"
                               << "write" << int(kUser0) << 0 << 1 << 0u << int(ts::Unknown);
    }
    void tagOperationRules()
    {
        QFETCH(QString, setup);
        QFETCH(QString, op);
        QFETCH(int, area);
        QFETCH(int, start);
        QFETCH(int, words);
        QFETCH(uint, password);
        QFETCH(int, status);
        GjbModel m(3, 2);
        GjbTag t = m.tag(0);
        const GjbTag before = t;
        if (setup.startsWith("lock user0"))
            t.locks[3] = uint8_t(setup.right(1).toInt());
        else if (setup == "read pw")
            t.setPassword(GjbPassword::Read, 0x01020304);
        else if (setup == "lock pw")
            t.setPassword(GjbPassword::Lock, 7);
        else if (setup == "kill pw")
            t.setPassword(GjbPassword::Kill, 0x0BADF00D);
        else if (setup == "far")
            t.powerNeeded = 3100;
        m.setTag(0, t);
        if (setup == "far")
            m.setTag(1, t);
        if (setup == "empty")
            m.removeAllTags();
        if (setup == "fault")
            m.failNextAccess(ts::Unknown);

        const Bytes data = {0xC0, 0xDE};
        GjbAccessOutcome o;
        if (op == "read")
            o = m.readTag(any(), uint8_t(area), uint16_t(start), uint16_t(words), password);
        else if (op == "write")
            o = m.writeTag(any(), uint8_t(area), uint16_t(start), data, password);
        else if (op == "erase")
            o = m.eraseTag(any(), uint8_t(area), uint16_t(start), uint16_t(words), password);
        else if (op == "lock")
            o = m.lockTag(any(), uint16_t(area), 1, password);
        else
            o = m.killTag(any(), password);
        QCOMPARE(int(o.status), status);
        QCOMPARE(int(m.lastAccess().status), status);

        const GjbTag after = m.tags().empty() ? GjbTag() : m.tag(0);
        if (status != ts::Ok) {
            // A refused operation changes nothing and returns no data.
            QVERIFY(o.data.empty());
            if (setup != "empty")
                QCOMPARE(after.user[0], t.user[0]);
            QCOMPARE(after.killed, false);
            return;
        }
        QCOMPARE(o.antenna, uint8_t(1));
        QCOMPARE(o.id, before.code);
        const std::vector<uint8_t>* mem = after.area(uint8_t(area));
        if (op == "read")
            QCOMPARE(o.data, Bytes(mem->begin() + start * 2, mem->begin() + (start + words) * 2));
        if (op == "write")
            QCOMPARE(Bytes(mem->begin(), mem->begin() + 2), data);
        if (op == "erase")
            QCOMPARE(Bytes(mem->begin(), mem->begin() + 4), Bytes(4, 0));
        if (op == "kill") {
            QVERIFY(after.killed);
            QCOMPARE(int(m.readTag(any(), kUser0, 0, 1, 0).status), int(ts::Ok)); // tag 1 answers now
            QCOMPARE(m.readTag(matchCode(before, 96), kUser0, 0, 1, 0).status, ts::NotIdentified);
        }
    }

    void matchPicksTheTagAndLocksHold()
    {
        GjbModel m(5, 3);
        const GjbTag second = m.tag(1);
        // The second tag by its whole code area; a code that matches none reaches none.
        GjbAccessOutcome o = m.readTag(matchCode(second, 96), kCode, 0, 6, 0);
        QCOMPARE(o.status, ts::Ok);
        QCOMPARE(o.data, second.code);
        GjbMatch wrong = matchCode(second, 96);
        wrong.id[11] ^= 1;
        QCOMPARE(m.readTag(wrong, kCode, 0, 6, 0).status, ts::NotIdentified);
        // Without the match flag the first tag answers; a mask of no bits matches every tag.
        wrong.match = false;
        QCOMPARE(m.readTag(wrong, kCode, 0, 6, 0).id, m.tag(0).code);
        wrong.match = true;
        wrong.maskBits = 0;
        QCOMPARE(m.readTag(wrong, kCode, 0, 6, 0).id, m.tag(0).code);

        // Passwords live in the security area: writing it changes them.
        QCOMPARE(m.writeTag(any(), kSecurity, 4, {0, 0, 0, 9}, 0).status, ts::Ok);
        QCOMPARE(m.tag(0).password(GjbPassword::Lock), 9u);
        QCOMPARE(m.lockTag(any(), kUser0, 3, 9).status, ts::Ok);
        QCOMPARE(m.readTag(any(), kUser0, 0, 1, 0).status, ts::Locked);
        QCOMPARE(m.lockTag(any(), kUser0, 0, 9).status, ts::Ok);
        QCOMPARE(m.readTag(any(), kUser0, 0, 1, 0).status, ts::Ok);
        QCOMPARE(m.lastAccess().operation, g::op::Read);
        m.invalidateAccess();
        QCOMPARE(m.lastAccess().operation, g::op::None);
    }

    void timedAndLoopInventories()
    {
        GjbModel m(1, 3);
        GjbTag onlyTwo = m.tag(2);
        onlyTwo.antennaMask = 0x02;
        m.setTag(2, onlyTwo);
        std::vector<GjbEmit> sent;
        auto sink = [&](const GjbEmit& e) { sent.push_back(e); };

        QCOMPARE(m.startInventory({1, 2}, 1, 50, 0, 2, 0, 1, 1000), wire::status::Ok);
        QCOMPARE(m.generate(5, 1049, sink), size_t(5));
        // Antenna 1 reads tags 0 and 1, antenna 2 all three, in turn.
        QCOMPARE(sent[0].antenna, uint8_t(1));
        QCOMPARE(sent[1].tagIndex, 1u);
        QCOMPARE(sent[2].antenna, uint8_t(2));
        QCOMPARE(sent[4].tagIndex, 2u);
        QVERIFY(m.activityRunning(1049));
        // Its time is up: no more reports, and the run is over.
        QCOMPARE(m.generate(5, 1050, sink), size_t(0));
        QVERIFY(!m.activityRunning(1050));
        QCOMPARE(m.reportsSent(), uint64_t(5));
        QCOMPARE(m.tag(2).reports[2], uint64_t(1));

        // A loop run goes on until stopped; single-tag mode reads one tag a round.
        GjbSettings s = m.settings();
        s.inventoryMode = 0;
        m.setSettings(s);
        QCOMPARE(m.startInventory({}, 0, 0, 0, 0, 0, 0, 0), wire::status::Ok);
        sent.clear();
        QCOMPARE(m.generate(8, 1000000, sink), size_t(8));
        for (const GjbEmit& e : sent)
            QCOMPARE(e.tagIndex, 0u);
        m.stopActivity();
        QCOMPARE(m.generate(8, 1000000, sink), size_t(0));

        // One round: each tag once per antenna that reaches it, then the run ends by itself.
        s.inventoryMode = 1;
        s.antennaMask = 0x03;
        m.setSettings(s);
        sent.clear();
        QCOMPARE(m.singleRound(0), wire::status::Ok);
        QCOMPARE(m.generate(100, 0, sink), size_t(5));
        QVERIFY(!m.activityRunning(0));
    }

    void inventoryStartRefusals_data()
    {
        QTest::addColumn<QByteArray>("antennas");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("reverse");
        QTest::addColumn<uint>("points");
        QTest::newRow("antenna 5") << QByteArray("\x01\x05") << 0 << 0 << 0xFFFFFu;
        QTest::newRow("antenna 0") << QByteArray(1, '\0') << 0 << 0 << 0xFFFFFu;
        QTest::newRow("mode 2") << QByteArray() << 2 << 0 << 0xFFFFFu;
        QTest::newRow("reverse link 8") << QByteArray() << 0 << 8 << 0xFFFFFu;
        QTest::newRow("no frequency point") << QByteArray() << 0 << 0 << 0u;
    }
    void inventoryStartRefusals()
    {
        QFETCH(QByteArray, antennas);
        QFETCH(int, mode);
        QFETCH(int, reverse);
        QFETCH(uint, points);
        GjbModel m(1, 2);
        GjbSettings s = m.settings();
        s.points = points;
        m.setSettings(s);
        QCOMPARE(m.startInventory(Bytes(antennas.begin(), antennas.end()), uint8_t(mode), 10, 0,
                                  uint8_t(reverse), 0, 0, 0),
                 wire::status::BadParameter);
        QVERIFY(!m.activityRunning(0));
    }

    void sensitivityTestSendsItsResults()
    {
        GjbModel m(9, 1);
        QCOMPARE(m.startSensitivity(4), wire::status::Ok);
        std::vector<GjbEmit> sent;
        QCOMPARE(m.generate(3, 0, [&](const GjbEmit& e) { sent.push_back(e); }), size_t(3));
        QVERIFY(m.activityRunning(0));
        QCOMPARE(m.generate(3, 0, [&](const GjbEmit& e) { sent.push_back(e); }), size_t(1));
        QVERIFY(!m.activityRunning(0));
        for (uint16_t i = 0; i < 4; ++i) {
            QVERIFY(sent[i].test);
            QCOMPARE(sent[i].testIndex, i);
            QCOMPARE(sent[i].result, GjbModel::sensitivityValue(9, i));
        }
        QCOMPARE(m.sensitivity().results.size(), size_t(4));
        QVERIFY(GjbModel::sensitivityValue(9, 0) != GjbModel::sensitivityValue(9, 1));
        QCOMPARE(m.startSensitivity(70000), wire::status::BadParameter);
    }

    void settingsAreAllOrNothing()
    {
        GjbModel m(1, 0);
        namespace id = g::setting;
        QCOMPARE(m.applySettings({{id::Power1, 2575}, {id::Dwell1 + 3, 0}}), wire::status::BadParameter);
        QCOMPARE(m.settings().power[0], 3000u);
        QCOMPARE(m.applySettings({{id::AllPower, 2000}, {id::Power1 + 1, 2575}}), wire::status::Ok);
        QCOMPARE(m.settings().power, (std::array<uint32_t, 4>{{2000, 2575, 2000, 2000}}));
        std::vector<std::pair<uint8_t, uint32_t>> values;
        QCOMPARE(m.querySettings({id::AllPower}, &values), wire::status::BadParameter);
        QCOMPARE(m.applySettings({{id::IpAddress, 0}}), wire::status::BadParameter);
        QCOMPARE(m.applySettings({{id::Modulation, 45}}), wire::status::Ok);
        m.reset();
        QCOMPARE(m.settings().modulation, 100u);
        QCOMPARE(m.settings().power[1], 3000u);

        QCOMPARE(m.applySettings({{id::Secrecy, 1}}), wire::status::Ok);
        QCOMPARE(m.killSecrecy({'x'}), wire::status::WrongPassword);
        QCOMPARE(m.killSecrecy({'1', '2', '3', '4', '5', '6', '7', '8'}), wire::status::Ok);
        QCOMPARE(m.querySettings({id::Secrecy}, &values), wire::status::NoModule);
        QCOMPARE(m.editSecrecyPassword({}, {}), wire::status::NoModule);
    }

    void recordsAndClock()
    {
        GjbModel m(1, 0);
        QCOMPARE(m.setSysTime("2030-02-31 03:04:05"), wire::status::BadParameter);
        QCOMPARE(m.setSysTime("2030-01-02 03:04:05"), wire::status::Ok);
        QCOMPARE(m.repairWrite({'f', 'i', 'x'}), wire::status::Ok);
        GjbRepairRecord r;
        QCOMPARE(m.repairRead(0, &r), wire::status::Ok);
        // Stamped with the reader's clock, which runs on from what was set.
        QVERIFY2(QString::fromStdString(r.time).startsWith("2030-01-02 03:0"), r.time.c_str());
        QCOMPARE(m.repairRead(1, &r), wire::status::BadParameter);
        QCOMPARE(m.repairWrite(Bytes(256, 'a')), wire::status::BadLength);
        for (size_t i = 1; i < GjbModel::kMaxRepairRecords; ++i)
            m.repairWrite({'a'});
        QCOMPARE(m.repairWrite({'a'}), wire::status::StorageError);
        QCOMPARE(m.electronWrite(31, Bytes(255, 'e')), wire::status::Ok);
        QCOMPARE(m.electronWrite(32, {}), wire::status::BadParameter);
    }

    void airFramesAreRecorded()
    {
        GjbModel m(1, 0);
        QCOMPARE(m.airTest({1, 0, 254, g::air::Power}), wire::status::BadLength);
        QCOMPARE(m.airTest({1, 0, 254, g::air::QueryRep, 1, 0, 0, 0}), wire::status::Ok);
        QVERIFY(m.airTransmitting());
        m.stopActivity();
        QVERIFY(!m.airTransmitting());
        QCOMPARE(m.airTest({1, 0, 254, g::air::Kill, 0, 0, 32, 0x12, 0x34, 0, 0, 0}), wire::status::Ok);
        const std::vector<GjbAirFrame> frames = m.airFrames();
        QCOMPARE(frames.size(), size_t(2));
        QVERIFY(frames[1].check.lengthOk && frames[1].check.hasCrc && !frames[1].check.crcOk);
    }

    // Behind a link: the answer, then the tag operation's result as the next report.
    void familyBehindALink()
    {
        Options o;
        o.family = "gjb";
        o.tags = 2;
        o.latencyMs = 30;
        std::string err;
        auto sim = startInProcess(o, &err);
        QVERIFY2(sim, err.c_str());
        RawClient c;
        QVERIFY(c.connectTcp(sim->tcpPort()));
        std::vector<uint8_t> out;
        QCOMPARE(c.status(wire::cmd::Hello, {1}, &out), 0);
        QCOMPARE(out, (Bytes{1, wire::kFamilyGjb}));
        QCOMPARE(c.status(wire::cmd::ReadEpc, {0, 1, 0, 0, 0, 1}), int(wire::status::UnsupportedCommand));

        g::ReadRequest r;
        r.area = kCode;
        r.words = 6;
        wire::Frame answer;
        QVERIFY(c.request(g::cmd::AccessRead, r.encoded(), answer));
        QCOMPARE(answer.status, uint8_t(0));
        wire::Frame result;
        QVERIFY(nextOf(c, g::cmd::AccessResult, result, 2000));
        g::AccessResult a;
        QVERIFY(a.decode(result.payload));
        QCOMPARE(a.sequence, 1u);
        QCOMPARE(a.data, sim->gjbModel().tag(0).code);

        // A malformed match is refused by the answer, and no result follows.
        r.target.maskBits = 9;
        QCOMPARE(c.status(g::cmd::AccessRead, r.encoded()), int(wire::status::BadParameter));
        QVERIFY(!nextOf(c, g::cmd::AccessResult, result, 300));

        // A refusal armed by a test, narrowed to one setting.
        sim->gjbModel().refuse(g::cmd::SettingsQuery, g::setting::Power1 + 2, wire::status::BadParameter);
        g::SettingsQueryRequest q;
        q.ids = {g::setting::Power1};
        QCOMPARE(c.status(g::cmd::SettingsQuery, q.encoded()), 0);
        q.ids = {g::setting::Power1, g::setting::Power1 + 2};
        QCOMPARE(c.status(g::cmd::SettingsQuery, q.encoded()), int(wire::status::BadParameter));
    }

    void programPlaysTheFamily()
    {
        Options o;
        o.family = "gjb";
        std::string err;
        auto reader = Process::start(o, &err);
        QVERIFY2(reader, err.c_str());
        RawClient c;
        QVERIFY(c.connectTcp(reader->tcpPort()));
        std::vector<uint8_t> out;
        QCOMPARE(c.status(g::cmd::Info, {g::info::Mcu}, &out), 0);
        QCOMPARE(out.size(), size_t(8));
    }
};

QTEST_GUILESS_MAIN(TstReadersimGjb)
#include "tst_readersim_gjb.moc"
