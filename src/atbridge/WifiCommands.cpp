#include "WifiCommands.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace atbridge {

namespace {

constexpr size_t kBufferSize = 256;
constexpr unsigned char kReceiveLength = 255;
// The shortest pause between receive calls that fail at once (a link that is gone).
constexpr int kMinPollMs = 10;
// Receive calls spent on bytes left over from an earlier reply, before a command is sent.
constexpr int kMaxDrain = 512;
constexpr unsigned char kLeaveByte = 0x03;

std::string QueryLine(const char* keyword)
{
    return std::string(keyword) + "?\r";
}

std::string Setting(const char* keyword, const std::string& values)
{
    return std::string(keyword) + "!" + values + "\r";
}

std::string Quoted(const char* text)
{
    return std::string("\"") + text + "\"";
}

std::string Decimal(unsigned value)
{
    return std::to_string(value);
}

unsigned char Low8(uint32_t value)
{
    return static_cast<unsigned char>(value & 0xFFU);
}

bool Query(const Bridge& b, Handle h, const char* keyword, std::string* value, Timing t = kCommandTiming)
{
    return Exchange(b, h, QueryLine(keyword), Recogniser::Query, t, value);
}

bool Set(const Bridge& b, Handle h, const std::string& command)
{
    return Exchange(b, h, command, Recogniser::Set, kCommandTiming);
}

// The value's comma-separated fields, when there are at least `minimum`.
bool Fields(const std::string& value, size_t minimum, std::vector<std::string>* fields)
{
    *fields = splitFields(value, ',');
    return fields->size() >= minimum;
}

} // namespace

