#include "ListCtrls.h"

namespace scrivo {

void TItemsControl::SetItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    itemIndex_ = -1;
    ItemsChanged();
    Notify(TProp::Items);
}

void TItemsControl::AddItem(const std::string& item)
{
    items_.push_back(item);
    ItemsChanged();
    Notify(TProp::Items);
}

void TItemsControl::ClearItems() { SetItems({}); }

void TItemsControl::SetItemIndex(int index)
{
    if (index < 0 || index >= static_cast<int>(items_.size()))
        index = -1;
    Set(itemIndex_, index, TProp::Selection);
}

void TItemsControl::DrawItem(TCanvas& canvas, int index, const TRect& rect, TOwnerDrawState state)
{
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return;
    if (OwnerDraw && OnDrawItem) {
        TCanvas* old = Canvas;
        Canvas = &canvas;
        try {
            OnDrawItem(this, index, rect, state);
        } catch (...) {
            Canvas = old;
            throw;
        }
        Canvas = old;
        return;
    }
    canvas.FillRect(rect);
    canvas.TextOut(rect.Left + 2, rect.Top, items_[index]);
}

std::string TComboBox::Text() const { return itemIndex_ >= 0 ? items_[itemIndex_] : std::string(); }

void TComboBox::UserDropDown()
{
    if (OnDropDown)
        OnDropDown(this);
}

void TComboBox::UserSelect(int index)
{
    UserDropDown();
    UserPick(index);
}

void TComboBox::UserPick(int index)
{
    SetItemIndex(index);
    if (OnChange)
        OnChange(this);
}

bool TListBox::Selected(int index) const
{
    return index >= 0 && index < static_cast<int>(selected_.size()) && selected_[index];
}

void TListBox::SetSelected(int index, bool v)
{
    if (index < 0 || index >= static_cast<int>(selected_.size()) || selected_[index] == v)
        return;
    if (v && !MultiSelect)
        selected_.assign(selected_.size(), false);
    selected_[index] = v;
    Notify(TProp::Selection);
}

int TListBox::SelCount() const
{
    int n = 0;
    for (bool s : selected_)
        n += s;
    return n;
}

void TListBox::SetItemIndex(int index)
{
    TItemsControl::SetItemIndex(index);
    // A single-selection list selects its current item; a multi-selection one keeps the
    // selection and only moves the focus.
    if (!MultiSelect) {
        selected_.assign(selected_.size(), false);
        if (itemIndex_ >= 0)
            selected_[itemIndex_] = true;
    }
}

void TItemsControl::DeleteItem(int index)
{
    if (index < 0 || index >= static_cast<int>(items_.size()))
        return;
    items_.erase(items_.begin() + index);
    if (itemIndex_ >= static_cast<int>(items_.size()) || itemIndex_ == index)
        itemIndex_ = -1;
    else if (itemIndex_ > index)
        --itemIndex_;
    ItemsChanged();
    Notify(TProp::Items);
}

void TListBox::DeleteSelected()
{
    for (int i = static_cast<int>(items_.size()) - 1; i >= 0; --i)
        if (selected_[i])
            DeleteItem(i);
}

void TListBox::DeleteItem(int index)
{
    if (index >= 0 && index < static_cast<int>(selected_.size()))
        selected_.erase(selected_.begin() + index);
    TItemsControl::DeleteItem(index);
}

void TListBox::UserClickItem(int index, bool extend)
{
    if (!(MultiSelect && extend))
        selected_.assign(selected_.size(), false);
    if (index >= 0 && index < static_cast<int>(items_.size())) {
        selected_[index] = MultiSelect && extend ? !selected_[index] : true;
        itemIndex_ = index;
    }
    Notify(TProp::Selection);
    if (OnMouseUp)
        OnMouseUp(this);
}

} // namespace scrivo
