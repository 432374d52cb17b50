// Command, report and status codes of the reader protocol (docs/protocol.md).
#pragma once

#include <cstdint>

namespace wire {

constexpr uint8_t kProtocolVersion = 1;
constexpr uint8_t kFamily6C = 1;
constexpr uint8_t kFamilyGjb = 2;

namespace cmd {
// Session
constexpr uint8_t Hello = 0x01; // ZALT_Open
constexpr uint8_t Bye = 0x02;   // ZALT_Close
constexpr uint8_t Ping = 0x03;
// System and identity
constexpr uint8_t SysInfQuery = 0x10;
constexpr uint8_t SysInfSet = 0x11;
constexpr uint8_t ParmOp = 0x12;
constexpr uint8_t Reboot = 0x13;
constexpr uint8_t Updata = 0x14;
constexpr uint8_t TimeQuery = 0x15;
constexpr uint8_t TimeSet = 0x16;
constexpr uint8_t PowerOff = 0x17;
constexpr uint8_t EnterTrans = 0x18;
// Communication settings
constexpr uint8_t CommQuery = 0x20;
constexpr uint8_t CommSet = 0x21;
constexpr uint8_t NetQuery = 0x22;
constexpr uint8_t NetSet = 0x23;
// RF
constexpr uint8_t AntennaQuery = 0x30;
constexpr uint8_t AntennaSet = 0x31;
constexpr uint8_t RfQuery = 0x32;
constexpr uint8_t RfSet = 0x33;
constexpr uint8_t Carrier = 0x34;
constexpr uint8_t TagOpQuery = 0x38;
constexpr uint8_t TagOpSet = 0x39;
// IO and tag store
constexpr uint8_t IoOperate = 0x40;
constexpr uint8_t IoStateQuery = 0x41;
constexpr uint8_t ReadingIoQuery = 0x42;
constexpr uint8_t ReadingIoConfig = 0x43;
constexpr uint8_t PulseQuery = 0x44;
constexpr uint8_t PulseSet = 0x45;
constexpr uint8_t FlashCount = 0x48;
constexpr uint8_t FlashClear = 0x49;
// Inventory
constexpr uint8_t ReadEpc = 0x50;
constexpr uint8_t ReadTid = 0x51;
constexpr uint8_t ReadEpcTid = 0x52;
// Tag operations
constexpr uint8_t TagSelect = 0x60;
constexpr uint8_t ReadUser = 0x61;
constexpr uint8_t WriteUser = 0x62;
constexpr uint8_t WriteEpc = 0x63;
constexpr uint8_t TagLock = 0x64;
constexpr uint8_t TagKill = 0x65;
constexpr uint8_t AccessPwdSet = 0x66;
constexpr uint8_t KillPwdSet = 0x67;
// Pass-through to the Wi-Fi module
constexpr uint8_t RawSend = 0x70;
// Unsolicited frames from the reader (seq 0)
constexpr uint8_t ReportEpc = 0x80;
constexpr uint8_t ReportTid = 0x81;
constexpr uint8_t ReportEpcTid = 0x82;
constexpr uint8_t IoEvent = 0x83;
constexpr uint8_t Heartbeat = 0x84;
constexpr uint8_t RawData = 0x85;

inline bool isUnsolicited(uint8_t c)
{
    return c >= 0x80 && c <= 0x8F;
}
} // namespace cmd

// Status byte of an answer. 0 = done; the rest are the reader's refusals.
namespace status {
constexpr uint8_t Ok = 0x00;
constexpr uint8_t UnsupportedCommand = 0x10;
constexpr uint8_t BadParameter = 0x11;
constexpr uint8_t TagNotFound = 0x12;
constexpr uint8_t WrongPassword = 0x13;
constexpr uint8_t MemoryLocked = 0x14;
constexpr uint8_t MemoryOverrun = 0x15;
constexpr uint8_t NoTagSelected = 0x16;
constexpr uint8_t Busy = 0x17;
constexpr uint8_t StorageError = 0x18;
constexpr uint8_t NoModule = 0x19;
constexpr uint8_t BadLength = 0x1A;
constexpr uint8_t InternalError = 0x1F;
} // namespace status

// Error codes of ZALT_GetErrorCode and GJB_GetErrorCode. 1..15 are the library's own; 16..255 are reader
// status bytes as they stand.
namespace err {
constexpr int None = 0;
constexpr int BadHandle = 1;
constexpr int NotConnected = 2;
constexpr int Timeout = 3;
constexpr int LinkLost = 4;
constexpr int BadFrame = 5;
constexpr int BadArgument = 6;
constexpr int BufferTooSmall = 7;
constexpr int AlreadyOpen = 8;
constexpr int ConnectFailed = 9;
constexpr int NoReport = 10;
constexpr int ReportOverflow = 11;
// Why ZALT_Open failed, where the system or the reader's silence says.
constexpr int ConnectRefused = 12;   // nobody listens at that address and port
constexpr int ConnectTimedOut = 13;  // no connection, or no answer to Hello, in time
constexpr int NoSuchDevice = 14;     // the serial device does not exist
constexpr int PermissionDenied = 15; // the serial device exists but may not be opened
} // namespace err

} // namespace wire
