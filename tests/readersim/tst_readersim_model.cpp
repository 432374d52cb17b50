// The simulated reader's model on its own: what a tag operation changes, what the reader holds out of
// the box, and what the inventory engine hands out.
#include "readersim/model.h"

#include <QtTest>

#include <atomic>
#include <thread>

using readersim::Bank;
using readersim::LockArea;
using readersim::ReaderModel;
using readersim::ReadType;
using readersim::Result;
using readersim::Tag;
using Bytes = std::vector<uint8_t>;

Q_DECLARE_METATYPE(readersim::Result)

namespace {

Bytes bytesOf(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v) {
        b.push_back(uint8_t(x));
    }
    return b;
}

// Reports produced for `n` steps, tallied per tag index.
std::map<uint32_t, int> drain(ReaderModel& m, size_t n, int64_t nowMs = 0)
{
    std::map<uint32_t, int> seen;
    m.generateReports(n, nowMs, [&](const Tag&, const readersim::Report& r) { ++seen[r.tagIndex]; });
    return seen;
}

} // namespace

class TstReadersimModel : public QObject
{
    Q_OBJECT

private slots:
    void population_isDeterministicAndUnique();
    void defaults_matchAFreshReader();
    void parameterMemory_rangesAndTextRecords();
    void identity_lengthsAndReadOnlyRecords();
    void clock_runsAndRefusesBadRecords();
    void select_restrictsTargetsAndInventory();
    void select_bitLevelAndOutOfRange();
    void targetPin_holdsForItsThreadAlone();
    void persistentSelect_survivesReboot();
    void userMemory_readWriteErase();
    void epcWrite_changesWhatInventoryReports();
    void locks_guardWritesUntilTheAccessPassword();
    void passwords_changeOnlyWithTheOldOne();
    void kill_needsNonZeroMatchingPassword();
    void inventory_countsPerTagAndAntenna();
    void inventory_dwellAndDisabledAntennas();
    void inventory_filterSuppressesRepeats();
    void inventory_flashStoreCollectsNewTags();
    void settings_validation_data();
    void settings_validation();
    void reboot_keepsSettingsDropsVolatileState();
};

void TstReadersimModel::population_isDeterministicAndUnique()
{
    ReaderModel a(7, 200), b(7, 200), c(8, 200);
    QCOMPARE(a.tagCount(), size_t(200));
    std::set<Bytes> epcs, tids;
    for (size_t i = 0; i < a.tagCount(); ++i) {
        Tag t = a.tag(i);
        QCOMPARE(t.epc, b.tag(i).epc);
        QCOMPARE(t.tid, b.tag(i).tid);
        QCOMPARE(t.user, b.tag(i).user);
        QCOMPARE(t.epc.size(), size_t(12));
        QCOMPARE(t.tid.size(), size_t(12));
        QCOMPARE(t.user.size(), size_t(64));
        QCOMPARE(t.tid[0], uint8_t(0xE2));
        QCOMPARE(t.accessPassword, 0u);
        QCOMPARE(t.killPassword, 0u);
        QVERIFY(!t.killed);
        epcs.insert(t.epc);
        tids.insert(t.tid);
    }
    QCOMPARE(epcs.size(), size_t(200));
    QCOMPARE(tids.size(), size_t(200));
    QVERIFY(a.tag(0).epc != c.tag(0).epc);
}

void TstReadersimModel::defaults_matchAFreshReader()
{
    ReaderModel m(1, 10);
    const std::pair<int, int> table[] = {{0, 0x00},   {1, 0x00},   {239, 0x91}, {240, 0x00}, {241, 0x02},
                                         {249, 0x01}, {159, 0x02}, {160, 0x05}, {161, 0x03}};
    for (auto [address, value] : table) {
        Bytes out;
        QCOMPARE(m.parmRead(uint8_t(address), 1, &out), Result::Ok);
        QCOMPARE(out, Bytes{uint8_t(value)});
    }
    for (int a = 1; a <= 4; ++a) {
        QVERIFY(m.antenna(a).enabled);
        QCOMPARE(m.antenna(a).power, uint8_t(10));
    }
    QCOMPARE(m.region(), readersim::Region::China);
    QCOMPARE(m.frequencyPoints().size(), size_t(16));
    Bytes out;
    QCOMPARE(m.communicationQuery(0x20, &out), Result::Ok);
    QCOMPARE(out, Bytes{2});
    QCOMPARE(m.netQuery(3, &out), Result::Ok);
    QCOMPARE(out, bytesOf({0x0F, 0xA1})); // 4001
    QCOMPARE(m.qValue(), uint8_t(4));
    QVERIFY(!m.filterEnabled());
    QVERIFY(m.flashEnabled());
    QCOMPARE(m.flashCount(), 8u);
    for (uint8_t type = 0; type <= 6; ++type) {
        QCOMPARE(m.sysInfQuery(type, &out), Result::Ok);
        QVERIFY(!out.empty());
    }
    QCOMPARE(m.sysInfQuery(7, &out), Result::NotSupported);
}

