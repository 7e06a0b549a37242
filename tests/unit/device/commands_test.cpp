#include "FakeDrive.h"

namespace scrivo::test {

// Every command left pending, so the executor waits and the wait shows the timeout.
class CommandSetTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        Address(0, 0, 1);
        drive.AnswerPending = true;
        for (int op = 0; op < 256; ++op)
            drive.On(uint8_t(op), [](SRB_ExecSCSICmd& srb) { FakeDrive::Complete(srb); });
    }
    // The CDB, flags, data length and wait of the last command, compared as one text.
    std::string Sent() const
    {
        const SentCommand& c = drive.Sent.back();
        std::string cdb;
        char hex[4];
        for (int i = 0; i < c.Srb.SRB_CDBLen; ++i) {
            std::snprintf(hex, sizeof hex, "%02X ", c.Srb.CDBByte[i]);
            cdb += hex;
        }
        std::snprintf(hex, sizeof hex, "%02X", c.Srb.SRB_Flags);
        return cdb + "| " + hex + " " + std::to_string(c.Srb.SRB_BufLen) + " " + std::to_string(c.WaitMs);
    }
};

TEST_F(CommandSetTest, CDBsFlagsLengthsAndTimeouts)
{
    alignas(4) uint8_t buf[4096] = {};
    uint32_t a = 0, b = 0;
    dev->TestUnitReady(5000);
    EXPECT_EQ(Sent(), "00 20 00 00 00 00 | 40 0 10000");
    dev->RezeroUnit();
    EXPECT_EQ(Sent(), "01 20 00 00 00 00 | 40 0 10000");
    dev->RequestSense(buf, 40);
    EXPECT_EQ(Sent(), "03 20 00 00 28 00 | 48 40 10000");
    dev->FormatUnit(0x11, buf, 12);
    EXPECT_EQ(Sent(), "04 31 00 00 00 00 | 50 12 10000");
    dev->Inquiry();
    EXPECT_EQ(Sent(), "12 20 00 00 80 00 | 48 128 10000");
    dev->StartStopUnit(true);
    EXPECT_EQ(Sent(), "1B 20 00 00 02 00 | 40 0 20000");
    dev->StartStopUnit(false);
    EXPECT_EQ(Sent(), "1B 20 00 00 03 00 | 40 0 20000");
    dev->PreventAllowRemoval(false);
    EXPECT_EQ(Sent(), "1E 20 00 00 01 00 | 40 0 10000");
    dev->PreventAllowRemoval(true);
    EXPECT_EQ(Sent(), "1E 20 00 00 00 00 | 40 0 10000");
    dev->ReadFormatCapacities(buf);
    EXPECT_EQ(Sent(), "23 20 00 00 00 00 00 00 F8 00 | 48 248 10000");
    dev->ReadBlocks(0x01020304, 2, 4096, buf);
    EXPECT_EQ(Sent(), "28 20 01 02 03 04 00 00 02 00 | 48 4096 10000");
    dev->WriteBlocks(0x0A0B0C0D, 27, 0x50, 4096, buf);
    EXPECT_EQ(Sent(), "2A 20 0A 0B 0C 0D 00 00 1B 00 | 50 4096 120000");
    dev->SynchronizeCache(1800000, true);
    EXPECT_EQ(Sent(), "35 22 00 00 00 00 00 00 00 00 | 40 0 1800000");
    dev->ReadTOC(true, 4, 0, buf, 26);
    EXPECT_EQ(Sent(), "43 22 04 00 00 00 00 00 1A 00 | 48 26 10000");
    dev->GetConfiguration(2, 0x2F, buf, 114);
    EXPECT_EQ(Sent(), "46 22 00 2F 00 00 00 00 72 00 | 48 114 30000");
    dev->ReadDiscInformation();
    EXPECT_EQ(Sent(), "51 20 00 00 00 00 00 00 38 00 | 48 56 10000");
    dev->ReadTrackInformation(0x0102);
    EXPECT_EQ(Sent(), "52 21 00 00 01 02 00 00 28 00 | 48 40 60000");
    dev->ReserveTrack(0x00112233);
    EXPECT_EQ(Sent(), "53 20 00 00 00 00 11 22 33 00 00 00 | 40 0 10000");
    dev->SendOPC();
    EXPECT_EQ(Sent(), "54 21 00 00 00 00 00 00 00 00 | 40 0 150000");
    dev->ModeSelect(buf, 60);
    EXPECT_EQ(Sent(), "55 30 00 00 00 00 00 00 3C 00 | 50 60 10000");
    dev->ModeSense(0x2A, true, buf, 255);
    EXPECT_EQ(Sent(), "5A 20 AA 00 00 00 00 00 FF 00 | 48 255 20000");
    dev->ModeSense(0x05, false, buf, 512);
    EXPECT_EQ(Sent(), "5A 20 05 00 00 00 00 02 00 00 | 48 512 20000");
    dev->CloseTrackSession(true, 6, 7, 8, 9);
    EXPECT_EQ(Sent(), "5B 21 06 07 08 09 00 00 00 00 | 40 0 180000");
    dev->ReadBufferCapacity(a, b);
    EXPECT_EQ(Sent(), "5C 20 00 00 00 00 00 00 20 00 | 48 32 10000");
    dev->SendCueSheet(buf, 0x0123);
    EXPECT_EQ(Sent(), "5D 20 00 00 00 00 00 01 23 00 | 50 291 30000");
    dev->Blank(1);
    EXPECT_EQ(Sent(), "A1 31 00 00 00 00 00 00 00 00 00 00 | 40 0 4800000");
    dev->SetStreaming(buf, 28);
    EXPECT_EQ(Sent(), "B6 20 00 00 00 00 00 00 00 00 1C 00 | 50 28 10000");
    dev->SetCDSpeed(1764, 7056);
    EXPECT_EQ(Sent(), "BB 20 06 E4 1B 90 00 00 00 00 00 00 | 40 0 10000");
    dev->SendDVDStructure(0x0F, buf, 22);
    EXPECT_EQ(Sent(), "BF 20 00 00 00 00 00 0F 00 16 00 00 | 50 22 10000");
}

