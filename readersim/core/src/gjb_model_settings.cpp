// The GJB reader's settings, versions, configuration records, clock, report state, secrecy module,
// repair and electronic records, and the refusals tests arm.
#include "readersim/gjb_model.h"

#include <wire/commands.h>
#include <wire/messages_gjb.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace readersim {

namespace st = wire::status;
namespace set = wire::gjb::setting;

namespace {

constexpr size_t kMaxSettings = 32;
constexpr uint32_t kMinPower = 1000;
constexpr uint32_t kMaxPower = 3300;

uint32_t octets(const std::array<uint8_t, 4>& a)
{
    return (uint32_t(a[0]) << 24) | (uint32_t(a[1]) << 16) | (uint32_t(a[2]) << 8) | uint32_t(a[3]);
}

std::array<uint8_t, 4> toOctets(uint32_t v)
{
    return {{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}};
}

bool port(uint8_t id, uint8_t first, size_t* index)
{
    if (id < first || id > first + 3)
        return false;
    *index = size_t(id - first);
    return true;
}

int64_t hostSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool digits(const std::string& s, size_t at, size_t n, int* out)
{
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

// "yyyy-MM-dd hh:mm:ss" as a local time; false for anything else, 31 February included.
bool parseLocalTime(const std::string& s, std::time_t* out)
{
    if (s.size() != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return false;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    if (!digits(s, 0, 4, &y) || !digits(s, 5, 2, &mo) || !digits(s, 8, 2, &d) || !digits(s, 11, 2, &h) ||
        !digits(s, 14, 2, &mi) || !digits(s, 17, 2, &se))
        return false;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || se > 59)
        return false;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = se;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == std::time_t(-1) || tm.tm_mday != d || tm.tm_mon != mo - 1)
        return false;
    *out = t;
    return true;
}

} // namespace

// --- settings --------------------------------------------------------------------------------------

GjbSettings GjbModel::settings() const
{
    Lock l(mutex_);
    return settings_;
}

void GjbModel::setSettings(const GjbSettings& s)
{
    Lock l(mutex_);
    settings_ = s;
}

uint8_t GjbModel::settingLocked(uint8_t id, uint32_t* value) const
{
    size_t p = 0;
    switch (id) {
    case set::AntennaMask:
        *value = settings_.antennaMask;
        return st::Ok;
    case set::FrequencyPoints:
        *value = settings_.points;
        return st::Ok;
    case set::Modulation:
        *value = settings_.modulation;
        return st::Ok;
    case set::RfPath:
        *value = settings_.rfPath;
        return st::Ok;
    case set::InventoryMode:
        *value = settings_.inventoryMode;
        return st::Ok;
    case set::CodeGradient:
        *value = settings_.codeGradient;
        return st::Ok;
    case set::Outputs:
        *value = settings_.outputs;
        return st::Ok;
    case set::Secrecy:
        if (!secrecy_.present)
            return st::NoModule;
        *value = secrecy_.state;
        return st::Ok;
    case set::Dhcp:
        *value = settings_.dhcp;
        return st::Ok;
    case set::FilterGain:
        *value = settings_.gain;
        return st::Ok;
    case set::FilterLowPass:
        *value = settings_.lowPass;
        return st::Ok;
    case set::FilterHighPass:
        *value = settings_.highPass;
        return st::Ok;
    case set::IpAddress:
        *value = octets(settings_.ip);
        return st::Ok;
    case set::NetMask:
        *value = octets(settings_.mask);
        return st::Ok;
    case set::Gateway:
        *value = octets(settings_.gateway);
        return st::Ok;
    default:
        if (port(id, set::Power1, &p)) {
            *value = settings_.power[p];
            return st::Ok;
        }
        if (port(id, set::Dwell1, &p)) {
            *value = settings_.dwell[p];
            return st::Ok;
        }
        return st::BadParameter;
    }
}

