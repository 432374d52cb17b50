// Inventories, the report queue, tag operations and the sensitivity test: the calls whose results come
// back as reports.
#include "session.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace gjbzaltlink {

namespace {

constexpr size_t kMaxAntennas = 16;
constexpr int kMaxWaitMs = 60000;
// A receive on a dead link still waits this long, so a loop that polls never spins.
constexpr int kDeadLinkWaitMs = 100;
constexpr uint16_t kMaxReadWords = 4096;
constexpr uint16_t kMaxWriteWords = 512; // the request record's 1024-byte data area
constexpr uint16_t kMaxMatchBits = 254 * 8;

// The caller's request record (gjbzaltlink.h): 16-bit values little-endian, passwords first byte first.
struct RecordView
{
    const unsigned char* p;

    uint8_t u8(size_t at) const { return p[at]; }
    uint16_t le16(size_t at) const { return uint16_t(p[at] | (p[at + 1] << 8)); }
    uint32_t password(size_t at) const { return wire::getU32(p + at); }
    std::vector<uint8_t> bytes(size_t at, size_t n) const { return std::vector<uint8_t>(p + at, p + at + n); }
};

bool readMatch(const RecordView& r, g::AccessMatch* m)
{
    if (r.u8(GJB_ACC_VERSION) != 1)
        return false;
    m->startWord = r.le16(GJB_ACC_MATCH_START);
    m->maskBits = r.le16(GJB_ACC_MASK_BITS);
    m->idBits = r.le16(GJB_ACC_ID_BITS);
    if (m->maskBits > kMaxMatchBits || m->idBits > kMaxMatchBits)
        return false;
    m->mask = r.bytes(GJB_ACC_MASK, (m->maskBits + 7u) / 8u);
    m->id = r.bytes(GJB_ACC_ID, (m->idBits + 7u) / 8u);
    m->match = r.u8(GJB_ACC_MATCH);
    return true;
}

bool antennaList(int count, const unsigned char* antennas, std::vector<uint8_t>* out)
{
    if (count < 0 || size_t(count) > kMaxAntennas || (count > 0 && !antennas))
        return false;
    out->assign(antennas, antennas + count);
    return true;
}

bool byteValue(int v)
{
    return v >= 0 && v <= 255;
}

// A request whose reports must not be mixed with those of an earlier run (a tag operation's result
// with the tail of an inventory, say): the queue is emptied first.
template <class Request> unsigned char startRun(intptr_t h, uint8_t command, const Request& r)
{
    Call c;
    if (!begin(h, c))
        return 0;
    c.conn->clearReports();
    return exchange(h, command, r);
}

void putU16(unsigned char* p, uint32_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

} // namespace

} // namespace gjbzaltlink

using namespace gjbzaltlink;

extern "C" {

unsigned char GJB_API GJB_Inventory(GJB_HANDLE h, int antennaCount, const unsigned char* antennas, int mode,
                                    int durationMs, int forwardLink, int reserved, int reverseLink,
                                    int coding, int preamble)
{
    g::InventoryRequest r;
    if (!antennaList(antennaCount, antennas, &r.antennas) || !byteValue(mode) || durationMs < 0 ||
        !byteValue(forwardLink) || !byteValue(reserved) || !byteValue(reverseLink) || !byteValue(coding) ||
        !byteValue(preamble))
        return badArgument(h);
    r.mode = uint8_t(mode);
    r.duration = uint32_t(durationMs);
    r.forwardLink = uint8_t(forwardLink);
    r.reserved = uint8_t(reserved);
    r.reverseLink = uint8_t(reverseLink);
    r.coding = uint8_t(coding);
    r.preamble = uint8_t(preamble);
    return startRun(h, g::cmd::Inventory, r);
}

unsigned char GJB_API GJB_StopInventorySpecReadTag(GJB_HANDLE h)
{
    return exchange(h, g::cmd::Stop, wire::Empty());
}

unsigned char GJB_API GJB_Set_Inventory_Spec(GJB_HANDLE h, int antennaCount, const unsigned char* antennas,
                                             int mode, int durationMs)
{
    g::SpecRecord r;
    if (!antennaList(antennaCount, antennas, &r.antennas) || !byteValue(mode) || durationMs < 0)
        return badArgument(h);
    r.mode = uint8_t(mode);
    r.duration = uint32_t(durationMs);
    return exchange(h, g::cmd::SpecSet, r);
}

unsigned char GJB_API GJB_Get_Inventory_Spec(GJB_HANDLE h, int* antennaCount, unsigned char* antennas,
                                             int* mode, int* durationMs)
{
    if (!antennaCount || !antennas || !mode || !durationMs)
        return badArgument(h);
    g::SpecRecord a;
    if (!exchangeFor(h, g::cmd::SpecQuery, wire::Empty(), &a))
        return 0;
    if (a.antennas.size() > kMaxAntennas)
        return setError(h, err::BadFrame);
    std::copy(a.antennas.begin(), a.antennas.end(), antennas);
    *antennaCount = int(a.antennas.size());
    *mode = a.mode;
    *durationMs = int(std::min<uint32_t>(a.duration, 0x7FFFFFFF));
    return 1;
}

unsigned char GJB_API GJB_Set_Inventory_Spec_ReadTag(GJB_HANDLE h, int run)
{
    g::RunRequest r;
    r.run = run != 0 ? 1 : 0;
    return run != 0 ? startRun(h, g::cmd::SpecRun, r) : exchange(h, g::cmd::SpecRun, r);
}

unsigned char GJB_API GJB_Get_TagReport(GJB_HANDLE h)
{
    return startRun(h, g::cmd::SingleRound, wire::Empty());
}

unsigned char GJB_API GJB_Receive_TagReport(GJB_HANDLE h, unsigned char* buffer, int waitMs)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const int wait = std::clamp(waitMs, 0, kMaxWaitMs);
    const auto deadline = start + std::chrono::milliseconds(wait);
    // A failure on a dead link waits a little of the wait, so a polling loop neither spins nor hangs.
    auto deadLink = [&] {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(std::min(wait, kDeadLinkWaitMs)));
        return static_cast<unsigned char>(0);
    };
    if (!buffer) {
        badArgument(h);
        return deadLink();
    }
    Call c;
    if (!begin(h, c))
        return deadLink();
    Frame f;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!c.conn->popReport(f, int(std::max<long>(0, left.count())))) {
            if (c.conn->linkLost()) {
                c.fail(err::LinkLost);
                return deadLink();
            }
            return 0; // no report: not the handle's error
        }
        if (g::writeRecord(f, buffer, GJB_REPORT_BUFFER_SIZE) == 0)
            continue;
        if (c.conn->takeOverflowFlag())
            c.session->lastError.store(err::ReportOverflow);
        return 1;
    }
}

