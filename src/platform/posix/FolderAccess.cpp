#include "../FolderAccess.h"
#include "../Files.h"
#include <fcntl.h>
#include <unistd.h>

namespace scrivo {

std::string FolderUnreadable(const std::string& folder) {
    // Listing reads the names (read permission) and looks at each entry (search permission),
    // with the rights the process has.
    if (faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), R_OK | X_OK, AT_EACCESS) == 0) return {};
    return LastOsError().Message;
}

} // namespace scrivo
