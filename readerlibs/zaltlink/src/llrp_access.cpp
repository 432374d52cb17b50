// The 6C tag operations on an LLRP reader: each one AccessSpec, fired by a ROSpec of its own, aimed at
// the tag the 6C select names (docs/protocol.md, section 5).
#include "llrp_link.h"

#include "session.h"

#include <algorithm>
#include <chrono>

namespace zaltlink {

namespace {

// Ids of their own, so a tag operation never touches the inventory's ROSpec.
constexpr uint32_t kOpRoSpecId = 0x6C01;
constexpr uint32_t kOpAccessSpecId = 0x6C01;
// The EPC bank's EPC starts after its CRC and PC words.
constexpr int kEpcBitOffset = 32;

// What each OpSpec result means as a 6C status.
struct ResultCode
{
    int operator()(const llrp::C1G2ReadOpSpecResult& r) const
    {
        using R = llrp::C1G2ReadOpSpecResult;
        switch (r.result) {
        case R::Success:
            return 0;
        case R::ReadMemoryOverrun:
            return ZALT_ERR_MEMORY_OVERRUN;
        case R::ReadMemoryLocked:
            return ZALT_ERR_MEMORY_LOCKED;
        case R::IncorrectPassword:
            return ZALT_ERR_WRONG_PASSWORD;
        case R::ReaderError:
            return ZALT_ERR_INTERNAL_ERROR;
        default:
            return ZALT_ERR_TAG_NOT_FOUND;
        }
    }
    int operator()(const llrp::C1G2WriteOpSpecResult& r) const
    {
        using R = llrp::C1G2WriteOpSpecResult;
        switch (r.result) {
        case R::Success:
            return 0;
        case R::MemoryOverrun:
            return ZALT_ERR_MEMORY_OVERRUN;
        case R::MemoryLocked:
            return ZALT_ERR_MEMORY_LOCKED;
        case R::IncorrectPassword:
            return ZALT_ERR_WRONG_PASSWORD;
        case R::ReaderError:
            return ZALT_ERR_INTERNAL_ERROR;
        default: // tag error, no response, too little power to write
            return ZALT_ERR_TAG_NOT_FOUND;
        }
    }
    int operator()(const llrp::C1G2KillOpSpecResult& r) const
    {
        using R = llrp::C1G2KillOpSpecResult;
        switch (r.result) {
        case R::Success:
            return 0;
        case R::ZeroKillPassword: // a 6C reader refuses a zero kill password as a wrong one
        case R::IncorrectPassword:
            return ZALT_ERR_WRONG_PASSWORD;
        case R::ReaderError:
            return ZALT_ERR_INTERNAL_ERROR;
        default:
            return ZALT_ERR_TAG_NOT_FOUND;
        }
    }
    int operator()(const llrp::C1G2LockOpSpecResult& r) const
    {
        using R = llrp::C1G2LockOpSpecResult;
        switch (r.result) {
        case R::Success:
            return 0;
        case R::IncorrectPassword:
            return ZALT_ERR_WRONG_PASSWORD;
        case R::LockMemoryOverrun:
            return ZALT_ERR_MEMORY_OVERRUN;
        case R::LockMemoryLocked:
            return ZALT_ERR_MEMORY_LOCKED;
        case R::ReaderError:
            return ZALT_ERR_INTERNAL_ERROR;
        default:
            return ZALT_ERR_TAG_NOT_FOUND;
        }
    }
};

// Runs one op and gives its result: 0 or a ZALT error code.
int runOne(LlrpLink& link, const std::optional<llrp::C1G2TargetTag>& target, llrp::OpSpec op, uint8_t antenna,
           int waitMs, llrp::TagReportData& report)
{
    const int e = link.access(target, {std::move(op)}, antenna, waitMs, report);
    if (e)
        return e;
    return report.results.empty() ? int(ZALT_ERR_TAG_NOT_FOUND) : std::visit(ResultCode(), report.results[0]);
}

std::vector<uint16_t> toWords(const unsigned char* b, size_t words)
{
    std::vector<uint16_t> w(words);
    for (size_t i = 0; i < words; ++i)
        w[i] = uint16_t(b[2 * i] << 8 | b[2 * i + 1]);
    return w;
}

int waitFor(int timeMs)
{
    // The 6C reader tries for the operation time; a time of 0 still gets the usual bound.
    return timeMs > 0 ? std::min(timeMs, 64000) : kSlowTimeoutMs;
}

} // namespace

// --- the link's part ---------------------------------------------------------------------------------

void LlrpLink::setSelect(std::optional<llrp::C1G2TargetTag> target)
{
    std::lock_guard<std::mutex> lk(mutex_);
    select_ = std::move(target);
}

std::optional<llrp::C1G2TargetTag> LlrpLink::select() const
{
    std::lock_guard<std::mutex> lk(mutex_);
    return select_;
}

void LlrpLink::takeAccessReport(std::vector<llrp::TagReportData>& tags)
{
    // Reads of the tags the AccessSpec passed over are not the operator's inventory: they go.
    for (llrp::TagReportData& t : tags) {
        if (!accessReport_ && t.accessSpecId == kOpAccessSpecId && !t.results.empty())
            accessReport_ = std::move(t);
    }
    cv_.notify_all();
}

int LlrpLink::access(const std::optional<llrp::C1G2TargetTag>& target, const std::vector<llrp::OpSpec>& ops,
                     uint8_t antenna, int waitMs, llrp::TagReportData& out)
{
    std::lock_guard<std::mutex> one(accessMutex_);
    {
        std::lock_guard<std::mutex> lk(mutex_);
        accessing_ = true;
        accessReport_.reset();
    }
    struct Cleanup
    {
        LlrpLink& l;
        ~Cleanup()
        {
            // Refusals are expected here (a spent AccessSpec is gone already): each step is tried.
            llrp::StopRoSpecResponse stopped;
            llrp::DeleteRoSpecResponse deleted;
            llrp::DeleteAccessSpecResponse deletedAccess;
            l.request(llrp::StopRoSpec{kOpRoSpecId}, stopped, kRequestMs);
            l.request(llrp::DeleteRoSpec{kOpRoSpecId}, deleted, kRequestMs);
            l.request(llrp::DeleteAccessSpec{kOpAccessSpecId}, deletedAccess, kRequestMs);
            // Only now: reads the stopped ROSpec sent before its answer are still not the operator's.
            std::lock_guard<std::mutex> lk(l.mutex_);
            l.accessing_ = false;
            l.accessReport_.reset();
        }
    } cleanup{*this};

    llrp::AddAccessSpec addAccess;
    addAccess.accessSpec = makeAccessSpec(kOpAccessSpecId, kOpRoSpecId, antenna, target, ops, 1);
    llrp::AddRoSpec addRo;
    addRo.roSpec = immediateRoSpec(kOpRoSpecId, {antenna},
                                   llrp::TagReportContentSelector::AntennaId |
                                       llrp::TagReportContentSelector::AccessSpecId);

    llrp::AddAccessSpecResponse addedAccess;
    llrp::EnableAccessSpecResponse enabledAccess;
    llrp::AddRoSpecResponse addedRo;
    llrp::EnableRoSpecResponse enabledRo;
    llrp::StartRoSpecResponse started;
    int e = request(addAccess, addedAccess, kRequestMs);
    if (!e)
        e = request(llrp::EnableAccessSpec{kOpAccessSpecId}, enabledAccess, kRequestMs);
    if (!e)
        e = request(addRo, addedRo, kRequestMs);
    if (!e)
        e = request(llrp::EnableRoSpec{kOpRoSpecId}, enabledRo, kRequestMs);
    if (!e)
        e = request(llrp::StartRoSpec{kOpRoSpecId}, started, kRequestMs);
    if (e)
        return e;
    std::unique_lock<std::mutex> lk(mutex_);
    cv_.wait_for(lk, std::chrono::milliseconds(waitMs), [&] { return accessReport_.has_value() || lost_; });
    if (!accessReport_)
        return lost_ ? int(ZALT_ERR_LINK_LOST) : int(ZALT_ERR_TAG_NOT_FOUND);
    out = std::move(*accessReport_);
    return 0;
}

// --- builders ------------------------------------------------------------------------------------------

llrp::AccessSpec makeAccessSpec(uint32_t id, uint32_t roSpecId, uint16_t antenna,
                                const std::optional<llrp::C1G2TargetTag>& target,
                                std::vector<llrp::OpSpec> ops, uint16_t count)
{
    llrp::AccessSpec a;
    a.id = id;
    a.antennaId = antenna;
    a.roSpecId = roSpecId;
    a.stop.type = count ? 1 : 0;
    a.stop.operationCount = count;
    // An empty mask admits every tag: the first one found is the one acted on.
    a.command.tagSpec.targets = {target.value_or(llrp::C1G2TargetTag())};
    a.command.opSpecs = std::move(ops);
    llrp::AccessReportSpec report;
    report.trigger = 1;
    a.report = report;
    return a;
}

llrp::C1G2TargetTag epcTarget(const std::vector<uint8_t>& epc)
{
    const uint16_t pc = uint16_t(((epc.size() + 1) / 2) << 11);
    llrp::C1G2TargetTag t;
    t.bank = llrp::Bank::Epc;
    t.pointer = 16; // from the PC word
    t.data = {uint8_t(pc >> 8), uint8_t(pc)};
    t.data.insert(t.data.end(), epc.begin(), epc.end());
    t.mask.assign(t.data.size(), 0xFF);
    t.mask[0] = 0xF8; // the PC's length field alone
    t.mask[1] = 0;
    t.maskBits = t.dataBits = uint16_t(t.data.size() * 8);
    return t;
}

// --- the calls -------------------------------------------------------------------------------------------

unsigned char llrpTagSelect(Session& s, uint8_t bank, int startBits, int lengthBits,
                            const unsigned char* data, unsigned char count)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    const int pointer = startBits + (bank == 1 ? kEpcBitOffset : 0);
    if (bank < 1 || bank > 3 || lengthBits > count * 8 || pointer > 0xFFFF)
        return llrpResult(s, ZALT_ERR_BAD_PARAMETER); // what the 6C reader answers
    if (lengthBits == 0) {
        link->setSelect(std::nullopt);
        return 1;
    }
    llrp::C1G2TargetTag t;
    t.bank = llrp::Bank(bank);
    t.pointer = uint16_t(pointer);
    t.maskBits = t.dataBits = uint16_t(lengthBits);
    const size_t bytes = (size_t(lengthBits) + 7) / 8;
    t.data.assign(data, data + bytes);
    t.mask.assign(bytes, 0xFF);
    if (lengthBits % 8)
        t.mask.back() = uint8_t(0xFF << (8 - lengthBits % 8));
    link->setSelect(std::move(t));
    return 1;
}

