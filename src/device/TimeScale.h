// SCRIVO_TIME_SCALE: the drive component's own waits (ready polls, retries) at a fraction
// of their length, for runs against a virtual recorder that answers at once (0: no
// waiting at all). Unset, the waits are real.
#pragma once
#include "device/bvDrvLib.h"

namespace scrivo {

// Scales `device`'s waits when SCRIVO_TIME_SCALE holds a factor of 0 or more.
void ApplyTimeScale(TSCSIDevice& device);

} // namespace scrivo
