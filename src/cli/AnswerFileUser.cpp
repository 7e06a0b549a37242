// The answers file as the user: TAnswers plays the lines; this adds the terminal output
// and tells why a run stopped when the lines did not fit or ran out.
#include "WizardInterrupt.h"
#include "WizardUser.h"
#include "host/ui/headless/Answers.h"

namespace scrivo::cli {

namespace {

std::vector<std::string> UsableLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        size_t b = l.find_first_not_of(" \t\r");
        if (b != std::string::npos && l[b] != '#')
            out.push_back(l);
    }
    return out;
}

class TAnswerFileUser : public TWizardUser {
public:
    TAnswerFileUser(THeadlessBackEnd& ui, TWizardConsole& console, const std::vector<std::string>& lines)
        : console_(console), answers_(ui, UsableLines(lines))
    {
        describe_ = ui.Script.DescribeNext;
        // Nothing runs by itself while the wizard waits for a click: a line that fits
        // nothing on screen then is given a moment, not the loop's usual patience.
        ui.StallTimeoutMs = 2000;
        answers_.OnLine = [this](const std::string& line) { console_.Echo(line); };
        TUiScript& s = ui.Script;
        s.AskAction = [this, act = s.AskAction] { return Act(act); };
        s.AskMessageBox = [this, ask = s.AskMessageBox](TMsgKind kind, const std::string& text) {
            console_.ShowMessage(kind, text);
            return Recorded([&] { return ask(kind, text); });
        };
        s.AskFileDialog = [this, ask = s.AskFileDialog](TOpenDialog& dialog) {
            console_.ShowFileDialog(dialog);
            return Recorded([&] { return ask(dialog); });
        };
    }

private:
    template <class F>
    auto Recorded(F f) -> decltype(f())
    {
        try {
            return f();
        } catch (const EScriptError& e) {
            Failure = e.what();
            throw;
        }
    }

    bool Act(const std::function<bool()>& act)
    {
        console_.Refresh(false);
        if (CancelOnInterrupt(console_))
            return true;
        if (Recorded(act)) {
            Failure.clear();
            return true;
        }
        if (console_.Busy())
            return false; // the run goes on by itself; the line waits for its end
        console_.Refresh(true);
        if (answers_.Remaining() == 0) {
            Failure = "The answers ran out while the wizard waits for a click";
            throw EScriptError(Failure);
        }
        // The loop gives other threads a moment before it gives up on the line.
        Failure = "The wizard cannot go on: " + describe_();
        return false;
    }

    TWizardConsole& console_;
    TAnswers answers_;
    std::function<std::string()> describe_;
};

} // namespace

std::unique_ptr<TWizardUser> AnswerFileUser(THeadlessBackEnd& ui, TWizardConsole& console,
                                            const std::vector<std::string>& lines)
{
    return std::make_unique<TAnswerFileUser>(ui, console, lines);
}

} // namespace scrivo::cli
