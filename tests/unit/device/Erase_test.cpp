// Erasing rewritable discs on the virtual recorder: the command each kind gets, the waiting
// thread, its progress and the end it reports.
#include "device/DebugMessages.h"
#include "device/VirtualDrive.h"
#include "device/bvDrvLib_erase.h"
#include "platform/Threads.h"
#include "scsi/Mmc.h"

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

class EraseThreadTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }

    void Make(MediaKind kind, const std::string& extra = "") {
        vd.Insert(kind, extra);
        d = std::make_unique<TSCSIDevice>();
        vd.Attach(*d);
        d->OnDebugMessage = [this](TSCSIDevice*, const std::string& text, uint8_t type) {
            messages.Add(type, text);
        };
        d->OnEraseDone = [this](TSCSIDevice*, bool withError) {
            ++eraseDone;
            eraseError = withError;
            erasingInHandler = d->Erasing;
        };
    }
    // Starts the erase and waits for OnEraseDone; answers what Erase answered.
    bool EraseAndWait(uint8_t type) {
        const bool started = d->Erase(type);
        if (started) {
            EXPECT_TRUE(d->Erasing);
            while (eraseDone == 0)
                CheckSynchronize(10);
        }
        return started;
    }
    // Puts a volume descriptor at sector 16 of a formatted overwritable disc.
    void WriteDescriptor() {
        std::vector<uint8_t> blocks(32 * 2048);
        std::memcpy(blocks.data() + 16 * 2048, "\x01" "CD001", 6);
        ASSERT_TRUE(d->WriteBlocks(0, 32, 0x50, uint32_t(blocks.size()), blocks.data()));
        ASSERT_EQ(vd.ReadDisc(16, 1)[1], 'C');
    }
    bool HasMessage(const std::string& text) { return messages.Has(text); }

    VirtualDrive vd;
    std::unique_ptr<TSCSIDevice> d;
    DebugMessages messages;
    int eraseDone = 0;
    bool eraseError = true;
    bool erasingInHandler = true;
};

TEST_F(EraseThreadTest, QuickCdRwEraseBlanksMinimallyAndEndsWithoutError) {
    Make(MediaKind::CdRw);
    const double start = vd.clock->NowMs();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_EQ(vd.clock->NowMs(), start); // a drive done at once is not slept for
    const auto blank = vd.Sent(scsi::kBlank);
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank[0].Cdb[1], 0x11);
    EXPECT_EQ(eraseDone, 1);
    EXPECT_FALSE(eraseError);
    EXPECT_FALSE(erasingInHandler);
    EXPECT_EQ(d->EraseProgress(), 0);
    EXPECT_TRUE(HasMessage("1 >>> STARTING ERASE PROCESS ON CD-RW AT "));
}

// The recorder is busy for 60 s of drive time after a quick CD-RW blank.
TEST_F(EraseThreadTest, TheThreadWaitsWhileTheDriveIsBusyAndNoLonger) {
    Make(MediaKind::CdRw, "time_scale=1");
    const double start = vd.clock->NowMs();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_GE(vd.clock->NowMs() - start, 60000);
    EXPECT_LE(vd.clock->NowMs() - start, 65000); // one poll interval at most beyond it
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, FullCdRwEraseBlanksTheWholeDisc) {
    Make(MediaKind::CdRw);
    ASSERT_TRUE(EraseAndWait(0));
    const auto blank = vd.Sent(scsi::kBlank);
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank[0].Cdb[1], 0x10);
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, DvdRwIsBlanked) {
    Make(MediaKind::DvdRwSequential);
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_EQ(vd.Sent(scsi::kBlank).size(), 1u);
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, DvdPlusRwIsFormattedThenItsStartOverwrittenAndClosed) {
    Make(MediaKind::DvdPlusRw);
    ASSERT_TRUE(d->FormatUnit(0x11, DVDPlusRWFormatList, 12));
    d->WaitUntilReady(60000, 1000);
    WriteDescriptor();
    const size_t writesBefore = vd.Sent(scsi::kWrite10).size();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_GE(vd.Sent(scsi::kFormatUnit).size(), 2u);
    const auto writes = vd.Sent(scsi::kWrite10);
    ASSERT_EQ(writes.size() - writesBefore, 65u);
    EXPECT_EQ(writes.back().Lba(), 64u * 32u);
    const auto closes = vd.Sent(scsi::kCloseTrackSession);
    ASSERT_FALSE(closes.empty());
    EXPECT_EQ(closes.back().Cdb[2] & 7, 3);
    EXPECT_EQ(vd.ReadDisc(16, 1)[1], 0); // the old volume descriptor is gone
}

