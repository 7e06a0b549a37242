// The request area of one pass-through command: the request structure, then the
// sense buffer, zero-filled; handed to the system as input and output buffer.
#pragma once
#include "platform/PassThrough.h"

#include <cstdint>

namespace scrivo {

// Pass-through commands are aborted by the system after this many seconds.
constexpr uint32_t PassThroughTimeoutSeconds = 120;

struct TPassThroughArea {
    alignas(8) uint8_t Bytes[PassThroughAreaSize];

    ScsiPassThroughDirect& Request() { return *reinterpret_cast<ScsiPassThroughDirect*>(Bytes); }
    uint8_t* Sense() { return Bytes + PassThroughSenseOffset; }
};

// Zeroes the area and fills the request: the handle selects the drive, so path, target
// and logical unit stay 0. The sense length is bounded by the room in the area.
void FillPassThroughArea(TPassThroughArea& area, const uint8_t* cdb, uint8_t cdbLen,
                         uint8_t senseLen, uint8_t dataDirection, void* buffer,
                         uint32_t length);
// Sends the area to the drive; false when the system call fails.
bool SendPassThroughArea(DriveHandle h, TPassThroughArea& area);

} // namespace scrivo