unsigned char llrpReadUser(Session& s, uint8_t antenna, int start, int words, int timeMs, unsigned char* buf,
                           int* len)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    llrp::C1G2Read read;
    read.bank = llrp::Bank::User;
    read.wordPointer = uint16_t(start);
    read.wordCount = uint16_t(words);
    llrp::TagReportData r;
    if (const int e = runOne(*link, link->select(), read, antenna, waitFor(timeMs), r))
        return llrpResult(s, e);
    const auto& got = std::get<llrp::C1G2ReadOpSpecResult>(r.results[0]).data;
    if (got.size() * 2 > size_t(*len))
        return llrpResult(s, err::BufferTooSmall);
    for (size_t i = 0; i < got.size(); ++i) {
        buf[2 * i] = uint8_t(got[i] >> 8);
        buf[2 * i + 1] = uint8_t(got[i]);
    }
    *len = int(got.size());
    return 1;
}

unsigned char llrpWriteUser(Session& s, uint8_t antenna, uint32_t password, int start, int timeMs,
                            const unsigned char* data, int* words)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    llrp::C1G2Write write;
    write.accessPassword = password;
    write.bank = llrp::Bank::User;
    write.wordPointer = uint16_t(start);
    write.data = toWords(data, size_t(*words));
    llrp::TagReportData r;
    if (const int e = runOne(*link, link->select(), write, antenna, waitFor(timeMs), r))
        return llrpResult(s, e);
    *words = std::get<llrp::C1G2WriteOpSpecResult>(r.results[0]).wordsWritten;
    return 1;
}

