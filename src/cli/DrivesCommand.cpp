// `scrivo drives`: the drive list, one entry a line.
#include "Commands.h"
#include "ArgReader.h"
#include "DriveSelect.h"

#include <cstdio>

namespace scrivo::cli {

const char* const DrivesUsage = "scrivo drives [-d virtual:DISC[,key=value...]]";

int RunDrives(const std::vector<std::string>& args)
{
    std::string driveArg;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-d", "--drive"))
            driveArg = r.Value();
        else
            r.Unexpected();
    }
    if (!driveArg.empty() && !driveArg.starts_with(VirtualPrefix))
        throw UsageError("-d takes a virtual drive here");
    TSCSIDevice dev;
    if (const std::string error = OpenDrives(dev, driveArg); !error.empty()) {
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