void TstReadersimModel::parameterMemory_rangesAndTextRecords()
{
    ReaderModel m(1, 0);
    Bytes out;
    QCOMPARE(m.parmRead(250, 6, &out), Result::Ok);
    QCOMPARE(out, bytesOf({192, 168, 1, 100, 0x23, 0x28}));
    QCOMPARE(m.parmRead(255, 1, &out), Result::Ok);
    QCOMPARE(m.parmRead(255, 2, &out), Result::MemoryOverrun);
    QCOMPARE(m.parmRead(10, 0, &out), Result::Ok);
    QVERIFY(out.empty());

    // 122..124 with 64 bytes are text records of their own, beside the byte map.
    Bytes apn(64, 0);
    std::string text(64, 'A');
    std::copy(text.begin(), text.end(), apn.begin());
    QCOMPARE(m.parmWrite(123, apn), Result::Ok);
    QCOMPARE(m.parmRead(123, 64, &out), Result::Ok);
    QCOMPARE(out, apn);
    QCOMPARE(m.parmRead(122, 64, &out), Result::Ok);
    QCOMPARE(Bytes(out.begin(), out.begin() + 5), Bytes({'C', 'M', 'N', 'E', 'T'}));
    QCOMPARE(m.parmRead(123, 1, &out), Result::Ok);
    QCOMPARE(out, Bytes{0}); // the byte map is untouched

    QCOMPARE(m.parmWrite(0, {2}), Result::Ok);
    QCOMPARE(m.parmWrite(254, {1, 2, 3}), Result::MemoryOverrun);
    QCOMPARE(m.parmByte(254), uint8_t(0x23));
    m.restoreDefaults();
    QCOMPARE(m.parmByte(0), uint8_t(0));
    QCOMPARE(m.parmRead(123, 64, &out), Result::Ok);
    QCOMPARE(out, Bytes(64, 0));
}

void TstReadersimModel::identity_lengthsAndReadOnlyRecords()
{
    ReaderModel m(1, 0);
    Bytes name = {'A', 'B', 'C', 0, 0, 0, 0, 0};
    QCOMPARE(m.sysInfSet(0, name), Result::Ok);
    Bytes out;
    m.sysInfQuery(0, &out);
    QCOMPARE(out, Bytes({'A', 'B', 'C'})); // padding is not part of the text
    QCOMPARE(m.sysInfSet(0, Bytes(9, 'x')), Result::BadLength);
    QCOMPARE(m.sysInfSet(1, Bytes(6, 'M')), Result::Ok);
    QCOMPARE(m.sysInfSet(1, Bytes(8, 'M')), Result::BadLength);
    QCOMPARE(m.sysInfSet(2, Bytes(8, '9')), Result::Ok);
    QCOMPARE(m.sysInfSet(3, Bytes(4, '1')), Result::ReadOnly);
    m.sysInfQuery(2, &out);
    QCOMPARE(out, Bytes(8, '9'));
}