uint8_t GjbModel::checkSettingLocked(uint8_t id, uint32_t v) const
{
    size_t p = 0;
    auto upTo = [v](uint32_t max) { return v <= max ? st::Ok : st::BadParameter; };
    switch (id) {
    case set::AntennaMask:
    case set::CodeGradient:
    case set::Outputs:
        return upTo(15);
    case set::FrequencyPoints:
        return upTo(0xFFFFF);
    case set::Modulation:
        return upTo(100);
    case set::RfPath:
    case set::Dhcp:
        return upTo(1);
    case set::InventoryMode:
    case set::FilterLowPass:
        return upTo(2);
    case set::Secrecy:
        return secrecy_.present ? upTo(1) : st::NoModule;
    case set::AllPower:
        return v >= kMinPower && v <= kMaxPower ? st::Ok : st::BadParameter;
    case set::FilterGain:
    case set::FilterHighPass:
        return upTo(3);
    case set::IpAddress:
        return v != 0 ? st::Ok : st::BadParameter;
    case set::NetMask:
    case set::Gateway:
        return st::Ok;
    default:
        if (port(id, set::Power1, &p))
            return v >= kMinPower && v <= kMaxPower ? st::Ok : st::BadParameter;
        if (port(id, set::Dwell1, &p))
            return v >= 1 && v <= 65535 ? st::Ok : st::BadParameter;
        return st::BadParameter;
    }
}

void GjbModel::storeSettingLocked(uint8_t id, uint32_t v)
{
    size_t p = 0;
    switch (id) {
    case set::AntennaMask:
        settings_.antennaMask = v;
        break;
    case set::FrequencyPoints:
        settings_.points = v;
        break;
    case set::Modulation:
        settings_.modulation = v;
        break;
    case set::RfPath:
        settings_.rfPath = v;
        break;
    case set::InventoryMode:
        settings_.inventoryMode = v;
        break;
    case set::CodeGradient:
        settings_.codeGradient = v;
        break;
    case set::Outputs:
        settings_.outputs = v;
        break;
    case set::Secrecy:
        secrecy_.state = uint8_t(v);
        break;
    case set::Dhcp:
        settings_.dhcp = v;
        break;
    case set::AllPower:
        settings_.power.fill(v);
        break;
    case set::FilterGain:
        settings_.gain = v;
        break;
    case set::FilterLowPass:
        settings_.lowPass = v;
        break;
    case set::FilterHighPass:
        settings_.highPass = v;
        break;
    case set::IpAddress:
        settings_.ip = toOctets(v);
        break;
    case set::NetMask:
        settings_.mask = toOctets(v);
        break;
    case set::Gateway:
        settings_.gateway = toOctets(v);
        break;
    default:
        if (port(id, set::Power1, &p))
            settings_.power[p] = v;
        else if (port(id, set::Dwell1, &p))
            settings_.dwell[p] = v;
        break;
    }
}

uint8_t GjbModel::querySettings(const std::vector<uint8_t>& ids,
                                std::vector<std::pair<uint8_t, uint32_t>>* out) const
{
    Lock l(mutex_);
    if (ids.size() > kMaxSettings)
        return st::BadParameter;
    out->clear();
    for (uint8_t id : ids) {
        uint32_t v = 0;
        const uint8_t s = settingLocked(id, &v);
        if (s != st::Ok)
            return s;
        out->emplace_back(id, v);
    }
    return st::Ok;
}

uint8_t GjbModel::applySettings(const std::vector<std::pair<uint8_t, uint32_t>>& values)
{
    Lock l(mutex_);
    if (values.size() > kMaxSettings)
        return st::BadParameter;
    // All or nothing: one refused value leaves every setting as it was.
    for (const auto& [id, v] : values) {
        const uint8_t s = checkSettingLocked(id, v);
        if (s != st::Ok)
            return s;
    }
    for (const auto& [id, v] : values)
        storeSettingLocked(id, v);
    return st::Ok;
}

