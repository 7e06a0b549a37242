#include "FakeDrive.h"
#include "scsi/Mmc.h"

namespace scrivo::test {

// The drive answers page 05h and accepts every MODE SELECT; the test reads the page sent.
class WriteParamsTest : public DeviceTest {
protected:
    std::vector<uint8_t> reply = MakeReply(8);

    void SetUp() override
    {
        DeviceTest::SetUp();
        Address();
        drive.On(0x5A, [this](SRB_ExecSCSICmd& srb) { FakeDrive::Complete(srb, reply); });
        drive.Reply(0x55, {});
    }
    static std::vector<uint8_t> MakeReply(size_t offset)
    {
        std::vector<uint8_t> r(offset + 60, 0);
        r[offset] = 0x85; // PS bit set, as drives report a savable page
        r[offset + 1] = 0x36;
        for (size_t i = 2; i < 60; ++i)
            r[offset + i] = uint8_t(0xA0 + i); // drive's own values
        return r;
    }
    // The page bytes 2, 3, 4, 5 and the packet size of the last MODE SELECT.
    std::vector<int> Sent()
    {
        const auto list = drive.WithOpcode(scsi::kModeSelect10).back().DataOut;
        const uint8_t* p = list.data() + 8;
        return {p[2], p[3], p[4], p[5], int(GetBE32(p + 10))};
    }
};

TEST_F(WriteParamsTest, PageBytesPerDiscKind)
{
    dev->Capabilities = CapBit(UnderrunFree);
    struct Case {
        uint8_t Kind;
        std::vector<int> WithBufe, WithoutBufe;
    };
    const Case cases[] = {
        {dkUnknown, {0x41, 0xC4, 0x08, 0x00, 0}, {0x01, 0xC4, 0x08, 0x00, 0}},
        {dkCDR, {0x41, 0xC4, 0x08, 0x00, 0}, {0x01, 0xC4, 0x08, 0x00, 0}},
        {dkCDRW, {0x41, 0xC4, 0x08, 0x00, 0}, {0x01, 0xC4, 0x08, 0x00, 0}},
        {dkDVDROM, {0x41, 0xC4, 0x08, 0x00, 0}, {0x01, 0xC4, 0x08, 0x00, 0}},
        {dkDDCDRW, {0x41, 0xC4, 0x08, 0x00, 0}, {0x01, 0xC4, 0x08, 0x00, 0}},
        {dkDVDR, {0x60, 0xE5, 0x08, 0x10, 16}, {0x20, 0xE5, 0x08, 0x10, 16}},
        {dkDVDRWRestricted, {0x20, 0xC5, 0x08, 0x10, 0}, {0x20, 0xC5, 0x08, 0x10, 0}},
        {dkDVDRWSequential, {0x20, 0xC5, 0x08, 0x10, 0}, {0x20, 0xC5, 0x08, 0x10, 0}},
        {dkDVDPlusRW, {0x62, 0x04, 0x08, 0x10, 0}, {0x22, 0x04, 0x08, 0x10, 0}},
        {dkDVDPlusR, {0x62, 0xC4, 0x08, 0x00, 16}, {0x22, 0xC4, 0x08, 0x00, 16}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dev->SetWriteParameters(false, true, c.Kind));
        EXPECT_EQ(Sent(), c.WithBufe) << int(c.Kind);
        dev->SetWriteParameters(false, false, c.Kind);
        EXPECT_EQ(Sent(), c.WithoutBufe) << int(c.Kind);
    }
    const auto list = drive.WithOpcode(scsi::kModeSelect10).back().DataOut;
    ASSERT_EQ(list.size(), 60u); // header and a page of length 32h
    EXPECT_EQ(std::vector<uint8_t>(list.begin(), list.begin() + 8), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(list[8 + 1], 0x32);
    EXPECT_EQ(list[8 + 6] | list[8 + 7] | list[8 + 8] | list[8 + 9], 0);
    EXPECT_EQ(GetBE16(list.data() + 8 + 14), 150);
    EXPECT_EQ(list[8 + 16], 0xB0); // the rest as the drive reported it
}

TEST_F(WriteParamsTest, FinalizeTestWriteAndUnderrunNeedCapabilities)
{
    dev->FinalizeDisc = true;
    dev->SetWriteParameters(false, true, dkCDR);
    EXPECT_EQ(Sent(), (std::vector<int>{0x01, 0x04, 0x08, 0x00, 0})); // no next session, no BUFE
    dev->FinalizeDisc = false;
    dev->SetWriteParameters(true, false, dkCDR);
    EXPECT_EQ(Sent()[0], 0x01); // no WriteTest capability: no test write bit
    EXPECT_EQ(Sent()[1], 0x04);
    dev->Capabilities = CapBit(WriteTest);
    dev->SetWriteParameters(true, false, dkCDR);
    EXPECT_EQ(Sent()[0], 0x11);
}

TEST_F(WriteParamsTest, SessionAtOnceAndLinkSize)
{
    SessionAtOnceWrite = true;
    dev->SetWriteParameters(false, false, dkCDR);
    EXPECT_EQ(Sent(), (std::vector<int>{0x02, 0xC4, 0x00, 0x00, 0}));
    SessionAtOnceWrite = false;
    dev->LinkSizeQuirk = true;
    dev->SetWriteParameters(false, false, dkCDR);
    EXPECT_EQ(Sent()[0], 0x21);
}

TEST_F(WriteParamsTest, DVDRAMSendsNothingAndFailedSenseSendsNothing)
{
    EXPECT_TRUE(dev->SetWriteParameters(false, false, dkDVDRAM));
    EXPECT_TRUE(drive.Sent.empty());
    drive.Fail(0x5A, 5, 0x24, 0);
    EXPECT_FALSE(dev->SetWriteParameters(false, false, dkCDR));
    EXPECT_TRUE(drive.WithOpcode(scsi::kModeSelect10).empty());
}

TEST_F(WriteParamsTest, PageAfterABlockDescriptorIsCutAtReplyByte61)
{
    reply = MakeReply(16);
    dev->SetWriteParameters(false, false, dkCDR);
    const auto list = drive.WithOpcode(scsi::kModeSelect10).back().DataOut;
    ASSERT_EQ(list.size(), 60u);
    EXPECT_EQ(list[8 + 44], 0xA0 + 44);
    EXPECT_EQ(std::vector<uint8_t>(list.begin() + 8 + 45, list.end()), std::vector<uint8_t>(7, 0));
}

} // namespace scrivo::test
