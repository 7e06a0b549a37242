// Folder listing on POSIX: names from readdir, facts from stat (following links unless the
// mode lists them as links), the archive and hidden bits and 8.3 names made up the way
// Windows would show them. Linked folders that lead back up the tree are left out.
#include "../Files.h"
#include "../ListingOrder.h"
#include "FolderNames.h"
#include "FolderRead.h"
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivo {

namespace {

void TakeFacts(const struct stat& st, PosixFacts& p) {
    p.Mode = static_cast<uint32_t>(st.st_mode);
    p.Uid = static_cast<uint32_t>(st.st_uid);
    p.Gid = static_cast<uint32_t>(st.st_gid);
    p.Links = static_cast<uint32_t>(st.st_nlink);
    p.Device = static_cast<uint64_t>(st.st_dev);
    p.Inode = static_cast<uint64_t>(st.st_ino);
    p.SpecialDevice = S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? static_cast<uint64_t>(st.st_rdev) : 0;
    p.AccessTime = st.st_atim.tv_sec;
    p.AccessNs = static_cast<uint32_t>(st.st_atim.tv_nsec);
    p.ModifyTime = st.st_mtim.tv_sec;
    p.ModifyNs = static_cast<uint32_t>(st.st_mtim.tv_nsec);
    p.ChangeTime = st.st_ctim.tv_sec;
    p.ChangeNs = static_cast<uint32_t>(st.st_ctim.tv_nsec);
}

// Fills `out` from the entry's stat `st`. False when the entry is not listed in `mode`:
// by default broken links and what is neither a file nor a folder.
bool Describe(bool found, const struct stat& st, FileListing& out, ListingMode mode = ListingMode::Files) {
    if (!found || (mode == ListingMode::Files && !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))) return false;
    out.Attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if (!out.Name.empty() && out.Name[0] == '.')
        out.Attr |= faHidden;
    out.Size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    TDateTime t;
    out.TimeValid = UnixTimeToLocalDateTime(st.st_mtim.tv_sec, t);
    if (out.TimeValid) // the milliseconds, in the direction of the time of day
        out.Time = t + (t < 0 ? -1 : 1) * (st.st_mtim.tv_nsec / 1000000) / 86400000.0;
    TakeFacts(st, out.Posix);
    return true;
}

// The entry's stat as `mode` wants it: a link is followed unless links are listed as
// themselves, and outside the default mode a link that leads nowhere is itself (with its
// target).
bool StatEntry(int dirFd, RawEntry& f, ListingMode mode, struct stat& st) {
    if (mode == ListingMode::Files) return fstatat(dirFd, f.Name.c_str(), &st, 0) == 0;
    if (fstatat(dirFd, f.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISLNK(st.st_mode)) return true;
    struct stat target;
    if (mode == ListingMode::PosixFollowLinks && fstatat(dirFd, f.Name.c_str(), &target, 0) == 0) {
        st = target;
        return true;
    }
    std::string buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
    const ssize_t n = readlinkat(dirFd, f.Name.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    buf.resize(static_cast<size_t>(n));
    f.LinkTarget = std::move(buf);
    return true;
}

std::string RealPath(const std::string& path)
{
    char buf[PATH_MAX];
    return realpath(path.empty() ? "." : path.c_str(), buf) ? std::string(buf) : std::string();
}

// A linked folder that leads back to the listed folder or one above it would make a
// recursive walk go round until the path grows too long.
bool LeadsBack(int dirFd, const std::string& name, const std::string& entryPath, const std::string& folderReal)
{
    struct stat lst;
    if (fstatat(dirFd, name.c_str(), &lst, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(lst.st_mode))
        return false;
    std::string target = RealPath(entryPath);
    if (target.empty() || folderReal.empty())
        return true;
    return target == "/" || folderReal == target || folderReal.compare(0, target.size() + 1, target + "/") == 0;
}

} // namespace

std::vector<RawEntry> ReadFolder(const std::string& folder, const std::string& mask, ListingMode mode) {
    std::vector<RawEntry> out;
    // Entries are looked up relative to the open folder: a whole path would be walked again
    // by the kernel for every entry of a large tree.
    const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return out;
    DIR* d = fdopendir(dirFd);
    if (!d) {
        close(dirFd);
        return out;
    }
    // Names first: growing the entries themselves (a stat each) would copy them over and
    // over in a folder of thousands.
    std::vector<std::string> names;
    while (struct dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    out.resize(names.size());
    for (size_t i = 0; i < names.size(); ++i)
        out[i].Name = std::move(names[i]);
    std::string folderReal; // found when a folder entry needs it
    for (RawEntry& r : out) {
        if (!MatchesMask(r.Name, mask)) continue;
        r.Found = StatEntry(dirFd, r, mode, r.St);
        if (!r.Found || !S_ISDIR(r.St.st_mode)) continue;
        if (folderReal.empty()) folderReal = RealPath(folder);
        r.LeadsBack = LeadsBack(dirFd, r.Name, JoinPath(folder, r.Name), folderReal);
    }
    closedir(d);
    return out;
}

bool IsListedFolder(const RawEntry& e) {
    return e.Found && S_ISDIR(e.St.st_mode) && !e.LeadsBack;
}

std::vector<FileListing> DescribeFolder(std::vector<RawEntry>&& raw, const std::string& mask, uint32_t attr,
                                        ListingMode mode) {
    std::vector<std::string> names;
    names.reserve(raw.size());
    for (RawEntry& r : raw)
        names.push_back(std::move(r.Name));
    const std::vector<uint32_t> order = UpperNameOrder(names);
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (uint32_t i : order)
        sorted.push_back(std::move(names[i]));
    std::vector<std::string> alts = AssignAltNames(sorted);
    std::vector<FileListing> out;
    out.reserve(raw.size());
    for (size_t k = 0; k < order.size(); ++k) {
        RawEntry& r = raw[order[k]];
        if (!MatchesMask(sorted[k], mask)) continue;
        FileListing f;
        f.Name = std::move(sorted[k]);
        f.AltName = std::move(alts[k]);
        f.LinkTarget = std::move(r.LinkTarget);
        if (!Describe(r.Found, r.St, f, mode) || !AttrWanted(f.Attr, attr)) continue;
        if ((f.Attr & faDirectory) && r.LeadsBack) continue;
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<FileListing> ListDirectory(const std::string& folder, const std::string& mask, uint32_t attr,
                                       ListingMode mode) {
    return DescribeFolder(ReadFolder(folder, mask, mode), mask, attr, mode);
}

bool FindFile(const std::string& path, FileListing& out)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    size_t slash = p.rfind('/');
    std::string folder = slash == std::string::npos ? "" : p.substr(0, slash == 0 ? 1 : slash);
    FileListing f;
    f.Name = slash == std::string::npos ? p : p.substr(slash + 1);
    struct stat st;
    if (f.Name.empty() || f.Name == "." || f.Name == ".." || !Describe(stat(p.c_str(), &st) == 0, st, f))
        return false;
    if (!IsValid83Name(f.Name))
        f.AltName = AltNameIn(folder, f.Name);
    out = std::move(f);
    return true;
}

} // namespace scrivo
