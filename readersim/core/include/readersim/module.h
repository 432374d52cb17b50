// A module fitted behind the reader's pass-through, such as a serial-to-Wi-Fi module: once the host
// entered pass-through (EnterTrans), the bytes of its RawSend requests go to the module, and what the
// module sends back reaches the host in RawData frames on the link the bytes came from.
#pragma once

#include <cstdint>
#include <vector>

namespace readersim {

// Where a module's bytes go: the link that sent the bytes it is handling.
class RawLink
{
public:
    virtual ~RawLink() = default;
    virtual void send(const std::vector<uint8_t>& bytes) = 0;
};

// Called on the simulator's event thread.
class PassThroughModule
{
public:
    virtual ~PassThroughModule() = default;
    // EnterTrans with its mode byte; false refuses it (BadParameter).
    virtual bool enter(uint8_t mode) = 0;
    // Bytes of one RawSend request; replies go through `back`, now or never.
    virtual void received(const std::vector<uint8_t>& bytes, RawLink& back) = 0;
};

} // namespace readersim
