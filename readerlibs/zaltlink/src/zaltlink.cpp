// The reader's commands: one request each, built and read with the 6C messages.
#include "llrp_link.h"
#include "session.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zaltlink {

namespace {

constexpr int kReceiveWaitMs = 30;
constexpr int kMaxUserWords = 4462;
constexpr int kMaxRaw = 1024;

unsigned char typeQuery(intptr_t h, uint8_t command, uint8_t type, unsigned char* buf, unsigned char* len)
{
    m6c::TypeRequest r;
    r.type = type;
    return query(h, command, r, buf, len);
}

unsigned char typedSet(intptr_t h, uint8_t command, uint8_t type, const unsigned char* buf, unsigned char len)
{
    if (!buf && len > 0)
        return badArgument(h);
    m6c::TypedRecord r;
    r.type = type;
    r.record.assign(buf, buf + len);
    return exchange(h, command, r);
}

template <class Request>
unsigned char oneByteQuery(intptr_t h, uint8_t command, const Request& r, unsigned char* out)
{
    if (!out)
        return badArgument(h);
    m6c::ByteAnswer answer;
    if (!exchangeFor(h, command, r, &answer))
        return 0;
    *out = answer.value;
    return 1;
}

uint32_t password(const unsigned char* p)
{
    return wire::getU32(p);
}

uint32_t clampTime(int ms)
{
    return uint32_t(std::clamp(ms, 0, 64000));
}

unsigned char startRead(intptr_t h, uint8_t command, unsigned char antenna, unsigned char mode, int value)
{
    if (auto s = llrpSession(h))
        return llrpStartRead(*s,
                             command == cmd::ReadEpc   ? ReadKind::Epc
                             : command == cmd::ReadTid ? ReadKind::Tid
                                                       : ReadKind::EpcTid,
                             antenna);
    Call c;
    if (!begin(h, c))
        return 0;
    // Reports left from an earlier run must not be counted in this one.
    c.conn->clearReports();
    m6c::InventoryRequest r;
    r.antenna = antenna;
    r.mode = mode;
    r.preRead = uint32_t(value);
    return exchange(h, command, r);
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReceiveWaitMs);
    // Callers poll in a tight loop: every failure takes the full wait so such a loop never spins.
    auto idle = [&deadline] {
        std::this_thread::sleep_until(deadline);
        return static_cast<unsigned char>(0);
    };
    if (!antenna || !bufA || !lenA || (want == Want::Both && (!bufB || !lenB))) {
        badArgument(h);
        return idle();
    }
    if (auto s = llrpSession(h)) {
        const ReadKind kind = want == Want::Epc   ? ReadKind::Epc
                              : want == Want::Tid ? ReadKind::Tid
                                                  : ReadKind::EpcTid;
        return llrpReceive(*s, kind, antenna, bufA, lenA, bufB, lenB, kReceiveWaitMs) ? 1 : idle();
    }
    Call c;
    if (!begin(h, c))
        return idle();
    Frame f;
    m6c::TagReport r;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (!c.conn->popReport(f, int(std::max<long>(0, left.count())))) {
            if (c.conn->linkLost())
                c.fail(err::LinkLost);
            return idle();
        }
        if (!m6c::decodeTagReport(f, r))
            continue;
        const bool hasEpc = r.kind != cmd::ReportTid;
        const bool hasTid = r.kind != cmd::ReportEpc;
        if ((want == Want::Epc && !hasEpc) || (want == Want::Tid && !hasTid))
            continue; // a report of another kind, left from an earlier run
        const wire::ByteView a = want == Want::Tid ? r.tid : r.epc;
        const size_t capA = *lenA ? *lenA : 255;
        const size_t capB = (want == Want::Both && *lenB) ? *lenB : 255;
        if (a.size > capA || (want == Want::Both && r.tid.size > capB)) {
            c.fail(err::BufferTooSmall);
            return idle();
        }
        *antenna = r.antenna;
        if (a.size)
            std::memcpy(bufA, a.data, a.size);
        *lenA = static_cast<unsigned char>(a.size);
        if (want == Want::Both) {
            if (r.tid.size)
                std::memcpy(bufB, r.tid.data, r.tid.size);
            *lenB = static_cast<unsigned char>(r.tid.size);
        }
        if (c.conn->takeOverflowFlag())
            c.session->lastError.store(err::ReportOverflow);
        return 1;
    }
}

unsigned char passwordSet(intptr_t h, uint8_t command, unsigned char antenna, unsigned char reserved,
                          const unsigned char* oldPw, const unsigned char* newPw)
{
    if (!oldPw || !newPw)
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpPasswordSet(*s, command == cmd::KillPwdSet, antenna, password(oldPw), password(newPw));
    m6c::PasswordSetRequest r;
    r.antenna = antenna;
    r.reserved = reserved;
    r.oldPassword = password(oldPw);
    r.newPassword = password(newPw);
    return exchange(h, command, r, kSlowTimeoutMs);
}

} // namespace

} // namespace zaltlink

