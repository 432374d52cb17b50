// The exports: each checks that the process's transport exists and runs its command over it.
#include "atbridge.h"

#include "WifiCommands.h"

#include <new>

namespace {

atbridge::NetProcHolder* g_holder = nullptr;

__attribute__((constructor)) void AttachProcess()
{
    g_holder = new (std::nothrow) atbridge::NetProcHolder;
}

__attribute__((destructor)) void DetachProcess()
{
    delete g_holder;
    g_holder = nullptr;
}

// The bridge over the process's transport; false when the library could not make one.
bool Ready(atbridge::Bridge* b)
{
    if (!g_holder || !g_holder->proc()) {
        return false;
    }
    *b = atbridge::SystemBridge(g_holder->proc());
    return true;
}

} // namespace

using namespace atbridge;

extern "C" {

unsigned char WIFI_API Wifi_Enter(ZALT_HANDLE handle)
{
    Bridge b;
    return Ready(&b) && Enter(b, handle);
}

unsigned char WIFI_API Wifi_Exit(ZALT_HANDLE handle)
{
    Bridge b;
    return Ready(&b) && Exit(b, handle);
}

unsigned char WIFI_API Wifi_SendAT(ZALT_HANDLE handle)
{
    Bridge b;
    return Ready(&b) && SendAT(b, handle);
}

unsigned char WIFI_API Wifi_ReadNetPara(ZALT_HANDLE handle, unsigned char* mode, char* ip, char* mask,
                                        char* gateway, char* dns)
{
    Bridge b;
    return Ready(&b) && ReadNetPara(b, handle, mode, ip, mask, gateway, dns);
}

unsigned char WIFI_API Wifi_SetNetPara(ZALT_HANDLE handle, unsigned char mode, const char* ip,
                                       const char* mask, const char* gateway, const char* dns)
{
    Bridge b;
    return Ready(&b) && SetNetPara(b, handle, mode, ip, mask, gateway, dns);
}

unsigned char WIFI_API Wifi_QuerySSID(ZALT_HANDLE handle, char* ssid)
{
    Bridge b;
    return Ready(&b) && QuerySSID(b, handle, ssid);
}

unsigned char WIFI_API Wifi_SetSSID(ZALT_HANDLE handle, const char* ssid)
{
    Bridge b;
    return Ready(&b) && SetSSID(b, handle, ssid);
}

unsigned char WIFI_API Wifi_QuerySecurityType(ZALT_HANDLE handle, unsigned char* security)
{
    Bridge b;
    return Ready(&b) && QuerySecurityType(b, handle, security);
}

unsigned char WIFI_API Wifi_SetSecurityType(ZALT_HANDLE handle, unsigned char security)
{
    Bridge b;
    return Ready(&b) && SetSecurityType(b, handle, security);
}

unsigned char WIFI_API Wifi_QueryKey(ZALT_HANDLE handle, unsigned char* format, unsigned char* index,
                                     char* key)
{
    Bridge b;
    return Ready(&b) && QueryKey(b, handle, format, index, key);
}

unsigned char WIFI_API Wifi_SetKey(ZALT_HANDLE handle, unsigned char format, unsigned char index,
                                   const char* key)
{
    Bridge b;
    return Ready(&b) && SetKey(b, handle, format, index, key);
}

unsigned char WIFI_API Wifi_QueryMac(ZALT_HANDLE handle, char* mac)
{
    Bridge b;
    return Ready(&b) && QueryMac(b, handle, mac);
}

unsigned char WIFI_API Wifi_QuerySocketConnectInfo(ZALT_HANDLE handle, unsigned char* protocol,
                                                   unsigned char* mode, char* address, unsigned short* port)
{
    Bridge b;
    return Ready(&b) && QuerySocketConnectInfo(b, handle, protocol, mode, address, port);
}

unsigned char WIFI_API Wifi_SetSocketConnectInfo(ZALT_HANDLE handle, unsigned char protocol,
                                                 unsigned char mode, const char* address, unsigned short port)
{
    Bridge b;
    return Ready(&b) && SetSocketConnectInfo(b, handle, protocol, mode, address, port);
}

unsigned char WIFI_API Wifi_QueryWorkMode(ZALT_HANDLE handle, unsigned char* mode)
{
    Bridge b;
    return Ready(&b) && QueryWorkMode(b, handle, mode);
}

unsigned char WIFI_API Wifi_QueryConnectStauts(ZALT_HANDLE handle, unsigned char* status, char* text1,
                                               char* text2, char* text3, char* text4)
{
    Bridge b;
    return Ready(&b) && QueryConnectStatus(b, handle, status, text1, text2, text3, text4);
}

unsigned char WIFI_API Wifi_Search(ZALT_HANDLE handle, char* list)
{
    Bridge b;
    return Ready(&b) && Search(b, handle, list);
}

unsigned char WIFI_API Wifi_Reset(ZALT_HANDLE handle)
{
    Bridge b;
    return Ready(&b) && Reset(b, handle);
}

} // extern "C"
