// Handles, links and errors: the init calls, open and the two closes, and the error codes.
#include "session.h"

#include "wire/messages_6c.h"

#include <algorithm>
#include <unordered_map>

// The public codes are the library's own and the reader's status bytes.
static_assert(GJB_ERR_BAD_HANDLE == wire::err::BadHandle &&
              GJB_ERR_NOT_CONNECTED == wire::err::NotConnected && GJB_ERR_TIMEOUT == wire::err::Timeout &&
              GJB_ERR_LINK_LOST == wire::err::LinkLost && GJB_ERR_BAD_FRAME == wire::err::BadFrame &&
              GJB_ERR_BAD_ARGUMENT == wire::err::BadArgument &&
              GJB_ERR_BUFFER_TOO_SMALL == wire::err::BufferTooSmall &&
              GJB_ERR_ALREADY_OPEN == wire::err::AlreadyOpen &&
              GJB_ERR_CONNECT_FAILED == wire::err::ConnectFailed &&
              GJB_ERR_NO_REPORT == wire::err::NoReport &&
              GJB_ERR_REPORT_OVERFLOW == wire::err::ReportOverflow);
static_assert(GJB_ERR_UNSUPPORTED_COMMAND == wire::status::UnsupportedCommand &&
              GJB_ERR_BAD_PARAMETER == wire::status::BadParameter &&
              GJB_ERR_WRONG_PASSWORD == wire::status::WrongPassword &&
              GJB_ERR_MEMORY_OVERRUN == wire::status::MemoryOverrun && GJB_ERR_BUSY == wire::status::Busy &&
              GJB_ERR_STORAGE_ERROR == wire::status::StorageError &&
              GJB_ERR_NO_MODULE == wire::status::NoModule && GJB_ERR_BAD_LENGTH == wire::status::BadLength &&
              GJB_ERR_INTERNAL_ERROR == wire::status::InternalError);
static_assert(GJB_REC_ID_LENGTH == wire::gjb::record::IdLength && GJB_REC_ID == wire::gjb::record::Id &&
              GJB_REC_ANTENNA == wire::gjb::record::Antenna && GJB_REC_KIND == wire::gjb::record::Kind &&
              GJB_REC_SEQUENCE == wire::gjb::record::Sequence &&
              GJB_REC_OPERATION == wire::gjb::record::Operation &&
              GJB_REC_INDEX == wire::gjb::record::Index && GJB_REC_STATUS == wire::gjb::record::Status &&
              GJB_REC_WORDS == wire::gjb::record::Words && GJB_REC_DATA == wire::gjb::record::Data &&
              GJB_REC_MAX_SIZE == wire::gjb::record::MaxSize && GJB_REC_MAX_SIZE <= GJB_REPORT_BUFFER_SIZE);

namespace gjbzaltlink {

namespace {

constexpr const char* kCopyright = "gjbzaltlink 1.0.0 (Rivulet)";

std::mutex gRegistryMutex;
std::unordered_map<intptr_t, std::shared_ptr<Session>> gRegistry;
intptr_t gNextHandle = 0x20001;

unsigned char initSession(GJB_HANDLE* handle, Medium m, const char* address, int port, int baud)
{
    if (!handle || !address)
        return 0;
    auto s = std::make_shared<Session>();
    s->medium = m;
    s->address = address;
    s->port = port;
    s->baud = baud;
    if (m == Medium::Serial) {
        if (s->address.empty())
            return 0;
    } else if (!wire::validIpv4(s->address) || port <= 0 || port > 65535) {
        return 0;
    }
    std::lock_guard<std::mutex> lk(gRegistryMutex);
    const intptr_t h = gNextHandle++;
    if (gNextHandle <= 0)
        gNextHandle = 0x20001;
    gRegistry.emplace(h, std::move(s));
    *handle = h;
    return 1;
}

// Takes the session's link away and says goodbye on it; the handle itself is left as it is.
void dropLink(Session& s)
{
    std::shared_ptr<wire::Connection> conn;
    {
        std::lock_guard<std::mutex> lk(s.mutex);
        conn = std::move(s.conn);
    }
    if (conn && !conn->linkLost())
        conn->post(wire::cmd::Bye, {});
}

} // namespace

std::shared_ptr<Session> findSession(intptr_t h)
{
    if (h == 0 || h == -1)
        return nullptr;
    std::lock_guard<std::mutex> lk(gRegistryMutex);
    auto it = gRegistry.find(h);
    return it == gRegistry.end() ? nullptr : it->second;
}

bool begin(intptr_t h, Call& c)
{
    c.session = findSession(h);
    if (!c.session)
        return false;
    c.conn = c.session->connection();
    if (!c.conn) {
        c.fail(err::NotConnected);
        return false;
    }
    if (c.conn->linkLost()) {
        c.fail(err::LinkLost);
        return false;
    }
    return true;
}

unsigned char setError(intptr_t h, int code)
{
    if (auto s = findSession(h))
        s->lastError.store(code);
    return 0;
}

unsigned char badArgument(intptr_t h)
{
    return setError(h, err::BadArgument);
}

size_t cutCopy(const std::vector<uint8_t>& text, unsigned char* buf, size_t capacity)
{
    const size_t n = std::min(text.size(), capacity);
    if (n)
        std::memcpy(buf, text.data(), n);
    return n;
}

} // namespace gjbzaltlink

using namespace gjbzaltlink;

extern "C" {

unsigned char GJB_API GJB_TCPInit(GJB_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Tcp, ip, port, 0);
}

unsigned char GJB_API GJB_COMInit(GJB_HANDLE* handle, int, const char* name, int baud)
{
    return initSession(handle, Medium::Serial, name, 0, baud);
}