void TstReadersimModel::clock_runsAndRefusesBadRecords()
{
    ReaderModel m(1, 0);
    // 2016-03-07 (a Monday) 09:05:30
    QCOMPARE(m.setClock(bytesOf({0x30, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16})), Result::Ok);
    auto r = m.clockRecord();
    QCOMPARE(r[6], uint8_t(0x16));
    QCOMPARE(r[5], uint8_t(0x03));
    QCOMPARE(r[4], uint8_t(0x07));
    QCOMPARE(r[3], uint8_t(0x01));
    QCOMPARE(r[2], uint8_t(0x09));
    QCOMPARE(r[1], uint8_t(0x05));
    QVERIFY(r[0] >= 0x30 && r[0] <= 0x32);

    QCOMPARE(m.setClock(bytesOf({0x1A, 0x05, 0x09, 0x01, 0x07, 0x03, 0x16})), Result::BadArgument); // not BCD
    QCOMPARE(m.setClock(bytesOf({0x00, 0x00, 0x24, 0x01, 0x07, 0x03, 0x16})), Result::BadArgument); // 24 h
    QCOMPARE(m.setClock(bytesOf({0x00, 0x00, 0x00, 0x01, 0x31, 0x02, 0x16})), Result::BadArgument); // 31 Feb
    QCOMPARE(m.setClock(bytesOf({0x00, 0x00, 0x00, 0x01, 0x07, 0x03})), Result::BadArgument);
    QCOMPARE(m.clockRecord()[6], uint8_t(0x16));
}

void TstReadersimModel::select_restrictsTargetsAndInventory()
{
    ReaderModel m(3, 20);
    const Tag t5 = m.tag(5);
    QCOMPARE(m.targetTag(1), 0);
    QCOMPARE(m.select(Bank::Epc, 0, 96, t5.epc), Result::Ok);
    QCOMPARE(m.targetTag(1), 5);

    QCOMPARE(m.startInventory(ReadType::Epc, 1, 1), Result::Ok);
    auto seen = drain(m, 10);
    QCOMPARE(seen.size(), size_t(1));
    QCOMPARE(seen.begin()->first, 5u);
    QCOMPARE(seen.begin()->second, 10);

    // A select by TID prefix (the shared E2 byte) admits everyone again.
    QCOMPARE(m.select(Bank::Tid, 0, 8, {0xE2}), Result::Ok);
    QCOMPARE(drain(m, 40).size(), size_t(20));
    // Cancel: length 0.
    QCOMPARE(m.select(Bank::Epc, 0, 0, {}), Result::Ok);
    QCOMPARE(m.targetTag(1), 0);
    // Nothing matches: operations find no tag, inventory is silent.
    QCOMPARE(m.select(Bank::User, 0, 16, {0x12, 0x34}), Result::Ok);
    if (m.targetTag(1) < 0) {
        QCOMPARE(drain(m, 10).size(), size_t(0));
        Bytes out;
        QCOMPARE(m.readUser(1, 0, 1, &out), Result::NoTag);
    }
}

// The LLRP endpoint aims tag operations with a pin: a 6C client on another thread keeps its select.
void TstReadersimModel::targetPin_holdsForItsThreadAlone()
{
    ReaderModel m(3, 20);
    QCOMPARE(m.select(Bank::Epc, 0, 96, m.tag(5).epc), Result::Ok);
    std::atomic<int> pinnedSees{-2};
    std::atomic<bool> pinned{false}, release{false};
    std::thread other([&] {
        const ReaderModel::TargetPin pin(9);
        pinnedSees = m.targetTag(1);
        m.writeUser(1, 0, 0, {0xAB, 0xCD});
        pinned = true;
        while (!release)
            std::this_thread::yield();
    });
    QTRY_VERIFY(pinned);
    QCOMPARE(m.targetTag(1), 5); // while the other thread's pin lives
    release = true;
    other.join();
    QCOMPARE(pinnedSees.load(), 9);
    QCOMPARE(m.tag(9).user[0], uint8_t(0xAB));
    QCOMPARE(m.currentSelect().mask, m.tag(5).epc);
    {
        Tag dead = m.tag(9);
        dead.killed = true;
        m.setTag(9, dead);
        const ReaderModel::TargetPin pin(9);
        QCOMPARE(m.targetTag(1), -1); // a dead tag is no target, pinned or not
    }
    QCOMPARE(m.targetTag(1), 5);
}

