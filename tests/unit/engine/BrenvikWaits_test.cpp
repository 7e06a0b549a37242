// The write thread's waits for the drive on a virtual recorder whose time passes only when
// the component sleeps: a slow drive still gets the whole budget, a fast one no sleep.
#include "BrenvikRun.h"
#include "scsi/Mmc.h"

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

class BrenvikWaitTest : public BrenvikRun {
  protected:
    struct Seen {
        uint8_t Op;
        double AtMs;
    };
    // Every command with the drive time it was sent at.
    void Watch() {
        vd.OnCommand = [this](const SentCdb& c) {
            std::lock_guard<std::mutex> l(m_);
            seen_.push_back({c.Op(), vd.clock->NowMs()});
        };
    }
    // Drive time from the close to the first command after it that is not a readiness poll
    // (READ DISC INFORMATION, TEST UNIT READY).
    double WaitAfterClose() {
        std::lock_guard<std::mutex> l(m_);
        double closedAt = -1;
        for (const Seen& s : seen_) {
            if (s.Op == scsi::kCloseTrackSession)
                closedAt = s.AtMs;
            else if (closedAt >= 0 && s.Op != scsi::kReadDiscInformation && s.Op != scsi::kTestUnitReady)
                return s.AtMs - closedAt;
        }
        return -1;
    }

  private:
    std::mutex m_;
    std::vector<Seen> seen_;
};

// A CD session close takes 30 s of drive time on the recorder; the time scale makes it 20 s.
TEST_F(BrenvikWaitTest, ADriveNotReadyFor20sAfterTheCloseIsWaitedFor) {
    Make(MediaKind::CdR, "time_scale=0.6667");
    Watch();
    AddFiles({5000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    const double waited = WaitAfterClose();
    EXPECT_GE(waited, 20000);
    EXPECT_LE(waited, 25000); // one poll interval at most beyond it
    ExpectFilesOnDisc();
}

// A drive that never comes back after the close has not shown the session recorded: the run
// fails with what the drive last said.
TEST_F(BrenvikWaitTest, ADriveThatNeverBecomesReadyIsGivenTheWholeBudgetAndFailsTheRun) {
    Make(MediaKind::CdR, "time_scale=1000");
    Watch();
    AddFiles({5000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError.rfind("WRITER ERROR [", 0), 0u) << doneError;
    EXPECT_NE(doneError.find("NOT READY"), std::string::npos) << doneError;
    EXPECT_NEAR(WaitAfterClose(), 240000, 1);
}

TEST_F(BrenvikWaitTest, AnInstantDriveIsNeverSleptFor) {
    Make(MediaKind::DvdPlusR);
    AddFiles({70000});
    const double before = vd.clock->NowMs();
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "");
    EXPECT_EQ(vd.clock->NowMs(), before);
}

// An adapter error carries no sense data: the drive did not ask to wait, so the run ends at
// once instead of retrying the block for hours.
TEST_F(BrenvikWaitTest, AWriteFailingWithoutSenseEndsTheRunAtOnce) {
    Make(MediaKind::CdR);
    vd.AdapterErrorAtWrite = 2;
    AddFiles({200000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError.rfind("WRITER ERROR [", 0), 0u) << doneError;
    EXPECT_EQ(vd.Sent(scsi::kWrite10).size(), 2u);
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
}

// After the close-out flush of a DVD-R the drive is asked until it answers again; one that
// answers nothing at all is not waited for 30 minutes.
TEST_F(BrenvikWaitTest, ADriveGoneSilentAfterTheFlushEndsTheRunAtOnce) {
    Make(MediaKind::DvdR);
    std::atomic<bool> flushed{false};
    vd.LoseIf = [&](const SentCdb& c) {
        if (c.Op() == scsi::kSynchronizeCache) flushed = true;
        return flushed && c.Op() == scsi::kReadDiscInformation;
    };
    AddFiles({70000});
    ASSERT_TRUE(Record());
    EXPECT_EQ(doneError, "WRITER ERROR [THE DRIVE DID NOT ANSWER]");
    size_t polls = 0;
    bool after = false;
    for (const SentCdb& c : vd.Sent()) {
        after = after || c.Op() == scsi::kSynchronizeCache;
        polls += after && c.Op() == scsi::kReadDiscInformation;
    }
    EXPECT_EQ(polls, 1u);
    EXPECT_TRUE(vd.Sent(scsi::kCloseTrackSession).empty());
}

} // namespace
} // namespace scrivo::test
