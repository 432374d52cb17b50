// readersim: the reader's TFTP write server. Files arrive by write request and are kept by name, in
// memory and (with a folder) on disk; the update command then checks what arrived.
//
// Like the readers it plays, it answers from its listening port; each client address and port is a
// transfer of its own. Losses and duplicates can be injected both ways.
#pragma once

#include "readersim/model.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace readersim {

struct TftpOptions
{
    std::string host = "127.0.0.1";
    int port = 0;    // 0 = pick a free port (a real reader listens on 69)
    std::string dir; // keep each received file here under its name; empty = memory only
    bool allowAnyAddress = false;
    double dropP = 0;      // lose a packet, in either direction, with this probability
    double duplicateP = 0; // deliver a packet twice, in either direction
    uint32_t seed = 1;
    int idleTimeoutMs = 10000;              // a transfer silent this long is abandoned
    size_t maxFileBytes = 64 * 1024 * 1024; // larger files are refused with "disk full"
};

struct TftpStats
{
    uint64_t packetsIn = 0;
    uint64_t packetsOut = 0;
    uint64_t dropped = 0;       // by fault injection, both directions
    uint64_t duplicated = 0;    // likewise
    uint64_t duplicateData = 0; // DATA blocks that had already arrived (acknowledged again)
    uint64_t errorsSent = 0;
    uint64_t filesReceived = 0;
    uint64_t transfersAbandoned = 0;
};

class TftpServer
{
public:
    explicit TftpServer(TftpOptions options = TftpOptions());
    ~TftpServer();
    TftpServer(const TftpServer&) = delete;
    TftpServer& operator=(const TftpServer&) = delete;

    bool start(std::string* error = nullptr);
    void stop();
    int port() const;

    // The last complete file of that name.
    bool file(const std::string& name, std::vector<uint8_t>* out) const;
    bool transferring(const std::string& name) const;
    TftpStats stats() const;

    // What the update command answers: Busy while that file is still arriving; BadArgument when it
    // never arrived, its size differs or (kinds 0 and 1) its checksum does; Ok otherwise.
    Result checkUpdate(const UpdateRequest& request) const;

    void setDropProbability(double p);
    void setDuplicateProbability(double p);

    // CRC-32, polynomial 0x04C11DB7, most significant bit first, initial value 0, no final XOR.
    static uint32_t crc32(const uint8_t* data, size_t length);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace readersim
