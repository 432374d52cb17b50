// zaltlink's tag operations on an LLRP reader: readersim's LLRP endpoint in this process; each result is
// the one the 6C reader gives over the same tags.
#include "readersim/llrp_server.h"
#include "zaltlink_llrp.h"

#include <QtTest>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

int errorOf(ZALT_HANDLE h)
{
    int code = -1;
    ZALT_GetErrorCode(h, &code);
    return code;
}

Bytes pw(uint32_t v)
{
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

} // namespace

class TstZaltlinkLlrpAccess : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<readersim::ReaderModel> model_;
    std::unique_ptr<readersim::LlrpServer> server_;
    ZALT_HANDLE h_ = 0;

    // The call's result as an error code: 0 for success.
    int code(unsigned char ok) { return ok ? 0 : errorOf(h_); }

    bool selectEpc(const Bytes& epc)
    {
        return ZALT_6CTagSelect(h_, 1, 0, int(epc.size() * 8), epc.data(), uint8_t(epc.size()), 0, 0, 0);
    }

    // The EPCs an inventory reports over `reads` reads.
    std::set<Bytes> inventory(int reads)
    {
        std::set<Bytes> seen;
        if (!ZALT_6CReadEPCCode(h_, 0, 0, 0))
            return seen;
        unsigned char antenna = 0, epc[255];
        for (int n = 0; n < reads;) {
            unsigned char len = 255;
            if (ZALT_6CRevEPCMsg(h_, &antenna, epc, &len)) {
                seen.insert(Bytes(epc, epc + len));
                ++n;
            }
        }
        ZALT_PowerOff(h_);
        for (unsigned char len = 255; ZALT_6CRevEPCMsg(h_, &antenna, epc, &len); len = 255) {
        }
        return seen;
    }

