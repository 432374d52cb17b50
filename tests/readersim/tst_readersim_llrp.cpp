// readersim's LLRP endpoint, through the llrp codec over a loopback socket: identity and power table,
// antenna power, the ROSpec lifecycle, inventory counts, and tag access through AccessSpecs.
#include "readersim/llrp_server.h"

#include "llrp/messages.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <map>

using namespace llrp;
using readersim::LlrpServer;

namespace {

// A client of our own: the codec and a blocking socket. Waits are hang guards only.
class Client
{
public:
    ~Client()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool connectTo(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(uint16_t(port));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    }
    template <class M> uint32_t send(const M& m)
    {
        const uint32_t id = nextId_++;
        const Bytes b = encodeMessage(m, id);
        return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size()) ? id : 0;
    }
    bool sendRaw(const Bytes& b)
    {
        return ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) == ssize_t(b.size());
    }
    bool next(Bytes& m)
    {
        while (!splitter_.next(m)) {
            pollfd p{fd_, POLLIN, 0};
            uint8_t buf[65536];
            if (splitter_.failed() || ::poll(&p, 1, 20000) <= 0)
                return false;
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0)
                return false;
            splitter_.feed(buf, size_t(n));
        }
        return true;
    }
    // The next message of M's type (with `id` unless 0). Tag reports met on the way are kept in
    // `reports`; keepalives are counted and acknowledged.
    template <class M> bool await(M& m, uint32_t id = 0)
    {
        Bytes b;
        while (next(b)) {
            Header h;
            readHeader(b.data(), b.size(), h);
            if (h.type == msg::RoAccessReport) {
                RoAccessReport r;
                if (!decodeMessage(b, r))
                    return false;
                reports.insert(reports.end(), r.tags.begin(), r.tags.end());
            } else if (h.type == msg::Keepalive) {
                ++keepalives;
                send(KeepaliveAck());
            }
            if (h.type == M::kType && (id == 0 || h.id == id))
                return decodeMessage(b, m);
        }
        return false;
    }
    // Sends the request and gives the status of its answer (0xFFFF when none came).
    template <class Resp, class Req> uint16_t call(const Req& req)
    {
        Resp resp;
        return await(resp, send(req)) ? resp.status.code : 0xFFFF;
    }

    std::vector<TagReportData> reports;
    int keepalives = 0;

private:
    int fd_ = -1;
    uint32_t nextId_ = 1;
    StreamSplitter splitter_;
};

RoSpec roSpec(uint32_t id, std::vector<uint16_t> antennas = {0})
{
    RoSpec s;
    s.id = id;
    AiSpec ai;
    ai.antennaIds = std::move(antennas);
    s.aiSpecs = {ai};
    return s;
}

AddRoSpec add(const RoSpec& s)
{
    AddRoSpec a;
    a.roSpec = s;
    return a;
}

SetReaderConfig powerOf(uint16_t antenna, uint16_t index, bool reset = false)
{
    SetReaderConfig s;
    s.resetToFactoryDefault = reset;
    AntennaConfiguration c;
    c.antennaId = antenna;
    c.transmitter = RfTransmitter{1, 1, index};
    if (index)
        s.settings.antennaConfigurations = {c};
    return s;
}

uint16_t powerIndex(Client& c, uint16_t antenna)
{
    GetReaderConfigResponse r;
    if (!c.await(r, c.send(GetReaderConfig{antenna, GetReaderConfig::AntennaConfiguration, 0, 0})) ||
        r.settings.antennaConfigurations.size() != 1 || !r.settings.antennaConfigurations[0].transmitter)
        return 0;
    return r.settings.antennaConfigurations[0].transmitter->transmitPower;
}

} // namespace

class TstReadersimLlrp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<readersim::ReaderModel> model_;
    std::unique_ptr<LlrpServer> server_;
    std::unique_ptr<Client> client_;

    // The tag every access acts on, with passwords of its own.
    static constexpr size_t kTarget = 3;
    static constexpr uint32_t kAccess = 0x11223344;
    static constexpr uint32_t kKill = 0x55667788;

    // Runs `op` through an AccessSpec aimed at the target's EPC during an inventory, and gives the
    // result it reported.
    OpSpecResult access(const OpSpec& op)
    {
        static uint32_t nextSpec = 100;
        const uint32_t id = nextSpec++;
        const Bytes epc = model_->tag(kTarget).epc;
        AddAccessSpec a;
        a.accessSpec.id = id;
        a.accessSpec.stop = AccessSpecStopTrigger{1, 1};
        C1G2TargetTag target;
        target.pointer = 32; // the EPC bank's EPC, after CRC and PC
        target.maskBits = target.dataBits = uint16_t(epc.size() * 8);
        target.mask.assign(epc.size(), 0xFF);
        target.data = epc;
        a.accessSpec.command.tagSpec.targets = {target};
        a.accessSpec.command.opSpecs = {op};
        Client& c = *client_;
        c.reports.clear();
        if (c.call<AddAccessSpecResponse>(a) != 0 ||
            c.call<EnableAccessSpecResponse>(EnableAccessSpec{id}) != 0 ||
            c.call<StartRoSpecResponse>(StartRoSpec{1}) != 0)
            return {};
        std::optional<OpSpecResult> result;
        RoAccessReport r;
        while (!result && c.await(r)) {
            for (const TagReportData& t : c.reports) {
                if (t.accessSpecId == id && t.results.size() == 1)
                    result = t.results[0];
            }
        }
        c.call<StopRoSpecResponse>(StopRoSpec{1});
        return result.value_or(OpSpecResult());
    }