// --- versions, configuration records, reset, reboot ---------------------------------------------------

uint8_t GjbModel::info(uint8_t what, std::string* out) const
{
    Lock l(mutex_);
    if (what >= info_.size())
        return st::BadParameter;
    *out = info_[what];
    return st::Ok;
}

void GjbModel::setInfo(uint8_t what, const std::string& text)
{
    Lock l(mutex_);
    if (what < info_.size())
        info_[what] = text;
}

uint8_t GjbModel::configRead(uint8_t type, uint16_t offset, uint16_t count, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
    if (type >= kConfigRecords)
        return st::BadParameter;
    const std::vector<uint8_t>& r = config_[type];
    if (size_t(offset) + count > r.size())
        return st::MemoryOverrun;
    out->assign(r.begin() + offset, r.begin() + offset + count);
    return st::Ok;
}

uint8_t GjbModel::configWrite(uint8_t type, const std::vector<uint8_t>& data)
{
    Lock l(mutex_);
    if (type >= kConfigRecords)
        return st::BadParameter;
    if (data.size() > kMaxText)
        return st::BadLength;
    config_[type] = data;
    return st::Ok;
}

void GjbModel::reset()
{
    Lock l(mutex_);
    settings_ = GjbSettings();
    for (auto& r : config_)
        r.clear();
    reportStatus_ = 0;
    reportValue_ = 0;
    inventoryPlan_ = GjbInventoryPlan();
    ++resetCount_;
}

int GjbModel::resetCount() const
{
    Lock l(mutex_);
    return resetCount_;
}

void GjbModel::reboot()
{
    Lock l(mutex_);
    inventory_.running = false;
    sensitivity_.running = false;
    airTransmitting_ = false;
    settings_.outputs = 0;
    ++rebootCount_;
}

int GjbModel::rebootCount() const
{
    Lock l(mutex_);
    return rebootCount_;
}

// --- clock and report state ----------------------------------------------------------------------------

int64_t GjbModel::clockSecondsLocked() const
{
    return hostSeconds() + clockOffsetSeconds_;
}

uint8_t GjbModel::setClockMicros(const std::array<uint8_t, 8>& micros)
{
    Lock l(mutex_);
    uint64_t v = 0;
    for (uint8_t b : micros)
        v = (v << 8) | b;
    clockOffsetSeconds_ = int64_t(v / 1000000) - hostSeconds();
    lastClockSet_ = micros;
    ++clockSetCount_;
    return st::Ok;
}

uint8_t GjbModel::setSysTime(const std::string& text)
{
    std::time_t t = 0;
    if (!parseLocalTime(text, &t))
        return st::BadParameter;
    Lock l(mutex_);
    clockOffsetSeconds_ = int64_t(t) - hostSeconds();
    lastSysTime_ = text;
    ++clockSetCount_;
    return st::Ok;
}

std::array<uint8_t, 8> GjbModel::clockMicros() const
{
    Lock l(mutex_);
    const uint64_t v = uint64_t(clockSecondsLocked()) * 1000000u;
    std::array<uint8_t, 8> out{};
    for (size_t i = 0; i < 8; ++i)
        out[i] = uint8_t(v >> (8 * (7 - i)));
    return out;
}

