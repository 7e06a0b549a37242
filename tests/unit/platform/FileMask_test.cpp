#include "platform/Files.h"
#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(MatchesMask, StarDotStarMatchesEverything)
{
    for (const char* n : {"README", "a.txt", "archive.tar.gz", ".profile", "x."})
        EXPECT_TRUE(MatchesMask(n, "*.*")) << n;
    EXPECT_TRUE(MatchesMask("README", "*"));
    EXPECT_TRUE(MatchesMask("README", "")); // an empty mask is every name
}

TEST(MatchesMask, ExtensionsAndCase)
{
    EXPECT_TRUE(MatchesMask("Photo.JPG", "*.jpg"));
    EXPECT_TRUE(MatchesMask("photo.jpg", "*.JPG"));
    EXPECT_FALSE(MatchesMask("photo.jpeg", "*.jpg"));
    EXPECT_FALSE(MatchesMask("photo.jpg.txt", "*.jpg"));
    EXPECT_TRUE(MatchesMask("\xC3\xA9t\xC3\xA9.TXT", "\xC3\x89T\xC3\x89.*")); // non-ASCII case
    EXPECT_TRUE(MatchesMask("a.b.c", "*.c"));
    EXPECT_TRUE(MatchesMask("abc", "a*.*"));
}

TEST(MatchesMask, QuestionMarkIsOneCharacter)
{
    EXPECT_TRUE(MatchesMask("abc", "a?c"));
    EXPECT_FALSE(MatchesMask("ac", "a?c"));
    EXPECT_FALSE(MatchesMask("abbc", "a?c"));
    EXPECT_TRUE(MatchesMask("a\xC3\xA9" "c", "a?c")); // one character, two bytes
    EXPECT_TRUE(MatchesMask("file1.txt", "file?.*"));
}

TEST(MatchesMask, TrailingDotMeansNoExtension)
{
    EXPECT_TRUE(MatchesMask("README", "*."));
    EXPECT_FALSE(MatchesMask("a.txt", "*."));
}

TEST(MatchesMask, StarsBacktrack)
{
    EXPECT_TRUE(MatchesMask("aXbXc", "*X*c"));
    EXPECT_TRUE(MatchesMask("mississippi", "m*ss*pi"));
    EXPECT_FALSE(MatchesMask("mississippi", "m*ss*px"));
}

TEST(AttrWanted, DirectoriesHiddenAndSystemOnlyWhenAsked)
{
    EXPECT_TRUE(AttrWanted(faArchive, 0));
    EXPECT_TRUE(AttrWanted(faArchive | faReadOnly, 0));
    EXPECT_FALSE(AttrWanted(faDirectory, faArchive));
    EXPECT_TRUE(AttrWanted(faDirectory, faDirectory));
    EXPECT_FALSE(AttrWanted(faArchive | faHidden, faDirectory));
    EXPECT_FALSE(AttrWanted(faSysFile, faHidden));
    for (uint32_t a : {0u, faHidden, faDirectory | faHidden, faSysFile | faArchive})
        EXPECT_TRUE(AttrWanted(a, faAnyFile)) << a;
}

} // namespace
} // namespace scrivo
