/* zaltlink: the 6C reader library. Protocol and error codes: docs/protocol.md.
 *
 * Every function returns one byte: nonzero on success, 0 on failure; ZALT_GetErrorCode then gives
 * the reason. Handles are pointer-sized; 0 and -1 are never valid handles. Byte arguments use only
 * their low byte. A query takes its buffer capacity from the length byte the caller sets and
 * writes back the count returned; it never writes past that capacity. */
#ifndef ZALTLINK_H
#define ZALTLINK_H

#include <stdint.h>

#if defined(_WIN32)
#define ZALT_API __stdcall
#define ZALT_EXPORT __declspec(dllexport)
#else
#define ZALT_API
#define ZALT_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef intptr_t ZALT_HANDLE;

/* What ZALT_GetErrorCode gives (docs/protocol.md, section 6): 1..15 are the library's own codes,
 * 16..255 the reader's status byte as it stands. */
enum ZALT_ErrorCode
{
    ZALT_ERR_NONE = 0,
    ZALT_ERR_BAD_HANDLE = 1,       /* 0, -1, closed, or never handed out */
    ZALT_ERR_NOT_CONNECTED = 2,    /* ZALT_Open has not succeeded on the handle */
    ZALT_ERR_TIMEOUT = 3,          /* no answer within the request's timeout */
    ZALT_ERR_LINK_LOST = 4,        /* peer closed, device vanished, read or write error */
    ZALT_ERR_BAD_FRAME = 5,        /* an answer too short or too long for its command */
    ZALT_ERR_BAD_ARGUMENT = 6,     /* out of range or a null pointer; nothing was sent */
    ZALT_ERR_BUFFER_TOO_SMALL = 7, /* the answer does not fit; nothing was written */
    ZALT_ERR_ALREADY_OPEN = 8,
    ZALT_ERR_CONNECT_FAILED = 9,   /* cannot open the address or device, or no reader answered */
    ZALT_ERR_NO_REPORT = 10,       /* a receive call found no report (not stored as the last error) */
    ZALT_ERR_REPORT_OVERFLOW = 11, /* the report queue was full and reports were dropped */
    /* Why ZALT_Open failed, where the system or the reader's silence tells; 9 otherwise. */
    ZALT_ERR_CONNECT_REFUSED = 12,   /* nobody listens at that address and port */
    ZALT_ERR_CONNECT_TIMED_OUT = 13, /* no connection, or no answer to Hello, in time */
    ZALT_ERR_NO_SUCH_DEVICE = 14,    /* the serial device does not exist */
    ZALT_ERR_PERMISSION_DENIED = 15, /* the serial device may not be opened */
    ZALT_ERR_UNSUPPORTED_COMMAND = 0x10,
    ZALT_ERR_BAD_PARAMETER = 0x11,
    ZALT_ERR_TAG_NOT_FOUND = 0x12,
    ZALT_ERR_WRONG_PASSWORD = 0x13,
    ZALT_ERR_MEMORY_LOCKED = 0x14,
    ZALT_ERR_MEMORY_OVERRUN = 0x15,
    ZALT_ERR_NO_TAG_SELECTED = 0x16,
    ZALT_ERR_BUSY = 0x17,
    ZALT_ERR_STORAGE_ERROR = 0x18,
    ZALT_ERR_NO_MODULE = 0x19,
    ZALT_ERR_BAD_LENGTH = 0x1A,
    ZALT_ERR_INTERNAL_ERROR = 0x1F
};

/* Opening and closing. The init calls fill *handle with a new handle; ZALT_Open connects it. */
ZALT_EXPORT unsigned char ZALT_API ZALT_TCPInit(ZALT_HANDLE* handle, const char* ip, int port);
ZALT_EXPORT unsigned char ZALT_API ZALT_UDPInit(ZALT_HANDLE* handle, const char* ip, int port);
/* name: "COMn" (/dev/ttyS(n-1)) or a device path; baud: the line speed (other values keep the device's). */
ZALT_EXPORT unsigned char ZALT_API ZALT_COMInit(ZALT_HANDLE* handle, int reserved, const char* name,
                                                int baud);
ZALT_EXPORT unsigned char ZALT_API ZALT_USBInit(ZALT_HANDLE* handle, int reserved, const char* name,
                                                int param);
ZALT_EXPORT unsigned char ZALT_API ZALT_Open(ZALT_HANDLE handle);
ZALT_EXPORT unsigned char ZALT_API ZALT_Close(ZALT_HANDLE handle);
ZALT_EXPORT unsigned char ZALT_API ZALT_GetErrorCode(ZALT_HANDLE handle, int* code);
/* English text of an error code, never null: a reader status (16..255) without a name of its own
 * reads as a refusal, any other code as unknown. */
