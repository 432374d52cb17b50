// The simulated GJB reader: its settings, versions, clock, records, secrecy module, tests, its tag
// field and its inventory engine. Plain C++17, no I/O: readersim's GJB family (family_gjb.cpp) turns
// requests into calls on it. Separate from the 6C ReaderModel: the two families share links, not a
// reader.
//
// Every public member takes the model's one mutex once, so tests may call any of them from any thread
// while the simulator runs. Operations answer a protocol status byte (wire::status, 0 = done); tag
// operations answer a tag status (wire::gjb::tagstatus). Implemented by area: gjb_model_tags.cpp (tag
// field and tag operations), gjb_model_settings.cpp (settings, versions, clock, records, secrecy,
// configuration, refusals), gjb_model_activity.cpp (inventory, sensitivity test, air-interface test).
#pragma once

#include <wire/gjb_air.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace readersim {

// The five passwords of a GJB tag, in the order its security area keeps them.
enum class GjbPassword : uint8_t
{
    Read = 0,
    Write = 1,
    Lock = 2,
    Erase = 3,
    Kill = 4
};

// The areas of a GJB tag as a lock holds them: 0 information, 1 code, 2 security, 3 + n user area n.
constexpr size_t kGjbAreaSlots = 19;
constexpr size_t kGjbUserAreas = 16;

struct GjbTag
{
    std::vector<uint8_t> info;     // information area, 8 words: read-only
    std::vector<uint8_t> code;     // code area: the tag ID an inventory reports, 6 words when seeded
    std::vector<uint8_t> security; // security area, 12 words: the five passwords (2 words each), 2 spare
    std::array<std::vector<uint8_t>, kGjbUserAreas> user; // user area 0: 32 words, 1 ... 15: 8 words
    std::array<uint8_t, kGjbAreaSlots> locks{}; // 0 read and write, 1 read only, 2 write only, 3 neither
    bool killed = false;
    uint8_t antennaMask = 0x0F;  // bit n-1 set: antenna n reaches the tag
    uint16_t powerNeeded = 1000; // hundredths of dBm an antenna needs to reach it
    // Reports sent for this tag, per antenna; [0] unused.
    std::array<uint64_t, 5> reports{};

    uint32_t password(GjbPassword kind) const;
    void setPassword(GjbPassword kind, uint32_t value);
    bool seenBy(int antenna) const
    {
        return antenna >= 1 && antenna <= 4 && (antennaMask >> (antenna - 1)) & 1;
    }
    // The area of an area code (index x 16 + user-area number), or null for none.
    std::vector<uint8_t>* area(uint8_t code);
    const std::vector<uint8_t>* area(uint8_t code) const;
    uint64_t totalReports() const;
};

// An area code's lock slot, or -1 for a code that names no area.
int gjbAreaSlot(uint8_t code);

// The settings of section 7.2 of the protocol, at their factory values.
struct GjbSettings
{
    uint32_t antennaMask = 0x0F;
    uint32_t points = 0xFFFFF;
    uint32_t modulation = 100;
    uint32_t rfPath = 0;
    uint32_t inventoryMode = 1;
    uint32_t codeGradient = 0;
    uint32_t outputs = 0;
    uint32_t dhcp = 0;
    std::array<uint32_t, 4> power{{3000, 3000, 3000, 3000}};
    std::array<uint32_t, 4> dwell{{100, 100, 100, 100}};
    uint32_t gain = 0;
    uint32_t lowPass = 0;
    uint32_t highPass = 0;
    std::array<uint8_t, 4> ip{{192, 168, 1, 100}};
    std::array<uint8_t, 4> mask{{255, 255, 255, 0}};
    std::array<uint8_t, 4> gateway{{192, 168, 1, 1}};
};

// Which tag an operation is for (as the protocol's match).
struct GjbMatch
{
    uint16_t startWord = 0;
    uint16_t maskBits = 0;
    std::vector<uint8_t> mask;
    uint16_t idBits = 0;
    std::vector<uint8_t> id;
    bool match = false;
};

// What a tag operation came to: the AccessResult's fields.
struct GjbAccessOutcome
{
    uint8_t status = 0; // wire::gjb::tagstatus
    uint8_t antenna = 0;
    int tagIndex = -1;
    std::vector<uint8_t> id;
    std::vector<uint8_t> data;
};

// The last tag operation, as AccessSpecQuery reports it.
struct GjbAccessSpec
{
    uint8_t operation = 0; // wire::gjb::op; 0 none
    uint8_t status = 0;
    uint8_t area = 0;
    uint16_t startWord = 0;
    uint16_t words = 0;
};

struct GjbInventory
{
    bool running = false;
    std::vector<uint8_t> antennas; // as asked; empty: the mask's
    uint8_t mode = 0;              // 0 until stopped, 1 timed
    uint32_t durationMs = 0;
    uint8_t forwardLink = 0;
    uint8_t reverseLink = 0;
    uint8_t coding = 0;
    uint8_t preamble = 0;
    bool singleRound = false;
    int64_t startMs = 0;
    uint64_t reports = 0; // sent in this run
};

