#include "FormPeer.h"
#include "PeerKinds.h"
#include "Win32BackEnd.h"
#include "platform/win32/WidePath.h"
#include "host/ui/Application.h"
#include "host/ui/ComCtrls.h"

#include <commctrl.h>

#include <stdexcept>

namespace scrivo {

namespace {

const wchar_t kFormClass[] = L"ScrivoForm";

bool formClassRegistered = false;

void RegisterFormClass()
{
    if (formClassRegistered)
        return;
    formClassRegistered = true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.lpfnWndProc = TFormPeer::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassW(&wc);
}

} // namespace

void UnregisterFormClass()
{
    if (formClassRegistered)
        UnregisterClassW(kFormClass, GetModuleHandleW(nullptr));
    formClassRegistered = false;
}

TFormPeer::TFormPeer(TForm& form, HWND ownerWindow) : form_(form)
{
    RegisterFormClass();
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_POPUP;
    RECT r{0, 0, form.ClientWidth ? form.ClientWidth : form.Width(), form.ClientHeight ? form.ClientHeight : form.Height()};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    int w = r.right - r.left, h = r.bottom - r.top;
    // Centred over the owner, or the screen.
    RECT area;
    if (!ownerWindow || !GetWindowRect(ownerWindow, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kFormClass, WideText(form.Caption()).c_str(), style,
                            x < 0 ? 0 : x, y < 0 ? 0 : y, w, h, ownerWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
    // Without its window a modal form would wait for ever for a user who cannot see it.
    if (!hwnd_)
        throw std::runtime_error("The window of \"" + form.Caption() + "\" could not be created");
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TFormPeer::~TFormPeer()
{
    // The controls' peers went first (the form destroys its controls before itself).
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    for (auto& [key, font] : fonts_)
        DeleteObject(font);
    for (auto& [pages, brush] : pageBrushes_)
        DeleteObject(brush);
}

void TFormPeer::CreateControls()
{
    for (TControl* c : form_.Controls()) {
        if (c->Peer)
            continue;
        std::unique_ptr<TWinPeer> p = MakeStdPeer(*c, *this);
        if (!p)
            p = MakeListPeer(*c, *this);
        if (!p)
            p = MakeComPeer(*c, *this);
        c->Peer = std::move(p); // timers, dialogs and pages have no window of their own
    }
    // Tab controls lie below the controls of their pages, or they paint over them.
    for (TControl* c : form_.Controls())
        if (auto* p = dynamic_cast<TWinPeer*>(c->Peer.get()); p && dynamic_cast<TPageControl*>(c))
            SetWindowPos(p->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TFormPeer::SyncAllVisible()
{
    for (auto& [id, peer] : peers_)
        peer->SyncVisible();
}

HFONT TFormPeer::FontFor(const TFont& font)
{
    auto key = std::make_pair(font.Bold, font.Size);
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second;
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(font.Size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    HFONT f = CreateFontW(height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");
    fonts_[key] = f;
    return f;
}

void TFormPeer::UpdateHint(TWinPeer& peer)
{
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V1_SIZE;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(peer.Handle());
    SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (!form_.ShowHint || peer.Control().Hint().empty())
        return;
    std::wstring text = WideText(peer.Control().Hint());
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void TFormPeer::Changed(TControl&, TProp what)
{
    if (what == TProp::Caption)
        SetWindowTextW(hwnd_, WideText(form_.Caption()).c_str());
    else if (what == TProp::Enabled)
        EnableWindow(hwnd_, form_.Enabled());
}

TWinPeer* TFormPeer::PeerById(int id) const
{
    auto it = peers_.find(id);
    return it == peers_.end() ? nullptr : it->second;
}

TWinPeer* TFormPeer::PeerByWindow(HWND h) const
{
    return h && GetParent(h) == hwnd_ ? PeerById(GetDlgCtrlID(h)) : nullptr;
}

namespace {

// The colour a tab control paints its page area with, read from a copy of its painting:
// the theme decides it, and no system colour says what it is.
bool PageColour(HWND tabs, COLORREF& colour)
{
    RECT r;
    GetClientRect(tabs, &r);
    RECT page = r;
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
    if (page.right - page.left < 4 || page.bottom - page.top < 4)
        return false;
    HDC screen = GetDC(tabs);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    SendMessageW(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    colour = GetPixel(dc, (page.left + page.right) / 2, (page.top + page.bottom) / 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(tabs, screen);
    return colour != CLR_INVALID;
}

bool HasClass(HWND h, const wchar_t* name)
{
    wchar_t cls[16] = {};
    GetClassNameW(h, cls, 16);
    return lstrcmpiW(cls, name) == 0;
}

} // namespace

HBRUSH TFormPeer::PageBackground(const TWinPeer& peer, HDC dc)
{
    // Labels and check boxes only: a read-only edit keeps the look of a field.
    if (!HasClass(peer.Handle(), L"Static") && !HasClass(peer.Handle(), L"Button"))
        return nullptr;
    TWinPeer* pages = nullptr;
    for (TControl* c = peer.Control().Parent(); c && !pages; c = c->Parent())
        if (dynamic_cast<TPageControl*>(c))
            pages = dynamic_cast<TWinPeer*>(c->Peer.get());
    if (!pages)
        return nullptr;
    HBRUSH& brush = pageBrushes_[pages->Handle()];
    COLORREF colour;
    if (!brush && PageColour(pages->Handle(), colour))
        brush = CreateSolidBrush(colour);
    if (!brush)
        return nullptr;
    LOGBRUSH lb{};
    GetObjectW(brush, sizeof lb, &lb);
    SetBkColor(dc, lb.lbColor);
    return brush;
}

void TFormPeer::ClickButton(TControl* button)
{
    if (button)
        TWin32BackEnd::FromWindow([button] { button->Click(); });
}

LRESULT CALLBACK TFormPeer::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = reinterpret_cast<TFormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT TFormPeer::Handle(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND: {
        WORD id = LOWORD(wp);
        if (!lp && id == IDOK) {
            ClickButton(form_.DefaultButton());
            return 0;
        }
        if (!lp && id == IDCANCEL) {
            TControl* b = form_.CancelButton();
            if (b)
                ClickButton(b);
            else
                TWin32BackEnd::FromWindow([this] { form_.Close(); });
            return 0;
        }
        if (TWinPeer* p = PeerById(id)) {
            WORD code = HIWORD(wp);
            TWin32BackEnd::FromWindow([p, code] { p->Command(code); });
        }
        return 0;
    }
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        LRESULT r = 0;
        if (TWinPeer* p = PeerById(static_cast<int>(nm->idFrom)))
            TWin32BackEnd::FromWindow([&] { r = p->Notify(nm); });
        return r;
    }
    case WM_DRAWITEM:
        if (TWinPeer* p = PeerById(static_cast<int>(wp))) {
            TWin32BackEnd::FromWindow([&] { p->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp)); });
            return TRUE;
        }
        break;
    case WM_MEASUREITEM:
        if (TWinPeer* p = PeerById(static_cast<int>(wp))) {
            p->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
            return TRUE;
        }
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TWinPeer* p = PeerByWindow(reinterpret_cast<HWND>(lp)))
            TWin32BackEnd::FromWindow([p] { p->Scroll(); });
        return 0;
    case WM_CTLCOLORSTATIC:
        if (TWinPeer* p = PeerByWindow(reinterpret_cast<HWND>(lp))) {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            HBRUSH own = p->Colour(dc); // may change the text's colour and mode
            if (HBRUSH page = PageBackground(*p, dc))
                return reinterpret_cast<LRESULT>(page);
            if (own)
                return reinterpret_cast<LRESULT>(own);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_SETCURSOR:
        if (Application().Cursor() == crHourGlass) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        if (TWinPeer* p = PeerByWindow(reinterpret_cast<HWND>(wp)); p && p->SetCursorShape())
            return TRUE;
        break;
    case WM_CLOSE:
        // The close box: the form decides (a modal one ends with Cancel).
        TWin32BackEnd::FromWindow([this] { form_.Close(); });
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

} // namespace scrivo
