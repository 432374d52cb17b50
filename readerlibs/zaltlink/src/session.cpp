// Handles, links and errors: the init calls, open and close, and the error codes.
#include "session.h"

#include "llrp_link.h"

#include <cerrno>
#include <unordered_map>

// The public codes are the library's own and the reader's status bytes.
static_assert(ZALT_ERR_BAD_HANDLE == wire::err::BadHandle &&
              ZALT_ERR_NOT_CONNECTED == wire::err::NotConnected && ZALT_ERR_TIMEOUT == wire::err::Timeout &&
              ZALT_ERR_LINK_LOST == wire::err::LinkLost && ZALT_ERR_BAD_FRAME == wire::err::BadFrame &&
              ZALT_ERR_BAD_ARGUMENT == wire::err::BadArgument &&
              ZALT_ERR_BUFFER_TOO_SMALL == wire::err::BufferTooSmall &&
              ZALT_ERR_ALREADY_OPEN == wire::err::AlreadyOpen &&
              ZALT_ERR_CONNECT_FAILED == wire::err::ConnectFailed &&
              ZALT_ERR_NO_REPORT == wire::err::NoReport &&
              ZALT_ERR_REPORT_OVERFLOW == wire::err::ReportOverflow &&
              ZALT_ERR_CONNECT_REFUSED == wire::err::ConnectRefused &&
              ZALT_ERR_CONNECT_TIMED_OUT == wire::err::ConnectTimedOut &&
              ZALT_ERR_NO_SUCH_DEVICE == wire::err::NoSuchDevice &&
              ZALT_ERR_PERMISSION_DENIED == wire::err::PermissionDenied);
static_assert(ZALT_ERR_UNSUPPORTED_COMMAND == wire::status::UnsupportedCommand &&
              ZALT_ERR_BAD_PARAMETER == wire::status::BadParameter &&
              ZALT_ERR_TAG_NOT_FOUND == wire::status::TagNotFound &&
              ZALT_ERR_WRONG_PASSWORD == wire::status::WrongPassword &&
              ZALT_ERR_MEMORY_LOCKED == wire::status::MemoryLocked &&
              ZALT_ERR_MEMORY_OVERRUN == wire::status::MemoryOverrun &&
              ZALT_ERR_NO_TAG_SELECTED == wire::status::NoTagSelected &&
              ZALT_ERR_BUSY == wire::status::Busy && ZALT_ERR_STORAGE_ERROR == wire::status::StorageError &&
              ZALT_ERR_NO_MODULE == wire::status::NoModule &&
              ZALT_ERR_BAD_LENGTH == wire::status::BadLength &&
              ZALT_ERR_INTERNAL_ERROR == wire::status::InternalError);

namespace zaltlink {

namespace {

constexpr const char* kCopyright = "zaltlink 1.0.0 (Rivulet)";

// What the system said about an open that failed, as the caller's error code.
int openError(int osError)
{
    switch (osError) {
    case ECONNREFUSED:
        return err::ConnectRefused;
    case ETIMEDOUT:
        return err::ConnectTimedOut;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return err::NoSuchDevice;
    case EACCES:
    case EPERM:
        return err::PermissionDenied;
    default:
        return err::ConnectFailed;
    }
}

std::mutex gRegistryMutex;
std::unordered_map<intptr_t, std::shared_ptr<Session>> gRegistry;
intptr_t gNextHandle = 0x10001;

unsigned char addSession(ZALT_HANDLE* handle, std::shared_ptr<Session> s)
{
    std::lock_guard<std::mutex> lk(gRegistryMutex);
    intptr_t h = gNextHandle++;
    if (gNextHandle <= 0)
        gNextHandle = 0x10001;
    gRegistry.emplace(h, std::move(s));
    *handle = h;
    return 1;
}

unsigned char initSession(ZALT_HANDLE* handle, Medium m, const char* address, int port, int baud)
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
    return addSession(handle, std::move(s));
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

std::shared_ptr<Session> llrpSession(intptr_t h)
{
    auto s = findSession(h);
    return s && s->medium == Medium::Llrp ? s : nullptr;
}

bool begin(intptr_t h, Call& c)
{
    c.session = findSession(h);
    if (!c.session)
        return false;
    if (c.session->medium == Medium::Llrp) {
        c.fail(c.session->llrpLink() ? int(ZALT_ERR_UNSUPPORTED_COMMAND) : int(err::NotConnected));
        return false;
    }
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

// The answer lands in the caller's buffer, whose capacity is the length byte.
unsigned char copyOut(intptr_t h, const std::vector<uint8_t>& bytes, unsigned char* buf, unsigned char* len)
{
    if (bytes.size() > *len)
        return setError(h, err::BufferTooSmall);
    if (!bytes.empty())
        std::memcpy(buf, bytes.data(), bytes.size());
    *len = static_cast<unsigned char>(bytes.size());
    return 1;
}

} // namespace zaltlink

using namespace zaltlink;

extern "C" {

unsigned char ZALT_API ZALT_TCPInit(ZALT_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Tcp, ip, port, 0);
}

unsigned char ZALT_API ZALT_UDPInit(ZALT_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Udp, ip, port, 0);
}

unsigned char ZALT_API ZALT_LLRPInit(ZALT_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Llrp, ip, port, 0);
}

unsigned char ZALT_API ZALT_COMInit(ZALT_HANDLE* handle, int, const char* name, int baud)
{
    return initSession(handle, Medium::Serial, name, 0, baud);
}

unsigned char ZALT_API ZALT_USBInit(ZALT_HANDLE* handle, int, const char* name, int param)
{
    // A USB reader is a USB-serial device.
    return initSession(handle, Medium::Serial, name, 0, param);
}

