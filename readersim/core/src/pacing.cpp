// When the inventory's reports go, and the heartbeats and IO events that go to every session.
#include "simulator_impl.h"

#include <wire/commands.h>
#include <wire/messages_6c.h>

#include <algorithm>

namespace readersim {

namespace {

// Reports into the link that started the inventory. TCP and pty reports are encoded straight into
// the link's buffer: no allocation per report at full rate.
class LinkReports : public ReportSink
{
public:
    LinkReports(Core& core, Link& link) : d(core), l(link) {}

    uint32_t nextSequence() override { return ++l.reportSeq; }

    bool send(const wire::Frame& report) override
    {
        // A dropped report still used up its number, so the host sees the gap.
        if (d.faults.dropUnsolicited() || l.closeAfterFlush) {
            return false;
        }
        if (l.kind == LinkKind::Udp) {
            std::vector<uint8_t> bytes = wire::encode(report);
            d.faults.corruptUnsolicited(bytes.data(), bytes.size());
            d.transmit(l, std::move(bytes));
        } else {
            const size_t start = l.out.size();
            wire::encodeTo(report, l.out);
            d.faults.corruptUnsolicited(l.out.data() + start, l.out.size() - start);
            d.countFrameSent(l);
        }
        return true;
    }

private:
    Core& d;
    Link& l;
};

} // namespace

void Pacer::restart(int64_t now)
{
    credit_ = 0;
    lastCreditMs_ = now;
    idleUntil_ = 0;
}

size_t Pacer::allowance(int64_t now)
{
    const double r = rate_.load();
    if (r <= 0) {
        return kBatch;
    }
    credit_ += r * double(now - lastCreditMs_) / 1000.0;
    // A stalled link does not earn a burst: at most a tenth of a second's worth waits.
    credit_ = std::min(credit_, std::max(2.0, r / 10));
    lastCreditMs_ = now;
    return std::min(kBatch, size_t(credit_));
}

void Pacer::spent(size_t n, int64_t now)
{
    if (rate_.load() > 0) {
        credit_ -= double(n);
    }
    if (n == 0) {
        idleUntil_ = now + kIdleRetryMs;
    }
}

int64_t Pacer::nextDue(int64_t now) const
{
    if (now < idleUntil_) {
        return idleUntil_;
    }
    const double r = rate_.load();
    if (r <= 0) {
        return now;
    }
    // Wake when a report is due, but batch: never more often than every 2 ms.
    const double waitMs = credit_ >= 1 ? 0 : (1 - credit_) * 1000.0 / r;
    return now + std::max<int64_t>(2, int64_t(waitMs));
}

void Core::generateReports(int64_t now)
{
    if (ownerId == 0) {
        return;
    }
    Link* l = findLink(ownerId);
    // No report overtakes a delayed answer on its link.
    if (!l || l->closeAfterFlush || !l->delayed.empty() || pacer.idle(now)) {
        pacer.hold(now);
        return;
    }
    const size_t want = pacer.allowance(now);
    if (want == 0 || l->congested()) {
        return;
    }
    if (!family->inventoryRunning()) {
        ownerId = 0;
        return;
    }
    LinkReports sink(*this, *l);
    size_t produced = 0;
    while (produced < want && !l->congested() && !l->closeAfterFlush) {
        const size_t chunk = std::min<size_t>(want - produced, 256);
        const size_t n = family->generateReports(chunk, now, sink);
        produced += n;
        if (n < chunk) {
            break;
        }
    }
    pacer.spent(produced, now);
}

void Core::emitUnsolicited(Link& l, const wire::Frame& f)
{
    if (l.congested()) {
        return; // nobody drains this link: do not pile up status frames
    }
    std::vector<uint8_t> bytes = wire::encode(f);
    if (faults.dropUnsolicited()) {
        return;
    }
    faults.corruptUnsolicited(bytes.data(), bytes.size());
    transmit(l, std::move(bytes));
}

void Core::sendUnsolicited(int64_t now)
{
    if (inputsChanged.exchange(false)) {
        wire::Frame f;
        family->ioEvent(f);
        for (auto& l : links) {
            if (!l->dead && l->session) {
                emitUnsolicited(*l, f);
            }
        }
    }
    if (opt.heartbeatMs <= 0) {
        return;
    }
    wire::Frame f;
    f.cmd = wire::cmd::Heartbeat;
    for (auto& l : links) {
        if (l->dead || !l->session || now < l->nextHeartbeat || now < rebootUntil) {
            continue;
        }
        l->nextHeartbeat = now + opt.heartbeatMs;
        wire::m6c::HeartbeatReport h;
        h.lastReportSequence = l->reportSeq;
        h.uptimeSeconds = uint32_t((now - startMs) / 1000);
        f.payload.clear();
        h.encode(f.payload);
        emitUnsolicited(*l, f);
    }
}

} // namespace readersim
