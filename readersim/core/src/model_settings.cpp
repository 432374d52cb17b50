// Parameter memory, identity, clock, communication and network settings.
#include "readersim/model.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace readersim {

namespace {

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

} // namespace

// ---------------------------------------------------------------------------------------------------

ReaderModel::ReaderModel(uint32_t seed, int tagCount) : seed_(seed), parm_(defaultParameters())
{
    restoreGprsTextLocked();
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
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    Lock l(mutex_);
    parm_ = defaultParameters();
    restoreGprsTextLocked();
}

void ReaderModel::restoreGprsTextLocked()
{
    gprsText_[0] = paddedTo(textRecord("CMNET"), 64);
    gprsText_[1] = std::vector<uint8_t>(64, 0);
    gprsText_[2] = std::vector<uint8_t>(64, 0);
}

uint8_t ReaderModel::parmByte(uint8_t address) const
{
    Lock l(mutex_);
    return parm_[address];
}

// --- identity and clock -----------------------------------------------------------------------------

Result ReaderModel::sysInfQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
    if (type >= identity_.size()) {
        return Result::NotSupported;
    }
    *out = identity_[type];
    return Result::Ok;
}

Result ReaderModel::sysInfSet(uint8_t type, const std::vector<uint8_t>& record)
{
    static const size_t sizes[3] = {8, 6, 8};
    Lock l(mutex_);
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
        Lock l(mutex_);
        if (rawClock_) {
            return rawClockRecord_;
        }
        offset = clockOffsetSeconds_;
    }
    time_t now = time(nullptr) + time_t(offset);
    struct tm tmv;
    localtime_r(&now, &tmv);
    return {{toBcd(tmv.tm_sec), toBcd(tmv.tm_min), toBcd(tmv.tm_hour),
             toBcd(tmv.tm_wday == 0 ? 7 : tmv.tm_wday), toBcd(tmv.tm_mday), toBcd(tmv.tm_mon + 1),
             toBcd(tmv.tm_year % 100)}};
}

void ReaderModel::setClockRecord(const std::array<uint8_t, 7>& record)
{
    Lock l(mutex_);
    rawClock_ = true;
    rawClockRecord_ = record;
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
    Lock l(mutex_);
    clockOffsetSeconds_ = int64_t(wanted) - int64_t(time(nullptr));
    rawClock_ = false;
    return Result::Ok;
}

// --- communication ------------------------------------------------------------------------------------

Result ReaderModel::communicationQuery(uint8_t code, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    return copyOf(net_);
}

uint8_t ReaderModel::busAddress() const
{
    return copyOf(busAddress_);
}

uint8_t ReaderModel::baudCode() const
{
    return copyOf(parm_[parm::BaudRate]);
}

} // namespace readersim
