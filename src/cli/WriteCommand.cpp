// `scrivo write`: records files and folders on the disc in a drive as a new session.
#include "ArgReader.h"
#include "BootOptions.h"
#include "DriveSelect.h"
#include "Eject.h"
#include "EngineSession.h"
#include "Progress.h"
#include "SourceTree.h"
#include "engine/bvStreamEx.h"
#include "image/bvISOLib_import.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include <algorithm>
#include <cmath>
#include <memory>

namespace scrivo::cli {

const char* const WriteUsage =
    "scrivo write [-d DRIVE] [--speed X|max] [--erase] [--close] [--test] [--no-joliet] [--no-rock]\n"
    "             [--follow-links] [--volume LABEL] [--eject]\n"
    "             [--dest /DISC/FOLDER] [--no-import] [--skip-damaged] [--skip-unreadable] [--no-verify]\n"
    "             [--log FILE] [-v] [--boot FILE [--boot-info-table] [--boot-load-size N]]\n"
    "             [--efi-boot FILE] PATH...\n"
    "       scrivo write [-d DRIVE] [--speed X|max] [--erase] [--close] [--test] [--no-verify]\n"
    "             [--log FILE] [-v] [--eject] --image FILE\n"
    "  Records PATHs (as scrivo image takes them) on the disc in DRIVE as a new session. On a\n"
    "  disc that already holds sessions the last one is imported first (unless --no-import),\n"
    "  so its files stay visible; a new file of an imported file's name replaces it. When that\n"
    "  session cannot be read whole, nothing is recorded unless --skip-damaged is given (the\n"
    "  new session then lists what could be read); so it is for earlier files the new session\n"
    "  cannot carry over, each named with the reason (names differing only in case without\n"
    "  Rock Ridge, names too long for it, associated files). The import reads each folder\n"
    "  once and takes at most 1,000,000 files and folders. An item below a folder that cannot\n"
    "  be added (a folder that cannot be read, a name too long for the disc) is named and\n"
    "  nothing is recorded, unless --skip-unreadable. --erase blanks a rewritable disc first,\n"
    "  --close closes the disc, --test records with the laser off, --eject ejects the disc once\n"
    "  recorded. The new session is read back and compared with what was written (--no-verify\n"
    "  skips that); files whose data differs are named. --image records an existing image FILE\n"
    "  as it is (its last sector padded with zeros): on a blank disc, or from sector 0 of a\n"
    "  DVD+RW, DVD-RW or DVD-RAM, replacing what that disc held. DRIVE: the position in\n"
    "  the drive list (1 = first), an adapter:target:lun address, or\n"
    "  virtual:DISC[,media=KIND,...] for a virtual recorder (a missing DISC is created blank,\n"
    "  DVD+R by default). Rock Ridge, --no-rock and --follow-links: as for\n"
    "  scrivo image.\n" SCRIVO_BOOT_USAGE
    "  Exit status: 0 recorded, 1 failed, 2 bad usage, 130 interrupted.";

// The help states the import's limit.
static_assert(MaxImportEntries == 1000000);

namespace {

struct WriteArgs {
    std::string Drive, Volume, Log, Dest = "\\";
    std::string Speed = "max";
    bool Eject = false; // once recorded
    bool Erase = false, Close = false, Test = false, Joliet = true, Import = true, Verbose = false;
    bool SkipDamaged = false, SkipUnreadable = false, Rock = true, FollowLinks = false;
    bool Verify = true;
    std::string Image;
    bool TreeOptions = false; // an option that shapes a file tree was given
    std::vector<std::string> Paths;
    TBootArgs Boot;
};

WriteArgs Parse(const std::vector<std::string>& args) {
    WriteArgs a;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-d", "--drive"))
            a.Drive = r.Value();
        else if (r.Is("--speed"))
            a.Speed = r.Value();
        else if (r.Is("--erase"))
            a.Erase = true;
        else if (r.Is("--close"))
            a.Close = true;
        else if (r.Is("--test"))
            a.Test = true;
        else if (r.Is("--eject"))
            a.Eject = true;
        else if (r.Is("--image"))
            a.Image = r.Value();
        else if (r.Is("--no-joliet"))
            a.Joliet = false, a.TreeOptions = true;
        else if (r.Is("--no-rock"))
            a.Rock = false, a.TreeOptions = true;
        else if (r.Is("--follow-links"))
            a.FollowLinks = true, a.TreeOptions = true;
        else if (r.Is("--volume"))
            a.Volume = r.Value(), a.TreeOptions = true;
        else if (r.Is("--dest"))
            a.Dest = ToDiscPath(r.Value()), a.TreeOptions = true;
        else if (r.Is("--verify"))
            a.Verify = true;
        else if (r.Is("--no-verify"))
            a.Verify = false;
        else if (r.Is("--no-import"))
            a.Import = false;
        else if (r.Is("--skip-damaged"))
            a.SkipDamaged = true;
        else if (r.Is("--skip-unreadable"))
            a.SkipUnreadable = true;
        else if (r.Is("--log"))
            a.Log = r.Value();
        else if (r.Is("-v", "--verbose"))
            a.Verbose = true;
        else if (!TakeBootOption(r, a.Boot))
            a.Paths.push_back(r.Operand());
    }
    const bool boot = !a.Boot.Bios.empty() || !a.Boot.Efi.empty();
    if (!a.Image.empty() && (!a.Paths.empty() || a.TreeOptions || boot))
        throw UsageError("--image records the image as it is: no PATH, tree option (--dest, --volume, "
                         "--no-joliet, --no-rock, --follow-links) or boot option with it");
    if (a.Paths.empty() && a.Image.empty())
        throw UsageError("no PATH to record");
    CheckBootArgs(a.Boot);
    if (a.Speed != "max") {
        char* end = nullptr;
        const double x = std::strtod(a.Speed.c_str(), &end);
        if (a.Speed.empty() || *end || !(x > 0) || x > 100)
            throw UsageError("--speed takes a factor such as 8 or 2.4, or max");
    }
    return a;
}

// The KB/s to ask the drive for, 0 for its maximum. A factor above the drive's maximum for
// the disc records at the maximum and says so (KB/s past 65535 would wrap round to a slow
// speed). Any factor below the drive's slowest speed, however small, asks for 1 KB/s, which
// the drive answers with its slowest (see SayChosenSpeed): the user asked for slow, and a
// factor too small to name a speed is still a request for the slowest one.
uint16_t SpeedKBps(TBrenvik& b, const std::string& speed, uint8_t kind) {
    if (speed == "max")
        return 0;
    const bool dvd = !IsCDKind(kind);
    const double want = std::strtod(speed.c_str(), nullptr) * (dvd ? 1385.0 : 176.4);
    const uint16_t fastest = b.MaxWriteSpeed();
    if (fastest > 0 && std::lround(want) > fastest) {
        PrintError("--speed " + speed + ": the drive's fastest for this disc is " + WriteSpeedText(fastest, dvd) +
                   ", recording at that speed");
        return 0;
    }
    return uint16_t(std::clamp(std::lround(want), 1L, 0xFFFEL));
}

// Says when the drive answered a slower request than it can go with its slowest speed.
void SayChosenSpeed(TBrenvik& b, const std::string& speed, uint16_t asked, uint8_t kind) {
    const uint16_t chosen = asked ? b.CurrentWriteSpeed() : 0;
    if (chosen > asked)
        PrintError("--speed " + speed + ": the drive's slowest for this disc is " +
                   WriteSpeedText(chosen, !IsCDKind(kind)) + ", recording at that speed");
}

int Fail(const std::string& text) {
    PrintError(text);
    return ExitFailure;
}

constexpr const char* NoAnswerWhileExaminingText =
    "the drive did not answer while the disc was examined, so what it holds is not known: nothing was "
    "recorded (check the drive and its connection, then try again)";

// Imports the last session; answers an error text when it could not be read whole (and
// damaged entries are not to be skipped), else fills `summary`.
std::string ImportLastSession(TBrenvik& b, bool skipDamaged, bool overwritable, std::string& summary) {
    std::vector<std::string> problems;
    const TImageMessage previous = b.ReportMessage;
    b.ReportMessage = [&](const std::string& text, uint8_t type) {
        if (type == 4) {
            std::string line = text;
            for (size_t at; (at = line.find("\n\r")) != std::string::npos;)
                line.replace(at, 2, ": ");
            problems.push_back(line);
        }
        if (previous)
            previous(text, type);
    };
    // Ctrl-C ends the import as it ends a wait for the drive (the session's StopWaiting).
    const bool imported = b.ImportSession(-1, nullptr);
    b.ReportMessage = previous;
    if (b.ImportInterrupted || TEngineSession::Interrupted)
        return "interrupted while the last session on the disc was read, nothing was recorded";

    // An overwritable disc reports a session even when nothing was ever recorded on it.
    if (!imported && !b.ImportFoundVolume && overwritable)
        return "";
    const bool nothing = !imported || b.ImportedFiles + b.ImportedFolders == 0;
    std::string what;
    for (const std::string& p : problems)
        what += "\n  " + p;
    if ((nothing || b.ImportLeftOut > 0) && !skipDamaged)
        return std::string(nothing ? "the last session on the disc could not be read"
                                   : "entries of the last session on the disc could not be read") +
               ", nothing was recorded (--skip-damaged records without them):" +
               (what.empty() ? "\n  no file or folder found" : what);
    if (!what.empty())
        PrintError("left out of the new session:" + what);
    summary = ", " + std::to_string(b.ImportedFiles) + " earlier files imported";
    if (b.ImportLeftOut > 0)
        summary += " (" + std::to_string(b.ImportLeftOut) + " damaged entries left out)";
    return "";
}

std::string Mib(int64_t bytes) { return FormatFloat("0.0", double(bytes) / 1048576.0) + " MiB"; }

// The image file of --image: answers an error text, empty when it can be recorded (`bytes`
// then holds its size).
std::string CheckImageFile(const std::string& path, int64_t& bytes) {
    FileListing item;
    if (FindFile(path, item) && (item.Attr & faDirectory) != 0)
        return "the image \"" + path + "\" is a folder, not a file";
    try {
        TFileStreamEx image(path, fmOpenReadShared);
        bytes = image.GetSize();
    } catch (const EFOpenError& e) {
        return "cannot read the image \"" + path + "\": " + e.Reason;
    }
    if (bytes <= 0)
        return "the image \"" + path + "\" is empty";
    return "";
}

// The room a rewritable disc offers once --erase has blanked it: the whole recordable area
// (CD-RW: up to the last possible lead-out its ATIP gives; DVD: what a full format covers).
uint32_t RoomAfterErase(TBrenvik& b, uint8_t kind) {
    uint32_t blocks = 0;
    if (kind == dkCDRW) {
        alignas(4) uint8_t atip[28] = {};
        if (!b.ReadTOC(true, 4, 0, atip, sizeof atip))
            return 0;
        const uint32_t msf = (uint32_t(atip[12]) * 60 + atip[13]) * 75 + atip[14];
        return msf > 150 ? msf - 150 : 0;
    }
    const uint8_t type = kind == dkDVDPlusRW ? 0x26 : 0x00;
    if (kind != dkDVDRAM && b.FormatCapacityOf(type, blocks))
        return blocks;
    // DVD-RAM keeps its format: all of it, the part recorded so far included.
    uint32_t start = 0;
    if (!b.Disc->FindStartAddress(start))
        start = 0;
    const uint64_t room = uint64_t(b.GetFreeBlocks()) + start;
    return room > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(room);
}

// The tree of the new session: the last session imported (unless --no-import, or the disc is
// to be erased first), then the PATHs. Answers an error text; `summary` tells what was imported.
std::string BuildTree(TBrenvik& b, const WriteArgs& a, bool overwritable, std::string& summary) {
    b.JolietFileSystem = a.Joliet;
    b.RockRidge = a.Rock;
    b.FollowLinks = a.FollowLinks;
    b.IdVolume = a.Volume;
    ApplyBootArgs(a.Boot, b);
    const int sessions = a.Import && !a.Erase ? b.RecordedSessionCount() : 0;
    // A session that holds an interrupted recording, closed by scrivo repair, is passed over:
    // the one before it shows what the disc holds.
    const int importable = sessions > 0 ? b.Disc->RecordedSessionCount() : 0;
    if (importable < sessions)
        PrintError(
            "note: " +
            std::string(sessions - importable == 1 ? "the last session holds" : "the last sessions hold") +
            " an interrupted recording, " +
            (importable ? "the files of session " + std::to_string(importable) + " are imported"
                        : "no earlier session to import"));
    if (importable > 0) {
        const std::string failed = ImportLastSession(b, a.SkipDamaged, overwritable, summary);
        if (!failed.empty())
            return failed;
        // A file of the session that has a new version on the command line is recorded anew.
        b.ReplaceImported = true;
    }
    const std::string failed = AddSources(b, a.Paths, a.Dest, a.SkipUnreadable);
    if (!failed.empty())
        return failed;
    if (b.ReplacedImported > 0)
        summary += ", " + std::to_string(b.ReplacedImported) + " replaced by new versions";
    b.PrepareImage(true, nullptr);
    return "";
}

// An image made for address 0 is recorded on a blank disc, or from address 0 of an
// overwritable one. Answers an error text; `free` is the room it has there.
std::string PlaceImage(TBrenvik& b, const WriteArgs& a, uint8_t kind, uint32_t& free, std::string& summary) {
    const std::string& image = a.Image;
    if (a.Erase) {
        free = RoomAfterErase(b, kind);
        return "";
    }
    const int sessions = b.RecordedSessionCount();
    if (!IsOverwritableKind(kind)) {
        if (sessions > 0 || b.DiscStatus() != 0)
            return std::string("the ") + DiscKindName(kind) + " disc already holds " +
                   (sessions == 1 ? "a session" : std::to_string(sessions) + " sessions") + ": the image \"" +
                   image + "\" starts at sector 0 and cannot be recorded as a later session; nothing was "
                           "recorded" +
                   (b.IsErasable() ? " (scrivo write --erase blanks the disc first)" : " (use a blank disc)");
        free = b.GetFreeBlocks();
        return "";
    }
    // In place: the room from address 0 is what is free after the recorded part plus that part.
    uint32_t recorded = 0;
    if (!b.Disc->FindStartAddress(recorded))
        recorded = 0;
    const uint64_t room = uint64_t(b.GetFreeBlocks()) + recorded;
    free = room > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(room);
    if (recorded > 0)
        summary = ", replacing what the disc held";
    return "";
}

int Record(TEngineSession& session, const WriteArgs& a, uint8_t kind, const std::string& summary) {
    TBrenvik& b = session.Brenvik;
    bool done = false;
    std::string error;
    b.OnWriteDone = [&](TBrenvik*, const std::string& text) {
        done = true;
        error = text;
    };
    if (!b.StartWrite())
        return Fail(error.empty() ? "the recording did not start" : error);

    TProgressLine progress("scrivo write", b.ImageSize() * 2048);
    std::unique_ptr<TProgressLine> verifying;
    const double factor = IsCDKind(kind) ? 176.4 : 1385.0;
    const uint32_t started = TickCount();
    bool abortSent = false;
    session.Pump([&] { return done; },
                 [&] {
                     if (TEngineSession::Interrupted && !abortSent) {
                         b.AbortWrite();
                         abortSent = true;
                     }
                     if (b.Verifying || verifying) {
                         if (!verifying) {
                             progress.Finish();
                             verifying = std::make_unique<TProgressLine>("verify", b.ImageSize() * 2048);
                         }
                         verifying->Update(b.BytesVerified);
                         return;
                     }
                     const int64_t bytes = b.BytesWritten;
                     const uint32_t size = b.DeviceBufferSize, freeBytes = b.DeviceFreeBufferSize;
                     const double seconds = (TickCount() - started) / 1000.0;
                     const double kbps = seconds > 0 ? double(bytes) / 1024.0 / seconds : 0;
                     std::string extra = "buffer " + std::to_string(b.CacheFillPercent()) + "%";
                     if (size > 0)
                         extra += ", drive " + std::to_string((uint64_t(size) - freeBytes) * 100 / size) + "%";
                     extra += ", " + FormatFloat("0.0", kbps / factor) + "X";
                     progress.Update(bytes, extra);
                 });
    progress.Finish();
    if (verifying)
        verifying->Finish();
    for (const std::string& f : b.MismatchedFiles)
        PrintError("\"" + f + "\" differs on the disc from what was written");
    if (error == VerifyAbortedText)
        return Fail(
            "interrupted while the new session was read back: the recording itself finished (session at "
            "sector " +
            std::to_string(b.StartAddress) + (a.Close ? ", disc closed" : "") +
            "); only its verification was stopped");
    if (!error.empty()) {
        PrintError(error);
        // A run that failed or was stopped once blocks went out, before the session was
        // closed, leaves it open on a write-once disc (a failed verification came after it).
        if (b.BytesWritten > 0 && !IsOverwritableKind(kind) && error.rfind("VERIFY", 0) != 0)
            PrintError("the new session may be left unfinished on the disc: " + RepairHint(a.Drive));
        return ExitFailure;
    }
    const std::string mib = Mib(b.ImageSize() * 2048);
    const int files = b.FileCount() - b.DirectoryCount(), folders = b.DirectoryCount() + 1;
    const std::string what = a.Image.empty() ? std::to_string(files) + " files (" + mib + ") in " +
                                                   std::to_string(folders) + " folders"
                                             : "the image \"" + a.Image + "\" (" + mib + ")";
    std::printf("%s %s to the %s disc in %s, session at sector %u%s%s%s\n", a.Test ? "test-wrote" : "wrote",
                what.c_str(), DiscKindName(kind), b.Device().c_str(), b.StartAddress, summary.c_str(),
                a.Close ? ", disc closed" : "", a.Verify && !a.Test ? ", verified" : "");
    if (PrintSourceProblems(b.ChangedFiles(), b.UnreadableFiles(), "it was recorded"))
        return Fail("the disc was written, but the files above do not match their sources");
    return ExitOk;
}

} // namespace

