// Windows of progress bars, track bars and page controls (a tab control whose pages are
// groups of controls shown and hidden with the active tab).
#include "FormPeer.h"
#include "PeerKinds.h"
#include "host/ui/ComCtrls.h"
#include "platform/win32/WidePath.h"

#include <commctrl.h>

namespace scrivo {

namespace {

class TRangePeer : public TWinPeer {
public:
    TRangePeer(TRangeControl& range, TFormPeer& form, UINT setMin, UINT setMax, UINT setPos)
        : TWinPeer(range, form), range_(range), setMin_(setMin), setMax_(setMax), setPos_(setPos)
    {
    }

protected:
    bool CaptionIsText() const override { return false; }
    void Initialise() override
    {
        Update(TProp::Range);
        Update(TProp::State);
    }
    void Update(TProp what) override
    {
        if (what == TProp::Range) {
            SendMessageW(hwnd_, setMin_, FALSE, range_.Min());
            SendMessageW(hwnd_, setMax_, TRUE, range_.Max());
        }
        if (what == TProp::Range || what == TProp::State)
            SendMessageW(hwnd_, setPos_, TRUE, range_.Position());
    }

    TRangeControl& range_;

private:
    UINT setMin_, setMax_, setPos_;
};

class TProgressPeer : public TRangePeer {
public:
    TProgressPeer(TProgressBar& bar, TFormPeer& form) : TRangePeer(bar, form, 0, 0, PBM_SETPOS)
    {
        Create(PROGRESS_CLASSW, 0);
    }

protected:
    void Update(TProp what) override
    {
        if (what == TProp::Range)
            SendMessageW(hwnd_, PBM_SETRANGE32, range_.Min(), range_.Max());
        if (what == TProp::Range || what == TProp::State)
            SendMessageW(hwnd_, PBM_SETPOS, range_.Position(), 0);
    }
};

class TTrackPeer : public TRangePeer {
public:
    TTrackPeer(TTrackBar& bar, TFormPeer& form)
        : TRangePeer(bar, form, TBM_SETRANGEMIN, TBM_SETRANGEMAX, TBM_SETPOS), bar_(bar)
    {
        Create(TRACKBAR_CLASSW, WS_TABSTOP | TBS_AUTOTICKS | TBS_HORZ);
        SendMessageW(hwnd_, TBM_SETTICFREQ, bar.Frequency, 0);
    }
    void Scroll() override
    {
        if (!updating_)
            bar_.SetPosition(static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)));
    }

private:
    TTrackBar& bar_;
};

class TPagesPeer : public TWinPeer {
public:
    TPagesPeer(TPageControl& pages, TFormPeer& form) : TWinPeer(pages, form), pages_(pages)
    {
        Create(WC_TABCONTROLW, WS_TABSTOP);
    }
    LRESULT Notify(NMHDR* nm) override
    {
        if (nm->code == TCN_SELCHANGE && !updating_) {
            int tab = static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
            if (tab >= 0 && tab < static_cast<int>(shown_.size()))
                pages_.SetActivePage(shown_[tab]);
        }
        return 0;
    }

protected:
    bool CaptionIsText() const override { return false; }
    void Initialise() override { Update(TProp::Items); }
    void Update(TProp what) override
    {
        if (what == TProp::Items) {
            // One tab per visible page, captioned as the page.
            SendMessageW(hwnd_, TCM_DELETEALLITEMS, 0, 0);
            shown_.clear();
            for (TTabSheet* page : pages_.Pages()) {
                if (!page->TabVisible)
                    continue;
                std::wstring text = WideText(page->Caption());
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = text.data();
                SendMessageW(hwnd_, TCM_INSERTITEMW, shown_.size(), reinterpret_cast<LPARAM>(&item));
                shown_.push_back(page);
            }
        }
        if (what == TProp::Items || what == TProp::Page) {
            int tab = -1;
            for (size_t i = 0; i < shown_.size(); ++i)
                if (shown_[i] == pages_.ActivePage())
                    tab = static_cast<int>(i);
            SendMessageW(hwnd_, TCM_SETCURSEL, tab, 0);
            form_.SyncAllVisible();
        }
    }

private:
    TPageControl& pages_;
    std::vector<TTabSheet*> shown_;
};

} // namespace

std::unique_ptr<TWinPeer> MakeComPeer(TControl& c, TFormPeer& form)
{
    if (auto* x = dynamic_cast<TProgressBar*>(&c))
        return std::make_unique<TProgressPeer>(*x, form);
    if (auto* x = dynamic_cast<TTrackBar*>(&c))
        return std::make_unique<TTrackPeer>(*x, form);
    if (auto* x = dynamic_cast<TPageControl*>(&c))
        return std::make_unique<TPagesPeer>(*x, form);
    return nullptr;
}

} // namespace scrivo
