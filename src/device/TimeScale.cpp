#include "TimeScale.h"
#include "platform/DateTime.h"
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
    device.CompletionScale = f;
    device.CompletionFloorMs = ScaledCompletionFloorMs;
}

} // namespace scrivo