using namespace zaltlink;

extern "C" {

unsigned char ZALT_API ZALT_SysInfQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                        unsigned char* len)
{
    if (auto s = llrpSession(h))
        return llrpSysInfQuery(*s, type, buf, len);
    return typeQuery(h, cmd::SysInfQuery, type, buf, len);
}

unsigned char ZALT_API ZALT_SysInfSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                      unsigned char len)
{
    return typedSet(h, cmd::SysInfSet, type, buf, len);
}

unsigned char ZALT_API ZALT_ParmOp(ZALT_HANDLE h, unsigned char op, unsigned char address,
                                   unsigned char count, unsigned char* buf, unsigned char* len)
{
    m6c::ParmOpRequest r;
    r.op = op;
    r.address = address;
    r.count = count;
    switch (op) {
    case 0:
        return exchange(h, cmd::ParmOp, r, kSlowTimeoutMs);
    case 1:
        if (count > 0 && !buf)
            return badArgument(h);
        r.data.assign(buf, buf + count);
        return exchange(h, cmd::ParmOp, r);
    case 2: {
        if (!buf || !len)
            return badArgument(h);
        if (count > *len)
            return setError(h, err::BufferTooSmall);
        wire::Record answer;
        if (!exchangeFor(h, cmd::ParmOp, r, &answer))
            return 0;
        if (answer.bytes.size() != count)
            return setError(h, err::BadFrame);
        return copyOut(h, answer.bytes, buf, len);
    }
    default:
        return badArgument(h);
    }
}

unsigned char ZALT_API ZALT_Reboot(ZALT_HANDLE h, unsigned char mode)
{
    m6c::ModeRequest r;
    r.mode = mode;
    return exchange(h, cmd::Reboot, r, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_Updata(ZALT_HANDLE h, unsigned char type, int fileSize,
                                   const unsigned int* checksum, int nameLen, const unsigned char* name)
{
    if (!checksum || fileSize < 0 || nameLen < 0 || nameLen > 254 || (nameLen > 0 && !name))
        return badArgument(h);
    m6c::UpdateRequest r;
    r.kind = type;
    r.size = uint32_t(fileSize);
    // The four bytes as they lie in the caller's memory.
    r.checksum = wire::getU32(reinterpret_cast<const uint8_t*>(checksum));
    if (nameLen > 0)
        r.name.assign(reinterpret_cast<const char*>(name), size_t(nameLen));
    return exchange(h, cmd::Updata, r, kUpdateTimeoutMs);
}

unsigned char ZALT_API ZALT_ReaderTimeQuery(ZALT_HANDLE h, unsigned char* buf, unsigned char* len)
{
    return query(h, cmd::TimeQuery, wire::Empty(), buf, len);
}

unsigned char ZALT_API ZALT_SetReaderTime(ZALT_HANDLE h, const unsigned char* record, unsigned char len)
{
    if (!record || len != 7)
        return badArgument(h);
    m6c::ClockRecord r;
    std::copy(record, record + 7, r.record.begin());
    return exchange(h, cmd::TimeSet, r);
}

unsigned char ZALT_API ZALT_PowerOff(ZALT_HANDLE h)
{
    if (auto s = llrpSession(h))
        return llrpPowerOff(*s);
    return exchange(h, cmd::PowerOff, wire::Empty());
}

unsigned char ZALT_API ZALT_EnterTrans(ZALT_HANDLE h, unsigned char mode)
{
    m6c::ModeRequest r;
    r.mode = mode;
    return exchange(h, cmd::EnterTrans, r);
}

unsigned char ZALT_API ZALT_CommunicatParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                                unsigned char* len)
{
    return typeQuery(h, cmd::CommQuery, type, buf, len);
}

unsigned char ZALT_API ZALT_CommunicatParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                              unsigned char len)
{
    return typedSet(h, cmd::CommSet, type, buf, len);
}

unsigned char ZALT_API ZALT_NetParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                         unsigned char* len)
{
    return typeQuery(h, cmd::NetQuery, type, buf, len);
}

unsigned char ZALT_API ZALT_NetParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                       unsigned char len)
{
    return typedSet(h, cmd::NetSet, type, buf, len);
}

