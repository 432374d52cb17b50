/* gjbzaltlink: the GJB reader library. Protocol and error codes: docs/protocol.md, section 7.
 *
 * Every function returns one byte: nonzero on success, 0 on failure; GJB_GetErrorCode then gives the
 * reason (it alone returns the code itself). Handles are pointer-sized; 0 and -1 are never valid
 * handles, and a closed or unknown handle fails with GJB_ERR_BAD_HANDLE. Text a caller's buffer cannot
 * hold is cut to it, never written past it. */
#ifndef GJBZALTLINK_H
#define GJBZALTLINK_H

#include <stdint.h>

#if defined(_WIN32)
#define GJB_API __stdcall
#define GJB_EXPORT __declspec(dllexport)
#else
#define GJB_API
#define GJB_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef intptr_t GJB_HANDLE;

/* What GJB_GetErrorCode gives: 1..15 the library's own codes, 16..255 the reader's status byte as it
 * stands (docs/protocol.md, section 6). */
enum GJB_ErrorCode
{
    GJB_ERR_NONE = 0,
    GJB_ERR_BAD_HANDLE = 1,       /* 0, -1, closed, or never handed out */
    GJB_ERR_NOT_CONNECTED = 2,    /* GJB_Open has not succeeded on the handle */
    GJB_ERR_TIMEOUT = 3,          /* no answer within the request's timeout */
    GJB_ERR_LINK_LOST = 4,        /* peer closed, device vanished, read or write error */
    GJB_ERR_BAD_FRAME = 5,        /* an answer too short or too long for its command */
    GJB_ERR_BAD_ARGUMENT = 6,     /* out of range or a null pointer; nothing was sent */
    GJB_ERR_BUFFER_TOO_SMALL = 7, /* unused here: text is cut to the buffer instead */
    GJB_ERR_ALREADY_OPEN = 8,
    GJB_ERR_CONNECT_FAILED = 9,   /* cannot open the address or device, or no GJB reader answered */
    GJB_ERR_NO_REPORT = 10,       /* a receive found no report (not stored as the last error) */
    GJB_ERR_REPORT_OVERFLOW = 11, /* the report queue was full and reports were dropped */
    GJB_ERR_NOT_SUPPORTED = 12,   /* this library's own: a function without a meaning here; nothing sent */
    GJB_ERR_UNSUPPORTED_COMMAND = 0x10,
    GJB_ERR_BAD_PARAMETER = 0x11,
    GJB_ERR_WRONG_PASSWORD = 0x13,
    GJB_ERR_MEMORY_OVERRUN = 0x15,
    GJB_ERR_BUSY = 0x17,
    GJB_ERR_STORAGE_ERROR = 0x18,
    GJB_ERR_NO_MODULE = 0x19, /* the secrecy module was killed */
    GJB_ERR_BAD_LENGTH = 0x1A,
    GJB_ERR_INTERNAL_ERROR = 0x1F
};

/* The record GJB_Receive_TagReport writes (docs/protocol.md, section 7.5). The buffer must hold
 * GJB_REPORT_BUFFER_SIZE bytes; a record never uses more than GJB_REC_MAX_SIZE. */
#define GJB_REPORT_BUFFER_SIZE 65536
#define GJB_REC_ID_LENGTH 0 /* 2 bytes, little-endian */
#define GJB_REC_ID 2
#define GJB_REC_ANTENNA 258
#define GJB_REC_KIND 259      /* 1 tag, 2 tag operation, 3 sensitivity result */
#define GJB_REC_SEQUENCE 260  /* 4 bytes, little-endian */
#define GJB_REC_OPERATION 264 /* 1 read, 2 write, 3 erase, 4 lock, 5 kill */
#define GJB_REC_INDEX 265     /* 2 bytes, little-endian: a sensitivity result's number */
#define GJB_REC_STATUS 278    /* a tag operation's status: 0 done, 129 ... 136 */
#define GJB_REC_WORDS 279     /* 2 bytes, high byte first */
#define GJB_REC_DATA 281
#define GJB_REC_MAX_SIZE (281 + 9216)

/* The request record of the tag operations (16-bit values little-endian; docs/protocol.md, 7.4). */
#define GJB_ACC_VERSION 0 /* 1 */
#define GJB_ACC_MATCH_START 2
#define GJB_ACC_MASK_BITS 4
#define GJB_ACC_MASK 6 /* 254 bytes */
#define GJB_ACC_ID_BITS 260
#define GJB_ACC_ID 262 /* 254 bytes */
#define GJB_ACC_MATCH 516
#define GJB_ACC_AREA 518       /* read, write, erase: 1 byte; lock: 2 bytes */
#define GJB_ACC_START 520      /* read, write, erase */
#define GJB_ACC_WORDS 522      /* read, write, erase */
#define GJB_ACC_PASSWORD 524   /* read, erase */
#define GJB_ACC_WRITE_DATA 526 /* write: 1024 bytes */
#define GJB_ACC_WRITE_PASSWORD 1550
#define GJB_ACC_LOCK_ACTION 520
#define GJB_ACC_LOCK_PASSWORD 521
#define GJB_ACC_KILL_PASSWORD 518
#define GJB_ACC_WRITE_SIZE 1554 /* the longest record */

