#include "Script.h"
#include "host/ui/Dialogs.h"

namespace scrivo {

TUiScript& TUiScript::Answer(TModalResult answer, std::string expectText)
{
    answers_.push_back({answer, std::move(expectText)});
    return *this;
}

TUiScript& TUiScript::ChooseFiles(std::vector<std::string> files)
{
    files_.push_back(std::move(files));
    return *this;
}

TUiScript& TUiScript::Then(std::function<void()> action)
{
    actions_.push_back(std::move(action));
    return *this;
}

TModalResult TUiScript::AnswerMessageBox(TMsgKind kind, const std::string& text)
{
    Messages.push_back({kind, text, mrNone});
    TModalResult answer;
    if (!answers_.empty()) {
        QueuedAnswer q = answers_.front();
        answers_.pop_front();
        if (!q.ExpectText.empty() && text.find(q.ExpectText) == std::string::npos)
            throw EScriptError("Expected a message with \"" + q.ExpectText + "\", the " + MsgKindName(kind) +
                               " message was \"" + text + "\"");
        answer = q.Answer;
    } else if (AskMessageBox) {
        answer = AskMessageBox(kind, text);
    } else {
        throw EScriptError(std::string("No answer for the ") + MsgKindName(kind) + " message \"" + text + "\"");
    }
    bool fits = kind == TMsgKind::Confirmation ? (answer == mrYes || answer == mrNo) : answer == mrOk;
    if (!fits)
        throw EScriptError(std::string("The ") + MsgKindName(kind) + " message \"" + text + "\" cannot answer " +
                           ModalResultName(answer));
    Messages.back().Answer = answer;
    return answer;
}

bool TUiScript::AnswerFileDialog(TOpenDialog& dialog)
{
    bool ok;
    if (!files_.empty()) {
        dialog.Files = files_.front();
        files_.pop_front();
        ok = !dialog.Files.empty();
    } else if (AskFileDialog) {
        ok = AskFileDialog(dialog);
    } else {
        throw EScriptError("No choice for the file dialog");
    }
    if (!ok)
        dialog.Files.clear();
    FileDialogs.push_back({dialog.Filter, dialog.AllowMultiSelect, dialog.Files});
    return ok;
}

bool TUiScript::RunNextAction()
{
    if (!actions_.empty()) {
        auto action = std::move(actions_.front());
        actions_.pop_front();
        Application().Guard(action);
        return true;
    }
    if (!AskAction)
        return false;
    bool acted = true; // a handler that raised did act
    Application().Guard([&] { acted = AskAction(); });
    return acted;
}

} // namespace scrivo
