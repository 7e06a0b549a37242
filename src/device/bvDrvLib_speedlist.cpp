// The write speeds a user can pick from, as the wizard's speed list builds them.
#include "bvDrvLib.h"

#include "platform/Text.h"

#include <algorithm>

namespace scrivo {

std::string WriteSpeedText(uint16_t kbps, bool dvd)
{
    return FormatFloat(dvd ? "0.0X " : "0X ", kbps / (dvd ? 1385.0 : 176.4)) + FormatFloat("(#,##0 KB/s)", kbps);
}

std::vector<std::string> WriteSpeedItems(TSCSIDevice& dev)
{
    const bool dvd = !IsCDKind(dev.DetectDiscKind());
    const int step = dvd ? 700 : 176;
    std::vector<std::string> items{"Max"};
    for (int s = dev.MaxWriteSpeed(); s > 0; s -= step) {
        dev.SetWriteSpeed(uint16_t(s));
        const std::string text = WriteSpeedText(dev.CurrentWriteSpeed(), dvd);
        if (std::find(items.begin(), items.end(), text) == items.end())
            items.push_back(text);
    }
    return items;
}

} // namespace scrivo
