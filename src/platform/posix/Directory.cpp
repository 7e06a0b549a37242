// Folder listing on POSIX: names from readdir, facts from stat (following links), the
// archive and hidden bits and 8.3 names made up the way Windows would show them.
#include "../Files.h"
#include "../ListingOrder.h"
#include <dirent.h>
#include <mutex>
#include <unordered_map>
#include <sys/stat.h>
#include <ctime>

namespace scrivo {

namespace {

std::vector<std::string> ReadNames(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return names;
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..")
            names.push_back(std::move(n));
    }
    closedir(d);
    SortByUpperName(names);
    return names;
}

// False for broken links and for what is neither a file nor a folder.
bool Describe(const std::string& path, FileListing& out)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)))
        return false;
    out.Attr = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if (!out.Name.empty() && out.Name[0] == '.')
        out.Attr |= faHidden;
    out.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    TDateTime t;
    out.TimeValid = UnixTimeToLocalDateTime(st.st_mtim.tv_sec, t);
    if (out.TimeValid) // the milliseconds, in the direction of the time of day
        out.Time = t + (t < 0 ? -1 : 1) * (st.st_mtim.tv_nsec / 1000000) / 86400000.0;
    return true;
}

// The alternate name depends on the neighbours, as in the folder's listing. The names of
// the last folder asked about are kept while it is unchanged, so that adding the files
// of one folder one by one does not read and sort the folder once per file. "Unchanged"
// is the same modification time, trusted only when that time lay well before the names
// were read: changes within one tick of a coarse file system clock leave it as it was.
std::string AltNameIn(const std::string& folder, const std::string& name)
{
    struct Cache {
        std::mutex M;
        std::string Folder;
        struct stat St {};
        time_t ReadAt = 0;
        std::unordered_map<std::string, std::string> Alt;
    };
    static Cache cache;
    struct stat st;
    if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0)
        return {};
    std::lock_guard<std::mutex> lock(cache.M);
    bool same = cache.Folder == folder && cache.St.st_dev == st.st_dev && cache.St.st_ino == st.st_ino &&
                cache.St.st_mtim.tv_sec == st.st_mtim.tv_sec && cache.St.st_mtim.tv_nsec == st.st_mtim.tv_nsec &&
                cache.ReadAt - st.st_mtim.tv_sec >= 2;
    auto it = cache.Alt.find(name);
    if (!same || it == cache.Alt.end()) {
        cache.ReadAt = time(nullptr);
        std::vector<std::string> names = ReadNames(folder);
        std::vector<std::string> alts = AssignAltNames(names);
        cache.Folder = folder;
        cache.St = st;
        cache.Alt.clear();
        for (size_t i = 0; i < names.size(); ++i)
            cache.Alt.emplace(std::move(names[i]), std::move(alts[i]));
        it = cache.Alt.find(name);
    }
    return it == cache.Alt.end() ? std::string() : it->second;
}

} // namespace

std::vector<FileListing> ListDirectory(const std::string& folder, const std::string& mask, uint32_t attr)
{
    std::vector<std::string> names = ReadNames(folder);
    std::vector<std::string> alts = AssignAltNames(names);
    std::vector<FileListing> out;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!MatchesMask(names[i], mask))
            continue;
        FileListing f;
        f.Name = names[i];
        f.AltName = alts[i];
        if (Describe(JoinPath(folder, names[i]), f) && AttrWanted(f.Attr, attr))
            out.push_back(std::move(f));
    }
    return out;
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
    if (f.Name.empty() || f.Name == "." || f.Name == ".." || !Describe(p, f))
        return false;
    if (!IsValid83Name(f.Name))
        f.AltName = AltNameIn(folder, f.Name);
    out = std::move(f);
    return true;
}

} // namespace scrivo
