// `scrivo ls`: what a disc holds before anything is appended to it (its sessions, tracks
// and free room, and the files of one session), or the files of an image file. The files are
// read by the same session import a recording runs, so what ls shows is what a new session
// would keep.
#include "ArgReader.h"
#include "Commands.h"
#include "DriveSelect.h"
#include "EngineSession.h"
#include "SourceTree.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include <cstdio>
#include <cstring>

namespace scrivo::cli {

const char* const LsUsage =
    "scrivo ls [-d DRIVE] [--session N] [PATH]\n"
    "       scrivo ls IMAGE.iso [PATH]\n"
    "  Shows the sessions and tracks of the disc in DRIVE (start, length, mode, open or closed),\n"
    "  its free room, and the files and folders of its last session (or of session N) with\n"
    "  sizes and dates; with PATH only that file or the folder's contents. On an image file:\n"
    "  its files. DRIVE as for scrivo write.\n"
    "  Exit status: 0 listed, 1 failed, 2 bad usage.";

namespace {

// An image file seen as a disc of one closed session that starts at sector 0.
class TImageFileDisc : public TImageDisc {
  public:
    explicit TImageFileDisc(FILE* f) : f_(f) {
        std::fseek(f_, 0, SEEK_END);
        const long long bytes = std::ftell(f_);
        sectors_ = bytes > 0 ? uint32_t(bytes / SectorSize) : 0;
    }
    uint8_t ReadDiscKind() override { return dkUnknown; }
    bool FindStartAddress(uint32_t& address) override {
        address = 0;
        return false;
    }
    int RecordedSessionCount() override { return 1; }
    bool ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) override {
        if (track != 1) return false;
        start = 0;
        sectors = sectors_;
        return true;
    }
    bool ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) override {
        if (uint64_t(address) + count > sectors_ || std::fseek(f_, long(address) * SectorSize, SEEK_SET) != 0)
            return false;
        return std::fread(buffer, SectorSize, count, f_) == count;
    }
    uint32_t Sectors() const { return sectors_; }

  private:
    FILE* f_;
    uint32_t sectors_ = 0;
};

struct LsArgs {
    std::string Drive, Path;
    int Session = -1; // the last
    bool Verbose = false;
    bool Image = false; // the first operand was an image file
};

LsArgs Parse(const std::vector<std::string>& args) {
    LsArgs a;
    std::vector<std::string> operands;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-d", "--drive"))
            a.Drive = r.Value();
        else if (r.Is("--session")) {
            const std::string v = r.Value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != 0 || n < 1 || n > 99)
                throw UsageError("--session takes a session number from 1, not \"" + v + "\"");
            a.Session = int(n);
        } else if (r.Is("-v", "--verbose"))
            a.Verbose = true;
        else
            operands.push_back(r.Operand());
    }
    FileListing item;
    if (a.Drive.empty() && !operands.empty() && FindFile(operands[0], item) &&
        (item.Attr & faDirectory) == 0) {
        a.Image = true;
        a.Drive = operands[0];
        operands.erase(operands.begin());
        if (a.Session > 1) throw UsageError("an image file holds one session");
    }
    if (operands.size() > 1) throw UsageError("unexpected argument \"" + operands[1] + "\"");
    if (!operands.empty()) a.Path = operands[0];
    if (!a.Image) CheckDriveChoice(a.Drive);
    return a;
}

std::string Mib(uint64_t blocks) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f MiB", double(blocks) * SectorSize / 1048576.0);
    return buf;
}

std::string TrackMode(const uint8_t* ti) {
    if ((ti[5] & 0x04) == 0) return "audio";
    const int mode = ti[6] & 0x0F;
    return mode == 1 || mode == 2 ? "data mode " + std::to_string(mode) : "data";
}

// The sessions and tracks of the disc and its free room.
void PrintLayout(TBrenvik& b) {
    const uint8_t kind = b.DetectDiscKind();
    const int closed = b.RecordedSessionCount();
    std::printf("Disc: %s, %d closed session%s\n", DiscKindName(kind), closed, closed == 1 ? "" : "s");
    const uint32_t last = b.LastTrackInLastSession();
    int shown = 0;
    for (uint32_t track = 1; track <= last; ++track) {
        if (!b.ReadTrackInformation(track)) break;
        const uint8_t* ti = b.TrackInformation;
        const int session = ti[3] | ti[33] << 8;
        const bool blank = (ti[6] & 0x40) != 0;
        if (blank && b.TrackStartAddress() == 0 && session > 1) continue;
        if (session != shown) {
            shown = session;
            std::printf("Session %d: %s\n", session, session <= closed ? "closed" : "open");
        }
        const bool open = (ti[7] & 0x01) != 0;
        std::printf("  Track %u: start %u, %u blocks, %s, %s\n", track, b.TrackStartAddress(),
                    blank ? 0u : b.TrackSize(), blank ? "blank" : TrackMode(ti).c_str(),
                    open ? "open" : "closed");
    }
    const uint32_t free = b.GetFreeBlocks();
    std::printf("Free: %u blocks (%s)\n", free, Mib(free).c_str());
}

std::string Date(TDateTime t) {
    if (t == 0) return "                ";
    const DateTimeParts p = DecodeDateTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute);
    return buf;
}

