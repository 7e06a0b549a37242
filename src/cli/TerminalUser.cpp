// The person at the terminal as the user: the wizard is shown by the console, and each
// click or answer is a typed line. While a run is in progress the input is only looked
// at between its steps; when the wizard waits for the user, the loop waits for a line.
#include "LineReader.h"
#include "WizardInterrupt.h"
#include "WizardUser.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/headless/Answers.h"
#include "host/ui/headless/UserActions.h"
#include "platform/Text.h"

#include <deque>

namespace scrivo::cli {

namespace {

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

class TTerminalUser : public TWizardUser {
public:
    TTerminalUser(THeadlessBackEnd& ui, TWizardConsole& console, int fd)
        : console_(console), input_(fd, TWizardInterrupt::WakeFd())
    {
        TUiScript& s = ui.Script;
        s.AskAction = [this] { return Act(); };
        s.AskMessageBox = [this](TMsgKind kind, const std::string& text) {
            console_.ShowMessage(kind, text);
            TModalResult answer = mrNone;
            const bool confirm = kind == TMsgKind::Confirmation;
            Answer([&](const std::string& line) { return (answer = MessageBoxAnswer(kind, line)) != mrNone; },
                   confirm ? "Answer Yes or No" : "Answer OK", "an answer to the message", confirm ? "No" : "OK");
            return answer;
        };
        s.AskFileDialog = [this](TOpenDialog& dialog) {
            console_.ShowFileDialog(dialog);
            Answer([&](const std::string& line) { return FileDialogAnswer(line, dialog.Files); },
                   "Answer Files A|B|... or Cancel", "a choice of files", "Cancel");
            return !dialog.Files.empty();
        };
    }

private:
    // Takes the first line typed ahead that `fits`, else asks for lines until one fits.
    // Ctrl-C gives the answer `cancel`.
    void Answer(const std::function<bool(const std::string&)>& fits, const std::string& hint, const std::string& what,
                const std::string& cancel)
    {
        for (auto it = ahead_.begin(); it != ahead_.end(); ++it)
            if (fits(*it)) {
                ahead_.erase(it);
                return;
            }
        for (;;) {
            console_.Prompt();
            std::string line;
            if (!input_.Next(line, -1)) {
                if (TWizardInterrupt::Take()) {
                    console_.Note("Interrupted: " + cancel);
                    fits(cancel);
                    return;
                }
                Failure = "The input ended while the wizard waits for " + what;
                throw EScriptError(Failure);
            }
            if (fits(Trim(line)))
                return;
            console_.Note(hint);
        }
    }

    // Performs `line`; false when it cannot be done now. Lines that are no action at all
    // are reported and count as done.
    bool Perform(TForm& form, const std::string& line)
    {
        if (line.empty())
            return true;
        if (line == "?" || SameText(line, "help")) {
            Help(form);
            return true;
        }
        try {
            return PerformAction(form, line);
        } catch (const EScriptError& e) {
            if (!Failure.empty())
                throw; // the input ended inside a dialog this line opened
            console_.Note(e.what());
            return true;
        }
    }

    bool Act()
    {
        console_.Refresh(false);
        TForm* form = console_.Active();
        if (!form)
            return false;
        if (CancelOnInterrupt(console_))
            return true;
        if (console_.Busy()) {
            // A run in progress: look for input without holding it up. A line that cannot
            // be done yet ("OK" for a message still to come) waits for the run's end; the
            // ones after it ("Cancel") need not.
            for (std::string line; input_.Next(line, 0);)
                ahead_.push_back(Trim(line));
            for (size_t i = 0; i < ahead_.size(); ++i) {
                // Out of the queue while it acts: a dialog it opens asks for lines too.
                std::string line = ahead_[i];
                ahead_.erase(ahead_.begin() + static_cast<long>(i));
                if (Perform(*form, line))
                    return true;
                ahead_.insert(ahead_.begin() + static_cast<long>(i), line);
            }
            return false;
        }
        console_.Refresh(true);
        std::string line;
        if (!ahead_.empty()) {
            line = ahead_.front();
            ahead_.pop_front();
        } else {
            console_.Prompt();
            if (!input_.Next(line, -1)) {
                if (CancelOnInterrupt(console_))
                    return true;
                Failure = "The input ended while the wizard waits for a click";
                throw EScriptError(Failure);
            }
            line = Trim(line);
        }
        if (!Perform(*form, line))
            console_.Note("\"" + line + "\" cannot be done now (? lists what can)");
        return true;
    }

    void Help(TForm& form)
    {
        std::string clicks, boxes, lists;
        for (TControl* c : form.Controls()) {
            if (!IsUsable(*c))
                continue;
            if (dynamic_cast<TButton*>(c) || dynamic_cast<TLinkLabel*>(c))
                clicks += " \"" + c->Caption() + "\"";
            else if (dynamic_cast<TCheckBox*>(c))
                boxes += " \"" + c->Caption() + " on|off\"";
            else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
                combo->UserDropDown();
                for (int i = 0; i < static_cast<int>(combo->Items().size()); ++i)
                    lists += " \"" + c->Name + " " + DrawnItemText(*combo, i) + "\"";
            }
        }
        console_.Note("Click:" + clicks + " (without \"...\"), or CloseBox");
        if (!boxes.empty())
            console_.Note("Check boxes (first words will do):" + boxes);
        if (!lists.empty())
            console_.Note("Choose:" + lists);
    }

    TWizardConsole& console_;
    TLineReader input_;
    std::deque<std::string> ahead_; // typed during a run, not done yet
};

} // namespace

std::unique_ptr<TWizardUser> TerminalUser(THeadlessBackEnd& ui, TWizardConsole& console, int fd)
{
    return std::make_unique<TTerminalUser>(ui, console, fd);
}

} // namespace scrivo::cli
