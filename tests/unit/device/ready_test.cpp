#include "FakeDrive.h"

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

TEST_F(ReadyTest, ReadyAtOnce)
{
    EXPECT_TRUE(dev->WaitUntilReady(30000, 5000));
    EXPECT_EQ(sleeps, std::vector<uint32_t>{5000});
    EXPECT_EQ(Opcodes(), "81 0 "); // disc information, then unit ready
}

TEST_F(ReadyTest, BudgetBelowTheIntervalFailsAfterTheFirstSleep)
{
    EXPECT_FALSE(dev->WaitUntilReady(4000, 5000));
    EXPECT_EQ(sleeps, std::vector<uint32_t>{5000});
}

TEST_F(ReadyTest, PollsWhileBusyAndGivesUpWhenTheBudgetIsGone)
{
    busyAnswers = 3;
    EXPECT_TRUE(dev->WaitUntilReady(240000, 5000));
    EXPECT_EQ(sleeps.size(), 4u);
    busyAnswers = 100;
    sleeps.clear();
    EXPECT_FALSE(dev->WaitUntilReady(10000, 1000));
    EXPECT_EQ(sleeps.size(), 11u);
}

TEST_F(ReadyTest, QuirkPollingFirst)
{
    dev->SlowReadyQuirk = true;
    busyAnswers = 2;
    EXPECT_TRUE(dev->WaitUntilReady(30000, 5000));
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{1500, 1500, 1500, 5000}));
    dev->SlowReadyQuirk = false;
    ReadyPollQuirk = true;
    sleeps.clear();
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
    EXPECT_EQ(Opcodes(), "0 0 3 3 3 "); // no disc information polling
    EXPECT_EQ(sleeps, (std::vector<uint32_t>{500, 500, 500}));
    EXPECT_EQ(drive.WithOpcode(0x03)[0].Srb.CDBByte[4], 40);
    senseReplies = std::vector<std::vector<uint8_t>>(100, inProgress);
    EXPECT_FALSE(dev->WaitUntilReady(10000, 1000));
}

} // namespace scrivo::test
