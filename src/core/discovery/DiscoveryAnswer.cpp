#include "core/discovery/DiscoveryAnswer.h"

namespace Discovery {

namespace {
constexpr int kMinAnswer = 33;
constexpr int kCodeOffset = 10;
constexpr int kAddressOffset = 20;
constexpr int kNameLengthOffset = 32;
} // namespace

QByteArray QueryDatagram()
{
    static const unsigned char query[24] = {0x01, 0xFE, 0x00, 0x18, 0x34, 0x12, 0x00, 0x00,
                                            0x00, 0x01, 0x03, 0xE8, 0x00, 0x0E, 0x00, 0x00,
                                            0x00, 0x01, 0x00, 0x7B, 0x00, 0x00, 0x00, 0x00};
    return QByteArray(reinterpret_cast<const char*>(query), sizeof query);
}

bool ParseAnswer(const unsigned char* data, int length, QString* ip, QString* name)
{
    if (!data || length < kMinAnswer || data[kCodeOffset] != 0x03 || data[kCodeOffset + 1] != 0xE8) {
        return false;
    }
    const unsigned char* a = data + kAddressOffset;
    *ip = QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
    const int wanted = data[kNameLengthOffset];
    const int available = length - (kNameLengthOffset + 1);
    const int n = wanted < available ? wanted : available;
    *name = QString::fromLatin1(reinterpret_cast<const char*>(data + kNameLengthOffset + 1), n);
    return true;
}

} // namespace Discovery
