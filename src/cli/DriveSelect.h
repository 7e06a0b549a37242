// Choosing the recorder of a command: `-d` names a drive of the device list (its position
// from 1 or its "adapter:target:lun" address) or a virtual recorder with
// "virtual:DISC[,key=value...]". Without a virtual choice the virtual recorder's drives are
// still used when VRECORDER_DRIVES is set; otherwise the real drives of the pass-through layer.
#pragma once
#include "device/bvDrvLib.h"
#include <string>
#include <vector>

namespace scrivo::cli {

constexpr const char* VirtualPrefix = "virtual:";

// Bad usage (UsageError) when `choice` cannot name a drive: neither a position nor an
// adapter:target:lun address, or a "virtual:" choice without a disc, of an unknown media kind,
// or with a drive option the virtual recorder does not know or a value it cannot take.
void CheckDriveChoice(const std::string& choice);
// Bad usage (UsageError) when VRECORDER_DRIVES gives a drive an option the virtual recorder
// does not know or a value it cannot take: the recorder would only warn and go on.
void CheckVirtualDrives();
// The text of a choice that names no drive of the list.
std::string NoSuchDriveText(const std::string& choice);

// Loads the transport for `choice` into `device` and lists its drives. A virtual DISC that
// does not exist yet is created blank, of the kind given by "media=KIND" (DVD+R by
// default). Answers an error text, empty on success.
std::string OpenDrives(TSCSIDevice& device, const std::string& choice);

// OpenDrives, then selects the drive `choice` names (the first usable one when empty or
// virtual). Answers an error text, empty on success; bad usage when `choice` names no drive.
std::string SelectDrive(TSCSIDevice& device, const std::string& choice);

// The device-list entry `choice` names: empty for the first usable drive, a number for its
// position (from 1), or an "adapter:target:lun" address. Empty when it names none.
std::string FindDriveEntry(const std::vector<std::string>& list, const std::string& choice);

// Makes the disc of a "virtual:" choice the virtual recorder's only drive (VRECORDER_DRIVES),
// creating it blank when missing. Answers an error text, empty on success.
std::string PrepareVirtualDrive(const std::string& choice);
// The virtual recorder's ASPI library: named by SCRIVO_ASPI_LIBRARY, else the one beside us.
std::string VirtualRecorderLibrary();

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

} // namespace scrivo::cli
