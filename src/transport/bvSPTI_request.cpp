#include "transport/bvSPTI_request.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

static_assert(sizeof(void*) != 4 || (PassThroughSenseOffset == 48 && PassThroughAreaSize == 80),
              "the 32-bit request area is 80 bytes with the sense buffer at 48");

void FillPassThroughArea(TPassThroughArea& area, const uint8_t* cdb, uint8_t cdbLen,
                         uint8_t senseLen, uint8_t dataDirection, void* buffer,
                         uint32_t length) {
    std::memset(area.Bytes, 0, sizeof area.Bytes);
    ScsiPassThroughDirect& r = area.Request();
    r.Length = sizeof(ScsiPassThroughDirect);
    r.CdbLength = std::min<uint8_t>(cdbLen, sizeof r.Cdb);
    r.SenseInfoLength = std::min<uint8_t>(senseLen, PassThroughSenseRoom);
    r.DataIn = dataDirection;
    r.DataTransferLength = length;
    r.TimeOutValue = PassThroughTimeoutSeconds;
    r.DataBuffer = buffer;
    r.SenseInfoOffset = PassThroughSenseOffset;
    std::memcpy(r.Cdb, cdb, r.CdbLength);
}

bool SendPassThroughArea(DriveHandle h, TPassThroughArea& area) {
    uint32_t returned = 0;
    return PassThroughOs().Ioctl(h, IoctlScsiPassThroughDirect, area.Bytes, sizeof area.Bytes,
                                 area.Bytes, sizeof area.Bytes, &returned);
}

} // namespace scrivo
