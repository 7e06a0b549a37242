#include "uCDMain.h"
#include "platform/SystemInfo.h"

#include <filesystem>

namespace scrivo {

TfrmCDMain* frmCDMain = nullptr;
TdlgCDFiles* dlgCDFiles = nullptr;
std::string FixedWnaspiPath;
std::function<void(TfrmCDMain&)> WizardCreated;

namespace {

TFont TitleFont()
{
    TFont f;
    f.Bold = true;
    f.Size = 12;
    return f;
}

// Windows refuses to rename onto an existing file; the same rule holds everywhere here.
bool RenameRefusingExisting(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    const fs::path source(std::u8string(from.begin(), from.end()));
    const fs::path target(std::u8string(to.begin(), to.end()));
    std::error_code ec;
    if (fs::exists(target, ec) || ec)
        return false;
    fs::rename(source, target, ec);
    return !ec;
}

} // namespace

TfrmCDMain::TfrmCDMain(TForm* owner)
    : TForm("frmCDMain", owner),
      pgcCD(Add<TPageControl>("pgcCD")),
      tab1(Add<TTabSheet>("tab1", &pgcCD)),
      tab2(Add<TTabSheet>("tab2", &pgcCD)),
      Label7(Add<TLabel>("Label7", &tab1)),
      Label1(Add<TLabel>("Label1", &tab1)),
      lblCDROM(Add<TLabel>("lblCDROM", &tab1)),
      cbDrives(Add<TComboBox>("cbDrives", &tab1)),
      btnInfo(Add<TButton>("btnInfo", &tab1)),
      Label9(Add<TLabel>("Label9", &tab1)),
      cbSpeed(Add<TComboBox>("cbSpeed", &tab1)),
      chkClearCD(Add<TCheckBox>("chkClearCD", &tab1)),
      btnEditFiles(Add<TButton>("btnEditFiles", &tab1)),
      btnAdvanced(Add<TButton>("btnAdvanced", &tab1)),
      btnPrev1(Add<TButton>("btnPrev1", &tab1)),
      btnFinish(Add<TButton>("btnFinish", &tab1)),
      btnCancel3(Add<TButton>("btnCancel3", &tab1)),
      Label11(Add<TLabel>("Label11", &tab2)),
      lblErase(Add<TLabel>("lblErase", &tab2)),
      pbrErase(Add<TProgressBar>("pbrErase", &tab2)),
      lblWriteCD(Add<TLabel>("lblWriteCD", &tab2)),
      pbrWriteCD(Add<TProgressBar>("pbrWriteCD", &tab2)),
      lblSize(Add<TLabel>("lblSize", &tab2)),
      Label16(Add<TLabel>("Label16", &tab2)),
      Memo2(Add<TMemo>("Memo2", &tab2)),
      Label10(Add<TLabel>("Label10", &tab2)),
      pBuf(Add<TProgressBar>("pBuf", &tab2)),
      Label13(Add<TLabel>("Label13", &tab2)),
      pHBuf(Add<TProgressBar>("pHBuf", &tab2)),
      LinkLabel1(Add<TLinkLabel>("LinkLabel1", &tab2)),
      btnCancel4(Add<TButton>("btnCancel4", &tab2)),
      btnClose(Add<TButton>("btnClose", &tab2)),
      btnPrev2(Add<TButton>("btnPrev2", &tab2)),
      Timer1(Add<TTimer>("Timer1")),
      brenvik(this),
      InitTransport([](TBrenvik& engine, bool usePassThrough) { engine.InitializeTransport(usePassThrough, ""); }),
      GetWindowsVersionName([] { return WindowsVersionName(); }),
      GetWindowsFolder([] { return WindowsFolder(); }),
      GetFileVersion([](const std::string& path) { return FileVersion(path); }),
      GetAppVersion([] { return FileProductVersion(ExePath()); }),
      RenameFile(RenameRefusingExisting),
      SendMail(SendMailWithDialog),
      ExeFolder(scrivo::ExeFolder())
{
    SetCaption("Write Files to CD");
    ShowHint = true;
    BuildPage1();
    BuildPage2();
    Timer1.SetInterval(500);
    Timer1.SetTimerEnabled(false);

    brenvik.UnderrunProtection = true;
    brenvik.ReadSpeed = 0;
    brenvik.FinalizeDisc = false;
    brenvik.TestWrite = false;
    brenvik.ReplaceFile = true;
    brenvik.PerformOPC = true;
    brenvik.IdVolume = "Ombrel CD";
    brenvik.IdSystem = " ";
    brenvik.IdPublisher = "Halvex";
    brenvik.IdPreparer = "Brenvik";
    brenvik.SetCacheSize(4194304);
    brenvik.ISOFileName = "c:\\abc.iso";
    brenvik.WritePostGap = false;

    WireEvents();
    FormCreate(this);
}

TfrmCDMain::~TfrmCDMain()
{
    if (frmCDMain == this)
        frmCDMain = nullptr;
    if (ownFiles_ && dlgCDFiles == ownFiles_.get())
        dlgCDFiles = nullptr;
    // A recording or an erase still running reports to this form one last time; after
    // that no engine event may reach it.
    brenvik.EndRun();
    brenvik.OnDebugMessage = nullptr;
    brenvik.OnEraseDone = nullptr;
    brenvik.OnWriteDone = nullptr;
    brenvik.OnFinalizingTrack = nullptr;
    brenvik.OnAddFile = nullptr;
    brenvik.OnAddDir = nullptr;
}

void TfrmCDMain::BuildPage1()
{
    Label7.SetCaption("CD-ROM Settings");
    Label7.SetFont(TitleFont());
    Label7.SetBounds(16, 12, 300, 20);
    Label1.SetCaption("Please specify your CD-ROM drive and write settings:");
    Label1.SetBounds(16, 44, 400, 13);

    lblCDROM.SetCaption("CD-ROM Drive:");
    lblCDROM.SetBounds(16, 76, 90, 13);
    cbDrives.SetBounds(112, 72, 250, 22);
    cbDrives.SetHint("Select your CD Writer");
    cbDrives.OwnerDraw = true;
    cbDrives.ItemHeight = 14;
    btnInfo.SetCaption("Info...");
    btnInfo.SetHint("Display information on the selected device");
    btnInfo.SetBounds(370, 71, 75, 25);

    Label9.SetCaption("Write Speed:");
    Label9.SetBounds(16, 108, 90, 13);
    cbSpeed.SetBounds(112, 104, 150, 22);
    cbSpeed.SetHint("The speed at which data should be written to your CD or DVD disk");
    cbSpeed.SetItems({"Max"});

    chkClearCD.SetCaption("Erase CD before writing (Only works with CD-RW disks)");
    chkClearCD.SetHint(
        "If you are using a CD-RW or DVD-RW then check this option to erase any existing data on the CD");
    chkClearCD.SetBounds(16, 140, 400, 17);

    btnEditFiles.SetCaption("Review Files...");
    btnEditFiles.SetHint("Review the list of files that will be added to the CD-ROM");
    btnEditFiles.SetBounds(16, 176, 100, 25);
    btnAdvanced.SetCaption("Advanced...");
    btnAdvanced.SetHint("Advanced CD-ROM Options");
    btnAdvanced.SetBounds(124, 176, 100, 25);

    btnPrev1.SetCaption("Previous");
    btnPrev1.ModalResult = mrNo;
    btnPrev1.SetBounds(180, 256, 75, 25);
    btnFinish.SetCaption("Finish");
    btnFinish.Default = true;
    btnFinish.SetBounds(263, 256, 75, 25);
    btnCancel3.SetCaption("Cancel");
    btnCancel3.Cancel = true;
    btnCancel3.ModalResult = mrCancel;
    btnCancel3.SetBounds(370, 256, 75, 25);
}

void TfrmCDMain::BuildPage2()
{
    Label11.SetCaption("CD Write Progress");
    Label11.SetFont(TitleFont());
    Label11.SetBounds(16, 12, 300, 20);

    lblErase.SetCaption("Erasing CD:");
    lblErase.SetEnabled(false);
    lblErase.SetBounds(16, 44, 80, 13);
    pbrErase.SetHint("Progress of the CD Erase");
    pbrErase.SetBounds(104, 42, 341, 16);
    lblWriteCD.SetCaption("Writing CD:");
    lblWriteCD.SetBounds(16, 68, 80, 13);
    pbrWriteCD.SetHint("Progress of the CD Write");
    pbrWriteCD.SetBounds(104, 66, 341, 16);
    lblSize.SetCaption("Data Written:  0.00MB");
    lblSize.Alignment = TAlignment::taRightJustify;
    lblSize.SetBounds(205, 88, 240, 13);

    Label16.SetCaption("Feedback:");
    Label16.SetBounds(16, 104, 80, 13);
    Memo2.SetHint("Logging information");
    Memo2.VerticalScrollBar = true;
    Memo2.SetBounds(16, 120, 429, 100);

    Label10.SetCaption("Software Buffer: ");
    Label10.SetBounds(16, 228, 100, 13);
    pBuf.SetHint("Software buffer status");
    pBuf.SetBounds(120, 229, 100, 12);
    Label13.SetCaption("Device Buffer: ");
    Label13.SetBounds(232, 228, 88, 13);
    pHBuf.SetHint("Device buffer status");
    pHBuf.SetBounds(324, 229, 100, 12);

    LinkLabel1.SetCaption("E-mail Support");
    LinkLabel1.SetHint("Sends an e-mail to Technical Support containing your log file");
    LinkLabel1.SetBounds(16, 262, 100, 13);

    btnPrev2.SetCaption("Previous");
    btnPrev2.SetBounds(263, 256, 75, 25);
    btnCancel4.SetCaption("Cancel");
    btnCancel4.Cancel = true;
    btnCancel4.SetBounds(370, 256, 75, 25);
    btnClose.SetCaption("Close");
    btnClose.ModalResult = mrYes;
    btnClose.SetVisible(false);
    btnClose.SetBounds(370, 226, 75, 25);
}

void TfrmCDMain::WireEvents()
{
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    cbDrives.OnChange = [this](TObject* s) { cbDrivesChange(s); };
    cbDrives.OnDrawItem = [this](TObject* c, int i, const TRect& r, TOwnerDrawState st) { cbDrivesDrawItem(c, i, r, st); };
    cbSpeed.OnDropDown = [this](TObject* s) { cbSpeedDropDown(s); };
    btnInfo.OnClick = [this](TObject* s) { btnInfoClick(s); };
    btnEditFiles.OnClick = [this](TObject* s) { btnEditFilesClick(s); };
    btnAdvanced.OnClick = [this](TObject* s) { btnAdvancedClick(s); };
    btnFinish.OnClick = [this](TObject* s) { bBurnClick(s); };
    tab2.OnShow = [this](TObject* s) { tab2Show(s); };
    btnCancel4.OnClick = [this](TObject* s) { btnCancel4Click(s); };
    btnPrev2.OnClick = [this](TObject* s) { btnPrev2Click(s); };
    LinkLabel1.OnClick = [this](TObject* s) { LinkLabel1Click(s); };
    Timer1.OnTimer = [this](TObject* s) { Timer1Timer(s); };

    brenvik.OnDebugMessage = [this](TSCSIDevice* s, const std::string& m, uint8_t t) { brenvikDebugMessage(s, m, t); };
    brenvik.OnEraseDone = [this](TSCSIDevice* s, bool e) { brenvikEraseDone(s, e); };
    brenvik.OnWriteDone = [this](TBrenvik* s, const std::string& e) { brenvikWriteDone(s, e); };
    brenvik.OnFinalizingTrack = [this](void* s) { brenvikFinalizingTrack(s); };
    brenvik.OnAddFile = [this](void* s, const std::string& path, std::string& lfn, std::string& sfn, TDateTime& dt,
                               uint32_t attr, int64_t size, bool& skip) {
        brenvikAddFile(s, path, lfn, sfn, dt, attr, size, skip);
    };
    brenvik.OnAddDir = [this](void* s, std::string& ln, std::string& sn, bool& skip) {
        brenvikAddDirName(s, ln, sn, skip);
    };
}

void TfrmCDMain::FormCreate(TObject*)
{
    DiscWritten = false;
    AddMode = 0;
    tab1.TabVisible = false;
    tab2.TabVisible = false;
    pgcCD.SetActivePage(&tab1);
    brenvik.DoDebug = true;
    ClientWidth = btnCancel4.BoundsRect().Right + 17;
    ClientHeight = btnCancel4.BoundsRect().Bottom + 14;
    pgcCD.SetBounds(0, 0, ClientWidth, ClientHeight); // the pages fill the client area
    cbSpeed.ClearItems();
    cbSpeed.AddItem("Max");
    cbSpeed.SetItemIndex(0);
}

void TfrmCDMain::FormClose(TObject*, TCloseAction&)
{
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        // A settings store that refuses must not keep the user in the wizard.
        LogLine("FormClose", std::string("ERROR: ") + e.what());
    }
}

void TfrmCDMain::SaveSettings()
{
    if (SettingsInMemory)
        return; // the key could not be made at start-up, and the user has been told
    TWizardSettings s;
    s.CloseTrack = brenvik.FinalizeTrack;
    s.CloseDisc = brenvik.FinalizeDisc;
    s.JolietFS = brenvik.JolietFileSystem;
    s.TestWrite = brenvik.TestWrite;
    s.PerformOPC = brenvik.PerformOPC;
    s.VerifyWrite = brenvik.VerifyWrite;
    s.VolumeLabel = brenvik.IdVolume;
    s.CacheSize = brenvik.CacheSize();
    s.FixedWNASPI = FixedWnaspiPath;
    s.CDSpeed = cbSpeed.ItemIndex();
    s.CDRomDrive = cbDrives.ItemIndex();
    SaveWizardSettings(RegistryKey, s);
}

} // namespace scrivo
