// The per-reader calls: one request each to the reader, built and read with the 6C messages, and the
// receive calls that take what the reader sent.
#include "server.h"

#include "wire/commands.h"
#include "wire/messages_6c.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace wirelesszaltlink {

namespace {

namespace cmd = wire::cmd;
namespace m6c = wire::m6c;

constexpr int kDefaultTimeoutMs = 1000;
constexpr int kSlowTimeoutMs = 3000;
constexpr int kReceiveWaitMs = 30;

template <class Request, class Answer>
unsigned char exchangeFor(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, const Request& request,
                          Answer* answer, int timeoutMs = kDefaultTimeoutMs)
{
    auto r = findReader(h, reader);
    if (!r)
        return 0;
    wire::Frame a;
    if (r->request(command, request.encoded(), a, timeoutMs) != wire::err::None ||
        a.status != wire::status::Ok)
        return 0;
    return !answer || answer->decode(a.payload) ? 1 : 0;
}

template <class Request>
unsigned char exchange(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, const Request& request,
                       int timeoutMs = kDefaultTimeoutMs)
{
    return exchangeFor(h, reader, command, request, static_cast<wire::Empty*>(nullptr), timeoutMs);
}

// The answer lands in the caller's buffer, whose capacity is the length byte; one that does not fit
// writes nothing.
unsigned char copyOut(const std::vector<uint8_t>& bytes, unsigned char* buf, unsigned char* len)
{
    if (bytes.size() > *len)
        return 0;
    if (!bytes.empty())
        std::memcpy(buf, bytes.data(), bytes.size());
    *len = static_cast<unsigned char>(bytes.size());
    return 1;
}

template <class Request>
unsigned char query(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, const Request& request,
                    unsigned char* buf, unsigned char* len)
{
    if (!buf || !len)
        return 0;
    wire::Record answer;
    return exchangeFor(h, reader, command, request, &answer) ? copyOut(answer.bytes, buf, len) : 0;
}

unsigned char typeQuery(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, uint8_t type,
                        unsigned char* buf, unsigned char* len)
{
    m6c::TypeRequest r;
    r.type = type;
    return query(h, reader, command, r, buf, len);
}

template <class Request>
unsigned char oneByteQuery(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, const Request& r,
                           unsigned char* out)
{
    m6c::ByteAnswer answer;
    if (!out || !exchangeFor(h, reader, command, r, &answer))
        return 0;
    *out = answer.value;
    return 1;
}

unsigned char startRead(WIRELESS_HANDLE h, WIRELESS_READER reader, uint8_t command, unsigned char antenna,
                        unsigned char mode, int value)
{
    m6c::InventoryRequest r;
    r.antenna = antenna;
    r.mode = mode;
    r.preRead = uint32_t(value);
    return exchange(h, reader, command, r);
}

unsigned char receive(WIRELESS_HANDLE h, WIRELESS_READER reader, Want want, unsigned char* antenna,
                      unsigned char* bufA, unsigned char* lenA, unsigned char* bufB, unsigned char* lenB)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReceiveWaitMs);
    // Callers poll in a loop: every failure takes the full wait, so such a loop never spins.
    auto idle = [&deadline] {
        std::this_thread::sleep_until(deadline);
        return static_cast<unsigned char>(0);
    };
    if (!antenna || !bufA || !lenA || (want == Want::Both && (!bufB || !lenB)))
        return idle();
    auto r = findReader(h, reader);
    if (!r)
        return idle();
    r->touch();
    wire::Frame f;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!r->popReport(f, int(std::max<long>(0, left.count()))))
            return idle();
        bool tooBig = false;
        if (takeReport(f, want, antenna, bufA, lenA, bufB, lenB, &tooBig))
            return 1;
        if (tooBig)
            return idle();
        // A report of another kind, left from an earlier run: on to the next.
    }
}

} // namespace

} // namespace wirelesszaltlink

using namespace wirelesszaltlink;

