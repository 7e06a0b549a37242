#include "TimeScale.h"
#include "platform/DateTime.h"
#include "transport/bvASPI_event.h"

#include <algorithm>
#include <cstdlib>

namespace scrivo {

void ApplyTimeScale(TSCSIDevice& device)
{
    const char* scale = std::getenv("SCRIVO_TIME_SCALE");
    if (!scale || !*scale)
        return;
    char* end = nullptr;
    const double f = std::strtod(scale, &end);
    if (*end != '\0' || !(f >= 0))
        return;
    device.Sleep = [f](uint32_t ms) { SleepMs(uint32_t(ms * f)); };
    device.WaitForCompletion = [f](TSrbEvent& ev, uint32_t ms) {
        const double scaled = std::min(double(UINT32_MAX - 1), ms * f);
        ev.WaitFor(std::max(ScaledCompletionFloorMs, uint32_t(scaled)));
    };
}

} // namespace scrivo
