// readersim's LLRP endpoint (readersim/llrp_server.h): requests decoded and answers built with the
// llrp codec, inventories and tag operations carried out by the 6C ReaderModel.
#include "readersim/llrp_server.h"

#include "llrp_access.h"

#include "readersim/simulator.h"

#include "llrp/messages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <thread>

namespace readersim {

namespace {

using llrp::Bytes;
namespace st = llrp::status;

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint64_t utcMicros()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}

llrp::LlrpStatus failure(uint16_t code, const std::string& text)
{
    llrp::LlrpStatus s;
    s.code = code;
    s.description = text;
    return s;
}

struct Generated
{
    Report report;
    Tag tag;
};

} // namespace

struct LlrpServer::Impl
{
    Impl(ReaderModel& m, const LlrpOptions& o) : model(m), options(o), rate(o.rate)
    {
        for (int i = 0; options.powerTable.empty() && i < kPowerLevels; ++i)
            powerTable.push_back(int16_t(1000 + i * 25));
        if (powerTable.empty())
            powerTable = options.powerTable;
        power.fill(defaultPower());
    }
    // The highest power, as a reader starts.
    uint16_t defaultPower() const { return uint16_t(powerTable.size()); }

    ReaderModel& model;
    LlrpOptions options;
    int listenFd = -1;
    int boundPort = 0;
    std::thread thread;
    std::atomic<bool> quit{false};
    std::atomic<bool> silent{false};
    std::atomic<double> rate;
    std::atomic<uint64_t> tagReports{0};
    std::atomic<int> clientCount{0};
    std::atomic<size_t> specsHeld{0};

    // Server-wide settings.
    std::vector<int16_t> powerTable;
    std::array<uint16_t, kAntennas> power{};

    // The connection.
    int client = -1;
    llrp::StreamSplitter splitter;
    Bytes out;
    size_t outPos = 0;
    bool closing = false;
    int64_t connectedMs = 0;
    uint32_t nextId = 1;
    std::map<uint32_t, llrp::RoSpec> roSpecs;
    uint32_t active = 0; // the running ROSpec, 0 when none
    int64_t stopAtMs = -1;
    std::set<int> antennasAllowed;
    double credit = 0;
    int64_t lastPaceMs = 0;
    std::map<uint32_t, llrp::AccessSpec> accessSpecs;
    std::map<uint32_t, int> executions;
    llrp::KeepaliveSpec keepalive;
    int64_t nextKeepaliveMs = 0;
    std::optional<llrp::RoReportSpec> readerReportSpec;

    template <class M> void send(const M& m, uint32_t id)
    {
        const Bytes b = llrp::encodeMessage(m, id);
        out.insert(out.end(), b.begin(), b.end());
    }
    template <class M> void send(const M& m) { send(m, nextId++); }
    // Decodes the request and lets `f` fill the response; a request that does not decode is answered
    // with a parameter error.
    template <class Req, class Resp, class F> void answer(const Bytes& m, uint32_t id, F&& f)
    {
        Req req;
        Resp resp;
        if (llrp::decodeMessage(m, req))
            f(req, resp);
        else
            resp.status = failure(llrp::status::ParameterError, "malformed message");
        send(resp, id);
    }

    void run();
    void accept();
    void openConnection(int fd);
    void closeConnection();
    bool readClient();
    bool flush();
    void handle(const Bytes& message);
    void tick(int64_t now);
    void produceReports(int64_t now);
    void stopActive();

    void capabilities(const llrp::GetReaderCapabilities& req, llrp::GetReaderCapabilitiesResponse& resp);
    void getConfig(const llrp::GetReaderConfig& req, llrp::GetReaderConfigResponse& resp);
    void setConfig(const llrp::SetReaderConfig& req, llrp::SetReaderConfigResponse& resp);
    llrp::LlrpStatus addRoSpec(const llrp::RoSpec& roSpec);
    llrp::LlrpStatus roSpecCommand(uint16_t type, uint32_t id);
    llrp::LlrpStatus addAccessSpec(const llrp::AccessSpec& accessSpec);
    llrp::LlrpStatus accessSpecCommand(uint16_t type, uint32_t id);
    llrp::LlrpStatus startRoSpec(llrp::RoSpec& roSpec);
    void applyAccess(const Generated& g, llrp::TagReportData& td);
};

