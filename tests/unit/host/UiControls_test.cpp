// Control state and events as the wizard relies on them.
#include "host/ui/ComCtrls.h"
#include "host/ui/Form.h"
#include "host/ui/ListCtrls.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/headless/HeadlessBackEnd.h"
#include "host/ui/headless/UserActions.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

TEST(UiControlsTest, PagesShowOnlyTheActivePageAndFireOnShowWhenSeen)
{
    THeadlessBackEnd ui;
    TForm form("frmCDMain");
    TPageControl& pgc = form.Add<TPageControl>("pgcCD");
    TTabSheet& tab1 = form.Add<TTabSheet>("tab1", &pgc);
    TTabSheet& tab2 = form.Add<TTabSheet>("tab2", &pgc);
    TButton& close = form.Add<TButton>("btnClose", &tab2);
    std::vector<std::string> shown;
    tab1.OnShow = [&](TObject*) { shown.push_back("tab1"); };
    tab2.OnShow = [&](TObject*) { shown.push_back("tab2"); };
    EXPECT_EQ(pgc.ActivePage(), &tab1);
    pgc.SetActivePage(&tab2); // the form is hidden: nobody sees the page
    pgc.SetActivePage(&tab1);
    EXPECT_TRUE(shown.empty());
    form.Show();
    EXPECT_EQ(shown, std::vector<std::string>{"tab1"});
    EXPECT_FALSE(close.Showing());
    EXPECT_THROW(UserClick(close), EScriptError);
    pgc.SetActivePage(&tab2);
    EXPECT_EQ(shown, (std::vector<std::string>{"tab1", "tab2"}));
    EXPECT_TRUE(close.Showing());
    EXPECT_EQ(pgc.ActivePageIndex(), 1);
    EXPECT_THROW(form.Add<TTabSheet>("stray"), EInvalidOperation);
}

TEST(UiControlsTest, CheckBoxEditAndTrackBarRunTheirEventsOnChangesOnly)
{
    THeadlessBackEnd ui;
    TForm form("dlg");
    form.Show();
    TCheckBox& c = form.Add<TCheckBox>("cJoliet");
    int clicks = 0;
    c.OnClick = [&](TObject*) { ++clicks; };
    c.SetChecked(true);
    c.SetChecked(true);
    UserSetChecked(c, false);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(c.Checked());

    TEdit& e = form.Add<TEdit>("eVolLabel");
    e.MaxLength = 16;
    int changes = 0;
    e.OnChange = [&](TObject*) { ++changes; };
    e.SetText("A label longer than sixteen"); // code may set more than a user may type
    EXPECT_EQ(e.Text(), "A label longer than sixteen");
    e.UserType("\xC3\x84" "bcdefghijklmnopqrstu");
    EXPECT_EQ(e.Text(), "\xC3\x84" "bcdefghijklmnop");
    EXPECT_EQ(changes, 2);

    TTrackBar& bar = form.Add<TTrackBar>("sCacheSize");
    std::vector<int> seen;
    bar.OnChange = [&](TObject*) { seen.push_back(bar.Position()); };
    bar.SetMin(2);
    bar.SetMax(64);
    bar.SetPosition(1);
    bar.SetPosition(100);
    bar.SetPosition(100);
    bar.SetMax(32);
    EXPECT_EQ(seen, (std::vector<int>{2, 64, 32}));
}

TEST(UiControlsTest, ProgressBarKeepsItsPositionInRange)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    TProgressBar& p = form.Add<TProgressBar>("pHBuf");
    p.SetPosition(150);
    EXPECT_EQ(p.Position(), 100);
    p.SetMax(1048576);
    p.SetPosition(524288);
    EXPECT_EQ(p.Position(), 524288);
    p.SetMax(0);
    EXPECT_EQ(p.Position(), 0);
}

