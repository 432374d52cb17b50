/* zaltlink on an EPCglobal LLRP reader (docs/protocol.md, section 5): an addition of ours. */
#ifndef ZALTLINK_LLRP_H
#define ZALTLINK_LLRP_H

#include "zaltlink.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Fills *handle with a handle on the LLRP reader at ip:port (5084 is the standard's port); ZALT_Open
 * connects it. Identity (ZALT_SysInfQuery types 0 maker, 1 model, 3 firmware), the EPC inventory
 * (ZALT_6CReadEPCCode, ZALT_6CRevEPCMsg, ZALT_PowerOff), ZALT_GetReportStats and the tag operations
 * (ZALT_6CTagSelect, ZALT_6CReadUserData, ZALT_6CWriteUserData, ZALT_6CWriteEPCCode, ZALT_6CTagLock,
 * ZALT_6CTagKill, ZALT_6CAccessPWDSet, ZALT_6CDestroyPWDSet: each one AccessSpec) have an LLRP
 * meaning; any other call fails with ZALT_ERR_UNSUPPORTED_COMMAND. */
ZALT_EXPORT unsigned char ZALT_API ZALT_LLRPInit(ZALT_HANDLE* handle, const char* ip, int port);

/* The signal strength in dBm of the report the last successful receive call on this handle delivered.
 * 1 with *dbm set when that report carried one; 0 when it carried none (the 6C protocol's reports never
 * do), with the last error left as it was; 0 and ZALT_ERR_BAD_HANDLE or ZALT_ERR_BAD_ARGUMENT otherwise. */
ZALT_EXPORT unsigned char ZALT_API ZALT_LastReportRSSI(ZALT_HANDLE handle, int* dbm);

#ifdef __cplusplus
}
#endif

#endif
