/* Uses zaltlink from plain C: open a reader at HOST:PORT, read a parameter, pull a few reports. */
#include "zaltlink.h"
#include "zaltlink_llrp.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    char host[64];
    const char* colon;
    ZALT_HANDLE h = -1;
    unsigned char value = 0, len = 1, ant = 0, epc[255], epcLen;
    int code = 0, reports = 0, tries;

    if (argc < 2 || (colon = strrchr(argv[1], ':')) == NULL || (size_t)(colon - argv[1]) >= sizeof host) {
        fprintf(stderr, "usage: c_client HOST:PORT\n");
        return 2;
    }
    memcpy(host, argv[1], (size_t)(colon - argv[1]));
    host[colon - argv[1]] = '\0';

    if (!ZALT_TCPInit(&h, host, atoi(colon + 1)) || !ZALT_Open(h)) {
        ZALT_GetErrorCode(h, &code);
        fprintf(stderr, "open failed, error %d\n", code);
        return 1;
    }
    if (!ZALT_ParmOp(h, 2, 249, 1, &value, &len)) {
        ZALT_GetErrorCode(h, &code);
        fprintf(stderr, "parameter read failed, error %d\n", code);
        return 1;
    }
    printf("parameter 249 = %u\n", value);
    if (!ZALT_6CReadEPCCode(h, 1, 1, 1)) {
        fprintf(stderr, "inventory did not start\n");
        return 1;
    }
    for (tries = 0; tries < 200 && reports < 5; ++tries) {
        epcLen = 255;
        if (ZALT_6CRevEPCMsg(h, &ant, epc, &epcLen) == 1)
            ++reports;
    }
    ZALT_PowerOff(h);
    ZALT_Close(h);
    printf("reports %d\n", reports);
    return reports == 5 ? 0 : 1;
}
