// zaltlink: the C API over wire::Connection. Handles are registry keys, never pointers, so a stale
// or made-up handle can only miss the registry.
#include "zaltlink.h"

#include "wire/commands.h"
#include "wire/connection.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using wire::Frame;
namespace err = wire::err;
namespace cmd = wire::cmd;

constexpr int kDefaultTimeoutMs = 1000;
constexpr int kSlowTimeoutMs = 3000;
constexpr int kUpdateTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 3000;
constexpr int kReceiveWaitMs = 30;
constexpr int kMaxUserWords = 4462;
constexpr int kMaxRaw = 1024;
constexpr const char* kCopyright = "zaltlink 1.0.0 (Rivulet)";

enum class Medium
{
    Tcp,
    Udp,
    Serial
};

struct Session
{
    Medium medium = Medium::Tcp;
    std::string address;
    int port = 0;
    int baud = 0;
    std::mutex openMutex; // one open at a time; held while connecting
    std::mutex mutex;     // guards conn only, so other calls never wait for a connect
    std::shared_ptr<wire::Connection> conn;
    std::atomic<int> lastError{0};

    std::shared_ptr<wire::Connection> connection()
    {
        std::lock_guard<std::mutex> lk(mutex);
        return conn;
    }
};

std::mutex gRegistryMutex;
std::unordered_map<intptr_t, std::shared_ptr<Session>> gRegistry;
intptr_t gNextHandle = 0x10001;

std::shared_ptr<Session> findSession(intptr_t h)
{
    if (h == 0 || h == -1)
        return nullptr;
    std::lock_guard<std::mutex> lk(gRegistryMutex);
    auto it = gRegistry.find(h);
    return it == gRegistry.end() ? nullptr : it->second;
}

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

// Sends one request; on success the answer payload is in *answer (when given).
unsigned char exchange(intptr_t h, uint8_t command, const std::vector<uint8_t>& payload,
                       std::vector<uint8_t>* answer = nullptr, int timeoutMs = kDefaultTimeoutMs)
{
    Call c;
    if (!begin(h, c))
        return 0;
    Frame a;
    int e = c.conn->request(command, payload, a, timeoutMs);
    if (e != err::None)
        return c.fail(e);
    if (a.status != wire::status::Ok)
        return c.fail(a.status);
    if (answer)
        *answer = std::move(a.payload);
    return 1;
}

unsigned char badArgument(intptr_t h)
{
    if (auto s = findSession(h))
        s->lastError.store(err::BadArgument);
    return 0;
}

unsigned char setError(intptr_t h, int code)
{
    if (auto s = findSession(h))
        s->lastError.store(code);
    return 0;
}

// A query whose answer lands in the caller's buffer, capacity taken from the length byte.
unsigned char query(intptr_t h, uint8_t command, std::vector<uint8_t> payload, unsigned char* buf,
                    unsigned char* len)
{
    if (!buf || !len)
        return badArgument(h);
    std::vector<uint8_t> ans;
    if (!exchange(h, command, payload, &ans))
        return 0;
    if (ans.size() > *len)
        return setError(h, err::BufferTooSmall);
    if (!ans.empty())
        std::memcpy(buf, ans.data(), ans.size());
    *len = static_cast<unsigned char>(ans.size());
    return 1;
}

