#include "FakeDrive.h"
#include "scsi/Mmc.h"

namespace scrivo::test {

// MODE SENSE answers per page and page control; GET CONFIGURATION per starting feature.
class CapsTest : public DeviceTest {
protected:
    std::map<uint8_t, std::vector<uint8_t>> modePages; // key: CDB byte 2 (page | 80h for defaults)
    std::map<uint8_t, std::vector<uint8_t>> features;  // key: starting feature

    void SetUp() override
    {
        DeviceTest::SetUp();
        Address();
        drive.On(0x5A, [this](SRB_ExecSCSICmd& srb) {
            auto it = modePages.find(srb.CDBByte[2]);
            if (it == modePages.end())
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0x00);
            FakeDrive::Complete(srb, it->second);
        });
        drive.On(0x46, [this](SRB_ExecSCSICmd& srb) {
            auto it = features.find(srb.CDBByte[3]);
            if (it == features.end())
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0x00);
            FakeDrive::Complete(srb, it->second);
        });
    }
    // A MODE SENSE (10) reply: header, optional block descriptor, then page 2Ah.
    static std::vector<uint8_t> Page2A(uint8_t read, uint8_t write, uint8_t b4, uint16_t maxRead, uint16_t maxWrite,
                                       uint16_t curWrite, bool blockDescriptor = false)
    {
        std::vector<uint8_t> page(32, 0);
        page[0] = 0x2A;
        page[1] = 30;
        page[2] = read;
        page[3] = write;
        page[4] = b4;
        page[8] = uint8_t(maxRead >> 8), page[9] = uint8_t(maxRead);
        page[12] = 0x08;
        page[18] = uint8_t(maxWrite >> 8), page[19] = uint8_t(maxWrite);
        page[20] = uint8_t(curWrite >> 8), page[21] = uint8_t(curWrite);
        std::vector<uint8_t> reply(blockDescriptor ? 16 : 8, 0);
        reply.insert(reply.end(), page.begin(), page.end());
        return reply;
    }
    static std::vector<uint8_t> Feature(uint16_t code, uint8_t byte4)
    {
        std::vector<uint8_t> r(16, 0);
        r[8] = uint8_t(code >> 8);
        r[9] = uint8_t(code);
        r[12] = byte4;
        return r;
    }
};

TEST_F(CapsTest, BitsFromPage2AAndFeatures)
{
    modePages[0xAA] = Page2A(0x3F, 0x37, 0x80, 7056, 8467, 0);
    modePages[0x2A] = Page2A(0x3F, 0x37, 0x80, 7056, 8467, 2822);
    ASSERT_TRUE(dev->ReadCapabilities());
    const TCapabilities expected = CapBit(ReadCDR) | CapBit(ReadCDRW) | CapBit(ReadMethod2) | CapBit(ReadDVD) |
        CapBit(ReadDVDR) | CapBit(ReadDVDRW) | CapBit(ReadDVDRAM) | CapBit(WriteCDR) | CapBit(WriteCDRW) |
        CapBit(WriteTest) | CapBit(WriteDVDR) | CapBit(WriteDVDRW) | CapBit(WriteDVDRAM) | CapBit(UnderrunFree);
    EXPECT_EQ(dev->Capabilities, expected);
    EXPECT_EQ(dev->DeviceMaxReadSpeed, 7056);
    EXPECT_EQ(dev->DeviceMaxWriteSpeed, 8467);

    modePages[0xAA] = Page2A(0x01, 0x01, 0x00, 7056, 8467, 0);
    features[0x2A] = Feature(0x2A, 1);
    features[0x2F] = Feature(0x2F, 0);
    drive.Sent.clear();
    ASSERT_TRUE(dev->ReadCapabilities());
    EXPECT_EQ(dev->Capabilities, CapBit(ReadCDR) | CapBit(WriteCDR) | CapBit(ReadDVDPR) | CapBit(ReadDVDPRW) |
                                     CapBit(WriteDVDPR) | CapBit(WriteDVDPRW) | CapBit(ReadDVDR) | CapBit(ReadDVDRW));
    auto configs = drive.WithOpcode(scsi::kGetConfiguration);
    ASSERT_EQ(configs.size(), 2u);
    EXPECT_EQ(configs[0].Srb.CDBByte[1], 2);
    EXPECT_EQ(configs[0].Srb.CDBByte[8], 114);
    EXPECT_EQ(drive.WithOpcode(scsi::kModeSense10)[0].Srb.CDBByte[8], 255);
    features[0x2F] = Feature(0x2A, 1); // answers another feature: nothing from it
    features[0x2A] = Feature(0x1D, 1);
    dev->ReadCapabilities();
    EXPECT_EQ(dev->Capabilities, CapBit(ReadCDR) | CapBit(WriteCDR));
}

