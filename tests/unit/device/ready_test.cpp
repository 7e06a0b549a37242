#include "FakeDrive.h"
#include "scsi/Mmc.h"

namespace scrivo::test {

// The drive reports "becoming ready" (ASC 04h) to a number of commands, then is ready.
class ReadyTest : public DeviceTest {
protected:
    int busyAnswers = 0;
    std::vector<std::vector<uint8_t>> senseReplies; // REQUEST SENSE answers, in turn

    void SetUp() override
    {
        DeviceTest::SetUp();
        Address();
        const auto busyOrDone = [this](SRB_ExecSCSICmd& srb) {
            if (busyAnswers > 0) {
                --busyAnswers;
                FakeDrive::CheckCondition(srb, 2, 0x04, 0x01);
            } else {
                FakeDrive::Complete(srb, std::vector<uint8_t>(34, 0));
            }
        };
        drive.On(0x00, busyOrDone);
        drive.On(0x51, busyOrDone);
        drive.On(0x03, [this](SRB_ExecSCSICmd& srb) {
            std::vector<uint8_t> r(18, 0);
            if (!senseReplies.empty()) {
                r = senseReplies.front();
                senseReplies.erase(senseReplies.begin());
            }
            FakeDrive::Complete(srb, r);
        });
    }
    std::string Opcodes() const
    {
        std::string s;
        for (const auto& c : drive.Sent)
            s += std::to_string(c.Srb.CDBByte[0]) + " ";
        return s;
    }
};

TEST_F(ReadyTest, AReadyDriveIsAskedAndNeverWaitedFor) {
    EXPECT_TRUE(dev->WaitUntilReady(30000, 5000));
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(Opcodes(), "81 0 "); // disc information, then unit ready
    // Even with a budget below one interval.
    drive.Sent.clear();
    EXPECT_TRUE(dev->WaitUntilReady(4000, 5000));
    EXPECT_EQ(Opcodes(), "81 0 ");
}

TEST_F(ReadyTest, PollsWhileBusyAndGivesUpWhenTheBudgetIsGone) {
    busyAnswers = 3;
    EXPECT_TRUE(dev->WaitUntilReady(240000, 5000));
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{5000, 5000, 5000}));
    // Polled at 0, 1, ... 10 s: the whole budget, and not one interval more.
    busyAnswers = 100;
    sleeps.clear();
    drive.Sent.clear();
    EXPECT_FALSE(dev->WaitUntilReady(10000, 1000));
    EXPECT_EQ(sleeps, std::vector<uint32_t>(10, 1000));
    EXPECT_EQ(drive.Sent.size(), 11u);
    busyAnswers = 100;
    sleeps.clear();
    EXPECT_FALSE(dev->WaitUntilReady(4000, 5000));
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(ReadyTest, AFailureWithoutSenseIsNotWaitedForAndIsNotReady) {
    const auto noAnswer = [](SRB_ExecSCSICmd& srb) {
        srb.SRB_Status = SS_ERR;
        srb.SRB_HaStat = 0x11; // selection timeout: no sense data
    };
    drive.On(0x00, noAnswer);
    drive.On(0x51, noAnswer);
    drive.On(0x03, noAnswer);
    EXPECT_FALSE(dev->WaitUntilReady(240000, 5000));
    EXPECT_TRUE(sleeps.empty());
    // A BUSY status is waited for like "not ready".
    int busy = 2;
    drive.On(0x51, [&](SRB_ExecSCSICmd& srb) {
        if (busy-- > 0) {
            srb.SRB_Status = SS_ERR;
            srb.SRB_TargStat = 0x08;
        } else {
            FakeDrive::Complete(srb, std::vector<uint8_t>(34, 0));
        }
    });
    drive.Reply(0x00, {});
    EXPECT_TRUE(dev->WaitUntilReady(240000, 5000));
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{5000, 5000}));
}

TEST_F(ReadyTest, AStopRequestEndsTheWaitWithinASlice) {
    busyAnswers = 1000;
    int asked = 0;
    dev->StopWaiting = [&] { return ++asked > 3; };
    EXPECT_FALSE(dev->WaitUntilReady(30000, 5000));
    uint32_t slept = 0;
    for (uint32_t s : sleeps)
        slept += s;
    EXPECT_LE(slept, 300u);
}

TEST_F(ReadyTest, QuirkPollingFirst)
{
    dev->SlowReadyQuirk = true;
    busyAnswers = 2;
    EXPECT_TRUE(dev->WaitUntilReady(30000, 5000));
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{1500, 1500}));
    EXPECT_EQ(Opcodes(), "0 0 0 81 0 ");
    dev->SlowReadyQuirk = false;
    ReadyPollQuirk = true;
    sleeps.clear();
    busyAnswers = 1;
    dev->WaitUntilReady(30000, 5000);
    EXPECT_EQ(sleeps.front(), 1500u);
    ReadyPollQuirk = false;
}

TEST_F(ReadyTest, DVDRAMGoesThroughTheSenseLoop)
{
    CurrentDiscKind = dkDVDRAM;
    std::vector<uint8_t> inProgress(18, 0);
    inProgress[0] = 0xF0;
    senseReplies = {inProgress, inProgress};
    EXPECT_TRUE(dev->WaitUntilReady(30000, 500));
    EXPECT_EQ(Opcodes(), "0 3 3 3 "); // no disc information polling
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{500, 500}));
    EXPECT_EQ(drive.WithOpcode(scsi::kRequestSense)[0].Srb.CDBByte[4], 40);
    senseReplies = std::vector<std::vector<uint8_t>>(100, inProgress);
    EXPECT_FALSE(dev->WaitUntilReady(10000, 1000));
}

} // namespace scrivo::test
