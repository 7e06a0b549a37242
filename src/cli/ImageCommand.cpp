// `scrivo image`: the byte stream a recording would send to a blank disc, into a file.
#include "ArgReader.h"
#include "BootOptions.h"
#include "EngineSession.h"
#include "Progress.h"
#include "SourceTree.h"
#include "engine/ImageRun.h"
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace scrivo::cli {

const char* const ImageUsage =
    "scrivo image -o OUT.iso [--volume LABEL] [--no-joliet] [--no-rock] [--follow-links]\n"
    "             [--dest /DISC/FOLDER] [--skip-unreadable]\n"
    "             [--boot FILE [--boot-info-table] [--boot-load-size N]] [--efi-boot FILE] PATH...\n"
    "  A file PATH is added to the destination folder (the disc's root by default); a folder\n"
    "  is added as a folder with everything below it; a folder written with a trailing \"/\"\n"
    "  adds its contents. An item below a folder that cannot be added (a folder that cannot be\n"
    "  read, a name too long for the disc) is named and fails the run, unless --skip-unreadable\n"
    "  (the image is then made without it). Rock Ridge records POSIX names, modes, owners,\n"
    "  times and symbolic links (as links; --follow-links records what they point to);\n"
    "  --no-rock leaves it out. Fifos, sockets and devices are left out and named.\n" SCRIVO_BOOT_USAGE
    "  Exit status: 0 done, 1 failed (no OUT.iso is left behind; when a source changed while\n"
    "  it was read, OUT.iso is kept and the files are named), 2 bad usage, 130 interrupted.";

namespace {

struct ImageArgs {
    std::string Out;
    std::string Volume;
    bool Joliet = true, SkipUnreadable = false, Rock = true, FollowLinks = false;
    std::string Dest = "\\";
    std::vector<std::string> Paths;
    TBootArgs Boot;
};

ImageArgs Parse(const std::vector<std::string>& args) {
    ImageArgs a;
    TArgReader r(args);
    while (r.Next()) {
        if (r.Is("-o", "--output"))
            a.Out = r.Value();
        else if (r.Is("--volume"))
            a.Volume = r.Value();
        else if (r.Is("--no-joliet"))
            a.Joliet = false;
        else if (r.Is("--no-rock"))
            a.Rock = false;
        else if (r.Is("--follow-links"))
            a.FollowLinks = true;
        else if (r.Is("--dest"))
            a.Dest = ToDiscPath(r.Value());
        else if (r.Is("--skip-unreadable"))
            a.SkipUnreadable = true;
        else if (!TakeBootOption(r, a.Boot))
            a.Paths.push_back(r.Operand());
    }
    if (a.Out.empty())
        throw UsageError("the output file is missing (-o OUT.iso)");
    if (a.Paths.empty())
        throw UsageError("no PATH to put on the image");
    CheckBootArgs(a.Boot);
    return a;
}

// The one flag main looks at to answer an interrupted run with its own exit status.
std::atomic<bool>& Interrupted = TEngineSession::Interrupted;

// The first interrupt stops the run cleanly (the temporary file goes); a second one ends
// the process at once.
extern "C" void OnInterrupt(int sig) {
    Interrupted = true;
    std::signal(sig, SIG_DFL);
}

// The image is written under a temporary name beside OUT and renamed when complete,
// so a failed run leaves no partial OUT behind.
class OutputFile {
public:
    explicit OutputFile(const std::string& out) : out_(out) {
        const std::filesystem::path p(out);
        const std::string prefix = "." + p.filename().string() + ".part-";
        RemoveStaleParts(p.parent_path(), prefix);
        temp_ = (p.parent_path() / (prefix + std::to_string(getpid()))).string();
        stream_ = std::make_unique<TFileStreamEx>(temp_, fmCreate);
    }
    ~OutputFile() {
        if (stream_) {
            stream_.reset();
            std::error_code ec;
            std::filesystem::remove(temp_, ec);
        }
    }
    std::string Write(const uint8_t* data, uint32_t length) {
        if (stream_->Write(data, length) == length)
            return "";
        const OsError e = LastOsError();
        return "cannot write \"" + out_ + "\": " + e.Message;
    }
    // Answers an error text, empty when OUT is in place.
    std::string Commit() {
        stream_.reset();
        std::error_code ec;
        std::filesystem::rename(temp_, out_, ec);
        if (!ec)
            return "";
        std::filesystem::remove(temp_, ec);
        return "cannot write \"" + out_ + "\": " + ec.message();
    }

private:
    // A run that was killed (SIGKILL, power loss) left its part file behind: those of
    // processes that are gone are removed. A live process's may still be written.
    static void RemoveStaleParts(const std::filesystem::path& folder, const std::string& prefix) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
                continue;
            const std::string pid = name.substr(prefix.size());
            if (pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            if (kill(pid_t(std::stol(pid)), 0) != 0 && errno == ESRCH)
                std::filesystem::remove(entry.path(), ec);
        }
    }

    std::string out_, temp_;
    std::unique_ptr<TFileStreamEx> stream_;
};

int Fail(const std::string& text) {
    PrintError(text);
    return ExitFailure;
}

// Refuses an output that cannot be written before the tree is built, which may take long.
std::string CheckOutput(const std::string& out) {
    std::error_code ec;
    if (std::filesystem::is_directory(out, ec))
        return "cannot write \"" + out + "\": it is a folder";
    std::filesystem::path folder = std::filesystem::path(out).parent_path();
    if (folder.empty())
        folder = ".";
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "cannot write \"" + out + "\": " + LastOsError().Message;
    return "";
}

} // namespace