TEST_F(CapsTest, UnderrunFreeFromVendorPageOrModel)
{
    modePages[0xAA] = Page2A(0x01, 0x01, 0x00, 7056, 8467, 0);
    modePages[0x2A] = modePages[0xAA];
    std::vector<uint8_t> vendor(40, 0);
    vendor[8] = 0x30;
    modePages[0x30] = vendor;
    dev->ReadCapabilities();
    EXPECT_TRUE(dev->Has(UnderrunFree));
    modePages.erase(0x30);
    dev->ReadCapabilities();
    EXPECT_FALSE(dev->Has(UnderrunFree));
    dev->ForceUnderrunProtection = true;
    dev->ReadCapabilities();
    EXPECT_TRUE(dev->Has(UnderrunFree));
}

TEST_F(CapsTest, SpeedsAndPageLocation)
{
    // Zero maximum write speed in both pages ends as 1385.
    modePages[0xAA] = Page2A(0x01, 0x01, 0x00, 7056, 0, 0, true);
    modePages[0x2A] = Page2A(0x01, 0x01, 0x00, 7056, 0, 0, true);
    ASSERT_TRUE(dev->ReadCapabilities());
    EXPECT_EQ(dev->DeviceMaxWriteSpeed, 1385);
    EXPECT_EQ(dev->DeviceMaxReadSpeed, 7056); // parsed from offset 16
    EXPECT_EQ(dev->CurrentWriteSpeed(), 1385);
    EXPECT_EQ(dev->MaxReadSpeed(), 7056);

    // A DVD-RAM writer with zero default speeds and real current ones.
    modePages[0xAA] = Page2A(0x20, 0x20, 0x00, 0, 0, 0);
    modePages[0x2A] = Page2A(0x20, 0x20, 0x00, 16620, 2770, 2770);
    ASSERT_TRUE(dev->ReadCapabilities());
    EXPECT_EQ(dev->DeviceMaxWriteSpeed, 2770);
    EXPECT_EQ(dev->DeviceMaxReadSpeed, 16620);
    EXPECT_EQ(dev->MaxWriteSpeed(), 2770);

    modePages.clear();
    EXPECT_FALSE(dev->ReadCapabilities());
    EXPECT_EQ(dev->Capabilities, 0u);
    EXPECT_EQ(dev->DeviceMaxWriteSpeed, 0);
    EXPECT_EQ(dev->MaxWriteSpeed(), 0);
}

TEST_F(CapsTest, WriteSpeedSetter)
{
    drive.Reply(0xBB, {});
    dev->ReadSpeed = 0;
    dev->SetWriteSpeed(0);
    EXPECT_EQ(dev->WriteSpeed(), 0);
    const auto speeds = [this] { return std::vector<uint8_t>(Last().CDBByte + 2, Last().CDBByte + 6); };
    EXPECT_EQ(Last().SRB_CDBLen, 12);
    EXPECT_EQ(speeds(), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    drive.Fail(0xBB, 5, 0x24, 0x00);
    dev->ReadSpeed = 1764;
    dev->SetWriteSpeed(2822); // refused: stored anyway
    EXPECT_EQ(dev->WriteSpeed(), 2822);
    EXPECT_EQ(speeds(), (std::vector<uint8_t>{0x06, 0xE4, 0x0B, 0x06}));
}

} // namespace scrivo::test

namespace scrivo::test {

// A CD-R writer that takes 2822, 2117, 1411 or 706 KB/s: the highest not above the request.
TEST_F(CapsTest, SpeedListOfTheDistinctAcceptedSpeeds)
{
    modePages[0xAA] = Page2A(0x01, 0x01, 0x00, 7056, 2822, 0);
    modePages[0x2A] = modePages[0xAA];
    drive.On(0xBB, [this](SRB_ExecSCSICmd& srb) {
        const uint16_t asked = GetBE16(srb.CDBByte + 4);
        uint16_t speed = 706;
        for (uint16_t s : {2822, 2117, 1411})
            if (s <= asked) {
                speed = s;
                break;
            }
        PutBE16(modePages[0x2A].data() + 8 + 20, speed);
        FakeDrive::Complete(srb);
    });
    features[0] = Feature(0, 0);
    features[0][7] = 0x09; // CD-R
    EXPECT_EQ(WriteSpeedItems(*dev), (std::vector<std::string>{"Max", "16X (2,822 KB/s)", "12X (2,117 KB/s)",
                                                                  "8X (1,411 KB/s)", "4X (706 KB/s)"}));
    EXPECT_EQ(dev->WriteSpeed(), 2822 - 16 * 176); // the last speed tried
    EXPECT_EQ(WriteSpeedText(3324, true), "2.4X (3,324 KB/s)");
    modePages.clear(); // no capabilities: "Max" alone
    EXPECT_EQ(WriteSpeedItems(*dev), std::vector<std::string>{"Max"});
}

} // namespace scrivo::test
