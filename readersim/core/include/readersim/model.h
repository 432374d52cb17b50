// The simulated 6C reader: its settings, its tag field and its inventory engine.
// Plain C++17, no I/O: the 6C family (readersim's command table) turns requests into calls on it.
//
// Every public member takes the model's one mutex once and works through private *Locked helpers, so
// tests may call any of them from any thread while the simulator runs. The members are implemented by
// area: model_tags.cpp (population, select, tag operations), model_settings.cpp (parameter memory,
// identity, clock, communication and network), model_rf_io.cpp (antennas, frequencies, carrier,
// tag-operation parameters, IO, tag store, update, pass-through, reboot) and model_inventory.cpp.
#pragma once

#include "readersim/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace readersim {

class ReaderModel
{
public:
    ReaderModel(uint32_t seed, int tagCount);

    // --- tag population -------------------------------------------------------------------------
    size_t tagCount() const;
    Tag tag(size_t index) const;
    std::vector<Tag> tags() const; // one consistent copy of the whole field
    void setTag(size_t index, const Tag& t);
    size_t addTag(const Tag& t);
    void removeAllTags();
    int findTagByEpc(const std::vector<uint8_t>& epc) const; // -1 when absent (killed tags included)
    // A tag the seed would make: deterministic for (seed, index).
    static Tag makeTag(uint32_t seed, uint32_t index);

    // --- select ------------------------------------------------------------------------------------
    Result select(Bank bank, uint32_t startBits, uint32_t lengthBits, const std::vector<uint8_t>& data);
    SelectFilter currentSelect() const;
    // Select record kept across reboots (tag-operation parameter 0x11): bank, start bits (2, big-endian),
    // length bits (low 8), data, 3 zero bytes.
    bool hasPersistentSelect() const;
    SelectFilter persistentSelect() const;

    // --- tag operations (antenna 1..4; the target is the first live tag on it that the select admits) --
    int targetTag(int antenna) const; // -1 when none
    Result readUser(int antenna, uint32_t startWord, uint32_t words, std::vector<uint8_t>* out);
    Result writeUser(int antenna, uint32_t password, uint32_t startWord, const std::vector<uint8_t>& data);
    Result eraseUser(int antenna, uint32_t password, uint32_t startWord, uint32_t words);
    Result writeEpc(int antenna, uint32_t password, const std::vector<uint8_t>& epc);
    Result lockTag(int antenna, uint32_t password, uint8_t operation, uint8_t area);
    Result setAccessPassword(int antenna, uint32_t oldPassword, uint32_t newPassword);
    Result setKillPassword(int antenna, uint32_t oldPassword, uint32_t newPassword);
    Result killTag(int antenna, uint32_t killPassword, const std::vector<uint8_t>& epc);
    // While one lives, the tag operations its thread makes act on tag `index` alone (when live and
    // seen on the antenna), whatever the select; other threads keep the select.
    class TargetPin
    {
    public:
        explicit TargetPin(size_t index);
        ~TargetPin();
        TargetPin(const TargetPin&) = delete;
        TargetPin& operator=(const TargetPin&) = delete;
    };

    // --- parameter memory --------------------------------------------------------------------------
    Result parmRead(uint8_t address, uint8_t count, std::vector<uint8_t>* out) const;
    Result parmWrite(uint8_t address, const std::vector<uint8_t>& data);
    void restoreDefaults();
    uint8_t parmByte(uint8_t address) const;
    static std::array<uint8_t, 256> defaultParameters();

    // --- identity and clock --------------------------------------------------------------------------
    Result sysInfQuery(uint8_t type, std::vector<uint8_t>* out) const;
    Result sysInfSet(uint8_t type, const std::vector<uint8_t>& record);
    std::array<uint8_t, 7> clockRecord() const; // BCD: s, min, h, weekday 1..7, day, month, year % 100
    Result setClock(const std::vector<uint8_t>& record);
    // The clock reports exactly this record (e.g. all zeros: a clock never set) until the next setClock.
    void setClockRecord(const std::array<uint8_t, 7>& record);