unsigned char llrpWriteEpc(Session& s, uint8_t antenna, uint32_t password, const unsigned char* epc,
                           unsigned char count)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    if (count == 0 || count % 2)
        return llrpResult(s, ZALT_ERR_BAD_PARAMETER);
    // The 6C reader writes the PC word too, so an EPC of another length reads back whole.
    llrp::C1G2Write write;
    write.accessPassword = password;
    write.bank = llrp::Bank::Epc;
    write.wordPointer = 1;
    write.data = {uint16_t((count / 2) << 11)};
    const std::vector<uint16_t> w = toWords(epc, count / 2u);
    write.data.insert(write.data.end(), w.begin(), w.end());
    llrp::TagReportData r;
    return llrpResult(s, runOne(*link, link->select(), write, antenna, kSlowTimeoutMs, r));
}

unsigned char llrpTagLock(Session& s, uint8_t antenna, uint32_t password, uint8_t op, uint8_t area)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    using P = llrp::C1G2LockPayload;
    // 6C areas 2 EPC, 3 user, 4 access password, 5 kill password.
    static const uint8_t kFields[] = {P::EpcMemory, P::UserMemory, P::AccessPassword, P::KillPassword};
    if (op > 1 || area < 2 || area > 5)
        return llrpResult(s, ZALT_ERR_BAD_PARAMETER);
    llrp::C1G2Lock lock;
    lock.accessPassword = password;
    P p;
    p.privilege = op == 0 ? P::ReadWrite : P::Unlock;
    p.field = kFields[area - 2];
    lock.payloads = {p};
    llrp::TagReportData r;
    return llrpResult(s, runOne(*link, link->select(), lock, antenna, kSlowTimeoutMs, r));
}

