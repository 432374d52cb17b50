// The event loop: requests from every link go to the family, their effects to the links; reboots;
// and the Simulator's public face.
#include "simulator_impl.h"

#include <wire/commands.h>
#include <wire/frame.h>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace readersim {

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

namespace {

constexpr size_t kMaxRawFrame = 1024;

// A module's bytes back to the link its request came on, as RawData frames.
class LinkRaw : public RawLink
{
public:
    LinkRaw(Core& core, Link& link) : d(core), l(link) {}

    void send(const std::vector<uint8_t>& bytes) override
    {
        wire::Frame f;
        f.cmd = wire::cmd::RawData;
        for (size_t at = 0; at < bytes.size(); at += kMaxRawFrame) {
            const size_t n = std::min(kMaxRawFrame, bytes.size() - at);
            f.payload.assign(bytes.begin() + long(at), bytes.begin() + long(at + n));
            std::vector<uint8_t> frame = wire::encode(f);
            if (d.faults.dropUnsolicited()) {
                continue;
            }
            d.faults.corruptUnsolicited(frame.data(), frame.size());
            d.transmit(l, std::move(frame));
        }
    }

private:
    Core& d;
    Link& l;
};

// Reports that follow an answer on its link: behind it, when latency holds it back.
class FollowUps : public ReportSink
{
public:
    FollowUps(Core& core, Link& link) : d(core), l(link) {}

    uint32_t nextSequence() override { return ++l.reportSeq; }

    bool send(const wire::Frame& report) override
    {
        if (d.faults.dropUnsolicited() || l.closeAfterFlush) {
            return false;
        }
        std::vector<uint8_t> bytes = wire::encode(report);
        d.faults.corruptUnsolicited(bytes.data(), bytes.size());
        if (!l.delayed.empty()) {
            const int64_t due = l.delayed.back().due;
            l.delayed.push_back(Delayed{due, std::move(bytes)});
        } else {
            d.transmit(l, std::move(bytes));
        }
        return true;
    }

private:
    Core& d;
    Link& l;
};

} // namespace

bool parseHostPort(const std::string& text, std::string* host, int* port)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) {
        return false;
    }
    std::string p = text.substr(colon + 1);
    if (p.size() > 5 || !std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    int v = std::stoi(p);
    if (v > 65535) {
        return false;
    }
    *host = text.substr(0, colon);
    *port = v;
    return true;
}

void Core::received(Link& l, const wire::Frame& req, int64_t now)
{
    ++counters.framesReceived;
    if (now < rebootUntil) {
        return;
    }
    // A retry of a request already carried out gets the same answer again.
    for (const CachedAnswer& c : l.cache) {
        if (c.seq == req.seq && c.cmd == req.cmd) {
            ++counters.duplicateRequests;
            queueAnswer(l, c.bytes, now);
            return;
        }
    }
    LinkRaw raw(*this, l);
    RequestContext context;
    context.module = module.get();
    context.raw = &raw;
    wire::Frame ans;
    Effect effect = family->handle(req, ans, context);
    std::vector<uint8_t> bytes = wire::encode(ans);
    if (bytes.empty()) {
        // An answer that cannot be framed (a test gave a tag more memory than a frame holds).
        ans.status = wire::status::InternalError;
        ans.payload.clear();
        bytes = wire::encode(ans);
        effect = Effect::None;
    }
    if (req.seq != 0) {
        l.cache.push_back(CachedAnswer{req.seq, req.cmd, bytes});
        if (l.cache.size() > kAnswerCacheSize) {
            l.cache.pop_front();
        }
    }
    switch (effect) {
    case Effect::None:
        break;
    case Effect::Hello:
        l.session = true;
        l.reportSeq = 0;
        l.nextHeartbeat = now + opt.heartbeatMs;
        break;
    case Effect::Bye:
        l.session = false;
        if (ownerId == l.id) {
            family->stopInventory();
            ownerId = 0;
        }
        if (l.kind == LinkKind::Udp) {
            l.forgetAfterFlush = true;
        }
        break;
    case Effect::StartInventory:
        ownerId = l.id;
        pacer.restart(now);
        break;
    case Effect::StopInventory:
        ownerId = 0;
        break;
    case Effect::Reboot:
        rebootDue = now + std::max(faults.latencyMs(), 0);
        break;
    }
    queueAnswer(l, std::move(bytes), now);
    FollowUps followUps(*this, l);
    family->followUp(followUps);
}