unsigned char ZALT_API ZALT_AntennaParmQuery(ZALT_HANDLE h, unsigned char antenna, unsigned char* enabled,
                                             unsigned char* power, unsigned char* dwell)
{
    if (!enabled || !power || !dwell || antenna < 1 || antenna > 4)
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpAntennaQuery(*s, antenna, enabled, power, dwell);
    m6c::AntennaRequest r;
    r.antenna = antenna;
    m6c::AntennaAnswer a;
    if (!exchangeFor(h, cmd::AntennaQuery, r, &a))
        return 0;
    *enabled = a.enabled;
    *power = a.power;
    *dwell = a.dwell;
    return 1;
}

unsigned char ZALT_API ZALT_AntennaParmSet(ZALT_HANDLE h, const unsigned char* record, unsigned char len)
{
    if (!record || len == 0)
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpAntennaSet(*s, record, len);
    m6c::AntennaRecord r;
    r.record.assign(record, record + len);
    return exchange(h, cmd::AntennaSet, r);
}

unsigned char ZALT_API ZALT_RFParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                        unsigned char* len)
{
    return typeQuery(h, cmd::RfQuery, type, buf, len);
}

unsigned char ZALT_API ZALT_RFParaSet(ZALT_HANDLE h, unsigned char type, unsigned char count,
                                      const unsigned char* buf)
{
    if (count > 0 && !buf)
        return badArgument(h);
    m6c::FrequencySetRequest r;
    r.type = type;
    r.points.assign(buf, buf + count);
    return exchange(h, cmd::RfSet, r);
}

unsigned char ZALT_API ZALT_CarrierWaveOp(ZALT_HANDLE h, unsigned char op, unsigned char antenna)
{
    m6c::CarrierRequest r;
    r.operation = op;
    r.antenna = antenna;
    return exchange(h, cmd::Carrier, r);
}

unsigned char ZALT_API ZALT_TagOpParaQuery(ZALT_HANDLE h, unsigned char type, unsigned char* buf,
                                           unsigned char* len)
{
    return typeQuery(h, cmd::TagOpQuery, type, buf, len);
}

unsigned char ZALT_API ZALT_TagOpParaSet(ZALT_HANDLE h, unsigned char type, const unsigned char* buf,
                                         unsigned char len)
{
    return typedSet(h, cmd::TagOpSet, type, buf, len);
}

unsigned char ZALT_API ZALT_IOOperate(ZALT_HANDLE h, unsigned char port, unsigned char action)
{
    m6c::OutputRequest r;
    r.port = port;
    r.action = action;
    return exchange(h, cmd::IoOperate, r);
}

unsigned char ZALT_API ZALT_IOStateQuery(ZALT_HANDLE h, unsigned char* state)
{
    if (!state)
        return badArgument(h);
    m6c::IoStateAnswer a;
    if (!exchangeFor(h, cmd::IoStateQuery, wire::Empty(), &a))
        return 0;
    state[0] = a.inputs;
    state[1] = a.outputs;
    return 1;
}

unsigned char ZALT_API ZALT_Reading_IOQuery(ZALT_HANDLE h, unsigned char* setting)
{
    return oneByteQuery(h, cmd::ReadingIoQuery, wire::Empty(), setting);
}

unsigned char ZALT_API ZALT_Reading_IOConfig(ZALT_HANDLE h, unsigned char setting)
{
    m6c::ByteRequest r;
    r.value = setting;
    return exchange(h, cmd::ReadingIoConfig, r);
}

unsigned char ZALT_API ZALT_IOPulseWidthQuery(ZALT_HANDLE h, unsigned char port, unsigned char* width)
{
    m6c::ByteRequest r;
    r.value = port;
    return oneByteQuery(h, cmd::PulseQuery, r, width);
}

unsigned char ZALT_API ZALT_IOPulseWidthSet(ZALT_HANDLE h, unsigned char port, int width)
{
    if (width < 0 || width > 255)
        return badArgument(h);
    m6c::PulseSetRequest r;
    r.line = port;
    r.width = uint8_t(width);
    return exchange(h, cmd::PulseSet, r);
}

unsigned char ZALT_API ZALT_FlashTotalCountQuery(ZALT_HANDLE h, unsigned char* buf, unsigned char* len)
{
    return query(h, cmd::FlashCount, wire::Empty(), buf, len);
}

