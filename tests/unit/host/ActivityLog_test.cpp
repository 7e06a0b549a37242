#include "host/ActivityLog.h"
#include "platform/SystemInfo.h"
#include "platform/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace scrivo {
namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(test::U8Path(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        log_.FileName = dir_ / "ScrivoLog.txt";
        log_.Enabled = true;
        log_.Ticks = [this] { return now_; };
        log_.Restart();
    }
    test::TempDir dir_;
    TActivityLog log_;
    uint32_t now_ = 5000;
};

TEST_F(ActivityLogTest, LinesCarryElapsedWholeSecondsSectionAndText)
{
    log_.Restart();
    log_.LogLine("FormShow", "App Version=?.?", true);
    now_ += 1999;
    log_.LogLine("FormShow", "Windows=Unknown");
    now_ += 1;
    log_.LogLine("brenvikDebugMessage", ">>> Write Completed");
    EXPECT_EQ(ReadAll(log_.FileName), "0 - [FormShow] App Version=?.?\r\n"
                                      "1 - [FormShow] Windows=Unknown\r\n"
                                      "2 - [brenvikDebugMessage] >>> Write Completed\r\n");
}

TEST_F(ActivityLogTest, StartNewReplacesTheOldLogAndAppendCreatesAMissingOne)
{
    log_.LogLine("A", "first");
    EXPECT_EQ(ReadAll(log_.FileName), "0 - [A] first\r\n");
    log_.LogLine("A", "second");
    log_.LogLine("B", "fresh", true);
    EXPECT_EQ(ReadAll(log_.FileName), "0 - [B] fresh\r\n");
}

TEST_F(ActivityLogTest, DisabledLogTouchesNothingAndUnwritableFolderIsSilent)
{
    dir_.MakeFile("ScrivoLog.txt", "old");
    log_.Enabled = false;
    log_.LogLine("FormShow", "Start", true);
    EXPECT_EQ(ReadAll(log_.FileName), "old");
    log_.Enabled = true;
    log_.FileName = (dir_ / "missing-folder") + PathDelim + "ScrivoLog.txt";
    EXPECT_NO_THROW(log_.LogLine("FormShow", "Start", true));
}

TEST(ActivityLogClockTest, ElapsedSecondsTruncateAndSurviveTheTickWrap)
{
    EXPECT_EQ(TActivityLog::ElapsedSeconds(1000, 1999), 0u);
    EXPECT_EQ(TActivityLog::ElapsedSeconds(1000, 2000), 1u);
    EXPECT_EQ(TActivityLog::ElapsedSeconds(0x80000000u, 0x80000000u + 61500), 61u);
    EXPECT_EQ(TActivityLog::ElapsedSeconds(0xFFFFF000u, 0x00001000u), 8u);
}

TEST(ActivityLogDefaultTest, LivesBesideTheExecutable)
{
    EXPECT_EQ(TActivityLog::DefaultFileName(), ExeFolder() + "ScrivoLog.txt");
}

TEST_F(ActivityLogTest, LinesFromTwoThreadsNeverMix)
{
    const int perThread = 300;
    const std::string longText(300, 'x');
    auto writer = [&](const std::string& section) {
        for (int i = 0; i < perThread; ++i)
            log_.LogLine(section, longText + std::to_string(i));
    };
    std::thread a(writer, "threadA"), b(writer, "threadB");
    a.join();
    b.join();
    std::string text = ReadAll(log_.FileName);
    std::set<std::string> seen;
    size_t start = 0, lines = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        std::string line = text.substr(start, end - start);
        start = end + 2;
        ++lines;
        ASSERT_TRUE(line.rfind("0 - [threadA] " + longText, 0) == 0 || line.rfind("0 - [threadB] " + longText, 0) == 0)
            << line;
        EXPECT_TRUE(seen.insert(line).second);
    }
    EXPECT_EQ(lines, 2u * perThread);
}

} // namespace
} // namespace scrivo