TEST(UiControlsTest, ComboBoxSelectionAndOwnerDrawnText)
{
    THeadlessBackEnd ui;
    TForm form("frm");
    form.Show();
    TComboBox& cb = form.Add<TComboBox>("cbDrives");
    cb.SetItems({"1:0:0,E: VIRTUAL RECORDER 1.0", "no comma"});
    EXPECT_EQ(cb.ItemIndex(), -1);
    EXPECT_EQ(cb.Text(), "");
    cb.OwnerDraw = true;
    cb.OnDrawItem = [&](TObject*, int index, const TRect& r, TOwnerDrawState) {
        const std::string& item = cb.Items()[index];
        size_t comma = item.find(',');
        cb.Canvas->FillRect(r);
        cb.Canvas->TextOut(r.Left + 2, r.Top, comma == std::string::npos ? item : item.substr(comma + 1));
    };
    EXPECT_EQ(DrawnItemText(cb, 0), "E: VIRTUAL RECORDER 1.0");
    EXPECT_EQ(DrawnItemText(cb, 1), "no comma");
    cb.OwnerDraw = false;
    EXPECT_EQ(DrawnItemText(cb, 0), "1:0:0,E: VIRTUAL RECORDER 1.0");

    std::vector<std::string> events;
    cb.OnDropDown = [&](TObject*) { events.push_back("drop"); };
    cb.OnChange = [&](TObject*) { events.push_back("change " + cb.Text()); };
    cb.SetItemIndex(5);
    EXPECT_EQ(cb.ItemIndex(), -1);
    cb.SetItemIndex(0); // by code: no event
    UserSelect(cb, "no");
    UserSelect(cb, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"drop", "change no comma", "drop",
                                                "change 1:0:0,E: VIRTUAL RECORDER 1.0"}));
    EXPECT_THROW(UserSelect(cb, "16X"), EScriptError);
    cb.OwnerDraw = true;
    cb.SetItemIndex(1);
    UserSelect(cb, "E: VIRTUAL"); // as the list shows it
    EXPECT_EQ(cb.ItemIndex(), 0);
}

TEST(UiControlsTest, MultiSelectListBoxDeletesItsSelection)
{
    THeadlessBackEnd ui;
    TForm form("dlgCDFiles");
    form.Show();
    TListBox& lbx = form.Add<TListBox>("lbxFiles");
    lbx.MultiSelect = true;
    lbx.SetItems({"a", "b", "c", "d"});
    int mouseUps = 0;
    lbx.OnMouseUp = [&](TObject*) { ++mouseUps; };
    lbx.UserClickItem(3);
    lbx.UserClickItem(2, true);
    EXPECT_EQ(lbx.SelCount(), 2);
    EXPECT_EQ(lbx.ItemIndex(), 2);
    lbx.DeleteSelected();
    EXPECT_EQ(lbx.Items(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(lbx.SelCount(), 0);
    EXPECT_EQ(lbx.ItemIndex(), -1);
    lbx.SetSelected(0, true);
    lbx.DeleteItem(1);
    EXPECT_TRUE(lbx.Selected(0));
    lbx.AddItem("e");
    EXPECT_FALSE(lbx.Selected(1));
    EXPECT_EQ(mouseUps, 2);
}

TEST(UiControlsTest, PeersHearOfEveryChange)
{
    struct TRecordingPeer : TControlPeer {
        std::vector<TProp>* Seen;
        void Changed(TControl&, TProp what) override { Seen->push_back(what); }
    };
    THeadlessBackEnd ui;
    TForm form("frm");
    TLabel& l = form.Add<TLabel>("lblSize");
    std::vector<TProp> seen;
    auto peer = std::make_unique<TRecordingPeer>();
    peer->Seen = &seen;
    l.Peer = std::move(peer);
    l.SetCaption("Data Written:  0.00MB");
    l.SetCaption("Data Written:  0.00MB");
    l.SetEnabled(false);
    l.SetHint("h");
    EXPECT_EQ(seen, (std::vector<TProp>{TProp::Caption, TProp::Enabled, TProp::Hint}));
}

} // namespace
} // namespace scrivo
