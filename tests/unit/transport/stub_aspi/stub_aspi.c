/* A minimal ASPI library for the loader's tests; built three times, with or without
 * each entry point. */
#include "transport/bvASPI_srb.h"

#include <string.h>

#ifdef _WIN32
#define STUB_EXPORT __declspec(dllexport)
#else
#define STUB_EXPORT __attribute__((visibility("default")))
#endif

static int supportInfoCalls;

STUB_EXPORT int StubSupportInfoCalls(void) { return supportInfoCalls; }

#ifndef STUB_WITHOUT_SUPPORT_INFO
STUB_EXPORT uint32_t ASPI_CALL GetASPI32SupportInfo(void) {
    ++supportInfoCalls;
    return 3u | ((uint32_t)SS_COMP << 8);
}
#endif

#ifndef STUB_WITHOUT_SEND_COMMAND
STUB_EXPORT uint32_t ASPI_CALL SendASPI32Command(void* srb) {
    SRB_Header* h = (SRB_Header*)srb;
    if (h->SRB_Cmd == SC_HA_INQUIRY) {
        SRB_HAInquiry* r = (SRB_HAInquiry*)srb;
        r->HA_Count = 3;
        memcpy(r->HA_ManagerId, "STUB ASPI", 9);
        h->SRB_Status = SS_COMP;
        return SS_COMP;
    }
    h->SRB_Status = SS_INVALID_CMD;
    return SS_INVALID_CMD;
}
#endif
