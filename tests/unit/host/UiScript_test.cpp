// The script that plays the user: message box answers, file dialogs, and its refusals.
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(UiScriptTest, MessageBoxesAreAnsweredInOrderAndRecorded)
{
    THeadlessBackEnd ui;
    ui.Script.Answer(mrOk).Answer(mrYes, "writable").Answer(mrNo).Answer(mrOk);
    ShowInformation("Your disk is now ready.");
    EXPECT_EQ(Confirm("does not appear to be writable."), mrYes);
    EXPECT_EQ(Confirm("Are you sure?"), mrNo);
    ShowError("Error Sending Mail!");
    ASSERT_EQ(ui.Script.Messages.size(), 4u);
    EXPECT_EQ(ui.Script.Messages[0].Kind, TMsgKind::Information);
    EXPECT_EQ(ui.Script.Messages[0].Text, "Your disk is now ready.");
    EXPECT_EQ(ui.Script.Messages[2].Answer, mrNo);
    EXPECT_EQ(ui.Script.Messages[3].Kind, TMsgKind::Error);
}

TEST(UiScriptTest, UnexpectedOrUnanswerableMessagesStopTheRun)
{
    THeadlessBackEnd ui;
    EXPECT_THROW(ShowInformation("nobody answers"), EScriptError);
    ui.Script.Answer(mrOk, "ready");
    EXPECT_THROW(ShowInformation("Drive E: does not have write capability."), EScriptError);
    ui.Script.Answer(mrOk);
    EXPECT_THROW(Confirm("Yes or No only"), EScriptError);
    ui.Script.Answer(mrYes);
    EXPECT_THROW(ShowError("OK only"), EScriptError);
    ui.Script.AskMessageBox = [](TMsgKind kind, const std::string&) {
        return kind == TMsgKind::Confirmation ? mrYes : mrOk;
    };
    EXPECT_EQ(Confirm("asked"), mrYes);
}

TEST(UiScriptTest, AScriptErrorInsideAHandlerEndsTheModalLoop)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TButton& b = form.Add<TButton>("btnFinish");
    b.OnClick = [](TObject*) { ShowInformation("unanswered"); };
    ui.Script.Then([&] { UserClick(b); });
    EXPECT_THROW(form.ShowModal(), EScriptError);
    EXPECT_FALSE(form.Visible());
}

TEST(UiScriptTest, FileDialogsTakeTheQueuedChoiceOrCancel)
{
    THeadlessBackEnd ui;
    TForm form("dlg");
    TOpenDialog& dlg = form.Add<TOpenDialog>("dlgOpenFile");
    dlg.Filter = "All Files|*.*";
    dlg.AllowMultiSelect = true;
    ui.Script.ChooseFiles({"/a/one.txt", "/a/two.txt"}).ChooseFiles({});
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Files, (std::vector<std::string>{"/a/one.txt", "/a/two.txt"}));
    EXPECT_EQ(dlg.FileName, "/a/one.txt");
    EXPECT_FALSE(dlg.Execute());
    EXPECT_TRUE(dlg.Files.empty());
    ASSERT_EQ(ui.Script.FileDialogs.size(), 2u);
    EXPECT_EQ(ui.Script.FileDialogs[0].Filter, "All Files|*.*");
    EXPECT_THROW(dlg.Execute(), EScriptError);
    dlg.AllowMultiSelect = false;
    ui.Script.ChooseFiles({"x", "y"});
    ASSERT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Files.size(), 1u);
}

TEST(UiScriptTest, TheUserCannotUseHiddenOrDisabledControls)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TButton& b = form.Add<TButton>("btnClose");
    int clicks = 0;
    b.OnClick = [&](TObject*) { ++clicks; };
    EXPECT_THROW(UserClick(b), EScriptError); // the form is not shown
    form.Show();
    b.SetVisible(false);
    EXPECT_THROW(UserClick(b), EScriptError);
    b.SetVisible(true);
    b.SetEnabled(false);
    EXPECT_THROW(UserClick(b), EScriptError);
    b.SetEnabled(true);
    UserClick(form, "btnClose");
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(UserClick(form, "btnMissing"), EScriptError);
}

TEST(UiScriptTest, EnterAndEscapeClickTheDefaultAndCancelButtons)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TButton& finish = form.Add<TButton>("btnFinish");
    finish.Default = true;
    TButton& cancel = form.Add<TButton>("btnCancel3");
    cancel.Cancel = true;
    cancel.ModalResult = mrCancel;
    bool finished = false;
    finish.OnClick = [&](TObject*) { finished = true; };
    ui.Script.Then([&] { UserPressEnter(form); }).Then([&] { UserPressEscape(form); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_TRUE(finished);
}

TEST(UiScriptTest, BusyCursorIsRestoredAndBeepsCount)
{
    THeadlessBackEnd ui;
    {
        TBusyCursor busy;
        EXPECT_EQ(ui.CurrentCursor, crHourGlass);
        {
            TBusyCursor nested;
        }
        EXPECT_EQ(ui.CurrentCursor, crHourGlass);
    }
    EXPECT_EQ(ui.CurrentCursor, crDefault);
    Beep();
    Beep();
    EXPECT_EQ(ui.Beeps, 2);
}

} // namespace
} // namespace scrivo
