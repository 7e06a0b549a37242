// The activity log, the feedback memo and the support mail link.
#include "SupportMail.h"
#include "uCDMain.h"
#include "host/ui/Application.h"
#include "host/ui/Dialogs.h"
#include "platform/Threads.h"

namespace scrivo {

namespace {

constexpr const char* EraseFirstText = "DISC IS ERASABLE, ERASE IT FIRST";

} // namespace

void TfrmCDMain::LogLine(const std::string& Section, const std::string& Text, bool StartNew)
{
    if (!LogEnabled)
        return;
    // Engine threads log too: each line works on a copy, so nothing shared is written.
    TActivityLog log = Log;
    log.Enabled = true;
    log.StartTicks = StartTicks;
    log.FileName = ExeFolder + ActivityLogName;
    log.LogLine(Section, Text, StartNew);
}

void TfrmCDMain::brenvikDebugMessage(TSCSIDevice*, const std::string& Message, uint8_t)
{
    LogLine("brenvikDebugMessage", Message, false);
    Memo2.Add(Message);
    if (Message.find(EraseFirstText) == std::string::npos)
        return;
    auto answer = [this] {
        if (brenvik.IsErasable())
            ShowInformation("The disk you have inserted does not appear to be blank.  Please attempt writing it "
                            "again with the \"Erase Disk\" option checked.");
    };
    // A message box belongs to the wizard's thread; a worker's line is answered there.
    if (IsMainThread())
        answer();
    else
        Application().PostCall(Handle(), answer);
}

void TfrmCDMain::LinkLabel1Click(TObject*)
{
    const std::string error = SendSupportMail(ExeFolder, SendMail);
    if (!error.empty())
        ShowError(error);
}

} // namespace scrivo
