#include "platform/posix/SgIo.h"

#include <cerrno>
#include <cstring>

namespace scrivo {

namespace {
// Host and driver codes of the SCSI mid-layer that userspace headers do not carry.
constexpr unsigned DidTimeOut = 0x03;
constexpr unsigned DriverTimeout = 0x06;
constexpr unsigned DriverSense = 0x08;
} // namespace

void SgIoFromRequest(ScsiPassThroughDirect& r, uint8_t* sense, sg_io_hdr_t& io) {
    std::memset(&io, 0, sizeof io);
    io.interface_id = 'S';
    io.cmd_len = r.CdbLength;
    io.cmdp = r.Cdb;
    io.mx_sb_len = r.SenseInfoLength;
    io.sbp = sense;
    io.dxfer_len = r.DataTransferLength;
    io.dxferp = r.DataBuffer;
    if (r.DataTransferLength == 0 || r.DataBuffer == nullptr) {
        io.dxfer_direction = SG_DXFER_NONE;
        io.dxfer_len = 0;
        io.dxferp = nullptr;
    } else if (r.DataIn == ScsiDataIn) {
        io.dxfer_direction = SG_DXFER_FROM_DEV;
    } else if (r.DataIn == ScsiDataOut) {
        io.dxfer_direction = SG_DXFER_TO_DEV;
    } else {
        io.dxfer_direction = SG_DXFER_TO_FROM_DEV;
    }
    io.timeout = r.TimeOutValue * 1000u;
}

bool RequestFromSgIo(const sg_io_hdr_t& io, ScsiPassThroughDirect& r) {
    if (io.host_status == DidTimeOut || (io.driver_status & 0x0F) == DriverTimeout) {
        errno = ETIMEDOUT;
        return false;
    }
    if (io.host_status != 0 || (io.driver_status & ~DriverSense & 0xFF) != 0) {
        errno = EIO;
        return false;
    }
    r.ScsiStatus = io.status;
    r.SenseInfoLength = io.sb_len_wr;
    if (io.resid > 0 && static_cast<unsigned>(io.resid) <= r.DataTransferLength)
        r.DataTransferLength -= static_cast<uint32_t>(io.resid);
    return true;
}

} // namespace scrivo
