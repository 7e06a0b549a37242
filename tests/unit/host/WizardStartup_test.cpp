// Wizard start-up on virtual recorders: drive choice, settings, the log, ASPI repair.
#include "WizardFixture.h"
#include "host/ui/headless/UserActions.h"

#include <algorithm>
#include <gmock/gmock.h>

namespace scrivo {
namespace {

using test::WizardFixture;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using vrecorder::MediaKind;

class WizardStartupTest : public WizardFixture {
protected:
    size_t CountLogged(const std::string& section, const std::string& prefix)
    {
        auto lines = Logged(section);
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    }
    std::string Letter() { return std::string(1, form->brenvik.GetDriveLetter()); }
};

TEST_F(WizardStartupTest, StoredDriveOutOfRangeScansForTheFirstWriter)
{
    drives.AddReader();
    drives.Add(MediaKind::CdR);
    drives.AddReader();
    Store("CDRomDrive", "3");
    TfrmCDMain& f = Start();
    ASSERT_EQ(f.cbDrives.Items().size(), 3u);
    EXPECT_EQ(f.cbDrives.ItemIndex(), 1);
    EXPECT_EQ(f.brenvik.Device(), f.cbDrives.Items()[1]);
    EXPECT_EQ(CountLogged("FormShow", "Testing write capability of: "), 2u);
    EXPECT_EQ(CountLogged("FormShow", "Setting CD Device to : "), 0u);
    EXPECT_THAT(Logged("UpdateDriveSelection"), Contains("End, result=False"));
    EXPECT_THAT(Logged("UpdateDriveSelection"), Contains("Burn available on " + Letter()));
    EXPECT_THAT(ui.Script.Messages, IsEmpty());
}

TEST_F(WizardStartupTest, StoredNonWriterStaysSelectedWithoutAWord)
{
    drives.AddReader();
    drives.Add(MediaKind::CdR);
    Store("CDRomDrive", "0");
    TfrmCDMain& f = Start();
    EXPECT_EQ(f.cbDrives.ItemIndex(), 0);
    EXPECT_THAT(Logged("FormShow"), Contains("Setting CD Device to : " + f.cbDrives.Items()[0]));
    EXPECT_EQ(CountLogged("FormShow", "Testing write capability of: "), 0u);
    EXPECT_THAT(Logged("UpdateDriveSelection"),
                ElementsAre("Start", "Get Letter", "No Burn capability on " + Letter(), "End, result=False"));
    EXPECT_THAT(ui.Script.Messages, IsEmpty());
}

TEST_F(WizardStartupTest, TwoNonWritersAreBothTestedAndTheLastStays)
{
    drives.AddReader();
    drives.AddReader();
    TfrmCDMain& f = Start();
    EXPECT_EQ(f.cbDrives.ItemIndex(), 1);
    EXPECT_EQ(CountLogged("FormShow", "Testing write capability of: "), 2u);
    EXPECT_THAT(ui.Script.Messages, IsEmpty());
}

TEST_F(WizardStartupTest, PickingANonWriterTellsTheUserAndDrawingHidesTheAddress)
{
    drives.AddReader();
    drives.Add(MediaKind::DvdR);
    TfrmCDMain& f = Start();
    ui.Script.Answer(mrOk, "does not have write capability.");
    UserSelect(f.cbDrives, 0);
    EXPECT_EQ(f.cbDrives.Hint(), f.cbDrives.Items()[0]);
    ASSERT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(ui.Script.Messages[0].Text, "Drive " + Letter() + " does not have write capability.");

    const std::string entry = f.cbDrives.Items()[0];
    EXPECT_EQ(DrawnItemText(f.cbDrives, 0), entry.substr(entry.find(',') + 1));
    f.cbDrives.SetItems({"0:1:0 no comma"});
    EXPECT_EQ(DrawnItemText(f.cbDrives, 0), "0:1:0 no comma");
}

TEST_F(WizardStartupTest, TheLogStartsAfreshWithVersionsAspiFilesAndDrives)
{
    std::ofstream(std::filesystem::path(ExeFolder() + "ScrivoLog.txt")) << "from an earlier call\r\n";
    std::filesystem::create_directories(std::filesystem::path(WindowsFolder() + "/system32"));
    std::ofstream(std::filesystem::path(WindowsFolder() + "/system32/wnaspi32.dll")) << "x";
    drives.Add(MediaKind::CdR);
    TfrmCDMain& f = Start();
    const std::string drive = f.cbDrives.Items()[0];
    std::vector<std::string> lines = LogLines();
    std::erase_if(lines, [](const std::string& l) { return l.find("[brenvikDebugMessage]") != std::string::npos; });
    ASSERT_GE(lines.size(), 13u);
    lines.resize(13);
    EXPECT_THAT(lines, ElementsAre("0 - [FormShow] App Version=2.0.1", "0 - [FormShow] Brenvik Version=1.21",
                                   "0 - [FormShow] Windows=Windows XP",
                                   "0 - [ASPIVersionRead] system32\\drivers\\aspi32.sys: NOT FOUND",
                                   "0 - [ASPIVersionRead] system\\wowpost.exe: NOT FOUND",
                                   "0 - [ASPIVersionRead] system\\winaspi.dll: NOT FOUND",
                                   "0 - [ASPIVersionRead] system32\\wnaspi32.dll: 4.60.0.1021",
                                   "0 - [FormShow] Fixed WNASPI? False", "0 - [FormShow] Initializing ASPI (Internal=True)",
                                   "0 - [FormShow] CD-ROM Devices Count: 1", "0 - [FormShow] CD-ROM Devices 0: " + drive,
                                   "0 - [FormShow] Testing write capability of: " + drive,
                                   "0 - [UpdateDriveSelection] Start"));
    EXPECT_THAT(Logged("FormShow"), Contains("Loading Brenvik settings"));
    EXPECT_EQ(Logged("FormShow").back(), "End");
    EXPECT_EQ(f.Memo2.Lines().size(), Logged("brenvikDebugMessage").size()); // engine lines reach both

    ticks += 12999;
    f.LogLine("Section", "text");
    EXPECT_EQ(LogLines().back(), "12 - [Section] text");
}

TEST_F(WizardStartupTest, Windows98ChecksItsOwnAspiFilesAndAReadErrorEndsTheReport)
{
    windowsName = "Windows 98";
    std::filesystem::create_directories(std::filesystem::path(WindowsFolder() + "/system"));
    std::ofstream(std::filesystem::path(WindowsFolder() + "/system/aspienum.vxd")) << "x";
    drives.Add(MediaKind::CdR);
    Start([](TfrmCDMain& f) {
        f.GetFileVersion = [](const std::string&) -> std::optional<std::array<uint16_t, 4>> {
            throw std::runtime_error("no version");
        };
    });
    EXPECT_THAT(Logged("ASPIVersionRead"),
                ElementsAre("system\\iosubsys\\apix.vxd: NOT FOUND", "ERROR: no version"));
}

TEST_F(WizardStartupTest, LoggingOffWritesNoFileButTheMemoStillShowsEngineLines)
{
    drives.Add(MediaKind::CdR);
    TfrmCDMain& f = Start([](TfrmCDMain& w) { w.LogEnabled = false; });
    f.brenvik.DebugMessage(">>> hello", 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(ExeFolder() + "ScrivoLog.txt")));
    EXPECT_EQ(f.Memo2.Lines().back(), ">>> hello");
}

TEST_F(WizardStartupTest, UseInternalAspiFalseInAnyLetterCaseChoosesTheAspiLibrary)
{
    Store("UseInternalASPI", "fALSE");
    drives.Add(MediaKind::CdR);
    Start();
    EXPECT_THAT(Logged("FormShow"), Contains("Initializing ASPI (Internal=False)"));
    EXPECT_THAT(passThroughAsked, ElementsAre(false));
}

TEST_F(WizardStartupTest, NoTransportEndsStartUpQuietly)
{
    transportLoads = false;
    TfrmCDMain& f = Start();
    auto lines = Logged("FormShow");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "ASPIInitialized=FALSE");
    EXPECT_EQ(lines.back(), "End");
    EXPECT_THAT(f.cbDrives.Items(), IsEmpty());
    EXPECT_THAT(ui.Script.Messages, IsEmpty());
    EXPECT_EQ(Application().Cursor(), crDefault);
}

