#include "../FolderAccess.h"
#include "../Files.h"
#include "../ListingOrder.h"
#include "WidePath.h"
#include <windows.h>

namespace scrivo {

std::string FolderUnreadable(const std::string& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(JoinPath(folder, "*")).c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        FindClose(h);
        return {};
    }
    return LastOsError().Message;
}

} // namespace scrivo