unsigned char ZALT_API ZALT_ClearFlash(ZALT_HANDLE h)
{
    return exchange(h, cmd::FlashClear, wire::Empty(), kSlowTimeoutMs);
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
    if (auto s = llrpSession(h))
        return llrpTagSelect(*s, bank, startBits, lengthBits, data, count);
    m6c::TagSelectRequest r;
    r.bank = bank;
    r.startBits = uint16_t(startBits);
    r.lengthBits = uint16_t(lengthBits);
    r.mask.assign(data, data + count);
    r.reserved = {r1, r2, r3};
    return exchange(h, cmd::TagSelect, r, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CReadUserData(ZALT_HANDLE h, unsigned char antenna, int start, int words,
                                           int timeMs, unsigned char* buf, int* len)
{
    if (!buf || !len || start < 0 || start > 0xFFFF || words < 1 || words > kMaxUserWords)
        return badArgument(h);
    if (*len < words * 2)
        return setError(h, err::BufferTooSmall);
    if (auto s = llrpSession(h))
        return llrpReadUser(*s, antenna, start, words, timeMs, buf, len);
    m6c::ReadUserRequest r;
    r.antenna = antenna;
    r.startWord = uint16_t(start);
    r.words = uint16_t(words);
    r.timeMs = clampTime(timeMs);
    m6c::UserWords a;
    if (!exchangeFor(h, cmd::ReadUser, r, &a, int(r.timeMs) + 1000))
        return 0;
    if (a.data.size() > size_t(*len))
        return setError(h, err::BufferTooSmall);
    if (!a.data.empty())
        std::memcpy(buf, a.data.data(), a.data.size());
    *len = int(a.data.size() / 2);
    return 1;
}

unsigned char ZALT_API ZALT_6CWriteUserData(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                            const unsigned char* pwd, int start, int timeMs,
                                            const unsigned char* data, int* words)
{
    if (!pwd || !data || !words || start < 0 || start > 0xFFFF || *words < 1 || *words > kMaxUserWords)
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpWriteUser(*s, antenna, password(pwd), start, timeMs, data, words);
    m6c::WriteUserRequest r;
    r.antenna = antenna;
    r.reserved = reserved;
    r.password = password(pwd);
    r.startWord = uint16_t(start);
    r.timeMs = clampTime(timeMs);
    r.data.assign(data, data + size_t(*words) * 2);
    m6c::WrittenAnswer a;
    if (!exchangeFor(h, cmd::WriteUser, r, &a, int(r.timeMs) + 1000))
        return 0;
    *words = a.words;
    return 1;
}

unsigned char ZALT_API ZALT_6CWriteEPCCode(ZALT_HANDLE h, unsigned char antenna, unsigned char reserved,
                                           const unsigned char* pwd, const unsigned char* data,
                                           unsigned char count)
{
    if (!pwd || (count > 0 && !data))
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpWriteEpc(*s, antenna, password(pwd), data, count);
    m6c::WriteEpcRequest r;
    r.antenna = antenna;
    r.reserved = reserved;
    r.password = password(pwd);
    r.epc.assign(data, data + count);
    return exchange(h, cmd::WriteEpc, r, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CTagLock(ZALT_HANDLE h, unsigned char antenna, const unsigned char* pwd,
                                      unsigned char op, unsigned char area)
{
    if (!pwd)
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpTagLock(*s, antenna, password(pwd), op, area);
    m6c::TagLockRequest r;
    r.antenna = antenna;
    r.password = password(pwd);
    r.operation = op;
    r.area = area;
    return exchange(h, cmd::TagLock, r, kSlowTimeoutMs);
}

unsigned char ZALT_API ZALT_6CTagKill(ZALT_HANDLE h, unsigned char antenna, const unsigned char* pwd,
                                      const unsigned char* epc, unsigned char count)
{
    if (!pwd || (count > 0 && !epc))
        return badArgument(h);
    if (auto s = llrpSession(h))
        return llrpTagKill(*s, antenna, password(pwd), epc, count);
    m6c::TagKillRequest r;
    r.antenna = antenna;
    r.killPassword = password(pwd);
    r.epc.assign(epc, epc + count);
    return exchange(h, cmd::TagKill, r, kSlowTimeoutMs);
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
    wire::Record r;
    r.bytes.assign(data, data + len);
    return exchange(h, cmd::RawSend, r);
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

unsigned char ZALT_API ZALT_LastReportRSSI(ZALT_HANDLE h, int* dbm)
{
    auto s = findSession(h);
    if (!s)
        return setError(h, err::BadHandle);
    if (!dbm)
        return badArgument(h);
    const int rssi = s->lastRssi;
    if (rssi == Session::kNoRssi)
        return 0;
    *dbm = rssi;
    return 1;
}

unsigned char ZALT_API ZALT_GetReportStats(ZALT_HANDLE h, unsigned long long* received,
                                           unsigned long long* lost, unsigned long long* doubled,
                                           unsigned long long* overflowed)
{
    Call c;
    c.session = findSession(h);
    if (!c.session)
        return 0;
    if (auto link = c.session->llrpLink()) {
        // An LLRP reader numbers no reports: what arrived and what a full queue dropped is counted,
        // and as lost the reads whose TID read failed, which no TID receive delivers.
        if (received)
            *received = link->reads();
        if (overflowed)
            *overflowed = link->overflowed();
        if (lost)
            *lost = link->tidFailed();
        if (doubled)
            *doubled = 0;
        return 1;
    }
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