int RunImage(const std::vector<std::string>& args) {
    const ImageArgs a = Parse(args);
    const std::string unwritable = CheckOutput(a.Out);
    if (!unwritable.empty())
        return Fail(unwritable);

    TImageBuilder builder;
    builder.FreeTablesWhenDone = LeakCheckedBuild; // the process ends with this command
    builder.CaseSensitiveNames = true;             // NAME.TXT and name.txt are two files here
    builder.ClearFiles(TreeMaxFiles, TreeMaxDirs);
    builder.JolietFileSystem = a.Joliet;
    builder.RockRidge = a.Rock;
    builder.FollowLinks = a.FollowLinks;
    builder.IdVolume = a.Volume;
    ApplyBootArgs(a.Boot, builder);
    const std::string failed = AddSources(builder, a.Paths, a.Dest, a.SkipUnreadable);
    if (!failed.empty())
        return Fail(failed);

    std::unique_ptr<OutputFile> out;
    try {
        out = std::make_unique<OutputFile>(a.Out);
    } catch (const EFOpenError& e) {
        return Fail("cannot write \"" + a.Out + "\": " + e.Reason);
    }

    Interrupted = false;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    // Past the file size limit a write fails (and the part file goes) instead of the
    // process being ended.
    std::signal(SIGXFSZ, SIG_IGN);
    TCriticalSection lock;
    TRunSettings settings;
    settings.Lock = &lock;
    settings.AbortFlag = &Interrupted;
    // A file has no deadline to protect: the reader keeps its normal priority.
    settings.ThreadPriorities = false;
    TImageRun run(builder, settings);
    if (!run.Start())
        return Fail(run.ErrorText());

    const int64_t expected = run.ImageSize() * 2048;
    TProgressLine progress("scrivo image", expected);
    const TImageRunResult r = run.Deliver([&](const uint8_t* data, uint32_t n) { return out->Write(data, n); },
                                          [&](int64_t done) { progress.Update(done); });
    progress.Finish();
    if (!r.ErrorText.empty())
        return Fail(r.ErrorText);
    if (r.BytesDelivered != expected)
        return Fail("internal error: the image has " + std::to_string(r.BytesDelivered) + " bytes, its layout " +
                    std::to_string(expected));
    const std::string committed = out->Commit();
    if (!committed.empty())
        return Fail(committed);
    if (PrintSourceProblems(r.ChangedFiles, r.UnreadableFiles, "the image was built"))
        return Fail("\"" + a.Out + "\" was written, but the files above do not match their sources");
    return ExitOk;
}

} // namespace scrivo::cli