unsigned char llrpTagKill(Session& s, uint8_t antenna, uint32_t killPassword, const unsigned char* epc,
                          unsigned char count)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    if (count == 0)
        return llrpResult(s, ZALT_ERR_BAD_PARAMETER);
    // The 6C reader kills the tag with this EPC, whatever the select.
    llrp::C1G2Kill kill;
    kill.killPassword = killPassword;
    llrp::TagReportData r;
    return llrpResult(s, runOne(*link, epcTarget({epc, epc + count}), kill, antenna, kSlowTimeoutMs, r));
}

unsigned char llrpPasswordSet(Session& s, bool killPassword, uint8_t antenna, uint32_t oldPassword,
                              uint32_t newPassword)
{
    auto link = llrpLiveLink(s);
    if (!link)
        return 0;
    // The 6C reader changes a password only when the old one is right: read it first, then write
    // to that same tag.
    const uint16_t word = killPassword ? 0 : 2;
    llrp::C1G2Read read;
    read.accessPassword = killPassword ? 0 : oldPassword;
    read.bank = llrp::Bank::Reserved;
    read.wordPointer = word;
    read.wordCount = 2;
    llrp::TagReportData r;
    if (const int e = runOne(*link, link->select(), read, antenna, kSlowTimeoutMs, r))
        return llrpResult(s, e);
    const auto& now = std::get<llrp::C1G2ReadOpSpecResult>(r.results[0]).data;
    if (now.size() != 2 || (uint32_t(now[0]) << 16 | now[1]) != oldPassword)
        return llrpResult(s, ZALT_ERR_WRONG_PASSWORD);
    llrp::C1G2Write write;
    // The old access password secures the tag; the old kill password does not, so a locked kill
    // password stays as the 6C reader leaves it.
    write.accessPassword = killPassword ? 0 : oldPassword;
    write.bank = llrp::Bank::Reserved;
    write.wordPointer = word;
    write.data = {uint16_t(newPassword >> 16), uint16_t(newPassword)};
    const auto tag = epcTarget(r.epc);
    return llrpResult(s, runOne(*link, tag, write, antenna, kSlowTimeoutMs, r));
}

} // namespace zaltlink
