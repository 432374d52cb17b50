// The GJB family: a table of per-command handlers over GjbModel. Each handler decodes its request
// with the GJB messages (wire/messages_gjb.h), calls the model and encodes the answer; a request too
// short for its fields (or too long where its length is fixed) is refused with BadLength. A tag
// operation's result follows its answer as a report on the same link.
#include "family.h"
#include "simulator_impl.h"

#include "readersim/gjb_model.h"

#include <wire/commands.h>
#include <wire/messages_6c.h>
#include <wire/messages_gjb.h>

#include <array>
#include <optional>
#include <string>

namespace readersim {

namespace {

namespace g = wire::gjb;
namespace gcmd = wire::gjb::cmd;
namespace st = wire::status;

constexpr uint16_t kMaxReadWords = 4096;

GjbMatch toMatch(const g::AccessMatch& m)
{
    GjbMatch r;
    r.startWord = m.startWord;
    r.maskBits = m.maskBits;
    r.mask = m.mask;
    r.idBits = m.idBits;
    r.id = m.id;
    r.match = m.match != 0;
    return r;
}

// A match whose bit lengths claim more than its bytes hold is malformed.
bool sound(const g::AccessMatch& m)
{
    return m.maskBits <= m.mask.size() * 8 && m.idBits <= m.id.size() * 8;
}

// One request being carried out.
struct Call
{
    GjbModel& model;
    const wire::Frame& request;
    std::vector<uint8_t>& answer; // payload of a successful answer
    Effect effect = Effect::None;
    std::optional<g::AccessResult> result; // to follow the answer

