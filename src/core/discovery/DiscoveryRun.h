#pragma once

#include "core/discovery/DiscoveryAnswer.h"

#include <QString>
#include <QVector>

#include <atomic>
#include <cstdint>
#include <functional>

// Finding readers on the local network: one query datagram, then three seconds of answers.
// QtCore only, so the command-line tool runs it as the windows do.
namespace Discovery {

constexpr int kCollectMs = 3000;
constexpr uint32_t kAllOnes = 0xFFFFFFFFu;

// One IPv4 address entry of a network interface, as the system lists them.
struct InterfaceEntry
{
    QString interfaceName;
    bool loopback = false;
    bool broadcastFlag = false;
    uint32_t broadcast = 0; // host order; 0 when the entry has none
};

QVector<InterfaceEntry> ListInterfaces();
// The first entry of an interface that is not loopback and can broadcast; else 255.255.255.255.
// Loopback is skipped: its 127.255.255.255 would keep every query on this machine.
uint32_t ChooseBroadcast(const QVector<InterfaceEntry>& entries);

struct Target
{
    uint32_t address = 0; // host order
    uint16_t port = 0;
    bool valid = false;
};

// Where the query goes. The port is the profile's UDP port (decimal text). An override "ADDRESS" or
// "ADDRESS:PORT" (tests, the demo) replaces the broadcast address and, when given, the port; an
// override that does not parse makes the target invalid rather than fall back to broadcasting.
Target ResolveTarget(const QString& overrideText, const QString& profilePort, uint32_t broadcast);

// The override in force: $RIVULET_DISCOVERY_TARGET, else DISCOVERY/TARGET of sys.ini.
QString OverrideSetting();

enum class Outcome
{
    SocketFailed,
    NothingFound,
    Found,
    Stopped
};

using AnswerSink = std::function<void(const QString& ip, const QString& name)>;

// Sends the query and hands every accepted answer to sink until collectMs have passed (counted from
// the send) or *stop turns true. Answers are not merged: a reader heard twice is listed twice.
Outcome Run(const Target& target, const AnswerSink& sink, const std::atomic<bool>* stop = nullptr,
            int collectMs = kCollectMs);

} // namespace Discovery
