#include "TempDir.h"
#include "platform/IniValues.h"
#include "platform/Settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace scrivo {
namespace {

// Each test gets a key of its own; on POSIX also a config folder of its own.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
#endif
        key_ = "Software\\ScrivoTest\\" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "\\";
        TSettingsKey::DeleteKey(key_);
    }
    void TearDown() override { TSettingsKey::DeleteKey(key_); }

    test::TempDir dir_;
    std::string key_;
};

TEST_F(SettingsTest, ValuesSurviveReopeningAndNamesIgnoreLetterCase)
{
    {
        TSettingsKey k;
        ASSERT_TRUE(k.OpenKey(key_, true));
        k.WriteString("CDRomDrive", "1");
        k.WriteString("VolumeLabel", "Ombrel CD");
        k.WriteString("cdromdrive", "2"); // same value, other spelling
    }
    TSettingsKey k;
    ASSERT_TRUE(k.OpenKey(key_, false));
    EXPECT_EQ(k.ReadString("CDROMDRIVE"), "2");
    EXPECT_EQ(k.ReadString("volumelabel"), "Ombrel CD");
    EXPECT_TRUE(k.ValueExists("VOLUMELABEL"));
    EXPECT_EQ(k.ValueNames().size(), 2u);
    EXPECT_EQ(k.ReadString("Missing"), "");
    EXPECT_FALSE(k.ValueExists("Missing"));
    EXPECT_TRUE(k.DeleteValue("CDROMDRIVE"));
    EXPECT_FALSE(k.ValueExists("CDRomDrive"));
}

TEST_F(SettingsTest, KeyNamesIgnoreLetterCaseAndSlashes)
{
    TSettingsKey k;
    ASSERT_TRUE(k.OpenKey(key_, true));
    k.WriteString("A", "x");
    std::string other = key_;
    for (char& c : other)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    TSettingsKey k2;
    ASSERT_TRUE(k2.OpenKey("\\" + other.substr(0, other.size() - 1), false));
    EXPECT_EQ(k2.ReadString("a"), "x");
}

TEST_F(SettingsTest, MissingKeyOpensOnlyWhenCreating)
{
    TSettingsKey k;
    EXPECT_FALSE(k.OpenKey(key_, false));
    EXPECT_FALSE(k.IsOpen());
    EXPECT_THROW(k.WriteString("A", "1"), ESettingsError);
    EXPECT_TRUE(k.OpenKey(key_, true));
    EXPECT_TRUE(k.OpenKey(key_, false));
    EXPECT_FALSE(k.OpenKey("\\\\", true));
}

TEST_F(SettingsTest, AnyTextRoundTrips)
{
    const std::string texts[] = {"", "a=b", "[section]", "; not a comment", "two\r\nlines", "back\\slash\\",
                                 "  spaced  ", "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5"};
    TSettingsKey k;
    ASSERT_TRUE(k.OpenKey(key_, true));
    int i = 0;
    for (const std::string& t : texts) {
        k.WriteString("n" + std::to_string(i), t);
        k.WriteString(t.empty() ? "empty" : t, "name " + std::to_string(i));
        ++i;
    }
    TSettingsKey r;
    ASSERT_TRUE(r.OpenKey(key_, false));
    i = 0;
    for (const std::string& t : texts) {
        EXPECT_EQ(r.ReadString("n" + std::to_string(i)), t);
        EXPECT_EQ(r.ReadString(t.empty() ? "empty" : t), "name " + std::to_string(i));
        ++i;
    }
}

#ifndef _WIN32
TEST_F(SettingsTest, PosixFileIsOneIniFilePerKeyRewrittenWithoutLeftovers)
{
    TSettingsKey k;
    ASSERT_TRUE(k.OpenKey(key_, true));
    k.WriteString("JolietFS", "True");
    k.WriteString("Label", "a=b");
    namespace fs = std::filesystem;
    fs::path folder = fs::path(dir_.Path()) / "Software" / "ScrivoTest";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    ASSERT_EQ(names.size(), 1u) << "a temporary file was left behind";
    std::ifstream in(folder / names[0]);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "[Software\\\\ScrivoTest\\\\" + key_.substr(20, key_.size() - 21) + "]\nJolietFS=True\nLabel=a\\=b\n");
}

TEST_F(SettingsTest, PosixRefusesKeysThatLeaveTheConfigFolder)
{
    TSettingsKey k;
    EXPECT_FALSE(k.OpenKey("Software\\..\\..\\escape", true));
    EXPECT_FALSE(k.OpenKey("a/b", true));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir_.Path()).parent_path() / "escape.ini"));
}

TEST_F(SettingsTest, PosixFailedWriteKeepsTheOldFile)
{
    TSettingsKey k;
    ASSERT_TRUE(k.OpenKey(key_, true));
    k.WriteString("A", "1");
    // A folder in the way of the temporary file's rename target cannot be replaced.
    namespace fs = std::filesystem;
    fs::path folder = fs::path(dir_.Path()) / "Software" / "ScrivoTest";
    fs::path file = folder / (key_.substr(20, key_.size() - 21) + ".ini");
    fs::rename(file, folder / "saved");
    fs::create_directory(file);
    EXPECT_THROW(k.WriteString("A", "2"), ESettingsError);
    fs::remove(file);
    fs::rename(folder / "saved", file);
    EXPECT_EQ(k.ReadString("A"), "1");
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
        ++entries;
    EXPECT_EQ(entries, 1u);
}
#endif

TEST(IniValuesTest, ParsesHandWrittenFilesAndSkipsNoise)
{
    IniValues v = IniValues::Parse("[Key]\r\n; comment\r\nCDSpeed=3\r\n\r\nno equals\r\nVolumeLabel=My=Disc\r\n");
    ASSERT_EQ(v.Items.size(), 2u);
    EXPECT_EQ(v.Items[0].second, "3");
    EXPECT_EQ(v.Items[1].second, "My=Disc");
    EXPECT_EQ(v.Find("volumelabel"), 1);
    v.Set("VOLUMELABEL", "x");
    EXPECT_EQ(v.Items[1].first, "VolumeLabel"); // the stored spelling stays
}

} // namespace
} // namespace scrivo
