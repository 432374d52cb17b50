/* atbridge: AT commands to the Wi-Fi module inside a 6C reader, carried over the reader's raw
 * pass-through calls of zaltlink.
 *
 * The caller switches the reader through to the module (ZALT_EnterTrans) and calls Wifi_Enter before
 * anything else; Wifi_Exit returns the module to its data mode. Every call sends one command, waits
 * for the module's reply up to its deadline and returns nonzero on success. Outputs are written only
 * on success. Text outputs receive at most 254 bytes and a zero (the scan list at most 4044 bytes and
 * a zero), so 255-byte buffers (4045 for the scan) always suffice; longer values are cut, never in
 * the middle of a UTF-8 character, and the scan list only between records. */
#ifndef ATBRIDGE_H
#define ATBRIDGE_H

#include "zaltlink.h"

#if defined(_WIN32)
#define WIFI_API __stdcall
#define WIFI_EXPORT __declspec(dllexport)
#else
#define WIFI_API
#define WIFI_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Command mode: "+++", success when the module answers "OK". */
WIFI_EXPORT unsigned char WIFI_API Wifi_Enter(ZALT_HANDLE handle);
/* Back to data mode: the byte 0x03; success when it was sent. */
WIFI_EXPORT unsigned char WIFI_API Wifi_Exit(ZALT_HANDLE handle);
/* A bare "AT+" probe; success when the module answers "OK". */
WIFI_EXPORT unsigned char WIFI_API Wifi_SendAT(ZALT_HANDLE handle);

/* Address mode (1 automatic), IP address, subnet mask, gateway, DNS server. */
WIFI_EXPORT unsigned char WIFI_API Wifi_ReadNetPara(ZALT_HANDLE handle, unsigned char* mode, char* ip,
                                                    char* mask, char* gateway, char* dns);
/* mode 0 or 1. */
WIFI_EXPORT unsigned char WIFI_API Wifi_SetNetPara(ZALT_HANDLE handle, unsigned char mode, const char* ip,
                                                   const char* mask, const char* gateway, const char* dns);

WIFI_EXPORT unsigned char WIFI_API Wifi_QuerySSID(ZALT_HANDLE handle, char* ssid);
WIFI_EXPORT unsigned char WIFI_API Wifi_SetSSID(ZALT_HANDLE handle, const char* ssid);

/* 0 OPEN, 1 WEP64, 2 WEP128, 3 WPA-PSK(TKIP), 4 WPA-PSK(CCMP/AES), 5 WPA2-PSK(TKIP), 6 WPA2-PSK(CCMP/AES). */
WIFI_EXPORT unsigned char WIFI_API Wifi_QuerySecurityType(ZALT_HANDLE handle, unsigned char* security);
WIFI_EXPORT unsigned char WIFI_API Wifi_SetSecurityType(ZALT_HANDLE handle, unsigned char security);

/* format 0 HEX, 1 ASCII; index 0..4. */
WIFI_EXPORT unsigned char WIFI_API Wifi_QueryKey(ZALT_HANDLE handle, unsigned char* format,
                                                 unsigned char* index, char* key);
WIFI_EXPORT unsigned char WIFI_API Wifi_SetKey(ZALT_HANDLE handle, unsigned char format, unsigned char index,
                                               const char* key);

WIFI_EXPORT unsigned char WIFI_API Wifi_QueryMac(ZALT_HANDLE handle, char* mac);

/* protocol 0 TCP, 1 UDP; mode 0 client, 1 server (0..4 accepted). */
WIFI_EXPORT unsigned char WIFI_API Wifi_QuerySocketConnectInfo(ZALT_HANDLE handle, unsigned char* protocol,
                                                               unsigned char* mode, char* address,
                                                               unsigned short* port);
WIFI_EXPORT unsigned char WIFI_API Wifi_SetSocketConnectInfo(ZALT_HANDLE handle, unsigned char protocol,
                                                             unsigned char mode, const char* address,
                                                             unsigned short port);

WIFI_EXPORT unsigned char WIFI_API Wifi_QueryWorkMode(ZALT_HANDLE handle, unsigned char* mode);
/* status 1 = linked; then four texts in the order the module gives them. */
WIFI_EXPORT unsigned char WIFI_API Wifi_QueryConnectStauts(ZALT_HANDLE handle, unsigned char* status,
                                                           char* text1, char* text2, char* text3,
                                                           char* text4);
/* The networks found: per network "mac,type,channel,security,ssid,signal;" (type 0 infrastructure,
 * security 0 off, signal in dB below zero). An empty list is a success. */
WIFI_EXPORT unsigned char WIFI_API Wifi_Search(ZALT_HANDLE handle, char* list);
WIFI_EXPORT unsigned char WIFI_API Wifi_Reset(ZALT_HANDLE handle);

#ifdef __cplusplus
}
#endif

#endif
