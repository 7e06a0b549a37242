// Windows of labels, link labels, buttons, check boxes, edits and memos.
#include "FormPeer.h"
#include "PeerKinds.h"
#include "platform/win32/WidePath.h"
#include "host/ui/StdCtrls.h"

namespace scrivo {

namespace {

class TLabelPeer : public TWinPeer {
public:
    TLabelPeer(TLabel& label, TFormPeer& form) : TWinPeer(label, form)
    {
        DWORD align = label.Alignment == TAlignment::taRightJustify ? SS_RIGHT
                      : label.Alignment == TAlignment::taCenter     ? SS_CENTER
                                                                    : SS_LEFT;
        Create(L"STATIC", align | SS_NOPREFIX);
    }
};

// A static in the link colour, underlined, with the hand cursor; a click is OnClick.
class TLinkPeer : public TWinPeer {
public:
    TLinkPeer(TLinkLabel& link, TFormPeer& form) : TWinPeer(link, form)
    {
        Create(L"STATIC", SS_NOTIFY | SS_NOPREFIX);
        LOGFONTW lf{};
        GetObjectW(form.FontFor(link.Font()), sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        font_ = CreateFontIndirectW(&lf);
        SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    ~TLinkPeer() override { DeleteObject(font_); }
    void Command(WORD code) override
    {
        if (code == STN_CLICKED)
            control_.Click();
    }
    HBRUSH Colour(HDC dc) override
    {
        SetTextColor(dc, RGB(0, 0, 255));
        SetBkMode(dc, TRANSPARENT);
        return GetSysColorBrush(COLOR_BTNFACE);
    }
    bool SetCursorShape() override
    {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return true;
    }

private:
    HFONT font_ = nullptr;
};

class TButtonPeer : public TWinPeer {
public:
    TButtonPeer(TButton& button, TFormPeer& form) : TWinPeer(button, form)
    {
        Create(L"BUTTON", WS_TABSTOP | (button.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
    }
    void Command(WORD code) override
    {
        if (code == BN_CLICKED)
            control_.Click();
    }
};

// Not an automatic check box: the control toggles itself and the peer shows its state.
class TCheckBoxPeer : public TWinPeer {
public:
    TCheckBoxPeer(TCheckBox& box, TFormPeer& form) : TWinPeer(box, form), box_(box)
    {
        Create(L"BUTTON", WS_TABSTOP | BS_CHECKBOX);
    }
    void Command(WORD code) override
    {
        if (code == BN_CLICKED)
            control_.Click();
    }

protected:
    void Initialise() override { Update(TProp::State); }
    void Update(TProp what) override
    {
        if (what == TProp::State)
            SendMessageW(hwnd_, BM_SETCHECK, box_.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }

private:
    TCheckBox& box_;
};

std::string WindowText(HWND h)
{
    int n = GetWindowTextLengthW(h);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(h, w.data(), n + 1);
    return NarrowText(w.c_str());
}

class TEditPeer : public TWinPeer {
public:
    TEditPeer(TEdit& edit, TFormPeer& form) : TWinPeer(edit, form), edit_(edit)
    {
        Create(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    }
    void Command(WORD code) override
    {
        if (code == EN_CHANGE && !updating_)
            edit_.SetText(WindowText(hwnd_));
    }

protected:
    bool CaptionIsText() const override { return false; }
    void Initialise() override
    {
        SendMessageW(hwnd_, EM_LIMITTEXT, edit_.MaxLength > 0 ? edit_.MaxLength : 0, 0);
        Update(TProp::Text);
    }
    void Update(TProp what) override
    {
        if (what == TProp::Text && WindowText(hwnd_) != edit_.Text())
            SetText(edit_.Text());
    }

private:
    TEdit& edit_;
};

class TMemoPeer : public TWinPeer {
public:
    TMemoPeer(TMemo& memo, TFormPeer& form) : TWinPeer(memo, form), memo_(memo)
    {
        Create(L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | (memo.VerticalScrollBar ? WS_VSCROLL : 0),
               WS_EX_CLIENTEDGE);
    }

protected:
    bool CaptionIsText() const override { return false; }
    void Initialise() override { Update(TProp::Items); }
    void Update(TProp what) override
    {
        if (what != TProp::Items)
            return;
        std::string all;
        for (const auto& line : memo_.Lines())
            all += (all.empty() ? "" : "\r\n") + line;
        SetText(all);
        // The newest line in view.
        SendMessageW(hwnd_, EM_LINESCROLL, 0, static_cast<LPARAM>(memo_.Lines().size()));
    }

private:
    TMemo& memo_;
};

} // namespace

std::unique_ptr<TWinPeer> MakeStdPeer(TControl& c, TFormPeer& form)
{
    if (auto* x = dynamic_cast<TButton*>(&c))
        return std::make_unique<TButtonPeer>(*x, form);
    if (auto* x = dynamic_cast<TCheckBox*>(&c))
        return std::make_unique<TCheckBoxPeer>(*x, form);
    if (auto* x = dynamic_cast<TLabel*>(&c))
        return std::make_unique<TLabelPeer>(*x, form);
    if (auto* x = dynamic_cast<TLinkLabel*>(&c))
        return std::make_unique<TLinkPeer>(*x, form);
    if (auto* x = dynamic_cast<TEdit*>(&c))
        return std::make_unique<TEditPeer>(*x, form);
    if (auto* x = dynamic_cast<TMemo*>(&c))
        return std::make_unique<TMemoPeer>(*x, form);
    return nullptr;
}

} // namespace scrivo
