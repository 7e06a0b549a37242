// The modal loop of real windows: the close box asks the form, Enter and Escape reach
// the default and cancel buttons, a failing handler is reported without ending the
// form, and the file-open dialog answers what the user picked.
#include "host/ui/Dialogs.h"
#include "host/ui/Form.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/win32/Win32BackEnd.h"
// After the toolkit's headers: the system's define names the toolkit also uses.
#include "WindowDriver.h"
#include "platform/win32/WidePath.h"

#include <gtest/gtest.h>

namespace scrivo {
namespace {

using test::FindChild;
using test::TWindowDriver;

class Win32Loop : public ::testing::Test {
protected:
    Win32Loop() : form("LoopForm")
    {
        backEnd.ShowExceptionBoxes = false;
        form.SetCaption("Scrivo loop");
        form.ClientWidth = 300;
        form.ClientHeight = 120;
        name = &form.Add<TEdit>("Name");
        name->SetBounds(8, 8, 200, 20);
        ok = &form.Add<TButton>("OK");
        ok->SetCaption("OK");
        ok->Default = true;
        ok->ModalResult = mrOk;
        ok->SetBounds(130, 90, 75, 25);
        cancel = &form.Add<TButton>("Cancel");
        cancel->SetCaption("Cancel");
        cancel->Cancel = true;
        cancel->ModalResult = mrCancel;
        cancel->SetBounds(215, 90, 75, 25);
        action = &form.Add<TButton>("Action");
        action->SetCaption("Action");
        action->SetBounds(8, 90, 75, 25);
        driver.Then([this] {
            wnd = FindWindowW(L"ScrivoForm", L"Scrivo loop");
            driver.Escape = wnd;
            return wnd != nullptr;
        });
    }
    // A key pressed in the edit, through the loop as the keyboard delivers it.
    void PressKey(WPARAM key)
    {
        HWND edit = FindChild(wnd, L"Edit");
        SetFocus(edit);
        PostMessageW(edit, WM_KEYDOWN, key, 0);
        PostMessageW(edit, WM_KEYUP, key, 0xC0000000);
    }
    void Click(const wchar_t* caption) { SendMessageW(FindChild(wnd, L"Button", caption), BM_CLICK, 0, 0); }

    TWin32BackEnd backEnd;
    TForm form;
    TEdit* name;
    TButton *ok, *cancel, *action;
    TWindowDriver driver;
    HWND wnd = nullptr;
};

TEST_F(Win32Loop, TheCloseBoxAsksTheFormWhichMayRefuse)
{
    int queries = 0;
    form.OnCloseQuery = [&](TObject*, bool& canClose) { canClose = ++queries > 1; };
    bool stillShown = false;
    driver.Then([&] {
        SendMessageW(wnd, WM_CLOSE, 0, 0);
        return true;
    });
    driver.Then([&] {
        stillShown = IsWindowVisible(wnd);
        SendMessageW(wnd, WM_CLOSE, 0, 0);
        return true;
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(driver.TimedOut);
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(queries, 2);
}

TEST_F(Win32Loop, EnterAndEscapeReachTheDefaultAndCancelButtons)
{
    driver.Then([&] {
        PressKey(VK_RETURN);
        return true;
    });
    EXPECT_EQ(form.ShowModal(), mrOk);

    TWindowDriver again;
    again.Then([&] {
        wnd = FindWindowW(L"ScrivoForm", L"Scrivo loop");
        again.Escape = wnd;
        if (!wnd || !IsWindowVisible(wnd))
            return false;
        PressKey(VK_ESCAPE);
        return true;
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_FALSE(again.TimedOut);
}

TEST_F(Win32Loop, AFailingHandlerIsReportedAndTheFormStaysOpen)
{
    action->OnClick = [](TObject*) { throw std::runtime_error("The disc is full"); };
    driver.Then([&] {
        Click(L"Action");
        return true;
    });
    driver.Then([&] {
        Click(L"OK");
        return true;
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    ASSERT_EQ(backEnd.Exceptions.size(), 1u);
    EXPECT_EQ(backEnd.Exceptions[0], "The disc is full");
}

TEST_F(Win32Loop, TheOpenDialogAnswersThePickedFileOrNothingWhenCancelled)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"scrivo-pick.txt";
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    auto& open = form.Add<TOpenDialog>("Open");
    open.Title = "Add files";
    open.Filter = "All Files|*.*";
    std::vector<bool> executed;
    action->OnClick = [&](TObject*) {
        open.InitialDir = NarrowText(temp);
        executed.push_back(open.Execute());
    };
    auto dialog = [] { return FindWindowW(L"#32770", L"Add files"); };
    driver.Then([&] {
        Click(L"Action");
        return true;
    });
    driver.Then([&] {
        HWND d = dialog();
        if (!d)
            return false;
        PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    driver.Then([&] {
        if (dialog())
            return false;
        Click(L"Action");
        return true;
    });
    driver.Then([&] {
        HWND d = dialog();
        if (!d)
            return false;
        // The file name box: a combo box in the explorer-style dialog, an edit in the old one.
        HWND box = GetDlgItem(d, 0x47c);
        if (!box)
            box = GetDlgItem(d, 0x480);
        SetWindowTextW(box, path.c_str());
        PostMessageW(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    driver.Then([&] {
        if (dialog() || executed.size() < 2)
            return false;
        Click(L"OK");
        return true;
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(driver.TimedOut);
    ASSERT_EQ(executed.size(), 2u);
    EXPECT_FALSE(executed[0]);
    EXPECT_TRUE(executed[1]);
    ASSERT_EQ(open.Files.size(), 1u);
    EXPECT_EQ(WideText(open.FileName), path);
    DeleteFileW(path.c_str());
}

// An owner window that is gone (a host's destroyed window) leaves the form without a
// window of its own: ShowModal fails instead of waiting for a user who sees nothing.
TEST(Win32LoopOwner, AFormThatGetsNoWindowFailsToShow)
{
    HWND gone = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    TWin32BackEnd backEnd(gone);
    TForm form("Orphan");
    form.SetCaption("Scrivo orphan");
    EXPECT_THROW(form.ShowModal(), std::runtime_error);
}

} // namespace
} // namespace scrivo