unsigned char set(intptr_t h, uint8_t command, uint8_t type, const unsigned char* buf, unsigned char len,
                  int timeoutMs = kDefaultTimeoutMs)
{
    if (!buf && len > 0)
        return badArgument(h);
    std::vector<uint8_t> p{type};
    p.insert(p.end(), buf, buf + len);
    return exchange(h, command, p, nullptr, timeoutMs);
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

std::vector<uint8_t> pwd4(const unsigned char* p)
{
    return std::vector<uint8_t>(p, p + 4);
}

int clampTime(int ms)
{
    return std::clamp(ms, 0, 64000);
}

unsigned char startRead(intptr_t h, uint8_t command, unsigned char antenna, unsigned char mode, int value)
{
    Call c;
    if (!begin(h, c))
        return 0;
    // Reports left from an earlier run must not be counted in this one.
    c.conn->clearReports();
    std::vector<uint8_t> p{antenna, mode};
    wire::putU32(p, uint32_t(value));
    return exchange(h, command, p);
}

enum class Want
{
    Epc,
    Tid,
    Both
};

unsigned char receive(intptr_t h, Want want, unsigned char* antenna, unsigned char* bufA, unsigned char* lenA,
                      unsigned char* bufB, unsigned char* lenB)
{
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(kReceiveWaitMs);
    // Callers poll in a tight loop: every failure takes the full wait so such a loop never spins.
    auto idle = [&](unsigned char r) {
        std::this_thread::sleep_until(deadline);
        return r;
    };
    if (!antenna || !bufA || !lenA || (want == Want::Both && (!bufB || !lenB))) {
        badArgument(h);
        return idle(0);
    }
    Call c;
    if (!begin(h, c))
        return idle(0);
    Frame f;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (!c.conn->popReport(f, int(std::max<long>(0, left.count())))) {
            if (c.conn->linkLost())
                c.fail(err::LinkLost);
            return idle(0);
        }
        const std::vector<uint8_t>& p = f.payload;
        if (p.size() < 6)
            continue;
        const uint8_t ant = p[4];
        const uint8_t* first = p.data() + 6;
        const size_t n1 = p[5];
        if (6 + n1 > p.size())
            continue;
        const uint8_t* epc = nullptr;
        const uint8_t* tid = nullptr;
        size_t nEpc = 0, nTid = 0;
        if (f.cmd == cmd::ReportEpc) {
            epc = first;
            nEpc = n1;
        } else if (f.cmd == cmd::ReportTid) {
            tid = first;
            nTid = n1;
        } else {
            epc = first;
            nEpc = n1;
            if (6 + n1 + 1 > p.size() || 6 + n1 + 1 + p[6 + n1] > p.size())
                continue;
            nTid = p[6 + n1];
            tid = p.data() + 6 + n1 + 1;
        }
        if ((want == Want::Epc && !epc) || (want == Want::Tid && !tid))
            continue; // a report of another kind, left from an earlier run
        const uint8_t* dA = want == Want::Tid ? tid : epc;
        const size_t nA = want == Want::Tid ? nTid : nEpc;
        const size_t capA = *lenA ? *lenA : 255;
        const size_t capB = (want == Want::Both && *lenB) ? *lenB : 255;
        if (nA > capA || (want == Want::Both && nTid > capB)) {
            c.fail(err::BufferTooSmall);
            return idle(0);
        }
        *antenna = ant;
        if (nA)
            std::memcpy(bufA, dA, nA);
        *lenA = static_cast<unsigned char>(nA);
        if (want == Want::Both) {
            if (nTid)
                std::memcpy(bufB, tid, nTid);
            *lenB = static_cast<unsigned char>(nTid);
        }
        if (c.conn->takeOverflowFlag())
            c.session->lastError.store(err::ReportOverflow);
        return 1;
    }
}

} // namespace

extern "C" {

unsigned char ZALT_API ZALT_TCPInit(ZALT_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Tcp, ip, port, 0);
}

unsigned char ZALT_API ZALT_UDPInit(ZALT_HANDLE* handle, const char* ip, int port)
{
    return initSession(handle, Medium::Udp, ip, port, 0);
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
        s->conn.reset();
    }
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
    }
    if (!t) {
        s->lastError.store(err::ConnectFailed);
        return 0;
    }
    auto conn = std::make_shared<wire::Connection>(std::move(t));
    Frame a;
    int e = conn->request(cmd::Hello, {wire::kProtocolVersion}, a, kDefaultTimeoutMs);
    if (e != err::None || a.status != wire::status::Ok || a.payload.size() < 2 ||
        a.payload[1] != wire::kFamily6C) {
        s->lastError.store(err::ConnectFailed);
        return 0;
    }
    conn->resetReportStats();
    std::lock_guard<std::mutex> lk(s->mutex);
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
    {
        std::lock_guard<std::mutex> lk(s->mutex);
        conn = std::move(s->conn);
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

unsigned char ZALT_API ZALT_Copyright(ZALT_HANDLE*, char* text)
{
    if (!text)
        return 0;
    std::strncpy(text, kCopyright, 254);
    text[254] = '\0';
    return 1;
}

unsigned char ZALT_API ZALT_SysInfQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                        unsigned char* len)
{
    return query(h, cmd::SysInfQuery, {type}, buf, len);
}

