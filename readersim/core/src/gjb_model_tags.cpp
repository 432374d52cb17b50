// The GJB tag field: population, which tag an operation reaches, and the tag operations.
#include "readersim/gjb_model.h"

#include <wire/messages_gjb.h>

#include <algorithm>
#include <chrono>

namespace readersim {

namespace ts = wire::gjb::tagstatus;
namespace gop = wire::gjb::op;

namespace {

constexpr size_t kInfoWords = 8;
constexpr size_t kCodeWords = 6;
constexpr size_t kSecurityWords = 12;
constexpr size_t kUser0Words = 32;
constexpr size_t kUserWords = 8;

uint64_t splitmix(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void putU32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    v[at] = uint8_t(x >> 24);
    v[at + 1] = uint8_t(x >> 16);
    v[at + 2] = uint8_t(x >> 8);
    v[at + 3] = uint8_t(x);
}

int bitOf(const std::vector<uint8_t>& v, size_t bit)
{
    return bit / 8 < v.size() ? (v[bit / 8] >> (7 - bit % 8)) & 1 : 0;
}

bool matches(const GjbTag& t, const GjbMatch& m)
{
    if (!m.match || m.maskBits == 0)
        return true;
    const size_t first = size_t(m.startWord) * 16;
    if (first + m.maskBits > t.code.size() * 8)
        return false;
    for (size_t k = 0; k < m.maskBits; ++k) {
        if (bitOf(m.mask, k) && bitOf(t.code, first + k) != bitOf(m.id, k))
            return false;
    }
    return true;
}

bool inRange(const std::vector<uint8_t>& area, uint32_t start, uint32_t words)
{
    return words > 0 && (start + words) * 2 <= area.size();
}

enum class Access
{
    Read,
    Write,
    Erase
};

// The tag status of an area access, in the order the tag checks: area, right, lock, password, range.
uint8_t checkAccess(const GjbTag& t, uint8_t area, Access kind, uint32_t pw, uint32_t start, uint32_t words)
{
    const std::vector<uint8_t>* mem = t.area(area);
    const int slot = gjbAreaSlot(area);
    if (!mem || slot < 0)
        return ts::StorageError;
    const uint8_t lock = t.locks[size_t(slot)];
    if (kind == Access::Read) {
        if (lock >= 2)
            return ts::Locked;
    } else {
        // The information area is the maker's.
        if (slot == 0)
            return ts::NoRight;
        if (lock == 1 || lock == 3)
            return ts::Locked;
    }
    const GjbPassword need = kind == Access::Read    ? GjbPassword::Read
                             : kind == Access::Write ? GjbPassword::Write
                                                     : GjbPassword::Erase;
    if (pw != t.password(need))
        return ts::WrongPassword;
    if (!inRange(*mem, start, words))
        return ts::StorageError;
    return ts::Ok;
}

} // namespace

// --- tags ------------------------------------------------------------------------------------------

uint32_t GjbTag::password(GjbPassword kind) const
{
    const size_t at = size_t(kind) * 4;
    if (at + 4 > security.size())
        return 0;
    return (uint32_t(security[at]) << 24) | (uint32_t(security[at + 1]) << 16) |
           (uint32_t(security[at + 2]) << 8) | uint32_t(security[at + 3]);
}

void GjbTag::setPassword(GjbPassword kind, uint32_t value)
{
    const size_t at = size_t(kind) * 4;
    if (security.size() < at + 4)
        security.resize(at + 4, 0);
    putU32(security, at, value);
}

int gjbAreaSlot(uint8_t code)
{
    const int index = code >> 4;
    const int number = code & 0x0F;
    if (index == 3)
        return 3 + number;
    // The other areas have no number: a code that gives one names no area.
    return index < 3 && number == 0 ? index : -1;
}

std::vector<uint8_t>* GjbTag::area(uint8_t code)
{
    const int slot = gjbAreaSlot(code);
    switch (slot) {
    case -1:
        return nullptr;
    case 0:
        return &info;
    case 1:
        return &this->code;
    case 2:
        return &security;
    default:
        return &user[size_t(slot - 3)];
    }
}

const std::vector<uint8_t>* GjbTag::area(uint8_t code) const
{
    return const_cast<GjbTag*>(this)->area(code);
}

uint64_t GjbTag::totalReports() const
{
    uint64_t n = 0;
    for (uint64_t r : reports)
        n += r;
    return n;
}

GjbModel::GjbModel(uint32_t seed, int tagCount)
    : seed_(seed), bornMs_(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count())
{
    info_[wire::gjb::info::Mcu] = "M1.02.05";
    info_[wire::gjb::info::Fpga] = "F2.01.00";
    info_[wire::gjb::info::Rf] = "R1.00.03";
    info_[wire::gjb::info::Linux] = "Linux 4.9.88 gjb-sim armv7l";
    info_[wire::gjb::info::RfType] = "GJB-UHF-4A";
    info_[wire::gjb::info::Summary] = "SIMGJB4 M1.02.05";
    for (int i = 0; i < std::max(tagCount, 0); ++i)
        tags_.push_back(makeTag(seed, uint32_t(i)));
}

GjbTag GjbModel::makeTag(uint32_t seed, uint32_t index)
{
    uint64_t state = (uint64_t(seed) << 32) ^ index ^ 0x474A42ull;
    GjbTag t;
    t.info.assign(kInfoWords * 2, 0);
    t.info[0] = 0x47; // "GJ": the maker
    t.info[1] = 0x4A;
    t.info[2] = 0x00; // model
    t.info[3] = 0x04;
    putU32(t.info, 4, uint32_t(splitmix(state)));
    putU32(t.info, 8, index);
    t.code.assign(kCodeWords * 2, 0);
    t.code[0] = 0x35;
    t.code[1] = 0x47;
    const uint64_t r = splitmix(state);
    for (size_t i = 0; i < 6; ++i)
        t.code[2 + i] = uint8_t(r >> (8 * i));
    putU32(t.code, 8, index);
    t.security.assign(kSecurityWords * 2, 0);
    for (size_t n = 0; n < kGjbUserAreas; ++n)
        t.user[n].assign((n == 0 ? kUser0Words : kUserWords) * 2, 0);
    for (size_t i = 0; i < t.user[0].size(); i += 8) {
        const uint64_t v = splitmix(state);
        for (size_t k = 0; k < 8; ++k)
            t.user[0][i + k] = uint8_t(v >> (8 * k));
    }
    return t;
}

size_t GjbModel::tagCount() const
{
    Lock l(mutex_);
    return tags_.size();
}

GjbTag GjbModel::tag(size_t index) const
{
    Lock l(mutex_);
    return index < tags_.size() ? tags_[index] : GjbTag();
}

std::vector<GjbTag> GjbModel::tags() const
{
    Lock l(mutex_);
    return tags_;
}

void GjbModel::setTag(size_t index, const GjbTag& t)
{
    Lock l(mutex_);
    if (index < tags_.size())
        tags_[index] = t;
}

size_t GjbModel::addTag(const GjbTag& t)
{
    Lock l(mutex_);
    tags_.push_back(t);
    return tags_.size() - 1;
}

void GjbModel::removeAllTags()
{
    Lock l(mutex_);
    tags_.clear();
    roundTag_ = 0;
}

// --- which tag -------------------------------------------------------------------------------------

bool GjbModel::reachesLocked(const GjbTag& t, int antenna) const
{
    return t.seenBy(antenna) && settings_.power[size_t(antenna - 1)] >= t.powerNeeded;
}

int GjbModel::targetLocked(const GjbMatch& m, int* antenna, bool* lowPower) const
{
    *lowPower = false;
    for (size_t i = 0; i < tags_.size(); ++i) {
        const GjbTag& t = tags_[i];
        if (t.killed || !matches(t, m))
            continue;
        bool seen = false;
        for (int a = 1; a <= 4; ++a) {
            if (!((settings_.antennaMask >> (a - 1)) & 1) || !t.seenBy(a))
                continue;
            seen = true;
            if (reachesLocked(t, a)) {
                *antenna = a;
                return int(i);
            }
        }
        // In the field but out of power's reach: that is what the reader reports, not "no tag".
        if (seen) {
            *lowPower = true;
            return -1;
        }
    }
    return -1;
}

GjbAccessOutcome GjbModel::beginAccessLocked(const GjbMatch& m)
{
    GjbAccessOutcome o;
    int antenna = 0;
    bool lowPower = false;
    o.tagIndex = targetLocked(m, &antenna, &lowPower);
    if (o.tagIndex < 0) {
        o.status = lowPower ? ts::LowPower : ts::NotIdentified;
        return o;
    }
    o.antenna = uint8_t(antenna);
    o.id = tags_[size_t(o.tagIndex)].code;
    if (accessFault_ != 0) {
        o.status = accessFault_;
        accessFault_ = 0;
        o.tagIndex = -1; // nothing is done to the tag
    }
    return o;
}

void GjbModel::finishAccessLocked(uint8_t operation, GjbAccessOutcome& o, uint8_t area, uint16_t start,
                                  uint16_t words)
{
    lastAccess_.operation = operation;
    lastAccess_.status = o.status;
    lastAccess_.area = area;
    lastAccess_.startWord = start;
    lastAccess_.words = words;
    if (o.status != ts::Ok)
        o.data.clear();
}

// --- operations --------------------------------------------------------------------------------------

GjbAccessOutcome GjbModel::readTag(const GjbMatch& m, uint8_t area, uint16_t start, uint16_t words,
                                   uint32_t pw)
{
    Lock l(mutex_);
    GjbAccessOutcome o = beginAccessLocked(m);
    if (o.status == ts::Ok) {
        const GjbTag& t = tags_[size_t(o.tagIndex)];
        o.status = checkAccess(t, area, Access::Read, pw, start, words);
        if (o.status == ts::Ok) {
            const std::vector<uint8_t>* mem = t.area(area);
            o.data.assign(mem->begin() + long(start) * 2, mem->begin() + (long(start) + words) * 2);
        }
    }
    finishAccessLocked(gop::Read, o, area, start, words);
    return o;
}

GjbAccessOutcome GjbModel::writeTag(const GjbMatch& m, uint8_t area, uint16_t start,
                                    const std::vector<uint8_t>& data, uint32_t pw)
{
    Lock l(mutex_);
    GjbAccessOutcome o = beginAccessLocked(m);
    const uint16_t words = uint16_t(data.size() / 2);
    if (o.status == ts::Ok) {
        GjbTag& t = tags_[size_t(o.tagIndex)];
        o.status = checkAccess(t, area, Access::Write, pw, start, words);
        if (o.status == ts::Ok) {
            std::vector<uint8_t>* mem = t.area(area);
            std::copy(data.begin(), data.begin() + long(words) * 2, mem->begin() + long(start) * 2);
        }
    }
    finishAccessLocked(gop::Write, o, area, start, words);
    return o;
}

GjbAccessOutcome GjbModel::eraseTag(const GjbMatch& m, uint8_t area, uint16_t start, uint16_t words,
                                    uint32_t pw)
{
    Lock l(mutex_);
    GjbAccessOutcome o = beginAccessLocked(m);
    if (o.status == ts::Ok) {
        GjbTag& t = tags_[size_t(o.tagIndex)];
        o.status = checkAccess(t, area, Access::Erase, pw, start, words);
        if (o.status == ts::Ok) {
            std::vector<uint8_t>* mem = t.area(area);
            std::fill(mem->begin() + long(start) * 2, mem->begin() + (long(start) + words) * 2, uint8_t(0));
        }
    }
    finishAccessLocked(gop::Erase, o, area, start, words);
    return o;
}

GjbAccessOutcome GjbModel::lockTag(const GjbMatch& m, uint16_t area, uint8_t action, uint32_t pw)
{
    Lock l(mutex_);
    GjbAccessOutcome o = beginAccessLocked(m);
    const int slot = area > 0xFF ? -1 : gjbAreaSlot(uint8_t(area));
    if (o.status == ts::Ok) {
        GjbTag& t = tags_[size_t(o.tagIndex)];
        if (slot < 0 || action > 3) {
            o.status = ts::StorageError;
        } else if (slot == 0) {
            o.status = ts::NoRight;
        } else if (pw != t.password(GjbPassword::Lock)) {
            o.status = ts::WrongPassword;
        } else {
            t.locks[size_t(slot)] = action;
        }
    }
    finishAccessLocked(gop::Lock, o, uint8_t(area), 0, 0);
    return o;
}

GjbAccessOutcome GjbModel::killTag(const GjbMatch& m, uint32_t pw)
{
    Lock l(mutex_);
    GjbAccessOutcome o = beginAccessLocked(m);
    if (o.status == ts::Ok) {
        GjbTag& t = tags_[size_t(o.tagIndex)];
        // Out of the box the kill password is zero: such a tag cannot be killed.
        if (pw == 0 || pw != t.password(GjbPassword::Kill)) {
            o.status = ts::WrongPassword;
        } else {
            t.killed = true;
        }
    }
    finishAccessLocked(gop::Kill, o, 0, 0, 0);
    return o;
}

GjbAccessSpec GjbModel::lastAccess() const
{
    Lock l(mutex_);
    return lastAccess_;
}

void GjbModel::invalidateAccess()
{
    Lock l(mutex_);
    lastAccess_ = GjbAccessSpec();
}

void GjbModel::failNextAccess(uint8_t tagStatus)
{
    Lock l(mutex_);
    accessFault_ = tagStatus;
}

} // namespace readersim
