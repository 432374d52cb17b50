// What the GJB reader does on the air: inventories (timed, looping, one round, by the stored
// inventory settings of SpecSet), the sensitivity test, the interference calibration and the
// air-interface test.
#include "readersim/gjb_model.h"

#include <wire/commands.h>
#include <wire/gjb_air.h>

#include <chrono>

namespace readersim {

namespace st = wire::status;

namespace {

constexpr size_t kMaxAntennaList = 16;
constexpr size_t kMaxAirFrames = 10000;
constexpr size_t kMinAirFrame = 5;
constexpr size_t kMaxAirFrame = 256;

bool validAntennas(const std::vector<uint8_t>& list)
{
    if (list.size() > kMaxAntennaList)
        return false;
    for (uint8_t a : list) {
        if (a < 1 || a > 4)
            return false;
    }
    return true;
}

} // namespace

void GjbModel::expireLocked(int64_t nowMs) const
{
    if (inventory_.running && inventory_.mode == 1 && !inventory_.singleRound &&
        nowMs - inventory_.startMs >= int64_t(inventory_.durationMs))
        inventory_.running = false;
}

std::vector<uint8_t> GjbModel::antennaListLocked() const
{
    if (!inventory_.antennas.empty())
        return inventory_.antennas;
    std::vector<uint8_t> list;
    for (uint8_t a = 1; a <= 4; ++a) {
        if ((settings_.antennaMask >> (a - 1)) & 1)
            list.push_back(a);
    }
    return list;
}

uint8_t GjbModel::startInventory(const std::vector<uint8_t>& antennas, uint8_t mode, uint32_t durationMs,
                                 uint8_t forwardLink, uint8_t reverseLink, uint8_t coding, uint8_t preamble,
                                 int64_t nowMs)
{
    Lock l(mutex_);
    if (!validAntennas(antennas) || mode > 1 || forwardLink > 1 || reverseLink > 7 || coding > 3 ||
        preamble > 1)
        return st::BadParameter;
    // Without a frequency point there is no carrier to read with.
    if (settings_.points == 0)
        return st::BadParameter;
    inventory_ = GjbInventory();
    inventory_.running = true;
    inventory_.antennas = antennas;
    inventory_.mode = mode;
    inventory_.durationMs = durationMs;
    inventory_.forwardLink = forwardLink;
    inventory_.reverseLink = reverseLink;
    inventory_.coding = coding;
    inventory_.preamble = preamble;
    inventory_.startMs = nowMs;
    roundAntenna_ = 0;
    roundTag_ = 0;
    roundHadOutput_ = false;
    sensitivity_.running = false;
    return st::Ok;
}

uint8_t GjbModel::singleRound(int64_t nowMs)
{
    const uint8_t s = startInventory({}, 0, 0, 0, 0, 0, 1, nowMs);
    if (s == st::Ok) {
        Lock l(mutex_);
        inventory_.singleRound = true;
    }
    return s;
}

uint8_t GjbModel::setInventoryPlan(const GjbInventoryPlan& plan)
{
    if (!validAntennas(plan.antennas) || plan.mode > 1)
        return st::BadParameter;
    Lock l(mutex_);
    inventoryPlan_ = plan;
    return st::Ok;
}

GjbInventoryPlan GjbModel::inventoryPlan() const
{
    Lock l(mutex_);
    return inventoryPlan_;
}

uint8_t GjbModel::runInventoryPlan(bool run, int64_t nowMs)
{
    if (!run) {
        stopActivity();
        return st::Ok;
    }
    const GjbInventoryPlan s = inventoryPlan();
    return startInventory(s.antennas, s.mode, s.durationMs, 0, 0, 0, 1, nowMs);
}

uint8_t GjbModel::startSensitivity(uint32_t count)
{
    if (count > 65535)
        return st::BadParameter;
    Lock l(mutex_);
    inventory_.running = false;
    sensitivity_ = GjbSensitivity();
    sensitivity_.running = count > 0;
    sensitivity_.count = count;
    return st::Ok;
}

void GjbModel::stopActivity()
{
    Lock l(mutex_);
    inventory_.running = false;
    sensitivity_.running = false;
    airTransmitting_ = false;
}

GjbInventory GjbModel::inventory() const
{
    Lock l(mutex_);
    expireLocked(std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
                     .count());
    return inventory_;
}

GjbSensitivity GjbModel::sensitivity() const
{
    Lock l(mutex_);
    return sensitivity_;
}

bool GjbModel::activityRunning(int64_t nowMs) const
{
    Lock l(mutex_);
    expireLocked(nowMs);
    return inventory_.running || sensitivity_.running;
}

std::array<uint8_t, 2> GjbModel::sensitivityValue(uint32_t seed, uint32_t index)
{
    uint64_t z = ((uint64_t(seed) << 32) | index) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    // A level in dBm below zero, and a count of good replies out of 256.
    return {{uint8_t(0x40 + z % 0x30), uint8_t(z >> 8)}};
}

size_t GjbModel::generate(size_t max, int64_t nowMs, const std::function<void(const GjbEmit&)>& sink)
{
    Lock l(mutex_);
    size_t produced = 0;
    if (sensitivity_.running) {
        while (produced < max && sensitivity_.results.size() < sensitivity_.count) {
            GjbEmit e;
            e.test = true;
            e.testIndex = uint16_t(sensitivity_.results.size());
            e.result = sensitivityValue(seed_, e.testIndex);
            sensitivity_.results.push_back(e.result);
            ++sentTotal_;
            sink(e);
            ++produced;
        }
        if (sensitivity_.results.size() >= sensitivity_.count)
            sensitivity_.running = false;
        return produced;
    }
    expireLocked(nowMs);
    if (!inventory_.running || max == 0)
        return 0;
    const std::vector<uint8_t> list = antennaListLocked();
    if (list.empty() || tags_.empty()) {
        if (inventory_.singleRound)
            inventory_.running = false;
        return 0;
    }
    if (roundAntenna_ >= list.size())
        roundAntenna_ = 0;
    const bool singleTag = settings_.inventoryMode == 0;
    size_t emptyRounds = 0;
    while (produced < max) {
        if (roundTag_ >= tags_.size() || (singleTag && roundHadOutput_)) {
            emptyRounds = roundHadOutput_ ? 0 : emptyRounds + 1;
            roundTag_ = 0;
            roundHadOutput_ = false;
            if (++roundAntenna_ >= list.size()) {
                roundAntenna_ = 0;
                if (inventory_.singleRound) {
                    inventory_.running = false;
                    break;
                }
            }
            // A whole turn of the antennas read nothing: nothing is in reach right now.
            if (emptyRounds >= list.size())
                break;
            continue;
        }
        const uint32_t index = uint32_t(roundTag_++);
        GjbTag& t = tags_[index];
        const int antenna = list[roundAntenna_];
        if (t.killed || !reachesLocked(t, antenna))
            continue;
        roundHadOutput_ = true;
        GjbEmit e;
        e.tag = &t;
        e.tagIndex = index;
        e.antenna = uint8_t(antenna);
        ++t.reports[size_t(antenna)];
        ++sentPerAntenna_[size_t(antenna)];
        ++sentTotal_;
        ++inventory_.reports;
        sink(e);
        ++produced;
    }
    return produced;
}

void GjbModel::uncount(const GjbEmit& e)
{
    Lock l(mutex_);
    if (sentTotal_ > 0)
        --sentTotal_;
    if (e.test || e.tagIndex >= tags_.size() || e.antenna < 1 || e.antenna > 4)
        return;
    uint64_t& perTag = tags_[e.tagIndex].reports[e.antenna];
    if (perTag > 0)
        --perTag;
    if (sentPerAntenna_[e.antenna] > 0)
        --sentPerAntenna_[e.antenna];
    if (inventory_.reports > 0)
        --inventory_.reports;
}

uint64_t GjbModel::reportsSent() const
{
    Lock l(mutex_);
    return sentTotal_;
}

uint64_t GjbModel::reportsSent(int antenna) const
{
    Lock l(mutex_);
    return antenna >= 1 && antenna <= 4 ? sentPerAntenna_[size_t(antenna)] : 0;
}

void GjbModel::resetCounts()
{
    Lock l(mutex_);
    sentPerAntenna_ = {};
    sentTotal_ = 0;
    for (GjbTag& t : tags_)
        t.reports = {};
}

void GjbModel::disturbInit()
{
    Lock l(mutex_);
    ++disturbCount_;
}

int GjbModel::disturbInitCount() const
{
    Lock l(mutex_);
    return disturbCount_;
}

uint8_t GjbModel::airTest(const std::vector<uint8_t>& frame)
{
    if (frame.size() < kMinAirFrame || frame.size() > kMaxAirFrame)
        return st::BadLength;
    GjbAirFrame f;
    f.bytes = frame;
    f.check = wire::gjb::checkAirFrame(frame.data(), frame.size());
    Lock l(mutex_);
    if (airFrames_.size() >= kMaxAirFrames)
        airFrames_.erase(airFrames_.begin());
    airTransmitting_ = f.check.command != wire::gjb::air::Power && f.check.sendMode == 1;
    airFrames_.push_back(std::move(f));
    return st::Ok;
}

std::vector<GjbAirFrame> GjbModel::airFrames() const
{
    Lock l(mutex_);
    return airFrames_;
}

bool GjbModel::airTransmitting() const
{
    Lock l(mutex_);
    return airTransmitting_;
}

} // namespace readersim