/* Opening and closing. The init calls fill *handle with a new handle; GJB_Open connects it. */
GJB_EXPORT unsigned char GJB_API GJB_TCPInit(GJB_HANDLE* handle, const char* ip, int port);
/* name: "COMn" (/dev/ttyS(n-1)) or a device path; baud: the line speed. */
GJB_EXPORT unsigned char GJB_API GJB_COMInit(GJB_HANDLE* handle, int reserved, const char* name, int baud);
GJB_EXPORT unsigned char GJB_API GJB_Open(GJB_HANDLE handle);
/* Ends the link; the handle stays and GJB_Open connects it again. */
GJB_EXPORT unsigned char GJB_API GJB_Close(GJB_HANDLE handle);
/* Ends the link and releases the handle. */
GJB_EXPORT unsigned char GJB_API GJB_CloseCON(GJB_HANDLE handle);
/* The handle's last error code (not a success flag). */
GJB_EXPORT unsigned char GJB_API GJB_GetErrorCode(GJB_HANDLE handle);
/* English text of an error code, never null. */
GJB_EXPORT const char* GJB_API GJB_ErrorText(int code);
/* Writes "gjbzaltlink 1.0.0 (Rivulet)", zero-terminated; text must hold 255 bytes. */
GJB_EXPORT unsigned char GJB_API GJB_Copyright(GJB_HANDLE handle, char* text);

/* The reader. */
/* The reader's model and MCU version, zero-terminated; text must hold 255 bytes. */
GJB_EXPORT unsigned char GJB_API GJB_GetVersion(GJB_HANDLE handle, char* text);
GJB_EXPORT unsigned char GJB_API GJB_ReaderCapability(GJB_HANDLE handle, int* antennas, int* minPower,
                                                      int* maxPower);
/* Configuration records 0..15: count bytes from offset into buf (capacity *len, bytes read back). */
GJB_EXPORT unsigned char GJB_API GJB_GET_Config(GJB_HANDLE handle, int type, int offset, int count,
                                                unsigned char* buf, int* len);
GJB_EXPORT unsigned char GJB_API GJB_SET_Config(GJB_HANDLE handle, int type, const unsigned char* data,
                                                int len);
/* Not supported: fails with GJB_ERR_NOT_SUPPORTED. */
GJB_EXPORT unsigned char GJB_API GJB_Firmware_Upgrade(GJB_HANDLE handle, int kind, const char* fileName,
                                                      int fileSize, unsigned int checksum);
GJB_EXPORT unsigned char GJB_API GJB_Reboot(GJB_HANDLE handle);
/* Factory settings; tags, records and the secrecy module stay. */
GJB_EXPORT unsigned char GJB_API GJB_Reset(GJB_HANDLE handle);
/* time: 8 bytes, microseconds since 1970-01-01 UTC, most significant byte first. */
GJB_EXPORT unsigned char GJB_API GJB_Set_ReaderTime(GJB_HANDLE handle, const unsigned char* time);
/* text: local time "yyyy-MM-dd hh:mm:ss"; len 19. */
GJB_EXPORT unsigned char GJB_API GJB_SetSysTime(GJB_HANDLE handle, const char* text, int len);
/* type 1 inventory, 2 clock, 3 report state: the reader's clock into time (8 bytes), the type into
 * *kind, status then value (big-endian) into state (at least 5 bytes). */
GJB_EXPORT unsigned char GJB_API GJB_Get_Report(GJB_HANDLE handle, int type, unsigned char* time,
                                                unsigned char* kind, unsigned char* state);
GJB_EXPORT unsigned char GJB_API GJB_Set_Report(GJB_HANDLE handle, int status, unsigned int value,
                                                int reserved);
/* record (8 bytes): reports sent since the reader started, then its uptime in seconds, big-endian. */
GJB_EXPORT unsigned char GJB_API GJB_Get_EventAndHeartBeat(GJB_HANDLE handle, unsigned char* record);

/* Versions. MCU, FPGA and RF: len is buf's capacity (8 for the usual texts); the rest is zero-filled.
 * Linux and RF type: capacity in *len, bytes written back; RF type text is zero-terminated. */
