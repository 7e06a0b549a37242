// Devices, pipes and sockets: reading them may never end, so they are not files to write.
#include "platform/Files.h"

#include <sys/stat.h>

namespace scrivo {

bool IsDevicePath(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

} // namespace scrivo
