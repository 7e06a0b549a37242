#include "Control.h"
#include "Form.h"

namespace scrivo {

TControl::TControl(TForm* owner, std::string name, TControl* parent)
    : Name(std::move(name)), owner_(owner), parent_(parent)
{
}

TControl::~TControl() = default;

void TControl::SetFont(const TFont& f)
{
    font_ = f;
    Notify(TProp::Font);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    bounds_ = TRect{left, top, left + width, top + height};
    Notify(TProp::Bounds);
}

bool TControl::Showing() const
{
    if (!visible_)
        return false;
    if (parent_)
        return parent_->Showing();
    return owner_ == nullptr || owner_->Showing();
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

} // namespace scrivo
