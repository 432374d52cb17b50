/* zaltlink on an EPCglobal LLRP reader (docs/protocol.md, section 5): an addition of ours. */
#ifndef ZALTLINK_LLRP_H
#define ZALTLINK_LLRP_H

#include "zaltlink.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Fills *handle with a handle on the LLRP reader at ip:port (5084 is the standard's port); ZALT_Open
 * connects it. Identity (ZALT_SysInfQuery types 0 maker, 1 model, 3 firmware), the inventories
 * (ZALT_6CReadEPCCode, ZALT_6CReadTIDCode, ZALT_6CReadEPCTIDCode, their receive calls, ZALT_PowerOff),
 * the antenna record (ZALT_AntennaParmQuery, ZALT_AntennaParmSet: power through the reader's power
 * table, never above the power asked for; the enabled flags and dwell times are kept by the library,
 * as LLRP has no such setting, and the enabled antennas are the ones antenna 0 reads with) and
 * ZALT_GetReportStats (lost: reads whose TID read failed) and the tag operations (ZALT_6CTagSelect,
 * ZALT_6CReadUserData, ZALT_6CWriteUserData, ZALT_6CWriteEPCCode, ZALT_6CTagLock, ZALT_6CTagKill,
 * ZALT_6CAccessPWDSet, ZALT_6CDestroyPWDSet: each one AccessSpec) have an LLRP meaning; any other call fails
 * with ZALT_ERR_UNSUPPORTED_COMMAND. docs/protocol.md, section 5, tells the details. */
ZALT_EXPORT unsigned char ZALT_API ZALT_LLRPInit(ZALT_HANDLE* handle, const char* ip, int port);

/* The signal strength in dBm of the report the last successful receive call on this handle delivered.
 * 1 with *dbm set when that report carried one; 0 when it carried none (the 6C protocol's reports never
 * do), with the last error left as it was; 0 and ZALT_ERR_BAD_HANDLE or ZALT_ERR_BAD_ARGUMENT otherwise. */
ZALT_EXPORT unsigned char ZALT_API ZALT_LastReportRSSI(ZALT_HANDLE handle, int* dbm);

#ifdef __cplusplus
}
#endif

#endif
