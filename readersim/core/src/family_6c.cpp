// The 6C family: a table of per-command handlers over ReaderModel. Each handler decodes its request
// with the 6C messages (wire/messages_6c.h), calls the model and encodes the answer; a request too
// short for its fields (or too long where its length is fixed) is refused with BadLength.
#include "family.h"

#include "readersim/model.h"

#include <wire/commands.h>
#include <wire/messages_6c.h>

#include <array>
#include <string>

namespace readersim {

namespace {

namespace cmd = wire::cmd;
namespace m6c = wire::m6c;

uint8_t statusOf(Result r)
{
    switch (r) {
    case Result::Ok:
        return wire::status::Ok;
    case Result::NoTag:
        return wire::status::TagNotFound;
    case Result::BadPassword:
        return wire::status::WrongPassword;
    case Result::Locked:
        return wire::status::MemoryLocked;
    case Result::BadArgument:
    case Result::ReadOnly:
    case Result::NotSupported:
        return wire::status::BadParameter;
    case Result::MemoryOverrun:
        return wire::status::MemoryOverrun;
    case Result::Busy:
        return wire::status::Busy;
    case Result::BadLength:
        return wire::status::BadLength;
    case Result::NoModule:
        return wire::status::NoModule;
    }
    return wire::status::InternalError;
}

// One request being carried out.
struct Call
{
    ReaderModel& model;
    const wire::Frame& request;
    std::vector<uint8_t>& answer; // payload of a successful answer
    const RequestContext& context;
    Effect effect = Effect::None;