TEST_F(WizardStartupTest, RecordingSettingsAndTheVolumeLabel)
{
    Store("CloseTrack", "false");
    Store("CloseDisc", "TRUE");
    Store("JolietFS", "maybe");
    Store("TestWrite", "True");
    Store("PerformOPC", "FALSE");
    Store("CacheSize", "8388608");
    Store("VolumeLabel", "STORED");
    drives.Add(MediaKind::CdR);
    TfrmCDMain& f = Start([](TfrmCDMain& w) { w.brenvik.IdVolume = "FROMHOST"; });
    EXPECT_FALSE(f.brenvik.FinalizeTrack);
    EXPECT_TRUE(f.brenvik.FinalizeDisc);
    EXPECT_TRUE(f.brenvik.JolietFileSystem);
    EXPECT_TRUE(f.brenvik.TestWrite);
    EXPECT_FALSE(f.brenvik.PerformOPC);
    EXPECT_EQ(f.brenvik.CacheSize(), 8388608);
    EXPECT_EQ(f.brenvik.IdVolume, "FROMHOST");

    Start([](TfrmCDMain& w) { w.brenvik.IdVolume.clear(); });
    EXPECT_EQ(form->brenvik.IdVolume, "STORED");
    Store("VolumeLabel", "");
    Start([](TfrmCDMain& w) { w.brenvik.IdVolume.clear(); });
    EXPECT_EQ(form->brenvik.IdVolume, "Ombrel CD");
}

