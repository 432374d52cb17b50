// libFuzzer target: whatever a reader answers, the client library must not crash, hang or write past a
// caller's buffer. A fake reader on a loopback port answers every request at once with the same seq and
// cmd and a status and payload taken from the input.
//
// Input: kParamBytes of caller parameters (buffer capacities, counts), then a script of items:
//   status (1), length (1; 0xFF: two more bytes, big-endian), payload   an answer to the next request
//   0xF0 / 0xF1 / 0xF2 / 0xF3, length, payload   an EPC / TID / EPC+TID report or raw-data frame, sent
//                                                ahead of the next answer
//   0xF4, length, bytes                          raw garbage ahead of the next answer
//   0xF5                                         the reader hangs up instead of answering
// When the script runs out every request gets status 0 and an empty payload. Hello is always accepted.
// The seeds are small; give -max_len=12000 -len_control=0 to let answers grow to a full frame.
#include "zaltlink.h"

#include "wire/commands.h"
#include "wire/frame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr uint8_t kItemFirstReport = 0xF0; // 0xF0..0xF3 map to ReportEpc, ReportTid, ReportEpcTid, RawData
constexpr uint8_t kItemGarbage = 0xF4;
constexpr uint8_t kItemHangUp = 0xF5;

// Offsets of the caller parameters at the head of the input.
enum Param : size_t
{
    PSysInfCap,
    PParmAddress,
    PParmCount,
    PParmCap,
    PCommCap,
    PNetCap,
    PRfCap,
    PTagOpCap,
    PFlashCap,
    PTimeCap,
    PUserWordsHigh,
    PUserWordsLow,
    PUserCapSlack,
    PReceiveOrder,
    PEpcCap,
    PTidCap,
    PBothEpcCap,
    PBothTidCap,
    PRawCap,
    kParamBytes
};

struct Sent
{
    uint8_t status = 0;
    std::vector<uint8_t> payload;
};

class FakeReader
{
public:
    bool start()
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listen_ < 0)
            return false;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        socklen_t n = sizeof a;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return false;
        port_ = ntohs(a.sin_port);
        std::thread([this] { serve(); }).detach();
        return true;
    }

    int port() const { return port_; }

    void load(const uint8_t* data, size_t size)
    {
        std::lock_guard<std::mutex> lk(mutex_);
        script_.assign(data, data + size);
        pos_ = 0;
        sent_.clear();
        tainted_ = false;
    }

    // The answer last sent for a command in this run; false when none was.
    bool sentFor(uint8_t cmd, Sent* out)
    {
        std::lock_guard<std::mutex> lk(mutex_);
        auto it = sent_.find(cmd);
        if (it == sent_.end())
            return false;
        *out = it->second;
        return true;
    }

    // Garbage that happened to hold a valid frame may have answered a request in place of the script.
    bool tainted()
    {
        std::lock_guard<std::mutex> lk(mutex_);
        return tainted_;
    }

private:
    void serve()
    {
        for (;;) {
            int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) {
                if (errno != EINTR)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            serveClient(c);
            ::close(c);
        }
    }

    void serveClient(int c)
    {
        wire::Decoder decoder;
        wire::Frame req;
        std::vector<uint8_t> buf(65536);
        for (;;) {
            ssize_t n = ::recv(c, buf.data(), buf.size(), 0);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                return;
            }
            decoder.feed(buf.data(), size_t(n));
            while (decoder.next(req)) {
                std::vector<uint8_t> out;
                bool keep;
                {
                    std::lock_guard<std::mutex> lk(mutex_);
                    keep = respond(req, out);
                }
                if (!sendAll(c, out))
                    return;
                if (!keep) {
                    ::shutdown(c, SHUT_RDWR);
                    return;
                }
            }
        }
    }

    static bool sendAll(int c, const std::vector<uint8_t>& out)
    {
        size_t off = 0;
        while (off < out.size()) {
            ssize_t n = ::send(c, out.data() + off, out.size() - off, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            off += size_t(n);
        }
        return true;
    }

    uint8_t take() { return pos_ < script_.size() ? script_[pos_++] : 0; }

    size_t takeLength()
    {
        size_t n = take();
        if (n == 0xFF) {
            n = size_t(take()) << 8;
            n |= take();
        }
        return std::min(n, wire::kMaxPayload);
    }

    std::vector<uint8_t> takeBytes(size_t n)
    {
        n = std::min(n, script_.size() - pos_);
        std::vector<uint8_t> v(script_.begin() + long(pos_), script_.begin() + long(pos_ + n));
        pos_ += n;
        return v;
    }

    // Appends what goes back for one request; false when the reader hangs up after sending it.
    bool respond(const wire::Frame& req, std::vector<uint8_t>& out)
    {
        wire::Frame f;
        if (req.cmd == wire::cmd::Bye)
            return true; // not waited for; the client may already be gone
        if (req.cmd == wire::cmd::Hello) {
            f.seq = req.seq;
            f.cmd = req.cmd;
            f.payload = {wire::kProtocolVersion, wire::kFamily6C};
            wire::encodeTo(f, out);
            return true;
        }
        while (pos_ < script_.size()) {
            const uint8_t item = take();
            if (item >= kItemFirstReport && item < kItemGarbage) {
                f.seq = 0;
                f.status = 0;
                f.cmd = item == 0xF3 ? wire::cmd::RawData : uint8_t(wire::cmd::ReportEpc + (item - 0xF0));
                f.payload = takeBytes(takeLength());
                wire::encodeTo(f, out);
            } else if (item == kItemGarbage) {
                std::vector<uint8_t> junk = takeBytes(takeLength());
                // Zeros hold no start byte and outlast any frame the garbage could begin, so the client
                // has resynchronised before the answer arrives and no request waits for its timeout.
                junk.resize(junk.size() + wire::kMaxFrame, 0);
                wire::Decoder d;
                d.feed(junk.data(), junk.size());
                if (d.next(f))
                    tainted_ = true;
                out.insert(out.end(), junk.begin(), junk.end());
            } else if (item == kItemHangUp) {
                return false;
            } else {
                f.seq = req.seq;
                f.cmd = req.cmd;
                f.status = item;
                f.payload = takeBytes(takeLength());
                sent_[req.cmd] = Sent{f.status, f.payload};
                wire::encodeTo(f, out);
                return true;
            }
        }
        f.seq = req.seq;
        f.cmd = req.cmd;
        f.status = 0;
        f.payload.clear();
        sent_[req.cmd] = Sent{};
        wire::encodeTo(f, out);
        return true;
    }

    int listen_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::vector<uint8_t> script_;
    size_t pos_ = 0;
    std::map<uint8_t, Sent> sent_;
    bool tainted_ = false;
};