Bridge SystemBridge(INetDataProc* proc)
{
    Bridge b;
    b.proc = proc;
    b.nowMs = [] {
        using namespace std::chrono;
        return int64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    b.sleepMs = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    return b;
}

bool Exchange(const Bridge& b, Handle h, const std::string& command, Recogniser r, Timing t,
              std::string* value)
{
    unsigned char buffer[kBufferSize];
    // Bytes of a reply that came after its deadline must not answer this command.
    for (int i = 0; i < kMaxDrain; ++i) {
        std::memset(buffer, 0, sizeof buffer);
        unsigned char length = kReceiveLength;
        if (!b.proc->RecvData(h, buffer, &length, 0)) {
            break;
        }
    }
    if (!b.proc->SendData(h, reinterpret_cast<const unsigned char*>(command.data()),
                          static_cast<int32_t>(command.size()))) {
        return false;
    }
    const int64_t start = b.nowMs();
    std::string collected;
    std::string v;
    for (int64_t elapsed = 0; elapsed < t.deadlineMs; elapsed = b.nowMs() - start) {
        // A wait never reaches past the deadline.
        const auto wait = static_cast<int32_t>(std::min<int64_t>(t.waitMs, t.deadlineMs - elapsed));
        std::memset(buffer, 0, sizeof buffer);
        unsigned char length = kReceiveLength;
        const int64_t before = b.nowMs();
        if (!b.proc->RecvData(h, buffer, &length, wait)) {
            // A link that fails at once must not turn this loop into a spin.
            if (b.nowMs() - before < kMinPollMs) {
                b.sleepMs(kMinPollMs);
            }
            continue;
        }
        collected.append(reinterpret_cast<const char*>(buffer),
                         strnlen(reinterpret_cast<const char*>(buffer), kBufferSize));
        Outcome o = Outcome::More;
        switch (r) {
        case Recogniser::Ok:
            o = recogniseOk(collected);
            break;
        case Recogniser::Set:
            o = recogniseSet(collected);
            break;
        case Recogniser::Query:
            o = recogniseQuery(collected, &v);
            break;
        }
        if (o == Outcome::Done) {
            if (value) {
                *value = v;
            }
            return true;
        }
        if (o == Outcome::Error || collected.size() > kMaxReply) {
            return false;
        }
    }
    return false;
}

bool Enter(const Bridge& b, Handle h)
{
    return h != 0 && Exchange(b, h, "+++", Recogniser::Ok, kEnterTiming);
}

bool Exit(const Bridge& b, Handle h)
{
    const unsigned char leave = kLeaveByte;
    return h != 0 && b.proc->SendData(h, &leave, 1);
}

bool SendAT(const Bridge& b, Handle h)
{
    return h != 0 && Exchange(b, h, "AT+\r", Recogniser::Ok, kProbeTiming);
}

bool ReadNetPara(const Bridge& b, Handle h, unsigned char* mode, char* ip, char* mask, char* gateway,
                 char* dns)
{
    std::string value;
    std::vector<std::string> f;
    if (h == 0 || !mode || !ip || !mask || !gateway || !dns || !Query(b, h, "AT+NIP=", &value) ||
        !Fields(value, 5, &f)) {
        return false;
    }
    *mode = Low8(toNumber(stripQuotes(f[0])));
    copyText(stripQuotes(f[1]), ip);
    copyText(stripQuotes(f[2]), mask);
    copyText(stripQuotes(f[3]), gateway);
    copyText(stripQuotes(f[4]), dns);
    return true;
}

bool SetNetPara(const Bridge& b, Handle h, unsigned char mode, const char* ip, const char* mask,
                const char* gateway, const char* dns)
{
    if (h == 0 || !ip || !mask || !gateway || !dns || mode > 1) {
        return false;
    }
    return Set(b, h,
               Setting("AT+NIP=", Decimal(mode) + "," + Quoted(ip) + "," + Quoted(mask) + "," +
                                      Quoted(gateway) + "," + Quoted(dns)));
}

bool QuerySSID(const Bridge& b, Handle h, char* ssid)
{
    std::string value;
    if (h == 0 || !ssid || !Query(b, h, "AT+SSID=", &value)) {
        return false;
    }
    copyText(stripQuotes(value), ssid);
    return true;
}

bool SetSSID(const Bridge& b, Handle h, const char* ssid)
{
    return h != 0 && ssid && Set(b, h, Setting("AT+SSID=", ssid));
}

bool QuerySecurityType(const Bridge& b, Handle h, unsigned char* security)
{
    std::string value;
    if (h == 0 || !security || !Query(b, h, "AT+ENCRY=", &value)) {
        return false;
    }
    *security = Low8(toNumber(value));
    return true;
}

bool SetSecurityType(const Bridge& b, Handle h, unsigned char security)
{
    return h != 0 && security <= 6 && Set(b, h, Setting("AT+ENCRY=", Decimal(security)));
}

bool QueryKey(const Bridge& b, Handle h, unsigned char* format, unsigned char* index, char* key)
{
    std::string value;
    std::vector<std::string> f;
    if (!format || !index || !key || !Query(b, h, "AT+KEY=", &value) || !Fields(value, 3, &f)) {
        return false;
    }
    *format = Low8(toNumber(stripQuotes(f[0])));
    *index = Low8(toNumber(stripQuotes(f[1])));
    copyText(stripQuotes(f[2]), key);
    return true;
}

bool SetKey(const Bridge& b, Handle h, unsigned char format, unsigned char index, const char* key)
{
    if (h == 0 || !key || format > 1 || index > 4) {
        return false;
    }
    return Set(b, h, Setting("AT+KEY=", Decimal(format) + "," + Decimal(index) + "," + Quoted(key)));
}

bool QueryMac(const Bridge& b, Handle h, char* mac)
{
    std::string value;
    if (!mac || !Exchange(b, h, "AT+QMAC\r", Recogniser::Query, kCommandTiming, &value)) {
        return false;
    }
    copyText(stripQuotes(value), mac);
    return true;
}

bool QuerySocketConnectInfo(const Bridge& b, Handle h, unsigned char* protocol, unsigned char* mode,
                            char* address, unsigned short* port)
{
    std::string value;
    std::vector<std::string> f;
    if (!protocol || !mode || !address || !port || !Query(b, h, "AT+ATRM=", &value) ||
        !Fields(value, 4, &f)) {
        return false;
    }
    *protocol = Low8(toNumber(f[0]));
    *mode = Low8(toNumber(f[1]));
    copyText(stripQuotes(f[2]), address);
    *port = static_cast<unsigned short>(toNumber(f[3]) & 0xFFFFU);
    return true;
}

bool SetSocketConnectInfo(const Bridge& b, Handle h, unsigned char protocol, unsigned char mode,
                          const char* address, unsigned short port)
{
    if (h == 0 || !address || protocol > 1 || mode > 4) {
        return false;
    }
    return Set(b, h,
               Setting("AT+ATRM=", Decimal(protocol) + "," + Decimal(mode) + "," + Quoted(address) + "," +
                                       Decimal(port)));
}

bool QueryWorkMode(const Bridge& b, Handle h, unsigned char* mode)
{
    std::string value;
    if (h == 0 || !mode || !Query(b, h, "AT+ATM=", &value)) {
        return false;
    }
    *mode = Low8(toNumber(value));
    return true;
}

bool QueryConnectStatus(const Bridge& b, Handle h, unsigned char* status, char* text1, char* text2,
                        char* text3, char* text4)
{
    std::string value;
    std::vector<std::string> f;
    if (!status || !text1 || !text2 || !text3 || !text4 || !Query(b, h, "AT+LKSTT=", &value) ||
        !Fields(value, 5, &f)) {
        return false;
    }
    *status = Low8(toNumber(stripQuotes(f[0])));
    copyText(stripQuotes(f[1]), text1);
    copyText(stripQuotes(f[2]), text2);
    copyText(stripQuotes(f[3]), text3);
    copyText(stripQuotes(f[4]), text4);
    return true;
}

bool Search(const Bridge& b, Handle h, char* list)
{
    std::string value;
    if (!list || !Exchange(b, h, "AT+WSCAN\r", Recogniser::Query, kScanTiming, &value)) {
        return false;
    }
    copyText(scanOutput(value), list, kScanCapacity);
    return true;
}

bool Reset(const Bridge& b, Handle h)
{
    return h != 0 && Set(b, h, "AT+Z\r");
}

} // namespace atbridge