TEST_F(EraseThreadTest, ADeviceGoingDuringAnEraseWaitsForItsEnd) {
    Make(MediaKind::CdRw);
    d->OnEraseDone = [this](TSCSIDevice*, bool withError) {
        ++eraseDone;
        eraseError = withError;
    };
    ASSERT_TRUE(d->Erase(0));
    // The thread still polls the drive through the device; going now must not pull it
    // from under the thread (AddressSanitizer reports it if it does).
    d.reset();
    EXPECT_EQ(eraseDone, 1);
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, AReportThatStartsTheNextEraseGoesOnAndBothEnd) {
    Make(MediaKind::CdRw);
    // Erase waits for the erase before, as a recording started from the report does; the
    // thread waits for the handler then, so it must not be joined from inside it.
    d->OnEraseDone = [this](TSCSIDevice*, bool withError) {
        eraseError = withError;
        if (++eraseDone == 1) {
            EXPECT_TRUE(d->Erase(1));
        }
    };
    ASSERT_TRUE(d->Erase(1));
    while (eraseDone < 2)
        CheckSynchronize(10);
    d->WaitForErase();
    EXPECT_FALSE(eraseError);
    EXPECT_EQ(vd.Sent(scsi::kBlank).size(), 2u);
    // A third from outside, after both threads.
    d->OnEraseDone = [this](TSCSIDevice*, bool) { ++eraseDone; };
    ASSERT_TRUE(d->Erase(1));
    d->WaitForErase();
    EXPECT_EQ(eraseDone, 3);
    EXPECT_EQ(vd.Sent(scsi::kBlank).size(), 3u);
}

TEST_F(EraseThreadTest, QuickDvdRamEraseOnlyWritesZeros) {
    Make(MediaKind::DvdRam);
    ASSERT_TRUE(d->FormatUnit(0x11, DVDRAMFullFormatList, 12));
    d->WaitUntilReady(60000, 1000);
    WriteDescriptor();
    const size_t formatsBefore = vd.Sent(scsi::kFormatUnit).size();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_TRUE(vd.Sent(scsi::kBlank).empty());
    EXPECT_EQ(vd.Sent(scsi::kFormatUnit).size(), formatsBefore);
    EXPECT_FALSE(eraseError);
    EXPECT_EQ(vd.ReadDisc(16, 1)[1], 0);
}

TEST_F(EraseThreadTest, ARefusedEraseReportsAnErrorAtOnce) {
    Make(MediaKind::CdR); // not erasable: BLANK is refused
    EXPECT_FALSE(EraseAndWait(1));
    EXPECT_EQ(eraseDone, 1);
    EXPECT_TRUE(eraseError);
    EXPECT_FALSE(d->Erasing);
    EXPECT_NE(d->LastErrorText, "");
}

TEST(EraseDuration, ScalesTheProgressByKindAndType) {
    EXPECT_EQ(ExpectedEraseSeconds(3, 1), 150);
    EXPECT_EQ(ExpectedEraseSeconds(0, 0), 4500);
    EXPECT_EQ(ExpectedEraseSeconds(2, 7), 4500);
    EXPECT_EQ(ExpectedEraseSeconds(10, 1), 600);
    EXPECT_EQ(ExpectedEraseSeconds(4, 0), 4440);
    EXPECT_EQ(ExpectedEraseSeconds(9, 2), 8880);
}

} // namespace
} // namespace scrivo::test
