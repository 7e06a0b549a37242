#include "Answers.h"
#include "UserActions.h"
#include "host/ui/Dialogs.h"
#include "host/ui/StdCtrls.h"
#include "platform/Text.h"

namespace scrivo {

namespace {

// A caption as the user reads it: no accelerator "&", no trailing "...".
std::string PlainCaption(const std::string& caption)
{
    std::string s;
    for (char c : caption)
        if (c != '&')
            s += c;
    while (!s.empty() && (s.back() == '.' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool StartsWithText(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool ContainsText(const std::string& s, const std::string& part)
{
    return UpperCase(s).find(UpperCase(part)) != std::string::npos;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool ClickByCaption(TForm& form, const std::string& line, const std::function<void()>& acting)
{
    for (TControl* c : form.Controls()) {
        bool clickable = dynamic_cast<TButton*>(c) || dynamic_cast<TLinkLabel*>(c);
        if (clickable && IsUsable(*c) && SameText(PlainCaption(c->Caption()), line)) {
            if (acting)
                acting();
            UserClick(*c);
            return true;
        }
    }
    return false;
}

bool SetCheckBox(TForm& form, const std::string& line, bool& understood, const std::function<void()>& acting)
{
    size_t space = line.find_last_of(' ');
    if (space == std::string::npos)
        return false;
    std::string words = Trim(line.substr(0, space)), state = line.substr(space + 1);
    if (!SameText(state, "on") && !SameText(state, "off"))
        return false;
    understood = true;
    for (TControl* c : form.Controls())
        if (auto* box = dynamic_cast<TCheckBox*>(c); box && IsUsable(*box) && StartsWithText(box->Caption(), words)) {
            if (acting)
                acting();
            UserSetChecked(*box, SameText(state, "on"));
            return true;
        }
    return false;
}

bool PickFromCombo(TForm& form, const std::string& line, bool& understood, const std::function<void()>& acting)
{
    size_t space = line.find(' ');
    if (space == std::string::npos)
        return false;
    std::string word = line.substr(0, space), item = Trim(line.substr(space + 1));
    for (TControl* c : form.Controls())
        if (auto* combo = dynamic_cast<TComboBox*>(c); combo && ContainsText(combo->Name, word)) {
            understood = true;
            if (!IsUsable(*combo))
                return false;
            if (acting)
                acting();
            UserSelect(*combo, item);
            return true;
        }
    return false;
}

} // namespace

bool PerformAction(TForm& form, const std::string& rawLine, const std::function<void()>& acting)
{
    std::string line = Trim(rawLine);
    if (SameText(line, "CloseBox")) {
        if (acting)
            acting();
        UserCloseBox(form);
        return true;
    }
    if (ClickByCaption(form, line, acting))
        return true;
    // An answer for a message box or file dialog that is still to come.
    for (const char* answer : {"OK", "Yes", "No", "Cancel"})
        if (SameText(line, answer))
            return false;
    if (StartsWithText(line, "Files "))
        return false;
    bool understood = false;
    if (SetCheckBox(form, line, understood, acting))
        return true;
    if (!understood && PickFromCombo(form, line, understood, acting))
        return true;
    if (understood)
        return false;
    // A caption that may yet appear (the "Close" shown at the end of a run).
    for (TControl* c : form.Controls())
        if (SameText(PlainCaption(c->Caption()), line))
            return false;
    throw EScriptError("\"" + line + "\" is no action on " + form.Name);
}

TModalResult MessageBoxAnswer(TMsgKind kind, const std::string& rawLine)
{
    std::string line = Trim(rawLine);
    if (kind != TMsgKind::Confirmation && SameText(line, "OK"))
        return mrOk;
    if (kind == TMsgKind::Confirmation && SameText(line, "Yes"))
        return mrYes;
    if (kind == TMsgKind::Confirmation && SameText(line, "No"))
        return mrNo;
    return mrNone;
}

bool FileDialogAnswer(const std::string& rawLine, std::vector<std::string>& files)
{
    std::string line = Trim(rawLine);
    files.clear();
    if (SameText(line, "Cancel"))
        return true;
    if (!StartsWithText(line, "Files "))
        return false;
    std::string rest = line.substr(6);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t bar = rest.find('|', start);
        if (bar == std::string::npos)
            bar = rest.size();
        if (bar > start)
            files.push_back(rest.substr(start, bar - start));
        start = bar + 1;
    }
    return true;
}

TAnswers::TAnswers(THeadlessBackEnd& ui, std::vector<std::string> lines) : ui_(ui), lines_(std::move(lines))
{
    ui_.Script.AskMessageBox = [this](TMsgKind kind, const std::string& text) {
        std::string line;
        if (!NextLine(line))
            throw EScriptError("The answers ran out at the message \"" + text + "\"");
        if (OnLine)
            OnLine(line);
        TModalResult answer = MessageBoxAnswer(kind, line);
        if (answer == mrNone)
            throw EScriptError("\"" + line + "\" does not answer the message \"" + text + "\"");
        return answer;
    };
    ui_.Script.AskFileDialog = [this](TOpenDialog& dialog) {
        std::string line;
        if (!NextLine(line))
            throw EScriptError("The answers ran out at a file dialog");
        if (OnLine)
            OnLine(line);
        if (!FileDialogAnswer(line, dialog.Files))
            throw EScriptError("\"" + line + "\" does not answer a file dialog");
        return !dialog.Files.empty();
    };
    ui_.Script.DescribeNext = [this] {
        return next_ < lines_.size() ? "the next answer, \"" + lines_[next_] + "\", names nothing usable"
                                     : std::string("the answers have run out");
    };
    ui_.Script.AskAction = [this] {
        TForm* form = ui_.ActiveForm();
        while (next_ < lines_.size() && (Trim(lines_[next_]).empty() || Trim(lines_[next_])[0] == '#'))
            ++next_;
        if (!form || next_ >= lines_.size())
            return false;
        // The line is taken before it acts: a message box or file dialog that its click
        // opens answers from the lines after it.
        size_t at = next_++;
        if (PerformAction(*form, lines_[at], [&] {
                if (OnLine)
                    OnLine(Trim(lines_[at]));
            }))
            return true;
        next_ = at;
        return false;
    };
}

bool TAnswers::NextLine(std::string& line)
{
    while (next_ < lines_.size()) {
        line = Trim(lines_[next_++]);
        if (!line.empty() && line[0] != '#')
            return true;
    }
    return false;
}

} // namespace scrivo