extern "C" {

unsigned char WIRELESS_API WIRELESS_ZALT_6CReadEPCCode(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                       unsigned char antenna, unsigned char mode, int value)
{
    return startRead(h, reader, cmd::ReadEpc, antenna, mode, value);
}

unsigned char WIRELESS_API WIRELESS_ZALT_6CReadTIDCode(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                       unsigned char antenna, unsigned char mode, int value)
{
    return startRead(h, reader, cmd::ReadTid, antenna, mode, value);
}

unsigned char WIRELESS_API WIRELESS_ZALT_PowerOff(WIRELESS_HANDLE h, WIRELESS_READER reader, int timeoutMs)
{
    return exchange(h, reader, cmd::PowerOff, wire::Empty(), std::clamp(timeoutMs, 100, 10000));
}

unsigned char WIRELESS_API WIRELESS_ZALT_6CRevEPCMsg(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                     unsigned char* antenna, unsigned char* epc,
                                                     unsigned char* epcLen)
{
    return receive(h, reader, Want::Epc, antenna, epc, epcLen, nullptr, nullptr);
}

unsigned char WIRELESS_API WIRELESS_ZALT_6CRevTIDMsg(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                     unsigned char* antenna, unsigned char* tid,
                                                     unsigned char* tidLen)
{
    return receive(h, reader, Want::Tid, antenna, tid, tidLen, nullptr, nullptr);
}

unsigned char WIRELESS_API WIRELESS_ZALT_6CRevEPCTIDMsg(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                        unsigned char* antenna, unsigned char* epc,
                                                        unsigned char* epcLen, unsigned char* tid,
                                                        unsigned char* tidLen)
{
    return receive(h, reader, Want::Both, antenna, epc, epcLen, tid, tidLen);
}

unsigned char WIRELESS_API WIRELESS_ZALT_IO_STATE(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                  unsigned char* buf, unsigned char* len)
{
    auto r = findReader(h, reader);
    if (!r || !buf || !len || *len < kIoRecordSize)
        return 0;
    r->touch();
    IoRecord event{};
    if (!r->popIoEvent(event))
        return 0;
    std::memcpy(buf, event.data(), event.size());
    *len = kIoRecordSize;
    return 1;
}

unsigned char WIRELESS_API WIRELESS_ZALT_Reboot(WIRELESS_HANDLE h, WIRELESS_READER reader, unsigned char mode)
{
    m6c::ModeRequest r;
    r.mode = mode;
    return exchange(h, reader, cmd::Reboot, r, kSlowTimeoutMs);
}

unsigned char WIRELESS_API WIRELESS_ZALT_SysInfQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                     unsigned char type, unsigned char* buf,
                                                     unsigned char* len)
{
    return typeQuery(h, reader, cmd::SysInfQuery, type, buf, len);
}

unsigned char WIRELESS_API WIRELESS_ZALT_ReaderTimeQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                         unsigned char* buf, unsigned char* len)
{
    return query(h, reader, cmd::TimeQuery, wire::Empty(), buf, len);
}

