// Plays the user from lines of text, one click or answer a line, as `scrivo wizard
// --answers FILE` and an interactive front end do:
//   OK, Yes, No          answer the message box on screen
//   Files A|B, Cancel    answer the file dialog on screen (Cancel: no choice)
//   <caption>            click the button or link of that caption ("Finish", "Advanced",
//                        "Review Files"; "&" and a trailing "..." do not count)
//   <words> on|off       set the check box whose caption begins with <words>
//   <word> <item>        pick the item (or the first beginning with it) of the combo box
//                        whose name contains <word> ("Speed 16X" picks from cbSpeed)
//   CloseBox             the close box of the form on top
// A line waits until the control it names is on screen and enabled, so a "Close" after a
// recording is taken when the recording has ended.
#pragma once
#include "HeadlessBackEnd.h"
#include "host/ui/Form.h"
#include <vector>

namespace scrivo {

// Performs one action line on `form`; false when it names nothing usable there now.
// EScriptError when the line is no action at all. `acting` runs just before the action
// does (a click may open a modal dialog that only returns when it closes).
bool PerformAction(TForm& form, const std::string& line, const std::function<void()>& acting = nullptr);
// The answer `line` gives a message box of `kind` (mrOk, mrYes, mrNo); mrNone when none.
TModalResult MessageBoxAnswer(TMsgKind kind, const std::string& line);
// Whether `line` answers a file dialog: "Cancel" (no choice) or "Files A|B" (into `files`).
bool FileDialogAnswer(const std::string& line, std::vector<std::string>& files);

class TAnswers {
public:
    // Installs itself into `ui`'s script; the lines are taken in order.
    TAnswers(THeadlessBackEnd& ui, std::vector<std::string> lines);
    // Lines not yet used.
    size_t Remaining() const { return lines_.size() - next_; }
    // Each line as it is used: an action just before it acts, an answer when taken.
    std::function<void(const std::string& line)> OnLine;

private:
    bool NextLine(std::string& line);
    THeadlessBackEnd& ui_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

} // namespace scrivo