void TstReadersimModel::select_bitLevelAndOutOfRange()
{
    ReaderModel m(1, 4);
    Tag t = m.tag(2);
    // The last four bits of the EPC hold the index 2 (0b0010): match them alone.
    QCOMPARE(m.select(Bank::Epc, 92, 4, {0x20}), Result::Ok);
    QCOMPARE(m.targetTag(1), 2);
    // Data too short for the length, unknown bank, and a mask reaching past the bank.
    QCOMPARE(m.select(Bank::Epc, 0, 17, {1, 2}), Result::BadArgument);
    QCOMPARE(m.select(Bank::Reserved, 0, 8, {1}), Result::BadArgument);
    QCOMPARE(m.select(Bank::Epc, 90, 8, {0}), Result::Ok);
    QCOMPARE(m.targetTag(1), -1);
    // Start 65528 bits passes; the mask then lies beyond any tag.
    QCOMPARE(m.select(Bank::User, 65528, 8, {0}), Result::Ok);
    QCOMPARE(m.targetTag(1), -1);
    QCOMPARE(m.select(Bank::User, 65536, 8, {0}), Result::BadArgument);
    Q_UNUSED(t);
}

void TstReadersimModel::persistentSelect_survivesReboot()
{
    ReaderModel m(1, 10);
    const Tag t3 = m.tag(3);
    Bytes record(4 + t3.epc.size() + 3, 0);
    record[0] = 1;
    record[3] = 96;
    std::copy(t3.epc.begin(), t3.epc.end(), record.begin() + 4);
    QCOMPARE(m.tagOpParaSet(0x11, record), Result::Ok);
    Bytes out;
    QCOMPARE(m.tagOpParaQuery(0x11, &out), Result::Ok);
    QCOMPARE(out, record);
    QCOMPARE(m.targetTag(1), 0); // kept for later, not in force yet

    QCOMPARE(m.select(Bank::Epc, 0, 96, m.tag(7).epc), Result::Ok);
    m.reboot();
    QCOMPARE(m.targetTag(1), 3);

    // Without a kept select a reboot clears the select.
    ReaderModel n(1, 10);
    n.select(Bank::Epc, 0, 96, n.tag(7).epc);
    n.reboot();
    QCOMPARE(n.targetTag(1), 0);
    QCOMPARE(n.tagOpParaSet(0x11, {1, 0, 0}), Result::BadLength);
}

void TstReadersimModel::userMemory_readWriteErase()
{
    ReaderModel m(1, 3);
    Bytes out;
    QCOMPARE(m.readUser(1, 0, 32, &out), Result::Ok);
    QCOMPARE(out, m.tag(0).user);
    QCOMPARE(m.readUser(1, 30, 2, &out), Result::Ok);
    QCOMPARE(m.readUser(1, 31, 2, &out), Result::MemoryOverrun);
    QCOMPARE(m.readUser(1, 0, 0, &out), Result::BadArgument);
    QCOMPARE(m.readUser(5, 0, 1, &out), Result::BadArgument);

    QCOMPARE(m.writeUser(1, 0, 2, {0xDE, 0xAD, 0xBE, 0xEF}), Result::Ok);
    QCOMPARE(m.readUser(1, 2, 2, &out), Result::Ok);
    QCOMPARE(out, bytesOf({0xDE, 0xAD, 0xBE, 0xEF}));
    QCOMPARE(m.tag(1).user, ReaderModel::makeTag(1, 1).user); // only the target changed
    QCOMPARE(m.writeUser(1, 0, 31, {1, 2, 3, 4}), Result::MemoryOverrun);
    QCOMPARE(m.writeUser(1, 0, 0, {1, 2, 3}), Result::BadArgument);

    QCOMPARE(m.eraseUser(1, 0, 1, 2), Result::Ok);
    QCOMPARE(m.readUser(1, 0, 4, &out), Result::Ok);
    QCOMPARE(Bytes(out.begin() + 2, out.begin() + 6), Bytes(4, 0));
    QCOMPARE(m.eraseUser(1, 0, 0, 0), Result::Ok); // whole bank
    QCOMPARE(m.tag(0).user, Bytes(64, 0));
}