unsigned char ZALT_API ZALT_Open(ZALT_HANDLE handle)
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
    if (s->medium == Medium::Llrp)
        return llrpOpen(*s);
    int osError = 0;
    std::unique_ptr<wire::Transport> t;
    switch (s->medium) {
    case Medium::Tcp:
        t = wire::openTcp(s->address, s->port, kConnectTimeoutMs, &osError);
        break;
    case Medium::Udp:
        t = wire::openUdp(s->address, s->port, &osError);
        break;
    case Medium::Serial:
        t = wire::openSerial(s->address, s->baud, &osError);
        break;
    case Medium::Llrp: // opened above
        break;
    }
    if (!t) {
        s->lastError.store(openError(osError));
        return 0;
    }
    auto conn = std::make_shared<wire::Connection>(std::move(t), m6c::kReportRule);
    Frame a;
    m6c::HelloAnswer hello;
    int e = conn->request(cmd::Hello, m6c::HelloRequest().encoded(), a, kDefaultTimeoutMs);
    if (e != err::None || a.status != wire::status::Ok || !hello.decode(a.payload) ||
        hello.family != wire::kFamily6C) {
        // Over UDP a closed port shows only now, as a refused datagram that ends the link.
        s->lastError.store(e == err::Timeout    ? err::ConnectTimedOut
                           : e == err::LinkLost ? err::ConnectRefused
                                                : err::ConnectFailed);
        return 0;
    }
    conn->resetReportStats();
    std::unique_lock<std::mutex> lk(s->mutex);
    if (s->closed) {
        // Closed while connecting: the handle is gone, and so must the link be.
        lk.unlock();
        conn->post(cmd::Bye, {});
        s->lastError.store(err::BadHandle);
        return 0;
    }
    s->conn = std::move(conn);
    return 1;
}

unsigned char ZALT_API ZALT_Close(ZALT_HANDLE handle)
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
    std::shared_ptr<wire::Connection> conn;
    std::shared_ptr<LlrpLink> llrp; // says goodbye to the reader when the last user lets go
    {
        std::lock_guard<std::mutex> lk(s->mutex);
        s->closed = true;
        conn = std::move(s->conn);
        llrp = std::move(s->llrp);
    }
    if (conn && !conn->linkLost())
        conn->post(cmd::Bye, {});
    return 1; // the connection ends when its last user lets go
}

unsigned char ZALT_API ZALT_GetErrorCode(ZALT_HANDLE handle, int* code)
{
    if (!code)
        return 0;
    auto s = findSession(handle);
    *code = s ? s->lastError.load() : err::BadHandle;
    return 1;
}

const char* ZALT_API ZALT_ErrorText(int code)
{
    switch (code) {
    case ZALT_ERR_NONE:
        return "no error";
    case ZALT_ERR_BAD_HANDLE:
        return "bad handle: closed or never handed out";
    case ZALT_ERR_NOT_CONNECTED:
        return "not connected to a reader";
    case ZALT_ERR_TIMEOUT:
        return "the reader did not answer in time";
    case ZALT_ERR_LINK_LOST:
        return "the link to the reader was lost";
    case ZALT_ERR_BAD_FRAME:
        return "the reader's answer was malformed";
    case ZALT_ERR_BAD_ARGUMENT:
        return "an argument is out of range";
    case ZALT_ERR_BUFFER_TOO_SMALL:
        return "the answer does not fit the buffer";
    case ZALT_ERR_ALREADY_OPEN:
        return "the link is already open";
    case ZALT_ERR_CONNECT_FAILED:
        return "could not connect to the reader";
    case ZALT_ERR_NO_REPORT:
        return "no tag report arrived";
    case ZALT_ERR_REPORT_OVERFLOW:
        return "tag reports were dropped: the queue was full";
    case ZALT_ERR_CONNECT_REFUSED:
        return "connection refused";
    case ZALT_ERR_CONNECT_TIMED_OUT:
        return "connection timed out";
    case ZALT_ERR_NO_SUCH_DEVICE:
        return "no such device";
    case ZALT_ERR_PERMISSION_DENIED:
        return "permission denied";
    case ZALT_ERR_UNSUPPORTED_COMMAND:
        return "the reader does not know the command";
    case ZALT_ERR_BAD_PARAMETER:
        return "the reader refused a value";
    case ZALT_ERR_TAG_NOT_FOUND:
        return "no tag answered";
    case ZALT_ERR_WRONG_PASSWORD:
        return "wrong password";
    case ZALT_ERR_MEMORY_LOCKED:
        return "the tag's memory is locked";
    case ZALT_ERR_MEMORY_OVERRUN:
        return "the address range lies beyond the memory";
    case ZALT_ERR_NO_TAG_SELECTED:
        return "no tag is selected";
    case ZALT_ERR_BUSY:
        return "the reader is busy";
    case ZALT_ERR_STORAGE_ERROR:
        return "the reader could not store the value";
    case ZALT_ERR_NO_MODULE:
        return "no Wi-Fi module, or pass-through not entered";
    case ZALT_ERR_BAD_LENGTH:
        return "a record has the wrong length";
    case ZALT_ERR_INTERNAL_ERROR:
        return "the reader failed internally";
    default:
        if (code >= 0x10 && code <= 0xFF)
            return "the reader refused the request";
        return "unknown error";
    }
}

unsigned char ZALT_API ZALT_Copyright(ZALT_HANDLE*, char* text)
{
    if (!text)
        return 0;
    std::strncpy(text, kCopyright, 254);
    text[254] = '\0';
    return 1;
}

} // extern "C"
