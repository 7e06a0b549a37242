#include "platform/Files.h"
#include <gtest/gtest.h>
#include <set>

namespace scrivo {
namespace {

TEST(IsValid83Name, UpperCaseEightDotThreeOnly)
{
    for (const char* n : {"README", "README.TXT", "A.B", "12345678.123", "A-B_C~1.$$$", "{X}"})
        EXPECT_TRUE(IsValid83Name(n)) << n;
    for (const char* n : {"readme.txt", "ReadMe", "123456789", "A.TEXT", "A.", ".A", "A.B.C",
                          "A B.TXT", "A+B", "", "\xC3\x89T\xC3\x89", "A*"})
        EXPECT_FALSE(IsValid83Name(n)) << n;
}

TEST(Make83Name, WindowsShape)
{
    EXPECT_EQ(Make83Name("Long File Name.html", {}), "LONGFI~1.HTM");
    EXPECT_EQ(Make83Name("archive.tar.gz", {}), "ARCHIV~1.GZ");
    EXPECT_EQ(Make83Name(".profile", {}), "PROFIL~1");
    EXPECT_EQ(Make83Name("a+b,c;d=e[f]g.txt", {}), "A_B_C_~1.TXT");
    EXPECT_EQ(Make83Name("\xC3\xA9t\xC3\xA9 notes.txt", {}), "_T_NOT~1.TXT");
    EXPECT_EQ(Make83Name("...", {}), "_~1");
}

TEST(Make83Name, CaseOnlyNamesKeepTheirNameWhenFree)
{
    EXPECT_EQ(Make83Name("readme.txt", {}), "README.TXT");
    EXPECT_EQ(Make83Name("readme.txt", {"README.TXT"}), "README~1.TXT");
}

TEST(Make83Name, CollisionsCountUpAndStayWithinEightThree)
{
    std::vector<std::string> taken;
    for (int i = 1; i <= 12; ++i) {
        std::string n = Make83Name("Documentation.text", taken);
        std::string expect = i < 10 ? "DOCUME~" + std::to_string(i) + ".TEX" : "DOCUM~" + std::to_string(i) + ".TEX";
        EXPECT_EQ(n, expect);
        taken.push_back(n);
    }
    EXPECT_EQ(Make83Name("documentation.text", {"docume~1.tex"}), "DOCUME~2.TEX"); // taken ignores case
}

TEST(AssignAltNames, UniqueInFolderAndNoneForValidNames)
{
    std::vector<std::string> names = {"DOCUME~1.TXT", "Documents.txt", "Documents2.txt", "README", "readme"};
    std::vector<std::string> alts = AssignAltNames(names);
    ASSERT_EQ(alts.size(), names.size());
    EXPECT_EQ(alts[0], "");
    EXPECT_EQ(alts[1], "DOCUME~2.TXT"); // ~1 belongs to a real name
    EXPECT_EQ(alts[2], "DOCUME~3.TXT");
    EXPECT_EQ(alts[3], "");
    EXPECT_EQ(alts[4], "README~1");
}

TEST(AssignAltNames, ManyCollisionsStayUniqueAndShort)
{
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("IMG_2024_" + std::to_string(i) + ".jpeg");
    std::vector<std::string> alts = AssignAltNames(names);
    std::set<std::string> seen;
    for (const std::string& a : alts) {
        EXPECT_TRUE(IsValid83Name(a)) << a;
        EXPECT_TRUE(seen.insert(a).second) << a;
    }
    EXPECT_EQ(alts[2999], "IMG~3000.JPE");
}

} // namespace
} // namespace scrivo
