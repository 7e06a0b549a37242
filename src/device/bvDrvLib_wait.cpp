// Sleeping inside a wait for the drive, with an ear for StopWaiting.
#include "bvDrvLib.h"

#include <algorithm>

namespace scrivo {

namespace {
// With a stop request possible, a long interval is slept in slices so that it is heard soon.
constexpr uint32_t StopCheckMs = 100;
} // namespace

bool TSCSIDevice::SleepUnlessStopped(uint32_t ms) {
    if (!StopWaiting) {
        DoSleep(ms);
        return true;
    }
    for (;;) {
        if (StopWaiting()) return false;
        if (ms == 0) return true;
        const uint32_t slice = std::min(ms, StopCheckMs);
        DoSleep(slice);
        ms -= slice;
    }
}

} // namespace scrivo
