#include "platform/Mail.h"
#include "WidePath.h"

#include <windows.h>
#include <mapi.h>

namespace scrivo {

// Simple MAPI takes text in the ANSI code page.
void SendMailWithDialog(const TMailMessage& message)
{
    HMODULE mapi = LoadLibraryW(L"MAPI32.DLL");
    if (!mapi)
        throw EMailError("Simple MAPI is not installed");
    auto send = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMail")));
    if (!send) {
        FreeLibrary(mapi);
        throw EMailError("Simple MAPI has no MAPISendMail");
    }
    std::string name = Utf8ToAnsi(message.RecipientName), address = "SMTP:" + Utf8ToAnsi(message.RecipientAddress);
    std::string subject = Utf8ToAnsi(message.Subject), body = Utf8ToAnsi(message.Body);
    std::string attachment = Utf8ToAnsi(message.AttachmentPath);

    MapiRecipDesc recipient{};
    recipient.ulRecipClass = MAPI_TO;
    recipient.lpszName = name.data();
    recipient.lpszAddress = address.data();
    MapiFileDesc file{};
    file.nPosition = static_cast<ULONG>(-1);
    file.lpszPathName = attachment.data();
    MapiMessage msg{};
    msg.lpszSubject = subject.data();
    msg.lpszNoteText = body.data();
    msg.nRecipCount = 1;
    msg.lpRecips = &recipient;
    if (!attachment.empty()) {
        msg.nFileCount = 1;
        msg.lpFiles = &file;
    }
    // The result is the client's business (the user may cancel); only a missing mail
    // layer is an error.
    send(0, 0, &msg, MAPI_DIALOG | MAPI_LOGON_UI, 0);
    FreeLibrary(mapi);
}

} // namespace scrivo
