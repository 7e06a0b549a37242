#include "SourceTree.h"
#include "Commands.h"
#include <filesystem>

namespace scrivo::cli {

std::string ToDiscPath(const std::string& dest) {
    if (dest.empty() || dest[0] != '/' || dest.find('\\') != std::string::npos)
        throw UsageError("--dest takes a folder on the disc such as /DISC/FOLDER, not \"" + dest + "\"");
    std::string disc;
    size_t i = 0;
    while (i < dest.size()) {
        while (i < dest.size() && dest[i] == '/')
            ++i;
        const size_t end = dest.find('/', i);
        const std::string part = dest.substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (part == "." || part == "..")
            throw UsageError("--dest must not contain \".\" or \"..\": \"" + dest + "\"");
        if (!part.empty())
            disc += "\\" + part;
        i = end == std::string::npos ? dest.size() : end;
    }
    return disc.empty() ? "\\" : disc;
}

namespace {

struct Source {
    std::string Path;   // without trailing separators
    bool Contents;      // the argument ended in "/"
};

Source Normalize(const std::string& arg) {
    Source s{arg, false};
    while (s.Path.size() > 1 && s.Path.back() == '/') {
        s.Path.pop_back();
        s.Contents = true;
    }
    // "." and ".." (also at the end of a longer path) name the folder they stand for: the
    // listing knows no entry of that name.
    const size_t slash = s.Path.rfind('/');
    const std::string last = slash == std::string::npos ? s.Path : s.Path.substr(slash + 1);
    if (last == "." || last == "..") {
        std::error_code failed;
        const std::filesystem::path p = std::filesystem::absolute(s.Path, failed).lexically_normal();
        if (!failed) s.Path = p.string();
        while (s.Path.size() > 1 && s.Path.back() == '/')
            s.Path.pop_back();
    }
    if (s.Path == "/")
        s.Contents = true;
    return s;
}

// The name a folder argument gets on the disc ("." and ".." name the folder they mean).
std::string FolderName(const std::string& path) {
    std::filesystem::path p = std::filesystem::absolute(path).lexically_normal();
    std::string name = p.filename().string();
    if (name.empty())
        name = p.parent_path().filename().string();
    return name;
}

} // namespace

std::string AddSources(TImageBuilder& builder, const std::vector<std::string>& paths, const std::string& discDest,
                       bool skipLeftOut) {
    std::string fatal;
    const TImageMessage previous = builder.ReportMessage;
    builder.ReportMessage = [&](const std::string& text, uint8_t type) {
        PrintError(text);
        // Capacity overflow and a refused destination leave items out of the image.
        if ((type == 3 || type == 4) && fatal.empty())
            fatal = "not every item could be added (" + text + ")";
    };
    // Two sources of one disc name: one would be dropped without a word.
    std::string clash;
    builder.OnNameTaken = [&](const TFEntry& existing, const std::string& fullPath) {
        if (clash.empty())
            clash = "\"" + existing.SourcePath() + "\" and \"" + fullPath +
                    "\" have the same name on the disc (\"" + existing.LongName + "\")";
    };
    // An empty folder is part of what the user asked for.
    builder.KeepEmptyFolders = true;
    std::string leftOut;
    builder.OnLeftOut = [&](const std::string& source, const std::string& why) {
        leftOut += "\n  \"" + source + "\": " + why;
    };
    struct Restore {
        TImageBuilder& b;
        const TImageMessage& m;
        ~Restore() {
            b.ReportMessage = m;
            b.OnNameTaken = nullptr;
            b.OnLeftOut = nullptr;
        }
    } restore{builder, previous};

    std::vector<std::pair<Source, FileListing>> sources;
    for (const std::string& arg : paths) {
        Source s = Normalize(arg);
        FileListing item;
        if (arg.empty() || !FindFile(s.Path, item))
            return "cannot find \"" + arg + "\"";
        if (s.Contents && (item.Attr & faDirectory) == 0)
            return "\"" + arg + "\" is not a folder";
        sources.emplace_back(s, item);
    }

    TDEntry* dest = builder.MakeDestinationPath(discDest);
    if (!dest)
        return "cannot create the folder \"" + discDest + "\" on the disc";
    for (auto& [s, item] : sources) {
        if ((item.Attr & faDirectory) == 0) {
            if (builder.AddFile(dest->Path, s.Path, false) < 0)
                return "cannot find \"" + s.Path + "\"";
            continue;
        }
        TDEntry* into = dest;
        if (!s.Contents) {
            const std::string name = FolderName(s.Path);
            if (name != item.Name) {
                item.Name = name;
                item.AltName = IsValid83Name(name) ? "" : Make83Name(name, {});
            }
            into = builder.CreateDirectory(dest, item);
            if (!into)
                return fatal.empty() ? "cannot add the folder \"" + s.Path + "\"" : fatal;
        }
        builder.AddDir(into, s.Path, "*.*", faAnyFile, true, false, false);
        if (!fatal.empty())
            return fatal;
    }
    if (!clash.empty())
        throw UsageError(clash);
    if (!fatal.empty())
        return fatal;
    if (leftOut.empty())
        return "";
    if (!skipLeftOut)
        return "not every item could be added (--skip-unreadable goes on without them):" + leftOut;
    PrintError("left out:" + leftOut);
    return "";
}

bool PrintSourceProblems(const std::vector<std::string>& changed, const std::vector<std::string>& unreadable,
                         const std::string& during) {
    for (const std::string& f : changed)
        PrintError("\"" + f + "\" changed size while " + during + "; its missing bytes are zeros");
    for (const std::string& f : unreadable)
        PrintError("\"" + f + "\" could not be read while " + during + "; what it did not deliver is zeros");
    return !changed.empty() || !unreadable.empty();
}

} // namespace scrivo::cli
