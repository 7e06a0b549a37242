#include "cli/WizardConsole.h"
#include "host/ui/ComCtrls.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"

#include <gtest/gtest.h>

namespace scrivo::cli {
namespace {

// What the console prints, taken piece by piece.
class Output {
public:
    Output() : file_(open_memstream(&data_, &size_)) {}
    ~Output()
    {
        std::fclose(file_);
        std::free(data_);
    }
    FILE* File() { return file_; }
    std::string Take()
    {
        std::fflush(file_);
        std::string all(data_, size_);
        std::string news = all.substr(taken_);
        taken_ = all.size();
        return news;
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t taken_ = 0;
    FILE* file_;
};

struct Wizard : TForm {
    Wizard() : TForm("frmTest")
    {
        SetCaption("Write Files to CD");
        tab1.SetCaption("");
        Add<TButton>("btnFinish", &tab1).SetCaption("Finish");
        bar.SetMax(100);
        lblSize.SetCaption("Data Written:  0.00MB");
        close.SetCaption("Close");
        close.SetVisible(false);
        timer.SetTimerEnabled(false);
    }
    TPageControl& pages = Add<TPageControl>("pgc");
    TTabSheet& tab1 = Add<TTabSheet>("tab1", &pages);
    TTabSheet& tab2 = Add<TTabSheet>("tab2", &pages);
    TProgressBar& bar = Add<TProgressBar>("pbrWriteCD", &tab2);
    TLabel& lblSize = Add<TLabel>("lblSize", &tab2);
    TMemo& memo = Add<TMemo>("Memo2", &tab2);
    TButton& close = Add<TButton>("btnClose", &tab2);
    TTimer& timer = Add<TTimer>("Timer1");
};

class WizardConsoleTest : public ::testing::Test {
protected:
    WizardConsoleTest()
    {
        console.Clock = [this] { return now; };
        form.pages.SetActivePage(&form.tab1);
        form.Show();
    }
    THeadlessBackEnd ui;
    Output out;
    TWizardConsole console{ui, out.File()};
    Wizard form;
    uint32_t now = 5000;
};

TEST_F(WizardConsoleTest, PrintsAPageWholeThenOnlyWhatChanges)
{
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "\n== Write Files to CD ==\n[Finish]\n");
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "");

    form.memo.Add(">>> STARTING CD BURN ON drive");
    form.pages.SetActivePage(&form.tab2);
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "\n== Write Files to CD ==\npbrWriteCD: 0/100\nData Written:  0.00MB\nMemo2:\n"
                          "  | >>> STARTING CD BURN ON drive\n");
    // New memo lines at once, and only those.
    form.memo.Add(">>> Finalizing track");
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "  | >>> Finalizing track\n");
    // A button that appears is printed at once.
    form.close.SetVisible(true);
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "[Close]\n");
    // Back on page 1 and on page 2 again: the feedback printed before is not repeated.
    form.pages.SetActivePage(&form.tab1);
    console.Refresh(false);
    form.pages.SetActivePage(&form.tab2);
    form.memo.Add("second run");
    console.Refresh(false);
    std::string again = out.Take();
    EXPECT_EQ(again.find(">>> Finalizing track"), std::string::npos) << again;
    EXPECT_NE(again.find("Memo2:\n  | second run\n"), std::string::npos) << again;
}

TEST_F(WizardConsoleTest, GathersMovingBarsOnOneStatusLineAtMostOnceAnInterval)
{
    form.pages.SetActivePage(&form.tab2);
    console.Refresh(false);
    out.Take();
    form.bar.SetPosition(10);
    form.lblSize.SetCaption("Data Written: 0.50/5.00 MB");
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "pbrWriteCD: 10/100 | Data Written: 0.50/5.00 MB\n");
    // Within the interval the bar moves twice and nothing is printed...
    now += 400;
    form.bar.SetPosition(20);
    console.Refresh(false);
    now += 400;
    form.bar.SetPosition(30);
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "");
    // ...then its latest state.
    now += 200;
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "pbrWriteCD: 30/100\n");
    // A flush prints what is held at once; a bar back where it was printed is no news.
    form.bar.SetPosition(40);
    console.Refresh(false);
    form.bar.SetPosition(30);
    console.Refresh(true);
    EXPECT_EQ(out.Take(), "");
    form.bar.SetPosition(50);
    console.Refresh(true);
    EXPECT_EQ(out.Take(), "pbrWriteCD: 50/100\n");
}

TEST_F(WizardConsoleTest, DialogsOnTopAndTheFormBelowAfterThem)
{
    console.Refresh(false);
    out.Take();
    EXPECT_FALSE(console.Busy());
    form.timer.SetTimerEnabled(true);
    EXPECT_TRUE(console.Busy());
    {
        TForm dialog("dlg");
        dialog.SetCaption("Advanced options");
        TCheckBox& box = dialog.Add<TCheckBox>("cJoliet");
        box.SetCaption("Joliet File System");
        dialog.Show();
        EXPECT_EQ(console.Active(), &dialog);
        console.Refresh(false);
        EXPECT_EQ(out.Take(), "\n== Advanced options ==\n[ ] Joliet File System\n");
        box.SetChecked(true);
        console.Refresh(false);
        EXPECT_EQ(out.Take(), "[x] Joliet File System\n");
    }
    EXPECT_EQ(console.Active(), static_cast<TForm*>(&form));
    console.Refresh(false);
    EXPECT_EQ(out.Take(), "\n== Write Files to CD ==\n[Finish]\n");
    console.ShowMessage(TMsgKind::Confirmation, "Sure?\r\n\r\nReally?");
    EXPECT_EQ(out.Take(), "\n-- Confirm --\nSure?\n\nReally?\n[Yes] [No]\n");
}

} // namespace
} // namespace scrivo::cli
