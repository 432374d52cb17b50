#include "core/firmware/TftpSender.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
constexpr unsigned char kOpWrq = 2;
constexpr unsigned char kOpData = 3;
constexpr unsigned char kOpAck = 4;
constexpr unsigned char kOpError = 5;
const unsigned char kUnknownTransfer[] = {0,   kOpError, 0,   5,   'u', 'n', 'k', 'n',
                                          'o', 'w',      'n', ' ', 'T', 'I', 'D', 0};

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

uint16_t U16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
} // namespace

bool TftpSender::BuildWriteRequest(const std::string& fileName, const std::string& mode,
                                   std::vector<unsigned char>* out)
{
    if (mode != "netascii" && mode != "octet" && mode != "mail") {
        return false;
    }
    out->assign({0, kOpWrq});
    out->insert(out->end(), fileName.begin(), fileName.end());
    out->push_back(0);
    out->insert(out->end(), mode.begin(), mode.end());
    out->push_back(0);
    return true;
}

void TftpSender::Notify(Step step)
{
    if (m_observer) {
        m_observer(step);
    }
}

// Round-trip smoothing as TCP does it; only packets sent once give samples.
void TftpSender::Sample(int64_t rttMs)
{
    const double r = static_cast<double>(rttMs);
    if (m_srtt < 0) {
        m_srtt = r;
        m_rttvar = r / 2;
    } else {
        m_rttvar = 0.75 * m_rttvar + 0.25 * std::fabs(m_srtt - r);
        m_srtt = 0.875 * m_srtt + 0.125 * r;
    }
    m_timeout = std::clamp(m_srtt + std::max(1.0, 4 * m_rttvar), double(m_timing.minTimeoutMs),
                           double(m_timing.maxTimeoutMs));
}

TftpSender::Result TftpSender::Send(const UdpPeer& server, const std::string& fileName,
                                    const unsigned char* data, size_t size, const std::string& mode)
{
    m_stats = Stats();
    m_peerMessage.clear();
    m_server = server;
    m_locked = false;
    m_acksTaken = 0;
    m_srtt = -1;
    m_timeout = m_timing.initialTimeoutMs;
    m_socket.SetStopFlag(m_stop);

    if (!m_socket.Open(server.port, server.address)) {
        return Result::OpenFailed;
    }
    Notify(Step::Opened);
    std::vector<unsigned char> packet;
    if (!BuildWriteRequest(fileName, mode, &packet)) {
        m_socket.Close();
        return Result::BadMode;
    }
    Notify(Step::RequestBuilt);
    if (!m_socket.Send(packet.data(), static_cast<int>(packet.size()))) {
        m_socket.Close();
        return Result::RequestSendFailed;
    }
    Notify(Step::RequestSent);

    uint16_t block = 0;
    size_t offset = 0;
    bool lastSent = false;
    for (;;) {
        Notify(Step::AwaitingAck);
        const Result r = AwaitAck(block, packet);
        if (r != Result::Ok || lastSent) {
            m_stats.timeoutMs = static_cast<int>(m_timeout);
            m_socket.Close();
            return r;
        }
        const size_t chunk = std::min(kBlockSize, size - offset);
        ++block; // wraps to 0 after 65535, as servers expect
        packet.assign(
            {0, kOpData, static_cast<unsigned char>(block >> 8), static_cast<unsigned char>(block)});
        packet.insert(packet.end(), data + offset, data + offset + chunk);
        offset += chunk;
        // A short block, the empty one included, tells the server the file is complete.
        lastSent = chunk < kBlockSize;
        ++m_stats.blocks;
        if (!m_socket.Send(packet.data(), static_cast<int>(packet.size()))) {
            m_socket.Close();
            return Result::SendFailed;
        }
    }
}

TftpSender::Result TftpSender::AwaitAck(uint16_t block, const std::vector<unsigned char>& packet)
{
    const int64_t first = NowMs();
    const int64_t giveUp = first + m_timing.silenceMs;
    int64_t sentAt = first;
    int sends = 1;
    bool repeated = false;
    int64_t nextResend = sentAt + static_cast<int64_t>(m_timeout);
    unsigned char reply[UdpSocket::kMaxDatagram];
    for (;;) {
        int64_t now = NowMs();
        if (now >= giveUp) {
            return Result::NoReply;
        }
        if (now >= nextResend && sends < m_timing.maxSends) {
            if (!m_socket.Send(packet.data(), static_cast<int>(packet.size()))) {
                return block == 0 ? Result::RequestSendFailed : Result::SendFailed;
            }
            ++sends;
            ++m_stats.resends;
            repeated = true;
            sentAt = now;
            m_timeout = std::min(m_timeout * 2, double(m_timing.maxTimeoutMs));
            nextResend = now + static_cast<int64_t>(m_timeout);
        }
        const int64_t until = sends < m_timing.maxSends ? std::min(nextResend, giveUp) : giveUp;
        UdpPeer from;
        const int n =
            m_socket.Receive(reply, sizeof reply, static_cast<int>(std::max<int64_t>(1, until - now)), &from);
        if (m_stop && m_stop->load()) {
            return Result::Stopped;
        }
        if (n < 4) {
            continue; // nothing, or too short to be a TFTP packet
        }
        const bool fromServer = m_locked ? from == m_server : from.address == m_server.address;
        if (!fromServer) {
            ++m_stats.strayPackets;
            if (m_locked) {
                // As the protocol asks: tell the stranger, and carry on with the server.
                const UdpPeer keep = m_socket.Destination();
                m_socket.SetDestination(from);
                m_socket.Send(kUnknownTransfer, sizeof kUnknownTransfer);
                m_socket.SetDestination(keep);
            }
            continue;
        }
        if (reply[0] != 0 || reply[1] != kOpAck) {
            if (reply[0] == 0 && reply[1] == kOpError) {
                const auto* text = reinterpret_cast<const char*>(reply + 4);
                m_peerMessage.assign(text, std::find(text, reinterpret_cast<const char*>(reply + n), '\0'));
            } else {
                m_peerMessage.assign(reinterpret_cast<const char*>(reply), static_cast<size_t>(n));
            }
            return Result::PeerMessage;
        }
        const uint16_t acked = U16(reply + 2);
        if (acked == block) {
            if (!m_locked) {
                // The server may answer from a port of its own: that is where the transfer goes on.
                m_server = from;
                m_socket.SetDestination(from);
                m_locked = true;
            }
            if (!repeated) {
                Sample(NowMs() - sentAt);
            }
            ++m_acksTaken;
            return Result::Ok;
        }
        const int behind = static_cast<uint16_t>(block - acked);
        if (behind >= 1 && behind <= std::min(m_acksTaken, 32767)) {
            // An acknowledgement that came twice: answering it would double every later packet.
            ++m_stats.duplicateAcks;
            continue;
        }
        return Result::WrongBlock;
    }
}
