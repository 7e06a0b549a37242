// The burner component's settings and the figures a host polls.
#include "engine/bvCDBC.h"
#include "engine/bvCDBC_run.h"
#include <gtest/gtest.h>

namespace scrivo::test {
namespace {

TEST(BrenvikSettings, StartWithTheirPublishedValues) {
    TBrenvik b;
    EXPECT_EQ(b.CacheSize(), 4194304);
    EXPECT_TRUE(b.WritePostGap);
    EXPECT_TRUE(b.JolietFileSystem);
    EXPECT_TRUE(b.FinalizeTrack);
    EXPECT_TRUE(b.UnderrunProtection);
    EXPECT_FALSE(b.DoDebug);
    EXPECT_FALSE(b.FinalizeDisc);
    EXPECT_FALSE(b.TestWrite);
    EXPECT_FALSE(b.PerformOPC);
    EXPECT_FALSE(b.ReplaceFile);
    EXPECT_EQ(b.WriteSpeed(), 0);
    EXPECT_EQ(b.ReadSpeed, 0);
    EXPECT_EQ(b.Version(), "1.21");
    EXPECT_EQ(b.DirectoryCount(), 0);
    EXPECT_EQ(b.FileCount(), 0);
    EXPECT_EQ(FileTables().MaxFiles, 65535);
    EXPECT_EQ(FileTables().MaxDirs, 8191);
}

TEST(BrenvikSettings, CacheSizeHasAFloorAndWholeSectors) {
    TBrenvik b;
    for (int32_t v : {0, -5, 1000, 2097151}) {
        b.SetCacheSize(v);
        EXPECT_EQ(b.CacheSize(), 2097152) << v;
    }
    b.SetCacheSize(4194304 + 2047);
    EXPECT_EQ(b.CacheSize(), 4194304);
    b.SetCacheSize(100 * 1048576 + 1);
    EXPECT_EQ(b.CacheSize(), 100 * 1048576);
}

TEST(BrenvikSettings, VersionCannotBeChanged) {
    TBrenvik b;
    b.SetVersion("1.20.RC9");
    EXPECT_EQ(b.Version(), "1.21");
}

TEST(BrenvikSettings, WriteSpeedIsStoredWithoutADrive) {
    TBrenvik b;
    b.SetWriteSpeed(2822);
    EXPECT_EQ(b.WriteSpeed(), 2822);
}

TEST(BrenvikSettings, ShortImagesCountThePostGap) {
    TBrenvik b;
    b.ImageSectorCount = 10;
    EXPECT_EQ(b.ImageSize(), 300);
    b.WritePostGap = false;
    EXPECT_EQ(b.ImageSize(), 10);
    b.WritePostGap = true;
    b.ImageSectorCount = 1000;
    EXPECT_EQ(b.ImageSize(), 1000);
}

TEST(BrenvikSettings, NothingIsBufferedOutsideARun) {
    TBrenvik b;
    EXPECT_EQ(b.CacheFillPercent(), 0);
    EXPECT_FALSE(WriteRun().WritingFlag);
}

TEST(BrenvikSettings, AnAbortBeforeARunIsForgottenByTheNextOne) {
    TBrenvik b;
    b.AbortWrite();
    EXPECT_TRUE(WriteRun().RunAbortFlag);
    WriteRun().RunAbortFlag = false;
}

} // namespace
} // namespace scrivo::test
