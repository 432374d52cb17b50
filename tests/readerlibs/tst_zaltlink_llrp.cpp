// zaltlink on an LLRP reader: readersim's LLRP endpoint in this process, driven through the C API.
#include "readersim/llrp_server.h"
#include "zaltlink_llrp.h"

#include <QtTest>

#include <algorithm>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRecordAntennas = 4;

std::string hex(const std::vector<uint8_t>& b)
{
    std::string s;
    for (uint8_t c : b)
        s += "0123456789ABCDEF"[c >> 4], s += "0123456789ABCDEF"[c & 15];
    return s;
}

int errorOf(ZALT_HANDLE h)
{
    int code = -1;
    ZALT_GetErrorCode(h, &code);
    return code;
}

std::string identity(ZALT_HANDLE h, unsigned char type)
{
    unsigned char buf[255];
    unsigned char len = 255;
    return ZALT_SysInfQuery(h, type, buf, &len) ? std::string(buf, buf + len) : std::string("<failed>");
}

} // namespace

class TstZaltlinkLlrp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<readersim::ReaderModel> model_;
    std::unique_ptr<readersim::LlrpServer> server_;
    ZALT_HANDLE h_ = 0;

private slots:
    void init()
    {
        model_ = std::make_unique<readersim::ReaderModel>(3, 6);
        readersim::LlrpOptions o;
        o.rate = 0;
        server_ = std::make_unique<readersim::LlrpServer>(*model_, o);
        std::string error;
        QVERIFY2(server_->start(&error), error.c_str());
        QVERIFY(ZALT_LLRPInit(&h_, "127.0.0.1", server_->port()));
        QVERIFY(ZALT_Open(h_));
    }
    void cleanup()
    {
        ZALT_Close(h_);
        server_.reset();
        model_.reset();
    }

    void identityAndUnsupportedCalls()
    {
        QCOMPARE(identity(h_, 0), std::string("Rivulet"));
        QCOMPARE(identity(h_, 1), std::string("readersim"));
        QCOMPARE(identity(h_, 3), std::string("V2.1.7"));
        // What LLRP has no meaning for fails with a code the pages can name.
        QCOMPARE(identity(h_, 2), std::string("<failed>"));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_UNSUPPORTED_COMMAND));
        unsigned char io[2] = {};
        QVERIFY(!ZALT_IOStateQuery(h_, io));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_UNSUPPORTED_COMMAND));
        QVERIFY(!ZALT_Open(h_));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_ALREADY_OPEN));
    }

    void inventoryCountsEveryRead()
    {
        int dbm = 1;
        QVERIFY(!ZALT_LastReportRSSI(h_, &dbm)); // nothing delivered yet
        QVERIFY(ZALT_6CReadEPCCode(h_, 0, 0, 0));
        std::map<std::pair<std::vector<uint8_t>, int>, uint64_t> seen;
        uint64_t reads = 0;
        unsigned char antenna = 0;
        unsigned char epc[255];
        while (reads < 1000) {
            unsigned char len = 255;
            if (ZALT_6CRevEPCMsg(h_, &antenna, epc, &len)) {
                ++seen[{std::vector<uint8_t>(epc, epc + len), antenna}];
                ++reads;
                QVERIFY(ZALT_LastReportRSSI(h_, &dbm));
                QVERIFY2(dbm < 0 && dbm > -128, std::to_string(dbm).c_str());
            }
        }
        QVERIFY(ZALT_PowerOff(h_));
        // Whatever arrived before the stop's answer is already queued: take it all.
        for (;;) {
            unsigned char len = 255;
            if (!ZALT_6CRevEPCMsg(h_, &antenna, epc, &len))
                break;
            ++seen[{std::vector<uint8_t>(epc, epc + len), antenna}];
            ++reads;
        }
        uint64_t total = 0;
        for (size_t i = 0; i < model_->tagCount(); ++i) {
            const readersim::Tag t = model_->tag(i);
            for (int a = 1; a <= 4; ++a) {
                QCOMPARE(seen[std::make_pair(t.epc, a)], t.reports[size_t(a)]);
                total += t.reports[size_t(a)];
            }
        }
        QCOMPARE(reads, total);
        unsigned long long received = 0, lost = 1;
        QVERIFY(ZALT_GetReportStats(h_, &received, &lost, nullptr, nullptr));
        QCOMPARE(received, reads);
        QCOMPARE(lost, 0ull);
    }

    // Reads nobody takes fill the queue; what it cannot hold is counted, not dropped unseen.
    void fullQueueIsCounted()
    {
        QVERIFY(ZALT_6CReadEPCCode(h_, 0, 0, 0));
        unsigned long long received = 0, overflowed = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            ZALT_GetReportStats(h_, &received, nullptr, nullptr, &overflowed) && overflowed > 0, 30000);
        QVERIFY(ZALT_PowerOff(h_));
    }

    // A reader that hangs with its link up stops sending keepalives: the link counts as lost.
    void silentReaderIsLost()
    {
        server_->setSilent(true);
        unsigned char antenna = 0;
        unsigned char epc[255];
        unsigned char len = 255;
        QTRY_VERIFY_WITH_TIMEOUT(
            !ZALT_6CRevEPCMsg(h_, &antenna, epc, &len) && errorOf(h_) == ZALT_ERR_LINK_LOST, 20000);
        QVERIFY(!ZALT_PowerOff(h_));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_LINK_LOST));
    }

    // Every delivered read carries the TID the model gives that tag; a tag whose TID cannot be read
    // is counted as lost, never delivered as a TID read.
    void tidInventory()
    {
        readersim::Tag shortTid = model_->tag(0);
        shortTid.tid.resize(4);
        model_->setTag(0, shortTid);
        std::map<std::string, std::vector<uint8_t>> tidOf;
        for (const readersim::Tag& t : model_->tags())
            tidOf[hex(t.epc)] = t.tid;
        QVERIFY(ZALT_6CReadEPCTIDCode(h_, 0, 0, 0));
        std::map<std::string, uint64_t> seen;
        unsigned char antenna = 0, epc[255], tid[255];
        // 0 nothing delivered, 1 a read as the model has it, -1 one that is not
        auto take = [&] {
            unsigned char epcLen = 255, tidLen = 255;
            if (!ZALT_6CRevEPCTIDMsg(h_, &antenna, epc, &epcLen, tid, &tidLen))
                return 0;
            const std::string e = hex(std::vector<uint8_t>(epc, epc + epcLen));
            ++seen[e];
            return tidOf.count(e) && hex(std::vector<uint8_t>(tid, tid + tidLen)) == hex(tidOf[e]) &&
                           antenna >= 1 && antenna <= 4
                       ? 1
                       : -1;
        };
        for (int reads = 0; reads < 300;) {
            const int got = take();
            QCOMPARE_NE(got, -1);
            if (got == 1) {
                ++reads;
                int dbm = 0;
                QVERIFY(ZALT_LastReportRSSI(h_, &dbm));
            }
        }
        QVERIFY(ZALT_PowerOff(h_));
        for (int got; (got = take()) != 0;)
            QCOMPARE(got, 1);
        unsigned long long lost = 0;
        QVERIFY(ZALT_GetReportStats(h_, nullptr, &lost, nullptr, nullptr));
        for (size_t i = 0; i < model_->tagCount(); ++i) {
            const readersim::Tag t = model_->tag(i);
            uint64_t sent = 0;
            for (int a = 1; a <= 4; ++a)
                sent += t.reports[size_t(a)];
            QCOMPARE(seen[hex(t.epc)], i == 0 ? 0 : sent);
            if (i == 0)
                QCOMPARE(uint64_t(lost), sent);
        }
        QVERIFY(lost > 0);

        // The TID alone; an EPC receive skips those reads, as it skips a 6C reader's TID reports.
        QVERIFY(ZALT_6CReadTIDCode(h_, 0, 0, 0));
        for (int reads = 0; reads < 100;) {
            unsigned char tidLen = 255;
            if (ZALT_6CRevTIDMsg(h_, &antenna, tid, &tidLen)) {
                const std::string t = hex(std::vector<uint8_t>(tid, tid + tidLen));
                QVERIFY2(std::any_of(tidOf.begin(), tidOf.end(),
                                     [&](const auto& e) { return hex(e.second) == t; }),
                         t.c_str());
                QVERIFY(t != hex(shortTid.tid));
                ++reads;
            }
        }
        unsigned char epcLen = 255;
        QVERIFY(!ZALT_6CRevEPCMsg(h_, &antenna, epc, &epcLen));
        QVERIFY(ZALT_PowerOff(h_));
        QVERIFY(ZALT_PowerOff(h_)); // nothing left to stop is no failure, as on a 6C reader
    }

    void antennaPower_data()
    {
        QTest::addColumn<int>("asked"); // dBm
        QTest::addColumn<int>("got");   // dBm read back; -1: refused, the power stays
        QTest::newRow("highest") << 30 << 30;
        QTest::newRow("exact") << 24 << 24;
        QTest::newRow("between: the lower, cut to whole dBm") << 29 << 25;
        QTest::newRow("never above") << 23 << 16;
        QTest::newRow("just above the lowest") << 15 << 10;
        QTest::newRow("lowest") << 10 << 10;
        QTest::newRow("below the table") << 9 << -1;
        QTest::newRow("zero") << 0 << -1;
    }

    // Power set and read back through the reader's own table: the nearest power not above the one
    // asked for, and a refusal below its lowest.
    void antennaPower()
    {
        QFETCH(int, asked);
        QFETCH(int, got);
        restartWith({1000, 1650, 2400, 2575, 3000});
        const auto powerByte = [](int dbm) { return uint8_t(dbm >= 20 ? dbm - 20 : dbm + 16); };
        uint8_t record[3 * kRecordAntennas] = {
            1, 0, 1, 1, powerByte(30), powerByte(30), powerByte(30), powerByte(30), 1, 2, 3, 4};
        record[kRecordAntennas + 1] = powerByte(asked);
        QCOMPARE(ZALT_AntennaParmSet(h_, record, sizeof record), uint8_t(got >= 0));
        if (got < 0)
            QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        for (int a = 1; a <= kRecordAntennas; ++a) {
            unsigned char enabled = 9, power = 99, dwell = 99;
            QVERIFY(ZALT_AntennaParmQuery(h_, uint8_t(a), &enabled, &power, &dwell));
            // A refused record changes nothing: every antenna as the reader started, enabled, dwell 1.
            const bool kept = got >= 0;
            QCOMPARE(int(enabled), kept ? int(record[a - 1]) : 1);
            QCOMPARE(int(dwell), kept ? int(record[2 * kRecordAntennas + a - 1]) : 1);
            QCOMPARE(int(power), int(powerByte(a == 2 && kept ? got : 30)));
        }
    }

    void antennaRecordRefusals()
    {
        uint8_t record[3 * kRecordAntennas] = {1, 1, 1, 1, 10, 10, 10, 10, 1, 1, 1, 1};
        QVERIFY(!ZALT_AntennaParmSet(h_, record, sizeof record - 1));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_LENGTH));
        record[0] = 2;
        QVERIFY(!ZALT_AntennaParmSet(h_, record, sizeof record));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        record[0] = 1;
        record[kRecordAntennas] = 12; // a byte no power list position sends
        QVERIFY(!ZALT_AntennaParmSet(h_, record, sizeof record));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        uint8_t none[3 * kRecordAntennas] = {0, 0, 0, 0, 10, 10, 10, 10, 1, 1, 1, 1};
        QVERIFY(ZALT_AntennaParmSet(h_, none, sizeof none));
        QVERIFY(!ZALT_6CReadEPCCode(h_, 0, 0, 0)); // no enabled antenna to read with
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        QVERIFY(!ZALT_6CReadEPCCode(h_, 7, 0, 0)); // an antenna the reader does not have
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        QVERIFY(ZALT_PowerOff(h_)); // nothing was started, so nothing fails to stop
    }

    // Antenna 0 reads with the enabled antennas only.
    void disabledAntennaIsNotRead()
    {
        uint8_t record[3 * kRecordAntennas] = {1, 0, 1, 1, 10, 10, 10, 10, 1, 1, 1, 1};
        QVERIFY(ZALT_AntennaParmSet(h_, record, sizeof record));
        QVERIFY(ZALT_6CReadEPCCode(h_, 0, 0, 0));
        std::map<int, int> perAntenna;
        unsigned char antenna = 0, epc[255];
        for (int reads = 0; reads < 600;) {
            unsigned char len = 255;
            if (ZALT_6CRevEPCMsg(h_, &antenna, epc, &len)) {
                ++perAntenna[antenna];
                ++reads;
            }
        }
        QVERIFY(ZALT_PowerOff(h_));
        QCOMPARE(perAntenna.count(2), size_t(0));
        for (int a : {1, 3, 4})
            QVERIFY2(perAntenna[a] > 0, std::to_string(a).c_str());
    }

private:
    void restartWith(const std::vector<int16_t>& powerTable)
    {
        ZALT_Close(h_);
        server_.reset();
        readersim::LlrpOptions o;
        o.rate = 0;
        o.powerTable = powerTable;
        server_ = std::make_unique<readersim::LlrpServer>(*model_, o);
        std::string error;
        QVERIFY2(server_->start(&error), error.c_str());
        QVERIFY(ZALT_LLRPInit(&h_, "127.0.0.1", server_->port()));
        QVERIFY(ZALT_Open(h_));
    }
};

QTEST_APPLESS_MAIN(TstZaltlinkLlrp)
#include "tst_zaltlink_llrp.moc"
