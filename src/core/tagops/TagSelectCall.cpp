#include "core/tagops/TagSelectCall.h"

#include <zaltlink.h>

#include <algorithm>

bool TagSelectCall::run(intptr_t handle)
{
    storeFailed = false;
    if (keep) {
        const QByteArray record = TagOpHex::selectRecord(params);
        if (!ZALT_TagOpParaSet(handle, 0x11, reinterpret_cast<const unsigned char*>(record.constData()),
                               static_cast<unsigned char>(record.size()))) {
            storeFailed = true;
            return false;
        }
    }
    unsigned char data[1024] = {};
    std::copy(params.data.constBegin(), params.data.constEnd(), data);
    return ZALT_6CTagSelect(handle, static_cast<unsigned char>(params.bank), params.startBits,
                            params.lengthBits, data, static_cast<unsigned char>(params.data.size()), 0, 0,
                            0) != 0;
}
