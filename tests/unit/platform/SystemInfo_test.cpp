#include "platform/SystemInfo.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(SystemInfoTest, WindowsVersionNames)
{
    struct Case {
        uint32_t Platform, Major, Minor;
        const char* Name;
    } cases[] = {
        {VerPlatformWindows9x, 4, 0, "Windows 95"},   {VerPlatformWindows9x, 4, 1, "Windows 98"},
        {VerPlatformWindows9x, 4, 10, "Windows 98"},  {VerPlatformWindows9x, 4, 89, "Windows 98"},
        {VerPlatformWindows9x, 4, 90, "Windows ME"},  {VerPlatformWindows9x, 4, 91, "Unknown"},
        {VerPlatformWindows9x, 3, 0, "16 bit Windows"}, {VerPlatformNT, 3, 51, "16 bit Windows"},
        {VerPlatformNT, 4, 0, "Windows NT"},          {VerPlatformNT, 5, 0, "Windows 2000"},
        {VerPlatformNT, 5, 1, "Windows XP"},          {VerPlatformNT, 5, 2, "Unknown"},
        {VerPlatformNT, 6, 1, "Unknown"},             {VerPlatformWin32s, 3, 1, "Unknown"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowsVersionNameFor(c.Platform, c.Major, c.Minor), c.Name)
            << c.Platform << " " << c.Major << "." << c.Minor;
}

TEST(SystemInfoTest, ExecutableFolderEndsWithSeparatorAndHoldsTheExecutable)
{
    std::string path = ExePath(), folder = ExeFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(path.rfind(folder, 0), 0u);
    EXPECT_EQ(path.find_first_of("\\/", folder.size()), std::string::npos);
}

TEST(SystemInfoTest, SystemFilesAndVersions)
{
#ifdef _WIN32
    std::string win = WindowsFolder();
    ASSERT_FALSE(win.empty());
    EXPECT_EQ(win.back(), '\\');
    auto v = FileVersion(win + "system32\\kernel32.dll");
    ASSERT_TRUE(v.has_value());
    EXPECT_GT((*v)[0], 0);
    EXPECT_FALSE(FileProductVersion(win + "system32\\kernel32.dll").empty());
    EXPECT_FALSE(FileVersion(win + "no-such-file.dll").has_value());
#else
    EXPECT_EQ(WindowsVersionName(), "Unknown");
    EXPECT_EQ(WindowsFolder(), "");
    EXPECT_FALSE(FileVersion(ExePath()).has_value());
    EXPECT_EQ(FileProductVersion(ExePath()), "");
#endif
}

} // namespace
} // namespace scrivo
