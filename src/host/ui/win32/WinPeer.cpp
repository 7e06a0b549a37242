#include "WinPeer.h"
#include "FormPeer.h"
#include "platform/win32/WidePath.h"
#include "host/ui/ComCtrls.h"

#include <commctrl.h>

namespace scrivo {

TWinPeer::~TWinPeer()
{
    if (hwnd_) {
        form_.Unregister(*this);
        DestroyWindow(hwnd_);
    }
}

void TWinPeer::Create(const wchar_t* className, DWORD style, DWORD exStyle)
{
    id_ = form_.NextId();
    // Registered first: some controls ask for their item height while being created.
    form_.Register(*this);
    RECT r = FormRect();
    std::wstring text = CaptionIsText() ? WideText(control_.Caption()) : std::wstring();
    hwnd_ = CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, form_.Handle(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.Font())), FALSE);
    EnableWindow(hwnd_, control_.Enabled());
    updating_ = true;
    Initialise();
    updating_ = false;
    form_.UpdateHint(*this);
    SyncVisible();
}

RECT TWinPeer::FormRect() const
{
    TRect b = control_.BoundsRect();
    RECT r{b.Left, b.Top, b.Right, b.Bottom};
    for (TControl* p = control_.Parent(); p && p != control_.Owner(); p = p->Parent()) {
        OffsetRect(&r, p->Left(), p->Top());
        // A page's origin is its page control's display area, below the tabs.
        if (auto* sheet = dynamic_cast<TTabSheet*>(p)) {
            auto* pages = dynamic_cast<TWinPeer*>(sheet->PageControl()->Peer.get());
            if (pages && pages->Handle()) {
                RECT area{0, 0, sheet->PageControl()->Width(), sheet->PageControl()->Height()};
                TabCtrl_AdjustRect(pages->Handle(), FALSE, &area);
                OffsetRect(&r, area.left, area.top);
            }
        }
    }
    return r;
}

void TWinPeer::SyncVisible()
{
    if (hwnd_)
        ShowWindow(hwnd_, control_.Showing() ? SW_SHOWNA : SW_HIDE);
}

void TWinPeer::SetText(const std::string& text) { SetWindowTextW(hwnd_, WideText(text).c_str()); }

void TWinPeer::Changed(TControl&, TProp what)
{
    if (!hwnd_)
        return;
    updating_ = true;
    switch (what) {
    case TProp::Caption:
        if (CaptionIsText())
            SetText(control_.Caption());
        else
            Update(what);
        break;
    case TProp::Enabled: EnableWindow(hwnd_, control_.Enabled()); break;
    case TProp::Visible: form_.SyncAllVisible(); break;
    case TProp::Bounds: {
        RECT r = FormRect();
        MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        break;
    }
    case TProp::Font:
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.FontFor(control_.Font())), TRUE);
        break;
    case TProp::Hint: form_.UpdateHint(*this); break;
    default: Update(what); break;
    }
    updating_ = false;
}

} // namespace scrivo
