// The speed list and the capabilities dialog over a scripted drive.
#include "device/FakeDrive.h"
#include "host/SpeedList.h"
#include "host/uCDDeviceCaps.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"

namespace scrivo::test {
namespace {

TEST(SpeedTextTest, TextsBackToKBps)
{
    const FormatSettings dot;
    EXPECT_EQ(SpeedTextToKBps("Max", dkCDR, dot), 0);
    EXPECT_EQ(SpeedTextToKBps("", dkDVDPlusRW, dot), 0);
    EXPECT_EQ(SpeedTextToKBps("16X (2,822 KB/s)", dkCDR, dot), 2832); // 177 a step on CD media
    EXPECT_EQ(SpeedTextToKBps("16X (2,822 KB/s)", dkUnknown, dot), 2832);
    EXPECT_EQ(SpeedTextToKBps("2.4X (3,324 KB/s)", dkDVDPlusRW, dot), 3324);
    EXPECT_EQ(SpeedTextToKBps("2.4X (3,324 KB/s)", dkDVDROM, dot), 3324);
    EXPECT_EQ(SpeedTextToKBps("0.5X", dkCDRW, dot), 88);   // 88.5: halves to even
    EXPECT_EQ(SpeedTextToKBps("1.5X", dkCDRW, dot), 266);  // 265.5
    FormatSettings comma;
    comma.DecimalSeparator = ",";
    comma.ThousandSeparator = ".";
    EXPECT_EQ(SpeedTextToKBps("2,4X (3.324 KB/s)", dkDVDR, comma), 3324);
    for (const char* bad : {"fast", "16 (2,822 KB/s)", "X (2,822 KB/s)", "1.6.1X", "2,4X"})
        EXPECT_THROW(SpeedTextToKBps(bad, dkCDR, dot), EConvertError) << bad;
}

// A writer taking only some speeds: the highest accepted one not above the request.
class SpeedListTest : public DeviceTest {
protected:
    std::vector<uint16_t> accepted;
    uint16_t maxWrite = 0, current = 0;
    uint16_t profile = 0;
    THeadlessBackEnd ui;
    TForm form{"frmCDMain"};
    TComboBox& cbSpeed = form.Add<TComboBox>("cbSpeed");

