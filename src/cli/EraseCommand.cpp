// `scrivo erase`: makes a rewritable disc blank again.
#include "ArgReader.h"
#include "Commands.h"
#include "EngineSession.h"
#include "Progress.h"

namespace scrivo::cli {

const char* const EraseUsage =
    "scrivo erase [-d DRIVE] [--full] [--log FILE] [-v]\n"
    "  Erases the rewritable disc (CD-RW, DVD-RW, DVD+RW, DVD-RAM) in DRIVE: a quick erase,\n"
    "  or the whole disc with --full. DRIVE: the position in the drive list (1 = first),\n"
    "  an adapter:target:lun address, or virtual:DISC[,media=KIND,...] for a virtual recorder.\n"
    "  Exit status: 0 erased, 1 failed, 2 bad usage.";

std::string EraseDisc(TEngineSession& session, bool full) {
    TBrenvik& b = session.Brenvik;
    const uint8_t kind = b.DetectDiscKind();
    if (!IsErasableKind(kind))
        return std::string("a ") + DiscKindName(kind) + " disc cannot be erased";
    bool done = false, failed = false;
    b.OnEraseDone = [&](TSCSIDevice*, bool withError) {
        done = true;
        failed = withError;
    };
    if (!b.Erase(full ? 0 : 1)) {
        b.OnEraseDone = nullptr;
        return "the erase did not start" + (b.LastErrorText.empty() ? "" : " (" + b.LastErrorText + ")");
    }
    TProgressLine progress("scrivo erase", 100);
    session.Pump([&] { return done; }, [&] { progress.Update(b.EraseProgress()); });
    progress.Finish();
    b.OnEraseDone = nullptr;
    // The drive cannot be stopped: only the wait for it was.
    if (TEngineSession::Interrupted)
        return "interrupted: the drive goes on erasing the disc by itself; let it finish before using the "
               "disc";
    if (failed) return "the erase failed";
    return "";
}

int RunErase(const std::vector<std::string>& args) {
    TDriveArgs a;
    bool full = false;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("--full"))
            full = true;
        else if (!TakeDriveOption(r, a))
            r.Unexpected();
    }
    TEngineSession session(a.Log, a.Verbose);
    std::string failed = session.Open(a.Drive);
    if (failed.empty())
        failed = EraseDisc(session, full);
    if (!failed.empty()) {
        PrintError(failed);
        return ExitFailure;
    }
    std::printf("erased the %s disc in %s\n", DiscKindName(session.Brenvik.DetectDiscKind()),
                session.Brenvik.Device().c_str());
    return ExitOk;
}

} // namespace scrivo::cli
