// The tag field: population, select and the tag operations.
#include "readersim/model.h"

#include <algorithm>

namespace readersim {

namespace {

uint64_t splitmix(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void putIndex(std::vector<uint8_t>& v, size_t at, uint32_t index)
{
    v[at] = uint8_t(index >> 24);
    v[at + 1] = uint8_t(index >> 16);
    v[at + 2] = uint8_t(index >> 8);
    v[at + 3] = uint8_t(index);
}

bool bitAt(const std::vector<uint8_t>& mem, uint32_t bit)
{
    return (mem[bit / 8] >> (7 - bit % 8)) & 1;
}

std::vector<uint8_t> passwordBytes(const Tag& t)
{
    std::vector<uint8_t> r;
    for (uint32_t p : {t.killPassword, t.accessPassword}) {
        r.push_back(uint8_t(p >> 24));
        r.push_back(uint8_t(p >> 16));
        r.push_back(uint8_t(p >> 8));
        r.push_back(uint8_t(p));
    }
    return r;
}

constexpr size_t kMaxEpcBytes = 254;
constexpr uint32_t kMaxUserWords = 4462;

} // namespace

const char* resultName(Result r)
{
    switch (r) {
    case Result::Ok:
        return "ok";
    case Result::NoTag:
        return "no tag";
    case Result::BadPassword:
        return "bad password";
    case Result::Locked:
        return "locked";
    case Result::BadArgument:
        return "bad argument";
    case Result::MemoryOverrun:
        return "memory overrun";
    case Result::ReadOnly:
        return "read only";
    case Result::Busy:
        return "busy";
    case Result::NotSupported:
        return "not supported";
    case Result::BadLength:
        return "bad length";
    case Result::NoModule:
        return "no module";
    }
    return "?";
}

int regionPointCount(Region r)
{
    return r == Region::America ? 50 : 16;
}

double regionPointMHz(Region r, int i)
{
    switch (r) {
    case Region::America:
        return 902.75 + 0.5 * i;
    case Region::Europe:
        return 865.0 + 0.2 * i;
    case Region::China:
        break;
    }
    return 920.625 + 0.25 * i;
}

uint64_t Tag::totalReports() const
{
    uint64_t n = 0;
    for (uint64_t c : reports) {
        n += c;
    }
    return n;
}

uint16_t Tag::pc() const
{
    return uint16_t(((epc.size() + 1) / 2) << 11);
}

bool SelectFilter::matches(const Tag& t) const
{
    if (!active()) {
        return true;
    }
    std::vector<uint8_t> pw;
    const std::vector<uint8_t>* mem = nullptr;
    switch (bank) {
    case Bank::Epc:
        mem = &t.epc;
        break;
    case Bank::Tid:
        mem = &t.tid;
        break;
    case Bank::User:
        mem = &t.user;
        break;
    case Bank::Reserved:
        pw = passwordBytes(t);
        mem = &pw;
        break;
    }
    if (uint32_t(startBits) + lengthBits > mem->size() * 8 || mask.size() * 8 < lengthBits) {
        return false;
    }
    for (uint32_t i = 0; i < lengthBits; ++i) {
        if (bitAt(*mem, startBits + i) != bitAt(mask, i)) {
            return false;
        }
    }
    return true;
}

Tag ReaderModel::makeTag(uint32_t seed, uint32_t index)
{
    uint64_t state = (uint64_t(seed) << 32) ^ index ^ 0x5EEDull;
    Tag t;
    t.epc.assign(12, 0);
    t.epc[0] = 0x30;
    t.epc[1] = 0x14;
    uint64_t r = splitmix(state);
    for (int i = 0; i < 6; ++i) {
        t.epc[2 + i] = uint8_t(r >> (8 * i));
    }
    putIndex(t.epc, 8, index);

    t.tid.assign(12, 0);
    t.tid[0] = 0xE2;
    t.tid[1] = 0x00;
    t.tid[2] = 0x5A;
    t.tid[3] = 0x01;
    r = splitmix(state);
    for (int i = 0; i < 4; ++i) {
        t.tid[4 + i] = uint8_t(r >> (8 * i));
    }
    putIndex(t.tid, 8, index);

    t.user.assign(64, 0);
    for (size_t i = 0; i < t.user.size(); i += 8) {
        r = splitmix(state);
        for (size_t k = 0; k < 8; ++k) {
            t.user[i + k] = uint8_t(r >> (8 * k));
        }
    }
    return t;
}

// --- tag population --------------------------------------------------------------------------------

size_t ReaderModel::tagCount() const
{
    Lock l(mutex_);
    return tags_.size();
}

Tag ReaderModel::tag(size_t index) const
{
    Lock l(mutex_);
    return index < tags_.size() ? tags_[index] : Tag();
}

std::vector<Tag> ReaderModel::tags() const
{
    return copyOf(tags_);
}

void ReaderModel::setTag(size_t index, const Tag& t)
{
    Lock l(mutex_);
    if (index < tags_.size()) {
        tags_[index] = t;
        eligibleDirty_ = true;
    }
}

size_t ReaderModel::addTag(const Tag& t)
{
    Lock l(mutex_);
    tags_.push_back(t);
    lastReportMs_.push_back(INT64_MIN);
    eligibleDirty_ = true;
    return tags_.size() - 1;
}

void ReaderModel::removeAllTags()
{
    Lock l(mutex_);
    tags_.clear();
    lastReportMs_.clear();
    eligible_.clear();
    invTagPos_ = 0;
    eligibleDirty_ = true;
}

int ReaderModel::findTagByEpc(const std::vector<uint8_t>& epc) const
{
    Lock l(mutex_);
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (tags_[i].epc == epc) {
            return int(i);
        }
    }
    return -1;
}

// --- select ----------------------------------------------------------------------------------------

Result ReaderModel::select(Bank bank, uint32_t startBits, uint32_t lengthBits,
                           const std::vector<uint8_t>& data)
{
    if (bank < Bank::Epc || bank > Bank::User || startBits > 0xFFFF || lengthBits > 0xFFFF ||
        lengthBits > data.size() * 8) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    select_.bank = bank;
    select_.startBits = uint16_t(startBits);
    select_.lengthBits = uint16_t(lengthBits);
    select_.mask = data;
    eligibleDirty_ = true;
    return Result::Ok;
}

SelectFilter ReaderModel::currentSelect() const
{
    return copyOf(select_);
}

bool ReaderModel::hasPersistentSelect() const
{
    return copyOf(hasPersistentSelect_);
}

SelectFilter ReaderModel::persistentSelect() const
{
    return copyOf(persistentSelect_);
}

// --- tag operations ----------------------------------------------------------------------------------

bool ReaderModel::eligibleLocked(const Tag& t, int antenna) const
{
    return !t.killed && t.seenBy(antenna) && select_.matches(t);
}

int ReaderModel::targetTag(int antenna) const
{
    Lock l(mutex_);
    return targetTagLocked(antenna);
}

namespace {
thread_local long tPinnedTag = -1;
} // namespace

ReaderModel::TargetPin::TargetPin(size_t index)
{
    tPinnedTag = long(index);
}

ReaderModel::TargetPin::~TargetPin()
{
    tPinnedTag = -1;
}

int ReaderModel::targetTagLocked(int antenna) const
{
    if (tPinnedTag >= 0) {
        const size_t i = size_t(tPinnedTag);
        return i < tags_.size() && !tags_[i].killed && tags_[i].seenBy(antenna) ? int(i) : -1;
    }
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (eligibleLocked(tags_[i], antenna)) {
            return int(i);
        }
    }
    return -1;
}

