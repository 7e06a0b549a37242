// Choosing the recorder of a command: `-d` names a drive of the device list (its position
// or its "adapter:target:lun" address) or a virtual recorder with "virtual:DISC[,key=value...]".
#pragma once
#include "device/bvDrvLib.h"
#include <string>
#include <vector>

namespace scrivo::cli {

// Loads the transport for `choice` and selects the drive on `device`. A virtual DISC that
// does not exist yet is created blank, of the kind given by "media=KIND" (DVD+R by
// default). Answers an error text, empty on success.
std::string SelectDrive(TSCSIDevice& device, const std::string& choice);

// The virtual recorder's parts of a "virtual:" choice: the disc, its media kind for a new
// disc, and the remaining drive options for VRECORDER_DRIVES.
struct TVirtualChoice {
    std::string Disc;
    std::string Media = "dvd+r";
    std::string Options; // ",key=value..." without media
};
// False when `choice` does not start with "virtual:" or names no disc.
bool ParseVirtualChoice(const std::string& choice, TVirtualChoice& out);

// Runs `program` (found beside this executable, else on the PATH) with `args`; answers its
// exit status, -1 when it could not be run.
int RunTool(const std::string& program, const std::vector<std::string>& args);
std::string ExecutableDir();

} // namespace scrivo::cli