    template <class Request> bool read(Request& r) const { return r.decode(request.payload); }
    // The answer's payload when the model said yes.
    template <class Answer> Result reply(Result r, const Answer& a)
    {
        if (r == Result::Ok)
            a.encode(answer);
        return r;
    }
};

using Handler = Result (*)(Call&);

// Queries answered with the record the model fills in.
template <Result (ReaderModel::*Query)(uint8_t, std::vector<uint8_t>*) const> Result typeQuery(Call& c)
{
    m6c::TypeRequest q;
    if (!c.read(q))
        return Result::BadLength;
    wire::Record a;
    return c.reply((c.model.*Query)(q.type, &a.bytes), a);
}

// Sets of a typed record.
template <Result (ReaderModel::*Set)(uint8_t, const std::vector<uint8_t>&)> Result typedSet(Call& c)
{
    m6c::TypedRecord q;
    if (!c.read(q))
        return Result::BadLength;
    return (c.model.*Set)(q.type, q.record);
}

Result hello(Call& c)
{
    c.effect = Effect::Hello;
    return c.reply(Result::Ok, m6c::HelloAnswer());
}

Result bye(Call& c)
{
    c.effect = Effect::Bye;
    return Result::Ok;
}

Result ping(Call& c)
{
    wire::Record q;
    c.read(q);
    return c.reply(Result::Ok, q);
}

Result parmOp(Call& c)
{
    m6c::ParmOpRequest q;
    if (!c.read(q))
        return Result::BadLength;
    switch (q.op) {
    case 0:
        c.model.restoreDefaults();
        return Result::Ok;
    case 1:
        return c.model.parmWrite(q.address, q.data);
    case 2: {
        wire::Record a;
        return c.reply(c.model.parmRead(q.address, q.count, &a.bytes), a);
    }
    default:
        return Result::BadArgument;
    }
}

Result reboot(Call& c)
{
    m6c::ModeRequest q;
    if (!c.read(q))
        return Result::BadLength;
    c.effect = Effect::Reboot;
    return Result::Ok;
}

Result update(Call& c)
{
    m6c::UpdateRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.update(q.kind, q.size, q.checksum, q.name);
}

Result timeQuery(Call& c)
{
    m6c::ClockRecord a;
    a.record = c.model.clockRecord();
    return c.reply(Result::Ok, a);
}

Result timeSet(Call& c)
{
    m6c::ClockRecord q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.setClock(std::vector<uint8_t>(q.record.begin(), q.record.end()));
}

Result powerOff(Call& c)
{
    c.model.stopInventory();
    c.model.carriersOff();
    c.effect = Effect::StopInventory;
    return Result::Ok;
}

Result enterTrans(Call& c)
{
    if (!c.context.module)
        return Result::NoModule;
    m6c::ModeRequest q;
    if (!c.read(q))
        return Result::BadLength;
    if (!c.context.module->enter(q.mode))
        return Result::BadArgument;
    c.model.setPassThrough(true);
    return Result::Ok;
}

Result rawSend(Call& c)
{
    if (!c.context.module || !c.context.raw || !c.model.passThrough())
        return Result::NoModule;
    wire::Record q;
    c.read(q);
    c.context.module->received(q.bytes, *c.context.raw);
    return Result::Ok;
}

Result antennaQuery(Call& c)
{
    m6c::AntennaRequest q;
    if (!c.read(q))
        return Result::BadLength;
    AntennaConfig config;
    const Result r = c.model.antennaQuery(q.antenna, &config);
    m6c::AntennaAnswer a;
    a.enabled = config.enabled ? 1 : 0;
    a.power = config.power;
    a.dwell = config.dwell;
    return c.reply(r, a);
}

Result antennaSet(Call& c)
{
    m6c::AntennaRecord q;
    c.read(q);
    return c.model.setAntennas(q.record);
}

Result rfSet(Call& c)
{
    m6c::FrequencySetRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.rfSet(q.type, q.points);
}

Result carrier(Call& c)
{
    m6c::CarrierRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.carrierOp(q.operation, q.antenna);
}

Result ioOperate(Call& c)
{
    m6c::OutputRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.ioOperate(q.port, q.action);
}

Result ioStateQuery(Call& c)
{
    const auto state = c.model.ioState();
    m6c::IoStateAnswer a;
    a.inputs = state[0];
    a.outputs = state[1];
    return c.reply(Result::Ok, a);
}

Result readingIoQuery(Call& c)
{
    m6c::ByteAnswer a;
    a.value = c.model.readingIo();
    return c.reply(Result::Ok, a);
}

Result readingIoConfig(Call& c)
{
    m6c::ByteRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.setReadingIo(q.value);
}

Result pulseQuery(Call& c)
{
    m6c::ByteRequest q;
    if (!c.read(q))
        return Result::BadLength;
    m6c::ByteAnswer a;
    return c.reply(c.model.pulseWidth(q.value, &a.value), a);
}

Result pulseSet(Call& c)
{
    m6c::PulseSetRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.setPulseWidth(q.line, q.width);
}

Result flashCount(Call& c)
{
    const auto record = c.model.flashCountRecord();
    m6c::FlashCountAnswer a;
    a.decode(record.data(), record.size());
    return c.reply(Result::Ok, a);
}

Result flashClear(Call& c)
{
    c.model.clearFlash();
    return Result::Ok;
}

template <ReadType Type> Result startInventory(Call& c)
{
    m6c::InventoryRequest q;
    if (!c.read(q))
        return Result::BadLength;
    // The mode byte is accepted whatever it says: continuous is the only mode.
    const Result r = c.model.startInventory(Type, q.antenna, q.preRead);
    if (r == Result::Ok)
        c.effect = Effect::StartInventory;
    return r;
}

Result tagSelect(Call& c)
{
    m6c::TagSelectRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.select(Bank(q.bank), q.startBits, q.lengthBits, q.mask);
}

Result readUser(Call& c)
{
    m6c::ReadUserRequest q;
    if (!c.read(q))
        return Result::BadLength;
    // The operation time is not waited: a simulated tag answers at once.
    m6c::UserWords a;
    return c.reply(c.model.readUser(q.antenna, q.startWord, q.words, &a.data), a);
}

Result writeUser(Call& c)
{
    m6c::WriteUserRequest q;
    if (!c.read(q))
        return Result::BadLength;
    m6c::WrittenAnswer a;
    a.words = uint16_t(q.data.size() / 2);
    return c.reply(c.model.writeUser(q.antenna, q.password, q.startWord, q.data), a);
}

Result writeEpc(Call& c)
{
    m6c::WriteEpcRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.writeEpc(q.antenna, q.password, q.epc);
}

Result tagLock(Call& c)
{
    m6c::TagLockRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.lockTag(q.antenna, q.password, q.operation, q.area);
}

Result tagKill(Call& c)
{
    m6c::TagKillRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return c.model.killTag(q.antenna, q.killPassword, q.epc);
}

template <Result (ReaderModel::*Set)(int, uint32_t, uint32_t)> Result passwordSet(Call& c)
{
    m6c::PasswordSetRequest q;
    if (!c.read(q))
        return Result::BadLength;
    return (c.model.*Set)(q.antenna, q.oldPassword, q.newPassword);
}

std::array<Handler, 256> makeTable()
{
    std::array<Handler, 256> t{};
    t[cmd::Hello] = hello;
    t[cmd::Bye] = bye;
    t[cmd::Ping] = ping;
    t[cmd::SysInfQuery] = typeQuery<&ReaderModel::sysInfQuery>;
    t[cmd::SysInfSet] = typedSet<&ReaderModel::sysInfSet>;
    t[cmd::ParmOp] = parmOp;
    t[cmd::Reboot] = reboot;
    t[cmd::Updata] = update;
    t[cmd::TimeQuery] = timeQuery;
    t[cmd::TimeSet] = timeSet;
    t[cmd::PowerOff] = powerOff;
    t[cmd::EnterTrans] = enterTrans;
    t[cmd::CommQuery] = typeQuery<&ReaderModel::communicationQuery>;
    t[cmd::CommSet] = typedSet<&ReaderModel::communicationSet>;
    t[cmd::NetQuery] = typeQuery<&ReaderModel::netQuery>;
    t[cmd::NetSet] = typedSet<&ReaderModel::netSet>;
    t[cmd::AntennaQuery] = antennaQuery;
    t[cmd::AntennaSet] = antennaSet;
    t[cmd::RfQuery] = typeQuery<&ReaderModel::rfQuery>;
    t[cmd::RfSet] = rfSet;
    t[cmd::Carrier] = carrier;
    t[cmd::TagOpQuery] = typeQuery<&ReaderModel::tagOpParaQuery>;
    t[cmd::TagOpSet] = typedSet<&ReaderModel::tagOpParaSet>;
    t[cmd::IoOperate] = ioOperate;
    t[cmd::IoStateQuery] = ioStateQuery;
    t[cmd::ReadingIoQuery] = readingIoQuery;
    t[cmd::ReadingIoConfig] = readingIoConfig;
    t[cmd::PulseQuery] = pulseQuery;
    t[cmd::PulseSet] = pulseSet;
    t[cmd::FlashCount] = flashCount;
    t[cmd::FlashClear] = flashClear;
    t[cmd::ReadEpc] = startInventory<ReadType::Epc>;
    t[cmd::ReadTid] = startInventory<ReadType::Tid>;
    t[cmd::ReadEpcTid] = startInventory<ReadType::EpcTid>;
    t[cmd::TagSelect] = tagSelect;
    t[cmd::ReadUser] = readUser;
    t[cmd::WriteUser] = writeUser;
    t[cmd::WriteEpc] = writeEpc;
    t[cmd::TagLock] = tagLock;
    t[cmd::TagKill] = tagKill;
    t[cmd::AccessPwdSet] = passwordSet<&ReaderModel::setAccessPassword>;
    t[cmd::KillPwdSet] = passwordSet<&ReaderModel::setKillPassword>;
    t[cmd::RawSend] = rawSend;
    return t;
}

const std::array<Handler, 256> kHandlers = makeTable();

uint8_t reportKind(ReadType t)
{
    switch (t) {
    case ReadType::Tid:
        return cmd::ReportTid;
    case ReadType::EpcTid:
        return cmd::ReportEpcTid;
    case ReadType::Epc:
        break;
    }
    return cmd::ReportEpc;
}

class Family6C : public Family
{
public:
    explicit Family6C(const Options& o) : model_(o.seed, o.tags), reportClock_(o.reportClock) {}

