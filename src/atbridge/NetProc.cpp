#include "NetProc.h"

#include "zaltlink.h"

#include <new>

namespace atbridge {

bool CDllNetProc::SendData(Handle handle, const unsigned char* bytes, int32_t count)
{
    if (handle == kNoConnection) {
        return false;
    }
    return ZALT_RawSendData(handle, bytes, count) != 0;
}

bool CDllNetProc::RecvData(Handle handle, unsigned char* buffer, unsigned char* length, int32_t waitMs)
{
    if (handle == kNoConnection) {
        return false;
    }
    return ZALT_RawRevData(handle, buffer, length, waitMs) != 0;
}

bool CDllNetProc::SendAndRecvData(Handle handle, const unsigned char* bytes, int32_t count,
                                  unsigned char* buffer, unsigned char* length, int32_t waitMs)
{
    if (handle == kNoConnection) {
        return false;
    }
    return ZALT_RawSendAndRevData(handle, bytes, count, buffer, length, waitMs) != 0;
}

NetProcHolder::NetProcHolder() : m_proc(new (std::nothrow) CDllNetProc) {}

} // namespace atbridge
