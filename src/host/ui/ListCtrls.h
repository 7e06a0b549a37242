// Combo boxes and list boxes, with owner drawing through a canvas.
#pragma once
#include "Control.h"
#include <vector>

namespace scrivo {

// Where owner-drawn items are painted. Back ends measure text in their own font.
class TCanvas {
public:
    virtual ~TCanvas() = default;
    virtual void FillRect(const TRect& r) = 0;
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual int TextWidth(const std::string& text) = 0;
};

// What combo and list boxes share: the items, the current item and owner drawing.
class TItemsControl : public TControl {
public:
    using TControl::TControl;
    using TDrawItemEvent =
        std::function<void(TObject* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

    bool OwnerDraw = false;
    int ItemHeight = 13;
    TDrawItemEvent OnDrawItem;
    // The canvas an OnDrawItem handler paints on; set by the back end while it draws.
    TCanvas* Canvas = nullptr;

    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    void AddItem(const std::string& item);
    virtual void DeleteItem(int index);
    void ClearItems();
    int ItemIndex() const { return itemIndex_; }
    // Out-of-range indexes select nothing (-1).
    virtual void SetItemIndex(int index);

    // Paints item `index` on `canvas`: OnDrawItem when owner-drawn, else the item's text
    // 2 pixels right of the rectangle's left edge.
    void DrawItem(TCanvas& canvas, int index, const TRect& rect, TOwnerDrawState state);

protected:
    virtual void ItemsChanged() {}

    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

class TComboBox : public TItemsControl {
public:
    using TItemsControl::TItemsControl;
    TNotifyEvent OnChange;   // the user picked an item
    TNotifyEvent OnDropDown; // the user opens the list
    // The selected item's text (a drop-down list shows nothing else).
    std::string Text() const;
    // The user opens the list (OnDropDown) and picks `index` (OnChange).
    void UserSelect(int index);
    void UserDropDown();
    // The user picks `index` from the open list (OnChange).
    void UserPick(int index);
};

class TListBox : public TItemsControl {
public:
    using TItemsControl::TItemsControl;
    bool MultiSelect = false;
    TNotifyEvent OnMouseUp;

    bool Selected(int index) const;
    void SetSelected(int index, bool v);
    int SelCount() const;
    void DeleteSelected();
    void SetItemIndex(int index) override;
    void DeleteItem(int index) override;
    // A click of the user on `index`; `extend` adds to the selection (Ctrl-click) in a
    // multi-selection list. Ends with OnMouseUp.
    void UserClickItem(int index, bool extend = false);

protected:
    void ItemsChanged() override { selected_.resize(items_.size(), false); }

private:
    std::vector<bool> selected_;
};

} // namespace scrivo
