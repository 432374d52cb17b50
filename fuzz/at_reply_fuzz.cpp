// libFuzzer target: any bytes as the Wi-Fi module's reply. The first byte picks the command, the
// next the size of the pieces the reply arrives in; the rest is the reply. Outputs never run past
// their buffers (ASan watches the guard bytes), and a text output always ends within them.
#include "AtReply.h"
#include "FakeNetProc.h"
#include "WifiCommands.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t kText = 255;
constexpr size_t kScan = 4045;

void CheckText(const char* text, size_t size)
{
    if (std::memchr(text, '\0', size) == nullptr) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) {
        return 0;
    }
    const int command = data[0] % 9;
    const size_t piece = size_t(data[1] % 64) + 1;
    const std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);

    // The pure pieces on the whole reply.
    std::string value;
    atbridge::recogniseOk(reply);
    atbridge::recogniseSet(reply);
    if (atbridge::recogniseQuery(reply, &value) == atbridge::Outcome::Done && value.size() > reply.size()) {
        std::abort();
    }
    for (const std::string& f : atbridge::splitFields(reply, ',')) {
        if (atbridge::stripQuotes(f).size() > f.size()) {
            std::abort();
        }
        atbridge::toNumber(f);
    }
    if (atbridge::scanOutput(reply).size() > atbridge::kScanCapacity) {
        std::abort();
    }

    // The reply as the module sends it, in pieces, to one command.
    FakeNetProc proc;
    for (size_t at = 0; at < reply.size(); at += piece) {
        proc.replies.push_back(reply.substr(at, piece));
    }
    const atbridge::Bridge b = proc.bridge();
    unsigned char n1 = 0;
    unsigned char n2 = 0;
    unsigned short port = 0;
    char t[4][kText];
    std::memset(t, 0, sizeof t);
    char list[kScan] = {};
    bool ok = false;
    switch (command) {
    case 0:
        ok = atbridge::ReadNetPara(b, 1, &n1, t[0], t[1], t[2], t[3]);
        break;
    case 1:
        ok = atbridge::QuerySSID(b, 1, t[0]);
        break;
    case 2:
        ok = atbridge::QueryKey(b, 1, &n1, &n2, t[0]);
        break;
    case 3:
        ok = atbridge::QuerySocketConnectInfo(b, 1, &n1, &n2, t[0], &port);
        break;
    case 4:
        ok = atbridge::QueryConnectStatus(b, 1, &n1, t[0], t[1], t[2], t[3]);
        break;
    case 5:
        ok = atbridge::Search(b, 1, list);
        CheckText(list, kScan);
        break;
    case 6:
        ok = atbridge::SetSSID(b, 1, "x");
        break;
    case 7:
        ok = atbridge::Enter(b, 1);
        break;
    default:
        ok = atbridge::QueryMac(b, 1, t[0]);
        break;
    }
    (void)ok;
    for (const auto& text : t) {
        CheckText(text, kText);
    }
    return 0;
}
