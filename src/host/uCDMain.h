// The "Write Files to CD" wizard: page 1 picks the recorder and the options, page 2 shows
// the erase and recording run. Its parts live beside this file: uCDMain.cpp (construction,
// wiring, close), uCDMain_startup.cpp (start-up and drive selection), uCDMain_repair.cpp
// (setting aside an outdated ASPI library), uCDMain_log.cpp (log, feedback, support mail),
// uCDMain_options.cpp (info, speed list, review and advanced dialogs), uCDMain_burn.cpp
// (the burn run and its private messages), uCDMain_transfer.cpp (review list to file tree).
#pragma once
#include "engine/bvCDBC.h"
#include "host/ActivityLog.h"
#include "host/WizardSettings.h"
#include "host/uCDAdvanced.h"
#include "host/uCDFiles.h"
#include "host/ui/ComCtrls.h"
#include "host/ui/Form.h"
#include "host/ui/ListCtrls.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"
#include "platform/Mail.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scrivo {

// The private messages that chain the steps of a run.
constexpr uint32_t WM_CDERASE = WM_USER + 1000;
constexpr uint32_t WM_CDBURN = WM_USER + 1001;
constexpr uint32_t WM_CDDONE = WM_USER + 1002;
constexpr uint32_t WM_CDEJECT = WM_USER + 1003;

class TfrmCDMain;

// The wizard and the review dialog of the call in progress (one wizard at a time).
extern TfrmCDMain* frmCDMain;
extern TdlgCDFiles* dlgCDFiles;
// Where an outdated ASPI library was set aside; empty when none.
extern std::string FixedWnaspiPath;
// Called by WriteFilesToCD right after it created the wizard, before anything else: the
// place to put a form's system seams (below) from outside, as tests and front ends do.
extern std::function<void(TfrmCDMain&)> WizardCreated;

// `relative` ("system32\\wnaspi32.dll") under the Windows folder, with the platform's
// separators.
std::string WindowsRelativePath(const std::string& windowsFolder, const std::string& relative);

class TfrmCDMain : public TForm {
public:
    explicit TfrmCDMain(TForm* owner = nullptr);
    ~TfrmCDMain() override;

    // ---- Page control and pages
    TPageControl& pgcCD;
    TTabSheet& tab1;
    TTabSheet& tab2;

    // ---- Page 1: drive and options
    TLabel& Label7;
    TLabel& Label1;
    TLabel& lblCDROM;
    TComboBox& cbDrives;
    TButton& btnInfo;
    TLabel& Label9;
    TComboBox& cbSpeed;
    TCheckBox& chkClearCD;
    TButton& btnEditFiles;
    TButton& btnAdvanced;
    TButton& btnPrev1;
    TButton& btnFinish;
    TButton& btnCancel3;

    // ---- Page 2: progress
    TLabel& Label11;
    TLabel& lblErase;
    TProgressBar& pbrErase;
    TLabel& lblWriteCD;
    TProgressBar& pbrWriteCD;
    TLabel& lblSize;
    TLabel& Label16;
    TMemo& Memo2;
    TLabel& Label10;
    TProgressBar& pBuf;
    TLabel& Label13;
    TProgressBar& pHBuf;
    TLinkLabel& LinkLabel1;
    TButton& btnCancel4;
    TButton& btnClose;
    TButton& btnPrev2;

    TTimer& Timer1;

    // ---- The engine
    TBrenvik brenvik;

    // ---- The burn job and the run's state
    int32_t AddMode = 0;
    std::string DestFolder;
    std::string RegistryKey = DefaultRegistryKey;
    bool LogEnabled = false;
    bool DiscWritten = false;
    std::string LastError;
    // The settings key could not be created: the wizard runs on defaults held in memory
    // and stores nothing when it closes.
    bool SettingsInMemory = false;
    // Sources of the last run that went out with zeros for what they did not deliver.
    std::vector<std::string> SourceProblems;
    uint32_t StartTicks = 0;
    // The previous-session import choice of the advanced dialog.
    TSessionImport SessionImport;

