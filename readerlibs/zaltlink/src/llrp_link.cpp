#include "llrp_link.h"

#include "session.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace zaltlink {

namespace {

constexpr int kConnectMs = 3000;
constexpr uint32_t kKeepaliveMs = 1000;
constexpr size_t kMaxQueued = 100000;
constexpr uint32_t kRoSpecId = 1;
// Far from the small IDs one-shot tag operations take.
constexpr uint32_t kTidAccessSpecId = 0x7100;
constexpr uint16_t kTidOpSpecId = 1;
// What a 6C reader reports as a tag's TID: its first 96 bits.
constexpr uint16_t kTidWords = 6;

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string text(const llrp::Bytes& b)
{
    return std::string(b.begin(), b.end());
}

} // namespace

std::shared_ptr<LlrpLink> LlrpLink::open(const std::string& ip, int port, int* code)
{
    int osError = 0;
    std::shared_ptr<LlrpLink> link(new LlrpLink());
    link->transport_ = wire::openTcp(ip, port, kConnectMs, &osError);
    if (!link->transport_) {
        *code = osError == ECONNREFUSED ? ZALT_ERR_CONNECT_REFUSED
                : osError == ETIMEDOUT  ? ZALT_ERR_CONNECT_TIMED_OUT
                                        : ZALT_ERR_CONNECT_FAILED;
        return nullptr;
    }
    link->lastHeardMs_ = nowMs();
    link->thread_ = std::thread([l = link.get()] { l->receive(); });
    {
        std::unique_lock<std::mutex> lk(link->mutex_);
        if (!link->cv_.wait_for(lk, std::chrono::milliseconds(kConnectMs),
                                [&] { return link->connection_.has_value() || link->lost_; }) ||
            link->connection_.value_or(1) != 0) {
            // Refused (the reader has another client), or silent.
            *code = link->connection_ ? ZALT_ERR_CONNECT_FAILED : ZALT_ERR_CONNECT_TIMED_OUT;
            return nullptr;
        }
    }
    llrp::GetReaderCapabilities get;
    llrp::GetReaderCapabilitiesResponse caps;
    if ((*code = link->request(get, caps, kRequestMs)) != 0)
        return nullptr;
    if (caps.general)
        link->firmware_ = caps.general->firmware;
    for (const llrp::Custom& c : caps.custom) {
        if (c.vendor == 0 && c.subtype == 1)
            link->maker_ = text(c.data);
        if (c.vendor == 0 && c.subtype == 2)
            link->model_ = text(c.data);
    }
    if (link->maker_.empty() && caps.general)
        link->maker_ = "PEN " + std::to_string(caps.general->manufacturer);
    if (link->model_.empty() && caps.general)
        link->model_ = std::to_string(caps.general->model);
    if (caps.general && caps.general->maxAntennas > 0)
        link->antennaCount_ = caps.general->maxAntennas;
    if (caps.regulatory && caps.regulatory->uhf)
        link->powerTable_ = caps.regulatory->uhf->powerLevels;
    // A clean slate, and keepalives to tell a silent reader from a quiet one.
    llrp::SetReaderConfig set;
    set.settings.keepaliveSpec = llrp::KeepaliveSpec{1, kKeepaliveMs};
    llrp::SetReaderConfigResponse setAnswer;
    llrp::DeleteRoSpecResponse deleted;
    llrp::DeleteAccessSpecResponse deletedAccess;
    if ((*code = link->request(set, setAnswer, kRequestMs)) != 0 ||
        (*code = link->request(llrp::DeleteRoSpec{0}, deleted, kRequestMs)) != 0 ||
        (*code = link->request(llrp::DeleteAccessSpec{0}, deletedAccess, kRequestMs)) != 0)
        return nullptr;
    link->keepaliveMs_ = kKeepaliveMs;
    return link;
}

LlrpLink::~LlrpLink()
{
    if (thread_.joinable()) {
        if (!lost_) {
            write(llrp::encodeMessage(llrp::CloseConnection(), nextId_++));
        }
        quit_ = true;
        thread_.join();
    }
}

