// What the calls of zaltlink share: the registry of handles and their sessions, and the way one
// request goes out and its answer comes back through the 6C messages (wire/messages_6c.h).
#pragma once

#include "zaltlink.h"
#include "zaltlink_llrp.h"

#include "wire/commands.h"
#include "wire/connection.h"
#include "wire/messages_6c.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zaltlink {

namespace cmd = wire::cmd;
namespace err = wire::err;
namespace m6c = wire::m6c;
using wire::Frame;

constexpr int kDefaultTimeoutMs = 1000;
constexpr int kSlowTimeoutMs = 3000;
constexpr int kUpdateTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 3000;

enum class Medium
{
    Tcp,
    Udp,
    Serial,
    Llrp // an LLRP reader (llrp_link.h); the calls without an LLRP meaning fail with UnsupportedCommand
};

class LlrpLink;

struct Session
{
    Medium medium = Medium::Tcp;
    std::string address;
    int port = 0;
    int baud = 0;
    std::mutex openMutex; // one open at a time; held while connecting
    std::mutex mutex;     // guards conn and closed only, so other calls never wait for a connect
    std::shared_ptr<wire::Connection> conn;
    std::shared_ptr<LlrpLink> llrp; // instead of conn, on an LLRP reader
    bool closed = false; // ZALT_Close took the handle away; an open still connecting must not store
    std::atomic<int> lastError{0};
    static constexpr int kNoRssi = INT32_MIN;
    std::atomic<int> lastRssi{kNoRssi}; // of the report the last receive call delivered

    std::shared_ptr<wire::Connection> connection()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return conn;
    }
    std::shared_ptr<LlrpLink> llrpLink()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return llrp;
    }
};

// The live session of a handle, or null for an unknown, closed, 0 or -1 handle.
std::shared_ptr<Session> findSession(intptr_t h);

// One call in progress: the session and its live connection, or the reason there is none.
struct Call
{
    std::shared_ptr<Session> session;
    std::shared_ptr<wire::Connection> conn;

    unsigned char fail(int code)
    {
        if (session)
            session->lastError.store(code);
        return 0;
    }
};

// The session of a handle on an LLRP reader, or null for any other handle.
std::shared_ptr<Session> llrpSession(intptr_t h);

// False (with the handle's error set when it has a session) when the handle has no live link. On an
// LLRP reader a call that reaches here has no LLRP meaning: UnsupportedCommand.
bool begin(intptr_t h, Call& c);
// Sets the handle's last error; returns 0, the failing result.
unsigned char setError(intptr_t h, int code);
unsigned char badArgument(intptr_t h);
// The answer lands in the caller's buffer, whose capacity is the length byte.
unsigned char copyOut(intptr_t h, const std::vector<uint8_t>& bytes, unsigned char* buf, unsigned char* len);

// Sends one request and decodes its answer into *answer (when given); an answer that does not decode
// is a bad frame.
template <class Request, class Answer>
unsigned char exchangeFor(intptr_t h, uint8_t command, const Request& request, Answer* answer,
                          int timeoutMs = kDefaultTimeoutMs)
{
    Call c;
    if (!begin(h, c))
        return 0;
    Frame a;
    int e = c.conn->request(command, request.encoded(), a, timeoutMs);
    if (e != err::None)
        return c.fail(e);
    if (a.status != wire::status::Ok)
        return c.fail(a.status);
    if (answer && !answer->decode(a.payload))
        return c.fail(err::BadFrame);
    return 1;
}

// A request whose answer carries nothing the caller wants.
template <class Request>
unsigned char exchange(intptr_t h, uint8_t command, const Request& request, int timeoutMs = kDefaultTimeoutMs)
{
    return exchangeFor(h, command, request, static_cast<wire::Empty*>(nullptr), timeoutMs);
}

template <class Request>
unsigned char query(intptr_t h, uint8_t command, const Request& request, unsigned char* buf,
                    unsigned char* len)
{
    if (!buf || !len)
        return badArgument(h);
    wire::Record answer;
    if (!exchangeFor(h, command, request, &answer))
        return 0;
    return copyOut(h, answer.bytes, buf, len);
}

} // namespace zaltlink
