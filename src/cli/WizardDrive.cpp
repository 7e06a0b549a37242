#include "WizardDrive.h"
#include "Commands.h"
#include "DriveSelect.h"
#include "transport/bvASPI.h"

#include <cstdlib>
#include <filesystem>

namespace scrivo::cli {

namespace {

constexpr const char* UseInternalValue = "UseInternalASPI";
constexpr const char* DriveValue = "CDRomDrive";

} // namespace

TWizardDrive::~TWizardDrive()
{
    if (!changed_)
        return;
    try {
        TSettingsKey k;
        if (!k.OpenKey(key_, true))
            return;
        if (oldUseInternal_)
            k.WriteString(UseInternalValue, *oldUseInternal_);
        else
            k.DeleteValue(UseInternalValue);
    } catch (const ESettingsError&) {
        // The run is over; a value that cannot be put back only changes the transport tried
        // first next time.
    }
}

std::string TWizardDrive::Prepare(const std::string& choice, const std::string& key)
{
    key_ = key;
    const bool virtualChoice = choice.rfind(VirtualPrefix, 0) == 0;
    if (virtualChoice)
        if (std::string failed = PrepareVirtualDrive(choice); !failed.empty())
            return failed;
    TSettingsKey k;
    if (!k.OpenKey(key, true))
        return "cannot open the settings key \"" + key + "\"";
    // The virtual recorder's drives, as for the other commands, when there are any.
    if (const char* drives = std::getenv("VRECORDER_DRIVES"); drives && *drives) {
        CheckVirtualDrives();
        const std::string library = VirtualRecorderLibrary();
        if (!std::filesystem::exists(library))
            return "cannot find the virtual recorder library \"" + library + "\"";
        setenv(AspiLibraryEnvVar, library.c_str(), 1);
        if (k.ValueExists(UseInternalValue))
            oldUseInternal_ = k.ReadString(UseInternalValue);
        k.WriteString(UseInternalValue, "False");
        changed_ = true;
    }
    if (choice.empty() || virtualChoice)
        return "";
    // A position or an address: stored as the position the wizard selects at start-up.
    TSCSIDevice device;
    if (std::string failed = OpenDrives(device, choice); !failed.empty())
        return failed;
    const std::string entry = FindDriveEntry(device.DeviceList, choice);
    for (size_t i = 0; i < device.DeviceList.size(); ++i)
        if (!entry.empty() && device.DeviceList[i] == entry) {
            k.WriteString(DriveValue, std::to_string(i));
            return "";
        }
    throw UsageError(NoSuchDriveText(choice));
}

} // namespace scrivo::cli
