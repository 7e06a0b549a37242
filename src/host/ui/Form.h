// A form: a window holding controls, shown modelessly or modally. ShowModal runs a
// nested message loop until ModalResult is set (by a button with a modal result, by
// Close, or by code) and the form agrees to close.
#pragma once
#include "Control.h"
#include <vector>

namespace scrivo {

class TForm : public TControl {
public:
    explicit TForm(std::string name, TForm* owner = nullptr);
    ~TForm() override;

    TModalResult ModalResult = mrNone;
    bool ShowHint = false;
    int ClientWidth = 0;
    int ClientHeight = 0;

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;
    std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;

    // Creates a control owned by this form, placed on `parent` (a page, say) or the form.
    template <class T, class... Args>
    T& Add(std::string name, TControl* parent = nullptr, Args&&... args)
    {
        auto c = std::make_unique<T>(this, std::move(name), parent ? parent : this, std::forward<Args>(args)...);
        T& ref = *c;
        controls_.push_back(std::move(c));
        return ref;
    }
    // The control named `name` (this form's own controls), nullptr when there is none.
    TControl* FindControl(const std::string& name) const;
    std::vector<TControl*> Controls() const;
    TForm* OwnerForm() const { return Owner(); }

    bool Showing() const override { return Visible(); }
    void Show();
    void Hide();
    void SetVisible(bool v) override { v ? Show() : Hide(); }
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    // Asks the form to close: a modal form ends its loop with "Cancel"; a modeless one
    // closes when OnCloseQuery agrees. The close box of the window does this.
    void Close();
    bool CloseQuery();
    // What the last OnClose decided; caFree asks the owner to destroy the form.
    TCloseAction LastCloseAction() const { return lastAction_; }

    uint32_t Handle() const { return handle_; }
    // Posts a message to this form's WndProc; callable from any thread.
    void PostMessage(uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0) const;
    // Handles the private messages the form posts itself.
    virtual void WndProc(const TMessage& message);

    // The buttons that Enter and Escape click.
    TControl* DefaultButton() const;
    TControl* CancelButton() const;

private:
    // The modal loop ended: OnCloseQuery and OnClose may keep the form open.
    bool CloseModal();
    // OnCloseQuery, then OnClose; true when the form is to close.
    bool TryClose();

    std::vector<std::unique_ptr<TControl>> controls_;
    uint32_t handle_;
    bool modal_ = false;
    TCloseAction lastAction_ = TCloseAction::caHide;
};

} // namespace scrivo