unsigned char ZALT_API ZALT_SysInfSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                      unsigned char len)
{
    return set(h, cmd::SysInfSet, type, buf, len);
}

unsigned char ZALT_API ZALT_ParmOp(ZALT_HANDLE h, unsigned char op, unsigned char address,
                                   unsigned char count, unsigned char* buf, unsigned char* len)
{
    std::vector<uint8_t> p;
    p.reserve(3 + size_t(count));
    p.push_back(op);
    p.push_back(address);
    p.push_back(count);
    switch (op) {
    case 0:
        return exchange(h, cmd::ParmOp, p, nullptr, kSlowTimeoutMs);
    case 1:
        if (count > 0 && !buf)
            return badArgument(h);
        p.insert(p.end(), buf, buf + count);
        return exchange(h, cmd::ParmOp, p);
    case 2: {
        if (!buf || !len)
            return badArgument(h);
        if (count > *len)
            return setError(h, err::BufferTooSmall);
        std::vector<uint8_t> ans;
        if (!exchange(h, cmd::ParmOp, p, &ans))
            return 0;
        if (ans.size() != count)
            return setError(h, err::BadFrame);
        if (count)
            std::memcpy(buf, ans.data(), count);
        *len = count;
        return 1;
    }
    default:
        return badArgument(h);
    }
}

unsigned char ZALT_API ZALT_Reboot(ZALT_HANDLE h, unsigned char mode)
{
    return exchange(h, cmd::Reboot, {mode}, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_Updata(ZALT_HANDLE h, unsigned char type, int fileSize,
                                   const unsigned int* checksum, int nameLen, const unsigned char* name)
{
    if (!checksum || fileSize < 0 || nameLen < 0 || nameLen > 254 || (nameLen > 0 && !name))
        return badArgument(h);
    std::vector<uint8_t> p{type};
    wire::putU32(p, uint32_t(fileSize));
    const auto* c = reinterpret_cast<const uint8_t*>(checksum);
    p.insert(p.end(), c, c + 4);
    p.push_back(uint8_t(nameLen));
    p.insert(p.end(), name, name + nameLen);
    return exchange(h, cmd::Updata, p, nullptr, kUpdateTimeoutMs);
}

unsigned char ZALT_API ZALT_ReaderTimeQuery(ZALT_HANDLE h, unsigned char* buf, unsigned char* len)
{
    return query(h, cmd::TimeQuery, {}, buf, len);
}

unsigned char ZALT_API ZALT_SetReaderTime(ZALT_HANDLE h, const unsigned char* record, unsigned char len)
{
    if (!record || len != 7)
        return badArgument(h);
    return exchange(h, cmd::TimeSet, std::vector<uint8_t>(record, record + 7));
}

unsigned char ZALT_API ZALT_PowerOff(ZALT_HANDLE h)
{
    return exchange(h, cmd::PowerOff, {});
}

unsigned char ZALT_API ZALT_EnterTrans(ZALT_HANDLE h, unsigned char mode)
{
    return exchange(h, cmd::EnterTrans, {mode});
}

unsigned char ZALT_API ZALT_CommunicatParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                                unsigned char* len)
{
    return query(h, cmd::CommQuery, {type}, buf, len);
}

unsigned char ZALT_API ZALT_CommunicatParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                              unsigned char len)
{
    return set(h, cmd::CommSet, type, buf, len);
}

unsigned char ZALT_API ZALT_NetParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                         unsigned char* len)
{
    return query(h, cmd::NetQuery, {type}, buf, len);
}

unsigned char ZALT_API ZALT_NetParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                       unsigned char len)
{
    return set(h, cmd::NetSet, type, buf, len);
}

unsigned char ZALT_API ZALT_AntennaParmQuery(ZALT_HANDLE h, unsigned char antenna, unsigned char* enabled,
                                             unsigned char* power, unsigned char* dwell)
{
    if (!enabled || !power || !dwell || antenna < 1 || antenna > 4)
        return badArgument(h);
    std::vector<uint8_t> ans;
    if (!exchange(h, cmd::AntennaQuery, {antenna}, &ans))
        return 0;
    if (ans.size() != 3)
        return setError(h, err::BadFrame);
    *enabled = ans[0];
    *power = ans[1];
    *dwell = ans[2];
    return 1;
}

