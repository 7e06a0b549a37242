// The windowed back end with real windows under a display: a form with one control of
// every kind, shown modally over a host window and driven through its windows.
#include "host/ui/Application.h"
#include "host/ui/ComCtrls.h"
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/ListCtrls.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"
#include "host/ui/win32/Win32BackEnd.h"
#include "platform/Threads.h"
// After the toolkit's headers: the system's define names the toolkit also uses.
#include "WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace scrivo {
namespace {

using test::FindChild;
using test::TWindowDriver;

const wchar_t kFormClass[] = L"ScrivoForm";

// The host application's main window, which a modal form must disable.
class HostWindow {
public:
    HostWindow()
    {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    ~HostWindow() { DestroyWindow(hwnd_); }
    HWND Handle() const { return hwnd_; }

private:
    HWND hwnd_;
};

constexpr uint32_t WM_TEST_PING = WM_USER + 5;

class PingForm : public TForm {
public:
    using TForm::TForm;
    std::atomic<int> Pings{0};
    intptr_t LastParam = 0;
    bool PingOnMainThread = false;
    void WndProc(const TMessage& m) override
    {
        if (m.Msg == WM_TEST_PING) {
            ++Pings;
            LastParam = m.WParam;
            PingOnMainThread = IsMainThread();
        }
    }
};

struct Counts {
    int Checks = 0, ComboChanges = 0, DropDowns = 0, ListUps = 0, TrackChanges = 0, LinkClicks = 0, Ticks = 0;
    int ComboDraws = 0, ListDraws = 0, PageShows = 0;
    TModalResult Answer = mrNone;
};

TEST(Win32Forms, EveryControlKindIsARealWindowDrivenByTheUser)
{
    HostWindow host;
    TWin32BackEnd backEnd(host.Handle());
    backEnd.ShowExceptionBoxes = false;
    Counts n;

    PingForm form("ControlsForm");
    form.SetCaption("Scrivo controls");
    form.ClientWidth = 420;
    form.ClientHeight = 330;
    form.ShowHint = true;
    auto& title = form.Add<TLabel>("Title");
    title.SetCaption("Write files to CD");
    title.SetFont({true, 10});
    title.SetBounds(8, 8, 300, 18);
    auto& verify = form.Add<TCheckBox>("Verify");
    verify.SetCaption("Verify the disc");
    verify.SetHint("Reads every file back after writing");
    verify.SetBounds(8, 32, 200, 18);
    verify.OnClick = [&](TObject*) { ++n.Checks; };
    auto& drives = form.Add<TComboBox>("Drives");
    drives.OwnerDraw = true;
    drives.SetBounds(8, 56, 250, 20);
    drives.SetItems({"D: first drive"});
    drives.OnDropDown = [&](TObject*) {
        ++n.DropDowns;
        if (drives.Items().size() == 1)
            drives.AddItem("E: second drive");
    };
    drives.OnChange = [&](TObject*) { ++n.ComboChanges; };
    drives.OnDrawItem = [&](TObject*, int index, const TRect& r, TOwnerDrawState) {
        ++n.ComboDraws;
        drives.Canvas->FillRect(r);
        drives.Canvas->TextOut(r.Left + 20, r.Top, drives.Items()[index]);
    };
    auto& label = form.Add<TEdit>("VolumeLabel");
    label.SetBounds(270, 56, 140, 20);
    label.MaxLength = 16;
    auto& files = form.Add<TListBox>("Files");
    files.OwnerDraw = true;
    files.MultiSelect = true;
    files.SetBounds(8, 84, 200, 70);
    files.SetItems({"a.txt", "b.txt", "c.txt"});
    files.OnMouseUp = [&](TObject*) { ++n.ListUps; };
    files.OnDrawItem = [&](TObject*, int index, const TRect& r, TOwnerDrawState) {
        ++n.ListDraws;
        files.Canvas->FillRect(r);
        files.Canvas->TextOut(r.Left + 2, r.Top, files.Items()[index]);
    };
    auto& log = form.Add<TMemo>("Log");
    log.VerticalScrollBar = true;
    log.SetBounds(216, 84, 194, 70);
    auto& progress = form.Add<TProgressBar>("Progress");
    progress.SetBounds(8, 160, 402, 16);
    progress.SetPosition(40);
    auto& speed = form.Add<TTrackBar>("Speed");
    speed.SetMax(10);
    speed.SetBounds(8, 180, 200, 30);
    speed.OnChange = [&](TObject*) { ++n.TrackChanges; };
    auto& pages = form.Add<TPageControl>("Pages");
    pages.SetBounds(216, 180, 194, 90);
    auto& page1 = form.Add<TTabSheet>("Page1", &pages);
    page1.SetCaption("General");
    auto& page2 = form.Add<TTabSheet>("Page2", &pages);
    page2.SetCaption("Advanced");
    page2.OnShow = [&](TObject*) { ++n.PageShows; };
    auto& onPage1 = form.Add<TButton>("OnPage1", &page1);
    onPage1.SetCaption("First page");
    onPage1.SetBounds(8, 8, 100, 23);
    auto& onPage2 = form.Add<TButton>("OnPage2", &page2);
    onPage2.SetCaption("Second page");
    onPage2.SetBounds(8, 8, 100, 23);
    auto& link = form.Add<TLinkLabel>("Web");
    link.SetCaption("Visit the web site");
    link.SetHint("Opens the browser");
    link.SetBounds(8, 220, 150, 16);
    link.OnClick = [&](TObject*) { ++n.LinkClicks; };
    auto& ask = form.Add<TButton>("Ask");
    ask.SetCaption("Ask...");
    ask.SetBounds(8, 296, 75, 25);
    ask.OnClick = [&](TObject*) { n.Answer = Confirm("Write the disc now?"); };
    auto& ok = form.Add<TButton>("OK");
    ok.SetCaption("OK");
    ok.Default = true;
    ok.ModalResult = mrOk;
    ok.SetBounds(254, 296, 75, 25);
    auto& cancel = form.Add<TButton>("Cancel");
    cancel.SetCaption("Cancel");
    cancel.Cancel = true;
    cancel.ModalResult = mrCancel;
    cancel.SetBounds(335, 296, 75, 25);
    auto& ticker = form.Add<TTimer>("Ticker");
    ticker.SetInterval(5);
    ticker.OnTimer = [&](TObject*) {
        if (++n.Ticks == 3)
            ticker.SetTimerEnabled(false);
    };

    // Another thread reports while the form is up: a posted message, a Synchronize call
    // and a memo line.
    std::atomic<bool> syncOnMain{false};
    std::thread worker;
    form.OnShow = [&](TObject*) {
        worker = std::thread([&] {
            form.PostMessage(WM_TEST_PING, 42);
            RunOnMainThread([&] { syncOnMain = IsMainThread(); });
            log.Add("Läuft");
        });
    };

    HWND formWnd = nullptr;
    bool hostDisabled = false, boxOwnedByForm = false, shot = false, page2Shown = false, page1Hidden = false;
    int progressPos = -1, tools = -1;
    TWindowDriver driver;
    driver.Then([&] {
        formWnd = FindWindowW(kFormClass, L"Scrivo controls");
        driver.Escape = formWnd;
        hostDisabled = formWnd && !IsWindowEnabled(host.Handle());
        return formWnd != nullptr;
    });
    driver.Then([&] {
        SendMessageW(FindChild(formWnd, L"Button", L"Verify the disc"), BM_CLICK, 0, 0);
        return true;
    });
    driver.Then([&] {
        HWND combo = FindChild(formWnd, L"ComboBox");
        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageW(combo, CB_SETCURSEL, 1, 0);
        SendMessageW(formWnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
        return true;
    });
    driver.Then([&] {
        SendMessageW(FindChild(formWnd, L"Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Backup \u00fc"));
        return true;
    });
    driver.Then([&] {
        HWND list = FindChild(formWnd, L"ListBox");
        SendMessageW(list, LB_SETSEL, TRUE, 0);
        SendMessageW(list, LB_SETSEL, TRUE, 2);
        SendMessageW(formWnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        return true;
    });
    driver.Then([&] {
        HWND track = FindChild(formWnd, TRACKBAR_CLASSW);
        SendMessageW(track, TBM_SETPOS, TRUE, 7);
        SendMessageW(formWnd, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(track));
        progressPos = static_cast<int>(SendMessageW(FindChild(formWnd, PROGRESS_CLASSW), PBM_GETPOS, 0, 0));
        return true;
    });
    driver.Then([&] {
        HWND tabs = FindChild(formWnd, WC_TABCONTROLW);
        RECT r{};
        SendMessageW(tabs, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
        test::MouseClick(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        page2Shown = IsWindowVisible(FindChild(formWnd, L"Button", L"Second page"));
        page1Hidden = !IsWindowVisible(FindChild(formWnd, L"Button", L"First page"));
        return true;
    });
    driver.Then([&] {
        test::MouseClick(FindChild(formWnd, L"Static", L"Visit the web site"), 3, 3);
        return true;
    });
    driver.Then([&] {
        for (HWND h = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); h;
             h = FindWindowExW(nullptr, h, TOOLTIPS_CLASSW, nullptr))
            if (GetWindow(h, GW_OWNER) == formWnd)
                tools = static_cast<int>(SendMessageW(h, TTM_GETTOOLCOUNT, 0, 0));
        shot = test::SaveScreenshot(formWnd, test::ArtifactPath(L"win32-form-controls.bmp"));
        return true;
    });
    driver.Then([&] {
        SendMessageW(FindChild(formWnd, L"Button", L"Ask..."), BM_CLICK, 0, 0); // returns once answered
        return true;
    });
    driver.Then([&] {
        HWND box = FindWindowW(L"#32770", L"Confirm");
        if (!box)
            return false;
        boxOwnedByForm = GetWindow(box, GW_OWNER) == formWnd;
        PostMessageW(box, WM_COMMAND, IDYES, 0);
        return true;
    });
    driver.Then([&] {
        if (n.Answer == mrNone || n.Ticks < 3 || log.Lines().empty())
            return false;
        SendMessageW(FindChild(formWnd, L"Button", L"OK"), BM_CLICK, 0, 0);
        return true;
    });

    TModalResult result = form.ShowModal();
    worker.join();

    EXPECT_FALSE(driver.TimedOut);
    EXPECT_EQ(result, mrOk);
    EXPECT_TRUE(hostDisabled);
    EXPECT_TRUE(IsWindowEnabled(host.Handle())) << "the host stays disabled after the modal form";
    EXPECT_FALSE(IsWindowVisible(formWnd));
    EXPECT_TRUE(verify.Checked());
    EXPECT_EQ(n.Checks, 1);
    EXPECT_EQ(n.DropDowns, 1);
    EXPECT_EQ(drives.ItemIndex(), 1);
    EXPECT_EQ(drives.Text(), "E: second drive");
    EXPECT_GE(n.ComboChanges, 1);
    EXPECT_GT(n.ComboDraws, 0);
    EXPECT_EQ(label.Text(), "Backup \xC3\xBC");
    EXPECT_EQ(files.SelCount(), 2);
    EXPECT_TRUE(files.Selected(0) && files.Selected(2));
    EXPECT_EQ(n.ListUps, 1);
    EXPECT_GT(n.ListDraws, 0);
    EXPECT_EQ(speed.Position(), 7);
    EXPECT_EQ(n.TrackChanges, 1);
    EXPECT_EQ(progressPos, 40);
    EXPECT_EQ(pages.ActivePageIndex(), 1);
    EXPECT_EQ(n.PageShows, 1);
    EXPECT_TRUE(page2Shown);
    EXPECT_TRUE(page1Hidden);
    EXPECT_EQ(n.LinkClicks, 1);
    EXPECT_EQ(tools, 2);
    EXPECT_TRUE(shot);
    EXPECT_TRUE(boxOwnedByForm);
    EXPECT_EQ(n.Answer, mrYes);
    EXPECT_EQ(n.Ticks, 3);
    EXPECT_EQ(form.Pings, 1);
    EXPECT_EQ(form.LastParam, 42);
    EXPECT_TRUE(form.PingOnMainThread);
    EXPECT_TRUE(syncOnMain);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "L\xC3\xA4uft");
    EXPECT_TRUE(backEnd.Exceptions.empty());
}

} // namespace
} // namespace scrivo
