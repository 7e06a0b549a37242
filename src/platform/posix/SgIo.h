// Translation between the Windows-shaped pass-through request and Linux SG_IO.
#pragma once
#include "platform/PassThrough.h"

#include <scsi/sg.h>

namespace scrivo {

// Fills `io` for the request `r`; sense data goes to `sense`.
void SgIoFromRequest(ScsiPassThroughDirect& r, uint8_t* sense, sg_io_hdr_t& io);
// Writes the outcome of a completed SG_IO call back into `r`. False when the command
// did not reach a SCSI status (timeout, transport or driver failure), which is how
// DeviceIoControl reports such a command; errno is set then.
bool RequestFromSgIo(const sg_io_hdr_t& io, ScsiPassThroughDirect& r);

} // namespace scrivo
