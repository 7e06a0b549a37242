#include "FakeDrive.h"

namespace scrivo::test {

TEST(CommandName, PaddedNamesAndHexCodes)
{
    EXPECT_EQ(CommandName(0x00), "TEST UNIT READY       ");
    EXPECT_EQ(CommandName(0x23), "READ FORMAT CAPACITIES");
    EXPECT_EQ(CommandName(0x4A), "GET EVENT/STATUS NOTIF");
    EXPECT_EQ(CommandName(0x52), "READ TRACK INFORMATION");
    EXPECT_EQ(CommandName(0xBF), "SEND DVD STRUCTURE    ");
    EXPECT_EQ(CommandName(0x02), "02");
    EXPECT_EQ(CommandName(0xFE), "FE");
    EXPECT_EQ(CommandName(0xFF), "FF");
    int named = 0;
    for (int op = 0; op < 256; ++op)
        if (CommandName(uint8_t(op)).size() == 22)
            ++named;
    EXPECT_EQ(named, 51);
}

} // namespace scrivo::test
