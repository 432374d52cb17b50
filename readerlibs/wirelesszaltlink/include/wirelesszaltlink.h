/* wirelesszaltlink: one server for many 6C readers at once. Readers connect to the server the program
 * starts, or are added by hand (TCP, UDP, serial, USB); each is announced through a callback and then
 * served with the 6C library's calls of the same name, prefixed WIRELESS_ and given the library handle
 * and the reader before their own arguments. Protocol: docs/protocol.md.
 *
 * Every function returns one byte: nonzero on success, 0 on failure. Handles and readers are
 * pointer-sized. A reader is the address of its WirelessReaderInfo record, valid from its announcement
 * until WIRELESS_CloseReader, WIRELESS_ClearReader, WIRELESS_StopServer (for readers that connected to
 * the server) or WIRELESS_Quit; a reader value that is not live, or belongs to another handle, fails
 * without ever being dereferenced. */
#ifndef WIRELESSZALTLINK_H
#define WIRELESSZALTLINK_H

#include <stdint.h>

#if defined(_WIN32)
#define WIRELESS_API __stdcall
#define WIRELESS_EXPORT __declspec(dllexport)
#else
#define WIRELESS_API
#define WIRELESS_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef intptr_t WIRELESS_HANDLE;
typedef uintptr_t WIRELESS_READER;

/* How a reader is reached (field `type`). 0, 1 and 4 are network readers (address and port), 2 and 3
 * serial or USB readers (device name and baud rate or USB value). */
enum WIRELESS_ReaderType
{
    WIRELESS_TYPE_SERVER = 0, /* connected to the server */
    WIRELESS_TYPE_TCP = 1,    /* added by hand: TCP */
    WIRELESS_TYPE_SERIAL = 2, /* added by hand: serial port */
    WIRELESS_TYPE_USB = 3,    /* added by hand: USB-serial device */
    WIRELESS_TYPE_UDP = 4     /* added by hand: UDP */
};

enum
{
    WIRELESS_ADDRESS_SIZE = 32, /* with its terminating zero */
    WIRELESS_DEVICE_SIZE = 35
};

/* The reader's record. Its layout is fixed: type at offset 0, the address at 5, the device name at 37,
 * the baud rate or USB value at 72 and the network port at 76. Texts are zero-terminated UTF-8. */
typedef struct WirelessReaderInfo
{
    int32_t type;
    uint8_t reserved;
    char address[WIRELESS_ADDRESS_SIZE];
    char device[WIRELESS_DEVICE_SIZE];
    int32_t baud;
    int32_t port;
} WirelessReaderInfo;

/* Called on the library's own thread when a reader connects or is added, and again when a reader
 * whose reports nobody has taken for a while is heard from. context is the library handle. It should
 * only hand the record on and return at once; its result is not used. */
typedef unsigned char(WIRELESS_API* WIRELESS_ReaderCallback)(WIRELESS_HANDLE context,
                                                             WirelessReaderInfo* reader);

/* The server. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ApiInit(WIRELESS_HANDLE* handle);
/* Stops the server and drops every reader; the handle is gone afterwards. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_Quit(WIRELESS_HANDLE* handle);
/* Listens on ip:port (one listener per handle; fails while one is open). */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_StartServer(WIRELESS_HANDLE handle, const char* ip,
                                                                int port, WIRELESS_ReaderCallback callback);
/* Closes the listener and drops the readers that connected to it; readers added by hand stay. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_StopServer(WIRELESS_HANDLE handle);

/* Readers added by hand: the link is opened and the reader greeted before the call returns. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_AddTcpClient(WIRELESS_HANDLE handle, const char* ip,
                                                                 int port, WIRELESS_ReaderCallback callback);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_AddUDPReader(WIRELESS_HANDLE handle, const char* ip,
                                                                 int port, WIRELESS_ReaderCallback callback);
/* name: "COMn" (/dev/ttyS(n-1)) or a device path shorter than WIRELESS_DEVICE_SIZE bytes. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_AddCOMReader(WIRELESS_HANDLE handle, int reserved,
                                                                 const char* name, int baud,
                                                                 WIRELESS_ReaderCallback callback);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_AddUSBReader(WIRELESS_HANDLE handle, int reserved,
                                                                 const char* name, int value,
                                                                 WIRELESS_ReaderCallback callback);
/* Drops every reader of the handle; the listener stays. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ClearReader(WIRELESS_HANDLE handle);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_CloseReader(WIRELESS_HANDLE handle,
                                                                WIRELESS_READER reader);
/* True for a live network reader (types 0, 1, 4). The first argument is not used. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_IsNetReader(WIRELESS_HANDLE unused,
                                                                WIRELESS_READER reader);
/* When the reader was last heard from, in seconds since 1970-01-01 UTC; fails once its link is lost. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_GetLastTime(WIRELESS_HANDLE handle,
                                                                     WIRELESS_READER reader,
                                                                     unsigned int* time);

/* Inventory. The receive calls return 1 when they delivered one tag, waiting up to 30 ms for one;
 * their buffers must hold 255 bytes (a length byte of 0 counts as 255). */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_6CReadEPCCode(WIRELESS_HANDLE handle,
                                                                       WIRELESS_READER reader,
                                                                       unsigned char antenna,
                                                                       unsigned char mode, int value);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_6CReadTIDCode(WIRELESS_HANDLE handle,
                                                                       WIRELESS_READER reader,
                                                                       unsigned char antenna,
                                                                       unsigned char mode, int value);
