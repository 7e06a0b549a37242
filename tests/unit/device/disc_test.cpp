#include "FakeDrive.h"
#include "scsi/Mmc.h"

namespace scrivo::test {

// A disc behind the fake drive: profile, ATIP, disc and track information, format
// capacities and the blocks of an ISO 9660 volume descriptor.
class DiscTest : public DeviceTest {
protected:
    int profile = -1; // -1: GET CONFIGURATION not supported
    int atip = -1;    // byte 6 of the ATIP reply; -1: no ATIP
    std::vector<uint8_t> discInfo; // empty: READ DISC INFORMATION fails
    std::map<uint32_t, std::vector<uint8_t>> tracks;
    std::vector<uint8_t> formatCapacities;
    uint32_t isoVolumeBlocks = 0; // 0: no volume descriptor
    bool ready = false;

    void SetUp() override
    {
        DeviceTest::SetUp();
        Address();
        drive.On(0x46, [this](SRB_ExecSCSICmd& srb) {
            if (profile < 0)
                return FakeDrive::CheckCondition(srb, 5, 0x20, 0);
            std::vector<uint8_t> r(16, 0);
            r[6] = uint8_t(profile >> 8), r[7] = uint8_t(profile);
            FakeDrive::Complete(srb, r);
        });
        drive.On(0x43, [this](SRB_ExecSCSICmd& srb) {
            if (atip < 0)
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0);
            std::vector<uint8_t> r(26, 0);
            r[6] = uint8_t(atip);
            FakeDrive::Complete(srb, r);
        });
        drive.On(0x51, [this](SRB_ExecSCSICmd& srb) {
            if (discInfo.empty())
                return FakeDrive::CheckCondition(srb, 5, 0x20, 0);
            FakeDrive::Complete(srb, discInfo);
        });
        drive.On(0x52, [this](SRB_ExecSCSICmd& srb) {
            auto it = tracks.find(GetBE32(srb.CDBByte + 2));
            if (it == tracks.end())
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0);
            FakeDrive::Complete(srb, it->second);
        });
        drive.On(0x23, [this](SRB_ExecSCSICmd& srb) {
            if (formatCapacities.empty())
                return FakeDrive::CheckCondition(srb, 5, 0x20, 0);
            FakeDrive::Complete(srb, formatCapacities);
        });
        drive.On(0x28, [this](SRB_ExecSCSICmd& srb) {
            std::vector<uint8_t> block(2048, 0);
            if (isoVolumeBlocks && GetBE32(srb.CDBByte + 2) == 17) {
                block[0] = 1;
                std::memcpy(block.data() + 1, "CD001", 5);
                block[80] = uint8_t(isoVolumeBlocks), block[81] = uint8_t(isoVolumeBlocks >> 8);
                block[82] = uint8_t(isoVolumeBlocks >> 16);
            }
            FakeDrive::Complete(srb, block);
        });
        drive.On(0x00, [this](SRB_ExecSCSICmd& srb) {
            if (ready)
                FakeDrive::Complete(srb);
            else
                FakeDrive::CheckCondition(srb, 2, 0x3A, 0);
        });
        drive.Reply(0x5A, std::vector<uint8_t>(60, 0));
        drive.Reply(0x55, {});
    }
    // Disc information: status bits, last-session state, erasable, sessions, last track.
    void Disc(uint8_t status, uint8_t sessionState, bool erasable, uint8_t sessions, uint8_t lastTrack)
    {
        discInfo.assign(34, 0);
        discInfo[1] = 32;
        discInfo[2] = uint8_t(status | (sessionState << 2) | (erasable ? 0x10 : 0));
        discInfo[4] = sessions;
        discInfo[6] = lastTrack;
    }
    void Track(uint32_t number, uint32_t nwa, uint32_t freeBlocks, uint32_t size, uint32_t lastRecorded)
    {
        std::vector<uint8_t> t(40, 0);
        PutBE32(t.data() + 12, nwa);
        PutBE32(t.data() + 16, freeBlocks);
        PutBE32(t.data() + 24, size);
        PutBE32(t.data() + 28, lastRecorded);
        tracks[number] = t;
    }
};

