#include "ComCtrls.h"
#include "Application.h"

#include <algorithm>

namespace scrivo {

void TRangeControl::Clamp()
{
    int p = std::clamp(position_, min_, std::max(min_, max_));
    if (p != position_) {
        position_ = p;
        PositionChanged();
    }
}

void TRangeControl::SetMin(int v)
{
    min_ = v;
    Notify(TProp::Range);
    Clamp();
}

void TRangeControl::SetMax(int v)
{
    max_ = v;
    Notify(TProp::Range);
    Clamp();
}

void TRangeControl::SetPosition(int v)
{
    v = std::clamp(v, min_, std::max(min_, max_));
    if (v == position_)
        return;
    position_ = v;
    Notify(TProp::State);
    PositionChanged();
}

void TTrackBar::PositionChanged()
{
    if (OnChange)
        OnChange(this);
}

TTabSheet::TTabSheet(TForm* owner, std::string name, TControl* parent)
    : TControl(owner, std::move(name), parent), pages_(dynamic_cast<TPageControl*>(parent))
{
    if (!pages_)
        throw EInvalidOperation("Tab sheet " + Name + " needs a page control as its parent");
    pages_->pages_.push_back(this);
    if (!pages_->active_)
        pages_->active_ = this;
}

bool TTabSheet::Showing() const { return pages_->ActivePage() == this && TControl::Showing(); }

void TTabSheet::FireShow()
{
    if (OnShow)
        OnShow(this);
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page == active_ || (page && page->PageControl() != this))
        return;
    TTabSheet* old = active_;
    active_ = page;
    Notify(TProp::Page);
    if (old && old->OnHide)
        old->OnHide(old);
    if (page && page->Showing())
        page->FireShow();
}

int TPageControl::ActivePageIndex() const
{
    auto it = std::find(pages_.begin(), pages_.end(), active_);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

} // namespace scrivo