// The name as the session records it: Rock Ridge keeps a name without the "." the other
// trees give a file without an extension.
std::string NameOf(const TFEntry& f) {
    if (f.LongName.empty()) return std::string(f.ShortName.View());
    std::string name(f.LongName.View());
    if (f.Posix && f.Posix->DotAdded) name.pop_back();
    return name;
}

// Prints the entries of `dir` (path `at`) and of its folders; counts what it printed.
void PrintTree(const TDEntry& dir, const std::string& at, int& printed) {
    for (const TFEntry* f = dir.FirstEntry; f; f = f->Next) {
        const std::string path = at + "/" + NameOf(*f);
        if (f->Dir) {
            std::printf("%12s  %s  %s/\n", "-", Date(f->DateTime).c_str(), path.c_str());
            ++printed;
            PrintTree(*f->Dir, path, printed);
        } else {
            std::printf("%12llu  %s  %s\n", (unsigned long long)f->IsoSize, Date(f->DateTime).c_str(),
                        path.c_str());
            ++printed;
        }
    }
}

// The entry of `path` ("/a/b") below `root`: a folder's contents or one file.
bool PrintPath(const TDEntry& root, const std::string& path) {
    const TDEntry* dir = &root;
    std::string at;
    size_t pos = 0;
    while (pos < path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        const std::string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".") continue;
        const TFEntry* found = nullptr;
        for (const TFEntry* f = dir->FirstEntry; f && !found; f = f->Next)
            if (NameOf(*f) == part) found = f;
        if (!found) return false;
        at += "/" + part;
        if (!found->Dir) {
            if (pos < path.size() && path.find_first_not_of('/', pos) != std::string::npos) return false;
            std::printf("%12llu  %s  %s\n", (unsigned long long)found->IsoSize, Date(found->DateTime).c_str(),
                        at.c_str());
            return true;
        }
        dir = found->Dir;
    }
    int printed = 0;
    PrintTree(*dir, at, printed);
    return true;
}

// Imports `session` into `builder`'s tree and lists it; answers an error text.
std::string ListFiles(TImageBuilder& builder, int session, const std::string& path) {
    std::vector<std::string> problems;
    builder.ReportMessage = [&](const std::string& text, uint8_t type) {
        if (type != 4) return;
        std::string line = text;
        for (size_t at; (at = line.find("\n\r")) != std::string::npos;)
            line.replace(at, 2, ": ");
        problems.push_back(line);
    };
    const int sessions = builder.Disc->RecordedSessionCount();
    if (sessions == 0) {
        std::printf("No closed session, no files.\n");
        return path.empty() ? "" : "no \"" + path + "\": the disc holds no files";
    }
    if (session > sessions)
        return "there is no session " + std::to_string(session) + ": the disc has " +
               std::to_string(sessions);
    const int number = session < 0 ? sessions : session;
    // The names and modes a Rock Ridge session keeps, as a recording with Rock Ridge reads them.
    builder.RockRidge = true;
    const bool imported = builder.ImportSession(number, nullptr);
    builder.ReportMessage = nullptr;
    for (const std::string& p : problems)
        PrintError(p);
    if (!imported) return "session " + std::to_string(number) + " holds no file system that can be read";
    std::printf("Files of session %d:\n", number);
    const TDEntry* root = FileTables().Root();
    if (!path.empty()) {
        if (!PrintPath(*root, path)) return "no \"" + path + "\" in session " + std::to_string(number);
    } else {
        int printed = 0;
        PrintTree(*root, "", printed);
    }
    if (builder.ImportLeftOut > 0)
        return std::to_string(builder.ImportLeftOut) + " damaged entries of session " +
               std::to_string(number) + " could not be listed";
    return "";
}

int ListImage(const LsArgs& a) {
    FILE* f = std::fopen(a.Drive.c_str(), "rb");
    if (!f) {
        PrintError("cannot read the image \"" + a.Drive + "\": " + std::strerror(errno));
        return ExitFailure;
    }
    TImageFileDisc disc(f);
    TImageBuilder builder;
    builder.FreeTablesWhenDone = LeakCheckedBuild;
    builder.ClearFiles(TreeMaxFiles, TreeMaxDirs);
    builder.Disc = &disc;
    std::printf("Image: %s, %u blocks (%s)\n", a.Drive.c_str(), disc.Sectors(), Mib(disc.Sectors()).c_str());
    const std::string failed = ListFiles(builder, 1, a.Path);
    builder.Disc = nullptr;
    std::fclose(f);
    if (!failed.empty()) {
        PrintError(failed);
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace

int RunLs(const std::vector<std::string>& args) {
    const LsArgs a = Parse(args);
    if (a.Image) return ListImage(a);
    TEngineSession session("", a.Verbose);
    TBrenvik& b = session.Brenvik;
    b.FreeTablesWhenDone = LeakCheckedBuild;
    std::string failed = SelectDrive(b, a.Drive);
    if (failed.empty()) failed = session.WaitForDisc();
    if (failed.empty()) {
        PrintLayout(b);
        failed = ListFiles(b, a.Session, a.Path);
    }
    if (!failed.empty()) {
        PrintError(failed);
        return ExitFailure;
    }
    return ExitOk;
}

} // namespace scrivo::cli
