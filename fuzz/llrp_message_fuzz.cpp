// libFuzzer target: LLRP messages as they come over a socket, through the stream splitter and every
// message decoder. Each whole message is offered to every decoder (the type check refuses most); what
// one decodes must encode to a message that decodes again and encodes to the same bytes. Skipped
// parameters make the first encoding differ from the input, so only the second round is compared.
#include "llrp/messages.h"

#include <cstdlib>

namespace {

template <class M> void roundTrip(const llrp::Bytes& message)
{
    M m;
    if (!llrp::decodeMessage(message, m))
        return;
    const llrp::Bytes once = llrp::encodeMessage(m, 1);
    if (once.empty())
        return; // a field too long to frame again (a TLV past 65535 bytes)
    M again;
    if (!llrp::decodeMessage(once, again) || llrp::encodeMessage(again, 1) != once)
        std::abort();
}

template <class... M> void all(const llrp::Bytes& message)
{
    (roundTrip<M>(message), ...);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace llrp;
    StreamSplitter splitter;
    // Two feeds, so a message split across reads is exercised too.
    const size_t half = size / 2;
    splitter.feed(data, half);
    Bytes message;
    for (int round = 0; round < 2; ++round) {
        while (splitter.next(message)) {
            all<GetReaderCapabilities, GetReaderCapabilitiesResponse, GetReaderConfig,
                GetReaderConfigResponse, SetReaderConfig, SetReaderConfigResponse, AddRoSpec,
                AddRoSpecResponse, StartRoSpec, StartRoSpecResponse, AddAccessSpec, AddAccessSpecResponse,
                RoAccessReport, ReaderEventNotification, Keepalive, KeepaliveAck, ErrorMessage,
                CloseConnection>(message);
        }
        if (round == 0)
            splitter.feed(data + half, size - half);
    }
    return 0;
}
