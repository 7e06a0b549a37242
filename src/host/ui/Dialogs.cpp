#include "Dialogs.h"
#include "Application.h"

namespace scrivo {

TModalResult MessageDlg(TMsgKind kind, const std::string& text) { return Application().BackEnd().MessageBox(kind, text); }

void ShowInformation(const std::string& text) { MessageDlg(TMsgKind::Information, text); }

void ShowError(const std::string& text) { MessageDlg(TMsgKind::Error, text); }

TModalResult Confirm(const std::string& text)
{
    return MessageDlg(TMsgKind::Confirmation, text) == mrYes ? mrYes : mrNo;
}

void Beep() { Application().Beep(); }

TBusyCursor::TBusyCursor() : old_(Application().Cursor()) { Application().SetCursor(crHourGlass); }

TBusyCursor::~TBusyCursor() { Application().SetCursor(old_); }

bool TOpenDialog::Execute()
{
    Files.clear();
    FileName.clear();
    if (!Application().BackEnd().ExecuteOpenDialog(*this))
        return false;
    if (!AllowMultiSelect && Files.size() > 1)
        Files.resize(1);
    FileName = Files.empty() ? std::string() : Files.front();
    return !Files.empty();
}

} // namespace scrivo