    // --- communication -----------------------------------------------------------------------------
    Result communicationQuery(uint8_t code, std::vector<uint8_t>* out) const; // 0 bus address, 0x20 baud
    Result communicationSet(uint8_t code, const std::vector<uint8_t>& data);  // 0 bus address, 0x10 baud
    Result netQuery(uint8_t code, std::vector<uint8_t>* out) const;           // 1 MAC, 2 IP, 3 TCP, 4 UDP
    Result netSet(uint8_t code, const std::vector<uint8_t>& data);
    NetSettings net() const;
    uint8_t busAddress() const;
    uint8_t baudCode() const;

    // --- RF: antennas, frequency points, carrier -----------------------------------------------------
    AntennaConfig antenna(int n) const; // n 1..4
    Result antennaQuery(int n, AntennaConfig* out) const;
    Result setAntennas(const std::vector<uint8_t>& record12);
    Result rfQuery(uint8_t type, std::vector<uint8_t>* out) const; // type 0: chosen point indices
    Result rfSet(uint8_t type, const std::vector<uint8_t>& points);
    Region region() const;
    void setRegion(Region r); // also chooses every point of the new region
    std::vector<uint8_t> frequencyPoints() const;
    Result carrierOp(uint8_t operation, uint8_t antenna);
    void carriersOff();
    bool carrier(int antenna) const;

    // --- tag-operation parameters: 2 filter on/off, 3 filter time, 0x10 Q, 0x11 persistent select ----
    Result tagOpParaQuery(uint8_t type, std::vector<uint8_t>* out) const;
    Result tagOpParaSet(uint8_t type, const std::vector<uint8_t>& data);
    bool filterEnabled() const;
    uint8_t filterTime() const;
    uint8_t qValue() const;

    // --- IO ----------------------------------------------------------------------------------------
    std::array<uint8_t, 2>
    ioState() const;              // byte 0: inputs (bit0 input 0, bit1 input 1); byte 1: output levels
    void setInputs(uint8_t bits); // what the field wiring would do; a change raises an IO event
    // Called (without the model lock held) after an input line changed; the simulator sends IO events.
    void setInputObserver(std::function<void()> observer);
    Result ioOperate(uint8_t port, uint8_t action); // port 1..4, action 0 low, 1 high, 2 pulse +, 3 pulse -
    uint8_t outputAction(int port) const;
    uint8_t readingIo() const;
    Result setReadingIo(uint8_t bits);
    Result pulseWidth(uint8_t line, uint8_t* out) const; // line 0 buzzer, 1..4 outputs
    Result setPulseWidth(uint8_t line, int width);

    // --- flash tag store ---------------------------------------------------------------------------
    bool flashEnabled() const; // parameter 249 == 1
    uint32_t flashCount() const;
    std::array<uint8_t, 7> flashCountRecord() const; // bytes 0..3 count big-endian, FFFFFFFF when empty
    std::vector<std::vector<uint8_t>> flashTags() const;
    void clearFlash();

    // --- firmware / file update ------------------------------------------------------------------------
    Result update(uint8_t kind, uint32_t size, uint32_t checksum, const std::string& name);
    // Checks a well-formed request against the file that arrived (the TFTP server's checkUpdate);
    // without one every well-formed request is taken.
    void setUpdateCheck(std::function<Result(const UpdateRequest&)> check);
    UpdateRequest lastUpdate() const;
    int updateCount() const;

    // --- pass-through to a module behind the reader ----------------------------------------------------
    bool passThrough() const;
    void setPassThrough(bool on);

    // --- reboot ------------------------------------------------------------------------------------
    // What the reader keeps and loses over a restart: inventory stops, the select falls back to the
    // persistent one, carrier and outputs switch off, pass-through ends; settings and tags stay.
    void reboot();
    int rebootCount() const;

