#include "WizardWindows.h"

namespace scrivo::e2e {

namespace {

struct ChildSearch {
    const wchar_t* ClassName;
    const wchar_t* Text;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchChild(HWND h, LPARAM lp)
{
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    wchar_t cls[64];
    GetClassNameW(h, cls, 64);
    if (!IsWindowVisible(h) || lstrcmpiW(cls, s->ClassName) != 0)
        return TRUE;
    if (s->Text && WindowText(h) != s->Text)
        return TRUE;
    s->Found = h;
    return FALSE;
}

struct BoxSearch {
    HWND Owner;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchBox(HWND h, LPARAM lp)
{
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    wchar_t cls[16];
    GetClassNameW(h, cls, 16);
    if (IsWindowVisible(h) && lstrcmpW(cls, L"#32770") == 0 && GetWindow(h, GW_OWNER) == s->Owner) {
        s->Found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND h, LPARAM lp)
{
    wchar_t cls[16];
    GetClassNameW(h, cls, 16);
    auto* longest = reinterpret_cast<std::wstring*>(lp);
    std::wstring t = WindowText(h);
    if (lstrcmpiW(cls, L"Static") == 0 && t.size() > longest->size())
        *longest = t;
    return TRUE;
}

} // namespace

std::wstring WindowText(HWND window)
{
    int n = GetWindowTextLengthW(window);
    std::wstring t(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, t.data(), n + 1);
    t.resize(static_cast<size_t>(n));
    return t;
}

HWND FindForm(const wchar_t* caption)
{
    HWND h = FindWindowW(L"ScrivoForm", caption);
    return h && IsWindowVisible(h) ? h : nullptr;
}

HWND VisibleChild(HWND form, const wchar_t* className, const wchar_t* text)
{
    ChildSearch s{className, text};
    if (form)
        EnumChildWindows(form, MatchChild, reinterpret_cast<LPARAM>(&s));
    return s.Found;
}

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

void SelectItem(HWND combo, int index)
{
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

std::wstring ItemText(HWND combo, int index)
{
    LRESULT n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n < 0)
        return L"";
    std::wstring t(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(t.data()));
    t.resize(static_cast<size_t>(n));
    return t;
}

HWND FindMessageBox(HWND owner)
{
    BoxSearch s{owner};
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
    return s.Found;
}

std::wstring MessageBoxText(HWND box)
{
    std::wstring longest;
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

void Answer(HWND box, int command) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0); }

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace scrivo::e2e
