// `scrivo repair`: closes the session an interrupted recording left open on a write-once
// disc, so that the disc takes new sessions again.
#include "ArgReader.h"
#include "Commands.h"
#include "EngineSession.h"
#include "SourceTree.h"
#include "device/bvDrvLib_bytes.h"
#include <algorithm>
#include <cstring>

namespace scrivo::cli {

const char* const RepairUsage =
    "scrivo repair [-d DRIVE] [--log FILE] [-v]\n"
    "  Closes the session that a recording cut off (a crash, a kill, a power loss) left open on\n"
    "  the CD-R, CD-RW, DVD-R, DVD-RW or DVD+R in DRIVE, which takes no new session until then.\n"
    "  When all of its data was recorded, its files can be read as if the recording had ended\n"
    "  normally. When it was not, the session is closed as it is, with its files lost: later\n"
    "  recordings do not import it and show the files of the session before it. DRIVE: as for\n"
    "  scrivo write.\n"
    "  Exit status: 0 closed (or nothing to close), 1 failed, 2 bad usage.";

std::string RepairHint(const std::string& drive) {
    // A virtual recorder is named by its disc; its fault settings are not part of the advice.
    std::string name = drive.rfind("virtual:", 0) == 0 ? drive.substr(0, drive.find(',')) : drive;
    return std::string("\"scrivo repair") + (name.empty() ? "" : " -d " + name) +
           "\" closes it so that the disc takes new sessions again.";
}

namespace {

// What the open session holds: where it starts, one past its last recorded block, and one
// past the last block of the file system recorded in it (0 when its descriptor is not there).
struct TOpenSession {
    uint32_t Number = 0, Start = 0, RecordedEnd = 0, VolumeEnd = 0;
    bool Complete() const { return VolumeEnd > Start + 16 && VolumeEnd <= RecordedEnd; }
};

TOpenSession Examine(TBrenvik& b, uint32_t start) {
    TOpenSession s;
    s.Start = s.RecordedEnd = start;
    b.ReadDiscInformation();
    s.Number = DiscInformation[4] | uint32_t(DiscInformation[9]) << 8;
    const uint32_t first = uint32_t(DiscInformation[10]) << 8 | DiscInformation[5];
    const uint32_t last = uint32_t(DiscInformation[11]) << 8 | DiscInformation[6];
    for (uint32_t track = first; track != 0 && track <= last; ++track) {
        if (!b.ReadTrackInformation(track) || b.TrackBlank()) continue;
        const uint32_t end = b.LastRecordedValid()   ? b.LastRecordedAddress() + 1
                             : b.NextWritableValid() ? b.NextWritableAddress()
                                                     : b.TrackStartAddress();
        s.RecordedEnd = std::max(s.RecordedEnd, end);
    }
    uint8_t pvd[SectorSize];
    if (s.RecordedEnd > start + 16 && b.ReadBlocks(start + 16, 1, SectorSize, pvd) && pvd[0] == 1 &&
        std::memcmp(pvd + 1, "CD001", 5) == 0)
        s.VolumeEnd = GetLE32(pvd + 80);
    return s;
}

int Fail(const std::string& text) {
    PrintError(text);
    return ExitFailure;
}

} // namespace

int RunRepair(const std::vector<std::string>& args) {
    TDriveArgs a;
    TArgReader r(args);
    while (r.Next())
        if (!TakeDriveOption(r, a)) r.Unexpected();
    TEngineSession session(a.Log, a.Verbose);
    TBrenvik& b = session.Brenvik;
    if (const std::string failed = session.Open(a.Drive); !failed.empty()) return Fail(failed);

    const uint8_t kind = b.DetectDiscKind();
    CurrentDiscKind = kind;
    const std::string disc = std::string("the ") + DiscKindName(kind) + " disc in " + b.Device();
    uint32_t start = 0;
    if (!IsWritableKind(kind) || IsOverwritableKind(kind) || !b.HasUnfinishedTrack(start)) {
        if (TEngineSession::Interrupted) return Fail("interrupted: nothing was changed");
        std::printf("%s holds no unfinished session: nothing to repair\n", disc.c_str());
        return ExitOk;
    }
    const TOpenSession open = Examine(b, start);
    if (TEngineSession::Interrupted) return Fail("interrupted: nothing was changed");
    if (!b.CloseUnfinishedSession(kind))
        return Fail(TEngineSession::Interrupted
                        ? "interrupted while the session was closed: the drive may finish "
                          "closing it by itself; run scrivo repair again to be sure"
                        : "the drive did not close the session (" + b.FailureText() + ")");
    const std::string session_ =
        "session " + std::to_string(open.Number) + " (from sector " + std::to_string(open.Start) + ")";
    if (open.Complete()) {
        // Read as the next recording will import it.
        b.FreeTablesWhenDone = LeakCheckedBuild;
        b.ClearFiles(TreeMaxFiles, TreeMaxDirs);
        b.ImportSession(-1, nullptr);
        std::printf(
            "closed the interrupted %s of %s: all of its data had been recorded, %d files in %d folders "
            "can be read%s; the disc takes new sessions again\n",
            session_.c_str(), disc.c_str(), b.ImportedFiles, b.ImportedFolders,
            b.ImportLeftOut ? (", " + std::to_string(b.ImportLeftOut) + " damaged entries cannot").c_str()
                            : "");
        return ExitOk;
    }
    const std::string recorded =
        std::to_string(open.RecordedEnd - open.Start) + " sectors were recorded" +
        (open.VolumeEnd > open.Start ? " of its " + std::to_string(open.VolumeEnd - open.Start) : "");
    std::printf("closed the interrupted %s of %s as a damaged session: only %s, so the files that recording "
                "was adding are lost. Later recordings do not import it; %s; the disc takes new sessions "
                "again\n",
                session_.c_str(), disc.c_str(), recorded.c_str(),
                open.Number > 1 ? "the files of the sessions before it stay as they were, and the next "
                                  "recording shows them again"
                                : "the disc held nothing before it");
    return ExitOk;
}

} // namespace scrivo::cli