class AspiRepairTest : public WizardStartupTest {
protected:
    std::string libraryFolder() { return WindowsFolder() + PathDelim + "System32"; }
    std::string library() { return libraryFolder() + PathDelim + "WNASPI32.DLL"; }
    std::string renamed() { return libraryFolder() + PathDelim + "_WNASPI32.DLL"; }
    void SetUp() override
    {
        WizardStartupTest::SetUp();
        std::filesystem::create_directories(std::filesystem::path(libraryFolder()));
        std::ofstream(std::filesystem::path(library())) << "old";
    }
    static constexpr const char* NoDrive = "No CD-ROM drive could be located on your system.";
};

TEST_F(AspiRepairTest, LibraryOnlyInSystem32IsSetAsideOnYes)
{
    ui.Script.Answer(mrYes, "An outdated version of WNASPI32.DLL has been found in your Windows folder.  Would you "
                            "like this problem to be fixed automatically?\r\n\r\nNOTE: You can undo the fix at any "
                            "time by selecting the \"Undo WNASPI Fix\" option.")
        .Answer(mrOk, "You will now need to restart the application.");
    TfrmCDMain& f = Start();
    EXPECT_THAT(Logged("FixMissingCDROM"),
                ElementsAre(WindowsFolder() + PathDelim + "WNASPI32.DLL exists? False", library() + " exists? True",
                            "Renaming WNASPI32.DLL to " + renamed()));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(renamed())));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(library())));
    EXPECT_EQ(FixedWnaspiPath, renamed());
    EXPECT_FALSE(f.Visible()); // the wizard closed itself
    EXPECT_EQ(Stored("FixedWNASPI"), renamed());
}

TEST_F(AspiRepairTest, RenameRefusedWhenTheNewNameExists)
{
    std::ofstream(std::filesystem::path(renamed())) << "older";
    ui.Script.Answer(mrYes)
        .Answer(mrOk, "ERROR: Unable to rename, " + library() + ".  Please close the application and do it manually.")
        .Answer(mrOk, NoDrive);
    TfrmCDMain& f = Start();
    EXPECT_THAT(Logged("FixMissingCDROM"), Contains("ERROR renaming WNASPI32.DLL"));
    EXPECT_EQ(ui.Script.Messages[1].Kind, TMsgKind::Error);
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(library())));
    EXPECT_EQ(FixedWnaspiPath, "");
    EXPECT_TRUE(f.Visible());
}

TEST_F(AspiRepairTest, DeclinedOrAnOlderWindowsLeavesTheFileAlone)
{
    ui.Script.Answer(mrNo).Answer(mrOk, NoDrive);
    Start();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(library())));
    EXPECT_EQ(ui.Script.PendingAnswers(), 0u);

    windowsName = "Windows NT";
    ui.Script.Answer(mrOk, NoDrive);
    Start();
    EXPECT_THAT(Logged("FixMissingCDROM"), IsEmpty());
    EXPECT_THAT(Logged("FormShow"), Contains("Error: No CD-ROM found"));
}