unsigned char ZALT_API ZALT_AntennaParmSet(ZALT_HANDLE h, const unsigned char* record, unsigned char len)
{
    if (!record || len == 0)
        return badArgument(h);
    return exchange(h, cmd::AntennaSet, std::vector<uint8_t>(record, record + len));
}

unsigned char ZALT_API ZALT_RFParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                        unsigned char* len)
{
    return query(h, cmd::RfQuery, {type}, buf, len);
}

unsigned char ZALT_API ZALT_RFParaSet(ZALT_HANDLE h, unsigned char type, unsigned char count,
                                      const unsigned char* buf)
{
    if (count > 0 && !buf)
        return badArgument(h);
    std::vector<uint8_t> p{type, count};
    p.insert(p.end(), buf, buf + count);
    return exchange(h, cmd::RfSet, p);
}

unsigned char ZALT_API ZALT_CarrierWaveOp(ZALT_HANDLE h, unsigned char op, unsigned char antenna)
{
    return exchange(h, cmd::Carrier, {op, antenna});
}

unsigned char ZALT_API ZALT_TagOpParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                           unsigned char* len)
{
    return query(h, cmd::TagOpQuery, {type}, buf, len);
}

unsigned char ZALT_API ZALT_TagOpParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                         unsigned char len)
{
    return set(h, cmd::TagOpSet, type, buf, len);
}

unsigned char ZALT_API ZALT_IOOperate(ZALT_HANDLE h, unsigned char port, unsigned char action)
{
    return exchange(h, cmd::IoOperate, {port, action});
}

unsigned char ZALT_API ZALT_IOStateQuery(ZALT_HANDLE h, unsigned char* state)
{
    if (!state)
        return badArgument(h);
    std::vector<uint8_t> ans;
    if (!exchange(h, cmd::IoStateQuery, {}, &ans))
        return 0;
    if (ans.size() != 2)
        return setError(h, err::BadFrame);
    state[0] = ans[0];
    state[1] = ans[1];
    return 1;
}

static unsigned char queryOneByte(intptr_t h, uint8_t command, std::vector<uint8_t> p, unsigned char* out)
{
    if (!out)
        return badArgument(h);
    std::vector<uint8_t> ans;
    if (!exchange(h, command, p, &ans))
        return 0;
    if (ans.size() != 1)
        return setError(h, err::BadFrame);
    *out = ans[0];
    return 1;
}

unsigned char ZALT_API ZALT_Reading_IOQuery(ZALT_HANDLE h, unsigned char* setting)
{
    return queryOneByte(h, cmd::ReadingIoQuery, {}, setting);
}

unsigned char ZALT_API ZALT_Reading_IOConfig(ZALT_HANDLE h, unsigned char setting)
{
    return exchange(h, cmd::ReadingIoConfig, {setting});
}

unsigned char ZALT_API ZALT_IOPulseWidthQuery(ZALT_HANDLE h, unsigned char port, unsigned char* width)
{
    return queryOneByte(h, cmd::PulseQuery, {port}, width);
}

unsigned char ZALT_API ZALT_IOPulseWidthSet(ZALT_HANDLE h, unsigned char port, int width)
{
    if (width < 0 || width > 255)
        return badArgument(h);
    return exchange(h, cmd::PulseSet, {port, uint8_t(width)});
}

unsigned char ZALT_API ZALT_FlashTotalCountQuery(ZALT_HANDLE h, unsigned char* buf, unsigned char* len)
{
    return query(h, cmd::FlashCount, {}, buf, len);
}