TEST_F(DiscTest, KindByProfile)
{
    const std::pair<int, uint8_t> profiles[] = {{0x08, 1}, {0x09, 2}, {0x0A, 3}, {0x10, 4}, {0x11, 5}, {0x12, 6},
        {0x13, 8}, {0x14, 9}, {0x1A, 10}, {0x1B, 11}, {0x20, 12}, {0x21, 13}, {0x22, 14}};
    for (auto [p, kind] : profiles) {
        profile = p;
        EXPECT_EQ(dev->DetectDiscKind(), kind) << p;
    }
    EXPECT_STREQ(DiscKindName(8), "DVD-RW");
    EXPECT_STREQ(DiscKindName(10), "DVD+RW");
    EXPECT_STREQ(DiscKindName(15), "UNKNOWN");
}

TEST_F(DiscTest, KindByAtipDiscInformationOrReadiness)
{
    profile = 0x2B; // a profile of no known kind falls through
    atip = 0xC0;
    EXPECT_EQ(dev->DetectDiscKind(), dkCDRW);
    EXPECT_EQ(drive.WithOpcode(scsi::kReadToc).back().Srb.CDBByte[2], 4);
    atip = 0x80;
    EXPECT_EQ(dev->DetectDiscKind(), dkCDR);
    atip = 0x00;
    EXPECT_EQ(dev->DetectDiscKind(), dkCDROM);
    atip = -1;
    Disc(0, 0, true, 1, 1);
    EXPECT_EQ(dev->DetectDiscKind(), dkCDRW);
    Disc(0, 0, false, 1, 1);
    EXPECT_EQ(dev->DetectDiscKind(), dkCDR);
    discInfo.clear();
    EXPECT_EQ(dev->DetectDiscKind(), dkUnknown);
    ready = true;
    EXPECT_EQ(dev->DetectDiscKind(), dkCDROM);
}

TEST_F(DiscTest, StatusSessionsAndErasable)
{
    EXPECT_EQ(dev->DiscStatus(), -1);
    EXPECT_EQ(dev->RecordedSessionCount(), 0);
    Disc(1, 0, true, 3, 4); // three sessions, the last one empty
    EXPECT_EQ(dev->DiscStatus(), 1);
    EXPECT_EQ(dev->RecordedSessionCount(), 2);
    EXPECT_TRUE(dev->IsErasable());
    Disc(2, 3, false, 2, 2);
    EXPECT_EQ(dev->RecordedSessionCount(), 2);
    EXPECT_FALSE(dev->IsErasable());
    Disc(0, 0, false, 1, 1);
    EXPECT_EQ(dev->RecordedSessionCount(), 0);
    discInfo.clear();
    profile = 0x1A;
    EXPECT_TRUE(dev->IsErasable()); // from the kind, which is kept
    EXPECT_EQ(CurrentDiscKind, dkDVDPlusRW);
    profile = 0x11;
    EXPECT_FALSE(dev->IsErasable());
}

TEST_F(DiscTest, FormatCapacityDescriptorChoice)
{
    uint32_t blocks = 0, size = 0;
    EXPECT_FALSE(dev->ReadFormatCapacity(blocks, size));
    formatCapacities.assign(28, 0);
    PutBE32(formatCapacities.data() + 4, 100);
    PutBE32(formatCapacities.data() + 12, 200);
    PutBE32(formatCapacities.data() + 20, 300);
    ASSERT_TRUE(dev->ReadFormatCapacity(blocks, size));
    EXPECT_EQ(blocks, 100u); // nothing matches: the first
    EXPECT_EQ(size, 2048u);
    formatCapacities[16] = 0x98;
    dev->ReadFormatCapacity(blocks, size);
    EXPECT_EQ(blocks, 200u);
    formatCapacities[16] = 0;
    formatCapacities[26] = 0x08;
    dev->ReadFormatCapacity(blocks, size);
    EXPECT_EQ(blocks, 300u);
    formatCapacities[10] = 0x08;
    dev->ReadFormatCapacity(blocks, size);
    EXPECT_EQ(blocks, 100u);
}