TEST_F(WizardStartupTest, EraseFirstLineAsksForTheEraseOptionOnlyOnAnErasableDisc)
{
    drives.Add(MediaKind::CdRw);
    TfrmCDMain& f = Start();
    const std::string line = "WRITE FAILED: DISC IS ERASABLE, ERASE IT FIRST";
    ui.Script.Answer(mrOk, "The disk you have inserted does not appear to be blank.  Please attempt writing it "
                           "again with the \"Erase Disk\" option checked.");
    f.brenvik.DebugMessage(line, 0);
    EXPECT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(f.Memo2.Lines().back(), line);
    EXPECT_EQ(Logged("brenvikDebugMessage").back(), line);
}

TEST_F(WizardStartupTest, SupportMailAttachesTheLogAndReportsAFailure)
{
    drives.Add(MediaKind::CdR);
    TfrmCDMain& f = Start();
    TMailMessage sent;
    f.SendMail = [&](const TMailMessage& m) { sent = m; };
    f.LinkLabel1Click(&f.LinkLabel1);
    EXPECT_EQ(sent.AttachmentPath, ExeFolder() + "ScrivoLog.txt");
    EXPECT_THAT(ui.Script.Messages, IsEmpty());

    f.SendMail = [](const TMailMessage&) { throw EMailError("no client"); };
    ui.Script.Answer(mrOk, "Error Sending Mail!");
    f.LinkLabel1Click(&f.LinkLabel1);
    EXPECT_EQ(ui.Script.Messages.back().Kind, TMsgKind::Error);
}

TEST_F(WizardStartupTest, AdvancedOptionsReachTheEngineOnOkOnly)
{
    drives.Add(MediaKind::CdR);
    TfrmCDMain& f = Start();
    ui.Script.Then([&] {
        TForm& d = *ui.ActiveForm();
        FindControl<TEdit>(d, "eVolLabel").UserType("NEWLABEL");
        UserClick(d, "Button2");
    });
    UserClick(f.btnAdvanced);
    EXPECT_NE(f.brenvik.IdVolume, "NEWLABEL");
    ui.Script.Then([&] {
        TForm& d = *ui.ActiveForm();
        FindControl<TEdit>(d, "eVolLabel").UserType("NEWLABEL");
        UserClick(d, "Button1");
    });
    UserClick(f.btnAdvanced);
    EXPECT_EQ(f.brenvik.IdVolume, "NEWLABEL");
}

TEST_F(WizardStartupTest, AKeyThatCannotBeMadeGivesDefaultsSaidOnce)
{
    drives.Add(MediaKind::CdR);
    const std::string key = "Software\\" + std::string(400, 'k');
    ui.Script.Answer(mrOk, "default settings");
    TfrmCDMain& f = Start([&](TfrmCDMain& w) { w.RegistryKey = key; });
    ASSERT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(ui.Script.Messages[0].Text.rfind("Failed to create key " + key, 0), 0u);
    EXPECT_THAT(ui.Script.Exceptions, IsEmpty());
    EXPECT_EQ(f.cbDrives.Items().size(), 1u);
    EXPECT_EQ(f.cbDrives.ItemIndex(), 0);
    EXPECT_EQ(f.brenvik.IdVolume, DefaultVolumeLabel);
    f.Close();
    EXPECT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(CountLogged("FormShow", "ERROR: Failed to create key"), 1u);
    EXPECT_EQ(CountLogged("FormClose", "ERROR"), 0u);
}

TEST_F(WizardStartupTest, AnErrorInStartUpIsReportedAndTheWizardStaysOpen)
{
    TfrmCDMain& f = Start([](TfrmCDMain& w) {
        w.InitTransport = [](TBrenvik&, bool) { throw std::runtime_error("transport exploded"); };
    });
    ASSERT_EQ(ui.Script.Exceptions.size(), 1u);
    EXPECT_NE(ui.Script.Exceptions[0].find("transport exploded"), std::string::npos);
    EXPECT_EQ(Logged("FormShow").back(), "End");
    EXPECT_EQ(Application().Cursor(), crDefault);
    EXPECT_TRUE(f.Visible());
}

} // namespace
} // namespace scrivo
