// The user of the headless back end: queued answers for message boxes and file dialogs,
// queued user actions run whenever the loop waits for input, and a record of everything
// shown. When a queue runs dry the Ask* hooks are consulted (an interactive front end
// asks a person there); without one the run stops with EScriptError.
#pragma once
#include "host/ui/Application.h"
#include <deque>
#include <vector>

namespace scrivo {

class TOpenDialog;

class EScriptError : public EUiAbort {
public:
    using EUiAbort::EUiAbort;
};

struct TShownMessage {
    TMsgKind Kind;
    std::string Text;
    TModalResult Answer;
};

struct TShownFileDialog {
    std::string Filter;
    bool MultiSelect;
    std::vector<std::string> Files; // empty: cancelled
};

class TUiScript {
public:
    // The answer to the next message box. With `expectText` the box must show a text
    // containing it; an answer that the box's buttons cannot give stops the run too.
    TUiScript& Answer(TModalResult answer, std::string expectText = "");
    // The choice for the next file dialog; no files cancels it.
    TUiScript& ChooseFiles(std::vector<std::string> files);
    // A user action (a click, a selection) run when the loop next waits for the user.
    TUiScript& Then(std::function<void()> action);

    std::function<TModalResult(TMsgKind kind, const std::string& text)> AskMessageBox;
    std::function<bool(TOpenDialog& dialog)> AskFileDialog;
    // Runs one user action; false when the user has nothing more to do.
    std::function<bool()> AskAction;

    // What the user would do next, for the report of a loop that waits in vain.
    std::function<std::string()> DescribeNext;

    std::vector<TShownMessage> Messages;
    std::vector<TShownFileDialog> FileDialogs;
    std::vector<std::string> Exceptions; // texts of exceptions that escaped handlers

    size_t PendingAnswers() const { return answers_.size(); }
    size_t PendingActions() const { return actions_.size(); }
    size_t PendingFileChoices() const { return files_.size(); }

    // Used by the back end.
    TModalResult AnswerMessageBox(TMsgKind kind, const std::string& text);
    bool AnswerFileDialog(TOpenDialog& dialog);
    bool RunNextAction();

private:
    struct QueuedAnswer {
        TModalResult Answer;
        std::string ExpectText;
    };
    std::deque<QueuedAnswer> answers_;
    std::deque<std::vector<std::string>> files_;
    std::deque<std::function<void()>> actions_;
};

} // namespace scrivo