void TstReadersimModel::epcWrite_changesWhatInventoryReports()
{
    ReaderModel m(1, 2);
    const Bytes fresh = bytesOf({0x11, 0x22, 0x33, 0x44});
    QCOMPARE(m.writeEpc(1, 0, fresh), Result::Ok);
    QCOMPARE(m.tag(0).epc, fresh);
    QCOMPARE(m.tag(0).pc() >> 11, 2);
    QCOMPARE(m.findTagByEpc(fresh), 0);
    QCOMPARE(m.writeEpc(1, 0, {1, 2, 3}), Result::BadArgument);
    QCOMPARE(m.writeEpc(1, 0, {}), Result::BadArgument);

    m.startInventory(ReadType::Epc, 1, 0);
    std::set<Bytes> reported;
    m.generateReports(2, 0, [&](const Tag& t, const readersim::Report&) { reported.insert(t.epc); });
    QVERIFY(reported.count(fresh));
}

void TstReadersimModel::locks_guardWritesUntilTheAccessPassword()
{
    ReaderModel m(1, 1);
    const uint32_t pwd = 0x11223344;
    QCOMPARE(m.setAccessPassword(1, 0, pwd), Result::Ok);
    QCOMPARE(m.lockTag(1, 0, 0, uint8_t(LockArea::User)), Result::BadPassword);
    QCOMPARE(m.lockTag(1, pwd, 0, uint8_t(LockArea::User)), Result::Ok);
    QVERIFY(m.tag(0).isLocked(LockArea::User));
    QVERIFY(!m.tag(0).isLocked(LockArea::Epc));

    const Bytes before = m.tag(0).user;
    QCOMPARE(m.writeUser(1, 0, 0, {1, 2}), Result::Locked);
    QCOMPARE(m.writeUser(1, 0x55555555, 0, {1, 2}), Result::BadPassword);
    QCOMPARE(m.eraseUser(1, 0, 0, 1), Result::Locked);
    QCOMPARE(m.tag(0).user, before);
    QCOMPARE(m.writeUser(1, pwd, 0, {1, 2}), Result::Ok);
    Bytes out;
    QCOMPARE(m.readUser(1, 0, 1, &out), Result::Ok); // reads need no password
    QCOMPARE(out, bytesOf({1, 2}));

    // The unlocked EPC bank still takes a write without a password.
    QCOMPARE(m.writeEpc(1, 0, {0xAB, 0xCD}), Result::Ok);
    QCOMPARE(m.lockTag(1, pwd, 0, uint8_t(LockArea::Epc)), Result::Ok);
    QCOMPARE(m.writeEpc(1, 0, {0x12, 0x34}), Result::Locked);
    QCOMPARE(m.tag(0).epc, bytesOf({0xAB, 0xCD}));
    QCOMPARE(m.lockTag(1, pwd, 1, uint8_t(LockArea::Epc)), Result::Ok);
    QCOMPARE(m.writeEpc(1, 0, {0x12, 0x34}), Result::Ok);

    QCOMPARE(m.lockTag(1, pwd, 2, uint8_t(LockArea::Epc)), Result::BadArgument);
    QCOMPARE(m.lockTag(1, pwd, 0, 1), Result::BadArgument);
    QCOMPARE(m.lockTag(1, pwd, 0, 6), Result::BadArgument);
}

void TstReadersimModel::passwords_changeOnlyWithTheOldOne()
{
    ReaderModel m(1, 1);
    QCOMPARE(m.setAccessPassword(1, 1, 2), Result::BadPassword);
    QCOMPARE(m.setAccessPassword(1, 0, 0xA0A0A0A0), Result::Ok);
    QCOMPARE(m.setAccessPassword(1, 0, 5), Result::BadPassword);
    QCOMPARE(m.tag(0).accessPassword, 0xA0A0A0A0u);

    QCOMPARE(m.setKillPassword(1, 0, 0x0BADF00D), Result::Ok);
    QCOMPARE(m.setKillPassword(1, 0, 7), Result::BadPassword);
    // A locked kill password cannot change while the tag has an access password.
    QCOMPARE(m.lockTag(1, 0xA0A0A0A0, 0, uint8_t(LockArea::KillPassword)), Result::Ok);
    QCOMPARE(m.setKillPassword(1, 0x0BADF00D, 7), Result::Locked);
    QCOMPARE(m.tag(0).killPassword, 0x0BADF00Du);
    // A locked access password still changes with the right old one (it secures the tag).
    QCOMPARE(m.lockTag(1, 0xA0A0A0A0, 0, uint8_t(LockArea::AccessPassword)), Result::Ok);
    QCOMPARE(m.setAccessPassword(1, 0xA0A0A0A0, 0), Result::Ok);
    QCOMPARE(m.setKillPassword(1, 0x0BADF00D, 7), Result::Ok);
}

