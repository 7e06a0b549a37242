// Building the request block of one command of the device command set.
#pragma once
#include "transport/bvASPI_srb.h"

#include <cstdint>
#include <cstring>

namespace scrivo {

// A zeroed execute request with direction flags, CDB length, operation code and data buffer.
inline SRB_ExecSCSICmd NewRequest(uint8_t flags, uint8_t cdbLen, uint8_t opcode, const void* buffer = nullptr,
                                  uint32_t length = 0)
{
    SRB_ExecSCSICmd srb;
    std::memset(&srb, 0, sizeof srb);
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Flags = flags;
    srb.SRB_CDBLen = cdbLen;
    srb.CDBByte[0] = opcode;
    srb.SRB_BufPointer = static_cast<uint8_t*>(const_cast<void*>(buffer)); // data out is only read
    srb.SRB_BufLen = length;
    return srb;
}

} // namespace scrivo
