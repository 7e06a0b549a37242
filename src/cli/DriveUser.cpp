#include "DriveUser.h"
#include "DriveSelect.h"
#include "platform/PassThrough.h"
#include "transport/bvSPTI.h"
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivo::cli {

namespace {

std::string Described(const std::string& pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? pid : pid + " (" + name + ")";
}

// A process other than this one with the device open, found through /proc/PID/fd.
std::string ProcessWithOpen(const std::string& devicePath) {
    struct stat want;
    if (stat(devicePath.c_str(), &want) != 0) return "";
    const std::string self = std::to_string(getpid());
    DIR* proc = opendir("/proc");
    if (!proc) return "";
    std::string found;
    while (dirent* p = readdir(proc)) {
        const std::string pid = p->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
        const std::string fdDir = "/proc/" + pid + "/fd";
        DIR* fds = opendir(fdDir.c_str());
        if (!fds) continue; // another user's process
        while (dirent* f = readdir(fds)) {
            struct stat st;
            if (f->d_name[0] != '.' && stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 &&
                st.st_rdev == want.st_rdev && S_ISBLK(st.st_mode) == S_ISBLK(want.st_mode)) {
                found = Described(pid);
                break;
            }
        }
        closedir(fds);
        if (!found.empty()) break;
    }
    closedir(proc);
    return found;
}

} // namespace

std::string DriveUser(const TSCSIDevice& device, const std::string& choice) {
    TVirtualChoice v;
    if (ParseVirtualChoice(choice, v)) {
        std::ifstream claim(v.Disc + ".lock");
        std::string pid;
        std::getline(claim, pid);
        return pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos ? "" : Described(pid);
    }
    for (const TDriveEntry& e : DriveTable)
        if (e.Present && e.HaId == device.HaId && e.Target == device.Target && e.Lun == device.Lun)
            return ProcessWithOpen(DriveDevicePath(e.DriveNumber));
    return "";
}

std::string DriveInUseText(const TSCSIDevice& device, const std::string& choice) {
    const std::string user = DriveUser(device, choice);
    return "the drive is in use by " + (user.empty() ? std::string("another program") : "process " + user);
}

} // namespace scrivo::cli
