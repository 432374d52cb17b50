#include "readersim/tftp_server.h"

#include "udp_service.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <random>

namespace readersim {

namespace {

constexpr size_t kBlock = 512;

enum Opcode : uint16_t
{
    Rrq = 1,
    Wrq = 2,
    Data = 3,
    Ack = 4,
    Error = 5
};

enum ErrorCode : uint16_t
{
    NotDefined = 0,
    AccessViolation = 2,
    DiskFull = 3,
    IllegalOperation = 4,
    UnknownTransfer = 5
};

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint64_t keyOf(const sockaddr_in& a)
{
    return uint64_t(ntohl(a.sin_addr.s_addr)) << 16 | ntohs(a.sin_port);
}

// A name that stays inside the folder: no separators, not "." or "..".
bool safeName(const std::string& name)
{
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

const std::array<uint32_t, 256>& crcTable()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            }
            t[i] = c;
        }
        return t;
    }();
    return table;
}

struct Transfer
{
    sockaddr_in peer{};
    std::string name;
    std::vector<uint8_t> data;
    uint16_t lastAcked = 0; // block number of the last ACK sent
    bool done = false;      // complete; kept a while to acknowledge a repeated last block
    int64_t lastHeard = 0;
};

} // namespace

struct TftpServer::Impl : UdpService
{
    TftpOptions o;
    mutable std::mutex mutex;
    std::mt19937 rng;
    std::map<uint64_t, Transfer> transfers;
    std::map<std::string, std::vector<uint8_t>> files;
    TftpStats stats;

    ~Impl() override { stopService(); }

    bool dice(double p) { return p > 0 && std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p; }

    // Caller holds the mutex.
    void send(const std::vector<uint8_t>& packet, const sockaddr_in& to)
    {
        if (dice(o.dropP)) {
            ++stats.dropped;
            return;
        }
        const int copies = dice(o.duplicateP) ? 2 : 1;
        stats.duplicated += static_cast<uint64_t>(copies - 1);
        for (int i = 0; i < copies; ++i) {
            if (sendTo(packet.data(), packet.size(), to)) {
                ++stats.packetsOut;
            }
        }
    }

