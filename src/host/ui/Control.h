// The base of every control: plain state that the wizard code reads and writes, plus an
// optional back-end peer (a real window on Windows) told of every change.
#pragma once
#include "UiTypes.h"
#include <memory>

namespace scrivo {

class TForm;

// What changed, so a peer updates only that.
enum class TProp { Caption, Hint, Enabled, Visible, Bounds, Font, State, Items, Selection, Text, Range, Page };

class TControl;
class TControlPeer {
public:
    virtual ~TControlPeer() = default;
    virtual void Changed(TControl& control, TProp what) = 0;
};

struct TFont {
    bool Bold = false;
    int Size = 8;
};

class TControl : public TObject {
public:
    TControl(TForm* owner, std::string name, TControl* parent);
    ~TControl() override;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::string Name;
    TForm* Owner() const { return owner_; }
    TControl* Parent() const { return parent_; }
    int Tag = 0;
    TNotifyEvent OnClick;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { Set(caption_, v, TProp::Caption); }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& v) { Set(hint_, v, TProp::Hint); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { Set(enabled_, v, TProp::Enabled); }
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v) { Set(visible_, v, TProp::Visible); }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& f);

    const TRect& BoundsRect() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    int Left() const { return bounds_.Left; }
    int Top() const { return bounds_.Top; }
    int Width() const { return bounds_.Width(); }
    int Height() const { return bounds_.Height(); }

    // Visible itself and every parent up to a visible form: what a user could see.
    virtual bool Showing() const;
    // The click of the user (or a script): OnClick.
    virtual void Click();

    std::unique_ptr<TControlPeer> Peer;

protected:
    template <class T>
    void Set(T& field, const T& value, TProp what)
    {
        if (field == value)
            return;
        field = value;
        Notify(what);
    }
    void Notify(TProp what)
    {
        if (Peer)
            Peer->Changed(*this, what);
    }

private:
    TForm* owner_;
    TControl* parent_;
    std::string caption_, hint_;
    bool enabled_ = true, visible_ = true;
    TFont font_;
    TRect bounds_;
};

} // namespace scrivo
