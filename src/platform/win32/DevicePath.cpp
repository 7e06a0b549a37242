// Device names: the system opens a device for them in any folder, so they must not be
// taken for files.
#include "platform/Files.h"
#include "platform/Text.h"

namespace scrivo {

namespace {

bool IsDosDeviceName(std::string name) {
    // "NUL.txt" and "nul " name the device too: the name counts up to its first dot,
    // without trailing blanks.
    name = UpperCase(name.substr(0, name.find('.')));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

} // namespace

bool IsDevicePath(const std::string& path) {
    if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
    std::string p = path;
    while (!p.empty() && (p.back() == '\\' || p.back() == '/'))
        p.pop_back();
    const size_t cut = p.find_last_of("\\/:");
    return IsDosDeviceName(cut == std::string::npos ? p : p.substr(cut + 1));
}

} // namespace scrivo
