// The review dialog and path shortening, driven headless.
#include "host/PathShortening.h"
#include "host/uCDFiles.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

// Each character 6 pixels wide.
std::string Fit(const std::string& path, size_t chars)
{
    THeadlessCanvas canvas;
    return ShortenPath(path, static_cast<int>(chars) * 6, canvas);
}

TEST(PathShorteningTest, FoldersGiveWayFromTheFrontThenTheDrive)
{
    const std::string p = "C:\\Data\\Projects\\Reports\\summary.txt";
    EXPECT_EQ(Fit(p, p.size()), p);
    EXPECT_EQ(Fit(p, p.size() - 1), "C:\\...\\Projects\\Reports\\summary.txt");
    EXPECT_EQ(Fit(p, 30), "C:\\...\\Reports\\summary.txt");
    EXPECT_EQ(Fit(p, 25), "C:\\...\\summary.txt");
    EXPECT_EQ(Fit(p, 18), "C:\\...\\summary.txt"); // fits exactly
    EXPECT_EQ(Fit(p, 17), "...\\summary.txt");
    EXPECT_EQ(Fit(p, 14), "summary.txt");
    EXPECT_EQ(Fit(p, 3), "summary.txt"); // the name stays whole
}

TEST(PathShorteningTest, PathsWithoutADriveLetter)
{
    const std::string unc = "\\\\server\\share\\dir\\file.txt";
    // The empty first "folder" of a network path goes first.
    EXPECT_EQ(Fit(unc, unc.size() - 1), "\\...\\share\\dir\\file.txt");
    EXPECT_EQ(Fit(unc, 20), "\\...\\dir\\file.txt");
    EXPECT_EQ(Fit(unc, 14), "\\...\\file.txt");
    EXPECT_EQ(Fit(unc, 12), "...\\file.txt");
    EXPECT_EQ(Fit(unc, 10), "file.txt");
    EXPECT_EQ(Fit("/home/ann/music/song.ogg", 20), "/.../music/song.ogg");
    EXPECT_EQ(Fit("/home/ann/music/song.ogg", 8), "song.ogg");
    EXPECT_EQ(Fit("plain.txt", 1), "plain.txt");
    EXPECT_EQ(FileNamePart("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(FileNamePart("/a/b.txt"), "b.txt");
}

class ReviewDialogTest : public ::testing::Test {
protected:
    THeadlessBackEnd ui;
    TdlgCDFiles dlg;

    void Fill(std::initializer_list<const char*> paths)
    {
        for (const char* p : paths)
            ASSERT_TRUE(dlg.AddUniqueFile(dlg.lbxFiles, p));
    }
    std::vector<int> Selected()
    {
        std::vector<int> out;
        for (int i = 0; i < static_cast<int>(dlg.lbxFiles.Items().size()); ++i)
            if (dlg.lbxFiles.Selected(i))
                out.push_back(i);
        return out;
    }
};

TEST_F(ReviewDialogTest, ControlsAsTheUserSeesThem)
{
    EXPECT_EQ(dlg.Caption(), "Review Files");
    EXPECT_EQ(dlg.Label1.Caption(), "The following files will be written to your CD-ROM:");
    EXPECT_FALSE(dlg.btnRemove.Enabled());
    EXPECT_TRUE(dlg.lbxFiles.MultiSelect);
    EXPECT_EQ(dlg.dlgOpenFile.Filter, "All Files|*.*");
    Fill({"C:\\Data\\Projects\\Reports\\a-rather-long-file-name-for-the-review-list.txt"});
    // The list is 424 pixels wide: 70 characters at 6 pixels.
    EXPECT_EQ(DrawnItemText(dlg.lbxFiles, 0), "C:\\...\\Reports\\a-rather-long-file-name-for-the-review-list.txt");
    ui.Script.Then([&] { UserPressEscape(dlg); });
    EXPECT_EQ(dlg.ShowModal(), mrOk); // Close is the cancel button, answering OK
}

TEST_F(ReviewDialogTest, DuplicatesInAnyLetterCaseAreRefusedByName)
{
    Fill({"C:\\Data\\Report.doc", "C:\\Data\\b.txt"});
    ui.Script.Answer(mrOk);
    EXPECT_FALSE(dlg.AddUniqueFile(dlg.lbxFiles, "c:\\DATA\\report.DOC"));
    ASSERT_EQ(ui.Script.Messages.size(), 1u);
    EXPECT_EQ(ui.Script.Messages[0].Kind, TMsgKind::Information);
    EXPECT_EQ(ui.Script.Messages[0].Text, "The file, report.DOC, is already in your file list");
    EXPECT_EQ(dlg.lbxFiles.Items(), (std::vector<std::string>{"C:\\Data\\Report.doc", "C:\\Data\\b.txt"}));
}

TEST_F(ReviewDialogTest, AddFileTakesEveryNewChoiceInOrder)
{
    Fill({"/srv/a.txt"});
    ui.Script.ChooseFiles({"/srv/c.txt", "/srv/A.TXT", "/srv/b.txt"}).Answer(mrOk, "A.TXT");
    ui.Script.Then([&] { UserClick(dlg.btnAdd); });
    ui.Script.Then([&] {
        EXPECT_EQ(ui.CurrentCursor, crDefault);
        UserClick(dlg.btnClose);
    });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(dlg.lbxFiles.Items(), (std::vector<std::string>{"/srv/a.txt", "/srv/c.txt", "/srv/b.txt"}));
    EXPECT_TRUE(ui.Script.FileDialogs.at(0).MultiSelect);

    ui.Script.ChooseFiles({}); // cancelled: nothing changes
    dlg.btnAddClick(&dlg.btnAdd);
    EXPECT_EQ(dlg.lbxFiles.Items().size(), 3u);
}

TEST_F(ReviewDialogTest, RemoveDeletesTheSelectionAndFocusesTheNextItem)
{
    Fill({"/a", "/b", "/c", "/d", "/e"});
    dlg.btnRemoveClick(&dlg.btnRemove); // nothing selected: nothing happens
    EXPECT_EQ(dlg.lbxFiles.Items().size(), 5u);

    dlg.lbxFiles.UserClickItem(1);
    EXPECT_TRUE(dlg.btnRemove.Enabled());
    dlg.lbxFiles.UserClickItem(3, true);
    dlg.btnRemoveClick(&dlg.btnRemove);
    EXPECT_EQ(dlg.lbxFiles.Items(), (std::vector<std::string>{"/a", "/c", "/e"}));
    EXPECT_EQ(dlg.lbxFiles.ItemIndex(), 2); // the focused index, now "/e"
    EXPECT_EQ(Selected(), std::vector<int>{2});

    // The last two, the last one focused: the new last item is focused and selected.
    dlg.lbxFiles.UserClickItem(1);
    dlg.lbxFiles.UserClickItem(2, true);
    dlg.btnRemoveClick(&dlg.btnRemove);
    EXPECT_EQ(dlg.lbxFiles.Items(), std::vector<std::string>{"/a"});
    EXPECT_EQ(dlg.lbxFiles.ItemIndex(), 0);
    EXPECT_EQ(Selected(), std::vector<int>{0});

    dlg.btnRemoveClick(&dlg.btnRemove);
    EXPECT_TRUE(dlg.lbxFiles.Items().empty());
    EXPECT_EQ(dlg.lbxFiles.ItemIndex(), -1);
    dlg.lbxFiles.UserClickItem(-1);
    EXPECT_FALSE(dlg.btnRemove.Enabled());
}

} // namespace
} // namespace scrivo