void Core::doReboot(int64_t now)
{
    // The answer to the reboot request goes out before the links drop.
    for (auto& l : links) {
        flush(*l);
    }
    for (auto& l : links) {
        if (!l->endpoint->keepsLinksOverReboot()) {
            dropLink(*l, false);
            continue;
        }
        // Only what the reader knew of the session is gone.
        l->session = false;
        l->reportSeq = 0;
        l->cache.clear();
        l->delayed.clear();
        l->decoder.reset();
    }
    family->reboot();
    ownerId = 0;
    rebootUntil = now + std::max(opt.rebootMs, 0);
    rebootDue = -1;
}

void Core::wake()
{
    uint64_t one = 1;
    ssize_t n = ::write(wakeFd, &one, sizeof one);
    (void)n;
}

void Core::post(std::function<void()> f)
{
    if (!runningFlag) {
        f();
        return;
    }
    {
        std::lock_guard<std::mutex> g(postMutex);
        posted.push_back(std::move(f));
    }
    wake();
}

void Core::runPosted()
{
    std::vector<std::function<void()>> jobs;
    {
        std::lock_guard<std::mutex> g(postMutex);
        jobs.swap(posted);
    }
    for (auto& j : jobs) {
        j();
    }
}

int Core::pollTimeout(int64_t now)
{
    int64_t next = now + 1000;
    auto consider = [&next](int64_t t) { next = std::min(next, t); };
    for (auto& l : links) {
        if (!l->delayed.empty()) {
            consider(l->delayed.front().due);
        }
        if (l->session && opt.heartbeatMs > 0) {
            consider(l->nextHeartbeat);
        }
    }
    if (rebootDue >= 0) {
        consider(rebootDue);
    }
    if (ownerId != 0) {
        Link* l = findLink(ownerId);
        if (l && !l->congested() && l->delayed.empty()) {
            consider(pacer.nextDue(now));
        }
    }
    return int(std::max<int64_t>(0, next - now));
}

void Core::run()
{
    startMs = nowMs();
    PollSet set;
    while (!stopping) {
        int64_t now = nowMs();
        set.fds.clear();
        set.owners.clear();
        set.add(nullptr, wakeFd, POLLIN, 0);
        for (auto& e : endpoints) {
            e->watch(set);
        }
        int n = ::poll(set.fds.data(), nfds_t(set.fds.size()), pollTimeout(now));
        if (n < 0 && errno != EINTR) {
            break;
        }
        now = nowMs();
        if (set.fds[0].revents & POLLIN) {
            uint64_t v;
            ssize_t r = ::read(wakeFd, &v, sizeof v);
            (void)r;
        }
        runPosted();
        for (size_t i = 1; i < set.fds.size(); ++i) {
            if (set.fds[i].revents != 0) {
                set.owners[i].first->ready(set.owners[i].second, set.fds[i].revents, now);
            }
        }
        releaseDelayed(now);
        generateReports(now);
        sendUnsolicited(now);
        for (auto& l : links) {
            flush(*l);
        }
        if (rebootDue >= 0 && now >= rebootDue) {
            doReboot(now);
        }
        reap();
    }
}

// --- public face -----------------------------------------------------------------------------------