// --- tag operations --------------------------------------------------------------------------------------

unsigned char GJB_API GJB_UHFRead_Tag(GJB_HANDLE h, const unsigned char* request)
{
    if (!request)
        return badArgument(h);
    const RecordView v{request};
    g::ReadRequest r;
    r.area = v.u8(GJB_ACC_AREA);
    r.startWord = v.le16(GJB_ACC_START);
    r.words = v.le16(GJB_ACC_WORDS);
    r.password = v.password(GJB_ACC_PASSWORD);
    if (!readMatch(v, &r.target) || r.words > kMaxReadWords)
        return badArgument(h);
    return startRun(h, g::cmd::AccessRead, r);
}

unsigned char GJB_API GJB_UHFErase_Tag(GJB_HANDLE h, const unsigned char* request)
{
    if (!request)
        return badArgument(h);
    const RecordView v{request};
    g::ReadRequest r;
    r.area = v.u8(GJB_ACC_AREA);
    r.startWord = v.le16(GJB_ACC_START);
    r.words = v.le16(GJB_ACC_WORDS);
    r.password = v.password(GJB_ACC_PASSWORD);
    if (!readMatch(v, &r.target) || r.words > kMaxReadWords)
        return badArgument(h);
    return startRun(h, g::cmd::AccessErase, r);
}

unsigned char GJB_API GJB_UHFWrite_Tag(GJB_HANDLE h, const unsigned char* request)
{
    if (!request)
        return badArgument(h);
    const RecordView v{request};
    g::WriteRequest r;
    r.area = v.u8(GJB_ACC_AREA);
    r.startWord = v.le16(GJB_ACC_START);
    const uint16_t words = v.le16(GJB_ACC_WORDS);
    // The count stands twice in the record; two that differ make it malformed.
    if (!readMatch(v, &r.target) || words > kMaxWriteWords || v.le16(GJB_ACC_WORDS + 2) != words)
        return badArgument(h);
    r.data = v.bytes(GJB_ACC_WRITE_DATA, size_t(words) * 2);
    r.password = v.password(GJB_ACC_WRITE_PASSWORD);
    return startRun(h, g::cmd::AccessWrite, r);
}

unsigned char GJB_API GJB_UHFLock_Tag(GJB_HANDLE h, const unsigned char* request)
{
    if (!request)
        return badArgument(h);
    const RecordView v{request};
    g::LockRequest r;
    r.area = v.le16(GJB_ACC_AREA);
    r.action = v.u8(GJB_ACC_LOCK_ACTION);
    r.password = v.password(GJB_ACC_LOCK_PASSWORD);
    if (!readMatch(v, &r.target))
        return badArgument(h);
    return startRun(h, g::cmd::AccessLock, r);
}

unsigned char GJB_API GJB_UHFKill_Tag(GJB_HANDLE h, const unsigned char* request)
{
    if (!request)
        return badArgument(h);
    const RecordView v{request};
    g::KillRequest r;
    r.password = v.password(GJB_ACC_KILL_PASSWORD);
    if (!readMatch(v, &r.target))
        return badArgument(h);
    return startRun(h, g::cmd::AccessKill, r);
}

unsigned char GJB_API GJB_Get_Access_Spec(GJB_HANDLE h, unsigned char* record)
{
    if (!record)
        return badArgument(h);
    g::AccessSpecAnswer a;
    if (!exchangeFor(h, g::cmd::AccessSpecQuery, wire::Empty(), &a))
        return 0;
    record[0] = a.operation;
    record[1] = a.status;
    record[2] = a.area;
    record[3] = 0;
    putU16(record + 4, a.startWord);
    putU16(record + 6, a.words);
    return 1;
}

unsigned char GJB_API GJB_UHF_SetAccessInvalid(GJB_HANDLE h)
{
    return exchange(h, g::cmd::AccessInvalid, wire::Empty());
}

unsigned char GJB_API GJB_SensitivityTest(GJB_HANDLE h, int mode, int count)
{
    if (!byteValue(mode) || count < 0)
        return badArgument(h);
    g::SensitivityRequest r;
    r.mode = uint8_t(mode);
    r.count = uint32_t(count);
    return mode == 1 ? startRun(h, g::cmd::SensitivityTest, r) : exchange(h, g::cmd::SensitivityTest, r);
}

} // extern "C"
