#include "WizardConsole.h"
#include "host/ui/ComCtrls.h"
#include "host/ui/StdCtrls.h"
#include "host/ui/Timer.h"
#include "host/ui/headless/FormText.h"
#include "platform/DateTime.h"

#include <algorithm>

namespace scrivo::cli {

namespace {

// Bars and labels move during a run: their changes wait for the status line.
bool IsLive(const TControl& c) { return dynamic_cast<const TRangeControl*>(&c) || dynamic_cast<const TLabel*>(&c); }

bool IsMemo(const TControl& c) { return dynamic_cast<const TMemo*>(&c) != nullptr; }

// The page of every page control: a new page is shown whole.
std::vector<const TControl*> ActivePages(const TForm& form)
{
    std::vector<const TControl*> out;
    for (TControl* c : form.Controls())
        if (auto* pages = dynamic_cast<TPageControl*>(c))
            out.push_back(pages->ActivePage());
    return out;
}

std::vector<TControl*> ShowingControls(const TForm& form)
{
    std::vector<TControl*> out;
    for (TControl* c : form.Controls())
        if (c->Showing() && (IsMemo(*c) || !ControlText(*c).empty()))
            out.push_back(c);
    return out;
}

// Message texts break lines with CR LF.
std::string PlainLines(const std::string& text)
{
    std::string s;
    for (char c : text)
        if (c != '\r')
            s += c;
    return s;
}

} // namespace

TWizardConsole::TWizardConsole(THeadlessBackEnd& ui, FILE* out) : Clock([] { return TickCount(); }), ui_(ui), out_(out)
{
    ui_.OnFormShown = [this](TForm& form) { FormShown(form); };
    ui_.OnFormHidden = [this](TForm& form) { FormHidden(form); };
}

TWizardConsole::~TWizardConsole()
{
    ui_.OnFormShown = nullptr;
    ui_.OnFormHidden = nullptr;
}

void TWizardConsole::FormShown(TForm& form)
{
    // Drawn at the next refresh: its OnShow fills it first.
    TView view;
    view.Form = &form;
    views_.push_back(std::move(view));
}

void TWizardConsole::FormHidden(TForm& form)
{
    auto it = std::find_if(views_.begin(), views_.end(), [&](const TView& v) { return v.Form == &form; });
    if (it == views_.end())
        return;
    // The form is no longer showing: only what it showed last can still have news.
    if (it->Drawn) {
        for (TControl* c : it->Showing)
            if (IsMemo(*c))
                PrintNewMemoLines(*it, *c);
        PrintHeld(*it);
    }
    bool wasTop = it + 1 == views_.end();
    views_.erase(it);
    // Back on the form below: show it again as the user now sees it.
    if (wasTop && !views_.empty())
        views_.back().Drawn = false;
    std::fflush(out_);
}

TForm* TWizardConsole::Active() const { return views_.empty() ? nullptr : views_.back().Form; }

bool TWizardConsole::Busy() const
{
    for (const TView& v : views_)
        for (TControl* c : v.Form->Controls())
            if (auto* t = dynamic_cast<TTimer*>(c); t && t->TimerEnabled() && t->Interval() > 0)
                return true;
    return false;
}

void TWizardConsole::Refresh(bool flush)
{
    // An error that escaped a handler: the wizard goes on, as it would on the screen.
    const auto& errors = ui_.Script.Exceptions;
    for (; errorsShown_ < errors.size(); ++errorsShown_)
        std::fprintf(out_, "\n-- Error --\n%s\n[OK]\n", errors[errorsShown_].c_str());
    for (TView& v : views_) {
        if (!v.Form->Showing())
            continue;
        if (!v.Drawn || ActivePages(*v.Form) != v.Pages)
            Draw(v);
        else
            Update(v, flush);
    }
    std::fflush(out_);
}

void TWizardConsole::Draw(TView& view)
{
    view.Drawn = true;
    view.Pages = ActivePages(*view.Form);
    view.Showing = ShowingControls(*view.Form);
    view.Held.clear();
    std::fprintf(out_, "\n== %s ==\n", view.Form->Caption().c_str());
    for (TControl* c : view.Showing)
        PrintControl(view, *c);
}

void TWizardConsole::PrintControl(TView& view, TControl& c)
{
    // A memo shows only the lines not printed before: the feedback of an earlier run
    // stays above.
    if (IsMemo(c)) {
        std::fprintf(out_, "%s:\n", c.Name.c_str());
        PrintNewMemoLines(view, c);
        return;
    }
    std::string line = ControlText(c);
    view.Lines[&c] = line;
    std::fprintf(out_, "%s\n", line.c_str());
}

void TWizardConsole::Update(TView& view, bool flush)
{
    std::vector<TControl*> showing = ShowingControls(*view.Form);
    for (TControl* c : showing) {
        if (std::find(view.Showing.begin(), view.Showing.end(), c) == view.Showing.end()) {
            PrintControl(view, *c); // it has just appeared ("Close" at the end of a run)
            continue;
        }
        if (IsMemo(*c)) {
            PrintNewMemoLines(view, *c);
            continue;
        }
        std::string line = ControlText(*c);
        if (line == view.Lines[c])
            continue;
        if (IsLive(*c)) {
            if (std::find(view.Held.begin(), view.Held.end(), c) == view.Held.end())
                view.Held.push_back(c);
            continue;
        }
        view.Lines[c] = line;
        std::fprintf(out_, "%s\n", line.c_str());
    }
    view.Showing = showing;
    if (!view.Held.empty() && (flush || Clock() - lastStatus_ >= StatusIntervalMs))
        PrintHeld(view);
}

void TWizardConsole::PrintNewMemoLines(TView& view, TControl& control)
{
    const auto& lines = static_cast<TMemo&>(control).Lines();
    size_t& printed = view.MemoLines[&control];
    if (printed > lines.size()) // cleared
        printed = 0;
    for (; printed < lines.size(); ++printed)
        std::fprintf(out_, "  | %s\n", lines[printed].c_str());
}

void TWizardConsole::PrintHeld(TView& view)
{
    std::string status;
    for (const TControl* c : view.Held) {
        // The control may have moved back to what was printed last.
        std::string line = ControlText(const_cast<TControl&>(*c));
        if (line == view.Lines[c])
            continue;
        view.Lines[c] = line;
        status += (status.empty() ? "" : " | ") + line;
    }
    view.Held.clear();
    lastStatus_ = Clock();
    if (!status.empty())
        std::fprintf(out_, "%s\n", status.c_str());
}

void TWizardConsole::ShowMessage(TMsgKind kind, const std::string& text)
{
    Refresh(true);
    const char* buttons = kind == TMsgKind::Confirmation ? "[Yes] [No]" : "[OK]";
    std::fprintf(out_, "\n-- %s --\n%s\n%s\n", MsgKindName(kind), PlainLines(text).c_str(), buttons);
    std::fflush(out_);
}

void TWizardConsole::ShowFileDialog(const TOpenDialog& dialog)
{
    Refresh(true);
    std::fprintf(out_, "\n-- %s --\nFiles A|B|...  or  Cancel\n", dialog.Title.empty() ? "Open" : dialog.Title.c_str());
    std::fflush(out_);
}

void TWizardConsole::Echo(const std::string& line)
{
    std::fprintf(out_, "> %s\n", line.c_str());
    std::fflush(out_);
}

void TWizardConsole::Prompt()
{
    std::fputs("> ", out_);
    std::fflush(out_);
}

void TWizardConsole::Note(const std::string& text)
{
    std::fprintf(out_, "* %s\n", text.c_str());
    std::fflush(out_);
}

} // namespace scrivo::cli