void TstReadersimModel::kill_needsNonZeroMatchingPassword()
{
    ReaderModel m(1, 5);
    const Bytes epc = m.tag(2).epc;
    QCOMPARE(m.killTag(1, 0, epc), Result::BadPassword); // zero never kills
    QCOMPARE(m.select(Bank::Epc, 0, 96, epc), Result::Ok);
    QCOMPARE(m.setKillPassword(1, 0, 0x12345678), Result::Ok);
    QCOMPARE(m.select(Bank::Epc, 0, 0, {}), Result::Ok);
    QCOMPARE(m.killTag(1, 0x12345679, epc), Result::BadPassword);
    QCOMPARE(m.killTag(1, 0x12345678, bytesOf({1, 2, 3})), Result::NoTag);
    QCOMPARE(m.killTag(1, 0x12345678, epc), Result::Ok);
    QVERIFY(m.tag(2).killed);
    QCOMPARE(m.killTag(1, 0x12345678, epc), Result::NoTag);

    // A killed tag answers nothing.
    QCOMPARE(m.select(Bank::Epc, 0, 96, epc), Result::Ok);
    QCOMPARE(m.targetTag(1), -1);
    Bytes out;
    QCOMPARE(m.readUser(1, 0, 1, &out), Result::NoTag);
    QCOMPARE(m.select(Bank::Epc, 0, 0, {}), Result::Ok);
    m.startInventory(ReadType::EpcTid, 0, 1);
    auto seen = drain(m, 400);
    QCOMPARE(seen.size(), size_t(4));
    QVERIFY(!seen.count(2));
}

void TstReadersimModel::inventory_countsPerTagAndAntenna()
{
    ReaderModel m(1, 10);
    QCOMPARE(m.startInventory(ReadType::Epc, 0, 1), Result::Ok);
    uint64_t seqExpected = 0;
    std::array<uint64_t, 5> perAntenna{};
    size_t n = m.generateReports(1000, 0, [&](const Tag&, const readersim::Report& r) {
        QCOMPARE(r.sequence, seqExpected++);
        ++perAntenna[r.antenna];
    });
    QCOMPARE(n, size_t(1000));
    QCOMPARE(m.reportsSent(), 1000ull);
    uint64_t total = 0;
    for (int a = 1; a <= 4; ++a) {
        QCOMPARE(m.reportsSent(a), perAntenna[size_t(a)]);
        QCOMPARE(perAntenna[size_t(a)], 250ull); // whole rounds of 10 tags, one per antenna in turn
        for (size_t i = 0; i < m.tagCount(); ++i) {
            total += m.tag(i).reports[size_t(a)];
        }
    }
    QCOMPARE(total, 1000ull);
    QCOMPARE(m.tag(0).totalReports(), 100ull);

    // A report that never left is not counted.
    readersim::Report r;
    r.tagIndex = 0;
    r.antenna = 1;
    m.uncountReport(r);
    QCOMPARE(m.reportsSent(1), 249ull);
    QCOMPARE(m.tag(0).reports[1], 24ull);

    m.stopInventory();
    QCOMPARE(drain(m, 10).size(), size_t(0));
    m.resetCounts();
    QCOMPARE(m.reportsSent(), 0ull);
    QCOMPARE(m.tag(3).totalReports(), 0ull);

    QCOMPARE(m.startInventory(ReadType::Epc, 5, 1), Result::BadArgument);
    QCOMPARE(m.startInventory(ReadType(3), 1, 1), Result::BadArgument);
}

