// Folder listing on Windows: FindFirstFileW in the system's order, with the volume's 8.3
// names, and generated ones where the volume keeps none (8.3 creation turned off).
#include "../AltNameGenerator.h"
#include "../Files.h"
#include "../ListingOrder.h"
#include "../Text.h"
#include "LocalFileTime.h"
#include "WidePath.h"
#include <windows.h>

namespace scrivo {

namespace {

FileListing FromFindData(const WIN32_FIND_DATAW& fd)
{
    FileListing f;
    f.Name = NarrowText(fd.cFileName);
    f.AltName = NarrowText(fd.cAlternateFileName);
    f.Size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    f.Attr = fd.dwFileAttributes & faAnyFile;
    f.TimeValid = FileTimeToLocalDateTime(fd.ftLastWriteTime, f.Time);
    return f;
}

std::vector<FileListing> ReadAll(const std::string& folder)
{
    std::vector<FileListing> all;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(JoinPath(folder, "*")).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return all;
    do {
        FileListing f = FromFindData(fd);
        if (f.Name != "." && f.Name != "..")
            all.push_back(std::move(f));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    // A name that is 8.3 but for its case ("readme.txt") is its own short name on a
    // case-insensitive volume; the others get generated names around the taken ones.
    AltNameGenerator gen;
    for (FileListing& f : all) {
        if (f.AltName.empty() && !IsValid83Name(f.Name) && IsValid83Name(UpperCase(f.Name)))
            f.AltName = UpperCase(f.Name);
        gen.Take(f.AltName.empty() ? f.Name : f.AltName);
    }
    for (FileListing& f : all)
        if (f.AltName.empty() && !IsValid83Name(f.Name))
            f.AltName = gen.Next(f.Name);
    return all;
}

} // namespace

std::vector<FileListing> ListDirectory(const std::string& folder, const std::string& mask, uint32_t attr,
                                       ListingMode) {
    std::vector<FileListing> out;
    for (FileListing& f : ReadAll(folder))
        if (MatchesMask(f.Name, mask) && AttrWanted(f.Attr, attr))
            out.push_back(std::move(f));
    return out;
}

bool FindFile(const std::string& path, FileListing& out)
{
    std::string p = path;
    while (p.size() > 1 && (p.back() == '\\' || p.back() == '/'))
        p.pop_back();
    if (p.find_first_of("*?") != std::string::npos || p.empty() || p.back() == ':')
        return false;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(WidePath(p).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    FileListing f = FromFindData(fd);
    if (f.AltName.empty() && !IsValid83Name(f.Name)) {
        // The generated name depends on the neighbours, as in the folder's listing.
        size_t cut = p.find_last_of("\\/");
        std::string folder = cut == std::string::npos ? "" : p.substr(0, cut + 1);
        for (const FileListing& g : ReadAll(folder))
            if (g.Name == f.Name)
                f.AltName = g.AltName;
    }
    out = std::move(f);
    return true;
}

} // namespace scrivo