    void sendAck(uint16_t block, const sockaddr_in& to)
    {
        send({0, Ack, static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block)}, to);
    }

    void sendError(uint16_t code, const std::string& message, const sockaddr_in& to)
    {
        std::vector<uint8_t> p = {0, Error, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
        p.insert(p.end(), message.begin(), message.end());
        p.push_back(0);
        ++stats.errorsSent;
        send(p, to);
    }

    void onDatagram(const uint8_t* data, size_t length, const sockaddr_in& from) override
    {
        if (!o.allowAnyAddress && !isLoopback(from)) {
            return;
        }
        std::lock_guard<std::mutex> lock(mutex);
        ++stats.packetsIn;
        if (dice(o.dropP)) {
            ++stats.dropped;
            return;
        }
        const int copies = dice(o.duplicateP) ? 2 : 1;
        stats.duplicated += static_cast<uint64_t>(copies - 1);
        for (int i = 0; i < copies; ++i) {
            handle(data, length, from);
        }
    }

    void handle(const uint8_t* data, size_t length, const sockaddr_in& from)
    {
        if (length < 4) {
            sendError(IllegalOperation, "short packet", from);
            return;
        }
        const uint64_t key = keyOf(from);
        switch (u16(data)) {
        case Wrq:
            writeRequest(data + 2, length - 2, from);
            break;
        case Data: {
            auto it = transfers.find(key);
            if (it == transfers.end()) {
                sendError(UnknownTransfer, "unknown transfer ID", from);
                return;
            }
            block(it->second, u16(data + 2), data + 4, length - 4);
            break;
        }
        case Error:
            transfers.erase(key);
            break;
        case Rrq:
            sendError(AccessViolation, "files can only be written", from);
            break;
        case Ack:
            break;
        default:
            sendError(IllegalOperation, "illegal TFTP operation", from);
            break;
        }
    }

    void writeRequest(const uint8_t* p, size_t n, const sockaddr_in& from)
    {
        const auto* end = p + n;
        const auto* nameEnd = std::find(p, end, uint8_t(0));
        const auto* modeEnd = nameEnd == end ? end : std::find(nameEnd + 1, end, uint8_t(0));
        if (nameEnd == end || modeEnd == end) {
            sendError(IllegalOperation, "malformed write request", from);
            return;
        }
        const std::string name(p, nameEnd);
        const std::string mode = lower(std::string(nameEnd + 1, modeEnd));
        if (mode != "octet" && mode != "netascii") {
            sendError(NotDefined, "unsupported mode", from);
            return;
        }
        if (!safeName(name)) {
            sendError(AccessViolation, "bad file name", from);
            return;
        }
        Transfer& t = transfers[keyOf(from)];
        // The same request again (its acknowledgement was lost) keeps the transfer as it is.
        const bool repeated = t.name == name && !t.done && t.lastAcked == 0 && t.data.empty();
        if (!repeated) {
            t = Transfer();
            t.peer = from;
            t.name = name;
        }
        t.lastHeard = nowMs();
        sendAck(0, from);
    }

    void block(Transfer& t, uint16_t number, const uint8_t* data, size_t n)
    {
        t.lastHeard = nowMs();
        if (number == t.lastAcked) {
            // Our acknowledgement was lost or the block was doubled: acknowledge again, nothing more.
            ++stats.duplicateData;
            sendAck(number, t.peer);
            return;
        }
        if (t.done || number != static_cast<uint16_t>(t.lastAcked + 1)) {
            return; // out of sequence: the sender times out and repeats what it has to
        }
        if (t.data.size() + n > o.maxFileBytes) {
            sendError(DiskFull, "file too large", t.peer);
            transfers.erase(keyOf(t.peer));
            return;
        }
        t.data.insert(t.data.end(), data, data + n);
        t.lastAcked = number;
        if (n < kBlock) {
            t.done = true;
            store(t.name, t.data);
        }
        sendAck(number, t.peer);
    }

    void store(const std::string& name, const std::vector<uint8_t>& data)
    {
        files[name] = data;
        ++stats.filesReceived;
        if (o.dir.empty()) {
            return;
        }
        // Written aside and renamed, so a reader of the folder never sees half a file.
        const std::string path = o.dir + "/" + name;
        const std::string temp = path + ".part";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
            if (!out) {
                std::fprintf(stderr, "readersim: tftp: cannot write %s\n", temp.c_str());
                return;
            }
        }
        std::rename(temp.c_str(), path.c_str());
    }

    void onTick(int64_t now) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (auto it = transfers.begin(); it != transfers.end();) {
            if (now - it->second.lastHeard >= o.idleTimeoutMs) {
                stats.transfersAbandoned += it->second.done ? 0 : 1;
                it = transfers.erase(it);
            } else {
                ++it;
            }
        }
    }
};

TftpServer::TftpServer(TftpOptions options) : d(std::make_unique<Impl>())
{
    d->o = std::move(options);
    d->rng.seed(d->o.seed);
}

TftpServer::~TftpServer() = default;

bool TftpServer::start(std::string* error)
{
    return d->startService("tftp", d->o.host, d->o.port, d->o.allowAnyAddress, false, error);
}

void TftpServer::stop()
{
    d->stopService();
}

int TftpServer::port() const
{
    return d->boundPort();
}

bool TftpServer::file(const std::string& name, std::vector<uint8_t>* out) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    auto it = d->files.find(name);
    if (it == d->files.end()) {
        return false;
    }
    if (out) {
        *out = it->second;
    }
    return true;
}

bool TftpServer::transferring(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return std::any_of(d->transfers.begin(), d->transfers.end(),
                       [&](const auto& t) { return !t.second.done && t.second.name == name; });
}

TftpStats TftpServer::stats() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats;
}

Result TftpServer::checkUpdate(const UpdateRequest& request) const
{
    if (transferring(request.name)) {
        return Result::Busy;
    }
    std::vector<uint8_t> data;
    if (!file(request.name, &data) || data.size() != request.size) {
        return Result::BadArgument;
    }
    if (request.kind != 2 && crc32(data.data(), data.size()) != request.checksum) {
        return Result::BadArgument;
    }
    return Result::Ok;
}

void TftpServer::setDropProbability(double p)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->o.dropP = p;
}

void TftpServer::setDuplicateProbability(double p)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->o.duplicateP = p;
}

uint32_t TftpServer::crc32(const uint8_t* data, size_t length)
{
    const auto& table = crcTable();
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i) {
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    }
    return crc;
}

} // namespace readersim