bool LlrpLink::write(const llrp::Bytes& message)
{
    std::lock_guard<std::mutex> lk(writeMutex_);
    if (lost_ || message.empty() || !transport_->writeAll(message.data(), message.size(), kRequestMs)) {
        markLost();
        return false;
    }
    return true;
}

int LlrpLink::exchange(const llrp::Bytes& message, llrp::Bytes& answer, int timeoutMs)
{
    llrp::Header h;
    if (!llrp::readHeader(message.data(), message.size(), h))
        return ZALT_ERR_BAD_ARGUMENT; // a request too long to frame
    if (!write(message))
        return ZALT_ERR_LINK_LOST;
    std::unique_lock<std::mutex> lk(mutex_);
    const bool got =
        cv_.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return answers_.count(h.id) || lost_; });
    auto it = answers_.find(h.id);
    if (it == answers_.end())
        return got ? ZALT_ERR_LINK_LOST : ZALT_ERR_TIMEOUT;
    answer = std::move(it->second);
    answers_.erase(it);
    return 0;
}

void LlrpLink::markLost()
{
    // Under the lock, so a caller between its check and its wait cannot miss the news.
    std::lock_guard<std::mutex> lk(mutex_);
    lost_ = true;
    cv_.notify_all();
}

void LlrpLink::receive()
{
    llrp::StreamSplitter splitter;
    uint8_t buf[16384];
    while (!quit_ && !lost_) {
        pollfd p{transport_->fd(), POLLIN, 0};
        ::poll(&p, 1, 20);
        const long n = transport_->readSome(buf, sizeof buf);
        if (n < 0 || splitter.failed()) {
            markLost();
            break;
        }
        const int64_t now = nowMs();
        if (n > 0) {
            lastHeardMs_ = now;
            splitter.feed(buf, size_t(n));
            llrp::Bytes m;
            while (splitter.next(m))
                handle(m);
        } else if (const uint32_t period = keepaliveMs_; period && now - lastHeardMs_ > int64_t(period) * 3) {
            markLost(); // three keepalive periods without a word: the reader is gone
        }
    }
}

void LlrpLink::handle(const llrp::Bytes& m)
{
    llrp::Header h;
    llrp::readHeader(m.data(), m.size(), h);
    switch (h.type) {
    case llrp::msg::Keepalive:
        write(llrp::encodeMessage(llrp::KeepaliveAck(), h.id));
        return;
    case llrp::msg::RoAccessReport: {
        llrp::RoAccessReport r;
        if (!llrp::decodeMessage(m, r))
            return;
        std::lock_guard<std::mutex> lk(mutex_);
        if (accessing_)
            return takeAccessReport(r.tags);
        for (llrp::TagReportData& t : r.tags) {
            if (readQueue_.size() < kMaxQueued)
                readQueue_.push_back(std::move(t));
            else
                ++overflowed_; // said through ZALT_GetReportStats, never dropped unseen
        }
        cv_.notify_all();
        return;
    }
    case llrp::msg::ReaderEventNotification: {
        llrp::ReaderEventNotification e;
        if (llrp::decodeMessage(m, e) && e.data.connectionAttempt) {
            std::lock_guard<std::mutex> lk(mutex_);
            connection_ = e.data.connectionAttempt;
            cv_.notify_all();
        }
        return;
    }
    default: {
        std::lock_guard<std::mutex> lk(mutex_);
        answers_[h.id] = m;
        cv_.notify_all();
    }
    }
}

