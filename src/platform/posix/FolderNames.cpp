#include "FolderNames.h"
#include "../Files.h"
#include "../ListingOrder.h"
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unordered_map>

namespace scrivo {

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

} // namespace scrivo
