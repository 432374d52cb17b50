#pragma once

// The module's commands over a transport: argument checks, the command line, the exchange that
// collects the reply, and the outputs. The exports of the library are these with the process's
// transport; tests give them one of their own, with a clock of their own.

#include "AtReply.h"
#include "NetProc.h"

#include <cstdint>
#include <functional>
#include <string>

namespace atbridge {

struct Bridge
{
    INetDataProc* proc = nullptr;
    std::function<int64_t()> nowMs;   // a steady clock
    std::function<void(int)> sleepMs; // pauses the calling thread
};

// The transport with the system's clock.
Bridge SystemBridge(INetDataProc* proc);

// What one exchange may take: the whole reply, and one receive call.
struct Timing
{
    int deadlineMs;
    int waitMs;
};
constexpr Timing kEnterTiming{3000, 3000};
constexpr Timing kProbeTiming{2000, 2000};
constexpr Timing kCommandTiming{1000, 1000};
constexpr Timing kScanTiming{5000, 1000};

// A reply longer than this without being recognised is given up.
constexpr size_t kMaxReply = 65536;

enum class Recogniser
{
    Ok,
    Set,
    Query
};

// Sends command and collects the reply until it is recognised or the deadline passes. True on Done,
// with *value set for a query.
bool Exchange(const Bridge& b, Handle h, const std::string& command, Recogniser r, Timing t,
              std::string* value = nullptr);

bool Enter(const Bridge& b, Handle h);
bool Exit(const Bridge& b, Handle h);
bool SendAT(const Bridge& b, Handle h);
bool ReadNetPara(const Bridge& b, Handle h, unsigned char* mode, char* ip, char* mask, char* gateway,
                 char* dns);
bool SetNetPara(const Bridge& b, Handle h, unsigned char mode, const char* ip, const char* mask,
                const char* gateway, const char* dns);
bool QuerySSID(const Bridge& b, Handle h, char* ssid);
bool SetSSID(const Bridge& b, Handle h, const char* ssid);
bool QuerySecurityType(const Bridge& b, Handle h, unsigned char* security);
bool SetSecurityType(const Bridge& b, Handle h, unsigned char security);
bool QueryKey(const Bridge& b, Handle h, unsigned char* format, unsigned char* index, char* key);
bool SetKey(const Bridge& b, Handle h, unsigned char format, unsigned char index, const char* key);
bool QueryMac(const Bridge& b, Handle h, char* mac);
bool QuerySocketConnectInfo(const Bridge& b, Handle h, unsigned char* protocol, unsigned char* mode,
                            char* address, unsigned short* port);
bool SetSocketConnectInfo(const Bridge& b, Handle h, unsigned char protocol, unsigned char mode,
                          const char* address, unsigned short port);
bool QueryWorkMode(const Bridge& b, Handle h, unsigned char* mode);
bool QueryConnectStatus(const Bridge& b, Handle h, unsigned char* status, char* text1, char* text2,
                        char* text3, char* text4);
bool Search(const Bridge& b, Handle h, char* list);
bool Reset(const Bridge& b, Handle h);

} // namespace atbridge
