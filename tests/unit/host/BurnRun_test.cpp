// The wizard's burn run on a virtual recorder, driven headless: the checks made on
// "Finish", erase, recording, cancellation, progress texts and the end of the run.
#include "BurnRunKit.h"
#include "scsi/Mmc.h"

namespace scrivo::test {
namespace {

TEST_F(BurnRunTest, AnEmptyListAnAddModeThatAddsNothingOrNoDiscStopsOnPageOne)
{
    Make(MediaKind::CdR);
    ui.Script.Answer(mrOk, "At least one file or folder must be specified.");
    Finish();
    File("a.txt", 10);
    frm.AddMode = 3;
    Finish(); // silently: no message box is scripted
    EXPECT_EQ(ui.Script.Messages.size(), 1u);
    frm.AddMode = 0;
    frm.brenvik.StartStopUnit(true);
    ui.Script.Answer(mrOk, "You do not appear to have a valid writable CD or DVD in your Writer.\r\n\r\n"
                           "Please insert a valid disk and try again.");
    Finish();
    EXPECT_EQ(frm.pgcCD.ActivePage(), &frm.tab1);
    EXPECT_EQ(ui.CurrentCursor, crDefault);
    EXPECT_TRUE(vd.Sent(scsi::kWrite10).empty());
}

TEST_F(BurnRunTest, AReadOnlyDiscIsOnlyWrittenWhenTheUserInsists)
{
    std::vector<uint8_t> iso(32 * 2048);
    std::memcpy(iso.data() + 16 * 2048, "\x01" "CD001", 6);
    Make(MediaKind::CdRom, 0, src.Write("rom.iso", iso));
    File("a.txt", 10);
    const std::string question = "The disk type you have inserted (CD-ROM) does not appear to be writable.\r\n\r\n"
                                 "Are you sure you want to continue?";
    ui.Script.Answer(mrNo, question);
    Finish();
    EXPECT_EQ(frm.pgcCD.ActivePage(), &frm.tab1);
    // A closed disc has no free space either.
    ui.Script.Answer(mrYes, question)
        .Answer(mrYes, "more to the disk than the free space")
        .Answer(mrOk, "An error was encountered while writing data to your disk:");
    Finish();
    RunToEnd();
    EXPECT_EQ(ui.Script.Messages.back().Kind, TMsgKind::Error);
    EXPECT_FALSE(frm.DiscWritten);
    EXPECT_EQ(Ejects(), 0u);
}

TEST_F(BurnRunTest, FreeSpaceIsQuestionedOnlyBeyondAnExactFit)
{
    Make(MediaKind::CdR, 2000);
    File("a.bin", 100000);
    frm.brenvik.ClearFiles(600000, 20000);
    frm.AddFilesToBurner();
    frm.brenvik.PrepareImage(false, nullptr);
    const uint32_t fit = uint32_t(2000 + frm.brenvik.ImageSize() - frm.brenvik.GetFreeBlocks());
    vd.Insert(MediaKind::CdR, "", fit - 1);
    ui.Script.Answer(mrNo, "You appear to be writing more to the disk than the free space that is available."
                           "\r\n\r\nAre you sure you want to continue?");
    Finish();
    EXPECT_EQ(frm.pgcCD.ActivePage(), &frm.tab1);
    vd.Insert(MediaKind::CdR, "", fit);
    ui.Script.Answer(mrOk, "Your disk is now ready.");
    Finish();
    RunToEnd();
    EXPECT_TRUE(frm.DiscWritten);
}

TEST_F(BurnRunTest, WithEraseCheckedACdrIsRecordedWithoutErasingThenEjected)
{
    Make(MediaKind::CdR);
    const std::string a = File("a.bin", 70000), b = File(std::string(103, 'n') + ".bin", 5000);
    File(std::string(104, 'n') + ".bin", 10); // one name too long: skipped
    frm.chkClearCD.SetChecked(true);
    ui.Script.Answer(mrOk, "Your disk is now ready.");
    Finish();
    EXPECT_EQ(frm.pgcCD.ActivePage(), &frm.tab2);
    EXPECT_EQ(frm.pbrWriteCD.Max(), frm.brenvik.ImageSize());
    RunToEnd();
    EXPECT_TRUE(vd.Sent(scsi::kBlank).empty());
    ExpectOnDisc({a, b});
    EXPECT_EQ(at.size(), 2u);
    EXPECT_TRUE(Logged("> ERROR: Skipping file, file name length exceeds 107 characters: " + src.File(std::string(104, 'n') + ".bin")));
    EXPECT_TRUE(frm.DiscWritten);
    EXPECT_EQ(Ejects(), 1u);
    EXPECT_TRUE(Logged(">>> Eject medium command done"));
    EXPECT_TRUE(frm.btnClose.Visible());
    EXPECT_EQ(ui.CurrentCursor, crDefault);
    EXPECT_EQ(frm.lblSize.Caption(), "Data Written: 0.37/0.37 MB");
}

TEST_F(BurnRunTest, ACdRwIsErasedFirstUnlessTheUserDeclines)
{
    Make(MediaKind::CdRw);
    const std::string a = File("a.bin", 5000);
    frm.chkClearCD.SetChecked(true);
    const std::string question = "Are you sure you want to erase the current CD-RW?\r\n\r\n"
                                 "All data that it contains will be lost!";
    ui.Script.Answer(mrNo, question)
        .Answer(mrOk, "An error was encountered while writing data to your disk:\r\n\r\n"
                      "Erasure of disk was not completed");
    Finish();
    RunToEnd();
    EXPECT_TRUE(vd.Sent(scsi::kBlank).empty());
    EXPECT_TRUE(vd.Sent(scsi::kWrite10).empty());
    EXPECT_EQ(Ejects(), 0u);

    ui.Script.Answer(mrYes, question).Answer(mrOk, "Your disk is now ready.");
    UserClick(frm.btnPrev2);
    Finish();
    RunToEnd();
    EXPECT_EQ(vd.Sent(scsi::kBlank).size(), 1u);
    EXPECT_TRUE(Logged(">>> Erase process done"));
    EXPECT_FALSE(frm.lblErase.Enabled());
    ExpectOnDisc({a});
}

TEST_F(BurnRunTest, AnEraseOnADriveThatNeverGetsReadyEndsTheRun)
{
    Make(MediaKind::CdRw);
    File("a.bin", 10);
    frm.chkClearCD.SetChecked(true);
    // From the erase's START STOP UNIT on, the drive answers "becoming ready" for good.
    TransportEntry = [drive = TransportEntry, armed = false](void* p) mutable {
        auto& r = *static_cast<SRB_ExecSCSICmd*>(p);
        armed = armed || r.CDBByte[0] == scsi::kStartStopUnit;
        if (!armed || (r.CDBByte[0] != scsi::kTestUnitReady && r.CDBByte[0] != scsi::kReadDiscInformation))
            return drive(p);
        r.SenseArea[0] = 0x70, r.SenseArea[2] = 0x02, r.SenseArea[12] = 0x04, r.SRB_TargStat = 2;
        return uint32_t(r.SRB_Status = SS_ERR);
    };
    ui.Script.Answer(mrYes, "Are you sure you want to erase the current CD-RW?")
        .Answer(mrOk, "An error was encountered while writing data to your disk:\r\n\r\n"
                      "Erasure of disk was not completed");
    Finish();
    RunToEnd();
    EXPECT_TRUE(vd.Sent(scsi::kBlank).empty());
    EXPECT_FALSE(frm.Timer1.TimerEnabled());
}

TEST_F(BurnRunTest, ADriveSilentWhileTheDiscIsExaminedStopsOnPageOne)
{
    Make(MediaKind::CdR);
    File("a.bin", 10);
    // Unanswered, the track's free blocks would read as a full disc.
    bool lost = false;
    vd.LoseIf = [&](const SentCdb& c) { return c.Op() == scsi::kReadTrackInformation && !std::exchange(lost, true); };
    ui.Script.Answer(mrOk, "Your Writer did not answer while the disk was being examined, so nothing was written.");
    Finish();
    ASSERT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(ui.Script.Messages.back().Kind, TMsgKind::Error);
    EXPECT_EQ(frm.pgcCD.ActivePage(), &frm.tab1);
    EXPECT_TRUE(vd.Sent(scsi::kWrite10).empty());
}

TEST_F(BurnRunTest, CancelShowsCloseAtOnceAndTheFailureWhenTheEngineHasStopped)
{
    Make(MediaKind::CdR);
    File("a.bin", 400000);
    TEvent writing, cancelled;
    vd.OnCommand = [&](const SentCdb& c) {
        if (c.Op() == scsi::kWrite10 && !writing.IsSet()) {
            writing.Set();
            cancelled.WaitFor(10000);
        }
    };
    ui.Script.Then([&] {
        ASSERT_TRUE(writing.WaitFor(10000));
        UserClick(frm.btnCancel4);
        EXPECT_TRUE(frm.btnClose.Visible());
        EXPECT_FALSE(frm.btnCancel4.Visible());
        EXPECT_FALSE(frm.btnPrev2.Enabled()); // until the engine has stopped
        EXPECT_TRUE(ui.Script.Messages.empty());
        cancelled.Set();
    });
    ui.Script.Answer(mrOk, "An error was encountered while writing data to your disk:\r\n\r\n"
                           "OPERATION ABORTED BY USER");
    Finish();
    RunToEnd();
    EXPECT_TRUE(frm.btnPrev2.Enabled());
    EXPECT_FALSE(frm.DiscWritten);
    EXPECT_EQ(Ejects(), 0u);
}

TEST_F(BurnRunTest, CancelDuringAnEraseShowsCloseAndTheRecordingStillFollows)
{
    Make(MediaKind::CdRw);
    const std::string a = File("a.bin", 5000);
    frm.chkClearCD.SetChecked(true);
    TEvent erasing, cancelled;
    vd.OnCommand = [&](const SentCdb&) {
        if (!IsMainThread() && !erasing.IsSet()) { // the erase thread's first command
            erasing.Set();
            cancelled.WaitFor(10000);
        }
    };
    ui.Script.Answer(mrYes, "Are you sure you want to erase").Then([&] {
        ASSERT_TRUE(erasing.WaitFor(10000));
        UserClick(frm.btnCancel4);
        EXPECT_TRUE(frm.btnClose.Visible());
        cancelled.Set();
    });
    ui.Script.Answer(mrOk, "Your disk is now ready.");
    Finish();
    RunToEnd();
    EXPECT_EQ(vd.Sent(scsi::kBlank).size(), 1u);
    ExpectOnDisc({a});
}

TEST_F(BurnRunTest, ASourceThatShrinksWhileWrittenIsNamedAfterTheRun)
{
    Make(MediaKind::CdR);
    frm.brenvik.SetCacheSize(MinCacheSize);
    const std::string a = File("a.bin", 3000000), shrinks = File("b.bin", 5000);
    vd.OnCommand = [&](const SentCdb& c) {
        if (c.Op() == scsi::kWrite10)
            std::filesystem::resize_file(shrinks, 1000);
    };
    const std::string problem = "\"" + shrinks + "\" changed size while it was written; its missing bytes are zeros";
    ui.Script.Answer(mrOk, "Your disk is now ready.\r\n\r\nSome files did not match their sources while they were "
                           "written:\r\n" + problem);
    Finish();
    RunToEnd();
    EXPECT_TRUE(frm.DiscWritten);
    EXPECT_TRUE(Logged(">>> " + problem));
    ExpectOnDisc({a});
}

TEST_F(BurnRunTest, VerifyWrittenDataNamesTheFileOfABadBlockAndFailsTheRun)
{
    Make(MediaKind::CdR);
    frm.brenvik.VerifyWrite = true;
    const std::string a = File("a.bin", 200000);
    ui.Script.Answer(mrOk, "Your disk is now ready.");
    Finish();
    RunToEnd();
    EXPECT_TRUE(Logged(">>> Written data verified"));

    // The same tree on a blank disc again, one block of a.bin stored altered while the
    // drive answers GOOD.
    vd.Insert(MediaKind::CdR, "corrupt_write_at=" + std::to_string(at[a] + 10));
    UserClick(frm.btnPrev2);
    ui.Script.Answer(mrOk, "An error was encountered while writing data to your disk:\r\n\r\nVERIFY ERROR [");
    Finish();
    RunToEnd();
    EXPECT_TRUE(Logged(">>> Differs on the disk from what was written: " + a));
}

TEST_F(BurnRunTest, ProgressTextsAndBars)
{
    Make(MediaKind::CdR);
    frm.brenvik.ImageSectorCount = 1000000;
    frm.brenvik.BytesWritten = 1234567890;
    frm.brenvik.DeviceBufferSize = 4096;
    frm.brenvik.DeviceFreeBufferSize = 1024;
    frm.pbrWriteCD.SetMax(1000000);
    frm.pHBuf.SetMax(4096);
    frm.Timer1Timer(nullptr);
    EXPECT_EQ(frm.lblSize.Caption(), "Data Written: 1,177.38/1,953.13 MB");
    EXPECT_EQ(frm.pbrWriteCD.Position(), 602816);
    EXPECT_EQ(frm.pHBuf.Position(), 3072);
    frm.brenvik.DeviceFreeBufferSize = 5000; // more free than buffer: the bar stays
    frm.Timer1Timer(nullptr);
    EXPECT_EQ(frm.pHBuf.Position(), 3072);
    frm.brenvik.Verifying = true; // the verify run reads back after the recording
    frm.brenvik.BytesVerified = 1000000000;
    frm.Timer1Timer(nullptr);
    EXPECT_EQ(frm.lblSize.Caption(), "Data Verified: 953.67/1,953.13 MB");
    EXPECT_EQ(frm.pbrWriteCD.Position(), 488281);
    frm.brenvik.Verifying = false;
}

} // namespace
} // namespace scrivo::test
