// Setting aside an outdated ASPI library that hides the drives on Windows 2000 and XP.
#include "SettingValues.h"
#include "uCDMain.h"
#include "host/ui/Dialogs.h"
#include "platform/Files.h"

namespace scrivo {

namespace {

constexpr const char* LibraryPlaces[] = {"WNASPI32.DLL", "System32\\WNASPI32.DLL", "System\\WNASPI32.DLL"};

bool FileExists(const std::string& path)
{
    FileListing found;
    return FindFile(path, found) && !(found.Attr & faDirectory);
}

} // namespace

bool TfrmCDMain::FixMissingCDROM()
{
    const std::string windowsName = GetWindowsVersionName();
    if (windowsName != "Windows 2000" && windowsName != "Windows XP")
        return false;
    const std::string folder = GetWindowsFolder();
    std::string found;
    for (const char* place : LibraryPlaces) {
        const std::string path = WindowsRelativePath(folder, place);
        const bool exists = FileExists(path);
        LogLine("FixMissingCDROM", path + " exists? " + BoolText(exists));
        if (exists) {
            found = path;
            break;
        }
    }
    if (found.empty()) {
        LogLine("FixMissingCDROM", "No record of WNASPI32.DLL");
        return false;
    }
    if (Confirm("An outdated version of WNASPI32.DLL has been found in your Windows folder.  Would you like this "
                "problem to be fixed automatically?\r\n\r\nNOTE: You can undo the fix at any time by selecting the "
                "\"Undo WNASPI Fix\" option.") != mrYes)
        return false;

    const size_t slash = found.find_last_of("\\/");
    const std::string renamed = found.substr(0, slash + 1) + "_" + found.substr(slash + 1);
    LogLine("FixMissingCDROM", "Renaming WNASPI32.DLL to " + renamed);
    bool ok = false;
    try {
        ok = RenameFile(found, renamed);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        LogLine("FixMissingCDROM", "ERROR renaming WNASPI32.DLL");
        ShowError("ERROR: Unable to rename, " + found + ".  Please close the application and do it manually.");
        return false;
    }
    FixedWnaspiPath = renamed;
    ShowInformation("You will now need to restart the application.");
    return true;
}

} // namespace scrivo