Simulator::Simulator(const Options& options) : d(new Core(options))
{
    std::string error;
    d->family = makeFamily(d->opt, &error);
    if (d->family) {
        d->model = d->family->model6c();
        d->gjb = d->family->modelGjb();
    }
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(std::string* error)
{
    std::string dummy;
    std::string& err = error ? *error : dummy;
    if (d->runningFlag) {
        err = "already running";
        return false;
    }
    const Options& o = d->opt;
    if (!d->family) {
        makeFamily(o, &err);
        return false;
    }
    if (!o.tcp && !o.udp && !o.pty && !o.wireless) {
        err = "no endpoint: give TCP, UDP, a pseudo-terminal or a wireless server";
        return false;
    }
    const std::string udpHost = o.udpHost.empty() ? o.tcpHost : o.udpHost;
    if (!o.allowAnyAddress) {
        if (o.tcp && !isLoopbackAddress(o.tcpHost)) {
            err = "refusing TCP address outside 127.0.0.0/8: " + o.tcpHost;
            return false;
        }
        if (o.udp && !isLoopbackAddress(udpHost)) {
            err = "refusing UDP address outside 127.0.0.0/8: " + udpHost;
            return false;
        }
        if (o.wireless && !isLoopbackAddress(o.wirelessHost)) {
            err = "refusing wireless server outside 127.0.0.0/8: " + o.wirelessHost;
            return false;
        }
    }
    if (o.tcpPort < 0 || o.tcpPort > 65535 || o.udpPort < 0 || o.udpPort > 65535) {
        err = "port out of range";
        return false;
    }
    d->stopping = false;
    d->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (o.tcp) {
        d->endpoints.push_back(makeTcpEndpoint(*d));
    }
    if (o.udp) {
        d->endpoints.push_back(makeUdpEndpoint(*d));
    }
    if (o.pty) {
        d->endpoints.push_back(makePtyEndpoint(*d));
    }
    if (o.wireless) {
        d->endpoints.push_back(makeWirelessEndpoint(*d));
    }
    bool opened = d->wakeFd >= 0;
    for (auto& e : d->endpoints) {
        opened = opened && e->open(&err);
    }
    if (!opened) {
        d->closeAll();
        return false;
    }
    Core* core = d.get();
    d->family->setInputObserver([core] {
        core->inputsChanged = true;
        core->wake();
    });
    d->runningFlag = true;
    d->thread = std::thread([core] { core->run(); });
    return true;
}

void Simulator::stop()
{
    if (!d->runningFlag) {
        return;
    }
    d->stopping = true;
    d->wake();
    if (d->thread.joinable()) {
        d->thread.join();
    }
    d->runningFlag = false;
    d->family->setInputObserver(nullptr);
    d->family->stopInventory();
    d->ownerId = 0;
    d->closeAll();
}

bool Simulator::running() const
{
    return d->runningFlag;
}

int Simulator::tcpPort() const
{
    return d->tcpPortValue;
}

int Simulator::udpPort() const
{
    return d->udpPortValue;
}

std::string Simulator::ptyPath() const
{
    std::lock_guard<std::mutex> g(d->infoMutex);
    return d->ptyPathValue;
}

const Options& Simulator::options() const
{
    return d->opt;
}

ReaderModel& Simulator::model()
{
    if (!d->model) {
        std::fprintf(stderr, "readersim: family \"%s\" has no 6C reader model\n", d->opt.family.c_str());
        std::abort();
    }
    return *d->model;
}

GjbModel& Simulator::gjbModel()
{
    if (!d->gjb) {
        std::fprintf(stderr, "readersim: family \"%s\" has no GJB reader model\n", d->opt.family.c_str());
        std::abort();
    }
    return *d->gjb;
}

void Simulator::fitModule(std::unique_ptr<PassThroughModule> module)
{
    d->module = std::move(module);
}

uint64_t Simulator::reportsSent() const
{
    return d->model ? d->model->reportsSent() : d->gjb ? d->gjb->reportsSent() : 0;
}

uint64_t Simulator::reportsSent(int antenna) const
{
    return d->model ? d->model->reportsSent(antenna) : d->gjb ? d->gjb->reportsSent(antenna) : 0;
}

LinkStats Simulator::stats() const
{
    const Core::Counters& c = d->counters;
    LinkStats s;
    s.framesSent = c.framesSent;
    s.framesReceived = c.framesReceived;
    s.badFrames = c.badFrames;
    s.answersDropped = d->faults.answersDropped();
    s.framesCorrupted = d->faults.framesCorrupted();
    s.duplicateRequests = c.duplicateRequests;
    s.linksCut = c.linksCut;
    s.connectionsAccepted = c.connectionsAccepted;
    return s;
}

int Simulator::tcpClients() const
{
    std::lock_guard<std::mutex> g(d->clientsMutex);
    return d->tcpClientCount;
}

bool Simulator::waitForClients(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> g(d->clientsMutex);
    return d->clientsCv.wait_for(g, std::chrono::milliseconds(timeoutMs),
                                 [&] { return d->tcpClientCount >= count; });
}

void Simulator::reboot()
{
    Core* core = d.get();
    core->post([core] { core->doReboot(nowMs()); });
}

void Simulator::cutLinks()
{
    Core* core = d.get();
    core->post([core] { core->dropAllLinks(true); });
}

void Simulator::setLatencyMs(int ms)
{
    d->faults.setLatencyMs(ms);
}

void Simulator::setDropProbability(double p)
{
    d->faults.setDropProbability(p);
}

void Simulator::setCorruptProbability(double p)
{
    d->faults.setCorruptProbability(p);
}

void Simulator::setCutAfter(long frames)
{
    d->faults.setCutAfter(frames);
}

void Simulator::setFaultReports(bool on)
{
    d->faults.setReportsToo(on);
}

void Simulator::setRate(double reportsPerSecond)
{
    d->pacer.setRate(reportsPerSecond);
    d->wake();
}

} // namespace readersim
