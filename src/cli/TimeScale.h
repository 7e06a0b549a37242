// SCRIVO_TIME_SCALE: the engine's own waits at a fraction of their length, for runs against
// a virtual recorder that answers at once (0: no waiting at all).
#pragma once
#include "device/bvDrvLib.h"

namespace scrivo::cli {

// Scales `device`'s waits when SCRIVO_TIME_SCALE holds a factor of 0 or more.
void ApplyTimeScale(TSCSIDevice& device);

} // namespace scrivo::cli