// The tag reaches the secured state when the password matches its access password (a tag whose access
// password is zero is secured at once). A wrong non-zero password fails the access outright; a zero
// password on a protected tag leaves it open, which is enough for unlocked areas.
Result ReaderModel::checkAccessLocked(const Tag& t, uint32_t password, LockArea area) const
{
    bool secured = password == t.accessPassword;
    if (!secured && password != 0) {
        return Result::BadPassword;
    }
    if (t.isLocked(area) && !secured) {
        return Result::Locked;
    }
    return Result::Ok;
}

Result ReaderModel::readUser(int antenna, uint32_t startWord, uint32_t words, std::vector<uint8_t>* out)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    const Tag& t = tags_[size_t(i)];
    uint32_t bankWords = uint32_t(t.user.size() / 2);
    if (startWord > bankWords) {
        return Result::MemoryOverrun;
    }
    if (words == 0 || words > kMaxUserWords) {
        return Result::BadArgument;
    }
    if (startWord + words > bankWords) {
        return Result::MemoryOverrun;
    }
    out->assign(t.user.begin() + startWord * 2, t.user.begin() + (startWord + words) * 2);
    return Result::Ok;
}

Result ReaderModel::writeUser(int antenna, uint32_t password, uint32_t startWord,
                              const std::vector<uint8_t>& data)
{
    Lock l(mutex_);
    return writeUserLocked(antenna, password, startWord, data);
}

