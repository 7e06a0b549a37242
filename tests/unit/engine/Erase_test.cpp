// Erasing rewritable discs on the virtual recorder: the command each kind gets, the waiting
// thread, its progress and the end it reports.
#include "BrenvikRun.h"
#include "device/bvDrvLib_erase.h"

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

class EraseThreadTest : public BrenvikRun {
protected:
    // Starts the erase and waits for OnEraseDone; answers what Erase answered.
    bool EraseAndWait(uint8_t type) {
        b->OnEraseDone = [this](TSCSIDevice*, bool withError) {
            ++eraseDone;
            eraseError = withError;
            erasingInHandler = b->Erasing;
        };
        const bool started = b->Erase(type);
        if (started) {
            EXPECT_TRUE(b->Erasing);
            while (eraseDone == 0)
                CheckSynchronize(10);
        }
        return started;
    }
    // Records a small session first, so there is something to erase.
    void RecordSomething() {
        AddFiles({5000});
        ASSERT_TRUE(Record());
        ASSERT_EQ(doneError, "");
    }
    int eraseDone = 0;
    bool eraseError = true;
    bool erasingInHandler = true;
};

TEST_F(EraseThreadTest, QuickCdRwEraseBlanksMinimallyAndEndsWithoutError) {
    Make(MediaKind::CdRw);
    RecordSomething();
    ASSERT_TRUE(EraseAndWait(1));
    const auto blank = vd.Sent(0xA1);
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank[0].Cdb[1], 0x11);
    EXPECT_EQ(eraseDone, 1);
    EXPECT_FALSE(eraseError);
    EXPECT_FALSE(erasingInHandler);
    EXPECT_EQ(b->EraseProgress(), 0);
    EXPECT_TRUE(HasMessage("1 >>> STARTING ERASE PROCESS ON CD-RW AT "));
    // The disc is blank again: a new recording starts at the beginning.
    sources.clear();
    doneCount = 0;
    b->ClearFiles(100, 10);
    AddFiles({3000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_EQ(b->StartAddress, 0u);
}

TEST_F(EraseThreadTest, FullCdRwEraseBlanksTheWholeDisc) {
    Make(MediaKind::CdRw);
    RecordSomething();
    ASSERT_TRUE(EraseAndWait(0));
    const auto blank = vd.Sent(0xA1);
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank[0].Cdb[1], 0x10);
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, DvdRwIsBlanked) {
    Make(MediaKind::DvdRwSequential);
    CurrentDiscKind = b->DetectDiscKind();
    RecordSomething();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_EQ(vd.Sent(0xA1).size(), 1u);
    EXPECT_FALSE(eraseError);
}

TEST_F(EraseThreadTest, DvdPlusRwIsFormattedThenItsStartOverwrittenAndClosed) {
    Make(MediaKind::DvdPlusRw);
    RecordSomething();
    const size_t writesBefore = vd.Sent(0x2A).size();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_FALSE(vd.Sent(0x04).empty());
    const auto writes = vd.Sent(0x2A);
    ASSERT_EQ(writes.size() - writesBefore, 65u);
    EXPECT_EQ(writes.back().Lba(), 64u * 32u);
    const auto closes = vd.Sent(0x5B);
    ASSERT_FALSE(closes.empty());
    EXPECT_EQ(closes.back().Cdb[2] & 7, 3);
    const auto pvd = vd.ReadDisc(16, 1);
    EXPECT_EQ(pvd[1], 0); // the old volume descriptors are gone
}

TEST_F(EraseThreadTest, QuickDvdRamEraseOnlyWritesZeros) {
    Make(MediaKind::DvdRam);
    ASSERT_TRUE(b->FormatUnit(0x11, DVDRAMFullFormatList, 12));
    b->WaitUntilReady(60000, 1000);
    RecordSomething();
    const size_t formatsBefore = vd.Sent(0x04).size();
    ASSERT_TRUE(EraseAndWait(1));
    EXPECT_TRUE(vd.Sent(0xA1).empty());
    EXPECT_EQ(vd.Sent(0x04).size(), formatsBefore);
    EXPECT_FALSE(eraseError);
    const auto pvd = vd.ReadDisc(16, 1);
    EXPECT_EQ(pvd[1], 0);
}

TEST_F(EraseThreadTest, ARefusedEraseReportsAnErrorAtOnce) {
    Make(MediaKind::CdR); // not erasable: BLANK is refused
    EXPECT_FALSE(EraseAndWait(1));
    EXPECT_EQ(eraseDone, 1);
    EXPECT_TRUE(eraseError);
    EXPECT_FALSE(b->Erasing);
    EXPECT_NE(b->LastErrorText, "");
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
