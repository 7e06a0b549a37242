#include "StdCtrls.h"
#include "Application.h"
#include "Form.h"
#include "platform/Threads.h"

namespace scrivo {

void TButton::Click()
{
    if (ModalResult != mrNone && Owner())
        Owner()->ModalResult = ModalResult;
    TControl::Click();
}

void TCheckBox::SetChecked(bool v)
{
    if (v == checked_)
        return;
    checked_ = v;
    Notify(TProp::State);
    TControl::Click();
}

void TEdit::SetText(const std::string& v)
{
    if (v == text_)
        return;
    text_ = v;
    Notify(TProp::Text);
    if (OnChange)
        OnChange(this);
}

size_t CharCount(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

void TEdit::UserType(const std::string& v)
{
    if (MaxLength <= 0 || CharCount(v) <= static_cast<size_t>(MaxLength)) {
        SetText(v);
        return;
    }
    size_t chars = 0, i = 0;
    for (; i < v.size(); ++i) {
        if ((static_cast<unsigned char>(v[i]) & 0xC0) != 0x80 && chars++ == static_cast<size_t>(MaxLength))
            break;
    }
    SetText(v.substr(0, i));
}

void TMemo::Add(const std::string& line)
{
    if (!IsMainThread()) {
        Application().PostCall(Owner() ? Owner()->Handle() : 0, [this, line] { Add(line); });
        return;
    }
    lines_.push_back(line);
    Notify(TProp::Items);
}

void TMemo::Clear()
{
    lines_.clear();
    Notify(TProp::Items);
}

} // namespace scrivo
