// A 512 000-byte file by TFTP to the simulated reader's server over loopback: clean, and with 5 % of
// the packets lost and 1 % doubled in both directions. Prints `name value unit` lines (medians).
#include "core/firmware/TftpSender.h"

#include <readersim/tftp_server.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Outcome
{
    double ms = 0;
    bool identical = false;
    int resends = 0;
};

Outcome Transfer(const std::vector<unsigned char>& data, double drop, double duplicate, uint32_t seed)
{
    readersim::TftpOptions o;
    o.dropP = drop;
    o.duplicateP = duplicate;
    o.seed = seed;
    readersim::TftpServer server(o);
    Outcome out;
    std::string error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "tftp server: %s\n", error.c_str());
        return out;
    }
    TftpSender sender;
    const auto start = std::chrono::steady_clock::now();
    const TftpSender::Result r = sender.Send(UdpPeer{0x7F000001, static_cast<uint16_t>(server.port())},
                                             "bench.bin", data.data(), data.size());
    out.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::vector<uint8_t> arrived;
    out.identical = r == TftpSender::Result::Ok && server.file("bench.bin", &arrived) &&
                    std::equal(arrived.begin(), arrived.end(), data.begin(), data.end());
    out.resends = sender.GetStats().resends;
    return out;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    std::vector<unsigned char> data(512000);
    std::mt19937 rng(5);
    for (auto& b : data) {
        b = static_cast<unsigned char>(rng());
    }

    std::vector<double> clean;
    bool cleanIdentical = true;
    for (uint32_t run = 0; run < 5; ++run) {
        const Outcome o = Transfer(data, 0, 0, run + 1);
        clean.push_back(o.ms);
        cleanIdentical &= o.identical;
    }
    std::vector<double> lossy;
    std::vector<double> resends;
    bool lossyIdentical = true;
    for (uint32_t run = 0; run < 3; ++run) {
        const Outcome o = Transfer(data, 0.05, 0.01, run + 11);
        lossy.push_back(o.ms);
        resends.push_back(o.resends);
        lossyIdentical &= o.identical;
    }
    std::printf("tftp.512000.ms %.1f ms\n", Median(clean));
    std::printf("tftp.512000.identical %d 1\n", cleanIdentical ? 1 : 0);
    std::printf("tftp.512000.loss5.ms %.1f ms\n", Median(lossy));
    std::printf("tftp.512000.loss5.identical %d 1\n", lossyIdentical ? 1 : 0);
    std::printf("tftp.512000.loss5.resends %.0f 1\n", Median(resends));
    return cleanIdentical && lossyIdentical ? 0 : 1;
}
