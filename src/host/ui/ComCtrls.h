// Progress bars, track bars and the page control with its pages.
#pragma once
#include "Control.h"
#include <vector>

namespace scrivo {

// A range with a position kept inside it, as the system's bars keep theirs.
class TRangeControl : public TControl {
public:
    using TControl::TControl;
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int v);
    void SetMax(int v);
    void SetPosition(int v);

protected:
    virtual void PositionChanged() {}

private:
    void Clamp();
    int min_ = 0, max_ = 100, position_ = 0;
};

class TProgressBar : public TRangeControl {
public:
    using TRangeControl::TRangeControl;
};

class TTrackBar : public TRangeControl {
public:
    using TRangeControl::TRangeControl;
    int Frequency = 1; // a tick every Frequency steps
    // Runs on every change of the position, whoever made it.
    TNotifyEvent OnChange;

protected:
    void PositionChanged() override;
};

class TPageControl;

class TTabSheet : public TControl {
public:
    TTabSheet(TForm* owner, std::string name, TControl* parent);
    bool TabVisible = true;
    TNotifyEvent OnShow; // the page becomes the visible one
    TNotifyEvent OnHide;
    bool Showing() const override;
    void FireShow();
    TPageControl* PageControl() const { return pages_; }

private:
    TPageControl* pages_;
};

class TPageControl : public TControl {
public:
    using TControl::TControl;
    const std::vector<TTabSheet*>& Pages() const { return pages_; }
    TTabSheet* ActivePage() const { return active_; }
    // Hides the old page (OnHide) and shows the new one (OnShow, when the form is shown).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;

private:
    friend class TTabSheet;
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
};

} // namespace scrivo
