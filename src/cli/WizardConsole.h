// The wizard's forms in a terminal. A form is printed whole when it appears (or its page
// changes); after that only what changes: new memo lines and changed buttons, boxes and
// lists at once, moving bars and labels gathered on one status line at most once every
// StatusIntervalMs, so a recording does not flood the screen. Message boxes and file
// dialogs are printed as they come.
#pragma once
#include "host/ui/Dialogs.h"
#include "host/ui/headless/HeadlessBackEnd.h"

#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace scrivo::cli {

class TWizardConsole {
public:
    // Takes over `ui`'s OnFormShown and OnFormHidden until destroyed.
    TWizardConsole(THeadlessBackEnd& ui, FILE* out);
    ~TWizardConsole();
    TWizardConsole(const TWizardConsole&) = delete;
    TWizardConsole& operator=(const TWizardConsole&) = delete;

    uint32_t StatusIntervalMs = 1000;
    // Real milliseconds, for the status throttle.
    std::function<uint32_t()> Clock;

    // Prints what changed on the forms shown; `flush` prints a held-back status at once.
    void Refresh(bool flush);
    void ShowMessage(TMsgKind kind, const std::string& text);
    void ShowFileDialog(const TOpenDialog& dialog);
    // The user's answer or click as taken: "> line".
    void Echo(const std::string& line);
    // A remark of the front end itself: "* text".
    void Note(const std::string& text);
    // Asks for the next line: "> ".
    void Prompt();
    // A timer runs on a form shown: the wizard is in a run that goes on by itself.
    bool Busy() const;
    // The form on top, where the user acts; nullptr when none is shown.
    TForm* Active() const;

private:
    struct TView {
        TForm* Form = nullptr;
        bool Drawn = false;
        std::vector<const TControl*> Pages; // the active page of each page control
        std::vector<TControl*> Showing;
        std::map<const TControl*, std::string> Lines; // as last printed
        std::map<const TControl*, size_t> MemoLines;  // lines of a memo printed
        std::vector<const TControl*> Held;            // live lines changed, not yet printed
    };
    void Draw(TView& view);
    void Update(TView& view, bool flush);
    void PrintControl(TView& view, TControl& control);
    void PrintNewMemoLines(TView& view, TControl& memo);
    void PrintHeld(TView& view);
    void FormShown(TForm& form);
    void FormHidden(TForm& form);

    THeadlessBackEnd& ui_;
    FILE* out_;
    std::vector<TView> views_; // in the order shown; the last is on top
    uint32_t lastStatus_ = 0;
    size_t errorsShown_ = 0; // of the exceptions the loop caught in handlers
};

} // namespace scrivo::cli
