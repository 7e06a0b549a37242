// Who else has a drive that answered RESERVATION CONFLICT: one recording at a time.
#pragma once
#include "device/bvDrvLib.h"
#include <string>

namespace scrivo::cli {

// "PID (NAME)" of the process that has the selected drive: for a virtual disc the one its
// claim names, for a Linux device one that has the device open. Empty when it cannot be told.
std::string DriveUser(const TSCSIDevice& device, const std::string& choice);

// The text for a drive another process has: "the drive is in use by process PID (NAME)",
// or "by another program" when the process cannot be told.
std::string DriveInUseText(const TSCSIDevice& device, const std::string& choice);

} // namespace scrivo::cli
