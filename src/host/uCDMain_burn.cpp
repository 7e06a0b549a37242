// The burn run: the checks made when "Finish" is pressed, the optional erase, the recording
// with its progress display, cancellation and the end of the run. Each step after the
// checks starts from a private message the form posts itself, never from inside an engine
// event.
#include "host/uCDMain.h"
#include "device/bvDrvLib_names.h"
#include "host/ui/Application.h"
#include "host/ui/Dialogs.h"
#include "platform/Text.h"

namespace scrivo {

namespace {

constexpr int32_t ReadyBudgetMs = 10000;
constexpr int32_t ReadyPollMs = 5000;
constexpr int TreeMaxFiles = 600000;
constexpr int TreeMaxDirs = 20000;
constexpr uint32_t FlushTimeoutMs = 300000;
constexpr uint8_t QuickErase = 1;
constexpr uint8_t FullErase = 0;
constexpr double BytesPerMB = 1048576.0;
constexpr const char* SilentDriveText = "Your Writer did not answer while the disk was being examined, so nothing was "
                                     "written.\r\n\r\nPlease check the Writer and its connection and try again.";

bool IsReadOnlyKind(uint8_t kind) { return kind == dkCDROM || kind == dkDVDROM || kind == dkDDCDROM; }

std::string MB(double bytes) { return FormatFloat("#,##0.00", bytes / BytesPerMB); }

} // namespace

void TfrmCDMain::bBurnClick(TObject* Sender)
{
    (void)Sender;
    // Every way out but the second page (an error included) restores the normal cursor;
    // there the busy cursor stays, as the run carries on.
    Application().SetCursor(crHourGlass);
    bool running = false;
    struct CursorGuard {
        const bool& Running;
        ~CursorGuard()
        {
            if (!Running)
                Application().SetCursor(crDefault);
        }
    } guard{running};

    if (!brenvik.WaitUntilReady(ReadyBudgetMs, ReadyPollMs)) {
        ShowInformation("You do not appear to have a valid writable CD or DVD in your Writer.\r\n\r\n"
                        "Please insert a valid disk and try again.");
        return;
    }
    // What is judged of the disc below rests on the drive's answers: one it never gave reads as
    // an empty reply (no room, no unfinished session), so the run is refused as it is.
    const uint32_t unanswered = brenvik.UnansweredCommands();
    const auto driveSilent = [&] {
        if (brenvik.UnansweredCommands() == unanswered)
            return false;
        brenvik.DebugMessage(">>> The drive did not answer while the disk was examined", 0);
        ShowError(SilentDriveText);
        return true;
    };
    const uint8_t kind = brenvik.DetectDiscKind();
    if (IsReadOnlyKind(kind) &&
        Confirm(std::string("The disk type you have inserted (") + DiscKindName(kind) +
                ") does not appear to be writable.\r\n\r\nAre you sure you want to continue?") != mrYes)
        return;

    // A test run changes nothing, the erase included: one the drive cannot simulate on this
    // disc is refused before anything happens to it.
    const bool eraseFirst = chkClearCD.Checked() && brenvik.IsErasable();
    if (brenvik.TestWrite) {
        const std::string refused = brenvik.TestWriteRefusal(kind, eraseFirst);
        if (driveSilent())
            return;
        if (!refused.empty()) {
            brenvik.DebugMessage(">>> " + refused, 0);
            ShowError(refused);
            return;
        }
    }

    // An interrupted recording left a broken session that a new one cannot follow safely; an
    // erase first (chkClearCD) removes it.
    uint32_t unfinishedAt = 0;
    if (!eraseFirst && brenvik.HasUnfinishedTrack(unfinishedAt)) {
        if (driveSilent())
            return;
        const std::string text = UnfinishedDiscText(kind, brenvik.IsErasable(), unfinishedAt);
        brenvik.DebugMessage(">>> " + text, 0);
        ShowError(text);
        return;
    }

    uint32_t bufferLength = 0, blankLength = 0;
    brenvik.ReadBufferCapacity(bufferLength, blankLength);
    pHBuf.SetMax(static_cast<int>(bufferLength));
    brenvik.SetWriteSpeed(static_cast<uint16_t>(GetSelectedSpeed()));
    Application().ProcessMessages();

    brenvik.ClearFiles(TreeMaxFiles, TreeMaxDirs);
    AddFilesToBurner();
    brenvik.DebugMessage(">>> Generation of file list complete", 0);
    Application().ProcessMessages();
    if (brenvik.DirectoryCount() == 0 && brenvik.FileCount() == 0)
        return;

    brenvik.PrepareImage(false, nullptr);
    pbrWriteCD.SetMax(static_cast<int>(brenvik.ImageSize()));
    const uint32_t freeBlocks = brenvik.GetFreeBlocks();
    if (driveSilent())
        return;
    if (brenvik.ImageSize() > static_cast<int64_t>(freeBlocks) &&
        Confirm("You appear to be writing more to the disk than the free space that is available.\r\n\r\n"
                "Are you sure you want to continue?") != mrYes)
        return;

    running = true;
    pgcCD.SetActivePage(&tab2);
}

void TfrmCDMain::tab2Show(TObject* Sender)
{
    (void)Sender;
    ShowCloseButton(false);
    PostMessage(chkClearCD.Checked() && brenvik.IsErasable() ? WM_CDERASE : WM_CDBURN);
}

bool TfrmCDMain::EraseCD(bool Quick)
{
    Application().SetCursor(crHourGlass);
    lblErase.SetEnabled(true);
    const bool erasable = brenvik.IsErasable();
    const uint8_t kind = brenvik.DetectDiscKind();
    if (!erasable && kind != dkDVDRAM) {
        ShowInformation("Disc is not Erasable");
        return false;
    }
    if (Confirm(std::string("Are you sure you want to erase the current ") + DiscKindName(kind) +
                "?\r\n\r\nAll data that it contains will be lost!") != mrYes)
        return false;
    Timer1.SetTimerEnabled(true);
    brenvik.SetWriteSpeed(static_cast<uint16_t>(GetSelectedSpeed()));
    // A blanking command the drive refuses is reported through OnEraseDone, which sets
    // LastError at once. A drive that never becomes ready reports nothing: without this
    // the run would wait for an end that never comes.
    LastError.clear();
    if (!brenvik.Erase(Quick ? QuickErase : FullErase) && LastError.empty()) {
        Timer1.SetTimerEnabled(false);
        return false;
    }
    return true;
}

void TfrmCDMain::brenvikEraseDone(TSCSIDevice* Sender, bool WithError)
{
    (void)Sender;
    lblErase.SetEnabled(false);
    Timer1.SetTimerEnabled(false);
    Beep();
    if (WithError) {
        LastError = "Erasure of CD failed";
        brenvik.DebugMessage(">>> Erase process done with error", 0);
        PostMessage(WM_CDDONE, 1);
    } else {
        LastError.clear();
        brenvik.DebugMessage(">>> Erase process done", 0);
        PostMessage(WM_CDBURN);
    }
}

void TfrmCDMain::BurnCD()
{
    Application().SetCursor(crHourGlass);
    Timer1.SetTimerEnabled(true);
    brenvik.DebugMessage(">>> STARTING CD BURN ON " + brenvik.Device(), 0);
    brenvik.SetWriteSpeed(static_cast<uint16_t>(GetSelectedSpeed()));
    // Blocks until the cache has filled; a start that fails reports through OnWriteDone.
    brenvik.StartWrite();
}

void TfrmCDMain::brenvikFinalizingTrack(void* Sender)
{
    (void)Sender;
    brenvik.DebugMessage(">>> Finalizing track", 0);
}

void TfrmCDMain::brenvikWriteDone(TBrenvik* Sender, const std::string& Error)
{
    (void)Sender;
    Timer1.SetTimerEnabled(false);
    Timer1Timer(&Timer1); // the bars show the final state
    LastError = Error;
    if (!Error.empty()) {
        brenvik.DebugMessage(">>> CD write process done with error:", 0);
        brenvik.DebugMessage(">>> " + Error, 0);
    } else {
        brenvik.DebugMessage(">>> CD write process done", 0);
        DiscWritten = true;
    }
    // The disc holds every file, but these with zeros where their source failed them.
    SourceProblems.clear();
    for (const std::string& f : brenvik.ChangedFiles())
        SourceProblems.push_back("\"" + f + "\" changed size while it was written; its missing bytes are zeros");
    for (const std::string& f : brenvik.UnreadableFiles())
        SourceProblems.push_back("\"" + f +
                                 "\" could not be read while it was written; what it did not deliver is zeros");
    for (const std::string& p : SourceProblems)
        brenvik.DebugMessage(">>> " + p, 0);
    for (const std::string& f : brenvik.MismatchedFiles)
        brenvik.DebugMessage(">>> Differs on the disk from what was written: " + f, 0);
    if (brenvik.VerifyWrite && !brenvik.TestWrite && Error.empty())
        brenvik.DebugMessage(">>> Written data verified", 0);
    Beep();
    PostMessage(WM_CDDONE, Error.empty() ? 0 : 1);
}

void TfrmCDMain::WMCDDone(const TMessage& Message)
{
    const bool WithError = Message.WParam == 1;
    brenvik.DebugMessage(">>> Write Completed", 0);
    pbrErase.SetPosition(0);
    pbrWriteCD.SetPosition(0);
    Application().SetCursor(crDefault);
    ShowCloseButton(true);
    brenvik.ClearFiles(TreeMaxFiles, TreeMaxDirs);
    brenvik.SynchronizeCache(FlushTimeoutMs, false);
    if (WithError) {
        ShowError("An error was encountered while writing data to your disk:\r\n\r\n" + LastError);
    } else {
        std::string text = "Your disk is now ready.";
        if (!SourceProblems.empty()) {
            text += "\r\n\r\nSome files did not match their sources while they were written:";
            for (const std::string& p : SourceProblems)
                text += "\r\n" + p;
        }
        ShowInformation(text);
        PostMessage(WM_CDEJECT);
    }
}

void TfrmCDMain::Eject()
{
    brenvik.DebugMessage(brenvik.StartStopUnit(true) ? ">>> Eject medium command done"
                                                     : ">>> Eject medium command failed",
                         0);
}

void TfrmCDMain::Timer1Timer(TObject* Sender)
{
    (void)Sender;
    if (brenvik.Erasing) {
        pbrErase.SetMax(100);
        pbrErase.SetPosition(brenvik.EraseProgress());
        return;
    }
    if (brenvik.Verifying) {
        const int64_t verified = brenvik.BytesVerified.load();
        lblSize.SetCaption("Data Verified: " + MB(static_cast<double>(verified)) + "/" +
                           MB(static_cast<double>(brenvik.ImageSize()) * 2048.0) + " MB");
        pbrWriteCD.SetPosition(static_cast<int>(verified / 2048));
        return;
    }
    const int64_t written = brenvik.BytesWritten.load();
    lblSize.SetCaption("Data Written: " + MB(static_cast<double>(written)) + "/" +
                       MB(static_cast<double>(brenvik.ImageSize()) * 2048.0) + " MB");
    pBuf.SetPosition(brenvik.CacheFillPercent());
    pbrWriteCD.SetPosition(static_cast<int>(written / 2048));
    // A reading with more free space than buffer (a drive's quirk, or a pair sampled while
    // the write thread updates it) is skipped rather than shown as a huge fill.
    const uint32_t size = brenvik.DeviceBufferSize, free = brenvik.DeviceFreeBufferSize;
    if (free <= size)
        pHBuf.SetPosition(static_cast<int>(size - free));
}

void TfrmCDMain::btnCancel4Click(TObject* Sender)
{
    (void)Sender;
    // During an erase this only shows "Close": the erase cannot be stopped, and the write
    // thread clears the request when the recording that follows the erase starts.
    brenvik.AbortWrite();
    ShowCloseButton(true);
    // "Previous" waits for the end of the run: a new run started while the engine is still
    // stopping would clear the file tree that its cache thread reads.
    btnPrev2.SetEnabled(false);
}

void TfrmCDMain::btnPrev2Click(TObject* Sender)
{
    (void)Sender;
    pgcCD.SetActivePage(&tab1);
}

void TfrmCDMain::ShowCloseButton(bool Visible)
{
    btnClose.SetBounds(btnClose.Left(), btnCancel4.Top(), btnClose.Width(), btnClose.Height());
    btnClose.SetVisible(Visible);
    btnCancel4.SetVisible(!Visible);
    btnPrev2.SetEnabled(Visible);
}

void TfrmCDMain::WndProc(const TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CDERASE:
        return WMCDErase(Message);
    case WM_CDBURN:
        return WMCDBurn(Message);
    case WM_CDDONE:
        return WMCDDone(Message);
    case WM_CDEJECT:
        return WMCDEject(Message);
    default:
        return TForm::WndProc(Message);
    }
}

void TfrmCDMain::WMCDErase(const TMessage&)
{
    if (!EraseCD(true)) {
        LastError = "Erasure of disk was not completed";
        PostMessage(WM_CDDONE, 1);
    }
}

void TfrmCDMain::WMCDBurn(const TMessage&) { BurnCD(); }

void TfrmCDMain::WMCDEject(const TMessage&) { Eject(); }

} // namespace scrivo
