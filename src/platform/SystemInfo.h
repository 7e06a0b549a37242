// What the host learns about the system for its start-up report: the Windows version
// name, the Windows folder, file version resources, and the executable's own folder.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace scrivo {

// Platform ids of the Windows version information.
constexpr uint32_t VerPlatformWin32s = 0;
constexpr uint32_t VerPlatformWindows9x = 1;
constexpr uint32_t VerPlatformNT = 2;

// "Windows 95", "Windows 98", "Windows ME", "Windows NT", "Windows 2000", "Windows XP",
// "16 bit Windows" or "Unknown" for a version triple.
std::string WindowsVersionNameFor(uint32_t platformId, uint32_t major, uint32_t minor);
// The running system's name by that table; "Unknown" on POSIX.
std::string WindowsVersionName();
// The Windows folder with a trailing backslash; empty on POSIX.
std::string WindowsFolder();

// The fixed file version of a file's version resource, most significant part first;
// none when the file has no version resource (always none on POSIX).
std::optional<std::array<uint16_t, 4>> FileVersion(const std::string& path);
// The "ProductVersion" string of a file's version resource (its first translation);
// empty when there is none.
std::string FileProductVersion(const std::string& path);

// The full path of the running executable, and its folder with a trailing separator.
std::string ExePath();
std::string ExeFolder();

} // namespace scrivo
