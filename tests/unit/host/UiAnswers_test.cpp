// Answer lines drive a small two-page wizard: clicks by caption, check boxes, combo
// items, message boxes, file dialogs, and an answer that waits for a worker thread's message.
#include "host/ui/ComCtrls.h"
#include "host/ui/Dialogs.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/headless/Answers.h"

#include <gtest/gtest.h>
#include <thread>

namespace scrivo {
namespace {

constexpr uint32_t WM_DONE = WM_USER + 1002;

class TToyWizard : public TForm {
public:
    TToyWizard() : TForm("frmCDMain")
    {
        btnClose.SetCaption("Close");
        btnClose.ModalResult = mrYes;
        btnClose.SetVisible(false);
        btnFinish.SetCaption("Finish");
        btnAdvanced.SetCaption("&Advanced...");
        chkClearCD.SetCaption("Erase CD before writing (Only works with CD-RW disks)");
        cbSpeed.OnDropDown = [this](TObject*) { cbSpeed.SetItems({"Max", "24X (4,234 KB/s)", "16X (2,822 KB/s)"}); };
        btnAdvanced.OnClick = [this](TObject*) {
            TForm dlg("dlgCDSettings", this);
            TButton& ok = dlg.Add<TButton>("Button1");
            ok.SetCaption("OK");
            ok.ModalResult = mrOk;
            TOpenDialog& open = dlg.Add<TOpenDialog>("dlgOpenFile");
            open.AllowMultiSelect = true;
            TButton& add = dlg.Add<TButton>("btnAdd");
            add.SetCaption("Add File");
            add.OnClick = [&](TObject*) {
                if (open.Execute())
                    Added = open.Files;
            };
            AdvancedResult = dlg.ShowModal();
        };
        btnFinish.OnClick = [this](TObject*) {
            if (Confirm("Are you sure you want to continue?") != mrYes)
                return;
            pgcCD.SetActivePage(&tab2);
            worker_ = std::thread([this] { PostMessage(WM_DONE); });
        };
    }
    ~TToyWizard() override
    {
        if (worker_.joinable())
            worker_.join();
    }
    void WndProc(const TMessage& m) override
    {
        if (m.Msg == WM_DONE) {
            ShowInformation("Your disk is now ready.");
            btnClose.SetVisible(true);
        }
    }

    TPageControl& pgcCD = Add<TPageControl>("pgcCD");
    TTabSheet& tab1 = Add<TTabSheet>("tab1", &pgcCD);
    TTabSheet& tab2 = Add<TTabSheet>("tab2", &pgcCD);
    TButton& btnFinish = Add<TButton>("btnFinish", &tab1);
    TButton& btnAdvanced = Add<TButton>("btnAdvanced", &tab1);
    TCheckBox& chkClearCD = Add<TCheckBox>("chkClearCD", &tab1);
    TComboBox& cbSpeed = Add<TComboBox>("cbSpeed", &tab1);
    TButton& btnClose = Add<TButton>("btnClose", &tab2);
    TModalResult AdvancedResult = mrNone;
    std::vector<std::string> Added;

private:
    std::thread worker_;
};

TEST(UiAnswersTest, ALineAStepAndAnAnswerWaitsForItsMessageFromAWorker)
{
    THeadlessBackEnd ui;
    TToyWizard wizard;
    TAnswers answers(ui, {"# a comment", "Erase on", "Speed 16X", "Advanced", "Add File", "Files /a/x.txt|/b/y.txt",
                          "OK", "", "Finish", "Yes", "OK", "Close"});
    EXPECT_EQ(wizard.ShowModal(), mrYes);
    EXPECT_TRUE(wizard.chkClearCD.Checked());
    EXPECT_EQ(wizard.cbSpeed.Text(), "16X (2,822 KB/s)");
    EXPECT_EQ(wizard.AdvancedResult, mrOk);
    EXPECT_EQ(wizard.Added, (std::vector<std::string>{"/a/x.txt", "/b/y.txt"}));
    EXPECT_EQ(answers.Remaining(), 0u);
    ASSERT_EQ(ui.Script.Messages.size(), 2u);
    EXPECT_EQ(ui.Script.Messages[1].Text, "Your disk is now ready.");
}

TEST(UiAnswersTest, WrongOrMissingAnswersStopTheRunWithTheReason)
{
    {
        THeadlessBackEnd ui;
        TToyWizard wizard;
        TAnswers answers(ui, {"Finish", "OK"});
        try {
            wizard.ShowModal();
            FAIL();
        } catch (const EScriptError& e) {
            EXPECT_NE(std::string(e.what()).find("\"OK\" does not answer"), std::string::npos) << e.what();
        }
    }
    {
        THeadlessBackEnd ui;
        TToyWizard wizard;
        TAnswers answers(ui, {"Burn it"});
        EXPECT_THROW(wizard.ShowModal(), EScriptError);
    }
    {
        THeadlessBackEnd ui;
        ui.StallTimeoutMs = 1;
        TToyWizard wizard;
        TAnswers answers(ui, {"Close"}); // never shown: the run would wait forever
        try {
            wizard.ShowModal();
            FAIL();
        } catch (const EUiAbort& e) {
            EXPECT_NE(std::string(e.what()).find("\"Close\""), std::string::npos) << e.what();
        }
    }
}

TEST(UiAnswersTest, CloseBoxAndCancelledFileDialog)
{
    THeadlessBackEnd ui;
    TToyWizard wizard;
    TAnswers answers(ui, {"Advanced", "Add File", "Cancel", "CloseBox", "closebox"});
    EXPECT_EQ(wizard.ShowModal(), mrCancel);
    EXPECT_EQ(wizard.AdvancedResult, mrCancel);
    EXPECT_TRUE(wizard.Added.empty());
    ASSERT_EQ(ui.Script.FileDialogs.size(), 1u);
    EXPECT_TRUE(ui.Script.FileDialogs[0].Files.empty());
}

} // namespace
} // namespace scrivo
