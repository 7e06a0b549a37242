// `scrivo drives`: the drive list, one entry a line.
#include "Commands.h"
#include "DriveAccess.h"

#include <cstdio>

namespace scrivo::cli {

const char* const DrivesUsage = "scrivo drives [-d virtual:DISC[,key=value...]]";

int RunDrives(const std::vector<std::string>& args)
{
    std::string driveArg;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-d" && i + 1 < args.size())
            driveArg = args[++i];
        else
            throw UsageError("unexpected argument \"" + args[i] + "\"");
    }
    if (!driveArg.empty() && !driveArg.starts_with(VirtualPrefix))
        throw UsageError("-d takes a virtual drive here");
    TSCSIDevice dev;
    std::string error;
    if (!OpenDrives(dev, driveArg, error)) {
        PrintError(error);
        return ExitFailure;
    }
    if (dev.DeviceList.empty()) {
        PrintError("no CD/DVD drive found");
        return ExitFailure;
    }
    for (const std::string& entry : dev.DeviceList)
        std::printf("%s\n", entry.c_str());
    return ExitOk;
}

} // namespace scrivo::cli
