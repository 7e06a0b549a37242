#include "FakeDrive.h"

#include <fstream>
#include <sstream>

namespace scrivo::test {

TEST(StatusText, FirstStageTable)
{
    EXPECT_EQ(StatusText(0x00, 0x11, 0x08), "");
    EXPECT_EQ(StatusText(0x01, 0, 0), "");
    EXPECT_EQ(StatusText(0x02, 0, 0), "OPERATION ABORTED BY USER");
    EXPECT_EQ(StatusText(0x03, 9, 9), "OPERATION ABORTED BY USER");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x00), "CHECK CONDITION");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x02), "CHECK CONDITION");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x08), "TARGET BUSY");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x18), "TARGET RESERVATION CONFLICT");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x28), "TARGET QUEUE FULL");
    EXPECT_EQ(StatusText(0x04, 0x00, 0x04), "UNKNOWN");
    const std::pair<uint8_t, const char*> host[] = {{0x09, "COMMAND TIMEOUT"}, {0x0B, "SRB TIMEOUT"},
        {0x0D, "MESSAGE REJECT"}, {0x0E, "BUS RESET"}, {0x0F, "PARITY ERROR"}, {0x10, "REQUEST SENSE FAILED"},
        {0x11, "SELECTION TIMEOUT"}, {0x12, "DATA OVERRUN"}, {0x13, "UNEXPECTED BUS FREE"}, {0x14, "UNKNOWN"}};
    for (auto [ha, text] : host)
        EXPECT_EQ(StatusText(0x04, ha, 0x02), text) << int(ha);
    const std::pair<uint8_t, const char*> transport[] = {{0x80, "INVALID REQUEST"}, {0x81, "INVALID HOST ADAPTER"},
        {0x82, "NO DEVICE"}, {0xE0, "INVALID SRB"}, {0xE1, "BUFFER ALIGNMENT"}, {0xE5, "ASPI IS BUSY"},
        {0xE6, "BUFFER TOO BIG"}, {0x05, "UNKNOWN"}, {0xE8, "UNKNOWN"}};
    for (auto [status, text] : transport)
        EXPECT_EQ(StatusText(status, 0x09, 0x02), text) << int(status);
}

TEST(SenseKeyText, KeysFlagsAndResponseCodes)
{
    uint8_t sense[33] = {};
    EXPECT_EQ(SenseKeyText(sense), "");
    sense[0] = 0x72; // descriptor format is not understood
    EXPECT_EQ(SenseKeyText(sense), "UNKNOWN");
    const char* keys[16] = {"NO ADDITIONAL SENSE INFORMATION", "RECOVERED ERROR", "NOT READY", "MEDIUM ERROR",
        "HARDWARE ERROR", "ILLEGAL REQUEST", "UNIT ATTENTION", "DATA PROTECT", "ERASE CHECK", "CHECK CONDITION",
        "COPYABORTED", "ABORTED COMMAND", "CHECK CONDITION", "VOLUME OVERFLOW", "MISCOMPARE", "RESERVED"};
    for (uint8_t response : {0x70, 0x71, 0xF0, 0xF1})
        for (int key = 0; key < 16; ++key) {
            sense[0] = response;
            sense[2] = uint8_t(key);
            EXPECT_EQ(SenseKeyText(sense), keys[key]) << key;
        }
    sense[0] = 0x70;
    sense[2] = 0xE0; // filemark, end of medium and length together: filemark first
    EXPECT_EQ(SenseKeyText(sense), "FILEMARK");
    sense[2] = 0x60;
    EXPECT_EQ(SenseKeyText(sense), "END OF MEDIA");
    sense[2] = 0x20;
    EXPECT_EQ(SenseKeyText(sense), "ILLEGAL LENGTH");
    sense[2] = 0xE5; // flags matter only with key 0
    EXPECT_EQ(SenseKeyText(sense), "ILLEGAL REQUEST");
}

