// What the simulated 6C reader is made of: tags, selects, settings records and the results of its
// operations. Plain data; ReaderModel (model.h) holds them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

} // namespace readersim
