// The "E-mail Support" link: a mail to the support mailbox with the host's log file
// attached when it exists.
#pragma once
#include "platform/Mail.h"
#include <functional>
#include <string>

namespace scrivo {

constexpr const char* SupportMailAddress = "support@ombrel.example";
constexpr const char* SupportMailError = "Error Sending Mail!";

// The message for the log file in `exeFolder` (which ends with a separator).
TMailMessage SupportMailMessage(const std::string& exeFolder);

// Hands the support mail to `send` (the platform's mail layer by default); answers the
// text of the error message to show, empty when the mail client took the message.
std::string SendSupportMail(const std::string& exeFolder,
                            const std::function<void(const TMailMessage&)>& send = SendMailWithDialog);

} // namespace scrivo
