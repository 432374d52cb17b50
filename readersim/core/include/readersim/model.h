// The simulated 6C reader: its settings, its tag field and its inventory engine.
// Plain C++17, no I/O: the link layer (simulator.h) turns frames into calls on this class.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace readersim {

// Memory banks as the select command numbers them (reserved is only reachable through passwords).
enum class Bank : uint8_t
{
    Reserved = 0,
    Epc = 1,
    Tid = 2,
    User = 3
};

// Lockable areas, numbered as the lock command sends them.
enum class LockArea : uint8_t
{
    Epc = 2,
    User = 3,
    AccessPassword = 4,
    KillPassword = 5
};

enum class ReadType : uint8_t
{
    Epc = 0,
    Tid = 1,
    EpcTid = 2
};

// Outcome of a model operation. The link layer maps it onto the protocol's status byte.
enum class Result : uint8_t
{
    Ok = 0,
    NoTag,         // no live tag matching the select answers on that antenna
    BadPassword,   // access or kill password wrong (or a zero kill password)
    Locked,        // the area is locked and the tag is not in the secured state
    BadArgument,   // a value out of range or a record of the wrong length
    MemoryOverrun, // address + length beyond the bank
    ReadOnly,      // a record that cannot be written (version texts)
    Busy,          // the reader cannot do this now
    NotSupported,  // unknown record or parameter type
    BadLength,     // a record of the wrong length for its type
    NoModule       // no Wi-Fi module, or pass-through not entered
};

const char* resultName(Result r);

enum class Region : uint8_t
{
    China = 0,  // 16 points, 920.625 + 0.25 i MHz
    Europe = 1, // 16 points, 865.0 + 0.2 i MHz
    America = 2 // 50 points, 902.75 + 0.5 i MHz
};

int regionPointCount(Region r);
double regionPointMHz(Region r, int index);

struct Tag
{
    std::vector<uint8_t> epc;  // the EPC number (what inventory reports), 12 bytes when seeded
    std::vector<uint8_t> tid;  // 12 bytes, starting E2
    std::vector<uint8_t> user; // 64 bytes (32 words) when seeded
    uint32_t accessPassword = 0;
    uint32_t killPassword = 0;
    std::array<bool, 6> locked{}; // indexed by LockArea value (2..5); 0 and 1 unused
    bool killed = false;
    uint8_t antennaMask = 0x0F; // bit n-1 set: antenna n sees the tag
    // Reports queued on a link for this tag, per antenna; [0] counts antenna codes outside 1..4.
    std::array<uint64_t, 5> reports{};

    bool isLocked(LockArea a) const { return locked[static_cast<size_t>(a)]; }
    bool seenBy(int antenna) const
    {
        return antenna >= 1 && antenna <= 4 && (antennaMask >> (antenna - 1)) & 1;
    }
    uint64_t totalReports() const;
    // PC word as the tag would back-scatter it: EPC length in words in bits 15..11.
    uint16_t pc() const;
};

// A select restricts inventories and tag operations to tags whose bank holds `mask` at `startBits`.
// Length 0 selects every tag (this is how a select is cancelled).
struct SelectFilter
{
    Bank bank = Bank::Epc;
    uint16_t startBits = 0;
    uint16_t lengthBits = 0;
    std::vector<uint8_t> mask;

    bool active() const { return lengthBits > 0; }
    bool matches(const Tag& t) const;
};

struct AntennaConfig
{
    bool enabled = true;
    uint8_t power = 10; // reader power byte: 16..35 = 0..19 dBm, 0..10 = 20..30 dBm
    uint8_t dwell = 1;  // rounds over the field per turn when polling antennas (0 counts as 1)
};

struct NetSettings
{
    std::array<uint8_t, 6> mac{{0x02, 0x5A, 0x4C, 0x54, 0x00, 0x01}};
    std::array<uint8_t, 4> ip{{192, 168, 1, 200}};
    std::array<uint8_t, 4> mask{{255, 255, 255, 0}};
    std::array<uint8_t, 4> gateway{{192, 168, 1, 1}};
    uint16_t tcpPort = 4001;
    uint16_t udpPort = 4002;
};

struct InventoryState
{
    bool running = false;
    ReadType type = ReadType::Epc;
    uint8_t antennaCode = 1; // 0 = poll the enabled antennas, 1..4 = that antenna
    uint32_t preRead = 1;
    uint64_t nextSequence = 0; // sequence number of the next report of this run
};

struct UpdateRequest
{
    uint8_t kind = 0; // 0 RF chip image, 1 firmware, 2 plain file
    uint32_t size = 0;
    uint32_t checksum = 0;
    std::string name;
    bool valid = false;
};

// One report the inventory engine decided to send.
struct Report
{
    uint32_t tagIndex = 0;
    uint8_t antenna = 0;
    uint64_t sequence = 0;
};