private slots:
    void init()
    {
        model_ = std::make_unique<readersim::ReaderModel>(7, 8);
        readersim::Tag t = model_->tag(kTarget);
        t.accessPassword = kAccess;
        t.killPassword = kKill;
        model_->setTag(kTarget, t);
        readersim::LlrpOptions o;
        o.rate = 0;
        server_ = std::make_unique<LlrpServer>(*model_, o);
        std::string error;
        QVERIFY2(server_->start(&error), error.c_str());
        client_ = std::make_unique<Client>();
        QVERIFY(client_->connectTo(server_->port()));
        ReaderEventNotification hello;
        QVERIFY(client_->await(hello));
        QCOMPARE(hello.data.connectionAttempt.value_or(99), uint16_t(0));
    }
    void cleanup()
    {
        client_.reset();
        server_.reset();
        model_.reset();
    }

    void capabilitiesAndSecondClient()
    {
        GetReaderCapabilitiesResponse caps;
        QVERIFY(client_->await(caps, client_->send(GetReaderCapabilities())));
        QCOMPARE(caps.status.code, status::Success);
        QVERIFY(caps.general && caps.regulatory && caps.regulatory->uhf);
        QCOMPARE(caps.general->maxAntennas, uint16_t(4));
        QCOMPARE(caps.general->firmware, std::string("V2.1.7"));
        std::map<uint32_t, std::string> names;
        for (const Custom& c : caps.custom)
            names[c.subtype] = std::string(c.data.begin(), c.data.end());
        QCOMPARE(names[1], std::string("Rivulet"));
        QCOMPARE(names[2], std::string("readersim"));
        const auto& levels = caps.regulatory->uhf->powerLevels;
        QCOMPARE(levels.size(), size_t(LlrpServer::kPowerLevels));
        QCOMPARE(levels.front().centiDbm, int16_t(1000));
        QCOMPARE(levels.back().centiDbm, int16_t(3000));
        QCOMPARE(levels[40].index, uint16_t(41));

        // A reader serves one client; the second is told why it is turned away.
        Client second;
        QVERIFY(second.connectTo(server_->port()));
        ReaderEventNotification refused;
        QVERIFY(second.await(refused));
        QCOMPARE(refused.data.connectionAttempt.value_or(0), uint16_t(2));
        QCOMPARE(client_->call<SetReaderConfigResponse>(powerOf(0, 1)), status::Success);
    }

    void antennaPower()
    {
        Client& c = *client_;
        QCOMPARE(c.call<SetReaderConfigResponse>(powerOf(2, 41)), status::Success);
        QCOMPARE(powerIndex(c, 2), uint16_t(41));
        QCOMPARE(powerIndex(c, 1), LlrpServer::kDefaultPowerIndex);
        // Out of the table, or a missing antenna: refused, and nothing changes.
        QCOMPARE(c.call<SetReaderConfigResponse>(powerOf(2, 82)), status::ParameterError);
        QCOMPARE(c.call<SetReaderConfigResponse>(powerOf(5, 10)), status::ParameterError);
        QCOMPARE(powerIndex(c, 2), uint16_t(41));
        QCOMPARE(c.call<SetReaderConfigResponse>(powerOf(0, 0, true)), status::Success);
        QCOMPARE(powerIndex(c, 2), LlrpServer::kDefaultPowerIndex);
    }

    void roSpecLifecycle()
    {
        Client& c = *client_;
        struct Step
        {
            const char* what;
            std::function<uint16_t()> run;
            uint16_t expected;
        };
        const Step steps[] = {
            {"start unknown", [&] { return c.call<StartRoSpecResponse>(StartRoSpec{5}); }, status::Invalid},
            {"add", [&] { return c.call<AddRoSpecResponse>(add(roSpec(5))); }, status::Success},
            {"add again", [&] { return c.call<AddRoSpecResponse>(add(roSpec(5))); }, status::Invalid},
            {"add antenna 9", [&] { return c.call<AddRoSpecResponse>(add(roSpec(6, {9}))); },
             status::ParameterError},
            {"start disabled", [&] { return c.call<StartRoSpecResponse>(StartRoSpec{5}); }, status::Invalid},
            {"stop idle", [&] { return c.call<StopRoSpecResponse>(StopRoSpec{5}); }, status::Invalid},
            {"enable", [&] { return c.call<EnableRoSpecResponse>(EnableRoSpec{5}); }, status::Success},
            {"start", [&] { return c.call<StartRoSpecResponse>(StartRoSpec{5}); }, status::Success},
            {"start running", [&] { return c.call<StartRoSpecResponse>(StartRoSpec{5}); }, status::Invalid},
            {"disable", [&] { return c.call<DisableRoSpecResponse>(DisableRoSpec{5}); }, status::Success},
            {"start disabled again", [&] { return c.call<StartRoSpecResponse>(StartRoSpec{5}); },
             status::Invalid},
            {"delete", [&] { return c.call<DeleteRoSpecResponse>(DeleteRoSpec{5}); }, status::Success},
            {"enable deleted", [&] { return c.call<EnableRoSpecResponse>(EnableRoSpec{5}); },
             status::Invalid},
        };
        for (const Step& s : steps)
            QVERIFY2(s.run() == s.expected, s.what);
        QVERIFY(!model_->inventory().running);
    }

    void inventoryCountsEveryReport()
    {
        Client& c = *client_;
        QCOMPARE(c.call<AddRoSpecResponse>(add(roSpec(1, {1, 3}))), status::Success);
        QCOMPARE(c.call<EnableRoSpecResponse>(EnableRoSpec{1}), status::Success);
        QCOMPARE(c.call<StartRoSpecResponse>(StartRoSpec{1}), status::Success);
        RoAccessReport r;
        while (c.reports.size() < 2000)
            QVERIFY(c.await(r));
        // Every report generated before the stop's answer is on the wire ahead of it.
        QCOMPARE(c.call<StopRoSpecResponse>(StopRoSpec{1}), status::Success);
        std::map<std::pair<Bytes, uint16_t>, uint64_t> seen;
        for (const TagReportData& t : c.reports) {
            QVERIFY(t.antennaId && t.peakRssi && t.firstSeenUtc && t.tagSeenCount == uint16_t(1));
            QVERIFY(*t.antennaId == 1 || *t.antennaId == 3);
            ++seen[{t.epc, *t.antennaId}];
        }
        uint64_t total = 0;
        for (size_t i = 0; i < model_->tagCount(); ++i) {
            const readersim::Tag t = model_->tag(i);
            for (uint16_t a = 1; a <= 4; ++a) {
                QCOMPARE(seen[std::make_pair(t.epc, a)], t.reports[a]);
                total += t.reports[a];
            }
        }
        QCOMPARE(total, uint64_t(c.reports.size()));
        QCOMPARE(server_->tagReportsSent(), total);
    }

    void accessSpecsReadWriteLockKill()
    {
        Client& c = *client_;
        QCOMPARE(c.call<AddRoSpecResponse>(add(roSpec(1))), status::Success);
        QCOMPARE(c.call<EnableRoSpecResponse>(EnableRoSpec{1}), status::Success);
        using W = C1G2WriteOpSpecResult;
        auto write = [](uint32_t password) {
            return C1G2Write{1, password, Bank::User, 2, {0xBEEF, 0xCAFE}};
        };
        auto writeResult = [&](uint32_t password) {
            const OpSpecResult r = access(write(password));
            return std::holds_alternative<W>(r) ? std::get<W>(r).result : uint8_t(0xFF);
        };

        QCOMPARE(writeResult(kAccess), W::Success);
        const OpSpecResult read = access(C1G2Read{2, 0, Bank::User, 2, 2});
        QVERIFY(std::holds_alternative<C1G2ReadOpSpecResult>(read));
        QCOMPARE(std::get<C1G2ReadOpSpecResult>(read).data, (std::vector<uint16_t>{0xBEEF, 0xCAFE}));
        QCOMPARE(model_->tag(kTarget).user[4], uint8_t(0xBE));

        C1G2Lock lock{3, kAccess, {C1G2LockPayload{C1G2LockPayload::ReadWrite, C1G2LockPayload::UserMemory}}};
        const OpSpecResult locked = access(lock);
        QVERIFY(std::holds_alternative<C1G2LockOpSpecResult>(locked));
        QCOMPARE(std::get<C1G2LockOpSpecResult>(locked).result, C1G2LockOpSpecResult::Success);
        QCOMPARE(writeResult(0), W::MemoryLocked);
        QCOMPARE(writeResult(kAccess + 1), W::IncorrectPassword);
        QCOMPARE(writeResult(kAccess), W::Success);

        const OpSpecResult wrongKill = access(C1G2Kill{4, kKill + 1});
        QCOMPARE(std::get<C1G2KillOpSpecResult>(wrongKill).result, C1G2KillOpSpecResult::IncorrectPassword);
        const OpSpecResult killed = access(C1G2Kill{5, kKill});
        QCOMPARE(std::get<C1G2KillOpSpecResult>(killed).result, C1G2KillOpSpecResult::Success);
        QVERIFY(model_->tag(kTarget).killed);
        // A killed tag is never reported again.
        c.reports.clear();
        QCOMPARE(c.call<StartRoSpecResponse>(StartRoSpec{1}), status::Success);
        RoAccessReport r;
        while (c.reports.size() < 200)
            QVERIFY(c.await(r));
        QCOMPARE(c.call<StopRoSpecResponse>(StopRoSpec{1}), status::Success);
        for (const TagReportData& t : c.reports)
            QVERIFY(t.epc != model_->tag(kTarget).epc);
    }

    // An immediate start trigger starts the ROSpec on ENABLE; its duration ends it, and says so.
    void durationEndsTheRoSpec()
    {
        Client& c = *client_;
        RoSpec s = roSpec(2);
        s.boundary.start.type = 1;
        s.boundary.stop = RoSpecStopTrigger{1, 30};
        QCOMPARE(c.call<AddRoSpecResponse>(add(s)), status::Success);
        QCOMPARE(c.call<EnableRoSpecResponse>(EnableRoSpec{2}), status::Success);
        ReaderEventNotification ended;
        QVERIFY(c.await(ended));
        QVERIFY(ended.data.roSpecEvent && ended.data.roSpecEvent->roSpecId == 2);
        QCOMPARE(ended.data.roSpecEvent->type, uint8_t(ReaderEventNotificationData::RoSpecEnded));
        QVERIFY(!model_->inventory().running);
        QCOMPARE(c.call<StartRoSpecResponse>(StartRoSpec{2}), status::Success);
    }

    // What a reader says to requests it cannot carry out, and how a client leaves.
    void oddRequestsAndClose()
    {
        Client& c = *client_;
        auto raw = [](uint8_t first, uint8_t type, const Bytes& body) {
            Bytes b = {first, type, 0, 0, 0, uint8_t(10 + body.size()), 0, 0, 0, 77};
            b.insert(b.end(), body.begin(), body.end());
            return b;
        };
        struct Row
        {
            const char* what;
            Bytes message;
            uint16_t expectedType;
            uint16_t expectedStatus;
        };
        const Row rows[] = {
            {"unknown message", raw(0x04, 99, {}), msg::ErrorMessage, status::UnsupportedMessage},
            {"version 2", raw(0x08, 1, {0}), msg::ErrorMessage, status::UnsupportedVersion},
            {"ADD_ROSPEC without its ROSpec", raw(0x04, msg::AddRoSpec, {}), msg::AddRoSpecResponse,
             status::ParameterError},
            {"START_ROSPEC cut short", raw(0x04, msg::StartRoSpec, {0, 0}), msg::StartRoSpecResponse,
             status::ParameterError},
        };
        for (const Row& r : rows) {
            QVERIFY2(c.sendRaw(r.message), r.what);
            Bytes b;
            Header h;
            QVERIFY2(c.next(b) && readHeader(b.data(), b.size(), h), r.what);
            QVERIFY2(h.type == r.expectedType && h.id == 77, r.what);
            StatusMessage<0> answer;
            Bytes asZero = b;
            asZero[0] = 0x04;
            asZero[1] = 0;
            QVERIFY2(decodeMessage(asZero, answer) && answer.status.code == r.expectedStatus, r.what);
        }
        QCOMPARE(c.call<CloseConnectionResponse>(CloseConnection()), status::Success);
        Bytes b;
        QVERIFY(!c.next(b)); // the reader closed the link
        QTRY_COMPARE(server_->clients(), 0);
    }

    void keepalivesAtTheirPeriod()
    {
        Client& c = *client_;
        SetReaderConfig s;
        s.settings.keepaliveSpec = KeepaliveSpec{1, 20};
        QCOMPARE(c.call<SetReaderConfigResponse>(s), status::Success);
        Keepalive k;
        QVERIFY(c.await(k));
        QVERIFY(c.await(k));
        QCOMPARE(c.keepalives, 2);
    }
};

QTEST_APPLESS_MAIN(TstReadersimLlrp)
#include "tst_readersim_llrp.moc"
