// The review list handed to the file tree: add modes, folder items and the files and
// folders the wizard refuses.
#include "BurnRunKit.h"

#include <algorithm>

namespace scrivo::test {
namespace {

class ReviewTransferTest : public BurnRunTest {
protected:
    void SetUp() override
    {
        BurnRunTest::SetUp();
        Make(MediaKind::CdR);
        frm.brenvik.ClearFiles(600000, 20000);
    }
    std::vector<std::string> RootNames()
    {
        std::vector<std::string> out;
        for (TFEntry* e = FileTables().Root()->FirstEntry; e; e = e->Next)
            out.push_back(e->LongName);
        return out;
    }
};

TEST_F(ReviewTransferTest, AFolderItemAddsItsOwnFilesWithOrWithoutATrailingDelimiter)
{
    File("parent.txt", 1, false);
    File("d/x.txt", 1, false);
    File("d/sub/y.txt", 1, false);
    files.lbxFiles.SetItems({src.File("d"), src.File("d") + PathDelim});
    frm.AddFilesToBurner();
    EXPECT_EQ(RootNames(), std::vector<std::string>{"x.txt"});
    EXPECT_EQ(frm.brenvik.DirectoryCount(), 0);
}

TEST_F(ReviewTransferTest, ModeTwoMakesTheDestinationFolderWithItsParents)
{
    const std::string plain = File("a.txt", 1);
    File("d/x.txt", 1, false);
    files.lbxFiles.AddItem(src.File("d"));
    frm.AddMode = 2;
    frm.DestFolder = "Backup\\Today";
    frm.AddFilesToBurner();
    const TDEntry* today = frm.brenvik.FindDir("\\BACKUP\\TODAY");
    ASSERT_NE(today, nullptr);
    ASSERT_NE(today->FirstEntry, nullptr);
    EXPECT_EQ(today->FirstEntry->LongName, "a.txt");
    EXPECT_EQ(today->FirstEntry->SourcePath(), plain);
    // The folder item still fills the root.
    std::vector<std::string> root = RootNames();
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, (std::vector<std::string>{"Backup", "x.txt"}));
    EXPECT_FALSE(Logged("INVALID DESTINATION PATH"));
}

TEST_F(ReviewTransferTest, DevicesInTheListAreSkippedWithALogLine) {
    File("a.txt", 1);
#ifdef _WIN32
    const std::string device = src.File("NUL");
#else
    const std::string device = "/dev/null";
#endif
    files.lbxFiles.AddItem(device);
    frm.AddFilesToBurner();
    EXPECT_EQ(RootNames(), std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(Logged("> ERROR: Skipping device, not a file or folder: " + device));
}

TEST_F(ReviewTransferTest, FilesThatCannotBeOpenedAreSkipped)
{
    std::string longName(103, 'n'), shortName, missing = src.File("gone.txt");
    TDateTime time = 0;
    bool skip = false;
    frm.brenvikAddFile(nullptr, missing, longName, shortName, time, 0, 0, skip);
    EXPECT_TRUE(skip);
    EXPECT_TRUE(Logged("> ERROR: Skipping file, already in use: " + missing));
#ifdef _WIN32
    const std::string held = File("held.txt", 10);
    const FileHandle h = FileCreateExclusive(held);
    frm.AddFilesToBurner();
    FileClose(h);
    EXPECT_EQ(frm.brenvik.FileCount(), 0);
    EXPECT_TRUE(Logged("> ERROR: Skipping file, already in use: " + held));
#endif
}

TEST_F(ReviewTransferTest, TheRecycleBinAndOverlongFolderNamesAreSkipped)
{
    std::string shortName;
    for (std::string name : {std::string("Recycled"), std::string(128, 'd')}) {
        bool skip = false;
        frm.brenvikAddDirName(nullptr, name, shortName, skip);
        EXPECT_TRUE(skip) << name;
    }
    std::string fits(127, 'd');
    bool skip = false;
    frm.brenvikAddDirName(nullptr, fits, shortName, skip);
    EXPECT_FALSE(skip);
    EXPECT_TRUE(Logged(">>> ERROR: Skipping Recycle Bin"));
    EXPECT_TRUE(Logged("     " + std::string(128, 'd')));
}

} // namespace
} // namespace scrivo::test