void TstReadersimModel::inventory_dwellAndDisabledAntennas()
{
    ReaderModel m(1, 4);
    // Antenna 2 off, antenna 3 dwells three rounds.
    QCOMPARE(m.setAntennas({1, 0, 1, 1, 10, 10, 10, 10, 1, 1, 3, 1}), Result::Ok);
    m.startInventory(ReadType::Tid, 0, 1);
    std::array<int, 5> perAntenna{};
    m.generateReports(4 * 5 * 10, 0,
                      [&](const Tag&, const readersim::Report& r) { ++perAntenna[r.antenna]; });
    QCOMPARE(perAntenna[2], 0);
    QCOMPARE(perAntenna[3], 3 * perAntenna[1]);
    QCOMPARE(perAntenna[4], perAntenna[1]);

    // A fixed antenna reads even when the poll list leaves it out; a tag out of its reach is skipped.
    Tag t = m.tag(1);
    t.antennaMask = 0x01;
    m.setTag(1, t);
    m.startInventory(ReadType::Epc, 2, 1);
    auto seen = drain(m, 30);
    QCOMPARE(seen.size(), size_t(3));
    QVERIFY(!seen.count(1));

    // Nothing enabled: a polling start is refused.
    QCOMPARE(m.setAntennas({0, 0, 0, 0, 10, 10, 10, 10, 1, 1, 1, 1}), Result::Ok);
    QCOMPARE(m.startInventory(ReadType::Epc, 0, 1), Result::BadArgument);
}

void TstReadersimModel::inventory_filterSuppressesRepeats()
{
    ReaderModel m(1, 5);
    QCOMPARE(m.tagOpParaSet(2, {1}), Result::Ok);
    QCOMPARE(m.tagOpParaSet(3, {5}), Result::Ok); // 500 ms
    m.startInventory(ReadType::Epc, 1, 1);
    QCOMPARE(m.generateReports(100, 1000, [](const Tag&, const readersim::Report&) {}), size_t(5));
    QCOMPARE(m.generateReports(100, 1499, [](const Tag&, const readersim::Report&) {}), size_t(0));
    QCOMPARE(m.generateReports(100, 1500, [](const Tag&, const readersim::Report&) {}), size_t(5));
    QCOMPARE(m.tagOpParaSet(2, {0}), Result::Ok);
    QCOMPARE(m.generateReports(100, 1500, [](const Tag&, const readersim::Report&) {}), size_t(100));
}

