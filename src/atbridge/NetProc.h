#pragma once

// The transport under every AT exchange: the reader's raw pass-through calls.

#include <cstdint>
#include <memory>

namespace atbridge {

using Handle = intptr_t;
// The handle of no connection: never passed on to the reader library.
constexpr Handle kNoConnection = -1;

class INetDataProc
{
public:
    INetDataProc() = default;
    INetDataProc(const INetDataProc&) = delete;
    INetDataProc& operator=(const INetDataProc&) = delete;

    virtual bool SendData(Handle handle, const unsigned char* bytes, int32_t count) = 0;
    // *length is the buffer's capacity on the way in.
    virtual bool RecvData(Handle handle, unsigned char* buffer, unsigned char* length, int32_t waitMs) = 0;
    virtual bool SendAndRecvData(Handle handle, const unsigned char* bytes, int32_t count,
                                 unsigned char* buffer, unsigned char* length, int32_t waitMs) = 0;
    virtual ~INetDataProc() = default;
};

// The raw calls of zaltlink, reached by their C names.
class CDllNetProc : public INetDataProc
{
public:
    bool SendData(Handle handle, const unsigned char* bytes, int32_t count) override;
    bool RecvData(Handle handle, unsigned char* buffer, unsigned char* length, int32_t waitMs) override;
    bool SendAndRecvData(Handle handle, const unsigned char* bytes, int32_t count, unsigned char* buffer,
                         unsigned char* length, int32_t waitMs) override;
};

// The one transport of a process, made when the library is loaded.
class NetProcHolder
{
public:
    NetProcHolder();
    INetDataProc* proc() const { return m_proc.get(); }

private:
    std::unique_ptr<INetDataProc> m_proc;
};

} // namespace atbridge