TEST_F(DiscTest, FreeBlocksOnCDs)
{
    profile = 0x09;
    Disc(2, 3, false, 1, 1);
    Track(1, 0, 5000, 300000, 0);
    EXPECT_EQ(dev->GetFreeBlocks(), 0u); // closed disc
    Disc(1, 0, false, 2, 2);
    Track(2, 20000, 310000, 330000, 0);
    EXPECT_EQ(dev->GetFreeBlocks(), 330000u);
    Track(2, 20000, 310000, 300000, 0);
    EXPECT_EQ(dev->GetFreeBlocks(), 310000u);
    tracks.clear();
    EXPECT_EQ(dev->GetFreeBlocks(), 0u);
    EXPECT_EQ(drive.WithOpcode(scsi::kReadTrackInformation).size(), 4u); // 1 + 1 + a failed read tried twice
    // The page is sent for closing the disc, and the caller's choice comes back.
    EXPECT_FALSE(dev->FinalizeDisc);
    EXPECT_EQ(drive.WithOpcode(scsi::kModeSelect10).back().DataOut[8 + 3] & 0xC0, 0);
}

TEST_F(DiscTest, FreeBlocksOnDVDs)
{
    Disc(1, 0, false, 1, 1);
    profile = 0x11; // DVD-R, the general rule
    Track(1, 0, 2000000, 2295104, 0);
    EXPECT_EQ(dev->GetFreeBlocks(), 2295104u);
    Track(1, 0, 2000000, 2295104, 5000);
    EXPECT_EQ(dev->GetFreeBlocks(), 2000000u);
    Track(1, 0, 2000000, 0xFFFFFFFF, 5000);
    EXPECT_EQ(dev->GetFreeBlocks(), 0u);

    profile = 0x1A; // DVD+RW: the track size less the volume on it
    Track(1, 0, 0, 2295104, 0);
    isoVolumeBlocks = 2295000;
    EXPECT_EQ(dev->GetFreeBlocks(), 104u);
    isoVolumeBlocks = 3000000; // a volume larger than the track leaves nothing, not a wrap-around
    EXPECT_EQ(dev->GetFreeBlocks(), 0u);

    profile = 0x13; // DVD-RW restricted overwrite: what a full format covers, past the next session
    Track(1, 1008, 700, 1008, 0);
    formatCapacities.assign(20, 0);
    formatCapacities[3] = 16;
    PutBE32(formatCapacities.data() + 4, 1008); // formatted so far
    formatCapacities[8] = 0x02;
    PutBE32(formatCapacities.data() + 12, 2295104); // format type 00h
    EXPECT_EQ(dev->GetFreeBlocks(), 2295104u - 1008);
    formatCapacities[16] = 0x15 << 2; // only a quick format offered: no whole-disc figure
    EXPECT_EQ(dev->GetFreeBlocks(), 700u);
    formatCapacities.clear();
    EXPECT_EQ(dev->GetFreeBlocks(), 700u);
    tracks.clear();
    EXPECT_EQ(dev->GetFreeBlocks(), 0u);
}

TEST_F(DiscTest, IsoVolumeSize)
{
    EXPECT_EQ(dev->ReadISOVolumeSize(), 0u);
    EXPECT_EQ(drive.WithOpcode(scsi::kRead10).size(), 17u);
    isoVolumeBlocks = 123456;
    EXPECT_EQ(dev->ReadISOVolumeSize(), 123456u);
}

} // namespace scrivo::test
