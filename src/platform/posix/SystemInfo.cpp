#include "platform/SystemInfo.h"

#include <climits>
#include <unistd.h>

namespace scrivo {

std::string WindowsVersionName() { return "Unknown"; }

std::string WindowsFolder() { return ""; }

std::optional<std::array<uint16_t, 4>> FileVersion(const std::string&) { return std::nullopt; }

std::string FileProductVersion(const std::string&) { return ""; }

std::string ExePath()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

} // namespace scrivo
