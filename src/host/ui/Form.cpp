#include "Form.h"
#include "Application.h"
#include "ComCtrls.h"
#include "StdCtrls.h"

namespace scrivo {

TForm::TForm(std::string name, TForm* owner) : TControl(owner, std::move(name), nullptr)
{
    TControl::SetVisible(false);
    handle_ = Application().Register(this);
}

TForm::~TForm()
{
    Application().Unregister(handle_);
    if (Visible())
        Application().BackEnd().FormHidden(*this);
    // Timers unregister in their destructors, which run with the controls.
    controls_.clear();
}

TControl* TForm::FindControl(const std::string& name) const
{
    for (const auto& c : controls_)
        if (c->Name == name)
            return c.get();
    return nullptr;
}

std::vector<TControl*> TForm::Controls() const
{
    std::vector<TControl*> out;
    for (const auto& c : controls_)
        out.push_back(c.get());
    return out;
}

void TForm::Show()
{
    if (Visible())
        return;
    TControl::SetVisible(true);
    Application().BackEnd().FormShown(*this);
    Application().Guard([&] {
        if (OnShow)
            OnShow(this);
        for (const auto& c : controls_)
            if (auto* page = dynamic_cast<TPageControl*>(c.get()); page && page->ActivePage())
                page->ActivePage()->FireShow();
    });
}

void TForm::Hide()
{
    if (!Visible())
        return;
    TControl::SetVisible(false);
    Application().BackEnd().FormHidden(*this);
    if (OnHide)
        OnHide(this);
}

TModalResult TForm::ShowModal()
{
    if (Visible() || modal_)
        throw EInvalidOperation("Cannot make a visible window modal");
    ModalResult = mrNone;
    modal_ = true;
    struct Leave {
        TForm* F;
        ~Leave()
        {
            F->modal_ = false;
            F->Hide();
        }
    } leave{this};
    Show();
    for (;;) {
        Application().BackEnd().RunUntil([&] { return ModalResult != mrNone; });
        if (CloseModal())
            break;
        ModalResult = mrNone;
    }
    return ModalResult;
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

bool TForm::TryClose()
{
    if (!CloseQuery())
        return false;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose)
        OnClose(this, action);
    lastAction_ = action;
    return action != TCloseAction::caNone;
}

bool TForm::CloseModal()
{
    bool closed = false;
    Application().Guard([&] { closed = TryClose(); });
    return closed;
}

void TForm::Close()
{
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (TryClose())
        Hide();
}

void TForm::PostMessage(uint32_t msg, intptr_t wParam, intptr_t lParam) const
{
    TMessage m;
    m.Target = handle_;
    m.Msg = msg;
    m.WParam = wParam;
    m.LParam = lParam;
    Application().BackEnd().Post(std::move(m));
}

void TForm::WndProc(const TMessage&) {}

TControl* TForm::DefaultButton() const
{
    for (const auto& c : controls_)
        if (auto* b = dynamic_cast<TButton*>(c.get()); b && b->Default && b->Showing() && b->Enabled())
            return b;
    return nullptr;
}

TControl* TForm::CancelButton() const
{
    for (const auto& c : controls_)
        if (auto* b = dynamic_cast<TButton*>(c.get()); b && b->Cancel && b->Showing() && b->Enabled())
            return b;
    return nullptr;
}

} // namespace scrivo