// Every pair of the assignment list has its text; the table holds nothing else.
TEST(SenseCodeText, AllListedPairsAndDecimalFallback)
{
    std::ifstream in(SCRIVO_TEST_DATA_DIR "/sense-codes.tsv");
    ASSERT_TRUE(in) << "assignment list not found";
    std::string line;
    int pairs = 0;
    bool listed[256][256] = {};
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string asc, ascq, text;
        std::getline(fields, asc, '\t');
        std::getline(fields, ascq, '\t');
        std::getline(fields, text);
        const int a = std::stoi(asc, nullptr, 16), q = std::stoi(ascq, nullptr, 16);
        listed[a][q] = true;
        EXPECT_EQ(SenseCodeText(uint8_t(a), uint8_t(q)), text);
        ++pairs;
    }
    EXPECT_EQ(pairs, 255);
    EXPECT_EQ(SenseCodeTableSize, 255u);
    for (int a = 0; a < 256; ++a) {
        for (int q = 0; q < 256; ++q) {
            if (!listed[a][q]) {
                ASSERT_EQ(SenseCodeText(uint8_t(a), uint8_t(q)), std::to_string(a) + "," + std::to_string(q));
            }
        }
    }
    EXPECT_EQ(SenseCodeText(0x04, 0x02), "LOGICAL UNIT NOT READY, INITIALIZING CMD. REQUIRED");
    EXPECT_EQ(SenseCodeText(0x5D, 0xFF), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
    EXPECT_EQ(SenseCodeText(0x64, 0x02), "100,2");
}

// The failure text as the executor builds it from a drive's answer.
class FailureTextTest : public DeviceTest {
protected:
    std::string TextFor(uint8_t status, uint8_t haStat, uint8_t targStat, std::vector<uint8_t> sense)
    {
        drive.On(0x00, [=](SRB_ExecSCSICmd& srb) {
            srb.SRB_Status = status;
            srb.SRB_HaStat = haStat;
            srb.SRB_TargStat = targStat;
            std::memcpy(srb.SenseArea, sense.data(), sense.size());
        });
        Address();
        dev->TestUnitReady(5000);
        return dev->LastErrorText;
    }
    static std::vector<uint8_t> Sense(uint8_t key, uint8_t addLen, uint8_t asc, uint8_t ascq)
    {
        std::vector<uint8_t> s(33, 0);
        s[0] = 0x70;
        s[2] = key;
        s[7] = addLen;
        s[12] = asc;
        s[13] = ascq;
        s[32] = 0x5A; // the whole area is kept
        return s;
    }
};

TEST_F(FailureTextTest, CombinesTheStages)
{
    EXPECT_EQ(TextFor(4, 0, 2, Sense(5, 10, 0x24, 0x00)), "ILLEGAL REQUEST (INVALID FIELD IN CDB)");
    EXPECT_EQ(dev->LastSense[12], 0x24);
    EXPECT_EQ(dev->LastSense[32], 0x5A);
    EXPECT_EQ(TextFor(4, 0, 2, Sense(2, 10, 0x3A, 0x00)), "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(TextFor(4, 0, 2, Sense(5, 10, 0x64, 0x02)), "ILLEGAL REQUEST (100,2)");
    EXPECT_EQ(TextFor(4, 0, 2, Sense(9, 10, 0x00, 0x00)), "CHECK CONDITION (NO ADDITIONAL SENSE INFORMATION)");
    EXPECT_EQ(TextFor(4, 0, 2, Sense(3, 0, 0x11, 0x00)), "MEDIUM ERROR");
    // The sense part follows the additional length even when the status says no check condition.
    EXPECT_EQ(TextFor(0x82, 0, 0, Sense(5, 10, 0x24, 0x00)), "NO DEVICE (INVALID FIELD IN CDB)");
    EXPECT_EQ(TextFor(4, 0x11, 0, std::vector<uint8_t>(33, 0)), "SELECTION TIMEOUT");
}

TEST_F(FailureTextTest, TargetBusyIsSetAndClearedByTheNextCommand)
{
    EXPECT_EQ(TextFor(4, 0, 8, std::vector<uint8_t>(33, 0)), "TARGET BUSY");
    EXPECT_TRUE(dev->TargetBusy);
    drive.Reply(0x00, {});
    dev->TestUnitReady(5000);
    EXPECT_FALSE(dev->TargetBusy);
    EXPECT_EQ(dev->LastErrorText, "");
    EXPECT_EQ(dev->LastSense[12], 0);
}

} // namespace scrivo::test