struct GjbInventoryPlan
{
    std::vector<uint8_t> antennas;
    uint8_t mode = 0;
    uint32_t durationMs = 0;
};

struct GjbSensitivity
{
    bool running = false;
    uint32_t count = 0;                          // tests asked for
    std::vector<std::array<uint8_t, 2>> results; // sent so far in this run
};

struct GjbAirFrame
{
    std::vector<uint8_t> bytes;
    wire::gjb::AirFrameCheck check;
};

struct GjbRepairRecord
{
    std::string time; // "yyyy-MM-dd hh:mm:ss", the reader's clock when it was added
    std::vector<uint8_t> text;
};

struct GjbSecrecy
{
    bool present = true; // false once killed
    uint8_t state = 0;   // 0 off, 1 on
    std::vector<uint8_t> password{'1', '2', '3', '4', '5', '6', '7', '8'};
};

// One report the activity decided to send: a tag read or a sensitivity result.
struct GjbEmit
{
    bool test = false;
    const GjbTag* tag = nullptr;
    uint32_t tagIndex = 0;
    uint8_t antenna = 0;
    uint16_t testIndex = 0;
    std::array<uint8_t, 2> result{};
};

class GjbModel
{
public:
    static constexpr size_t kMaxRepairRecords = 1000;
    static constexpr size_t kElectronSlots = 32;
    static constexpr size_t kConfigRecords = 16;
    static constexpr size_t kMaxText = 255;

    GjbModel(uint32_t seed, int tagCount);

    // --- tag population -------------------------------------------------------------------------
    size_t tagCount() const;
    GjbTag tag(size_t index) const;
    std::vector<GjbTag> tags() const;
    void setTag(size_t index, const GjbTag& t);
    size_t addTag(const GjbTag& t);
    void removeAllTags();
    static GjbTag makeTag(uint32_t seed, uint32_t index);

    // --- tag operations ---------------------------------------------------------------------------
    GjbAccessOutcome readTag(const GjbMatch& m, uint8_t area, uint16_t start, uint16_t words, uint32_t pw);
    GjbAccessOutcome writeTag(const GjbMatch& m, uint8_t area, uint16_t start,
                              const std::vector<uint8_t>& data, uint32_t pw);
    GjbAccessOutcome eraseTag(const GjbMatch& m, uint8_t area, uint16_t start, uint16_t words, uint32_t pw);
    GjbAccessOutcome lockTag(const GjbMatch& m, uint16_t area, uint8_t action, uint32_t pw);
    GjbAccessOutcome killTag(const GjbMatch& m, uint32_t pw);
    GjbAccessSpec lastAccess() const;
    void invalidateAccess();
    // The next tag operation fails with this tag status, whatever it was (a test's fault).
    void failNextAccess(uint8_t tagStatus);

    // --- settings ---------------------------------------------------------------------------------
    GjbSettings settings() const;
    void setSettings(const GjbSettings& s);
    uint8_t querySettings(const std::vector<uint8_t>& ids,
                          std::vector<std::pair<uint8_t, uint32_t>>* out) const;
    uint8_t applySettings(const std::vector<std::pair<uint8_t, uint32_t>>& values);

    // --- versions and capability -------------------------------------------------------------------
    uint8_t info(uint8_t what, std::string* out) const; // wire::gjb::info
    void setInfo(uint8_t what, const std::string& text);

    // --- configuration records, reset, reboot -------------------------------------------------------
    uint8_t configRead(uint8_t type, uint16_t offset, uint16_t count, std::vector<uint8_t>* out) const;
    uint8_t configWrite(uint8_t type, const std::vector<uint8_t>& data);
    void reset(); // factory settings; tags, records, versions, secrecy and clock stay
    int resetCount() const;
    void reboot(); // activity stops, outputs off
    int rebootCount() const;

    // --- clock and report state --------------------------------------------------------------------
    uint8_t setClockMicros(const std::array<uint8_t, 8>& micros);
    uint8_t setSysTime(const std::string& text);
    std::array<uint8_t, 8> clockMicros() const; // now, on the reader's clock
    std::string clockText() const;              // now, "yyyy-MM-dd hh:mm:ss" local time
    std::array<uint8_t, 8> lastClockSet() const;
    std::string lastSysTime() const;
    int clockSetCount() const; // either call
    uint8_t report(uint8_t type, uint8_t* status, uint32_t* value) const;
    void setReportState(uint8_t status, uint32_t value);
    uint32_t uptimeSeconds() const;