void TstReadersimModel::inventory_flashStoreCollectsNewTags()
{
    ReaderModel m(1, 20);
    QCOMPARE(m.flashCount(), 8u);
    m.clearFlash();
    auto rec = m.flashCountRecord();
    QCOMPARE(Bytes(rec.begin(), rec.end()), bytesOf({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
    m.startInventory(ReadType::Epc, 1, 1);
    drain(m, 60); // three rounds: each tag stored once
    QCOMPARE(m.flashCount(), 20u);
    rec = m.flashCountRecord();
    QCOMPARE(Bytes(rec.begin(), rec.begin() + 4), bytesOf({0, 0, 0, 20}));

    m.clearFlash();
    QCOMPARE(m.parmWrite(249, {0}), Result::Ok);
    drain(m, 20);
    QCOMPARE(m.flashCount(), 0u);
}

void TstReadersimModel::settings_validation_data()
{
    QTest::addColumn<int>("what");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<readersim::Result>("expected");
    auto qb = [](std::initializer_list<int> v) {
        QByteArray b;
        for (int x : v) {
            b.append(char(x));
        }
        return b;
    };
    // what: 0 antennas, 1 points, 2 baud, 3 net IP, 4 net TCP port, 5 Q, 6 filter time, 7 reading IO
    QTest::newRow("antenna record short") << 0 << qb({1, 1, 1, 1, 10}) << Result::BadLength;
    QTest::newRow("antenna flag 2") << 0 << qb({2, 1, 1, 1, 10, 10, 10, 10, 1, 1, 1, 1})
                                    << Result::BadArgument;
    QTest::newRow("antenna power stored as given")
        << 0 << qb({1, 1, 1, 1, 40, 12, 0, 35, 0, 1, 1, 1}) << Result::Ok;
    QTest::newRow("points 3 0 7") << 1 << qb({3, 0, 7}) << Result::Ok;
    QTest::newRow("points none") << 1 << qb({}) << Result::Ok;
    QTest::newRow("point 50") << 1 << qb({50}) << Result::BadArgument;
    QTest::newRow("baud 5") << 2 << qb({5}) << Result::Ok;
    QTest::newRow("baud 6") << 2 << qb({6}) << Result::BadArgument;
    QTest::newRow("ip 12 bytes") << 3 << qb({10, 0, 0, 2, 255, 0, 0, 0, 10, 0, 0, 1}) << Result::Ok;
    QTest::newRow("ip 11 bytes") << 3 << qb({10, 0, 0, 2, 255, 0, 0, 0, 10, 0, 0}) << Result::BadLength;
    QTest::newRow("port 4001") << 4 << qb({0x0F, 0xA1}) << Result::Ok;
    QTest::newRow("port 0") << 4 << qb({0, 0}) << Result::BadArgument;
    QTest::newRow("q 15") << 5 << qb({15}) << Result::Ok;
    QTest::newRow("q 16") << 5 << qb({16}) << Result::BadArgument;
    QTest::newRow("filter time 0") << 6 << qb({0}) << Result::BadArgument;
    QTest::newRow("filter time 255") << 6 << qb({255}) << Result::Ok;
    QTest::newRow("reading io 31") << 7 << qb({31}) << Result::Ok;
    QTest::newRow("reading io 32") << 7 << qb({32}) << Result::BadArgument;
}

void TstReadersimModel::settings_validation()
{
    QFETCH(int, what);
    QFETCH(QByteArray, data);
    QFETCH(readersim::Result, expected);
    ReaderModel m(1, 0);
    Bytes d(data.begin(), data.end());
    Bytes out;
    Result r = Result::NotSupported;
    switch (what) {
    case 0:
        r = m.setAntennas(d);
        if (r == Result::Ok) {
            QCOMPARE(m.antenna(1).power, d[4]);
            QCOMPARE(m.antenna(1).dwell, d[8]);
        }
        break;
    case 1:
        r = m.rfSet(0, d);
        if (r == Result::Ok) {
            QCOMPARE(m.frequencyPoints(), d);
        }
        break;
    case 2:
        r = m.communicationSet(0x10, d);
        if (r == Result::Ok) {
            QCOMPARE(m.baudCode(), d[0]);
            QCOMPARE(m.parmByte(159), d[0]);
        }
        break;
    case 3:
        r = m.netSet(2, d);
        if (r == Result::Ok) {
            m.netQuery(2, &out);
            QCOMPARE(out, d);
        }
        break;
    case 4:
        r = m.netSet(3, d);
        if (r == Result::Ok) {
            QCOMPARE(m.net().tcpPort, uint16_t(d[0] << 8 | d[1]));
        }
        break;
    case 5:
        r = m.tagOpParaSet(0x10, d);
        break;
    case 6:
        r = m.tagOpParaSet(3, d);
        break;
    case 7:
        r = m.setReadingIo(d[0]);
        break;
    }
    QCOMPARE(r, expected);
}

void TstReadersimModel::reboot_keepsSettingsDropsVolatileState()
{
    ReaderModel m(1, 5);
    m.parmWrite(0, {2});
    m.setAntennas({1, 1, 0, 0, 20, 20, 0, 0, 5, 5, 5, 5});
    m.tagOpParaSet(0x10, {7});
    m.carrierOp(1, 2);
    m.ioOperate(3, 1);
    m.startInventory(ReadType::Epc, 1, 1);
    m.select(Bank::Epc, 0, 96, m.tag(4).epc);
    m.writeUser(1, 0, 0, {9, 9});
    QVERIFY(m.carrier(2));
    QCOMPARE(m.ioState()[1], uint8_t(0x04));

    m.reboot();
    QCOMPARE(m.rebootCount(), 1);
    QVERIFY(!m.inventory().running);
    QVERIFY(!m.carrier(2));
    QCOMPARE(m.ioState()[1], uint8_t(0));
    QCOMPARE(m.targetTag(1), 0);
    QCOMPARE(m.parmByte(0), uint8_t(2));
    QVERIFY(!m.antenna(3).enabled);
    QCOMPARE(m.qValue(), uint8_t(7));
    QCOMPARE(m.tag(4).user[0], uint8_t(9)); // tags keep what was written
}

QTEST_GUILESS_MAIN(TstReadersimModel)
#include "tst_readersim_model.moc"