    void SetUp() override
    {
        DeviceTest::SetUp();
        Address();
        drive.On(0x5A, [this](SRB_ExecSCSICmd& srb) {
            if ((srb.CDBByte[2] & 0x3F) != 0x2A || maxWrite == 0)
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0x00);
            std::vector<uint8_t> reply(8 + 32, 0);
            uint8_t* page = reply.data() + 8;
            page[0] = 0x2A;
            page[1] = 30;
            page[2] = page[3] = 0x01;
            PutBE16(page + 8, 7056);
            PutBE16(page + 18, maxWrite);
            PutBE16(page + 20, current);
            FakeDrive::Complete(srb, reply);
        });
        drive.On(0x46, [this](SRB_ExecSCSICmd& srb) {
            if (srb.CDBByte[3] != 0)
                return FakeDrive::CheckCondition(srb, 5, 0x24, 0x00);
            std::vector<uint8_t> reply(16, 0);
            PutBE16(reply.data() + 6, profile);
            FakeDrive::Complete(srb, reply);
        });
        drive.On(0xBB, [this](SRB_ExecSCSICmd& srb) {
            const uint16_t asked = GetBE16(srb.CDBByte + 4);
            current = accepted.back();
            for (uint16_t s : accepted)
                if (s <= asked) {
                    current = s;
                    break;
                }
            FakeDrive::Complete(srb);
        });
    }
};

TEST_F(SpeedListTest, CdAndDvdTextsAndTheSelectionKept)
{
    profile = 0x0A; // CD-RW
    maxWrite = 2822;
    accepted = {2822, 2117, 1411, 706};
    cbSpeed.OnDropDown = [this](TObject*) { FillSpeedList(cbSpeed, *dev); };
    cbSpeed.UserSelect(2); // opens the list, then picks
    EXPECT_EQ(cbSpeed.Items(), (std::vector<std::string>{"Max", "16X (2,822 KB/s)", "12X (2,117 KB/s)",
                                                          "8X (1,411 KB/s)", "4X (706 KB/s)"}));
    EXPECT_EQ(cbSpeed.Text(), "12X (2,117 KB/s)");
    EXPECT_EQ(SelectedSpeed(cbSpeed, *dev), 2124);

    // A DVD+RW: other texts, and index 3 of a list of 3 items falls back to "Max".
    cbSpeed.UserSelect(3);
    profile = 0x1A;
    maxWrite = 5540;
    accepted = {5540, 3324};
    cbSpeed.UserDropDown();
    EXPECT_EQ(cbSpeed.Items(), (std::vector<std::string>{"Max", "4.0X (5,540 KB/s)", "2.4X (3,324 KB/s)"}));
    EXPECT_EQ(cbSpeed.ItemIndex(), 0);
    EXPECT_EQ(SelectedSpeed(cbSpeed, *dev), 0);
    cbSpeed.SetItemIndex(2);
    EXPECT_EQ(SelectedSpeed(cbSpeed, *dev), 3324);
}

TEST_F(SpeedListTest, UnknownDiscsListCdSpeedsAndUnreadableCapabilitiesOnlyMax)
{
    profile = 0; // no disc whose kind is known
    maxWrite = 1411;
    accepted = {1411, 706};
    FillSpeedList(cbSpeed, *dev);
    EXPECT_EQ(cbSpeed.Items(), (std::vector<std::string>{"Max", "8X (1,411 KB/s)", "4X (706 KB/s)"}));
    EXPECT_EQ(cbSpeed.ItemIndex(), 0);
    maxWrite = 0;
    cbSpeed.SetItemIndex(2);
    FillSpeedList(cbSpeed, *dev);
    EXPECT_EQ(cbSpeed.Items(), std::vector<std::string>{"Max"});
    EXPECT_EQ(cbSpeed.ItemIndex(), 0);
    cbSpeed.ClearItems();
    EXPECT_EQ(SelectedSpeed(cbSpeed, dkCDR), 0); // nothing to select: still no failure
}

TEST_F(SpeedListTest, CapabilitiesDialogShowsTheDrive)
{
    dev->Capabilities = CapBit(ReadCDR) | CapBit(WriteCDRW) | CapBit(ReadDVDPRW) | CapBit(UnderrunFree) |
                        CapBit(ReadMethod2);
    dev->DeviceMaxWriteSpeed = 8467;
    dev->DeviceMaxReadSpeed = 7056;
    TdlgCDCapabilities dlg(&form);
    dlg.ShowDevice(*dev);
    EXPECT_EQ(dlg.Caption(), "Device Capabilities");
    EXPECT_EQ(dlg.Label1.Caption(), "  " + dev->Device());
    EXPECT_EQ(dlg.Label2.Caption(), "Max Write Speed:    8467x");
    EXPECT_EQ(dlg.Label3.Caption(), "Max Read Speed:     7056x");
    int checked = 0;
    for (TControl* c : dlg.Controls())
        if (auto* box = dynamic_cast<TCheckBox*>(c))
            checked += box->Checked();
    EXPECT_EQ(checked, 4); // ReadMethod2 has no box
    auto& underrun = FindControl<TCheckBox>(dlg, "UnderrunProtection");
    EXPECT_TRUE(underrun.Checked());
    EXPECT_EQ(underrun.Caption(), "Underrun Protection");
    EXPECT_EQ(FindControl<TCheckBox>(dlg, "ReadDVDPRW").Caption(), "Read DVD+RW");
    EXPECT_FALSE(FindControl<TCheckBox>(dlg, "WriteDVDPR").Checked());
    EXPECT_FALSE(IsUsable(underrun)); // display only
    EXPECT_EQ(dlg.CapabilityBox(WriteCDRW), &FindControl<TCheckBox>(dlg, "WriteCDRW"));
    ui.Script.Then([&] { UserClick(dlg.Button1); });
    dlg.ShowModal();
    EXPECT_FALSE(dlg.Visible());
}

} // namespace
} // namespace scrivo::test
