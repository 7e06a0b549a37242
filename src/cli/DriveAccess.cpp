#include "DriveAccess.h"

#include "platform/SystemInfo.h"
#include "transport/bvASPI.h"

#include <cstdlib>

namespace scrivo::cli {

namespace {

const char* const DrivesVariable = "VRECORDER_DRIVES";

// The recorder's ASPI library: named by SCRIVO_ASPI_LIBRARY, else the one built beside us.
std::string RecorderLibrary()
{
    if (const char* path = std::getenv(AspiLibraryEnvVar); path && *path)
        return path;
    return ExeFolder() + "libvrecorder_aspi.so";
}

} // namespace

bool OpenDrives(TSCSIDevice& dev, const std::string& driveArg, std::string& error)
{
    const bool virtualArg = driveArg.starts_with(VirtualPrefix);
    if (virtualArg)
        setenv(DrivesVariable, driveArg.substr(std::string(VirtualPrefix).size()).c_str(), 1);
    const char* drives = std::getenv(DrivesVariable);
    if (virtualArg || (drives && *drives)) {
        const std::string library = RecorderLibrary();
        if (!dev.InitializeTransport(false, library) || TransportName != AspiLibraryTransportName) {
            error = "cannot load the virtual recorder library " + library;
            return false;
        }
        return true;
    }
    if (!dev.InitializeTransport(true, "")) {
        error = "no CD/DVD drive found";
        return false;
    }
    return true;
}

bool SelectDrive(TSCSIDevice& dev, const std::string& driveArg, std::string& error)
{
    if (dev.DeviceList.empty()) {
        error = "no CD/DVD drive found";
        return false;
    }
    std::string entry = dev.DeviceList.front();
    if (!driveArg.empty() && !driveArg.starts_with(VirtualPrefix)) {
        entry.clear();
        for (const std::string& e : dev.DeviceList)
            if (e.starts_with(driveArg + ","))
                entry = e;
        if (entry.empty()) {
            error = "no drive " + driveArg + " (see scrivo drives)";
            return false;
        }
    }
    dev.SetDevice(entry);
    if (dev.Device().empty()) {
        error = "drive " + entry.substr(0, entry.find(',')) + " cannot be used";
        return false;
    }
    return true;
}

} // namespace scrivo::cli