GJB_EXPORT unsigned char GJB_API GJB_McuVersionGet(GJB_HANDLE handle, unsigned char* buf, int len);
GJB_EXPORT unsigned char GJB_API GJB_FpgaVersionGet(GJB_HANDLE handle, unsigned char* buf, int len);
GJB_EXPORT unsigned char GJB_API GJB_RfVersionGet(GJB_HANDLE handle, unsigned char* buf, int len);
GJB_EXPORT unsigned char GJB_API GJB_LinuxVersionGet(GJB_HANDLE handle, unsigned char* buf, int* len);
GJB_EXPORT unsigned char GJB_API GJB_RfTypeGet(GJB_HANDLE handle, unsigned char* buf, unsigned char* len);

/* Antennas, power (hundredths of dBm), dwell, frequency points (point n is bit 19 - n), modulation. */
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntenna_Get(GJB_HANDLE handle, int* mask);
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntenna_Set(GJB_HANDLE handle, int mask);
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntennaPower_Get(GJB_HANDLE handle, int port, int* power);
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntennaPower_Set(GJB_HANDLE handle, int port, int power);
GJB_EXPORT unsigned char GJB_API GJB_Set_AntPower(GJB_HANDLE handle, int power);
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntennaTime_Get(GJB_HANDLE handle, int port, int* time);
GJB_EXPORT unsigned char GJB_API GJB_ReaderAntennaTime_Set(GJB_HANDLE handle, int port, int time);
GJB_EXPORT unsigned char GJB_API GJB_GET_FrequencyPoint(GJB_HANDLE handle, int* mask);
GJB_EXPORT unsigned char GJB_API GJB_SET_FrequencyPoint(GJB_HANDLE handle, int mask);
GJB_EXPORT unsigned char GJB_API GJB_Modulation_Get(GJB_HANDLE handle, int* depth);
GJB_EXPORT unsigned char GJB_API GJB_Modulation_Set(GJB_HANDLE handle, int depth);
GJB_EXPORT unsigned char GJB_API GJB_QurRF(GJB_HANDLE handle, int* path);
GJB_EXPORT unsigned char GJB_API GJB_SetRF(GJB_HANDLE handle, int path);
GJB_EXPORT unsigned char GJB_API GJB_QurFilterSet(GJB_HANDLE handle, int* gain, int* lowPass, int* highPass);
GJB_EXPORT unsigned char GJB_API GJB_SetFilterSet(GJB_HANDLE handle, int gain, int lowPass, int highPass);
GJB_EXPORT unsigned char GJB_API GJB_QurInventoryModel(GJB_HANDLE handle, int* mode);
GJB_EXPORT unsigned char GJB_API GJB_SetInventoryModel(GJB_HANDLE handle, int mode);
GJB_EXPORT unsigned char GJB_API GJB_CodeGradientGet(GJB_HANDLE handle, int* value);
GJB_EXPORT unsigned char GJB_API GJB_CodeGradientSet(GJB_HANDLE handle, int value);
/* levels: bit 0 output 1 ... bit 3 output 4. */
GJB_EXPORT unsigned char GJB_API GJB_Set_GpoValue(GJB_HANDLE handle, int levels);

/* Network: the four octets of each address in written order. dhcp may be null. */
GJB_EXPORT unsigned char GJB_API GJB_QurIpConfig(GJB_HANDLE handle, unsigned char* ip, unsigned char* mask,
                                                 unsigned char* gateway, int* dhcp);
GJB_EXPORT unsigned char GJB_API GJB_SetIpConfig(GJB_HANDLE handle, const unsigned char* ip,
                                                 const unsigned char* mask, const unsigned char* gateway);
GJB_EXPORT unsigned char GJB_API GJB_SetDhcpConfig(GJB_HANDLE handle, int on);

/* Inventory. antennas: count numbers 1..4 (count 0: the enabled antennas); mode 0 until stopped,
 * 1 for durationMs; link codes as the inventory page's lists index them. */
GJB_EXPORT unsigned char GJB_API GJB_Inventory(GJB_HANDLE handle, int antennaCount,
                                               const unsigned char* antennas, int mode, int durationMs,
                                               int forwardLink, int reserved, int reverseLink, int coding,
                                               int preamble);
/* Ends an inventory, a sensitivity test and a repeated air-interface transmission. */
GJB_EXPORT unsigned char GJB_API GJB_StopInventorySpecReadTag(GJB_HANDLE handle);
GJB_EXPORT unsigned char GJB_API GJB_Set_Inventory_Spec(GJB_HANDLE handle, int antennaCount,
                                                        const unsigned char* antennas, int mode,
                                                        int durationMs);
