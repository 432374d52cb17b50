// Tag access for readersim's LLRP endpoint: AccessSpec targets matched against a tag, and op specs
// carried out by the 6C ReaderModel.
#include "llrp_access.h"

#include <algorithm>

namespace readersim {

namespace {

using llrp::Bytes;

void put32(Bytes& b, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(uint8_t(v >> shift));
}

// A bank as LLRP numbers its bits: the EPC bank starts with CRC and PC, the reserved bank holds the
// kill password, then the access password.
Bytes bankBytes(const Tag& t, llrp::Bank bank)
{
    Bytes b;
    switch (bank) {
    case llrp::Bank::Reserved:
        put32(b, t.killPassword);
        put32(b, t.accessPassword);
        break;
    case llrp::Bank::Epc:
        b = {0, 0, uint8_t(t.pc() >> 8), uint8_t(t.pc())};
        b.insert(b.end(), t.epc.begin(), t.epc.end());
        break;
    case llrp::Bank::Tid:
        b = t.tid;
        break;
    case llrp::Bank::User:
        b = t.user;
        break;
    }
    return b;
}

bool bitAt(const Bytes& b, size_t bit)
{
    return (b[bit / 8] >> (7 - bit % 8)) & 1;
}

} // namespace

bool targetMatches(const llrp::C1G2TargetTag& target, const Tag& t)
{
    const Bytes mem = bankBytes(t, target.bank);
    const size_t bits = std::min(target.maskBits, target.dataBits);
    if (size_t(target.pointer) + bits > mem.size() * 8 || target.mask.size() * 8 < bits ||
        target.data.size() * 8 < bits)
        return !target.match;
    for (size_t i = 0; i < bits; ++i) {
        if (bitAt(target.mask, i) && bitAt(mem, target.pointer + i) != bitAt(target.data, i))
            return !target.match;
    }
    return target.match;
}

namespace {

std::vector<uint16_t> toWords(const Bytes& b)
{
    std::vector<uint16_t> w(b.size() / 2);
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = uint16_t(b[2 * i] << 8 | b[2 * i + 1]);
    return w;
}

Bytes toBytes(const std::vector<uint16_t>& w)
{
    Bytes b;
    for (uint16_t v : w) {
        b.push_back(uint8_t(v >> 8));
        b.push_back(uint8_t(v));
    }
    return b;
}

} // namespace

llrp::OpSpecResult runLlrpOp(ReaderModel& model, const llrp::OpSpec& op, uint32_t tagIndex, int antenna)
{
    const Tag now = model.tag(tagIndex);
    // The model's tag operations act on the first tag the select admits: aim them at this one without
    // touching the select a 6C client may have set.
    const ReaderModel::TargetPin pin(tagIndex);

    if (const auto* read = std::get_if<llrp::C1G2Read>(&op)) {
        llrp::C1G2ReadOpSpecResult r;
        r.opSpecId = read->opSpecId;
        const Bytes bank = bankBytes(now, read->bank);
        const size_t first = size_t(read->wordPointer) * 2;
        const size_t count =
            read->wordCount ? size_t(read->wordCount) * 2 : bank.size() - std::min(first, bank.size());
        if (now.killed)
            r.result = r.NoResponse;
        else if (first + count > bank.size())
            r.result = r.ReadMemoryOverrun;
        else if (count == 0)
            r.result = r.TagError;
        else
            r.data = toWords(Bytes(bank.begin() + long(first), bank.begin() + long(first + count)));
        return r;
    }
    if (const auto* write = std::get_if<llrp::C1G2Write>(&op)) {
        llrp::C1G2WriteOpSpecResult r;
        r.opSpecId = write->opSpecId;
        const Bytes data = toBytes(write->data);
        Result res = Result::BadArgument;
        if (write->bank == llrp::Bank::User) {
            res = model.writeUser(antenna, write->accessPassword, write->wordPointer, data);
        } else if (write->bank == llrp::Bank::Epc && write->wordPointer == 2) {
            res = model.writeEpc(antenna, write->accessPassword, data);
        } else if (write->bank == llrp::Bank::Epc && write->wordPointer == 1 && write->data.size() > 1 &&
                   size_t(write->data[0] >> 11) == write->data.size() - 1) {
            // The PC word with the EPC: the model keeps no PC of its own, only its length field.
            res = model.writeEpc(antenna, write->accessPassword, Bytes(data.begin() + 2, data.end()));
        } else if (write->bank == llrp::Bank::Reserved && data.size() == 4 &&
                   (write->wordPointer == 0 || write->wordPointer == 2)) {
            const bool kill = write->wordPointer == 0;
            const uint32_t value =
                uint32_t(data[0]) << 24 | uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
            const bool secured = write->accessPassword == now.accessPassword;
            if (!secured && write->accessPassword != 0)
                res = Result::BadPassword;
            else if (!secured && now.isLocked(kill ? LockArea::KillPassword : LockArea::AccessPassword))
                res = Result::Locked;
            else
                res = kill ? model.setKillPassword(antenna, now.killPassword, value)
                           : model.setAccessPassword(antenna, now.accessPassword, value);
        }
        switch (res) {
        case Result::Ok:
            r.wordsWritten = uint16_t(write->data.size());
            break;
        case Result::Locked:
            r.result = r.MemoryLocked;
            break;
        case Result::MemoryOverrun:
            r.result = r.MemoryOverrun;
            break;
        case Result::NoTag:
            r.result = r.NoResponse;
            break;
        case Result::BadPassword:
            r.result = r.IncorrectPassword;
            break;
        default:
            r.result = r.TagError;
        }
        return r;
    }
    if (const auto* kill = std::get_if<llrp::C1G2Kill>(&op)) {
        llrp::C1G2KillOpSpecResult r;
        r.opSpecId = kill->opSpecId;
        const Result res = model.killTag(antenna, kill->killPassword, now.epc);
        r.result = res == Result::Ok            ? r.Success
                   : kill->killPassword == 0    ? r.ZeroKillPassword
                   : res == Result::NoTag       ? r.NoResponse
                   : res == Result::BadPassword ? r.IncorrectPassword
                                                : r.TagError;
        return r;
    }
    const auto& lock = std::get<llrp::C1G2Lock>(op);
    llrp::C1G2LockOpSpecResult r;
    r.opSpecId = lock.opSpecId;
    // LLRP's data fields 0..4 (kill password, access password, EPC, TID, user) as the model's areas.
    static const uint8_t kAreas[] = {uint8_t(LockArea::KillPassword), uint8_t(LockArea::AccessPassword),
                                     uint8_t(LockArea::Epc), 0, uint8_t(LockArea::User)};
    for (const llrp::C1G2LockPayload& p : lock.payloads) {
        const uint8_t area = p.field < sizeof kAreas ? kAreas[p.field] : 0;
        const bool locks = p.privilege == p.ReadWrite || p.privilege == p.PermaLock;
        const Result res =
            area ? model.lockTag(antenna, lock.accessPassword, locks ? 0 : 1, area) : Result::BadArgument;
        if (res != Result::Ok) {
            r.result = res == Result::NoTag         ? r.NoResponse
                       : res == Result::BadPassword ? r.IncorrectPassword
                                                    : r.TagError;
            break;
        }
    }
    return r;
}

} // namespace readersim
