// Message boxes of three kinds, the file-open dialog, the busy cursor and the beep.
#pragma once
#include "Control.h"
#include <vector>

namespace scrivo {

// Information with an OK button.
void ShowInformation(const std::string& text);
// Error with an OK button.
void ShowError(const std::string& text);
// Confirmation with Yes and No: mrYes or mrNo.
TModalResult Confirm(const std::string& text);
TModalResult MessageDlg(TMsgKind kind, const std::string& text);

void Beep();

// Shows the busy cursor for its lifetime and then restores the one before.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TCursor old_;
};

class TOpenDialog : public TControl {
public:
    using TControl::TControl;
    std::string Title;
    std::string Filter; // "All Files|*.*"
    bool AllowMultiSelect = false;
    bool HideReadOnly = false;
    bool EnableSizing = false;
    std::string InitialDir;
    // What the user chose, in the order the dialog lists it.
    std::vector<std::string> Files;
    std::string FileName; // the first of Files

    // Shows the dialog; true when the user confirmed a choice.
    bool Execute();
};

} // namespace scrivo
