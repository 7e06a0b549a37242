#include "FakeDrive.h"
#include "scsi/Mmc.h"

namespace scrivo::test {

// Drives by address (adapter, target, LUN) answering INQUIRY; every other address fails.
class DriveListTest : public DeviceTest {
protected:
    std::map<std::tuple<int, int, int>, std::vector<uint8_t>> drives;

    void SetUp() override
    {
        DeviceTest::SetUp();
        drive.On(0x12, [this](SRB_ExecSCSICmd& srb) {
            auto it = drives.find({srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun});
            if (it == drives.end()) {
                srb.SRB_Status = SS_NO_DEVICE;
                return;
            }
            FakeDrive::Complete(srb, it->second);
        });
    }
    void Rescan(uint8_t adapters)
    {
        drive.AdapterCount = adapters;
        dev = MakeDevice(); // asks adapter 0 for the count and enumerates
    }
};

TEST_F(DriveListTest, EntriesInTheFixedFormat)
{
    drives[{0, 1, 0}] = InquiryReply(0x05, "VENDOR  ", "PRODUCT NAME    ", "1.00");
    drives[{1, 0, 0}] = InquiryReply(0x04, "WORM    ", "ONCE            ", "0001"); // write-once
    drives[{1, 2, 0}] = InquiryReply(0x25, "GHOST   ", "QUALIFIER 1     ", "0001"); // not connected
    drives[{1, 3, 1}] = InquiryReply(0x00, "DISK    ", "HARD DISK       ", "0001");
    drive.DiskInfoLetter = 'E';
    Rescan(2);
    ASSERT_EQ(dev->DeviceList.size(), 2u);
    EXPECT_EQ(dev->DeviceList[0], "0:1:0,E: VENDOR  PRODUCT NAME    1.00");
    EXPECT_EQ(dev->DeviceList[1], "1:0:0,E: WORM    ONCE            0001 (not supported)");
    EXPECT_EQ(dev->HaId, 254); // the address is restored
    EXPECT_EQ(dev->LastErrorText, "");
    EXPECT_EQ(dev->HostAdapterCount, 2);
}

TEST_F(DriveListTest, ZeroAdaptersAreReadAsSevenAndUnknownLettersAsQuestionMark)
{
    drives[{6, 7, 7}] = InquiryReply(0x05, "LAST    ", "ADDRESS         ", "9.99");
    Rescan(0);
    EXPECT_EQ(dev->HostAdapterCount, 7);
    ASSERT_EQ(dev->DeviceList.size(), 1u);
    EXPECT_EQ(dev->DeviceList[0], "6:7:7,?: LAST    ADDRESS         9.99");
    EXPECT_EQ(drive.WithOpcode(scsi::kInquiry).size(), 7u * 64);
}

TEST_F(DriveListTest, DebugReportsTheTransportAndAdapters)
{
    dev->DoDebug = true;
    dev->HostAdapterCount = 1;
    dev->RescanDevices();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::make_pair(std::string(">>> WNASPI32.DLL"), 1));
    EXPECT_EQ(messages[1], std::make_pair(std::string(">>> FAKE ASPI (FAKE ADAPTER)"), 1));
}

TEST_F(DriveListTest, SelectionIdentifiesAndProbesWriteTypes)
{
    auto inquiry = InquiryReply(0x05, "VEND\x01   ", "PRODUCT         ", "1.0\t");
    drives[{1, 0, 0}] = inquiry;
    int changes = 0;
    dev->OnDeviceChange = [&](TSCSIDevice*) { ++changes; };
    std::vector<uint8_t> page05(60, 0);
    page05[8] = 0x05;
    page05[9] = 0x32;
    drive.Reply(0x5A, page05);
    // Raw is refused, session-at-once and track-at-once are accepted.
    drive.On(0x55, [](SRB_ExecSCSICmd& srb) {
        if (srb.SRB_BufPointer[8 + 2] == 3)
            FakeDrive::CheckCondition(srb, 5, 0x26, 0x00);
        else
            FakeDrive::Complete(srb);
    });
    dev->SetDevice("1:0:0");
    EXPECT_EQ(dev->Device(), "1:0:0");
    EXPECT_EQ(dev->HaId, 1);
    EXPECT_EQ(dev->DeviceType, 5);
    EXPECT_EQ(dev->DeviceDescription, "VEND     PRODUCT          1.0 ");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(dev->SupportedWriteModes, wmSessionAtOnce | wmTrackAtOnce);
    auto selects = drive.WithOpcode(scsi::kModeSelect10);
    ASSERT_EQ(selects.size(), 3u);
    EXPECT_EQ(selects[0].DataOut[8 + 4], 1); // raw: data block type 1
    EXPECT_EQ(selects[1].DataOut[8 + 2], 2);
    EXPECT_EQ(selects[2].DataOut[8 + 2], 1);
    EXPECT_EQ(selects[2].DataOut[8 + 15], 150); // audio pause length
    EXPECT_EQ(selects[2].DataOut.size(), 0x32u + 10);
    // The capabilities are read first.
    EXPECT_EQ(drive.Sent.front().Srb.CDBByte[0], scsi::kModeSense10);
    EXPECT_EQ(drive.Sent.front().Srb.CDBByte[2], 0xAA);
}

