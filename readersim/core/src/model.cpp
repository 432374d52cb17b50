#include "readersim/model.h"

#include <algorithm>
#include <cstring>
#include <ctime>

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

std::vector<uint8_t> textRecord(const char* s)
{
    return std::vector<uint8_t>(s, s + std::strlen(s));
}

std::vector<uint8_t> paddedTo(const std::vector<uint8_t>& data, size_t size)
{
    std::vector<uint8_t> r(data.begin(), data.begin() + std::min(size, data.size()));
    r.resize(size, 0);
    return r;
}

std::vector<uint8_t> trimZeros(std::vector<uint8_t> v)
{
    while (!v.empty() && v.back() == 0) {
        v.pop_back();
    }
    return v;
}

uint8_t toBcd(int v)
{
    return uint8_t(((v / 10) % 10) << 4 | (v % 10));
}

bool fromBcd(uint8_t b, int* v)
{
    if ((b >> 4) > 9 || (b & 0x0F) > 9) {
        return false;
    }
    *v = (b >> 4) * 10 + (b & 0x0F);
    return true;
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

constexpr size_t kFlashCapacity = 100000;
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

// ---------------------------------------------------------------------------------------------------

ReaderModel::ReaderModel(uint32_t seed, int tagCount) : seed_(seed), parm_(defaultParameters())
{
    gprsText_[0] = paddedTo(textRecord("CMNET"), 64);
    gprsText_[1] = std::vector<uint8_t>(64, 0);
    gprsText_[2] = std::vector<uint8_t>(64, 0);
    identity_[0] = textRecord("READER01");
    identity_[1] = textRecord("SIM6C4");
    char sn[16];
    std::snprintf(sn, sizeof sn, "SN%06u", unsigned(seed % 1000000));
    identity_[2] = textRecord(sn);
    identity_[3] = textRecord("V2.1.7");
    identity_[4] = textRecord("F1.0.3");
    identity_[5] = textRecord("HW-B1.2");
    identity_[6] = textRecord("HW-R1.1");
    for (int i = 0; i < regionPointCount(region_); ++i) {
        points_.push_back(uint8_t(i));
    }
    for (int i = 0; i < std::max(tagCount, 0); ++i) {
        tags_.push_back(makeTag(seed, uint32_t(i)));
    }
    lastReportMs_.assign(tags_.size(), INT64_MIN);
    // A reader out of the box already holds a few tags from earlier use.
    for (size_t i = 0; i < std::min<size_t>(8, tags_.size()); ++i) {
        flash_.push_back(tags_[i].epc);
        flashIndex_.insert(tags_[i].epc);
    }
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
    auto l = lock();
    return tags_.size();
}

Tag ReaderModel::tag(size_t index) const
{
    auto l = lock();
    return index < tags_.size() ? tags_[index] : Tag();
}

std::vector<Tag> ReaderModel::tags() const
{
    return snapshot(tags_);
}

void ReaderModel::setTag(size_t index, const Tag& t)
{
    auto l = lock();
    if (index < tags_.size()) {
        tags_[index] = t;
        eligibleDirty_ = true;
    }
}

size_t ReaderModel::addTag(const Tag& t)
{
    auto l = lock();
    tags_.push_back(t);
    lastReportMs_.push_back(INT64_MIN);
    eligibleDirty_ = true;
    return tags_.size() - 1;
}

void ReaderModel::removeAllTags()
{
    auto l = lock();
    tags_.clear();
    lastReportMs_.clear();
    eligible_.clear();
    invTagPos_ = 0;
    eligibleDirty_ = true;
}

int ReaderModel::findTagByEpc(const std::vector<uint8_t>& epc) const
{
    auto l = lock();
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
    auto l = lock();
    select_.bank = bank;
    select_.startBits = uint16_t(startBits);
    select_.lengthBits = uint16_t(lengthBits);
    select_.mask = data;
    eligibleDirty_ = true;
    return Result::Ok;
}

SelectFilter ReaderModel::currentSelect() const
{
    return snapshot(select_);
}

bool ReaderModel::hasPersistentSelect() const
{
    return snapshot(hasPersistentSelect_);
}

SelectFilter ReaderModel::persistentSelect() const
{
    return snapshot(persistentSelect_);
}

// --- tag operations ----------------------------------------------------------------------------------

bool ReaderModel::eligibleLocked(const Tag& t, int antenna) const
{
    return !t.killed && t.seenBy(antenna) && select_.matches(t);
}

int ReaderModel::targetTag(int antenna) const
{
    auto l = lock();
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
    auto l = lock();
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
    if (antenna < 1 || antenna > 4 || data.empty() || data.size() % 2 != 0 ||
        data.size() > kMaxUserWords * 2) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
    int i = antenna >= 1 && antenna <= 4 ? targetTag(antenna) : -1;
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
    return writeUser(antenna, password, startWord, std::vector<uint8_t>(words * 2, 0));
}

Result ReaderModel::writeEpc(int antenna, uint32_t password, const std::vector<uint8_t>& epc)
{
    auto l = lock();
    if (antenna < 1 || antenna > 4 || epc.empty() || epc.size() % 2 != 0 || epc.size() > kMaxEpcBytes) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
    if (antenna < 1 || antenna > 4 || operation > 1 || area < uint8_t(LockArea::Epc) ||
        area > uint8_t(LockArea::KillPassword)) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
    if (antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    int i = targetTag(antenna);
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
    auto l = lock();
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

// --- parameter memory ----------------------------------------------------------------------------------

std::array<uint8_t, 256> ReaderModel::defaultParameters()
{
    std::array<uint8_t, 256> p{};
    p[parm::WorkMode] = 0x00;
    p[parm::DeviceType] = 0x00;
    p[parm::BaudRate] = 0x02;
    p[parm::WiegandStart] = 0x05;
    p[parm::WiegandLength] = 0x03;
    p[parm::CommandType] = 0x91;
    p[parm::AntennaPort] = 0x00;
    p[parm::ConnectPort] = 0x02;
    p[parm::FlashStore] = 0x01;
    p[parm::GprsServerIp] = 192;
    p[parm::GprsServerIp + 1] = 168;
    p[parm::GprsServerIp + 2] = 1;
    p[parm::GprsServerIp + 3] = 100;
    p[parm::GprsPort] = 9000 >> 8;
    p[parm::GprsPort + 1] = 9000 & 0xFF;
    return p;
}

// Addresses 122..124 with a count of 64 are text records of their own; any other count reads the byte map.
static int gprsRecordIndex(uint8_t address, size_t count)
{
    if (count == 64 && address >= parm::GprsApn && address <= parm::GprsPassword) {
        return address - parm::GprsApn;
    }
    return -1;
}

Result ReaderModel::parmRead(uint8_t address, uint8_t count, std::vector<uint8_t>* out) const
{
    auto l = lock();
    int rec = gprsRecordIndex(address, count);
    if (rec >= 0) {
        out->assign(gprsText_[size_t(rec)].begin(), gprsText_[size_t(rec)].begin() + count);
        return Result::Ok;
    }
    if (size_t(address) + count > parm_.size()) {
        return Result::MemoryOverrun;
    }
    out->assign(parm_.begin() + address, parm_.begin() + address + count);
    return Result::Ok;
}

Result ReaderModel::parmWrite(uint8_t address, const std::vector<uint8_t>& data)
{
    auto l = lock();
    int rec = gprsRecordIndex(address, data.size());
    if (rec >= 0) {
        gprsText_[size_t(rec)] = paddedTo(data, 64);
        return Result::Ok;
    }
    if (size_t(address) + data.size() > parm_.size()) {
        return Result::MemoryOverrun;
    }
    std::copy(data.begin(), data.end(), parm_.begin() + address);
    return Result::Ok;
}

void ReaderModel::restoreDefaults()
{
    auto l = lock();
    parm_ = defaultParameters();
    gprsText_[0] = paddedTo(textRecord("CMNET"), 64);
    gprsText_[1] = std::vector<uint8_t>(64, 0);
    gprsText_[2] = std::vector<uint8_t>(64, 0);
}

uint8_t ReaderModel::parmByte(uint8_t address) const
{
    auto l = lock();
    return parm_[address];
}

// --- identity and clock -----------------------------------------------------------------------------

Result ReaderModel::sysInfQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    auto l = lock();
    if (type >= identity_.size()) {
        return Result::NotSupported;
    }
    *out = identity_[type];
    return Result::Ok;
}

Result ReaderModel::sysInfSet(uint8_t type, const std::vector<uint8_t>& record)
{
    static const size_t sizes[3] = {8, 6, 8};
    auto l = lock();
    if (type >= identity_.size()) {
        return Result::NotSupported;
    }
    if (type > 2) {
        return Result::ReadOnly;
    }
    if (record.size() != sizes[type]) {
        return Result::BadLength;
    }
    identity_[type] = trimZeros(record);
    return Result::Ok;
}

std::array<uint8_t, 7> ReaderModel::clockRecord() const
{
    int64_t offset;
    {
        auto l = lock();
        offset = clockOffsetSeconds_;
    }
    time_t now = time(nullptr) + time_t(offset);
    struct tm tmv;
    localtime_r(&now, &tmv);
    return {{toBcd(tmv.tm_sec), toBcd(tmv.tm_min), toBcd(tmv.tm_hour),
             toBcd(tmv.tm_wday == 0 ? 7 : tmv.tm_wday), toBcd(tmv.tm_mday), toBcd(tmv.tm_mon + 1),
             toBcd(tmv.tm_year % 100)}};
}

Result ReaderModel::setClock(const std::vector<uint8_t>& record)
{
    if (record.size() != 7) {
        return Result::BadArgument;
    }
    int v[7];
    for (int i = 0; i < 7; ++i) {
        if (!fromBcd(record[size_t(i)], &v[i])) {
            return Result::BadArgument;
        }
    }
    if (v[0] > 59 || v[1] > 59 || v[2] > 23 || v[3] < 1 || v[3] > 7 || v[4] < 1 || v[4] > 31 || v[5] < 1 ||
        v[5] > 12) {
        return Result::BadArgument;
    }
    struct tm tmv = {};
    tmv.tm_sec = v[0];
    tmv.tm_min = v[1];
    tmv.tm_hour = v[2];
    tmv.tm_mday = v[4];
    tmv.tm_mon = v[5] - 1;
    tmv.tm_year = 100 + v[6];
    tmv.tm_isdst = -1;
    struct tm check = tmv;
    time_t wanted = mktime(&tmv);
    // mktime normalises 31 February into March: such a date is refused.
    if (wanted == time_t(-1) || tmv.tm_mday != check.tm_mday || tmv.tm_mon != check.tm_mon) {
        return Result::BadArgument;
    }
    auto l = lock();
    clockOffsetSeconds_ = int64_t(wanted) - int64_t(time(nullptr));
    return Result::Ok;
}

// --- communication ------------------------------------------------------------------------------------

Result ReaderModel::communicationQuery(uint8_t code, std::vector<uint8_t>* out) const
{
    auto l = lock();
    if (code == 0x00) {
        *out = {busAddress_};
    } else if (code == 0x20) {
        *out = {parm_[parm::BaudRate]};
    } else {
        return Result::NotSupported;
    }
    return Result::Ok;
}

Result ReaderModel::communicationSet(uint8_t code, const std::vector<uint8_t>& data)
{
    auto l = lock();
    if (code != 0x00 && code != 0x10) {
        return Result::NotSupported;
    }
    if (data.size() != 1) {
        return Result::BadLength;
    }
    if (code == 0x00) {
        busAddress_ = data[0];
    } else {
        if (data[0] > 5) {
            return Result::BadArgument;
        }
        parm_[parm::BaudRate] = data[0];
    }
    return Result::Ok;
}

Result ReaderModel::netQuery(uint8_t code, std::vector<uint8_t>* out) const
{
    auto l = lock();
    out->clear();
    switch (code) {
    case 1:
        out->assign(net_.mac.begin(), net_.mac.end());
        break;
    case 2:
        out->insert(out->end(), net_.ip.begin(), net_.ip.end());
        out->insert(out->end(), net_.mask.begin(), net_.mask.end());
        out->insert(out->end(), net_.gateway.begin(), net_.gateway.end());
        break;
    case 3:
        *out = {uint8_t(net_.tcpPort >> 8), uint8_t(net_.tcpPort)};
        break;
    case 4:
        *out = {uint8_t(net_.udpPort >> 8), uint8_t(net_.udpPort)};
        break;
    default:
        return Result::NotSupported;
    }
    return Result::Ok;
}

Result ReaderModel::netSet(uint8_t code, const std::vector<uint8_t>& d)
{
    auto l = lock();
    static const size_t sizes[5] = {0, 6, 12, 2, 2};
    if (code < 1 || code > 4) {
        return Result::NotSupported;
    }
    if (d.size() != sizes[code]) {
        return Result::BadLength;
    }
    switch (code) {
    case 1:
        std::copy(d.begin(), d.end(), net_.mac.begin());
        break;
    case 2:
        std::copy(d.begin(), d.begin() + 4, net_.ip.begin());
        std::copy(d.begin() + 4, d.begin() + 8, net_.mask.begin());
        std::copy(d.begin() + 8, d.end(), net_.gateway.begin());
        break;
    default: {
        uint16_t port = uint16_t(d[0] << 8 | d[1]);
        if (port == 0) {
            return Result::BadArgument;
        }
        (code == 3 ? net_.tcpPort : net_.udpPort) = port;
        break;
    }
    }
    return Result::Ok;
}

NetSettings ReaderModel::net() const
{
    return snapshot(net_);
}

uint8_t ReaderModel::busAddress() const
{
    return snapshot(busAddress_);
}

uint8_t ReaderModel::baudCode() const
{
    return snapshot(parm_[parm::BaudRate]);
}

// --- RF --------------------------------------------------------------------------------------------

AntennaConfig ReaderModel::antenna(int n) const
{
    auto l = lock();
    return n >= 1 && n <= 4 ? antennas_[size_t(n - 1)] : AntennaConfig();
}

Result ReaderModel::antennaQuery(int n, AntennaConfig* out) const
{
    if (n < 1 || n > 4) {
        return Result::BadArgument;
    }
    *out = antenna(n);
    return Result::Ok;
}

Result ReaderModel::setAntennas(const std::vector<uint8_t>& r)
{
    if (r.size() != 12) {
        return Result::BadLength;
    }
    for (size_t i = 0; i < 4; ++i) {
        if (r[i] > 1) {
            return Result::BadArgument;
        }
    }
    auto l = lock();
    for (size_t i = 0; i < 4; ++i) {
        antennas_[i].enabled = r[i] != 0;
        antennas_[i].power = r[4 + i];
        antennas_[i].dwell = r[8 + i];
    }
    return Result::Ok;
}

Result ReaderModel::rfQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    auto l = lock();
    if (type != 0) {
        return Result::NotSupported;
    }
    *out = points_;
    return Result::Ok;
}

Result ReaderModel::rfSet(uint8_t type, const std::vector<uint8_t>& points)
{
    auto l = lock();
    if (type != 0) {
        return Result::NotSupported;
    }
    // Any table's index is accepted whatever the region: the host decides which table it shows.
    if (points.size() > 50) {
        return Result::BadArgument;
    }
    for (uint8_t p : points) {
        if (p >= 50) {
            return Result::BadArgument;
        }
    }
    points_ = points;
    return Result::Ok;
}

Region ReaderModel::region() const
{
    return snapshot(region_);
}

void ReaderModel::setRegion(Region r)
{
    auto l = lock();
    region_ = r;
    points_.clear();
    for (int i = 0; i < regionPointCount(r); ++i) {
        points_.push_back(uint8_t(i));
    }
}

std::vector<uint8_t> ReaderModel::frequencyPoints() const
{
    return snapshot(points_);
}

Result ReaderModel::carrierOp(uint8_t operation, uint8_t antenna)
{
    if (operation > 1 || antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    auto l = lock();
    carrier_[size_t(antenna - 1)] = operation == 1;
    return Result::Ok;
}

bool ReaderModel::carrier(int antenna) const
{
    auto l = lock();
    return antenna >= 1 && antenna <= 4 && carrier_[size_t(antenna - 1)];
}

// --- tag-operation parameters -------------------------------------------------------------------------

Result ReaderModel::tagOpParaQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    auto l = lock();
    switch (type) {
    case 2:
        *out = {uint8_t(filterEnabled_ ? 1 : 0)};
        break;
    case 3:
        *out = {filterTime_};
        break;
    case 0x10:
        *out = {q_};
        break;
    case 0x11: {
        out->clear();
        if (!hasPersistentSelect_) {
            break; // empty: nothing kept
        }
        const SelectFilter& s = persistentSelect_;
        *out = {uint8_t(s.bank), uint8_t(s.startBits >> 8), uint8_t(s.startBits), uint8_t(s.lengthBits)};
        out->insert(out->end(), s.mask.begin(), s.mask.end());
        out->insert(out->end(), 3, 0);
        break;
    }
    default:
        return Result::NotSupported;
    }
    return Result::Ok;
}

Result ReaderModel::tagOpParaSet(uint8_t type, const std::vector<uint8_t>& d)
{
    auto l = lock();
    if (type == 0x11) {
        if (d.size() < 7) {
            return Result::BadLength;
        }
        if (d[0] < 1 || d[0] > 3) {
            return Result::BadArgument;
        }
        size_t n = d.size() - 7;
        // The record keeps only the low 8 bits of the length; the data length says the rest.
        uint32_t lengthBits = (n * 8) % 256 == d[3] ? uint32_t(n * 8) : d[3];
        if ((lengthBits + 7) / 8 > n) {
            return Result::BadArgument;
        }
        SelectFilter s;
        s.bank = Bank(d[0]);
        s.startBits = uint16_t(d[1] << 8 | d[2]);
        s.lengthBits = uint16_t(lengthBits);
        s.mask.assign(d.begin() + 4, d.begin() + 4 + long((lengthBits + 7) / 8));
        persistentSelect_ = s;
        hasPersistentSelect_ = s.active();
        return Result::Ok;
    }
    if (type != 2 && type != 3 && type != 0x10) {
        return Result::NotSupported;
    }
    if (d.size() != 1) {
        return Result::BadLength;
    }
    if (type == 2) {
        if (d[0] > 1) {
            return Result::BadArgument;
        }
        filterEnabled_ = d[0] == 1;
    } else if (type == 3) {
        if (d[0] == 0) {
            return Result::BadArgument;
        }
        filterTime_ = d[0];
    } else {
        // Gen2 slot counts stop at 2^15.
        if (d[0] > 15) {
            return Result::BadArgument;
        }
        q_ = d[0];
    }
    return Result::Ok;
}

bool ReaderModel::filterEnabled() const
{
    return snapshot(filterEnabled_);
}

uint8_t ReaderModel::filterTime() const
{
    return snapshot(filterTime_);
}

uint8_t ReaderModel::qValue() const
{
    return snapshot(q_);
}

// --- IO ---------------------------------------------------------------------------------------------

std::array<uint8_t, 2> ReaderModel::ioState() const
{
    auto l = lock();
    uint8_t levels = 0;
    for (size_t i = 0; i < 4; ++i) {
        // A pulse ends back at the opposite level: + ends low, - ends high.
        if (outputAction_[i] == 1 || outputAction_[i] == 3) {
            levels |= uint8_t(1u << i);
        }
    }
    return {{uint8_t(inputs_ & 0x03), levels}};
}

void ReaderModel::setInputs(uint8_t bits)
{
    std::function<void()> notify;
    {
        auto l = lock();
        if (inputs_ == (bits & 0x03)) {
            return;
        }
        inputs_ = bits & 0x03;
        notify = inputObserver_;
    }
    if (notify) {
        notify();
    }
}

void ReaderModel::setInputObserver(std::function<void()> observer)
{
    auto l = lock();
    inputObserver_ = std::move(observer);
}

Result ReaderModel::ioOperate(uint8_t port, uint8_t action)
{
    if (port < 1 || port > 4 || action > 3) {
        return Result::BadArgument;
    }
    auto l = lock();
    outputAction_[size_t(port - 1)] = action;
    return Result::Ok;
}

uint8_t ReaderModel::outputAction(int port) const
{
    auto l = lock();
    return port >= 1 && port <= 4 ? outputAction_[size_t(port - 1)] : 0;
}

uint8_t ReaderModel::readingIo() const
{
    return snapshot(readingIo_);
}

Result ReaderModel::setReadingIo(uint8_t bits)
{
    if (bits > 0x1F) {
        return Result::BadArgument;
    }
    auto l = lock();
    readingIo_ = bits;
    return Result::Ok;
}

Result ReaderModel::pulseWidth(uint8_t line, uint8_t* out) const
{
    if (line > 4) {
        return Result::BadArgument;
    }
    auto l = lock();
    *out = pulseWidth_[line];
    return Result::Ok;
}

Result ReaderModel::setPulseWidth(uint8_t line, int width)
{
    if (line > 4 || width < 0 || width > 255) {
        return Result::BadArgument;
    }
    auto l = lock();
    pulseWidth_[line] = uint8_t(width);
    return Result::Ok;
}

// --- flash tag store ----------------------------------------------------------------------------------

bool ReaderModel::flashEnabled() const
{
    auto l = lock();
    return parm_[parm::FlashStore] == 1;
}

uint32_t ReaderModel::flashCount() const
{
    auto l = lock();
    return uint32_t(flash_.size());
}

std::array<uint8_t, 7> ReaderModel::flashCountRecord() const
{
    auto l = lock();
    // Erased flash reads as all ones.
    uint32_t n = flash_.empty() ? 0xFFFFFFFFu : uint32_t(flash_.size());
    return {{uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0, 0}};
}

std::vector<std::vector<uint8_t>> ReaderModel::flashTags() const
{
    return snapshot(flash_);
}

void ReaderModel::clearFlash()
{
    auto l = lock();
    flash_.clear();
    flashIndex_.clear();
}

// --- update ------------------------------------------------------------------------------------------

Result ReaderModel::update(uint8_t kind, uint32_t size, uint32_t checksum, const std::string& name)
{
    if (kind > 2 || size == 0 || name.empty() || name.size() > 254) {
        return Result::BadArgument;
    }
    UpdateRequest request;
    request.kind = kind;
    request.size = size;
    request.checksum = checksum;
    request.name = name;
    // The check takes locks of its own: called without ours.
    const auto check = snapshot(updateCheck_);
    const Result checked = check ? check(request) : Result::Ok;
    request.valid = checked == Result::Ok;
    auto l = lock();
    lastUpdate_ = request;
    ++updateCount_;
    return checked;
}

void ReaderModel::setUpdateCheck(std::function<Result(const UpdateRequest&)> check)
{
    auto l = lock();
    updateCheck_ = std::move(check);
}

UpdateRequest ReaderModel::lastUpdate() const
{
    return snapshot(lastUpdate_);
}

int ReaderModel::updateCount() const
{
    return snapshot(updateCount_);
}

bool ReaderModel::passThrough() const
{
    return snapshot(passThrough_);
}

void ReaderModel::setPassThrough(bool on)
{
    auto l = lock();
    passThrough_ = on;
}

void ReaderModel::reboot()
{
    auto l = lock();
    inventory_.running = false;
    select_ = hasPersistentSelect_ ? persistentSelect_ : SelectFilter();
    eligibleDirty_ = true;
    carrier_ = {};
    outputAction_ = {};
    passThrough_ = false;
    ++rebootCount_;
}

int ReaderModel::rebootCount() const
{
    return snapshot(rebootCount_);
}

// --- inventory ---------------------------------------------------------------------------------------

Result ReaderModel::startInventory(ReadType type, uint8_t antennaCode, uint32_t preRead)
{
    auto l = lock();
    if (uint8_t(type) > 2 || antennaCode > 4) {
        return Result::BadArgument;
    }
    if (antennaCode == 0 &&
        std::none_of(antennas_.begin(), antennas_.end(), [](const AntennaConfig& a) { return a.enabled; })) {
        return Result::BadArgument;
    }
    inventory_.running = true;
    inventory_.type = type;
    inventory_.antennaCode = antennaCode;
    inventory_.preRead = preRead;
    inventory_.nextSequence = 0;
    invAntennaSlot_ = 0;
    invDwellLeft_ = 0;
    invTagPos_ = 0;
    invRoundHadOutput_ = false;
    std::fill(lastReportMs_.begin(), lastReportMs_.end(), INT64_MIN);
    eligibleDirty_ = true;
    return Result::Ok;
}

void ReaderModel::stopInventory()
{
    auto l = lock();
    inventory_.running = false;
}

InventoryState ReaderModel::inventory() const
{
    return snapshot(inventory_);
}

void ReaderModel::rebuildEligibleLocked()
{
    eligible_.clear();
    for (size_t i = 0; i < tags_.size(); ++i) {
        if (!tags_[i].killed && select_.matches(tags_[i])) {
            eligible_.push_back(uint32_t(i));
        }
    }
    if (invTagPos_ > eligible_.size()) {
        invTagPos_ = 0;
    }
    lastReportMs_.resize(tags_.size(), INT64_MIN);
    eligibleDirty_ = false;
}

size_t ReaderModel::generateReports(size_t max, int64_t nowMs,
                                    const std::function<void(const Tag&, const Report&)>& sink)
{
    auto l = lock();
    if (!inventory_.running || max == 0) {
        return 0;
    }
    if (eligibleDirty_) {
        rebuildEligibleLocked();
    }
    int antennaList[4];
    int antennaCount = 0;
    if (inventory_.antennaCode != 0) {
        antennaList[antennaCount++] = inventory_.antennaCode;
    } else {
        for (int a = 0; a < 4; ++a) {
            if (antennas_[size_t(a)].enabled) {
                antennaList[antennaCount++] = a + 1;
            }
        }
    }
    if (antennaCount == 0 || eligible_.empty()) {
        return 0;
    }
    if (invAntennaSlot_ >= antennaCount) {
        invAntennaSlot_ = 0;
        invDwellLeft_ = 0;
    }
    const int64_t filterMs = filterEnabled_ ? int64_t(filterTime_) * 100 : 0;
    const bool store = parm_[parm::FlashStore] == 1;

    size_t produced = 0;
    // A round in which no tag answered ends that antenna's turn; a whole cycle of such rounds means
    // nothing can be read right now (all filtered or out of reach).
    int emptyRounds = 0;
    while (produced < max) {
        int ant = antennaList[invAntennaSlot_];
        if (invDwellLeft_ <= 0) {
            invDwellLeft_ = inventory_.antennaCode != 0 ? 1 : antennas_[size_t(ant - 1)].dwell;
        }
        if (invTagPos_ >= eligible_.size()) {
            invTagPos_ = 0;
            if (!invRoundHadOutput_) {
                invDwellLeft_ = 0;
                invAntennaSlot_ = (invAntennaSlot_ + 1) % antennaCount;
                if (++emptyRounds >= antennaCount) {
                    break;
                }
            } else {
                emptyRounds = 0;
                if (--invDwellLeft_ <= 0) {
                    invAntennaSlot_ = (invAntennaSlot_ + 1) % antennaCount;
                }
            }
            invRoundHadOutput_ = false;
            continue;
        }
        uint32_t idx = eligible_[invTagPos_++];
        Tag& t = tags_[idx];
        if (!t.seenBy(ant) ||
            (filterMs > 0 && lastReportMs_[idx] != INT64_MIN && nowMs - lastReportMs_[idx] < filterMs)) {
            continue;
        }
        invRoundHadOutput_ = true;
        lastReportMs_[idx] = nowMs;
        Report r;
        r.tagIndex = idx;
        r.antenna = uint8_t(ant);
        r.sequence = inventory_.nextSequence++;
        ++t.reports[size_t(ant)];
        ++sentPerAntenna_[size_t(ant)];
        if (store && flash_.size() < kFlashCapacity) {
            const std::vector<uint8_t>& key = t.epc.empty() ? t.tid : t.epc;
            if (flashIndex_.insert(key).second) {
                flash_.push_back(key);
            }
        }
        sink(t, r);
        ++produced;
    }
    return produced;
}

void ReaderModel::uncountReport(const Report& r)
{
    auto l = lock();
    if (r.tagIndex < tags_.size() && r.antenna <= 4) {
        uint64_t& c = tags_[r.tagIndex].reports[r.antenna];
        if (c > 0) {
            --c;
        }
        if (sentPerAntenna_[r.antenna] > 0) {
            --sentPerAntenna_[r.antenna];
        }
    }
}

uint64_t ReaderModel::reportsSent() const
{
    auto l = lock();
    uint64_t n = 0;
    for (uint64_t c : sentPerAntenna_) {
        n += c;
    }
    return n;
}

uint64_t ReaderModel::reportsSent(int antenna) const
{
    auto l = lock();
    return antenna >= 0 && antenna <= 4 ? sentPerAntenna_[size_t(antenna)] : 0;
}

void ReaderModel::resetCounts()
{
    auto l = lock();
    sentPerAntenna_ = {};
    for (Tag& t : tags_) {
        t.reports = {};
    }
}

} // namespace readersim
