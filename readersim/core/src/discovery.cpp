#include "readersim/discovery.h"

#include "udp_service.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>

namespace readersim {

namespace {

const uint8_t kQuery[24] = {0x01, 0xFE, 0x00, 0x18, 0x34, 0x12, 0x00, 0x00, 0x00, 0x01, 0x03, 0xE8,
                            0x00, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x7B, 0x00, 0x00, 0x00, 0x00};

// A one-byte length field in the answer.
constexpr size_t kMaxText = 255;

void putText(std::vector<uint8_t>& out, const std::string& text)
{
    const size_t n = std::min(text.size(), kMaxText);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

} // namespace

struct DiscoveryResponder::Impl : UdpService
{
    DiscoveryOptions o;
    uint32_t first = 0; // host order
    std::atomic<uint64_t> queries{0};
    std::atomic<uint64_t> answers{0};

    ~Impl() override { stopService(); }

    std::vector<uint8_t> answer(int index) const
    {
        std::vector<uint8_t> a = {0x02, 0xFE, 0x00, 0x00, 0x34, 0x12, 0x00, 0x00, 0x00, 0x01, 0x03, 0xE8};
        a.resize(20, 0x00);
        const uint32_t ip = first + static_cast<uint32_t>(index);
        for (int shift = 24; shift >= 0; shift -= 8) {
            a.push_back(static_cast<uint8_t>(ip >> shift));
        }
        const uint8_t maskAndGateway[8] = {255, 0, 0, 0, 127, 0, 0, 1};
        a.insert(a.end(), maskAndGateway, maskAndGateway + 8);
        std::string name = o.name;
        if (o.readers > 1) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%03d", index + 1);
            name += suffix;
        }
        putText(a, name);
        putText(a, o.secondText);
        a[2] = static_cast<uint8_t>(a.size() >> 8);
        a[3] = static_cast<uint8_t>(a.size());
        return a;
    }

    void onDatagram(const uint8_t* data, size_t length, const sockaddr_in& from) override
    {
        if (!isQuery(data, length) || (!o.allowAnyAddress && !isLoopback(from))) {
            return;
        }
        ++queries;
        for (int i = 0; i < o.readers; ++i) {
            const std::vector<uint8_t> a = answer(i);
            if (sendTo(a.data(), a.size(), from)) {
                ++answers;
            }
        }
    }
};

DiscoveryResponder::DiscoveryResponder(DiscoveryOptions options) : d(std::make_unique<Impl>())
{
    d->o = std::move(options);
    d->o.readers = std::clamp(d->o.readers, 1, 65535);
    in_addr a{};
    if (inet_pton(AF_INET, d->o.firstAddress.c_str(), &a) == 1) {
        d->first = ntohl(a.s_addr);
    } else {
        d->first = 0x7F000001;
    }
}

DiscoveryResponder::~DiscoveryResponder() = default;

bool DiscoveryResponder::start(std::string* error)
{
    return d->startService("discovery", d->o.host, d->o.port, d->o.allowAnyAddress, true, error);
}

void DiscoveryResponder::stop()
{
    d->stopService();
}

int DiscoveryResponder::port() const
{
    return d->boundPort();
}

uint64_t DiscoveryResponder::queriesAnswered() const
{
    return d->queries.load();
}

uint64_t DiscoveryResponder::answersSent() const
{
    return d->answers.load();
}

std::vector<uint8_t> DiscoveryResponder::answer(int index) const
{
    return d->answer(index);
}

bool DiscoveryResponder::isQuery(const uint8_t* data, size_t length)
{
    return length == sizeof kQuery && std::equal(data, data + length, kQuery);
}

} // namespace readersim