    template <class Request> bool read(Request& r) const { return r.decode(request.payload); }
    template <class Answer> uint8_t reply(uint8_t status, const Answer& a)
    {
        if (status == st::Ok)
            a.encode(answer);
        return status;
    }
    void follow(uint8_t operation, const GjbAccessOutcome& o)
    {
        g::AccessResult r;
        r.operation = operation;
        r.status = o.status;
        r.antenna = o.antenna;
        r.id = o.id;
        r.data = o.data;
        result = std::move(r);
    }
};

using Handler = uint8_t (*)(Call&);

uint8_t hello(Call& c)
{
    wire::m6c::HelloAnswer a;
    a.family = wire::kFamilyGjb;
    c.effect = Effect::Hello;
    return c.reply(st::Ok, a);
}

uint8_t bye(Call& c)
{
    c.effect = Effect::Bye;
    return st::Ok;
}

uint8_t ping(Call& c)
{
    wire::Record q;
    c.read(q);
    return c.reply(st::Ok, q);
}

uint8_t info(Call& c)
{
    g::InfoRequest q;
    if (!c.read(q))
        return st::BadLength;
    std::string text;
    const uint8_t s = c.model.info(q.type, &text);
    wire::Record a;
    a.bytes.assign(text.begin(), text.end());
    return c.reply(s, a);
}

uint8_t capability(Call& c)
{
    g::CapabilityAnswer a;
    a.antennas = 4;
    a.minPower = 1000;
    a.maxPower = 3300;
    return c.reply(st::Ok, a);
}

uint8_t configRead(Call& c)
{
    g::ConfigReadRequest q;
    if (!c.read(q))
        return st::BadLength;
    wire::Record a;
    return c.reply(c.model.configRead(q.type, q.offset, q.count, &a.bytes), a);
}

uint8_t configWrite(Call& c)
{
    g::ConfigWriteRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.configWrite(q.type, q.data);
}

uint8_t reboot(Call& c)
{
    c.effect = Effect::Reboot;
    return st::Ok;
}

uint8_t reset(Call& c)
{
    c.model.reset();
    return st::Ok;
}

uint8_t clockSet(Call& c)
{
    g::ClockSetRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.setClockMicros(q.micros);
}

uint8_t sysTimeSet(Call& c)
{
    g::SysTimeRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.setSysTime(q.text);
}

uint8_t reportQuery(Call& c)
{
    g::ReportQueryRequest q;
    if (!c.read(q))
        return st::BadLength;
    g::ReportAnswer a;
    a.type = q.type;
    a.time = c.model.clockMicros();
    return c.reply(c.model.report(q.type, &a.status, &a.value), a);
}

uint8_t reportSet(Call& c)
{
    g::ReportSetRequest q;
    if (!c.read(q))
        return st::BadLength;
    c.model.setReportState(q.status, q.value);
    return st::Ok;
}

uint8_t eventQuery(Call& c)
{
    g::EventAnswer a;
    a.reportsSent = uint32_t(c.model.reportsSent());
    a.uptimeSeconds = c.model.uptimeSeconds();
    return c.reply(st::Ok, a);
}

uint8_t settingsQuery(Call& c)
{
    g::SettingsQueryRequest q;
    if (!c.read(q))
        return st::BadLength;
    std::vector<std::pair<uint8_t, uint32_t>> values;
    const uint8_t s = c.model.querySettings(q.ids, &values);
    g::SettingsList a;
    for (const auto& [id, v] : values)
        a.values.push_back(g::Setting{id, v});
    return c.reply(s, a);
}

uint8_t settingsSet(Call& c)
{
    g::SettingsList q;
    if (!c.read(q))
        return st::BadLength;
    std::vector<std::pair<uint8_t, uint32_t>> values;
    for (const g::Setting& v : q.values)
        values.emplace_back(v.id, v.value);
    return c.model.applySettings(values);
}

uint8_t started(Call& c, uint8_t status)
{
    if (status == st::Ok)
        c.effect = Effect::StartInventory;
    return status;
}

uint8_t inventory(Call& c)
{
    g::InventoryRequest q;
    if (!c.read(q))
        return st::BadLength;
    return started(c, c.model.startInventory(q.antennas, q.mode, q.duration, q.forwardLink, q.reverseLink,
                                             q.coding, q.preamble, nowMs()));
}

uint8_t stop(Call& c)
{
    c.model.stopActivity();
    c.effect = Effect::StopInventory;
    return st::Ok;
}

uint8_t inventoryPlanSet(Call& c)
{
    g::SpecRecord q;
    if (!c.read(q))
        return st::BadLength;
    GjbInventoryPlan s;
    s.antennas = q.antennas;
    s.mode = q.mode;
    s.durationMs = q.duration;
    return c.model.setInventoryPlan(s);
}

uint8_t inventoryPlanQuery(Call& c)
{
    const GjbInventoryPlan s = c.model.inventoryPlan();
    g::SpecRecord a;
    a.antennas = s.antennas;
    a.mode = s.mode;
    a.duration = s.durationMs;
    return c.reply(st::Ok, a);
}

uint8_t inventoryPlanRun(Call& c)
{
    g::RunRequest q;
    if (!c.read(q))
        return st::BadLength;
    if (q.run == 0)
        return stop(c);
    return started(c, c.model.runInventoryPlan(true, nowMs()));
}

uint8_t singleRound(Call& c)
{
    return started(c, c.model.singleRound(nowMs()));
}

// Read and erase share their layout.
template <bool Erase> uint8_t readOrErase(Call& c)
{
    g::ReadRequest q;
    if (!c.read(q))
        return st::BadLength;
    if (!sound(q.target) || q.words > kMaxReadWords)
        return st::BadParameter;
    const GjbMatch m = toMatch(q.target);
    if (Erase)
        c.follow(g::op::Erase, c.model.eraseTag(m, q.area, q.startWord, q.words, q.password));
    else
        c.follow(g::op::Read, c.model.readTag(m, q.area, q.startWord, q.words, q.password));
    return st::Ok;
}

uint8_t accessWrite(Call& c)
{
    g::WriteRequest q;
    if (!c.read(q))
        return st::BadLength;
    if (!sound(q.target))
        return st::BadParameter;
    c.follow(g::op::Write, c.model.writeTag(toMatch(q.target), q.area, q.startWord, q.data, q.password));
    return st::Ok;
}

uint8_t accessLock(Call& c)
{
    g::LockRequest q;
    if (!c.read(q))
        return st::BadLength;
    if (!sound(q.target) || q.action > 3)
        return st::BadParameter;
    c.follow(g::op::Lock, c.model.lockTag(toMatch(q.target), q.area, q.action, q.password));
    return st::Ok;
}

uint8_t accessKill(Call& c)
{
    g::KillRequest q;
    if (!c.read(q))
        return st::BadLength;
    if (!sound(q.target))
        return st::BadParameter;
    c.follow(g::op::Kill, c.model.killTag(toMatch(q.target), q.password));
    return st::Ok;
}

uint8_t accessSpecQuery(Call& c)
{
    const GjbAccessSpec s = c.model.lastAccess();
    g::AccessSpecAnswer a;
    a.operation = s.operation;
    a.status = s.status;
    a.area = s.area;
    a.startWord = s.startWord;
    a.words = s.words;
    return c.reply(st::Ok, a);
}

uint8_t accessInvalid(Call& c)
{
    c.model.invalidateAccess();
    return st::Ok;
}

uint8_t sensitivityTest(Call& c)
{
    g::SensitivityRequest q;
    if (!c.read(q))
        return st::BadLength;
    switch (q.mode) {
    case 0:
        return stop(c);
    case 1:
        return started(c, c.model.startSensitivity(q.count));
    default:
        return st::BadParameter;
    }
}

uint8_t disturbInit(Call& c)
{
    c.model.disturbInit();
    return st::Ok;
}

uint8_t airTest(Call& c)
{
    wire::Record q;
    c.read(q);
    return c.model.airTest(q.bytes);
}

uint8_t secrecyPassword(Call& c)
{
    g::SecrecyPasswordRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.editSecrecyPassword(q.oldPassword, q.newPassword);
}

uint8_t secrecyKill(Call& c)
{
    g::SecrecyKillRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.killSecrecy(q.password);
}

uint8_t repairCount(Call& c)
{
    g::RepairCountAnswer a;
    a.count = c.model.repairCount();
    return c.reply(st::Ok, a);
}

uint8_t repairRead(Call& c)
{
    g::IndexRequest q;
    if (!c.read(q))
        return st::BadLength;
    GjbRepairRecord r;
    const uint8_t s = c.model.repairRead(q.index, &r);
    g::RepairRecordAnswer a;
    for (size_t i = 0; i < a.time.size() && i < r.time.size(); ++i)
        a.time[i] = uint8_t(r.time[i]);
    a.text = r.text;
    return c.reply(s, a);
}

uint8_t repairWrite(Call& c)
{
    g::TextRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.repairWrite(q.text);
}

uint8_t electronRead(Call& c)
{
    g::SlotRequest q;
    if (!c.read(q))
        return st::BadLength;
    g::TextAnswer a;
    return c.reply(c.model.electronRead(q.slot, &a.text), a);
}

uint8_t electronWrite(Call& c)
{
    g::ElectronWriteRequest q;
    if (!c.read(q))
        return st::BadLength;
    return c.model.electronWrite(q.slot, q.text);
}

std::array<Handler, 256> makeTable()
{
    std::array<Handler, 256> t{};
    t[wire::cmd::Hello] = hello;
    t[wire::cmd::Bye] = bye;
    t[wire::cmd::Ping] = ping;
    t[gcmd::Info] = info;
    t[gcmd::Capability] = capability;
    t[gcmd::ConfigRead] = configRead;
    t[gcmd::ConfigWrite] = configWrite;
    t[gcmd::Reboot] = reboot;
    t[gcmd::Reset] = reset;
    t[gcmd::ClockSet] = clockSet;
    t[gcmd::SysTimeSet] = sysTimeSet;
    t[gcmd::ReportQuery] = reportQuery;
    t[gcmd::ReportSet] = reportSet;
    t[gcmd::EventQuery] = eventQuery;
    t[gcmd::SettingsQuery] = settingsQuery;
    t[gcmd::SettingsSet] = settingsSet;
    t[gcmd::Inventory] = inventory;
    t[gcmd::Stop] = stop;
    t[gcmd::SpecSet] = inventoryPlanSet;
    t[gcmd::SpecQuery] = inventoryPlanQuery;
    t[gcmd::SpecRun] = inventoryPlanRun;
    t[gcmd::SingleRound] = singleRound;
    t[gcmd::AccessRead] = readOrErase<false>;
    t[gcmd::AccessWrite] = accessWrite;
    t[gcmd::AccessErase] = readOrErase<true>;
    t[gcmd::AccessLock] = accessLock;
    t[gcmd::AccessKill] = accessKill;
    t[gcmd::AccessSpecQuery] = accessSpecQuery;
    t[gcmd::AccessInvalid] = accessInvalid;
    t[gcmd::SensitivityTest] = sensitivityTest;
    t[gcmd::DisturbInit] = disturbInit;
    t[gcmd::AirTest] = airTest;
    t[gcmd::SecrecyPassword] = secrecyPassword;
    t[gcmd::SecrecyKill] = secrecyKill;
    t[gcmd::RepairCount] = repairCount;
    t[gcmd::RepairRead] = repairRead;
    t[gcmd::RepairWrite] = repairWrite;
    t[gcmd::ElectronRead] = electronRead;
    t[gcmd::ElectronWrite] = electronWrite;
    return t;
}

const std::array<Handler, 256> kHandlers = makeTable();

// What a refusal rule may be keyed on: the info type, an electronic record's slot, or each setting
// named.
std::vector<int> refusalKeys(const wire::Frame& request)
{
    const std::vector<uint8_t>& p = request.payload;
    switch (request.cmd) {
    case gcmd::Info:
    case gcmd::ElectronRead:
    case gcmd::ElectronWrite: // the slot
        return {p.empty() ? -1 : int(p[0])};
    case gcmd::SettingsQuery: {
        g::SettingsQueryRequest q;
        if (q.decode(p))
            return std::vector<int>(q.ids.begin(), q.ids.end());
        break;
    }
    case gcmd::SettingsSet: {
        g::SettingsList q;
        if (q.decode(p)) {
            std::vector<int> keys;
            for (const g::Setting& s : q.values)
                keys.push_back(s.id);
            return keys;
        }
        break;
    }
    default:
        break;
    }
    return {-1};
}

class FamilyGjb : public Family
{
public:
    explicit FamilyGjb(const Options& o) : model_(o.seed, o.tags) {}