int RunWrite(const std::vector<std::string>& args) {
    const WriteArgs a = Parse(args);
    int64_t imageBytes = 0;
    if (!a.Image.empty()) {
        const std::string problem = CheckImageFile(a.Image, imageBytes);
        if (!problem.empty())
            return Fail(problem);
    }
    TEngineSession session(a.Log, a.Verbose);
    TBrenvik& b = session.Brenvik;

    std::string failed = session.Open(a.Drive);
    if (!failed.empty())
        return Fail(failed);

    // Whatever is judged of the disc from here on rests on the drive's answers: a command it
    // never answered reads as an empty reply (no sessions to import, no room), and a session
    // recorded on that ground could hide the earlier ones. Such a run is refused as it is.
    const uint32_t unanswered = b.UnansweredCommands();
    const auto refuse = [&](const std::string& text) {
        if (TEngineSession::Interrupted) return Fail("interrupted: nothing was recorded");
        return Fail(b.UnansweredCommands() != unanswered ? NoAnswerWhileExaminingText : text);
    };

    // From here until the erase or the run's thread (each ends this) the disc is only examined:
    // a question the drive answered already is not asked again.
    b.KeepDiscAnswers = true;
    // Everything that can refuse the run is judged before the first command that changes the
    // disc (the erase, a format, the recording): a run refused leaves the disc as it was.
    uint8_t kind = b.DetectDiscKind();
    if (a.Erase && !IsErasableKind(kind))
        return refuse(std::string("a ") + DiscKindName(kind) + " disc cannot be erased");
    if (!IsWritableKind(kind))
        return refuse(std::string("a ") + DiscKindName(kind) + " disc cannot be recorded");
    const bool overwritable = IsOverwritableKind(kind);
    if (!a.Erase && b.DiscStatus() == 2 && !overwritable)
        return refuse(std::string("the ") + DiscKindName(kind) + " disc is closed: no session can be added");

    uint32_t unfinishedAt = 0;
    if (!a.Erase && !overwritable && b.HasUnfinishedTrack(unfinishedAt))
        return refuse(UnfinishedSessionText(kind, unfinishedAt) + " " + RepairHint(a.Drive) +
                      (b.IsErasable() ? " (or scrivo write --erase blanks the disc)" : ""));
    if (a.Test) {
        const std::string refused = b.TestWriteRefusal(kind, a.Erase);
        if (!refused.empty())
            return refuse(refused);
    }

    b.FreeTablesWhenDone = LeakCheckedBuild; // the process ends with this command
    b.CaseSensitiveNames = true;             // NAME.TXT and name.txt are two files here
    b.ClearFiles(TreeMaxFiles, TreeMaxDirs);
    b.FinalizeDisc = a.Close;
    b.VerifyWrite = a.Verify;
    b.RawImageFile = a.Image;
    std::string summary;
    uint32_t free = 0;
    if (a.Image.empty()) {
        failed = BuildTree(b, a, overwritable, summary);
        free = a.Erase ? RoomAfterErase(b, kind) : b.GetFreeBlocks();
    } else {
        failed = PlaceImage(b, a, kind, free, summary);
        b.ImageSectorCount = (imageBytes + 2047) / 2048;
        if (failed.empty() && imageBytes % 2048 != 0)
            PrintError("note: the image is not a whole number of 2048-byte sectors; its last sector is "
                       "padded with zeros");
    }
    if (!failed.empty() || b.UnansweredCommands() != unanswered)
        return refuse(failed);
    const int64_t size = b.ImageSize();
    // Overwritable media too: a tree larger than the disc would fail halfway, with its
    // file system already in view.
    if (size > int64_t(free))
        return refuse("the image needs " + std::to_string(size) + " sectors, the disc has " + std::to_string(free) +
                      " free");
    if (a.Erase) {
        b.KeepDiscAnswers = false; // the erase polls the drive for its progress
        failed = EraseDisc(session, false);
        if (!failed.empty())
            return Fail(failed);
        kind = b.DetectDiscKind();
    }
    // The run formats a DVD-RW by the kind the drive layer keeps.
    CurrentDiscKind = kind;
    b.TestWrite = a.Test;
    const uint16_t speed = SpeedKBps(b, a.Speed, kind);
    b.SetWriteSpeed(speed);
    SayChosenSpeed(b, a.Speed, speed, kind);
    const int done = Record(session, a, kind, summary);
    if (done == ExitOk && a.Eject) {
        // The session is safe on the disc: a drive that keeps it is only noted.
        const std::string kept = EjectDisc(b);
        if (!kept.empty())
            PrintError("note: " + kept);
    }
    return done;
}

} // namespace scrivo::cli
