// What the calls of gjbzaltlink share: the registry of handles and their sessions, and the way one
// request goes out and its answer comes back through the GJB messages (wire/messages_gjb.h). The same
// pattern as zaltlink's, on the GJB family's report rule.
#pragma once

#include "gjbzaltlink.h"

#include "wire/commands.h"
#include "wire/connection.h"
#include "wire/messages_gjb.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gjbzaltlink {

namespace err = wire::err;
namespace g = wire::gjb;
using wire::Frame;

constexpr int kDefaultTimeoutMs = 1000;
constexpr int kSlowTimeoutMs = 3000;
constexpr int kConnectTimeoutMs = 3000;

enum class Medium
{
    Tcp,
    Serial
};

struct Session
{
    Medium medium = Medium::Tcp;
    std::string address;
    int port = 0;
    int baud = 0;
    std::mutex openMutex; // one open at a time; held while connecting
    std::mutex mutex;     // guards conn and closed only, so other calls never wait for a connect
    std::shared_ptr<wire::Connection> conn;
    bool closed = false; // GJB_CloseCON took the handle away; an open still connecting must not store
    std::atomic<int> lastError{0};

    std::shared_ptr<wire::Connection> connection()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return conn;
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

// False (with the handle's error set when it has a session) when the handle has no live link.
bool begin(intptr_t h, Call& c);
// Sets the handle's last error; returns 0, the failing result.
unsigned char setError(intptr_t h, int code);
unsigned char badArgument(intptr_t h);

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
    const int e = c.conn->request(command, request.encoded(), a, timeoutMs);
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

// Copies up to `capacity` bytes of text into buf; the count copied.
size_t cutCopy(const std::vector<uint8_t>& text, unsigned char* buf, size_t capacity);

} // namespace gjbzaltlink