    Effect handle(const wire::Frame& request, wire::Frame& answer, const RequestContext& context) override
    {
        answer.seq = request.seq;
        answer.cmd = request.cmd;
        answer.status = wire::status::Ok;
        answer.payload.clear();
        const Handler h = kHandlers[request.cmd];
        if (!h) {
            answer.status = wire::status::UnsupportedCommand;
            return Effect::None;
        }
        Call c{model_, request, answer.payload, context};
        const Result r = h(c);
        if (r != Result::Ok) {
            answer.status = statusOf(r);
            answer.payload.clear();
            return Effect::None;
        }
        return c.effect;
    }

    size_t generateReports(size_t max, int64_t nowMs, ReportSink& sink) override
    {
        report_.kind = reportKind(model_.inventory().type);
        unsent_.clear();
        // Taken before the model's lock, which the sink runs under.
        if (reportClock_)
            clock_ = model_.clockRecord();
        const size_t n = model_.generateReports(max, nowMs, [&](const Tag& t, const Report& r) {
            report_.sequence = sink.nextSequence();
            report_.antenna = r.antenna;
            report_.epc = t.epc;
            report_.tid = t.tid;
            if (reportClock_)
                stampReport(t);
            m6c::encodeTagReport(report_, frame_);
            if (!sink.send(frame_))
                unsent_.push_back(r);
        });
        // The sink runs under the model's lock: what it refused is un-counted once that is released.
        for (const Report& r : unsent_)
            model_.uncountReport(r);
        return n;
    }

    bool inventoryRunning() const override { return model_.inventory().running; }
    void stopInventory() override { model_.stopInventory(); }
    void reboot() override { model_.reboot(); }

    void ioEvent(wire::Frame& out) const override
    {
        const auto io = model_.ioState();
        m6c::IoEventReport e;
        e.inputs = io[0];
        e.outputs = io[1];
        e.clock = model_.clockRecord();
        out.seq = 0;
        out.cmd = cmd::IoEvent;
        out.status = 0;
        out.payload.clear();
        e.encode(out.payload);
    }

    void setInputObserver(std::function<void()> observer) override
    {
        model_.setInputObserver(std::move(observer));
    }

    ReaderModel* model6c() override { return &model_; }

private:
    // The reader's clock as the last seven bytes of the EPC (of the TID in a TID report).
    void stampReport(const Tag& t)
    {
        const bool tid = report_.kind == cmd::ReportTid;
        const std::vector<uint8_t>& code = tid ? t.tid : t.epc;
        stamped_.assign(code.begin(), code.end());
        stamped_.insert(stamped_.end(), clock_.begin(), clock_.end());
        (tid ? report_.tid : report_.epc) = stamped_;
    }

    ReaderModel model_;
    const bool reportClock_;
    std::array<uint8_t, 7> clock_{};
    std::vector<uint8_t> stamped_;
    m6c::TagReport report_;
    wire::Frame frame_;
    std::vector<Report> unsent_;
};

} // namespace

std::unique_ptr<Family> makeFamily6C(const Options& options)
{
    return std::make_unique<Family6C>(options);
}

} // namespace readersim
