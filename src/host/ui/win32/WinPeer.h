// A control's real window. The peer mirrors every change of the control into its window
// and turns the window's notifications (which reach the form's window) back into the
// control's user events.
#pragma once
#include "host/ui/Control.h"

#include "WinApi.h"

namespace scrivo {

class TFormPeer;

class TWinPeer : public TControlPeer {
public:
    TWinPeer(TControl& control, TFormPeer& form) : control_(control), form_(form) {}
    ~TWinPeer() override;

    // Creates the window as a child of the form's window, with the control's state.
    void Create(const wchar_t* className, DWORD style, DWORD exStyle = 0);
    HWND Handle() const { return hwnd_; }
    int Id() const { return id_; }
    TControl& Control() const { return control_; }

    void Changed(TControl& control, TProp what) override;

    // Notifications from the window, delivered by the form's window procedure.
    virtual void Command(WORD) {}
    virtual LRESULT Notify(NMHDR*) { return 0; }
    virtual void DrawItem(DRAWITEMSTRUCT&) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT&) {}
    virtual void Scroll() {}
    // WM_CTLCOLOR*: a brush to paint with, or nullptr for the default.
    virtual HBRUSH Colour(HDC) { return nullptr; }
    virtual bool SetCursorShape() { return false; }

    // Where the control lies in the form's client area (its bounds are its parent's).
    RECT FormRect() const;
    // Shows or hides the window as the control's Showing() says.
    void SyncVisible();

protected:
    // Pushes the control's whole state into the new window.
    virtual void Initialise() {}
    // Changes other than the common ones (caption, enabled, visible, bounds, font, hint).
    virtual void Update(TProp) {}
    // Whether the caption is the window text.
    virtual bool CaptionIsText() const { return true; }
    void SetText(const std::string& text);

    TControl& control_;
    TFormPeer& form_;
    HWND hwnd_ = nullptr;
    int id_ = 0;
    // Set while the peer itself writes to the window, so the echoed notification is not
    // taken for the user's.
    bool updating_ = false;
};

} // namespace scrivo