private slots:
    void init()
    {
        model_ = std::make_unique<readersim::ReaderModel>(5, 6);
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
        // Every operation takes away what it put on the reader, and its tag reads are not the
        // operator's inventory.
        if (server_ && h_ && !QTest::currentTestFailed()) {
            QTRY_COMPARE(server_->specsHeld(), size_t(0)); // ZALT_PowerOff deletes the inventory's too
            unsigned char antenna = 0, epc[255], len = 255;
            QVERIFY(!ZALT_6CRevEPCMsg(h_, &antenna, epc, &len));
        }
        ZALT_Close(h_);
        server_.reset();
        model_.reset();
    }

    void userMemoryReadAndWrite()
    {
        const readersim::Tag t = model_->tag(3);
        QVERIFY(selectEpc(t.epc));
        unsigned char buf[64];
        int len = sizeof buf;
        QVERIFY(ZALT_6CReadUserData(h_, 0, 2, 5, 1000, buf, &len));
        QCOMPARE(len, 5);
        QCOMPARE(Bytes(buf, buf + 10), Bytes(t.user.begin() + 4, t.user.begin() + 14));

        const std::vector<readersim::Tag> before = model_->tags();
        const Bytes data = {1, 2, 3, 4, 5, 6};
        int words = 3;
        QVERIFY(ZALT_6CWriteUserData(h_, 0, 0, pw(0).data(), 29, 1000, data.data(), &words));
        QCOMPARE(words, 3);
        const readersim::Tag after = model_->tag(3);
        QCOMPARE(Bytes(after.user.begin() + 58, after.user.end()), data);
        for (size_t i = 0; i < model_->tagCount(); ++i) // the selected tag alone
            QVERIFY(i == 3 || model_->tag(i).user == before[i].user);

        // Past the end of user memory, as the 6C reader answers.
        len = sizeof buf;
        QVERIFY(!ZALT_6CReadUserData(h_, 0, 30, 4, 1000, buf, &len));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_MEMORY_OVERRUN));
        len = sizeof buf;
        QVERIFY(!ZALT_6CReadUserData(h_, 9, 0, 1, 1000, buf, &len)); // no such antenna
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        words = 3;
        QVERIFY(!ZALT_6CWriteUserData(h_, 0, 0, pw(0).data(), 31, 1000, data.data(), &words));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_MEMORY_OVERRUN));
    }

    void epcWriteReadsBackWhole()
    {
        QVERIFY(selectEpc(model_->tag(1).epc));
        const Bytes epc = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x11, 0x22}; // shorter than before
        QVERIFY(ZALT_6CWriteEPCCode(h_, 0, 0, pw(0).data(), epc.data(), uint8_t(epc.size())));
        QCOMPARE(model_->tag(1).epc, epc);
        QTRY_VERIFY(inventory(60).count(epc));
        // The old select names no tag now.
        QVERIFY(!ZALT_6CWriteEPCCode(h_, 0, 0, pw(0).data(), epc.data(), uint8_t(epc.size())));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_TAG_NOT_FOUND));
        QVERIFY(!ZALT_6CWriteEPCCode(h_, 0, 0, pw(0).data(), epc.data(), 3));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
    }

    // Passwords and locks in the order an operator sets them; each step as the 6C reader answers it.
    void passwordsLocksAndKill()
    {
        const uint32_t access = 0x11223344, kill = 0x55667788;
        const Bytes epc = model_->tag(2).epc;
        QVERIFY(selectEpc(epc));
        const Bytes data = {9, 9};
        auto write = [&](uint32_t p) {
            int words = 1;
            return code(ZALT_6CWriteUserData(h_, 0, 0, pw(p).data(), 0, 1000, data.data(), &words));
        };
        auto setAccess = [&](uint32_t from, uint32_t to) {
            return code(ZALT_6CAccessPWDSet(h_, 0, 0, pw(from).data(), pw(to).data()));
        };
        auto setKill = [&](uint32_t from, uint32_t to) {
            return code(ZALT_6CDestroyPWDSet(h_, 0, 0, pw(from).data(), pw(to).data()));
        };
        auto lock = [&](uint32_t p, uint8_t op, uint8_t area) {
            return code(ZALT_6CTagLock(h_, 0, pw(p).data(), op, area));
        };
        auto killTag = [&](uint32_t p) { return code(ZALT_6CTagKill(h_, 0, pw(p).data(), epc.data(), 12)); };
        const struct
        {
            const char* what;
            std::function<int()> step;
            int expected;
        } steps[] = {
            {"access password from a wrong old one", [&] { return setAccess(1, access); },
             ZALT_ERR_WRONG_PASSWORD},
            {"access password set", [&] { return setAccess(0, access); }, 0},
            {"kill password set", [&] { return setKill(0, kill); }, 0},
            {"kill password from a wrong old one", [&] { return setKill(7, 8); }, ZALT_ERR_WRONG_PASSWORD},
            {"lock without the password", [&] { return lock(0, 0, 3); }, ZALT_ERR_WRONG_PASSWORD},
            {"lock user memory", [&] { return lock(access, 0, 3); }, 0},
            {"locked write, no password", [&] { return write(0); }, ZALT_ERR_MEMORY_LOCKED},
            {"locked write, wrong password", [&] { return write(0x0BAD); }, ZALT_ERR_WRONG_PASSWORD},
            {"locked write, its password", [&] { return write(access); }, 0},
            {"unlock", [&] { return lock(access, 1, 3); }, 0},
            {"unlocked write, no password", [&] { return write(0); }, 0},
            {"lock area 6", [&] { return lock(access, 0, 6); }, ZALT_ERR_BAD_PARAMETER},
            {"kill, zero password", [&] { return killTag(0); }, ZALT_ERR_WRONG_PASSWORD},
            {"kill, wrong password", [&] { return killTag(kill + 1); }, ZALT_ERR_WRONG_PASSWORD},
            {"kill", [&] { return killTag(kill); }, 0},
            {"the dead tag", [&] { return write(access); }, ZALT_ERR_TAG_NOT_FOUND},
        };
        for (const auto& s : steps)
            QVERIFY2(s.step() == s.expected, s.what);
        const readersim::Tag t = model_->tag(2);
        QCOMPARE(t.accessPassword, access);
        QCOMPARE(t.killPassword, kill);
        QVERIFY(t.killed);
        QVERIFY(!inventory(100).count(epc));
    }

    void selectsNameTheTag()
    {
        // TID bytes 8..11 hold the tag's number: a select past the first byte boundary.
        const Bytes tid = model_->tag(4).tid;
        QVERIFY(ZALT_6CTagSelect(h_, 2, 64, 32, tid.data() + 8, 4, 0, 0, 0));
        const Bytes data = {0x4E, 0x4E};
        int words = 1;
        QVERIFY(ZALT_6CWriteUserData(h_, 0, 0, pw(0).data(), 0, 1000, data.data(), &words));
        const Bytes user = model_->tag(4).user;
        QCOMPARE(Bytes(user.begin(), user.begin() + 2), data);

        const Bytes none = {0xDE, 0xAD, 0xBE, 0xEF};
        QVERIFY(ZALT_6CTagSelect(h_, 1, 0, 32, none.data(), 4, 0, 0, 0));
        unsigned char buf[8];
        int len = sizeof buf;
        QVERIFY(!ZALT_6CReadUserData(h_, 0, 0, 2, 300, buf, &len));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_TAG_NOT_FOUND));
        // A select longer than its bytes is refused; length 0 cancels the select.
        QVERIFY(!ZALT_6CTagSelect(h_, 1, 0, 40, none.data(), 4, 0, 0, 0));
        QCOMPARE(errorOf(h_), int(ZALT_ERR_BAD_PARAMETER));
        QVERIFY(ZALT_6CTagSelect(h_, 1, 0, 0, nullptr, 0, 0, 0, 0));
        len = sizeof buf;
        QVERIFY(ZALT_6CReadUserData(h_, 0, 0, 2, 1000, buf, &len));
        QCOMPARE(len, 2);
    }
};

QTEST_GUILESS_MAIN(TstZaltlinkLlrpAccess)
#include "tst_zaltlink_llrp_access.moc"