FakeReader* gReader = nullptr;

// A heap block of exactly the capacity the caller states, so AddressSanitizer sees any write past it.
struct Block
{
    explicit Block(size_t n) : size(n), p(new uint8_t[n]) { std::memset(p.get(), 0xCC, n); }
    uint8_t* data() { return p.get(); }
    size_t size;
    std::unique_ptr<uint8_t[]> p;
};

int lastError(ZALT_HANDLE h)
{
    int code = -1;
    if (!ZALT_GetErrorCode(h, &code) || code < 0 || code > 255)
        std::abort();
    return code;
}

// What a call returned must be what the reader sent: the payload on success, the status on refusal.
void checkAgainstSent(ZALT_HANDLE h, unsigned char ok, uint8_t cmd, const uint8_t* got, size_t gotLen)
{
    Sent s;
    if (gReader->tainted() || !gReader->sentFor(cmd, &s))
        return;
    if (ok) {
        if (s.status != 0 || s.payload.size() != gotLen ||
            (gotLen && std::memcmp(s.payload.data(), got, gotLen) != 0))
            std::abort();
    } else if (s.status != 0 && lastError(h) != s.status) {
        std::abort();
    }
}

void lengthQuery(ZALT_HANDLE h, uint8_t cmd, uint8_t cap,
                 unsigned char (*fn)(ZALT_HANDLE, unsigned char, unsigned char*, unsigned char*))
{
    Block b(cap);
    unsigned char len = cap;
    unsigned char ok = fn(h, 0, b.data(), &len);
    if (ok && len > cap)
        std::abort();
    checkAgainstSent(h, ok, cmd, b.data(), len);
}

void noTypeQuery(ZALT_HANDLE h, uint8_t cmd, uint8_t cap,
                 unsigned char (*fn)(ZALT_HANDLE, unsigned char*, unsigned char*))
{
    Block b(cap);
    unsigned char len = cap;
    unsigned char ok = fn(h, b.data(), &len);
    if (ok && len > cap)
        std::abort();
    checkAgainstSent(h, ok, cmd, b.data(), len);
}

// Receive calls take a length byte of 0 as 255.
size_t receiveCapacity(uint8_t b)
{
    return b ? b : 255;
}