    // --- inventory ---------------------------------------------------------------------------------
    Result startInventory(ReadType type, uint8_t antennaCode, uint32_t preRead);
    void stopInventory();
    InventoryState inventory() const;
    // Picks up to `max` next reports, counts them as sent and hands each to `sink` (under the lock, so
    // the sink may read the tag, and must not call back into the model). Returns the number produced;
    // 0 when nothing is eligible. nowMs is a steady clock in ms, used by the tag filter.
    size_t generateReports(size_t max, int64_t nowMs,
                           const std::function<void(const Tag&, const Report&)>& sink);
    // Undo the count of a report that was never sent (dropped by fault injection, link closed).
    void uncountReport(const Report& r);

    uint64_t reportsSent() const;
    uint64_t reportsSent(int antenna) const; // antenna 1..4
    void resetCounts();

private:
    using Lock = std::lock_guard<std::mutex>;
    // A copy of one member taken under the lock, for the plain getters.
    template <class T> T copyOf(const T& member) const
    {
        Lock l(mutex_);
        return member;
    }

    // Helpers for callers that hold mutex_.
    int targetTagLocked(int antenna) const;
    bool eligibleLocked(const Tag& t, int antenna) const;
    Result checkAccessLocked(const Tag& t, uint32_t password, LockArea area) const;
    Result writeUserLocked(int antenna, uint32_t password, uint32_t startWord,
                           const std::vector<uint8_t>& data);
    void restoreGprsTextLocked();
    void rebuildEligibleLocked();

    mutable std::mutex mutex_;

    // Tag field.
    uint32_t seed_;
    std::vector<Tag> tags_;
    SelectFilter select_;
    SelectFilter persistentSelect_;
    bool hasPersistentSelect_ = false;

    // Parameter memory, identity, clock, communication.
    std::array<uint8_t, 256> parm_;
    std::array<std::vector<uint8_t>, 3> gprsText_; // APN, account, password (64 bytes each)
    std::array<std::vector<uint8_t>, 7> identity_;
    int64_t clockOffsetSeconds_ = 0;
    bool rawClock_ = false;
    std::array<uint8_t, 7> rawClockRecord_{};
    NetSettings net_;
    uint8_t busAddress_ = 0x01;

    // RF and tag-operation parameters.
    std::array<AntennaConfig, 4> antennas_{};
    Region region_ = Region::China;
    std::vector<uint8_t> points_;
    std::array<bool, 4> carrier_{};
    bool filterEnabled_ = false;
    uint8_t filterTime_ = 10;
    uint8_t q_ = 4;

    // IO.
    uint8_t inputs_ = 0x01;
    std::function<void()> inputObserver_;
    std::array<uint8_t, 4> outputAction_{};
    uint8_t readingIo_ = 0;
    std::array<uint8_t, 5> pulseWidth_{{1, 1, 1, 1, 1}};

    // Tag store, update, pass-through, restarts.
    std::vector<std::vector<uint8_t>> flash_;
    std::set<std::vector<uint8_t>> flashIndex_;
    UpdateRequest lastUpdate_;
    int updateCount_ = 0;
    std::function<Result(const UpdateRequest&)> updateCheck_;
    bool passThrough_ = false;
    int rebootCount_ = 0;

    // Inventory engine.
    InventoryState inventory_;
    std::vector<int64_t> lastReportMs_; // per tag, for the filter
    int invAntennaSlot_ = 0;            // round-robin position
    int invDwellLeft_ = 0;
    size_t invTagPos_ = 0;
    bool invRoundHadOutput_ = false;
    std::vector<uint32_t> eligible_; // tags the select admits and that are alive, in population order
    bool eligibleDirty_ = true;
    std::array<uint64_t, 5> sentPerAntenna_{};
};

} // namespace readersim
