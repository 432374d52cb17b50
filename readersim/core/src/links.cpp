// Links: a peer each, with its output queue, the answers it may ask for again and its session.
#include "simulator_impl.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace readersim {

Link& Core::addLink(Endpoint* endpoint, LinkKind kind, int fd)
{
    auto l = std::make_unique<Link>();
    l->id = nextLinkId++;
    l->kind = kind;
    l->endpoint = endpoint;
    l->fd = fd;
    links.push_back(std::move(l));
    return *links.back();
}

Link* Core::findLink(int id)
{
    for (auto& l : links) {
        if (l->id == id && !l->dead) {
            return l.get();
        }
    }
    return nullptr;
}

void Core::dropLink(Link& l, bool cut)
{
    if (l.dead) {
        return;
    }
    l.dead = true;
    l.endpoint->linkDropped(l);
    if (cut) {
        ++counters.linksCut;
    }
    if (ownerId == l.id) {
        family->stopInventory();
        ownerId = 0;
    }
    // The descriptor itself is released by reap(), once the poll set no longer refers to it.
}

void Core::dropAllLinks(bool cut)
{
    for (auto& l : links) {
        dropLink(*l, cut);
    }
}

void Core::reap()
{
    auto live = std::stable_partition(links.begin(), links.end(),
                                      [](const std::unique_ptr<Link>& l) { return !l->dead; });
    if (live == links.end()) {
        return;
    }
    std::vector<std::unique_ptr<Link>> dead;
    std::move(live, links.end(), std::back_inserter(dead));
    links.erase(live, links.end());
    // Out of the list first: an endpoint may open a new link in its place.
    for (auto& l : dead) {
        l->endpoint->linkClosed(*l);
    }
}

void Core::closeAll()
{
    stopping = true;
    dropAllLinks(false);
    reap();
    for (auto& e : endpoints) {
        e->close();
    }
    endpoints.clear();
    if (wakeFd >= 0) {
        ::close(wakeFd);
        wakeFd = -1;
    }
    std::lock_guard<std::mutex> g(clientsMutex);
    tcpClientCount = 0;
}

void Core::readStream(Link& l, int64_t now)
{
    uint8_t buf[65536];
    for (int round = 0; round < 16; ++round) {
        ssize_t n = ::read(l.fd, buf, sizeof buf);
        if (n > 0) {
            l.decoder.feed(buf, size_t(n));
            wire::Frame f;
            while (!l.dead && l.decoder.next(f)) {
                received(l, f, now);
            }
            uint64_t bad = l.decoder.framesDropped();
            counters.badFrames += bad - l.badSeen;
            l.badSeen = bad;
            if (size_t(n) < sizeof buf) {
                return;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        if (l.kind == LinkKind::Pty && n < 0 && errno == EIO) {
            return; // no client holds the device open; we keep the slave, so this is transient
        }
        dropLink(l, false);
        return;
    }
}

void Core::countFrameSent(Link& l)
{
    ++l.framesSent;
    ++counters.framesSent;
    if (faults.cutDue(l.framesSent)) {
        l.closeAfterFlush = true;
    }
}

void Core::transmit(Link& l, std::vector<uint8_t>&& bytes)
{
    if (l.dead || l.closeAfterFlush) {
        return;
    }
    if (l.kind == LinkKind::Udp) {
        if (l.datagrams.size() >= kMaxBacklog / 1024) {
            return; // the socket has been refusing for long: like a full network, the frame is lost
        }
        l.datagrams.push_back(std::move(bytes));
    } else {
        if (l.pendingBytes() >= kMaxBacklog) {
            dropLink(l, false);
            return;
        }
        l.out.insert(l.out.end(), bytes.begin(), bytes.end());
    }
    countFrameSent(l);
}

void Core::queueAnswer(Link& l, std::vector<uint8_t> bytes, int64_t now)
{
    if (faults.dropAnswer()) {
        return;
    }
    faults.corruptAnswer(bytes.data(), bytes.size());
    const int latency = faults.latencyMs();
    // Answers keep their order: once one waits, the next waits behind it.
    if (latency > 0 || !l.delayed.empty()) {
        l.delayed.push_back(Delayed{now + std::max(latency, 0), std::move(bytes)});
        return;
    }
    transmit(l, std::move(bytes));
}

void Core::releaseDelayed(int64_t now)
{
    for (auto& lp : links) {
        Link& l = *lp;
        while (!l.dead && !l.delayed.empty() && l.delayed.front().due <= now) {
            transmit(l, std::move(l.delayed.front().bytes));
            l.delayed.pop_front();
        }
    }
}

void Core::flush(Link& l)
{
    if (l.dead) {
        return;
    }
    if (l.kind == LinkKind::Udp) {
        while (!l.datagrams.empty()) {
            const std::vector<uint8_t>& d = l.datagrams.front();
            ssize_t n = ::sendto(l.fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&l.peer),
                                 sizeof l.peer);
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)) {
                return;
            }
            l.datagrams.pop_front(); // sent, or refused for good (nobody listens): either way done
        }
    } else {
        while (l.outPos < l.out.size()) {
            size_t len = l.out.size() - l.outPos;
            ssize_t n = l.kind == LinkKind::Tcp ? ::send(l.fd, l.out.data() + l.outPos, len, MSG_NOSIGNAL)
                                                : ::write(l.fd, l.out.data() + l.outPos, len);
            if (n > 0) {
                l.outPos += size_t(n);
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                break;
            }
            dropLink(l, false);
            return;
        }
        if (l.outPos == l.out.size()) {
            l.out.clear();
            l.outPos = 0;
        } else if (l.outPos > l.out.size() / 2) {
            l.out.erase(l.out.begin(), l.out.begin() + long(l.outPos));
            l.outPos = 0;
        }
    }
    // A cut does not wait for a reader that never drains the link: what is still queued is lost.
    if (l.closeAfterFlush) {
        dropLink(l, true);
    } else if (l.forgetAfterFlush && !l.hasOutput()) {
        dropLink(l, false);
    }
}

} // namespace readersim