unsigned char ZALT_API ZALT_ClearFlash(ZALT_HANDLE h)
{
    return exchange(h, cmd::FlashClear, {}, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CReadEPCCode(ZALT_HANDLE h, unsigned char antenna, unsigned char mode, int value)
{
    return startRead(h, cmd::ReadEpc, antenna, mode, value);
}

unsigned char ZALT_API ZALT_6CReadTIDCode(ZALT_HANDLE h, unsigned char antenna, unsigned char mode, int value)
{
    return startRead(h, cmd::ReadTid, antenna, mode, value);
}

unsigned char ZALT_API ZALT_6CReadEPCTIDCode(ZALT_HANDLE h, unsigned char antenna, unsigned char mode,
                                             int value)
{
    return startRead(h, cmd::ReadEpcTid, antenna, mode, value);
}

unsigned char ZALT_API ZALT_6CRevEPCMsg(ZALT_HANDLE h, unsigned char* antenna, unsigned char* epc,
                                        unsigned char* epcLen)
{
    return receive(h, Want::Epc, antenna, epc, epcLen, nullptr, nullptr);
}

unsigned char ZALT_API ZALT_6CRevTIDMsg(ZALT_HANDLE h, unsigned char* antenna, unsigned char* tid,
                                        unsigned char* tidLen)
{
    return receive(h, Want::Tid, antenna, tid, tidLen, nullptr, nullptr);
}

unsigned char ZALT_API ZALT_6CRevEPCTIDMsg(ZALT_HANDLE h, unsigned char* antenna, unsigned char* epc,
                                           unsigned char* epcLen, unsigned char* tid, unsigned char* tidLen)
{
    return receive(h, Want::Both, antenna, epc, epcLen, tid, tidLen);
}

unsigned char ZALT_API ZALT_6CTagSelect(ZALT_HANDLE h, unsigned char bank, int startBits, int lengthBits,
                                        const unsigned char* data, unsigned char count, unsigned char r1,
                                        unsigned char r2, unsigned char r3)
{
    if (startBits < 0 || startBits > 0xFFFF || lengthBits < 0 || lengthBits > 0xFFFF || (count > 0 && !data))
        return badArgument(h);
    std::vector<uint8_t> p{bank};
    wire::putU16(p, uint16_t(startBits));
    wire::putU16(p, uint16_t(lengthBits));
    p.push_back(count);
    p.insert(p.end(), data, data + count);
    p.push_back(r1);
    p.push_back(r2);
    p.push_back(r3);
    return exchange(h, cmd::TagSelect, p, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CReadUserData(ZALT_HANDLE h, unsigned char antenna, int start, int words,
                                           int timeMs, unsigned char* buf, int* len)
{
    if (!buf || !len || start < 0 || start > 0xFFFF || words < 1 || words > kMaxUserWords)
        return badArgument(h);
    if (*len < words * 2)
        return setError(h, err::BufferTooSmall);
    std::vector<uint8_t> p{antenna};
    wire::putU16(p, uint16_t(start));
    wire::putU16(p, uint16_t(words));
    wire::putU32(p, uint32_t(clampTime(timeMs)));
    std::vector<uint8_t> ans;
    if (!exchange(h, cmd::ReadUser, p, &ans, clampTime(timeMs) + 1000))
        return 0;
    if (ans.size() < 2)
        return setError(h, err::BadFrame);
    const int got = wire::getU16(ans.data());
    if (ans.size() != size_t(2 + got * 2))
        return setError(h, err::BadFrame);
    if (got * 2 > *len)
        return setError(h, err::BufferTooSmall);
    if (got)
        std::memcpy(buf, ans.data() + 2, size_t(got) * 2);
    *len = got;
    return 1;
}

unsigned char ZALT_API ZALT_6CWriteUserData(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                            const unsigned char* password, int start, int timeMs,
                                            const unsigned char* data, int* words)
{
    if (!password || !data || !words || start < 0 || start > 0xFFFF || *words < 1 || *words > kMaxUserWords)
        return badArgument(h);
    std::vector<uint8_t> p{antenna, reserved};
    auto pw = pwd4(password);
    p.insert(p.end(), pw.begin(), pw.end());
    wire::putU16(p, uint16_t(start));
    wire::putU32(p, uint32_t(clampTime(timeMs)));
    wire::putU16(p, uint16_t(*words));
    p.insert(p.end(), data, data + size_t(*words) * 2);
    std::vector<uint8_t> ans;
    if (!exchange(h, cmd::WriteUser, p, &ans, clampTime(timeMs) + 1000))
        return 0;
    if (ans.size() != 2)
        return setError(h, err::BadFrame);
    *words = wire::getU16(ans.data());
    return 1;
}

unsigned char ZALT_API ZALT_6CWriteEPCCode(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                           const unsigned char* password, const unsigned char* data,
                                           unsigned char count)
{
    if (!password || (count > 0 && !data))
        return badArgument(h);
    std::vector<uint8_t> p{antenna, reserved};
    auto pw = pwd4(password);
    p.insert(p.end(), pw.begin(), pw.end());
    p.push_back(count);
    p.insert(p.end(), data, data + count);
    return exchange(h, cmd::WriteEpc, p, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CTagLock(ZALT_HANDLE h, unsigned char antenna, const unsigned char* password,
                                      unsigned char op, unsigned char area)
{
    if (!password)
        return badArgument(h);
    std::vector<uint8_t> p{antenna};
    auto pw = pwd4(password);
    p.insert(p.end(), pw.begin(), pw.end());
    p.push_back(op);
    p.push_back(area);
    return exchange(h, cmd::TagLock, p, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CTagKill(ZALT_HANDLE h, unsigned char antenna, const unsigned char* password,
                                      const unsigned char* epc, unsigned char count)
{
    if (!password || (count > 0 && !epc))
        return badArgument(h);
    std::vector<uint8_t> p{antenna};
    auto pw = pwd4(password);
    p.insert(p.end(), pw.begin(), pw.end());
    p.push_back(count);
    p.insert(p.end(), epc, epc + count);
    return exchange(h, cmd::TagKill, p, nullptr, kSlowTimeoutMs);
}

static unsigned char passwordSet(intptr_t h, uint8_t command, unsigned char antenna, unsigned char reserved,
                                 const unsigned char* oldPw, const unsigned char* newPw)
{
    if (!oldPw || !newPw)
        return badArgument(h);
    std::vector<uint8_t> p{antenna, reserved};
    p.insert(p.end(), oldPw, oldPw + 4);
    p.insert(p.end(), newPw, newPw + 4);
    return exchange(h, command, p, nullptr, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CAccessPWDSet(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                           const unsigned char* oldPassword, const unsigned char* newPassword)
{
    return passwordSet(h, cmd::AccessPwdSet, antenna, reserved, oldPassword, newPassword);
}

unsigned char ZALT_API ZALT_6CDestroyPWDSet(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                            const unsigned char* oldPassword,
                                            const unsigned char* newPassword)
{
    return passwordSet(h, cmd::KillPwdSet, antenna, reserved, oldPassword, newPassword);
}

unsigned char ZALT_API ZALT_RawSendData(ZALT_HANDLE h, const unsigned char* data, int len)
{
    if (!data || len < 1 || len > kMaxRaw)
        return badArgument(h);
    return exchange(h, cmd::RawSend, std::vector<uint8_t>(data, data + len));
}

unsigned char ZALT_API ZALT_RawRevData(ZALT_HANDLE h, unsigned char* buf, unsigned char* len, int timeoutMs)
{
    if (!buf || !len)
        return badArgument(h);
    Call c;
    if (!begin(h, c)) {
        // Keep polling callers from spinning on a dead handle.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReceiveWaitMs));
        return 0;
    }
    const size_t cap = *len ? *len : 255;
    size_t n = c.conn->popRaw(buf, cap, std::clamp(timeoutMs, 0, 60000));
    if (n == 0) {
        c.fail(c.conn->linkLost() ? err::LinkLost : err::Timeout);
        return 0;
    }
    *len = static_cast<unsigned char>(n);
    return 1;
}

unsigned char ZALT_API ZALT_RawSendAndRevData(ZALT_HANDLE h, const unsigned char* data, int len,
                                              unsigned char* buf, unsigned char* bufLen, int timeoutMs)
{
    if (!ZALT_RawSendData(h, data, len))
        return 0;
    return ZALT_RawRevData(h, buf, bufLen, timeoutMs);
}

unsigned char ZALT_API ZALT_GetReportStats(ZALT_HANDLE h, unsigned long long* received,
                                           unsigned long long* lost, unsigned long long* doubled,
                                           unsigned long long* overflowed)
{
    Call c;
    c.session = findSession(h);
    if (!c.session)
        return 0;
    c.conn = c.session->connection();
    if (!c.conn)
        return c.fail(err::NotConnected);
    auto st = c.conn->stats();
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
