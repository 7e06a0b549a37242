// `scrivo eject` and `scrivo load`: open and close a drive's tray.
#include "ArgReader.h"
#include "Commands.h"
#include "DriveSelect.h"
#include "Eject.h"
#include "scsi/Mmc.h"

namespace scrivo::cli {

const char* const EjectUsage =
    "scrivo eject [-d DRIVE]\n"
    "  Ejects the disc in DRIVE (as for scrivo write); scrivo load closes the tray again.\n"
    "  A drive whose medium removal a program prevents keeps its disc.\n"
    "  Exit status: 0 ejected, 1 failed, 2 bad usage.";
const char* const LoadUsage = "scrivo load [-d DRIVE]\n"
                              "  Closes the tray of DRIVE (as for scrivo write), loading the disc in it.\n"
                              "  Exit status: 0 loaded, 1 failed, 2 bad usage.";

namespace {

uint16_t SenseCode(const TSCSIDevice& dev) {
    return uint16_t(dev.LastSense[12] << 8 | dev.LastSense[13]);
}

std::string ParseDrive(const std::vector<std::string>& args) {
    std::string drive;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-d", "--drive"))
            drive = r.Value();
        else
            r.Unexpected();
    }
    CheckDriveChoice(drive);
    return drive;
}

int Finish(const std::string& failed) {
    if (failed.empty()) return ExitOk;
    PrintError(failed);
    return ExitFailure;
}

} // namespace

std::string EjectDisc(TSCSIDevice& dev) {
    if (dev.StartStopUnit(true)) return "";
    if (SenseCode(dev) == scsi::kAscMediumRemovalPrevented)
        return "the drive refuses to eject: a program prevents the removal of its disc";
    return "the drive did not eject the disc (" + dev.FailureText() + ")";
}

int RunEject(const std::vector<std::string>& args) {
    const std::string drive = ParseDrive(args);
    TSCSIDevice dev;
    std::string failed = SelectDrive(dev, drive);
    if (failed.empty()) failed = EjectDisc(dev);
    return Finish(failed);
}

int RunLoad(const std::vector<std::string>& args) {
    const std::string drive = ParseDrive(args);
    TSCSIDevice dev;
    std::string failed = SelectDrive(dev, drive);
    if (failed.empty() && !dev.StartStopUnit(false))
        failed = "the drive did not load the disc (" + dev.FailureText() + ")";
    return Finish(failed);
}

} // namespace scrivo::cli
