#include "EngineSession.h"
#include "Commands.h"
#include "DriveSelect.h"
#include "device/TimeScale.h"
#include "engine/bvCDBC_run.h"
#include "platform/DateTime.h"
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace scrivo::cli {

std::atomic<bool> TEngineSession::Interrupted{false};

namespace {
// A running write stops at its next block, not only when the main loop next looks (by then
// a fast drive may have taken the rest of the session).
extern "C" void OnSessionInterrupt(int) {
    TEngineSession::Interrupted = true;
    WriteRun().RunAbortFlag = true;
}
} // namespace

TEngineSession::TEngineSession(const std::string& logPath, bool verbose) : verbose_(verbose) {
    if (!logPath.empty()) {
        log_ = std::fopen(logPath.c_str(), "a");
        if (!log_)
            throw UsageError("cannot open the log \"" + logPath + "\": " + std::strerror(errno));
    }
    Interrupted = false;
    WriteRun(); // made here, never first in the handler
    std::signal(SIGINT, OnSessionInterrupt);
    std::signal(SIGTERM, OnSessionInterrupt);
    ApplyTimeScale(Brenvik);
    // Ctrl-C ends every wait of the session within a moment: for the disc, for a command's
    // answer, for a busy or closing drive. The command or run waiting then ends as aborted.
    Brenvik.StopWaiting = [] { return Interrupted.load(); };
    // With -v every command the drive gets is traced.
    CommandTrace = verbose;
    // Messages come from the write and erase threads as well.
    Brenvik.OnDebugMessage = [this](TSCSIDevice*, const std::string& text, uint8_t type) { Message(text, type); };
}

TEngineSession::~TEngineSession() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (log_)
        std::fclose(log_);
}

void TEngineSession::Message(const std::string& text, uint8_t type) {
    std::lock_guard<std::mutex> l(m_);
    if (log_) {
        std::fprintf(log_, "%u - [%u] %s\n", TickCount() / 1000, unsigned(type), text.c_str());
        std::fflush(log_);
    }
    if (verbose_)
        std::fprintf(stderr, "\r%s\n", text.c_str());
}

std::string TEngineSession::WaitForDisc() {
    TBrenvik& b = Brenvik;
    const bool ready = b.TestUnitReady(10000) || b.WaitUntilReady(30000, 5000);
    if (!ready) {
        if (Interrupted)
            return "interrupted while waiting for the drive";
        // The wait may end on a REQUEST SENSE, whose own sense says nothing: ask once more.
        b.TestUnitReady(5000);
        if (b.LastSense[12] == 0x3A)
            return b.LastSense[13] == 0x02 ? "no disc in the drive (its tray is open)" : "no disc in the drive";
        return "the drive is not ready" + (b.LastErrorText.empty() ? "" : " (" + b.LastErrorText + ")");
    }
    return "";
}

std::string TEngineSession::Open(const std::string& drive) {
    const std::string failed = SelectDrive(Brenvik, drive);
    // Ctrl-C during the drive scan leaves drives unanswered, not absent.
    if (Interrupted)
        return "interrupted while looking for the drive";
    return failed.empty() ? WaitForDisc() : failed;
}

bool TakeDriveOption(TArgReader& r, TDriveArgs& a) {
    if (r.Is("-d", "--drive"))
        a.Drive = r.Value();
    else if (r.Is("--log"))
        a.Log = r.Value();
    else if (r.Is("-v", "--verbose"))
        a.Verbose = true;
    else
        return false;
    return true;
}

bool IsWritableKind(uint8_t kind) {
    return kind == dkCDR || kind == dkCDRW || kind == dkDVDR || kind == dkDVDRAM || kind == dkDVDRWRestricted ||
           kind == dkDVDRWSequential || kind == dkDVDPlusRW || kind == dkDVDPlusR;
}

bool IsErasableKind(uint8_t kind) {
    return kind == dkCDRW || kind == dkDVDRAM || kind == dkDVDRWRestricted || kind == dkDVDRWSequential ||
           kind == dkDVDPlusRW;
}

} // namespace scrivo::cli