LlrpServer::LlrpServer(ReaderModel& model, const LlrpOptions& options) : d(new Impl(model, options)) {}

LlrpServer::~LlrpServer()
{
    stop();
}

bool LlrpServer::start(std::string* error)
{
    std::string scratch;
    std::string& err = error ? *error : scratch;
    if (!d->options.allowAnyAddress && !isLoopbackAddress(d->options.host)) {
        err = "llrp address outside 127.0.0.0/8: " + d->options.host;
        return false;
    }
    in_addr addr{};
    if (inet_pton(AF_INET, d->options.host == "localhost" ? "127.0.0.1" : d->options.host.c_str(), &addr) !=
        1) {
        err = "bad llrp address: " + d->options.host;
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        err = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(uint16_t(d->options.port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 4) != 0) {
        err = "llrp " + d->options.host + ":" + std::to_string(d->options.port) + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    d->boundPort = ntohs(sa.sin_port);
    d->listenFd = fd;
    d->quit = false;
    d->thread = std::thread([this] { d->run(); });
    return true;
}

void LlrpServer::stop()
{
    if (d->thread.joinable()) {
        d->quit = true;
        d->thread.join();
    }
    d->closeConnection();
    if (d->listenFd >= 0) {
        ::close(d->listenFd);
        d->listenFd = -1;
    }
}

int LlrpServer::port() const
{
    return d->boundPort;
}

void LlrpServer::setSilent(bool silent)
{
    d->silent = silent;
}

void LlrpServer::setRate(double reportsPerSecond)
{
    d->rate = reportsPerSecond;
}

uint64_t LlrpServer::tagReportsSent() const
{
    return d->tagReports;
}

int LlrpServer::clients() const
{
    return d->clientCount;
}

size_t LlrpServer::specsHeld() const
{
    return d->specsHeld;
}

// --- the event loop ------------------------------------------------------------------------------

void LlrpServer::Impl::run()
{
    while (!quit) {
        specsHeld = roSpecs.size() + accessSpecs.size();
        pollfd fds[2] = {{listenFd, POLLIN, 0},
                         {client, short(POLLIN | (outPos < out.size() ? POLLOUT : 0)), 0}};
        const int n = ::poll(fds, client >= 0 ? 2 : 1, active || keepalive.triggerType ? 2 : 20);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            accept();
        if (client >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) && !readClient()) {
            closeConnection();
            continue;
        }
        if (client < 0)
            continue;
        const int64_t now = steadyMs();
        if (options.silentAfterMs >= 0 && now - connectedMs >= options.silentAfterMs)
            silent = true;
        if (!silent)
            tick(now);
        if (!flush() || (closing && outPos == out.size()))
            closeConnection();
    }
}

void LlrpServer::Impl::accept()
{
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (client >= 0) {
        // A reader serves one client: the newcomer learns why it is turned away.
        llrp::ReaderEventNotification refusal;
        refusal.data.utcMicros = utcMicros();
        refusal.data.connectionAttempt = 2; // a client-initiated connection already exists
        const Bytes b = llrp::encodeMessage(refusal, 0);
        (void)!::send(fd, b.data(), b.size(), MSG_NOSIGNAL);
        ::close(fd);
        return;
    }
    openConnection(fd);
}

void LlrpServer::Impl::openConnection(int fd)
{
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    client = fd;
    clientCount = 1;
    splitter = llrp::StreamSplitter();
    out.clear();
    outPos = 0;
    closing = false;
    connectedMs = steadyMs();
    if (options.silentAfterMs >= 0)
        silent = false; // each client gets its time before the reader hangs
    nextId = 1;
    keepalive = llrp::KeepaliveSpec();
    readerReportSpec.reset();
    llrp::ReaderEventNotification hello;
    hello.data.utcMicros = utcMicros();
    hello.data.connectionAttempt = 0;
    if (!silent)
        send(hello, 0);
}

void LlrpServer::Impl::closeConnection()
{
    if (active) {
        model.stopInventory();
        active = 0;
    }
    roSpecs.clear();
    accessSpecs.clear();
    executions.clear();
    if (client >= 0) {
        ::close(client);
        client = -1;
    }
    clientCount = 0;
}

bool LlrpServer::Impl::readClient()
{
    uint8_t buf[16384];
    const ssize_t n = ::recv(client, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
        return false;
    if (n < 0)
        return true;
    splitter.feed(buf, size_t(n));
    Bytes message;
    while (splitter.next(message)) {
        if (!silent)
            handle(message);
    }
    return !splitter.failed();
}

bool LlrpServer::Impl::flush()
{
    while (outPos < out.size()) {
        const ssize_t n = ::send(client, out.data() + outPos, out.size() - outPos, MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        outPos += size_t(n);
    }
    out.clear();
    outPos = 0;
    return true;
}

void LlrpServer::Impl::tick(int64_t now)
{
    if (keepalive.triggerType == 1 && keepalive.periodMs > 0 && now >= nextKeepaliveMs) {
        send(llrp::Keepalive());
        nextKeepaliveMs = now + keepalive.periodMs;
    }
    if (active && stopAtMs >= 0 && now >= stopAtMs) {
        // The client did not stop it, so it is told that it ended.
        llrp::ReaderEventNotification ended;
        ended.data.utcMicros = utcMicros();
        ended.data.roSpecEvent = llrp::ReaderEventNotificationData::RoSpecEvent{
            llrp::ReaderEventNotificationData::RoSpecEnded, active, 0};
        stopActive();
        send(ended);
    }
    if (active)
        produceReports(now);
    lastPaceMs = now;
}

// --- requests ----------------------------------------------------------------------------------------

void LlrpServer::Impl::handle(const Bytes& m)
{
    namespace msg = llrp::msg;
    llrp::Header h;
    llrp::readHeader(m.data(), m.size(), h);
    if (h.version != llrp::kVersion) {
        llrp::ErrorMessage e;
        e.status = failure(st::UnsupportedVersion, "only LLRP version 1 is spoken");
        send(e, h.id);
        return;
    }
    auto statusOnly = [this](auto& resp, const llrp::LlrpStatus& s) { resp.status = s; };
    switch (h.type) {
    case msg::GetReaderCapabilities:
        answer<llrp::GetReaderCapabilities, llrp::GetReaderCapabilitiesResponse>(
            m, h.id, [this](auto& req, auto& resp) { capabilities(req, resp); });
        break;
    case msg::GetReaderConfig:
        answer<llrp::GetReaderConfig, llrp::GetReaderConfigResponse>(
            m, h.id, [this](auto& req, auto& resp) { getConfig(req, resp); });
        break;
    case msg::SetReaderConfig:
        answer<llrp::SetReaderConfig, llrp::SetReaderConfigResponse>(
            m, h.id, [this](auto& req, auto& resp) { setConfig(req, resp); });
        break;
    case msg::AddRoSpec:
        answer<llrp::AddRoSpec, llrp::AddRoSpecResponse>(
            m, h.id, [&](auto& req, auto& resp) { statusOnly(resp, addRoSpec(req.roSpec)); });
        break;
    case msg::DeleteRoSpec:
    case msg::StartRoSpec:
    case msg::StopRoSpec:
    case msg::EnableRoSpec:
    case msg::DisableRoSpec: {
        // The five share one body; the response type is the request's plus ten.
        llrp::DeleteRoSpec req;
        Bytes same = m;
        same[1] = uint8_t(msg::DeleteRoSpec);
        llrp::StatusMessage<0> resp;
        resp.status = llrp::decodeMessage(same, req) ? roSpecCommand(h.type, req.id)
                                                     : failure(st::ParameterError, "malformed message");
        Bytes b = llrp::encodeMessage(resp, h.id);
        b[1] = uint8_t(h.type + 10);
        out.insert(out.end(), b.begin(), b.end());
        break;
    }
    case msg::AddAccessSpec:
        answer<llrp::AddAccessSpec, llrp::AddAccessSpecResponse>(
            m, h.id, [&](auto& req, auto& resp) { statusOnly(resp, addAccessSpec(req.accessSpec)); });
        break;
    case msg::DeleteAccessSpec:
    case msg::EnableAccessSpec:
    case msg::DisableAccessSpec: {
        llrp::DeleteAccessSpec req;
        Bytes same = m;
        same[1] = uint8_t(msg::DeleteAccessSpec);
        llrp::StatusMessage<0> resp;
        resp.status = llrp::decodeMessage(same, req) ? accessSpecCommand(h.type, req.id)
                                                     : failure(st::ParameterError, "malformed message");
        Bytes b = llrp::encodeMessage(resp, h.id);
        b[1] = uint8_t(h.type + 10);
        out.insert(out.end(), b.begin(), b.end());
        break;
    }
    case msg::CloseConnection:
        send(llrp::CloseConnectionResponse(), h.id);
        closing = true;
        break;
    case msg::KeepaliveAck:
    case msg::EnableEventsAndReports: // nothing is held back, so there is nothing to release
        break;
    default: {
        llrp::ErrorMessage e;
        e.status =
            failure(st::UnsupportedMessage, "message type " + std::to_string(h.type) + " is not supported");
        send(e, h.id);
    }
    }
}

void LlrpServer::Impl::capabilities(const llrp::GetReaderCapabilities& req,
                                    llrp::GetReaderCapabilitiesResponse& resp)
{
    using R = llrp::GetReaderCapabilities;
    if (req.requested == R::All || req.requested == R::General) {
        llrp::GeneralDeviceCapabilities g;
        g.maxAntennas = kAntennas;
        std::vector<uint8_t> firmware;
        model.sysInfQuery(3, &firmware);
        g.firmware.assign(firmware.begin(), std::find(firmware.begin(), firmware.end(), 0));
        g.sensitivities = {llrp::SensitivityEntry()};
        for (uint16_t a = 1; a <= kAntennas; ++a) {
            llrp::PerAntennaAirProtocol p;
            p.antennaId = a;
            g.airProtocols.push_back(p);
        }
        resp.general.emplace(g);
        const std::string maker = "Rivulet";
        const std::string name = "readersim";
        resp.custom = {llrp::Custom{0, 1, Bytes(maker.begin(), maker.end())},
                       llrp::Custom{0, 2, Bytes(name.begin(), name.end())}};
    }
    if (req.requested == R::All || req.requested == R::Regulatory) {
        llrp::UhfBandCapabilities uhf;
        for (size_t i = 0; i < powerTable.size(); ++i)
            uhf.powerLevels.push_back(llrp::TransmitPowerEntry{uint16_t(i + 1), powerTable[i]});
        const Region region = model.region();
        for (int k = 0; k < regionPointCount(region); ++k)
            uhf.frequencies.fixedKHz.push_back(uint32_t(std::lround(regionPointMHz(region, k) * 1000)));
        llrp::RegulatoryCapabilities reg;
        reg.countryCode = region == Region::China ? 156 : region == Region::America ? 840 : 0;
        reg.uhf.emplace(uhf);
        resp.regulatory.emplace(reg);
    }
}

void LlrpServer::Impl::getConfig(const llrp::GetReaderConfig& req, llrp::GetReaderConfigResponse& resp)
{
    using G = llrp::GetReaderConfig;
    if (req.antennaId > kAntennas) {
        resp.status = failure(st::FieldError, "no antenna " + std::to_string(req.antennaId));
        return;
    }
    auto wants = [&](uint8_t what) { return req.requested == G::All || req.requested == what; };
    if (wants(G::Identification)) {
        const NetSettings net = model.net();
        resp.identification.emplace(llrp::Identification{0, Bytes(net.mac.begin(), net.mac.end())});
    }
    for (uint16_t a = 1; a <= kAntennas; ++a) {
        if (req.antennaId != 0 && req.antennaId != a)
            continue;
        if (wants(G::AntennaProperties))
            resp.settings.antennaProperties.push_back(
                llrp::AntennaProperties{model.antenna(a).enabled, a, 0});
        if (wants(G::AntennaConfiguration)) {
            llrp::AntennaConfiguration c;
            c.antennaId = a;
            c.receiver = llrp::RfReceiver{1};
            c.transmitter = llrp::RfTransmitter{1, 1, power[a - 1]};
            resp.settings.antennaConfigurations.push_back(c);
        }
    }
    if (wants(G::RoReportSpec))
        resp.settings.roReportSpec = readerReportSpec.value_or(llrp::RoReportSpec());
    if (wants(G::AccessReportSpec))
        resp.settings.accessReportSpec = llrp::AccessReportSpec();
    if (wants(G::KeepaliveSpec))
        resp.settings.keepaliveSpec = keepalive;
    if (wants(G::EventsAndReports))
        resp.settings.eventsAndReports = llrp::EventsAndReports();
}

void LlrpServer::Impl::setConfig(const llrp::SetReaderConfig& req, llrp::SetReaderConfigResponse& resp)
{
    // Everything is checked before anything changes: a refused request leaves the reader as it was.
    for (const llrp::AntennaConfiguration& c : req.settings.antennaConfigurations) {
        if (c.antennaId > kAntennas) {
            resp.status = failure(st::ParameterError, "no antenna " + std::to_string(c.antennaId));
            return;
        }
        if (c.transmitter &&
            (c.transmitter->transmitPower < 1 || c.transmitter->transmitPower > powerTable.size())) {
            resp.status = failure(st::ParameterError,
                                  "transmit power index " + std::to_string(c.transmitter->transmitPower) +
                                      " is outside 1.." + std::to_string(powerTable.size()));
            return;
        }
    }
    if (req.resetToFactoryDefault) {
        power.fill(defaultPower());
        keepalive = llrp::KeepaliveSpec();
        readerReportSpec.reset();
    }
    for (const llrp::AntennaConfiguration& c : req.settings.antennaConfigurations) {
        for (uint16_t a = 1; a <= kAntennas; ++a) {
            if ((c.antennaId == 0 || c.antennaId == a) && c.transmitter)
                power[a - 1] = c.transmitter->transmitPower;
        }
    }
    if (req.settings.keepaliveSpec) {
        keepalive = *req.settings.keepaliveSpec;
        nextKeepaliveMs = steadyMs() + keepalive.periodMs;
    }
    if (req.settings.roReportSpec)
        readerReportSpec = req.settings.roReportSpec;
}

llrp::LlrpStatus LlrpServer::Impl::addRoSpec(const llrp::RoSpec& roSpec)
{
    if (roSpec.id == 0 || roSpecs.count(roSpec.id))
        return failure(st::Invalid,
                       "ROSpec " + std::to_string(roSpec.id) + " cannot be added: its ID is taken or 0");
    if (roSpec.currentState != 0)
        return failure(st::FieldError, "a ROSpec is added disabled");
    if (roSpec.aiSpecs.empty())
        return failure(st::MissingParameter, "a ROSpec needs an AISpec");
    for (const llrp::AiSpec& ai : roSpec.aiSpecs) {
        for (uint16_t a : ai.antennaIds) {
            if (a > kAntennas)
                return failure(st::ParameterError, "no antenna " + std::to_string(a));
        }
    }
    roSpecs[roSpec.id] = roSpec;
    return llrp::LlrpStatus();
}

llrp::LlrpStatus LlrpServer::Impl::startRoSpec(llrp::RoSpec& roSpec)
{
    std::set<int> wanted;
    uint32_t duration = roSpec.boundary.stop.type == 1 ? roSpec.boundary.stop.durationMs : 0;
    for (const llrp::AiSpec& ai : roSpec.aiSpecs) {
        for (uint16_t a : ai.antennaIds) {
            if (a == 0) {
                for (int k = 1; k <= kAntennas; ++k)
                    wanted.insert(k);
            } else {
                wanted.insert(a);
            }
        }
        if (ai.stop.type == 1 && ai.stop.durationMs > 0)
            duration = duration ? std::min(duration, ai.stop.durationMs) : ai.stop.durationMs;
    }
    if (active)
        stopActive(); // one inventory at a time: the newer ROSpec takes over
    const uint8_t code = wanted.size() == 1 ? uint8_t(*wanted.begin()) : 0;
    if (model.startInventory(ReadType::Epc, code, 0) != Result::Ok)
        return failure(st::DeviceError, "no enabled antenna to read with");
    antennasAllowed = wanted;
    active = roSpec.id;
    roSpec.currentState = 2;
    stopAtMs = duration ? steadyMs() + duration : -1;
    credit = 0;
    lastPaceMs = steadyMs();
    return llrp::LlrpStatus();
}

void LlrpServer::Impl::stopActive()
{
    model.stopInventory();
    auto it = roSpecs.find(active);
    if (it != roSpecs.end())
        it->second.currentState = 1;
    active = 0;
}

llrp::LlrpStatus LlrpServer::Impl::roSpecCommand(uint16_t type, uint32_t id)
{
    namespace msg = llrp::msg;
    if (id == 0 && (type == msg::DeleteRoSpec || type == msg::DisableRoSpec)) {
        if (active)
            stopActive();
        if (type == msg::DeleteRoSpec)
            roSpecs.clear();
        for (auto& r : roSpecs)
            r.second.currentState = 0;
        return llrp::LlrpStatus();
    }
    auto it = roSpecs.find(id);
    if (it == roSpecs.end())
        return failure(st::Invalid, "no ROSpec " + std::to_string(id));
    llrp::RoSpec& roSpec = it->second;
    switch (type) {
    case msg::DeleteRoSpec:
    case msg::DisableRoSpec:
        if (active == id)
            stopActive();
        if (type == msg::DeleteRoSpec)
            roSpecs.erase(it);
        else
            roSpec.currentState = 0;
        return llrp::LlrpStatus();
    case msg::EnableRoSpec:
        if (roSpec.currentState == 0)
            roSpec.currentState = 1;
        return roSpec.boundary.start.type == 1 && active != id ? startRoSpec(roSpec) : llrp::LlrpStatus();
    case msg::StartRoSpec:
        if (roSpec.currentState == 0)
            return failure(st::Invalid, "ROSpec " + std::to_string(id) + " is disabled");
        if (roSpec.currentState == 2)
            return failure(st::Invalid, "ROSpec " + std::to_string(id) + " is already running");
        return startRoSpec(roSpec);
    default: // StopRoSpec
        if (active != id)
            return failure(st::Invalid, "ROSpec " + std::to_string(id) + " is not running");
        stopActive();
        return llrp::LlrpStatus();
    }
}

llrp::LlrpStatus LlrpServer::Impl::addAccessSpec(const llrp::AccessSpec& accessSpec)
{
    if (accessSpec.id == 0 || accessSpecs.count(accessSpec.id))
        return failure(st::Invalid, "AccessSpec " + std::to_string(accessSpec.id) +
                                        " cannot be added: its ID is taken or 0");
    if (accessSpec.active)
        return failure(st::FieldError, "an AccessSpec is added disabled");
    if (accessSpec.protocol != llrp::kProtocolC1G2 || accessSpec.antennaId > kAntennas)
        return failure(st::FieldError, "an AccessSpec for C1G2 on antenna 0.." + std::to_string(kAntennas));
    accessSpecs[accessSpec.id] = accessSpec;
    executions[accessSpec.id] = 0;
    return llrp::LlrpStatus();
}

llrp::LlrpStatus LlrpServer::Impl::accessSpecCommand(uint16_t type, uint32_t id)
{
    namespace msg = llrp::msg;
    if (id == 0 && type != msg::EnableAccessSpec) {
        if (type == msg::DeleteAccessSpec)
            accessSpecs.clear();
        for (auto& a : accessSpecs)
            a.second.active = false;
        return llrp::LlrpStatus();
    }
    auto it = accessSpecs.find(id);
    if (it == accessSpecs.end())
        return failure(st::Invalid, "no AccessSpec " + std::to_string(id));
    if (type == msg::DeleteAccessSpec)
        accessSpecs.erase(it);
    else
        it->second.active = type == msg::EnableAccessSpec;
    return llrp::LlrpStatus();
}

// --- reports and tag access ----------------------------------------------------------------------

void LlrpServer::Impl::produceReports(int64_t now)
{
    // Reports wait while the client does not take them, as on a real link.
    if (out.size() - outPos > 256 * 1024)
        return;
    const double r = rate;
    size_t budget = 512;
    if (r > 0) {
        credit = std::min(credit + double(now - lastPaceMs) * r / 1000.0, std::max(r, 1.0));
        budget = size_t(std::min(credit, 4096.0)); // a huge rate must not mean one huge batch
    }
    if (budget == 0)
        return;
    std::vector<Generated> got;
    model.generateReports(budget, now, [&got](const Tag& t, const Report& rep) { got.push_back({rep, t}); });
    if (r > 0)
        credit -= double(got.size());
    auto it = roSpecs.find(active);
    const llrp::RoReportSpec reportSpec = it != roSpecs.end() && it->second.report
                                              ? *it->second.report
                                              : readerReportSpec.value_or(llrp::RoReportSpec());
    const uint16_t sel = reportSpec.content.enabled;
    using C = llrp::TagReportContentSelector;
    const uint64_t seen = utcMicros();
    llrp::RoAccessReport report;
    for (const Generated& g : got) {
        if (!antennasAllowed.count(g.report.antenna)) {
            model.uncountReport(g.report);
            continue;
        }
        llrp::TagReportData td;
        td.epc = g.tag.epc;
        td.epcBits = uint16_t(g.tag.epc.size() * 8);
        td.epc96 = g.tag.epc.size() == 12;
        if (sel & C::RoSpecId)
            td.roSpecId = active;
        if (sel & C::SpecIndex)
            td.specIndex = 1;
        if (sel & C::InventoryParameterSpecId)
            td.inventoryParameterSpecId = 1;
        if (sel & C::AntennaId)
            td.antennaId = g.report.antenna;
        if (sel & C::ChannelIndex)
            td.channelIndex = 1;
        if (sel & C::PeakRssi) {
            const int dbm = -75 + (power[g.report.antenna - 1] - 1) / 4 +
                            int((g.report.tagIndex * 7 + g.report.antenna * 3) % 15);
            td.peakRssi = int8_t(dbm);
        }
        if (sel & C::FirstSeen)
            td.firstSeenUtc = seen;
        if (sel & C::LastSeen)
            td.lastSeenUtc = seen;
        if (sel & C::TagSeenCount)
            td.tagSeenCount = 1;
        applyAccess(g, td);
        report.tags.push_back(std::move(td));
        if (reportSpec.trigger != 0 && reportSpec.n != 0 && report.tags.size() >= reportSpec.n) {
            tagReports += report.tags.size();
            send(report);
            report.tags.clear();
        }
    }
    if (!report.tags.empty()) {
        tagReports += report.tags.size();
        send(report);
    }
}

void LlrpServer::Impl::applyAccess(const Generated& g, llrp::TagReportData& td)
{
    for (auto it = accessSpecs.begin(); it != accessSpecs.end(); ++it) {
        const llrp::AccessSpec& a = it->second;
        if (!a.active || (a.antennaId != 0 && a.antennaId != g.report.antenna) ||
            (a.roSpecId != 0 && a.roSpecId != active))
            continue;
        const auto& targets = a.command.tagSpec.targets;
        if (!std::all_of(targets.begin(), targets.end(),
                         [&g](const llrp::C1G2TargetTag& t) { return targetMatches(t, g.tag); }))
            continue;
        td.accessSpecId = a.id;
        for (const llrp::OpSpec& op : a.command.opSpecs)
            td.results.push_back(runLlrpOp(model, op, g.report.tagIndex, g.report.antenna));
        if (a.stop.type == 1 && ++executions[a.id] >= a.stop.operationCount) {
            executions.erase(a.id);
            accessSpecs.erase(it);
        }
        return; // the first matching AccessSpec is the one that runs
    }
}

} // namespace readersim