    Effect handle(const wire::Frame& request, wire::Frame& answer, const RequestContext&) override
    {
        answer.seq = request.seq;
        answer.cmd = request.cmd;
        answer.status = st::Ok;
        answer.payload.clear();
        pending_.reset();
        const Handler h = kHandlers[request.cmd];
        if (!h) {
            answer.status = st::UnsupportedCommand;
            return Effect::None;
        }
        for (int key : refusalKeys(request)) {
            if (const uint8_t refused = model_.refusal(request.cmd, key)) {
                answer.status = refused;
                return Effect::None;
            }
        }
        Call c{model_, request, answer.payload, Effect::None, std::nullopt};
        const uint8_t s = h(c);
        if (s != st::Ok) {
            answer.status = s;
            answer.payload.clear();
            return Effect::None;
        }
        pending_ = std::move(c.result);
        return c.effect;
    }

    void followUp(ReportSink& sink) override
    {
        if (!pending_)
            return;
        pending_->sequence = sink.nextSequence();
        frame_.seq = 0;
        frame_.cmd = gcmd::AccessResult;
        frame_.status = 0;
        frame_.payload.clear();
        pending_->encode(frame_.payload);
        pending_.reset();
        sink.send(frame_);
    }

    size_t generateReports(size_t max, int64_t now, ReportSink& sink) override
    {
        unsent_.clear();
        const size_t n = model_.generate(max, now, [&](const GjbEmit& e) {
            frame_.seq = 0;
            frame_.status = 0;
            frame_.payload.clear();
            if (e.test) {
                g::TestResult r;
                r.sequence = sink.nextSequence();
                r.index = e.testIndex;
                r.result = e.result;
                frame_.cmd = gcmd::TestResult;
                r.encode(frame_.payload);
            } else {
                report_.sequence = sink.nextSequence();
                report_.antenna = e.antenna;
                report_.id = e.tag->code;
                frame_.cmd = gcmd::TagReport;
                report_.encode(frame_.payload);
            }
            if (!sink.send(frame_))
                unsent_.push_back(e);
        });
        // The sink runs under the model's lock: what it refused is un-counted once that is released.
        for (const GjbEmit& e : unsent_)
            model_.uncount(e);
        return n;
    }

    bool inventoryRunning() const override { return model_.activityRunning(nowMs()); }
    void stopInventory() override { model_.stopActivity(); }
    void reboot() override { model_.reboot(); }

    // A GJB reader has no input lines to report.
    void ioEvent(wire::Frame& out) const override
    {
        out = wire::Frame();
        out.cmd = wire::cmd::Heartbeat;
    }
    void setInputObserver(std::function<void()>) override {}

    GjbModel* modelGjb() override { return &model_; }

private:
    GjbModel model_;
    std::optional<g::AccessResult> pending_;
    g::TagReport report_;
    wire::Frame frame_;
    std::vector<GjbEmit> unsent_;
};

} // namespace

std::unique_ptr<Family> makeFamilyGjb(const Options& options)
{
    return std::make_unique<FamilyGjb>(options);
}

} // namespace readersim
