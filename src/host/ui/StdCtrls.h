// Labels, buttons, check boxes, edits, memos and link labels.
#pragma once
#include "Control.h"
#include <vector>

namespace scrivo {

class TLabel : public TControl {
public:
    using TControl::TControl;
    TAlignment Alignment = TAlignment::taLeftJustify;
};

// A label drawn as a link; a click on it fires OnClick.
class TLinkLabel : public TControl {
public:
    using TControl::TControl;
};

class TButton : public TControl {
public:
    using TControl::TControl;
    TModalResult ModalResult = mrNone;
    bool Default = false; // clicked by Enter
    bool Cancel = false;  // clicked by Escape
    // Sets the form's ModalResult from the button's, then runs OnClick (which may still
    // change it).
    void Click() override;
};

class TCheckBox : public TControl {
public:
    using TControl::TControl;
    bool Checked() const { return checked_; }
    // A change runs OnClick, whoever made it.
    void SetChecked(bool v);
    // The user's click toggles the box.
    void Click() override { SetChecked(!checked_); }

private:
    bool checked_ = false;
};

class TEdit : public TControl {
public:
    using TControl::TControl;
    int MaxLength = 0; // what the user may type, in characters; 0: no limit
    TNotifyEvent OnChange;
    const std::string& Text() const { return text_; }
    // A change runs OnChange.
    void SetText(const std::string& v);
    // Typing by the user: cut to MaxLength characters.
    void UserType(const std::string& v);

private:
    std::string text_;
};

// A multi-line text box. Lines may be added from any thread: from another thread the
// line travels to the loop's thread as a posted call, as a window message would.
class TMemo : public TControl {
public:
    using TControl::TControl;
    bool VerticalScrollBar = false;
    // Read on the loop's thread.
    const std::vector<std::string>& Lines() const { return lines_; }
    void Add(const std::string& line);
    void Clear();

private:
    std::vector<std::string> lines_;
};

// The number of characters of a UTF-8 text (code points).
size_t CharCount(const std::string& s);

} // namespace scrivo
