// Owner-drawn combo and list boxes: the window keeps the item texts, the control paints
// each item through a canvas on the window's device context.
#include "FormPeer.h"
#include "PeerKinds.h"
#include "platform/win32/WidePath.h"
#include "host/ui/ListCtrls.h"

namespace scrivo {

namespace {

class TDcCanvas : public TCanvas {
public:
    TDcCanvas(HDC dc, bool selected) : dc_(dc), selected_(selected)
    {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    }
    void FillRect(const TRect& r) override
    {
        RECT rc{r.Left, r.Top, r.Right, r.Bottom};
        ::FillRect(dc_, &rc, GetSysColorBrush(selected_ ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    }
    void TextOut(int x, int y, const std::string& text) override
    {
        std::wstring w = WideText(text);
        ::TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
    }
    int TextWidth(const std::string& text) override
    {
        std::wstring w = WideText(text);
        SIZE s{};
        GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &s);
        return s.cx;
    }

private:
    HDC dc_;
    bool selected_;
};

// What combo and list boxes share: the item texts in the window and the drawing.
class TItemsPeer : public TWinPeer {
public:
    TItemsPeer(TItemsControl& items, TFormPeer& form, UINT add, UINT reset, UINT setCurSel)
        : TWinPeer(items, form), items_(items), add_(add), reset_(reset), setCurSel_(setCurSel)
    {
    }
    void MeasureItem(MEASUREITEMSTRUCT& m) override { m.itemHeight = static_cast<UINT>(items_.ItemHeight); }
    void DrawItem(DRAWITEMSTRUCT& d) override
    {
        if (d.itemID == static_cast<UINT>(-1))
            return;
        TOwnerDrawState state = 0;
        if (d.itemState & ODS_SELECTED)
            state |= odSelected;
        if (d.itemState & ODS_FOCUS)
            state |= odFocused;
        if (d.itemState & ODS_DISABLED)
            state |= odDisabled;
        if (d.itemState & ODS_COMBOBOXEDIT)
            state |= odComboBoxEdit;
        TDcCanvas canvas(d.hDC, d.itemState & ODS_SELECTED);
        TRect r{d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom};
        canvas.FillRect(r);
        items_.DrawItem(canvas, static_cast<int>(d.itemID), r, state);
        if (d.itemState & ODS_FOCUS)
            DrawFocusRect(d.hDC, &d.rcItem);
    }

protected:
    bool CaptionIsText() const override { return false; }
    void Initialise() override
    {
        Update(TProp::Items);
    }
    void Update(TProp what) override
    {
        if (what == TProp::Items) {
            SendMessageW(hwnd_, reset_, 0, 0);
            for (const auto& item : items_.Items())
                SendMessageW(hwnd_, add_, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
            SelectionChanged();
        } else if (what == TProp::Selection) {
            SelectionChanged();
        }
    }
    virtual void SelectionChanged() { SendMessageW(hwnd_, setCurSel_, static_cast<WPARAM>(items_.ItemIndex()), 0); }

    TItemsControl& items_;

private:
    UINT add_, reset_, setCurSel_;
};

class TComboPeer : public TItemsPeer {
public:
    TComboPeer(TComboBox& combo, TFormPeer& form)
        : TItemsPeer(combo, form, CB_ADDSTRING, CB_RESETCONTENT, CB_SETCURSEL), combo_(combo)
    {
        // The height includes the list that drops down.
        Create(L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
        RECT r = FormRect();
        MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top + 8 * combo.ItemHeight, FALSE);
    }
    void Command(WORD code) override
    {
        if (code == CBN_DROPDOWN)
            combo_.UserDropDown();
        else if (code == CBN_SELCHANGE)
            combo_.UserPick(static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)));
    }

private:
    TComboBox& combo_;
};

class TListPeer : public TItemsPeer {
public:
    TListPeer(TListBox& list, TFormPeer& form)
        : TItemsPeer(list, form, LB_ADDSTRING, LB_RESETCONTENT, LB_SETCURSEL), list_(list)
    {
        Create(L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                               LBS_NOINTEGRALHEIGHT | (list.MultiSelect ? LBS_EXTENDEDSEL : 0),
               WS_EX_CLIENTEDGE);
    }
    // The user changed the selection (mouse or keys): the control takes it over, then
    // hears of it as of a click.
    void Command(WORD code) override
    {
        if (code != LBN_SELCHANGE || updating_)
            return;
        updating_ = true;
        int n = static_cast<int>(list_.Items().size());
        if (list_.MultiSelect) {
            // Read whole first: each change the control takes is echoed to the window.
            std::vector<bool> selected(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                selected[i] = SendMessageW(hwnd_, LB_GETSEL, i, 0) > 0;
            int caret = static_cast<int>(SendMessageW(hwnd_, LB_GETCARETINDEX, 0, 0));
            for (int i = 0; i < n; ++i)
                list_.SetSelected(i, selected[i]);
            list_.SetItemIndex(caret);
        } else {
            list_.SetItemIndex(static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)));
        }
        updating_ = false;
        if (list_.OnMouseUp)
            list_.OnMouseUp(&list_);
    }

protected:
    void SelectionChanged() override
    {
        if (!list_.MultiSelect) {
            TItemsPeer::SelectionChanged();
            return;
        }
        int n = static_cast<int>(list_.Items().size());
        for (int i = 0; i < n; ++i)
            SendMessageW(hwnd_, LB_SETSEL, list_.Selected(i), i);
    }

private:
    TListBox& list_;
};

} // namespace

std::unique_ptr<TWinPeer> MakeListPeer(TControl& c, TFormPeer& form)
{
    if (auto* x = dynamic_cast<TComboBox*>(&c))
        return std::make_unique<TComboPeer>(*x, form);
    if (auto* x = dynamic_cast<TListBox*>(&c))
        return std::make_unique<TListPeer>(*x, form);
    return nullptr;
}

} // namespace scrivo
