/* zaltlink on an EPCglobal LLRP reader (docs/protocol.md, section 5): an addition of ours. */
#ifndef ZALTLINK_LLRP_H
#define ZALTLINK_LLRP_H

#include "zaltlink.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Fills *handle with a handle on the LLRP reader at ip:port (5084 is the standard's port); ZALT_Open
 * connects it. Identity (ZALT_SysInfQuery types 0 maker, 1 model, 3 firmware), the EPC inventory
 * (ZALT_6CReadEPCCode, ZALT_6CRevEPCMsg, ZALT_PowerOff) and ZALT_GetReportStats have an LLRP meaning;
 * any other call fails with ZALT_ERR_UNSUPPORTED_COMMAND. */
ZALT_EXPORT unsigned char ZALT_API ZALT_LLRPInit(ZALT_HANDLE* handle, const char* ip, int port);

#ifdef __cplusplus
}
#endif

#endif
