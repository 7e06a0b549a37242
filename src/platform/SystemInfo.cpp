#include "SystemInfo.h"
#include "Files.h"

namespace scrivo {

std::string WindowsVersionNameFor(uint32_t platformId, uint32_t major, uint32_t minor)
{
    if (platformId == VerPlatformWindows9x) {
        if (major != 4)
            return "16 bit Windows";
        if (minor == 0)
            return "Windows 95";
        if (minor >= 1 && minor <= 89)
            return "Windows 98";
        if (minor == 90)
            return "Windows ME";
        return "Unknown";
    }
    if (platformId == VerPlatformNT) {
        if (major < 4)
            return "16 bit Windows";
        if (major == 4)
            return "Windows NT";
        if (major == 5 && minor == 0)
            return "Windows 2000";
        if (major == 5 && minor == 1)
            return "Windows XP";
    }
    return "Unknown";
}

std::string ExeFolder()
{
    std::string path = ExePath();
    size_t cut = path.find_last_of(PathDelim);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

} // namespace scrivo
