// Antennas, frequency points, carrier, tag-operation parameters, IO, the tag store, updates,
// pass-through and restarts.
#include "readersim/model.h"

#include <algorithm>

namespace readersim {

// --- RF --------------------------------------------------------------------------------------------

AntennaConfig ReaderModel::antenna(int n) const
{
    Lock l(mutex_);
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
    Lock l(mutex_);
    for (size_t i = 0; i < 4; ++i) {
        antennas_[i].enabled = r[i] != 0;
        antennas_[i].power = r[4 + i];
        antennas_[i].dwell = r[8 + i];
    }
    return Result::Ok;
}

Result ReaderModel::rfQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
    if (type != 0) {
        return Result::NotSupported;
    }
    *out = points_;
    return Result::Ok;
}

Result ReaderModel::rfSet(uint8_t type, const std::vector<uint8_t>& points)
{
    Lock l(mutex_);
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
    return copyOf(region_);
}

void ReaderModel::setRegion(Region r)
{
    Lock l(mutex_);
    region_ = r;
    points_.clear();
    for (int i = 0; i < regionPointCount(r); ++i) {
        points_.push_back(uint8_t(i));
    }
}

std::vector<uint8_t> ReaderModel::frequencyPoints() const
{
    return copyOf(points_);
}

Result ReaderModel::carrierOp(uint8_t operation, uint8_t antenna)
{
    if (operation > 1 || antenna < 1 || antenna > 4) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    carrier_[size_t(antenna - 1)] = operation == 1;
    return Result::Ok;
}

void ReaderModel::carriersOff()
{
    Lock l(mutex_);
    carrier_ = {};
}

bool ReaderModel::carrier(int antenna) const
{
    Lock l(mutex_);
    return antenna >= 1 && antenna <= 4 && carrier_[size_t(antenna - 1)];
}

// --- tag-operation parameters -------------------------------------------------------------------------

Result ReaderModel::tagOpParaQuery(uint8_t type, std::vector<uint8_t>* out) const
{
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    return copyOf(filterEnabled_);
}

uint8_t ReaderModel::filterTime() const
{
    return copyOf(filterTime_);
}

uint8_t ReaderModel::qValue() const
{
    return copyOf(q_);
}

// --- IO ---------------------------------------------------------------------------------------------

std::array<uint8_t, 2> ReaderModel::ioState() const
{
    Lock l(mutex_);
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
        Lock l(mutex_);
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
    Lock l(mutex_);
    inputObserver_ = std::move(observer);
}

Result ReaderModel::ioOperate(uint8_t port, uint8_t action)
{
    if (port < 1 || port > 4 || action > 3) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    outputAction_[size_t(port - 1)] = action;
    return Result::Ok;
}

uint8_t ReaderModel::outputAction(int port) const
{
    Lock l(mutex_);
    return port >= 1 && port <= 4 ? outputAction_[size_t(port - 1)] : 0;
}

uint8_t ReaderModel::readingIo() const
{
    return copyOf(readingIo_);
}

Result ReaderModel::setReadingIo(uint8_t bits)
{
    if (bits > 0x1F) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    readingIo_ = bits;
    return Result::Ok;
}

Result ReaderModel::pulseWidth(uint8_t line, uint8_t* out) const
{
    if (line > 4) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    *out = pulseWidth_[line];
    return Result::Ok;
}

Result ReaderModel::setPulseWidth(uint8_t line, int width)
{
    if (line > 4 || width < 0 || width > 255) {
        return Result::BadArgument;
    }
    Lock l(mutex_);
    pulseWidth_[line] = uint8_t(width);
    return Result::Ok;
}

// --- flash tag store ----------------------------------------------------------------------------------

bool ReaderModel::flashEnabled() const
{
    Lock l(mutex_);
    return parm_[parm::FlashStore] == 1;
}

uint32_t ReaderModel::flashCount() const
{
    Lock l(mutex_);
    return uint32_t(flash_.size());
}

std::array<uint8_t, 7> ReaderModel::flashCountRecord() const
{
    Lock l(mutex_);
    // Erased flash reads as all ones.
    uint32_t n = flash_.empty() ? 0xFFFFFFFFu : uint32_t(flash_.size());
    return {{uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0, 0}};
}

std::vector<std::vector<uint8_t>> ReaderModel::flashTags() const
{
    return copyOf(flash_);
}

void ReaderModel::clearFlash()
{
    Lock l(mutex_);
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
    const auto check = copyOf(updateCheck_);
    const Result checked = check ? check(request) : Result::Ok;
    request.valid = checked == Result::Ok;
    Lock l(mutex_);
    lastUpdate_ = request;
    ++updateCount_;
    return checked;
}

void ReaderModel::setUpdateCheck(std::function<Result(const UpdateRequest&)> check)
{
    Lock l(mutex_);
    updateCheck_ = std::move(check);
}

UpdateRequest ReaderModel::lastUpdate() const
{
    return copyOf(lastUpdate_);
}

int ReaderModel::updateCount() const
{
    return copyOf(updateCount_);
}

bool ReaderModel::passThrough() const
{
    return copyOf(passThrough_);
}

void ReaderModel::setPassThrough(bool on)
{
    Lock l(mutex_);
    passThrough_ = on;
}

void ReaderModel::reboot()
{
    Lock l(mutex_);
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
    return copyOf(rebootCount_);
}

} // namespace readersim
