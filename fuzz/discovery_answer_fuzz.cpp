// libFuzzer target: any datagram as a discovery answer. An accepted answer gives a dotted address and
// a name taken only from the bytes that arrived.
#include "core/discovery/DiscoveryAnswer.h"
#include "core/discovery/UdpSocket.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int length = size > 255 ? 255 : static_cast<int>(size); // as the socket cuts them
    QString ip;
    QString name;
    if (!Discovery::ParseAnswer(data, length, &ip, &name)) {
        return 0;
    }
    uint32_t address = 0;
    if (length < 33 || !UdpSocket::ParseIPv4(ip.toStdString(), &address) ||
        address !=
            (uint32_t(data[20]) << 24 | uint32_t(data[21]) << 16 | uint32_t(data[22]) << 8 | data[23])) {
        std::abort();
    }
    if (name.size() > data[32] || name.size() > length - 33 ||
        name.toLatin1() !=
            QByteArray(reinterpret_cast<const char*>(data + 33), static_cast<int>(name.size()))) {
        std::abort();
    }
    return 0;
}
