#include "simulator_impl.h"

namespace readersim {

Faults::Faults(const Options& o)
    : latencyMs_(o.latencyMs), dropP_(o.dropP), corruptP_(o.corruptP), cutAfter_(o.cutAfter),
      reportsToo_(o.faultReports), rng_(o.seed ^ 0xFA17u)
{
}

bool Faults::chance(double p)
{
    if (p <= 0) {
        return false;
    }
    if (p >= 1) {
        return true;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p;
}

bool Faults::dropAnswer()
{
    if (!chance(dropP_)) {
        return false;
    }
    ++answersDropped_;
    return true;
}

bool Faults::dropUnsolicited()
{
    return reportsToo_ && dropAnswer();
}

void Faults::corruptAnswer(uint8_t* data, size_t len)
{
    if (len == 0 || !chance(corruptP_)) {
        return;
    }
    const size_t at = std::uniform_int_distribution<size_t>(0, len - 1)(rng_);
    data[at] ^= uint8_t(std::uniform_int_distribution<int>(1, 255)(rng_));
    ++framesCorrupted_;
}

void Faults::corruptUnsolicited(uint8_t* data, size_t len)
{
    if (reportsToo_) {
        corruptAnswer(data, len);
    }
}

bool Faults::cutDue(uint64_t framesSent)
{
    const long cut = cutAfter_.load();
    if (cut < 0 || framesSent < uint64_t(cut)) {
        return false;
    }
    cutAfter_ = -1;
    return true;
}

} // namespace readersim
