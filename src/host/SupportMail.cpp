#include "SupportMail.h"
#include "ActivityLog.h"
#include "platform/Files.h"

namespace scrivo {

TMailMessage SupportMailMessage(const std::string& exeFolder)
{
    TMailMessage m;
    m.RecipientName = "Ombrel Support";
    m.RecipientAddress = SupportMailAddress;
    m.Subject = "CD Writing Support";
    std::string log = exeFolder + ActivityLogName;
    FileListing found;
    if (FindFile(log, found) && !(found.Attr & faDirectory))
        m.AttachmentPath = log;
    return m;
}

std::string SendSupportMail(const std::string& exeFolder, const std::function<void(const TMailMessage&)>& send)
{
    try {
        send(SupportMailMessage(exeFolder));
        return "";
    } catch (...) {
        return SupportMailError;
    }
}

} // namespace scrivo
