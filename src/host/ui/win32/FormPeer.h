// A form's top-level window: it owns the windows of the form's controls, routes their
// notifications to their peers, keeps the tooltips of their hints and turns the close
// box, Enter and Escape into the form's Close and default/cancel buttons.
#pragma once
#include "WinPeer.h"
#include "host/ui/Form.h"

#include <map>

namespace scrivo {

class TFormPeer : public TControlPeer {
public:
    TFormPeer(TForm& form, HWND ownerWindow);
    ~TFormPeer() override;

    HWND Handle() const { return hwnd_; }
    TForm& Form() const { return form_; }
    // Gives every control without a window one.
    void CreateControls();
    int NextId() { return nextId_++; }
    void Register(TWinPeer& peer) { peers_[peer.Id()] = &peer; }
    void Unregister(TWinPeer& peer) { peers_.erase(peer.Id()); }
    // Keeps the tooltip of `peer`'s hint in step with it.
    void UpdateHint(TWinPeer& peer);
    // Page switches show and hide whole groups of controls.
    void SyncAllVisible();
    HFONT FontFor(const TFont& font);

    void Changed(TControl& control, TProp what) override;

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    TWinPeer* PeerById(int id) const;
    TWinPeer* PeerByWindow(HWND h) const;
    void ClickButton(TControl* button);
    // WM_CTLCOLORSTATIC of a label or check box lying on a page: its background is the
    // page's own (a themed page is not the form's grey), or nullptr when it is on none.
    HBRUSH PageBackground(const TWinPeer& peer, HDC dc);

    TForm& form_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    int nextId_ = 100; // below are IDOK, IDCANCEL and the other dialog answers
    std::map<int, TWinPeer*> peers_;
    std::map<std::pair<bool, int>, HFONT> fonts_;
    std::map<HWND, HBRUSH> pageBrushes_; // by page control, made at the first paint
};

// Undoes the registration of the forms' window class made by the first form.
void UnregisterFormClass();

} // namespace scrivo
