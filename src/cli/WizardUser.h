// Who clicks and answers in `scrivo wizard`: the lines of an answers file, or the person at
// the terminal. Both speak the words of PerformAction ("Finish", "Erase on", "Speed 16X")
// and of the message boxes ("OK", "Yes", "No"), one a line.
#pragma once
#include "WizardConsole.h"

#include <memory>
#include <string>
#include <vector>

namespace scrivo::cli {

class TWizardUser {
public:
    virtual ~TWizardUser() = default;
    // Why the user stopped the run without closing the wizard (answers ran out, a line
    // that is no answer); empty when the wizard closed as usual.
    std::string Failure;
};

// The lines of an answers file, fully unattended; blank lines and "#" comments are skipped.
// A line waits until what it names is on screen; answers that run out stop the run.
std::unique_ptr<TWizardUser> AnswerFileUser(THeadlessBackEnd& ui, TWizardConsole& console,
                                            const std::vector<std::string>& lines);

// A person typing lines on `fd`. Input is read without holding up a run in progress; a
// line that cannot be done now is reported and dropped. The end of input stops the run
// once the wizard waits for the user.
std::unique_ptr<TWizardUser> TerminalUser(THeadlessBackEnd& ui, TWizardConsole& console, int fd);

} // namespace scrivo::cli