TEST_F(DriveListTest, SelectionTexts)
{
    drives[{1, 0, 0}] = InquiryReply(0x04, "WORM    ", "ONCE            ", "0001");
    dev->SetDevice("1:0:0,?: WORM"); // a write-once device can be selected
    EXPECT_EQ(dev->DeviceType, 4);
    EXPECT_TRUE(messages.empty());

    dev->SetDevice("1:0");
    EXPECT_EQ(messages.back(), std::make_pair(std::string("INVALID DEVICE ID / NOT A CD OR DVD DRIVE"), 0));
    EXPECT_EQ(dev->HaId, 254);
    EXPECT_EQ(dev->Device(), "");
    EXPECT_EQ(dev->DeviceType, 127);

    messages.clear();
    dev->SetDevice("");
    EXPECT_TRUE(messages.empty());
    dev->SetDevice("10:0:0"); // adapters above 9 cannot be selected
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(dev->HaId, 254);

    drives[{2, 0, 0}] = InquiryReply(0x00, "DISK    ", "HARD DISK       ", "0001");
    dev->SetDevice("2:0:0");
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(dev->DeviceDescription, "");
    EXPECT_EQ(dev->HaId, 254);
}

TEST_F(DriveListTest, FailedInquiryLeavesTheErrorAsDescription)
{
    dev->SetDevice("3:0:0");
    EXPECT_EQ(dev->DeviceDescription, "NO DEVICE");
    EXPECT_EQ(dev->Device(), "3:0:0");
}

TEST_F(DriveListTest, DriveLetterFromThePassThroughLayerOrTheAdapter)
{
    Address(0, 1, 0);
    drive.DiskInfoLetter = 'D';
    EXPECT_EQ(dev->GetDriveLetter(), 'D');
    drive.DiskInfoLetter = 0;
    EXPECT_EQ(dev->GetDriveLetter(), 0);
    TransportName = "HXASPI32"; // no drive in the pass-through table
    drive.DiskInfoLetter = 'D';
    EXPECT_EQ(dev->GetDriveLetter(), 0);
}

// Volumes E: (1,0,0, opened read-only) and F: (1,0,1); G: has no SCSI address.
TEST_F(DriveListTest, DriveLetterFromTheVolumesAddresses)
{
    PassThroughOps& os = PassThroughOs();
    os.OpenDevice = [](int drive, bool readWrite) -> DriveHandle {
        if (drive == 4)
            return readWrite ? InvalidDriveHandle : 4;
        return drive == 5 || drive == 6 ? drive : InvalidDriveHandle;
    };
    os.CloseDevice = [](DriveHandle) { return true; };
    os.Ioctl = [](DriveHandle h, uint32_t code, void*, uint32_t, void* out, uint32_t size, uint32_t*) {
        if (code != IoctlScsiGetAddress || size != sizeof(ScsiAddress) || h == 6)
            return false;
        auto* a = static_cast<ScsiAddress*>(out);
        a->PortNumber = 1;
        a->TargetId = 0;
        a->Lun = uint8_t(h - 4);
        return true;
    };
    drive.DiskInfoLetter = 'Q';
    Address(1, 0, 1);
    EXPECT_EQ(dev->GetDriveLetter(), 'E'); // the LUN is not compared
    Address(1, 1, 0);
    EXPECT_EQ(dev->GetDriveLetter(), 'Q'); // no volume: the adapter's disk information
}

struct QuirkCase {
    const char* Vendor;
    const char* Product;
    bool Force, LinkSize, ReadyPoll, CloseImmediate, SlowReady;
};

TEST_F(DriveListTest, QuirksByModel)
{
    const QuirkCase cases[] = {
        {"PLAIN   ", "DRIVE           ", false, false, false, true, false},
        {"ANY     ", "CD-W512EB       ", true, false, false, true, false},
        {"ANY     ", "CRX175E         ", false, true, false, true, false},
        {"ANY     ", "CD-RW  CRX800E  ", false, true, false, true, false},
        {"ANY     ", "UJDA740         ", false, false, true, true, false},
        {"TDK     ", "CDRW321040X     ", false, false, true, false, false},
        {"ANY     ", "DVD-RW  DVR-104 ", false, false, false, true, true},
        {"ANY     ", " DVD-RW  DVR-103", false, false, false, true, false}, // untrimmed text differs
    };
    for (const QuirkCase& c : cases) {
        drives[{1, 0, 0}] = InquiryReply(0x05, c.Vendor, c.Product, "1.00");
        CloseSessionImmediate = false;
        dev->SetDevice("1:0:0");
        EXPECT_EQ(dev->ForceUnderrunProtection, c.Force) << c.Product;
        EXPECT_EQ(dev->LinkSizeQuirk, c.LinkSize) << c.Product;
        EXPECT_EQ(ReadyPollQuirk, c.ReadyPoll) << c.Product;
        EXPECT_EQ(CloseSessionImmediate, c.CloseImmediate) << c.Product;
        EXPECT_EQ(dev->SlowReadyQuirk, c.SlowReady) << c.Product;
    }
}

} // namespace scrivo::test