unsigned char WIRELESS_API WIRELESS_ZALT_SetReaderTime(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                       const unsigned char* record, unsigned char len)
{
    if (!record || len != 7)
        return 0;
    m6c::ClockRecord r;
    std::copy(record, record + 7, r.record.begin());
    return exchange(h, reader, cmd::TimeSet, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_ParmOp(WIRELESS_HANDLE h, WIRELESS_READER reader, unsigned char op,
                                                unsigned char address, unsigned char count,
                                                unsigned char* buf, unsigned char* len)
{
    m6c::ParmOpRequest r;
    r.op = op;
    r.address = address;
    r.count = count;
    switch (op) {
    case 0:
        return exchange(h, reader, cmd::ParmOp, r, kSlowTimeoutMs);
    case 1:
        if (count > 0 && !buf)
            return 0;
        r.data.assign(buf, buf + count);
        return exchange(h, reader, cmd::ParmOp, r);
    case 2: {
        if (!buf || !len || count > *len)
            return 0;
        wire::Record answer;
        if (!exchangeFor(h, reader, cmd::ParmOp, r, &answer) || answer.bytes.size() != count)
            return 0;
        return copyOut(answer.bytes, buf, len);
    }
    default:
        return 0;
    }
}

unsigned char WIRELESS_API WIRELESS_ZALT_TagOpParaQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                        unsigned char type, unsigned char* buf,
                                                        unsigned char* len)
{
    return typeQuery(h, reader, cmd::TagOpQuery, type, buf, len);
}

unsigned char WIRELESS_API WIRELESS_ZALT_TagOpParaSet(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                      unsigned char type, const unsigned char* buf,
                                                      unsigned char len)
{
    if (!buf && len > 0)
        return 0;
    m6c::TypedRecord r;
    r.type = type;
    r.record.assign(buf, buf + len);
    return exchange(h, reader, cmd::TagOpSet, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_FlashTotalCountQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                              unsigned char* buf, unsigned char* len)
{
    return query(h, reader, cmd::FlashCount, wire::Empty(), buf, len);
}

unsigned char WIRELESS_API WIRELESS_ZALT_ClearFlash(WIRELESS_HANDLE h, WIRELESS_READER reader)
{
    return exchange(h, reader, cmd::FlashClear, wire::Empty(), kSlowTimeoutMs);
}

unsigned char WIRELESS_API WIRELESS_ZALT_AntennaParmQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                          unsigned char antenna, unsigned char* enabled,
                                                          unsigned char* power, unsigned char* dwell)
{
    if (!enabled || !power || !dwell || antenna < 1 || antenna > 4)
        return 0;
    m6c::AntennaRequest r;
    r.antenna = antenna;
    m6c::AntennaAnswer a;
    if (!exchangeFor(h, reader, cmd::AntennaQuery, r, &a))
        return 0;
    *enabled = a.enabled;
    *power = a.power;
    *dwell = a.dwell;
    return 1;
}

unsigned char WIRELESS_API WIRELESS_ZALT_AntennaParmSet(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                        const unsigned char* record, unsigned char len)
{
    if (!record || len == 0)
        return 0;
    m6c::AntennaRecord r;
    r.record.assign(record, record + len);
    return exchange(h, reader, cmd::AntennaSet, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_RFParaQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                     unsigned char type, unsigned char* buf,
                                                     unsigned char* len)
{
    return typeQuery(h, reader, cmd::RfQuery, type, buf, len);
}

unsigned char WIRELESS_API WIRELESS_ZALT_RFParaSet(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                   unsigned char type, unsigned char count,
                                                   const unsigned char* buf)
{
    if (count > 0 && !buf)
        return 0;
    m6c::FrequencySetRequest r;
    r.type = type;
    r.points.assign(buf, buf + count);
    return exchange(h, reader, cmd::RfSet, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_IOOperate(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                   unsigned char port, unsigned char action)
{
    m6c::OutputRequest r;
    r.port = port;
    r.action = action;
    return exchange(h, reader, cmd::IoOperate, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_Reading_IOQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                         unsigned char* setting)
{
    return oneByteQuery(h, reader, cmd::ReadingIoQuery, wire::Empty(), setting);
}

unsigned char WIRELESS_API WIRELESS_ZALT_Reading_IOConfig(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                          unsigned char setting)
{
    m6c::ByteRequest r;
    r.value = setting;
    return exchange(h, reader, cmd::ReadingIoConfig, r);
}

unsigned char WIRELESS_API WIRELESS_ZALT_IOPulseWidthQuery(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                           unsigned char port, unsigned char* width)
{
    m6c::ByteRequest r;
    r.value = port;
    return oneByteQuery(h, reader, cmd::PulseQuery, r, width);
}

unsigned char WIRELESS_API WIRELESS_ZALT_IOPulseWidthSet(WIRELESS_HANDLE h, WIRELESS_READER reader,
                                                         unsigned char port, int width)
{
    if (width < 0 || width > 255)
        return 0;
    m6c::PulseSetRequest r;
    r.line = port;
    r.width = uint8_t(width);
    return exchange(h, reader, cmd::PulseSet, r);
}

} // extern "C"