int LlrpLink::startInventory(const std::vector<uint16_t>& antennas, ReadKind kind)
{
    llrp::DeleteRoSpecResponse deleted;
    request(llrp::DeleteRoSpec{kRoSpecId}, deleted, kRequestMs); // refused when there is none
    llrp::DeleteAccessSpecResponse deletedAccess;
    request(llrp::DeleteAccessSpec{kTidAccessSpecId}, deletedAccess, kRequestMs);
    roSpecAdded_ = tidAccessAdded_ = false;
    readKind_ = kind;
    llrp::AddRoSpec add; // every read at once, with its antenna and signal strength
    add.roSpec =
        immediateRoSpec(kRoSpecId, antennas,
                        llrp::TagReportContentSelector::AntennaId | llrp::TagReportContentSelector::PeakRssi);
    llrp::AddRoSpecResponse added;
    llrp::EnableRoSpecResponse enabled;
    llrp::StartRoSpecResponse started;
    clearReads();
    int e = request(add, added, kRequestMs);
    roSpecAdded_ = !e;
    if (!e && kind != ReadKind::Epc) {
        // Added before the ROSpec starts, so the first reads already carry their TID.
        llrp::AddAccessSpec access;
        access.accessSpec.id = kTidAccessSpecId;
        access.accessSpec.roSpecId = kRoSpecId;
        llrp::C1G2TargetTag any; // no mask bits: every tag matches
        access.accessSpec.command.tagSpec.targets = {any};
        llrp::C1G2Read read;
        read.opSpecId = kTidOpSpecId;
        read.bank = llrp::Bank::Tid;
        read.wordCount = kTidWords;
        access.accessSpec.command.opSpecs = {read};
        llrp::AddAccessSpecResponse accessAdded;
        llrp::EnableAccessSpecResponse accessEnabled;
        e = request(access, accessAdded, kRequestMs);
        tidAccessAdded_ = !e;
        if (!e)
            e = request(llrp::EnableAccessSpec{kTidAccessSpecId}, accessEnabled, kRequestMs);
    }
    if (!e)
        e = request(llrp::EnableRoSpec{kRoSpecId}, enabled, kRequestMs);
    if (!e)
        e = request(llrp::StartRoSpec{kRoSpecId}, started, kRequestMs);
    return e;
}

int LlrpLink::stopInventory()
{
    // Deleting a running ROSpec stops it.
    llrp::DeleteRoSpecResponse deleted;
    llrp::DeleteAccessSpecResponse deletedAccess;
    int e = 0;
    if (roSpecAdded_ && !(e = request(llrp::DeleteRoSpec{kRoSpecId}, deleted, kRequestMs)))
        roSpecAdded_ = false;
    int accessError = 0;
    if (tidAccessAdded_ &&
        !(accessError = request(llrp::DeleteAccessSpec{kTidAccessSpecId}, deletedAccess, kRequestMs)))
        tidAccessAdded_ = false;
    return e ? e : accessError;
}

bool LlrpLink::popRead(llrp::TagReportData& out, int waitMs)
{
    std::unique_lock<std::mutex> lk(mutex_);
    if (!cv_.wait_for(lk, std::chrono::milliseconds(waitMs), [&] { return !readQueue_.empty() || lost_; }) ||
        readQueue_.empty())
        return false;
    out = std::move(readQueue_.front());
    readQueue_.pop_front();
    ++reads_;
    return true;
}

void LlrpLink::clearReads()
{
    std::lock_guard<std::mutex> lk(mutex_);
    readQueue_.clear();
}

std::string LlrpLink::identity(uint8_t type) const
{
    return type == 0 ? maker_ : type == 1 ? model_ : type == 3 ? firmware_ : std::string();
}

// --- the calls -------------------------------------------------------------------------------------

llrp::RoSpec immediateRoSpec(uint32_t id, std::vector<uint16_t> antennas, uint16_t content)
{
    llrp::RoSpec r;
    r.id = id;
    llrp::AiSpec ai;
    ai.antennaIds = std::move(antennas);
    r.aiSpecs = {ai};
    llrp::RoReportSpec report;
    report.n = 1;
    report.content.enabled = content;
    r.report = report;
    return r;
}

std::shared_ptr<LlrpLink> llrpLiveLink(Session& s)
{
    auto link = s.llrpLink();
    if (!link)
        s.lastError.store(err::NotConnected);
    else if (link->linkLost())
        s.lastError.store(err::LinkLost);
    return link && !link->linkLost() ? link : nullptr;
}

unsigned char llrpResult(Session& s, int code)
{
    if (code)
        s.lastError.store(code);
    return code ? 0 : 1;
}

unsigned char llrpOpen(Session& s)
{
    if (auto old = s.llrpLink(); old && !old->linkLost())
        return llrpResult(s, err::AlreadyOpen);
    int code = 0;
    auto link = LlrpLink::open(s.address, s.port, &code);
    if (!link)
        return llrpResult(s, code ? code : int(err::ConnectFailed));
    std::lock_guard<std::mutex> lk(s.mutex);
    if (s.closed)
        return 0; // closed while connecting: the link goes with this call
    s.llrp = std::move(link);
    return 1;
}