// Parameter memory addresses with a meaning of their own.
namespace parm {
constexpr uint8_t WorkMode = 0;
constexpr uint8_t DeviceType = 1;
constexpr uint8_t GprsApn = 122;      // 64-byte record of its own, not part of the byte map
constexpr uint8_t GprsAccount = 123;  // likewise
constexpr uint8_t GprsPassword = 124; // likewise
constexpr uint8_t BaudRate = 159;     // same byte as the serial baud-rate setting
constexpr uint8_t WiegandStart = 160;
constexpr uint8_t WiegandLength = 161;
constexpr uint8_t CommandType = 239;
constexpr uint8_t AntennaPort = 240;
constexpr uint8_t ConnectPort = 241;
constexpr uint8_t FlashStore = 249;
constexpr uint8_t GprsServerIp = 250; // 4 bytes
constexpr uint8_t GprsPort = 254;     // 2 bytes, big-endian
} // namespace parm

// Everything is guarded by one mutex; every public member takes it, so tests may call them from any
// thread while the simulator runs. lock() gives a compound view (e.g. several tags at once) with the
// *Locked accessors.
class ReaderModel
{
public:
    ReaderModel(uint32_t seed, int tagCount);

    std::unique_lock<std::recursive_mutex> lock() const
    {
        return std::unique_lock<std::recursive_mutex>(mutex_);
    }
    // A copy of one member taken under the lock, for the thread-safe getters.
    template <class T> T snapshot(const T& member) const
    {
        auto l = lock();
        return member;
    }

    // --- tag population -------------------------------------------------------------------------
    size_t tagCount() const;
    Tag tag(size_t index) const;
    std::vector<Tag> tags() const;
    void setTag(size_t index, const Tag& t);
    size_t addTag(const Tag& t);
    void removeAllTags();
    int findTagByEpc(const std::vector<uint8_t>& epc) const; // -1 when absent (killed tags included)
    std::vector<Tag>& tagsLocked() { return tags_; }         // caller holds lock()
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

    // --- pass-through to the Wi-Fi module (module itself comes later) --------------------------------
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
    // the sink may read the tag). Returns the number produced; 0 when nothing is eligible.
    // nowMs is a steady clock in ms, used by the tag filter.
    size_t generateReports(size_t max, int64_t nowMs,
                           const std::function<void(const Tag&, const Report&)>& sink);
    // Undo the count of a report that was never sent (dropped by fault injection, link closed).
    void uncountReport(const Report& r);

    uint64_t reportsSent() const;
    uint64_t reportsSent(int antenna) const; // antenna 1..4
    void resetCounts();

private:
    bool eligibleLocked(const Tag& t, int antenna) const;
    Result checkAccessLocked(const Tag& t, uint32_t password, LockArea area) const;
    void rebuildEligibleLocked();

    mutable std::recursive_mutex mutex_;
    uint32_t seed_;
    std::vector<Tag> tags_;
    SelectFilter select_;
    SelectFilter persistentSelect_;
    bool hasPersistentSelect_ = false;

    std::array<uint8_t, 256> parm_;
    std::array<std::vector<uint8_t>, 3> gprsText_; // APN, account, password (64 bytes each)
    std::array<std::vector<uint8_t>, 7> identity_;
    int64_t clockOffsetSeconds_ = 0;

    NetSettings net_;
    uint8_t busAddress_ = 0x01;

    std::array<AntennaConfig, 4> antennas_{};
    Region region_ = Region::China;
    std::vector<uint8_t> points_;
    std::array<bool, 4> carrier_{};

    bool filterEnabled_ = false;
    uint8_t filterTime_ = 10;
    uint8_t q_ = 4;

    uint8_t inputs_ = 0x01;
    std::function<void()> inputObserver_;
    std::array<uint8_t, 4> outputAction_{};
    uint8_t readingIo_ = 0;
    std::array<uint8_t, 5> pulseWidth_{{1, 1, 1, 1, 1}};

    std::vector<std::vector<uint8_t>> flash_;
    std::set<std::vector<uint8_t>> flashIndex_;
    std::vector<int64_t> lastReportMs_; // per tag, for the filter

    UpdateRequest lastUpdate_;
    int updateCount_ = 0;
    std::function<Result(const UpdateRequest&)> updateCheck_;
    bool passThrough_ = false;
    int rebootCount_ = 0;

    InventoryState inventory_;
    // Round-robin position of the inventory engine.
    int invAntennaSlot_ = 0;
    int invDwellLeft_ = 0;
    size_t invTagPos_ = 0;
    bool invRoundHadOutput_ = false;
    std::vector<uint32_t> eligible_; // tags the select admits and that are alive, in population order
    bool eligibleDirty_ = true;

    std::array<uint64_t, 5> sentPerAntenna_{};
};

} // namespace readersim