    // ---- System seams: the real system by default; tests stand in for it.
    // Loads the transport and fills brenvik's DeviceList (InitializeTransport by default).
    std::function<void(TBrenvik& engine, bool usePassThrough)> InitTransport;
    std::function<std::string()> GetWindowsVersionName;
    std::function<std::string()> GetWindowsFolder;
    std::function<std::optional<std::array<uint16_t, 4>>(const std::string& path)> GetFileVersion;
    // The product version of the host executable; empty when it has none.
    std::function<std::string()> GetAppVersion;
    // Renames a file, refusing when the new name exists; false when refused.
    std::function<bool(const std::string& from, const std::string& to)> RenameFile;
    std::function<void(const TMailMessage&)> SendMail;
    // Folder of the host executable (trailing separator): the log and the mail attachment.
    std::string ExeFolder;
    // The log writer; its tick source is the clock of StartTicks. Its other fields are
    // taken from LogEnabled, StartTicks and ExeFolder at every line.
    TActivityLog Log;

    // ---- Creation, start-up, drive selection (uCDMain.cpp, uCDMain_startup.cpp)
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void SaveSettings();
    // The stored settings, or (the key cannot be made) the defaults, said once.
    TWizardSettings LoadSettingsOrDefaults();
    bool UpdateDriveSelection(bool ShowMessage);
    void cbDrivesChange(TObject* Sender);
    void cbDrivesDrawItem(TObject* Control, int Index, const TRect& Rect, TOwnerDrawState State);

    // ---- ASPI library repair (uCDMain_repair.cpp)
    bool FixMissingCDROM();

    // ---- Log, feedback and support mail (uCDMain_log.cpp)
    void LogLine(const std::string& Section, const std::string& Text, bool StartNew = false);
    void brenvikDebugMessage(TSCSIDevice* Sender, const std::string& Message, uint8_t mType);
    void LinkLabel1Click(TObject* Sender);

    // ---- Info, speeds, review and advanced dialogs (uCDMain_options.cpp)
    void btnInfoClick(TObject* Sender);
    void cbSpeedDropDown(TObject* Sender);
    int GetSelectedSpeed();
    void btnEditFilesClick(TObject* Sender);
    void btnAdvancedClick(TObject* Sender);

    // ---- The burn run (uCDMain_burn.cpp)
    void bBurnClick(TObject* Sender);
    void tab2Show(TObject* Sender);
    bool EraseCD(bool Quick);
    void BurnCD();
    void Eject();
    void WndProc(const TMessage& Message) override;
    void WMCDErase(const TMessage& Message);
    void WMCDBurn(const TMessage& Message);
    void WMCDDone(const TMessage& Message);
    void WMCDEject(const TMessage& Message);
    void brenvikEraseDone(TSCSIDevice* Sender, bool WithError);
    void brenvikWriteDone(TBrenvik* Sender, const std::string& Error);
    void brenvikFinalizingTrack(void* Sender);
    void Timer1Timer(TObject* Sender);
    void btnCancel4Click(TObject* Sender);
    void btnPrev2Click(TObject* Sender);
    void ShowCloseButton(bool Visible);

    // ---- Review list transfer (uCDMain_transfer.cpp)
    void AddFilesToBurner();
    void brenvikAddFile(void* Sender, const std::string& FullPath, std::string& LongFileName,
                        std::string& ShortFileName, TDateTime& DateTime, uint32_t Attr, int64_t FileSize, bool& Skip);
    void brenvikAddDirName(void* Sender, std::string& LongName, std::string& ShortName, bool& Skip);

private:
    void BuildPage1();
    void BuildPage2();
    void WireEvents();
    void ReportAspiFiles(const std::string& windowsName);
    void ListDrives(int savedDrive);
    void LoadRecordingSettings(const TWizardSettings& settings);
    // The review dialog this form created itself (start-up without one); destroyed with it.
    std::unique_ptr<TdlgCDFiles> ownFiles_;
    // Capabilities dialogs shown by "Info...": they live as long as the wizard.
    std::vector<std::unique_ptr<TForm>> infoDialogs_;
};

} // namespace scrivo