TEST_F(CommandSetTest, CloseSessionFunctions)
{
    dev->CloseSession(true, false, false);
    EXPECT_EQ(Sent(), "5B 20 01 00 00 FF 00 00 00 00 | 40 0 180000");
    dev->CloseSession(false, true, false);
    EXPECT_EQ(Sent(), "5B 21 02 00 00 00 00 00 00 00 | 40 0 180000");
    dev->CloseSession(true, true, true); // finalize wins, the track byte follows closeTrack
    EXPECT_EQ(Sent(), "5B 21 05 00 00 FF 00 00 00 00 | 40 0 180000");
    dev->CloseSession(false, false, true);
    EXPECT_EQ(Sent(), "5B 20 05 00 00 00 00 00 00 00 | 40 0 180000");
}

TEST_F(CommandSetTest, WriteSucceedsWhileStillPending)
{
    drive.AnswerPending = false;
    drive.On(0x2A, [](SRB_ExecSCSICmd&) {});
    EXPECT_TRUE(dev->WriteBlocks(0, 1, 0x10, 2048, nullptr)); // no event to wait on
    drive.AnswerPending = true;
    EXPECT_FALSE(dev->WriteBlocks(0, 1, 0x50, 2048, nullptr)); // the wait ran out
}

TEST_F(CommandSetTest, HandleReleaseAroundTrayCommands)
{
    bool releaseDuring = false;
    drive.On(0x1B, [&](SRB_ExecSCSICmd& srb) {
        releaseDuring = HandleRelease;
        FakeDrive::Complete(srb);
    });
    drive.On(0x1E, [&](SRB_ExecSCSICmd& srb) {
        releaseDuring = HandleRelease;
        FakeDrive::Complete(srb);
    });
    HandleRelease = false;
    EXPECT_TRUE(dev->StartStopUnit(true));
    EXPECT_TRUE(releaseDuring);
    EXPECT_FALSE(HandleRelease);
    dev->PreventAllowRemoval(true);
    EXPECT_TRUE(releaseDuring);
    EXPECT_FALSE(HandleRelease);
    dev->PreventAllowRemoval(false); // preventing leaves the flag alone
    EXPECT_FALSE(releaseDuring);
    dev->SetHandleRelease(true);
    EXPECT_TRUE(HandleRelease);
}

TEST_F(CommandSetTest, RepliesKeptInHostOrder)
{
    drive.On(0x52, [](SRB_ExecSCSICmd& srb) {
        std::vector<uint8_t> r(40, 0);
        r[1] = 38;
        for (int f = 0; f < 6; ++f)
            r[8 + 4 * f + 3] = uint8_t(f + 1), r[8 + 4 * f] = 0x80;
        FakeDrive::Complete(srb, r);
    });
    ASSERT_TRUE(dev->ReadTrackInformation(1));
    EXPECT_EQ(dev->TrackStartAddress(), 0x80000001u);
    EXPECT_EQ(dev->NextWritableAddress(), 0x80000002u);
    EXPECT_EQ(dev->FreeBlocks(), 0x80000003u);
    EXPECT_EQ(dev->FixedPacketSize(), 0x80000004u);
    EXPECT_EQ(dev->TrackSize(), 0x80000005u);
    EXPECT_EQ(dev->LastRecordedAddress(), 0x80000006u);

    drive.On(0x5C, [](SRB_ExecSCSICmd& srb) {
        FakeDrive::Complete(srb, {0, 0, 0, 0, 0, 0x20, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    });
    uint32_t length = 0, blank = 0;
    ASSERT_TRUE(dev->ReadBufferCapacity(length, blank));
    EXPECT_EQ(length, 0x200000u);
    EXPECT_EQ(blank, 0xFFFFFFFFu);
    EXPECT_EQ(dev->DeviceFreeBufferSize, 0x200000u); // all free
    drive.Fail(0x5C, 5, 0x20, 0);
    EXPECT_FALSE(dev->ReadBufferCapacity(length, blank));
    EXPECT_EQ(dev->DeviceFreeBufferSize, 0u);
}

TEST_F(CommandSetTest, TimestampParameterList)
{
    TDateTime when = 0;
    ASSERT_TRUE(EncodeDateTime({2026, 12, 7, 9, 5, 3, 0}, when));
    dev->SendTimestamp(when);
    const auto& data = drive.Sent.back().DataOut;
    ASSERT_EQ(data.size(), 22u);
    EXPECT_EQ(data[0], 0x00);
    EXPECT_EQ(data[1], 0x14);
    EXPECT_EQ(std::string(data.begin() + 8, data.end()), "20261207090503");
    EXPECT_EQ(Last().CDBByte[7], 0x0F);
}

} // namespace scrivo::test