unsigned char GJB_API GJB_Open(GJB_HANDLE handle)
{
    auto s = findSession(handle);
    if (!s)
        return 0;
    std::lock_guard<std::mutex> openLock(s->openMutex);
    if (auto old = s->connection(); old && !old->linkLost()) {
        s->lastError.store(err::AlreadyOpen);
        return 0;
    }
    {
        std::lock_guard<std::mutex> lk(s->mutex);
        if (s->closed) {
            s->lastError.store(err::BadHandle);
            return 0;
        }
        s->conn.reset();
    }
    int osError = 0;
    std::unique_ptr<wire::Transport> t = s->medium == Medium::Tcp
                                             ? wire::openTcp(s->address, s->port, kConnectTimeoutMs, &osError)
                                             : wire::openSerial(s->address, s->baud, &osError);
    if (!t) {
        s->lastError.store(err::ConnectFailed);
        return 0;
    }
    auto conn = std::make_shared<wire::Connection>(std::move(t), g::kReportRule);
    Frame a;
    wire::m6c::HelloAnswer hello;
    const int e = conn->request(wire::cmd::Hello, wire::m6c::HelloRequest().encoded(), a, kDefaultTimeoutMs);
    if (e != err::None || a.status != wire::status::Ok || !hello.decode(a.payload) ||
        hello.family != wire::kFamilyGjb) {
        s->lastError.store(err::ConnectFailed);
        return 0;
    }
    conn->resetReportStats();
    std::unique_lock<std::mutex> lk(s->mutex);
    if (s->closed) {
        // Closed while connecting: the handle is gone, and so must the link be.
        lk.unlock();
        conn->post(wire::cmd::Bye, {});
        s->lastError.store(err::BadHandle);
        return 0;
    }
    s->conn = std::move(conn);
    return 1;
}

unsigned char GJB_API GJB_Close(GJB_HANDLE handle)
{
    auto s = findSession(handle);
    if (!s)
        return 0;
    dropLink(*s);
    return 1;
}

unsigned char GJB_API GJB_CloseCON(GJB_HANDLE handle)
{
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lk(gRegistryMutex);
        auto it = gRegistry.find(handle);
        if (it == gRegistry.end() || handle == 0 || handle == -1)
            return 0;
        s = std::move(it->second);
        gRegistry.erase(it);
    }
    {
        std::lock_guard<std::mutex> lk(s->mutex);
        s->closed = true;
    }
    dropLink(*s);
    return 1; // the connection ends when its last user lets go
}

unsigned char GJB_API GJB_GetErrorCode(GJB_HANDLE handle)
{
    auto s = findSession(handle);
    return static_cast<unsigned char>(s ? s->lastError.load() : err::BadHandle);
}

const char* GJB_API GJB_ErrorText(int code)
{
    switch (code) {
    case GJB_ERR_NONE:
        return "no error";
    case GJB_ERR_BAD_HANDLE:
        return "bad handle: closed or never handed out";
    case GJB_ERR_NOT_CONNECTED:
        return "not connected to a reader";
    case GJB_ERR_TIMEOUT:
        return "the reader did not answer in time";
    case GJB_ERR_LINK_LOST:
        return "the link to the reader was lost";
    case GJB_ERR_BAD_FRAME:
        return "the reader's answer was malformed";
    case GJB_ERR_BAD_ARGUMENT:
        return "an argument is out of range";
    case GJB_ERR_BUFFER_TOO_SMALL:
        return "the answer does not fit the buffer";
    case GJB_ERR_ALREADY_OPEN:
        return "the link is already open";
    case GJB_ERR_CONNECT_FAILED:
        return "could not connect to a GJB reader";
    case GJB_ERR_NO_REPORT:
        return "no report arrived";
    case GJB_ERR_REPORT_OVERFLOW:
        return "reports were dropped: the queue was full";
    case GJB_ERR_NOT_SUPPORTED:
        return "the library does not support this function";
    case GJB_ERR_UNSUPPORTED_COMMAND:
        return "the reader does not know the command";
    case GJB_ERR_BAD_PARAMETER:
        return "the reader refused a value";
    case GJB_ERR_WRONG_PASSWORD:
        return "wrong password";
    case GJB_ERR_MEMORY_OVERRUN:
        return "the range lies beyond the record";
    case GJB_ERR_BUSY:
        return "the reader is busy";
    case GJB_ERR_STORAGE_ERROR:
        return "the reader could not store the value";
    case GJB_ERR_NO_MODULE:
        return "the secrecy module is disabled";
    case GJB_ERR_BAD_LENGTH:
        return "a record has the wrong length";
    case GJB_ERR_INTERNAL_ERROR:
        return "the reader failed internally";
    default:
        if (code >= 0x10 && code <= 0xFF)
            return "the reader refused the request";
        return "unknown error";
    }
}

unsigned char GJB_API GJB_Copyright(GJB_HANDLE, char* text)
{
    if (!text)
        return 0;
    std::strncpy(text, kCopyright, 254);
    text[254] = '\0';
    return 1;
}

unsigned char GJB_API GJB_GetReportStats(GJB_HANDLE h, unsigned long long* received, unsigned long long* lost,
                                         unsigned long long* doubled, unsigned long long* overflowed)
{
    Call c;
    c.session = findSession(h);
    if (!c.session)
        return 0;
    c.conn = c.session->connection();
    if (!c.conn)
        return c.fail(err::NotConnected);
    const wire::ReportStats st = c.conn->stats();
    if (received)
        *received = st.received;
    if (lost)
        *lost = st.lost;
    if (doubled)
        *doubled = st.doubled;
    if (overflowed)
        *overflowed = st.overflowed;
    return 1;
}

} // extern "C"