unsigned char llrpSysInfQuery(Session& s, uint8_t type, unsigned char* buf, unsigned char* len)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    if (!buf || !len)
        return llrpResult(s, err::BadArgument);
    if (type != 0 && type != 1 && type != 3)
        return llrpResult(s, ZALT_ERR_UNSUPPORTED_COMMAND);
    const std::string t = link->identity(type);
    const size_t cap = *len ? *len : 255;
    if (t.size() > cap)
        return llrpResult(s, err::BufferTooSmall);
    std::copy(t.begin(), t.end(), buf);
    *len = static_cast<unsigned char>(t.size());
    return 1;
}

unsigned char llrpStartRead(Session& s, ReadKind kind, uint8_t antenna)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    std::vector<uint16_t> antennas{antenna};
    if (antenna == 0) {
        antennas = link->enabledAntennas();
        if (antennas.empty())
            return llrpResult(s, ZALT_ERR_BAD_PARAMETER); // as a 6C reader with every antenna off answers
    }
    return llrpResult(s, link->startInventory(antennas, kind));
}

namespace {

// The TID an OpSpec result carries for a TID inventory's read; false when that read failed.
bool tidOf(const llrp::TagReportData& t, llrp::Bytes& tid)
{
    for (const llrp::OpSpecResult& r : t.results) {
        const auto* read = std::get_if<llrp::C1G2ReadOpSpecResult>(&r);
        if (!read || read->opSpecId != kTidOpSpecId ||
            (t.accessSpecId && *t.accessSpecId != kTidAccessSpecId))
            continue;
        if (read->result != llrp::C1G2ReadOpSpecResult::Success || read->data.empty())
            return false;
        tid.clear();
        for (uint16_t w : read->data) {
            tid.push_back(uint8_t(w >> 8));
            tid.push_back(uint8_t(w));
        }
        return true;
    }
    return false;
}

bool fits(const llrp::Bytes& b, const unsigned char* len)
{
    return b.size() <= size_t(*len ? *len : 255);
}

} // namespace

unsigned char llrpReceive(Session& s, ReadKind want, unsigned char* antenna, unsigned char* bufA,
                          unsigned char* lenA, unsigned char* bufB, unsigned char* lenB, int waitMs)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    llrp::TagReportData t;
    llrp::Bytes tid;
    ReadKind kind = ReadKind::Epc;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!link->popRead(t, int(std::max<long>(0, left.count())))) {
            if (link->linkLost())
                s.lastError.store(err::LinkLost);
            return 0;
        }
        // Each read stands for the report a 6C reader sends in the running kind, and is filtered
        // the same way.
        kind = link->readKind();
        tid.clear();
        if (kind != ReadKind::Epc && !tidOf(t, tid)) {
            link->countTidFailed();
            continue;
        }
        if ((want == ReadKind::Epc && kind == ReadKind::Tid) ||
            (want == ReadKind::Tid && kind == ReadKind::Epc))
            continue;
        break;
    }
    llrp::Bytes epc = kind == ReadKind::Tid && want == ReadKind::EpcTid ? llrp::Bytes() : t.epc;
    const llrp::Bytes& a = want == ReadKind::Tid ? tid : epc;
    if (!fits(a, lenA) || (want == ReadKind::EpcTid && !fits(tid, lenB)))
        return llrpResult(s, err::BufferTooSmall);
    *antenna = static_cast<unsigned char>(t.antennaId.value_or(0));
    s.lastRssi = t.peakRssi ? int(*t.peakRssi) : Session::kNoRssi;
    std::copy(a.begin(), a.end(), bufA);
    *lenA = static_cast<unsigned char>(a.size());
    if (want == ReadKind::EpcTid) {
        std::copy(tid.begin(), tid.end(), bufB);
        *lenB = static_cast<unsigned char>(tid.size());
    }
    return 1;
}

unsigned char llrpPowerOff(Session& s)
{
    auto link = llrpLiveLink(s);
    return link ? llrpResult(s, link->stopInventory()) : 0;
}

} // namespace zaltlink
