// zaltlink on an LLRP reader: readersim's LLRP endpoint in this process, driven through the C API.
#include "readersim/llrp_server.h"
#include "zaltlink_llrp.h"

#include <QtTest>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

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
        unsigned char enabled = 0, power = 0, dwell = 0;
        QVERIFY(!ZALT_AntennaParmQuery(h_, 1, &enabled, &power, &dwell));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_UNSUPPORTED_COMMAND));
        QVERIFY(!ZALT_6CReadTIDCode(h_, 0, 0, 0));
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
};

QTEST_APPLESS_MAIN(TstZaltlinkLlrp)
#include "tst_zaltlink_llrp.moc"
