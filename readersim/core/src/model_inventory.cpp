// The inventory engine: which tag answers next, on which antenna, and what was sent.
#include "readersim/model.h"

#include <algorithm>
#include <climits>

namespace readersim {

namespace {

constexpr size_t kFlashCapacity = 100000;

} // namespace

// --- inventory ---------------------------------------------------------------------------------------

Result ReaderModel::startInventory(ReadType type, uint8_t antennaCode, uint32_t preRead)
{
    Lock l(mutex_);
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
    Lock l(mutex_);
    inventory_.running = false;
}

InventoryState ReaderModel::inventory() const
{
    return copyOf(inventory_);
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
    Lock l(mutex_);
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
    Lock l(mutex_);
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
    Lock l(mutex_);
    uint64_t n = 0;
    for (uint64_t c : sentPerAntenna_) {
        n += c;
    }
    return n;
}

uint64_t ReaderModel::reportsSent(int antenna) const
{
    Lock l(mutex_);
    return antenna >= 0 && antenna <= 4 ? sentPerAntenna_[size_t(antenna)] : 0;
}

void ReaderModel::resetCounts()
{
    Lock l(mutex_);
    sentPerAntenna_ = {};
    for (Tag& t : tags_) {
        t.reports = {};
    }
}

} // namespace readersim