/* timeoutMs: how long to wait for the reader's answer (100 … 10000 ms). */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_PowerOff(WIRELESS_HANDLE handle,
                                                                  WIRELESS_READER reader, int timeoutMs);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_6CRevEPCMsg(WIRELESS_HANDLE handle,
                                                                     WIRELESS_READER reader,
                                                                     unsigned char* antenna,
                                                                     unsigned char* epc,
                                                                     unsigned char* epcLen);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_6CRevTIDMsg(WIRELESS_HANDLE handle,
                                                                     WIRELESS_READER reader,
                                                                     unsigned char* antenna,
                                                                     unsigned char* tid,
                                                                     unsigned char* tidLen);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_6CRevEPCTIDMsg(
    WIRELESS_HANDLE handle, WIRELESS_READER reader, unsigned char* antenna, unsigned char* epc,
    unsigned char* epcLen, unsigned char* tid, unsigned char* tidLen);
/* The oldest input event not yet taken, at once (no wait): byte 0 input 0 and byte 1 input 1 (1 high),
 * bytes 2 … 8 the reader's clock record (BCD: seconds, minutes, hours, day of week, day, month, year),
 * byte 9 the input that changed (1 input 0, 2 input 1, 0 both or neither). Needs 10 bytes. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_IO_STATE(WIRELESS_HANDLE handle,
                                                                  WIRELESS_READER reader, unsigned char* buf,
                                                                  unsigned char* len);

/* Per-reader settings: as the 6C library's calls of the same name. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_Reboot(WIRELESS_HANDLE handle,
                                                                WIRELESS_READER reader, unsigned char mode);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_SysInfQuery(WIRELESS_HANDLE handle,
                                                                     WIRELESS_READER reader,
                                                                     unsigned char type, unsigned char* buf,
                                                                     unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_ReaderTimeQuery(WIRELESS_HANDLE handle,
                                                                         WIRELESS_READER reader,
                                                                         unsigned char* buf,
                                                                         unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_SetReaderTime(WIRELESS_HANDLE handle,
                                                                       WIRELESS_READER reader,
                                                                       const unsigned char* record,
                                                                       unsigned char len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_ParmOp(WIRELESS_HANDLE handle,
                                                                WIRELESS_READER reader, unsigned char op,
                                                                unsigned char address, unsigned char count,
                                                                unsigned char* buf, unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_TagOpParaQuery(WIRELESS_HANDLE handle,
                                                                        WIRELESS_READER reader,
                                                                        unsigned char type,
                                                                        unsigned char* buf,
                                                                        unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_TagOpParaSet(WIRELESS_HANDLE handle,
                                                                      WIRELESS_READER reader,
                                                                      unsigned char type,
                                                                      const unsigned char* buf,
                                                                      unsigned char len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_FlashTotalCountQuery(WIRELESS_HANDLE handle,
                                                                              WIRELESS_READER reader,
                                                                              unsigned char* buf,
                                                                              unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_ClearFlash(WIRELESS_HANDLE handle,
                                                                    WIRELESS_READER reader);
WIRELESS_EXPORT unsigned char WIRELESS_API
WIRELESS_ZALT_AntennaParmQuery(WIRELESS_HANDLE handle, WIRELESS_READER reader, unsigned char antenna,
                               unsigned char* enabled, unsigned char* power, unsigned char* dwell);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_AntennaParmSet(WIRELESS_HANDLE handle,
                                                                        WIRELESS_READER reader,
                                                                        const unsigned char* record,
                                                                        unsigned char len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_RFParaQuery(WIRELESS_HANDLE handle,
                                                                     WIRELESS_READER reader,
                                                                     unsigned char type, unsigned char* buf,
                                                                     unsigned char* len);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_RFParaSet(WIRELESS_HANDLE handle,
                                                                   WIRELESS_READER reader, unsigned char type,
                                                                   unsigned char count,
                                                                   const unsigned char* buf);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_IOOperate(WIRELESS_HANDLE handle,
                                                                   WIRELESS_READER reader, unsigned char port,
                                                                   unsigned char action);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_Reading_IOQuery(WIRELESS_HANDLE handle,
                                                                         WIRELESS_READER reader,
                                                                         unsigned char* setting);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_Reading_IOConfig(WIRELESS_HANDLE handle,
                                                                          WIRELESS_READER reader,
                                                                          unsigned char setting);
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_IOPulseWidthQuery(WIRELESS_HANDLE handle,
                                                                           WIRELESS_READER reader,
                                                                           unsigned char port,
                                                                           unsigned char* width);
/* width: 0..255, in 100 ms units. */
WIRELESS_EXPORT unsigned char WIRELESS_API WIRELESS_ZALT_IOPulseWidthSet(WIRELESS_HANDLE handle,
                                                                         WIRELESS_READER reader,
                                                                         unsigned char port, int width);

#ifdef __cplusplus
}
#endif

#endif