/* antennas: room for 16 numbers. */
GJB_EXPORT unsigned char GJB_API GJB_Get_Inventory_Spec(GJB_HANDLE handle, int* antennaCount,
                                                        unsigned char* antennas, int* mode, int* durationMs);
/* run nonzero: an inventory by the stored inventory settings (GJB_Set_Inventory_Spec); 0 stops it. */
GJB_EXPORT unsigned char GJB_API GJB_Set_Inventory_Spec_ReadTag(GJB_HANDLE handle, int run);
/* One inventory round: every tag in reach is reported once. */
GJB_EXPORT unsigned char GJB_API GJB_Get_TagReport(GJB_HANDLE handle);
/* One report (tag, tag operation's result, sensitivity result) into buffer, waiting up to waitMs. */
GJB_EXPORT unsigned char GJB_API GJB_Receive_TagReport(GJB_HANDLE handle, unsigned char* buffer, int waitMs);

/* Tag operations: request is the record above; the result follows through GJB_Receive_TagReport. */
GJB_EXPORT unsigned char GJB_API GJB_UHFRead_Tag(GJB_HANDLE handle, const unsigned char* request);
GJB_EXPORT unsigned char GJB_API GJB_UHFWrite_Tag(GJB_HANDLE handle, const unsigned char* request);
GJB_EXPORT unsigned char GJB_API GJB_UHFErase_Tag(GJB_HANDLE handle, const unsigned char* request);
GJB_EXPORT unsigned char GJB_API GJB_UHFLock_Tag(GJB_HANDLE handle, const unsigned char* request);
GJB_EXPORT unsigned char GJB_API GJB_UHFKill_Tag(GJB_HANDLE handle, const unsigned char* request);
/* record (8 bytes): operation, status, area, 0, start word, word count (big-endian). */
GJB_EXPORT unsigned char GJB_API GJB_Get_Access_Spec(GJB_HANDLE handle, unsigned char* record);
GJB_EXPORT unsigned char GJB_API GJB_UHF_SetAccessInvalid(GJB_HANDLE handle);

/* Tests. */
/* mode 1 starts count tests (results through GJB_Receive_TagReport), 0 stops. */
GJB_EXPORT unsigned char GJB_API GJB_SensitivityTest(GJB_HANDLE handle, int mode, int count);
GJB_EXPORT unsigned char GJB_API GJB_DisturbreStrainInit(GJB_HANDLE handle);
/* An air-interface frame of 5..256 bytes, transmitted unchanged. */
GJB_EXPORT unsigned char GJB_API GJB_AirInterfaceTest(GJB_HANDLE handle, const unsigned char* frame,
                                                      int length);

/* Secrecy module. Passwords are byte strings of up to 255 bytes (the module's own are 8). */
GJB_EXPORT unsigned char GJB_API GJB_SecrecyGet(GJB_HANDLE handle, int* state);
GJB_EXPORT unsigned char GJB_API GJB_SecrecySet(GJB_HANDLE handle, int state);
GJB_EXPORT unsigned char GJB_API GJB_EditSecrecyPW(GJB_HANDLE handle, const unsigned char* oldPassword,
                                                   int oldLength, const unsigned char* newPassword,
                                                   int newLength);
GJB_EXPORT unsigned char GJB_API GJB_KillSecrecyModel(GJB_HANDLE handle, const unsigned char* password,
                                                      int length);

/* Repair records (append-only) and the 32 electronic record slots; texts up to 255 bytes. */
GJB_EXPORT unsigned char GJB_API GJB_ReadRepairRecordCount(GJB_HANDLE handle, int* count);
/* time: 19 bytes; text: capacity in *len, bytes written back. */
GJB_EXPORT unsigned char GJB_API GJB_ReadRepairRecord(GJB_HANDLE handle, int index, unsigned char* time,
                                                      unsigned char* text, int* len);
GJB_EXPORT unsigned char GJB_API GJB_WriteRepairRecord(GJB_HANDLE handle, const unsigned char* text, int len);
GJB_EXPORT unsigned char GJB_API GJB_Read_Electron_Record(GJB_HANDLE handle, int slot, unsigned char* buf,
                                                          int* len);
GJB_EXPORT unsigned char GJB_API GJB_Write_Electron_Record(GJB_HANDLE handle, int slot,
                                                           const unsigned char* text, int len);

/* Counters of the reports received on a handle, from their sequence numbers (diagnostics). */
GJB_EXPORT unsigned char GJB_API GJB_GetReportStats(GJB_HANDLE handle, unsigned long long* received,
                                                    unsigned long long* lost, unsigned long long* doubled,
                                                    unsigned long long* overflowed);

#ifdef __cplusplus
}
#endif

#endif
