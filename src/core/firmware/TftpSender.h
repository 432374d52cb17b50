#pragma once

#include "core/discovery/UdpSocket.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes one file to a TFTP server (RFC 1350, with the corrections of RFC 1123). Plain C++.
//
// The first acknowledgement fixes the server's address and port; later packets go there and replies
// from anywhere else are refused. A packet is repeated only when its time-out runs out — never because
// an acknowledgement came twice — with a time-out that follows the measured round trip. A file whose
// size is a multiple of 512 ends with an empty block, since the server waits for a short one.
class TftpSender
{
public:
    enum class Result
    {
        Ok,
        OpenFailed,        // no socket
        BadMode,           // the write request cannot be built for that mode
        RequestSendFailed, // the write request did not go out
        NoReply,           // no acceptable reply within the silence limit
        WrongBlock,        // the server acknowledged a block that was never sent
        PeerMessage,       // the server answered with an error or something else: see PeerMessage()
        SendFailed,        // a data block did not go out
        Stopped
    };
    // Points the update progress hangs on.
    enum class Step
    {
        Opened,
        RequestBuilt,
        RequestSent,
        AwaitingAck // once before waiting for each acknowledgement
    };
    struct Timing
    {
        int initialTimeoutMs = 200; // before the first round trip is measured
        int minTimeoutMs = 20;
        int maxTimeoutMs = 1000;
        int silenceMs = 3000; // give a packet up this long after it was first sent
        int maxSends = 8;     // of one packet, the first included
    };
    struct Stats
    {
        int blocks = 0;
        int resends = 0;
        int duplicateAcks = 0;
        int strayPackets = 0; // from other addresses or ports, refused
        int timeoutMs = 0;    // the time-out in force at the end
    };

    static constexpr size_t kBlockSize = 512;

    void SetStepObserver(std::function<void(Step)> observer) { m_observer = std::move(observer); }
    void SetStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    void SetTiming(const Timing& timing) { m_timing = timing; }

    Result Send(const UdpPeer& server, const std::string& fileName, const unsigned char* data, size_t size,
                const std::string& mode = "octet");

    // The server's error text (or the whole packet, when it was no error packet).
    std::string PeerMessage() const { return m_peerMessage; }
    Stats GetStats() const { return m_stats; }

    // Opcode 2, name, 0, mode, 0. Knows "netascii", "octet" and "mail"; false for other modes.
    static bool BuildWriteRequest(const std::string& fileName, const std::string& mode,
                                  std::vector<unsigned char>* out);

private:
    Result AwaitAck(uint16_t block, const std::vector<unsigned char>& packet);
    void Notify(Step step);
    void Sample(int64_t rttMs);

    UdpSocket m_socket;
    std::function<void(Step)> m_observer;
    const std::atomic<bool>* m_stop = nullptr;
    Timing m_timing;
    Stats m_stats;
    std::string m_peerMessage;
    UdpPeer m_server;
    bool m_locked = false;
    int m_acksTaken = 0;
    double m_srtt = -1;
    double m_rttvar = 0;
    double m_timeout = 0;
};
