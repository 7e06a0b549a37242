// Hands one message to the user's mail client, with the client's compose window shown
// so the user reviews and sends it. Windows: Simple MAPI (MAPISendMail, loaded at run
// time). POSIX: xdg-email, when it is on the PATH.
#pragma once
#include <stdexcept>
#include <string>

namespace scrivo {

class EMailError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TMailMessage {
    std::string RecipientName;
    std::string RecipientAddress;
    std::string Subject;
    std::string Body;
    std::string AttachmentPath; // empty: no attachment
};

// Raises EMailError when there is no mail layer to hand the message to, or the layer
// refuses it. What the user then does in the client (send, cancel) is not reported.
void SendMailWithDialog(const TMailMessage& message);

} // namespace scrivo
