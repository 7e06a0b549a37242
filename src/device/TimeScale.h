// SCRIVO_TIME_SCALE: the drive component's own waits (ready polls, retries) and its waits for
// a command's completion at a fraction of their length, for runs against a virtual recorder
// that answers at once (0: no waiting at all, but a command is still given a few seconds to
// complete). Unset, the waits are real. A paced recorder needs the same factor: its long
// commands (a session closed without the immediate bit) would outlast a shorter wait.
#pragma once
#include "device/bvDrvLib.h"

namespace scrivo {

// However far time is scaled, a command is given this long to complete: a virtual recorder
// answers at once, but a loaded machine may keep it from running for a while.
constexpr uint32_t ScaledCompletionFloorMs = 5000;

// Scales `device`'s waits when SCRIVO_TIME_SCALE holds a factor of 0 or more.
void ApplyTimeScale(TSCSIDevice& device);

} // namespace scrivo