Result ReaderModel::writeUserLocked(int antenna, uint32_t password, uint32_t startWord,
                                    const std::vector<uint8_t>& data)
{
    if (antenna < 1 || antenna > 4 || data.empty() || data.size() % 2 != 0 ||
        data.size() > kMaxUserWords * 2) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    Tag& t = tags_[size_t(i)];
    Result r = checkAccessLocked(t, password, LockArea::User);
    if (r != Result::Ok) {
        return r;
    }
    if (startWord * 2 + data.size() > t.user.size()) {
        return Result::MemoryOverrun;
    }
    std::copy(data.begin(), data.end(), t.user.begin() + startWord * 2);
    eligibleDirty_ = true;
    return Result::Ok;
}

Result ReaderModel::eraseUser(int antenna, uint32_t password, uint32_t startWord, uint32_t words)
{
    Lock l(mutex_);
    int i = antenna >= 1 && antenna <= 4 ? targetTagLocked(antenna) : -1;
    if (i < 0) {
        return antenna >= 1 && antenna <= 4 ? Result::NoTag : Result::BadArgument;
    }
    uint32_t bankWords = uint32_t(tags_[size_t(i)].user.size() / 2);
    if (startWord > bankWords) {
        return Result::MemoryOverrun;
    }
    if (words == 0) {
        words = bankWords - startWord;
    }
    if (words == 0) {
        return Result::Ok;
    }
    return writeUserLocked(antenna, password, startWord, std::vector<uint8_t>(words * 2, 0));
}

Result ReaderModel::writeEpc(int antenna, uint32_t password, const std::vector<uint8_t>& epc)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4 || epc.empty() || epc.size() % 2 != 0 || epc.size() > kMaxEpcBytes) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    Tag& t = tags_[size_t(i)];
    Result r = checkAccessLocked(t, password, LockArea::Epc);
    if (r != Result::Ok) {
        return r;
    }
    t.epc = epc;
    eligibleDirty_ = true;
    return Result::Ok;
}

Result ReaderModel::lockTag(int antenna, uint32_t password, uint8_t operation, uint8_t area)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4 || operation > 1 || area < uint8_t(LockArea::Epc) ||
        area > uint8_t(LockArea::KillPassword)) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    Tag& t = tags_[size_t(i)];
    // Lock needs the secured state, which a tag without an access password is in at once.
    if (t.accessPassword != 0 && password != t.accessPassword) {
        return Result::BadPassword;
    }
    t.locked[area] = operation == 0;
    return Result::Ok;
}

Result ReaderModel::setAccessPassword(int antenna, uint32_t oldPassword, uint32_t newPassword)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    Tag& t = tags_[size_t(i)];
    // The old access password secures the tag, so a locked access-password area may still change.
    if (oldPassword != t.accessPassword) {
        return Result::BadPassword;
    }
    t.accessPassword = newPassword;
    return Result::Ok;
}

Result ReaderModel::setKillPassword(int antenna, uint32_t oldPassword, uint32_t newPassword)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTagLocked(antenna);
    if (i < 0) {
        return Result::NoTag;
    }
    Tag& t = tags_[size_t(i)];
    if (oldPassword != t.killPassword) {
        return Result::BadPassword;
    }
    // The old kill password does not secure the tag: a locked kill-password area changes only on a tag
    // without an access password.
    if (t.isLocked(LockArea::KillPassword) && t.accessPassword != 0) {
        return Result::Locked;
    }
    t.killPassword = newPassword;
    return Result::Ok;
}

Result ReaderModel::killTag(int antenna, uint32_t killPassword, const std::vector<uint8_t>& epc)
{
    Lock l(mutex_);
    if (antenna < 1 || antenna > 4 || epc.empty()) {
        return Result::BadArgument;
    }
    for (Tag& t : tags_) {
        if (t.killed || !t.seenBy(antenna) || t.epc != epc) {
            continue;
        }
        // A tag never dies with a zero kill password.
        if (killPassword == 0 || killPassword != t.killPassword) {
            return Result::BadPassword;
        }
        t.killed = true;
        eligibleDirty_ = true;
        return Result::Ok;
    }
    return Result::NoTag;
}

} // namespace readersim