ZALT_EXPORT const char* ZALT_API ZALT_ErrorText(int code);
/* Writes "zaltlink 1.0.0 (Rivulet)", zero-terminated; text must hold 255 bytes. */
ZALT_EXPORT unsigned char ZALT_API ZALT_Copyright(ZALT_HANDLE* handle, char* text);

/* Identity, parameters, clock, firmware. */
ZALT_EXPORT unsigned char ZALT_API ZALT_SysInfQuery(ZALT_HANDLE handle, unsigned char type,
                                                    unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_SysInfSet(ZALT_HANDLE handle, unsigned char type,
                                                  const unsigned char* buf, unsigned char len);
/* op 0 restore defaults, 1 write count bytes from buf, 2 read count bytes into buf (capacity *len). */
ZALT_EXPORT unsigned char ZALT_API ZALT_ParmOp(ZALT_HANDLE handle, unsigned char op, unsigned char address,
                                               unsigned char count, unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_Reboot(ZALT_HANDLE handle, unsigned char mode);
ZALT_EXPORT unsigned char ZALT_API ZALT_Updata(ZALT_HANDLE handle, unsigned char type, int fileSize,
                                               const unsigned int* checksum, int nameLen,
                                               const unsigned char* name);
ZALT_EXPORT unsigned char ZALT_API ZALT_ReaderTimeQuery(ZALT_HANDLE handle, unsigned char* buf,
                                                        unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_SetReaderTime(ZALT_HANDLE handle, const unsigned char* record,
                                                      unsigned char len);
ZALT_EXPORT unsigned char ZALT_API ZALT_PowerOff(ZALT_HANDLE handle);
ZALT_EXPORT unsigned char ZALT_API ZALT_EnterTrans(ZALT_HANDLE handle, unsigned char mode);

/* Communication settings. */
ZALT_EXPORT unsigned char ZALT_API ZALT_CommunicatParaQuery(ZALT_HANDLE handle, unsigned char type,
                                                            unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_CommunicatParaSet(ZALT_HANDLE handle, unsigned char type,
                                                          const unsigned char* buf, unsigned char len);
ZALT_EXPORT unsigned char ZALT_API ZALT_NetParaQuery(ZALT_HANDLE handle, unsigned char type,
                                                     unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_NetParaSet(ZALT_HANDLE handle, unsigned char type,
                                                   const unsigned char* buf, unsigned char len);

/* RF, antennas, tag-operation parameters. */
ZALT_EXPORT unsigned char ZALT_API ZALT_AntennaParmQuery(ZALT_HANDLE handle, unsigned char antenna,
                                                         unsigned char* enabled, unsigned char* power,
                                                         unsigned char* dwell);
ZALT_EXPORT unsigned char ZALT_API ZALT_AntennaParmSet(ZALT_HANDLE handle, const unsigned char* record,
                                                       unsigned char len);
ZALT_EXPORT unsigned char ZALT_API ZALT_RFParaQuery(ZALT_HANDLE handle, unsigned char type,
                                                    unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_RFParaSet(ZALT_HANDLE handle, unsigned char type, unsigned char count,
                                                  const unsigned char* buf);
ZALT_EXPORT unsigned char ZALT_API ZALT_CarrierWaveOp(ZALT_HANDLE handle, unsigned char op,
                                                      unsigned char antenna);
ZALT_EXPORT unsigned char ZALT_API ZALT_TagOpParaQuery(ZALT_HANDLE handle, unsigned char type,
                                                       unsigned char* buf, unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_TagOpParaSet(ZALT_HANDLE handle, unsigned char type,
                                                     const unsigned char* buf, unsigned char len);

/* IO and the on-board tag store. */
ZALT_EXPORT unsigned char ZALT_API ZALT_IOOperate(ZALT_HANDLE handle, unsigned char port,
                                                  unsigned char action);
ZALT_EXPORT unsigned char ZALT_API ZALT_IOStateQuery(ZALT_HANDLE handle, unsigned char* state /* 2 bytes */);
ZALT_EXPORT unsigned char ZALT_API ZALT_Reading_IOQuery(ZALT_HANDLE handle, unsigned char* setting);
ZALT_EXPORT unsigned char ZALT_API ZALT_Reading_IOConfig(ZALT_HANDLE handle, unsigned char setting);
ZALT_EXPORT unsigned char ZALT_API ZALT_IOPulseWidthQuery(ZALT_HANDLE handle, unsigned char port,
                                                          unsigned char* width);
/* width: 0..255, in 100 ms units. */
ZALT_EXPORT unsigned char ZALT_API ZALT_IOPulseWidthSet(ZALT_HANDLE handle, unsigned char port, int width);
ZALT_EXPORT unsigned char ZALT_API ZALT_FlashTotalCountQuery(ZALT_HANDLE handle, unsigned char* buf,
                                                             unsigned char* len);
ZALT_EXPORT unsigned char ZALT_API ZALT_ClearFlash(ZALT_HANDLE handle);

/* Inventory: start with one of the read calls, pull reports with the matching receive call, stop with
 * ZALT_PowerOff. A receive call returns 1 when it delivered one report; it waits up to 30 ms for one.
 * Its buffers must hold 255 bytes; a length byte of 0 counts as 255. */
ZALT_EXPORT unsigned char ZALT_API ZALT_6CReadEPCCode(ZALT_HANDLE handle, unsigned char antenna,
                                                      unsigned char mode, int value);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CReadTIDCode(ZALT_HANDLE handle, unsigned char antenna,
                                                      unsigned char mode, int value);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CReadEPCTIDCode(ZALT_HANDLE handle, unsigned char antenna,
                                                         unsigned char mode, int value);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CRevEPCMsg(ZALT_HANDLE handle, unsigned char* antenna,
                                                    unsigned char* epc, unsigned char* epcLen);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CRevTIDMsg(ZALT_HANDLE handle, unsigned char* antenna,
                                                    unsigned char* tid, unsigned char* tidLen);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CRevEPCTIDMsg(ZALT_HANDLE handle, unsigned char* antenna,
                                                       unsigned char* epc, unsigned char* epcLen,
                                                       unsigned char* tid, unsigned char* tidLen);

/* Tag operations. Passwords are 4 bytes, first byte first. User memory is addressed in words. */
ZALT_EXPORT unsigned char ZALT_API ZALT_6CTagSelect(ZALT_HANDLE handle, unsigned char bank, int startBits,
                                                    int lengthBits, const unsigned char* data,
                                                    unsigned char count, unsigned char r1, unsigned char r2,
                                                    unsigned char r3);
/* buf capacity in bytes comes in *len; *len holds the number of words read afterwards. */
ZALT_EXPORT unsigned char ZALT_API ZALT_6CReadUserData(ZALT_HANDLE handle, unsigned char antenna, int start,
                                                       int words, int timeMs, unsigned char* buf, int* len);
/* *words: words to write from data; the number written afterwards. */
ZALT_EXPORT unsigned char ZALT_API ZALT_6CWriteUserData(ZALT_HANDLE handle, unsigned char antenna,
                                                        unsigned char reserved, const unsigned char* password,
                                                        int start, int timeMs, const unsigned char* data,
                                                        int* words);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CWriteEPCCode(ZALT_HANDLE handle, unsigned char antenna,
                                                       unsigned char reserved, const unsigned char* password,
                                                       const unsigned char* data, unsigned char count);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CTagLock(ZALT_HANDLE handle, unsigned char antenna,
                                                  const unsigned char* password, unsigned char op,
                                                  unsigned char area);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CTagKill(ZALT_HANDLE handle, unsigned char antenna,
                                                  const unsigned char* password, const unsigned char* epc,
                                                  unsigned char count);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CAccessPWDSet(ZALT_HANDLE handle, unsigned char antenna,
                                                       unsigned char reserved,
                                                       const unsigned char* oldPassword,
                                                       const unsigned char* newPassword);
ZALT_EXPORT unsigned char ZALT_API ZALT_6CDestroyPWDSet(ZALT_HANDLE handle, unsigned char antenna,
                                                        unsigned char reserved,
                                                        const unsigned char* oldPassword,
                                                        const unsigned char* newPassword);

/* Pass-through to the reader's Wi-Fi module (after ZALT_EnterTrans). */
ZALT_EXPORT unsigned char ZALT_API ZALT_RawSendData(ZALT_HANDLE handle, const unsigned char* data, int len);
/* Waits up to timeoutMs for bytes; buf capacity in *len (0 counts as 255), count returned in *len. */
ZALT_EXPORT unsigned char ZALT_API ZALT_RawRevData(ZALT_HANDLE handle, unsigned char* buf, unsigned char* len,
                                                   int timeoutMs);
ZALT_EXPORT unsigned char ZALT_API ZALT_RawSendAndRevData(ZALT_HANDLE handle, const unsigned char* data,
                                                          int len, unsigned char* buf, unsigned char* bufLen,
                                                          int timeoutMs);

/* Counters of the tag reports received on a handle, from their sequence numbers (diagnostics). */
ZALT_EXPORT unsigned char ZALT_API ZALT_GetReportStats(ZALT_HANDLE handle, unsigned long long* received,
                                                       unsigned long long* lost, unsigned long long* doubled,
                                                       unsigned long long* overflowed);

#ifdef __cplusplus
}
#endif

#endif