bool receiveOne(ZALT_HANDLE h, int kind, const uint8_t* prm)
{
    unsigned char antenna = 0;
    if (kind == 2) {
        Block epc(receiveCapacity(prm[PBothEpcCap]));
        Block tid(receiveCapacity(prm[PBothTidCap]));
        unsigned char epcLen = prm[PBothEpcCap];
        unsigned char tidLen = prm[PBothTidCap];
        unsigned char ok = ZALT_6CRevEPCTIDMsg(h, &antenna, epc.data(), &epcLen, tid.data(), &tidLen);
        if (ok && (epcLen > epc.size || tidLen > tid.size))
            std::abort();
        return ok;
    }
    const uint8_t capByte = kind == 0 ? prm[PEpcCap] : prm[PTidCap];
    Block b(receiveCapacity(capByte));
    unsigned char len = capByte;
    unsigned char ok = kind == 0 ? ZALT_6CRevEPCMsg(h, &antenna, b.data(), &len)
                                 : ZALT_6CRevTIDMsg(h, &antenna, b.data(), &len);
    if (ok && len > b.size)
        std::abort();
    return ok;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gReader = new FakeReader;
    if (!gReader->start())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t prm[kParamBytes] = {};
    const size_t head = std::min(size, size_t(kParamBytes));
    if (head)
        std::memcpy(prm, data, head);
    gReader->load(data + head, size - head);

    ZALT_HANDLE h = 0;
    if (!ZALT_TCPInit(&h, "127.0.0.1", gReader->port()))
        std::abort();
    if (!ZALT_Open(h))
        std::abort(); // the fake reader always accepts Hello

    lengthQuery(h, wire::cmd::SysInfQuery, prm[PSysInfCap], ZALT_SysInfQuery);
    {
        const uint8_t count = prm[PParmCount];
        Block b(prm[PParmCap]);
        unsigned char len = prm[PParmCap];
        unsigned char ok = ZALT_ParmOp(h, 2, prm[PParmAddress], count, b.data(), &len);
        if (ok && (len != count || len > b.size))
            std::abort();
        checkAgainstSent(h, ok, wire::cmd::ParmOp, b.data(), len);
    }
    lengthQuery(h, wire::cmd::CommQuery, prm[PCommCap], ZALT_CommunicatParaQuery);
    lengthQuery(h, wire::cmd::NetQuery, prm[PNetCap], ZALT_NetParaQuery);
    lengthQuery(h, wire::cmd::RfQuery, prm[PRfCap], ZALT_RFParaQuery);
    {
        Block enabled(1), power(1), dwell(1);
        unsigned char ok = ZALT_AntennaParmQuery(h, 1, enabled.data(), power.data(), dwell.data());
        const uint8_t got[3] = {enabled.data()[0], power.data()[0], dwell.data()[0]};
        checkAgainstSent(h, ok, wire::cmd::AntennaQuery, got, 3);
    }
    lengthQuery(h, wire::cmd::TagOpQuery, prm[PTagOpCap], ZALT_TagOpParaQuery);
    {
        Block state(2);
        unsigned char ok = ZALT_IOStateQuery(h, state.data());
        checkAgainstSent(h, ok, wire::cmd::IoStateQuery, state.data(), 2);
    }
    {
        Block setting(1);
        unsigned char ok = ZALT_Reading_IOQuery(h, setting.data());
        checkAgainstSent(h, ok, wire::cmd::ReadingIoQuery, setting.data(), 1);
    }
    {
        Block width(1);
        unsigned char ok = ZALT_IOPulseWidthQuery(h, 1, width.data());
        checkAgainstSent(h, ok, wire::cmd::PulseQuery, width.data(), 1);
    }
    noTypeQuery(h, wire::cmd::FlashCount, prm[PFlashCap], ZALT_FlashTotalCountQuery);
    noTypeQuery(h, wire::cmd::TimeQuery, prm[PTimeCap], ZALT_ReaderTimeQuery);
    {
        const int words = 1 + ((prm[PUserWordsHigh] << 8) | prm[PUserWordsLow]) % 4462;
        // Slack 0 is one byte short: the call must refuse before sending anything.
        const int cap = words * 2 - 1 + prm[PUserCapSlack] % 4;
        Block b{size_t(cap)};
        int len = cap;
        unsigned char ok = ZALT_6CReadUserData(h, 1, 0, words, 0, b.data(), &len);
        if (ok) {
            if (len < 0 || len * 2 > cap)
                std::abort();
            Sent s;
            if (!gReader->tainted() && gReader->sentFor(wire::cmd::ReadUser, &s) &&
                (s.payload.size() != size_t(2 + len * 2) ||
                 std::memcmp(s.payload.data() + 2, b.data(), size_t(len) * 2) != 0))
                std::abort();
        }
    }

    // Every failing receive call waits 30 ms, so only poll when reports came in (and now and then
    // without, to keep the empty path covered).
    unsigned long long received = 0;
    if (!ZALT_GetReportStats(h, &received, nullptr, nullptr, nullptr))
        std::abort();
    static unsigned idleTurn = 0;
    if (received > 0 || ++idleTurn % 16 == 0) {
        int failures = 0;
        for (unsigned i = 0; i < 192 && failures < 2; ++i) {
            if (!receiveOne(h, int((prm[PReceiveOrder] + i) % 3), prm))
                ++failures;
        }
    }
    {
        Block b(receiveCapacity(prm[PRawCap]));
        unsigned char len = prm[PRawCap];
        while (ZALT_RawRevData(h, b.data(), &len, 0)) {
            if (len == 0 || len > b.size)
                std::abort();
            len = prm[PRawCap];
        }
    }
    lastError(h);

    if (!ZALT_Close(h))
        std::abort();
    if (lastError(h) != wire::err::BadHandle)
        std::abort();
    return 0;
}
