#pragma once

// A transport for the module's commands without a reader: it records what is sent and hands out
// scripted reply pieces, one per receive call, on a clock of its own that a failed receive moves on
// by its wait. Shared by the unit tests and the fuzz target.

#include "WifiCommands.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

class FakeNetProc : public atbridge::INetDataProc
{
public:
    std::deque<std::string> stale;   // already queued before the command is sent
    std::deque<std::string> replies; // arrive after the command, a piece per receive call
    std::string sent;
    int sends = 0;
    int receives = 0;
    int64_t clock = 0;
    bool failSend = false;
    bool failAtOnce = false; // a receive fails without taking any time (a link that is gone)
    bool endless = false;    // the reply never ends: every receive gets more bytes

    bool SendData(atbridge::Handle, const unsigned char* bytes, int32_t count) override
    {
        ++sends;
        if (failSend) {
            return false;
        }
        sent.append(reinterpret_cast<const char*>(bytes), size_t(count));
        return true;
    }

    bool RecvData(atbridge::Handle, unsigned char* buffer, unsigned char* length, int32_t waitMs) override
    {
        ++receives;
        std::deque<std::string>& queue = sends ? replies : stale;
        if (!queue.empty()) {
            give(queue.front(), buffer, length);
            queue.pop_front();
            return true;
        }
        if (sends && endless) {
            give(std::string(255, 'x'), buffer, length);
            return true;
        }
        if (!failAtOnce) {
            clock += waitMs;
        }
        return false;
    }

    bool SendAndRecvData(atbridge::Handle h, const unsigned char* bytes, int32_t count, unsigned char* buffer,
                         unsigned char* length, int32_t waitMs) override
    {
        return SendData(h, bytes, count) && RecvData(h, buffer, length, waitMs);
    }

    atbridge::Bridge bridge()
    {
        atbridge::Bridge b;
        b.proc = this;
        b.nowMs = [this] { return clock; };
        b.sleepMs = [this](int ms) { clock += ms; };
        return b;
    }

private:
    static void give(const std::string& piece, unsigned char* buffer, unsigned char* length)
    {
        const size_t n = std::min<size_t>(piece.size(), *length);
        std::memcpy(buffer, piece.data(), n);
        *length = static_cast<unsigned char>(n);
    }
};
