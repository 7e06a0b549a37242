// Wizard start-up: settings, the log's header, the transport and the drive list, and the
// drive combo box.
#include "SettingValues.h"
#include "uCDMain.h"
#include "host/ui/Application.h"
#include "host/ui/Dialogs.h"
#include "platform/Files.h"

namespace scrivo {

namespace {

// The files whose versions tell support which ASPI layer a system has, relative to the
// Windows folder.
constexpr const char* AspiFiles9x[] = {"system\\iosubsys\\apix.vxd", "system\\aspienum.vxd", "system\\winaspi.dll",
                                       "system\\wnaspi32.dll"};
constexpr const char* AspiFilesNT[] = {"system32\\drivers\\aspi32.sys", "system\\wowpost.exe",
                                       "system\\winaspi.dll", "system32\\wnaspi32.dll"};

std::string VersionText(const std::array<uint16_t, 4>& v)
{
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
        std::to_string(v[3]);
}

// Restores the normal cursor and logs the end of start-up however FormShow leaves.
struct TStartupEnd {
    TfrmCDMain& Form;
    ~TStartupEnd()
    {
        Application().SetCursor(crDefault);
        Form.LogLine("FormShow", "End");
    }
};

} // namespace

std::string WindowsRelativePath(const std::string& windowsFolder, const std::string& relative)
{
    std::string path = windowsFolder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += PathDelim;
    for (char c : relative)
        path += c == '\\' ? PathDelim : c;
    return path;
}

void TfrmCDMain::FormShow(TObject*)
{
    LogLine("FormShow", "Start");
    Application().SetCursor(crHourGlass);
    TStartupEnd end{*this};

    if (!dlgCDFiles) {
        ownFiles_ = std::make_unique<TdlgCDFiles>(this);
        dlgCDFiles = ownFiles_.get();
    }
    const TWizardSettings settings = LoadSettingsOrDefaults();
    FixedWnaspiPath = settings.FixedWNASPI;

    StartTicks = Log.Ticks();
    const std::string appVersion = GetAppVersion();
    LogLine("FormShow", "App Version=" + (appVersion.empty() ? std::string("?.?") : appVersion), true);
    LogLine("FormShow", "Brenvik Version=" + brenvik.Version());
    if (SettingsInMemory)
        LogLine("FormShow", "ERROR: Failed to create key " + RegistryKey + ", using default settings");
    const std::string windowsName = GetWindowsVersionName();
    LogLine("FormShow", "Windows=" + windowsName);
    ReportAspiFiles(windowsName);
    LogLine("FormShow", std::string("Fixed WNASPI? ") + BoolText(!FixedWnaspiPath.empty()));
    LogLine("FormShow", std::string("Initializing ASPI (Internal=") + BoolText(settings.UseInternalASPI) + ")");
    InitTransport(brenvik, settings.UseInternalASPI);
    if (!brenvik.ASPIInitialized()) {
        LogLine("FormShow", "ASPIInitialized=FALSE");
        return;
    }

    if (!brenvik.DeviceList.empty()) {
        ListDrives(settings.CDRomDrive);
    } else {
        LogLine("FormShow", "Error: No CD-ROM found");
        if (FixMissingCDROM())
            Close();
        else
            ShowInformation("No CD-ROM drive could be located on your system.");
    }
    LogLine("FormShow", "Setting CD write speed");
    LogLine("FormShow", "Loading Brenvik settings");
    LoadRecordingSettings(settings);
}

TWizardSettings TfrmCDMain::LoadSettingsOrDefaults()
{
    try {
        return LoadWizardSettings(RegistryKey, brenvik.CacheSize());
    } catch (const ESettingsKeyError& e) {
        // Without a key the wizard still works: on its defaults, kept for this call only.
        SettingsInMemory = true;
        ShowInformation(std::string(e.what()) + ". The wizard goes on with its default settings, which are not saved.");
        TWizardSettings defaults;
        defaults.CacheSize = brenvik.CacheSize();
        return defaults;
    }
}

void TfrmCDMain::ReportAspiFiles(const std::string& windowsName)
{
    const bool win9x = windowsName == "Windows 98" || windowsName == "Windows ME";
    const std::string folder = GetWindowsFolder();
    try {
        for (const char* file : win9x ? AspiFiles9x : AspiFilesNT) {
            const std::string path = WindowsRelativePath(folder, file);
            FileListing found;
            if (!folder.empty() && FindFile(path, found) && !(found.Attr & faDirectory)) {
                const auto version = GetFileVersion(path);
                // A file without a version resource reports 0.0.0.0, as its fixed version reads.
                LogLine("ASPIVersionRead", std::string(file) + ": " + VersionText(version.value_or(std::array<uint16_t, 4>{})));
            } else {
                LogLine("ASPIVersionRead", std::string(file) + ": NOT FOUND");
            }
        }
    } catch (const std::exception& e) {
        LogLine("ASPIVersionRead", std::string("ERROR: ") + e.what());
    }
}

void TfrmCDMain::ListDrives(int savedDrive)
{
    const std::vector<std::string> drives = brenvik.DeviceList;
    const int count = static_cast<int>(drives.size());
    LogLine("FormShow", "CD-ROM Devices Count: " + std::to_string(count));
    cbDrives.SetItems(drives);
    for (int i = 0; i < count; ++i)
        LogLine("FormShow", "CD-ROM Devices " + std::to_string(i) + ": " + drives[i]);
    if (savedDrive > -1 && savedDrive < count) {
        cbDrives.SetItemIndex(savedDrive);
        LogLine("FormShow", "Setting CD Device to : " + drives[savedDrive]);
        UpdateDriveSelection(false);
        return;
    }
    for (int i = 0; i < count; ++i) {
        cbDrives.SetItemIndex(i);
        LogLine("FormShow", "Testing write capability of: " + drives[i]);
        if (UpdateDriveSelection(false))
            break;
    }
}

void TfrmCDMain::LoadRecordingSettings(const TWizardSettings& settings)
{
    brenvik.FinalizeTrack = settings.CloseTrack;
    brenvik.FinalizeDisc = settings.CloseDisc;
    brenvik.JolietFileSystem = settings.JolietFS;
    brenvik.TestWrite = settings.TestWrite;
    brenvik.PerformOPC = settings.PerformOPC;
    brenvik.VerifyWrite = settings.VerifyWrite;
    SessionImport = TSessionImport{};
    if (brenvik.IdVolume.empty())
        brenvik.IdVolume = settings.VolumeLabel;
    brenvik.SetCacheSize(settings.CacheSize);
}

bool TfrmCDMain::UpdateDriveSelection(bool ShowMessage)
{
    TBusyCursor busy;
    LogLine("UpdateDriveSelection", "Start");
    bool result = true;
    try {
        brenvik.SetDevice(cbDrives.Text());
        cbDrives.SetHint(cbDrives.Text());
        LogLine("UpdateDriveSelection", "Get Letter");
        const char c = brenvik.GetDriveLetter();
        const std::string letter = c ? std::string(1, c) : std::string();
        if (brenvik.Has(WriteCDR) || brenvik.Has(WriteDVDR) || brenvik.Has(WriteDVDRAM)) {
            LogLine("UpdateDriveSelection", "Burn available on " + letter);
        } else {
            result = false;
            LogLine("UpdateDriveSelection", "No Burn capability on " + letter);
            if (ShowMessage)
                ShowInformation("Drive " + letter + " does not have write capability.");
        }
    } catch (const EUiAbort&) {
        throw;
    } catch (const std::exception& e) {
        LogLine("UpdateDriveSelection", std::string("ERROR: ") + e.what());
    }
    LogLine("UpdateDriveSelection", std::string("End, result=") + BoolText(result));
    return result;
}

void TfrmCDMain::cbDrivesChange(TObject*) { UpdateDriveSelection(true); }

void TfrmCDMain::cbDrivesDrawItem(TObject*, int Index, const TRect& Rect, TOwnerDrawState)
{
    TCanvas* canvas = cbDrives.Canvas;
    if (!canvas || Index < 0 || Index >= static_cast<int>(cbDrives.Items().size()))
        return;
    const std::string& item = cbDrives.Items()[Index];
    const size_t comma = item.find(',');
    canvas->FillRect(Rect);
    canvas->TextOut(Rect.Left + 2, Rect.Top, comma == std::string::npos ? item : item.substr(comma + 1));
}

} // namespace scrivo
