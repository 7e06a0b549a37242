// Reaching drives from the command line: the virtual recorder's drives (VRECORDER_DRIVES,
// or a "virtual:DISC[,key=value...]" drive argument) or real drives through the
// pass-through layer, and choosing one of them.
#pragma once
#include "device/bvDrvLib.h"

#include <string>

namespace scrivo::cli {

constexpr const char* VirtualPrefix = "virtual:";

// Loads the transport for `driveArg` (may be empty) into `dev` and enumerates its drives.
// False with the reason in `error` when no transport could be loaded.
bool OpenDrives(TSCSIDevice& dev, const std::string& driveArg, std::string& error);

// Selects the drive named by `driveArg`: "adapter:target:lun", a virtual drive (its only
// drive), or the first drive listed when empty. False with the reason in `error`.
bool SelectDrive(TSCSIDevice& dev, const std::string& driveArg, std::string& error);

} // namespace scrivo::cli