std::string GjbModel::clockText() const
{
    std::time_t t = 0;
    {
        Lock l(mutex_);
        t = std::time_t(clockSecondsLocked());
    }
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[80]; // room for any int the format could print
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::array<uint8_t, 8> GjbModel::lastClockSet() const
{
    Lock l(mutex_);
    return lastClockSet_;
}

std::string GjbModel::lastSysTime() const
{
    Lock l(mutex_);
    return lastSysTime_;
}

int GjbModel::clockSetCount() const
{
    Lock l(mutex_);
    return clockSetCount_;
}

uint8_t GjbModel::report(uint8_t type, uint8_t* status, uint32_t* value) const
{
    Lock l(mutex_);
    switch (type) {
    case 1:
        expireLocked(std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count());
        *status = inventory_.running ? 1 : 0;
        *value = uint32_t(inventory_.reports);
        return st::Ok;
    case 2:
        *status = 0;
        *value = uint32_t(clockSecondsLocked());
        return st::Ok;
    case 3:
        *status = reportStatus_;
        *value = reportValue_;
        return st::Ok;
    default:
        return st::BadParameter;
    }
}

void GjbModel::setReportState(uint8_t status, uint32_t value)
{
    Lock l(mutex_);
    reportStatus_ = status;
    reportValue_ = value;
}

uint32_t GjbModel::uptimeSeconds() const
{
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    return uint32_t((now - bornMs_) / 1000);
}

// --- secrecy module ------------------------------------------------------------------------------------

GjbSecrecy GjbModel::secrecy() const
{
    Lock l(mutex_);
    return secrecy_;
}

uint8_t GjbModel::editSecrecyPassword(const std::vector<uint8_t>& oldPw, const std::vector<uint8_t>& newPw)
{
    Lock l(mutex_);
    if (!secrecy_.present)
        return st::NoModule;
    if (oldPw != secrecy_.password)
        return st::WrongPassword;
    if (newPw.size() != 8)
        return st::BadParameter;
    secrecy_.password = newPw;
    return st::Ok;
}

uint8_t GjbModel::killSecrecy(const std::vector<uint8_t>& pw)
{
    Lock l(mutex_);
    if (!secrecy_.present)
        return st::NoModule;
    if (pw != secrecy_.password)
        return st::WrongPassword;
    secrecy_.present = false;
    secrecy_.state = 0;
    return st::Ok;
}

// --- records -------------------------------------------------------------------------------------------

uint32_t GjbModel::repairCount() const
{
    Lock l(mutex_);
    return uint32_t(repair_.size());
}

uint8_t GjbModel::repairRead(uint32_t index, GjbRepairRecord* out) const
{
    Lock l(mutex_);
    if (index >= repair_.size())
        return st::BadParameter;
    *out = repair_[index];
    return st::Ok;
}

uint8_t GjbModel::repairWrite(const std::vector<uint8_t>& text)
{
    if (text.empty() || text.size() > kMaxText)
        return st::BadLength;
    const std::string stamp = clockText();
    Lock l(mutex_);
    if (repair_.size() >= kMaxRepairRecords)
        return st::StorageError;
    repair_.push_back(GjbRepairRecord{stamp, text});
    return st::Ok;
}

std::vector<GjbRepairRecord> GjbModel::repairRecords() const
{
    Lock l(mutex_);
    return repair_;
}

uint8_t GjbModel::electronRead(uint32_t slot, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
    if (slot >= kElectronSlots)
        return st::BadParameter;
    *out = electron_[slot];
    return st::Ok;
}

uint8_t GjbModel::electronWrite(uint32_t slot, const std::vector<uint8_t>& text)
{
    Lock l(mutex_);
    if (slot >= kElectronSlots)
        return st::BadParameter;
    if (text.size() > kMaxText)
        return st::BadLength;
    electron_[slot] = text;
    return st::Ok;
}

// --- refusals ------------------------------------------------------------------------------------------

void GjbModel::refuse(uint8_t cmd, int key, uint8_t status)
{
    Lock l(mutex_);
    if (status == 0)
        refusals_.erase({cmd, key});
    else
        refusals_[{cmd, key}] = status;
}

uint8_t GjbModel::refusal(uint8_t cmd, int key) const
{
    Lock l(mutex_);
    auto it = refusals_.find({cmd, key});
    if (it == refusals_.end())
        it = refusals_.find({cmd, -1});
    return it == refusals_.end() ? 0 : it->second;
}

void GjbModel::clearRefusals()
{
    Lock l(mutex_);
    refusals_.clear();
}

} // namespace readersim
