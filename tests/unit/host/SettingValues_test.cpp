#include "host/SettingValues.h"
#include "platform/TempDir.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(SettingValuesTest, IntegersInTheSystemSyntax)
{
    struct Case {
        const char* Text;
        bool Ok;
        int Value;
    } cases[] = {{"0", true, 0},         {"-1", true, -1},          {"  42", true, 42},
                 {"+7", true, 7},        {"$10", true, 16},         {"0x1F", true, 31},
                 {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
                 {"2147483648", false, 0}, {"$FFFFFFFF", true, -1}, {"", false, 0},
                 {"12a", false, 0},      {"1 ", false, 0},          {"-", false, 0},
                 {"4194304", true, 4194304}};
    for (const Case& c : cases) {
        int v = 12345;
        EXPECT_EQ(TryParseInt(c.Text, v), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(v, c.Value) << c.Text;
        }
    }
}

TEST(SettingValuesTest, BooleansAndIntegersFallBackToTheirDefaults)
{
    test::TempDir dir;
#ifndef _WIN32
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
#endif
    const std::string keyName = "Software\\ScrivoTest\\SettingValues\\";
    TSettingsKey::DeleteKey(keyName);
    TSettingsKey key;
    ASSERT_TRUE(key.OpenKey(keyName, true));
    key.WriteString("UseInternalASPI", "fALSE");
    key.WriteString("JolietFS", "yes");
    key.WriteString("CloseDisc", "tRuE");
    key.WriteString("CDRomDrive", "two");
    WriteBoolSetting(key, "TestWrite", false);
    WriteIntSetting(key, "CacheSize", 2097152);
    EXPECT_FALSE(ReadBoolSetting(key, "UseInternalASPI", true));
    EXPECT_TRUE(ReadBoolSetting(key, "JolietFS", true));
    EXPECT_TRUE(ReadBoolSetting(key, "CloseDisc", false));
    EXPECT_TRUE(ReadBoolSetting(key, "Missing", true));
    EXPECT_EQ(key.ReadString("TestWrite"), "False");
    EXPECT_EQ(ReadIntSetting(key, "CDRomDrive", -1), -1);
    EXPECT_EQ(ReadIntSetting(key, "CacheSize", 4194304), 2097152);
    EXPECT_EQ(ReadIntSetting(key, "Missing", 4194304), 4194304);
    key.CloseKey();
    TSettingsKey::DeleteKey(keyName);
}

} // namespace
} // namespace scrivo