    // --- inventory, sensitivity test, air-interface test ----------------------------------------------
    uint8_t startInventory(const std::vector<uint8_t>& antennas, uint8_t mode, uint32_t durationMs,
                           uint8_t forwardLink, uint8_t reverseLink, uint8_t coding, uint8_t preamble,
                           int64_t nowMs);
    uint8_t singleRound(int64_t nowMs);
    uint8_t setInventoryPlan(const GjbInventoryPlan& plan);
    GjbInventoryPlan inventoryPlan() const;
    uint8_t runInventoryPlan(bool run, int64_t nowMs);
    uint8_t startSensitivity(uint32_t count);
    // Ends the inventory, the sensitivity test and a repeated air-interface transmission.
    void stopActivity();
    GjbInventory inventory() const;
    GjbSensitivity sensitivity() const;
    bool activityRunning(int64_t nowMs) const;
    // The result of test `index` on this reader: fixed by the seed.
    static std::array<uint8_t, 2> sensitivityValue(uint32_t seed, uint32_t index);
    // Up to `max` next reports, counted as sent and handed to `sink` under the lock (the sink must not
    // call back into the model). A timed inventory ends here once its time is up.
    size_t generate(size_t max, int64_t nowMs, const std::function<void(const GjbEmit&)>& sink);
    // Undoes the count of a report that was never sent.
    void uncount(const GjbEmit& e);
    uint64_t reportsSent() const;
    uint64_t reportsSent(int antenna) const;
    void resetCounts();

    void disturbInit();
    int disturbInitCount() const;
    uint8_t airTest(const std::vector<uint8_t>& frame);
    std::vector<GjbAirFrame> airFrames() const;
    bool airTransmitting() const;

    // --- secrecy module -----------------------------------------------------------------------------
    GjbSecrecy secrecy() const;
    uint8_t editSecrecyPassword(const std::vector<uint8_t>& oldPw, const std::vector<uint8_t>& newPw);
    uint8_t killSecrecy(const std::vector<uint8_t>& pw);

    // --- repair and electronic records -----------------------------------------------------------------
    uint32_t repairCount() const;
    uint8_t repairRead(uint32_t index, GjbRepairRecord* out) const;
    uint8_t repairWrite(const std::vector<uint8_t>& text);
    std::vector<GjbRepairRecord> repairRecords() const;
    uint8_t electronRead(uint32_t slot, std::vector<uint8_t>* out) const;
    uint8_t electronWrite(uint32_t slot, const std::vector<uint8_t>& text);

    // --- faults: a command refused with a status ----------------------------------------------------
    // Requests of `cmd` are answered with `status` (0 forgets the rule). `key` narrows it: the info
    // type of Info, a setting id of SettingsQuery and SettingsSet; -1 means every request.
    void refuse(uint8_t cmd, int key, uint8_t status);
    uint8_t refusal(uint8_t cmd, int key) const;
    void clearRefusals();

private:
    using Lock = std::lock_guard<std::mutex>;

    // Helpers for callers that hold mutex_.
    int targetLocked(const GjbMatch& m, int* antenna, bool* lowPower) const;
    bool reachesLocked(const GjbTag& t, int antenna) const;
    GjbAccessOutcome beginAccessLocked(const GjbMatch& m);
    void finishAccessLocked(uint8_t operation, GjbAccessOutcome& outcome, uint8_t area, uint16_t start,
                            uint16_t words);
    uint8_t settingLocked(uint8_t id, uint32_t* value) const;
    uint8_t checkSettingLocked(uint8_t id, uint32_t value) const;
    void storeSettingLocked(uint8_t id, uint32_t value);
    void expireLocked(int64_t nowMs) const;
    std::vector<uint8_t> antennaListLocked() const;
    int64_t clockSecondsLocked() const;

    mutable std::mutex mutex_;
    uint32_t seed_;
    int64_t bornMs_;

    std::vector<GjbTag> tags_;
    GjbAccessSpec lastAccess_;
    uint8_t accessFault_ = 0;

    GjbSettings settings_;
    std::array<std::string, 6> info_;
    std::array<std::vector<uint8_t>, kConfigRecords> config_;
    int resetCount_ = 0;
    int rebootCount_ = 0;

    int64_t clockOffsetSeconds_ = 0;
    std::array<uint8_t, 8> lastClockSet_{};
    std::string lastSysTime_;
    int clockSetCount_ = 0;
    uint8_t reportStatus_ = 0;
    uint32_t reportValue_ = 0;

    mutable GjbInventory inventory_;
    GjbInventoryPlan inventoryPlan_;
    GjbSensitivity sensitivity_;
    size_t roundAntenna_ = 0; // position in the antenna list
    size_t roundTag_ = 0;     // position in the field
    bool roundHadOutput_ = false;
    std::array<uint64_t, 5> sentPerAntenna_{};
    uint64_t sentTotal_ = 0;

    int disturbCount_ = 0;
    std::vector<GjbAirFrame> airFrames_;
    bool airTransmitting_ = false;

    GjbSecrecy secrecy_;
    std::vector<GjbRepairRecord> repair_;
    std::array<std::vector<uint8_t>, kElectronSlots> electron_;

    std::map<std::pair<uint8_t, int>, uint8_t> refusals_;
};

} // namespace readersim
