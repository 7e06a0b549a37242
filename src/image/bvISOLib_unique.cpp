// Unique ISO 9660 identifiers within each directory. Short names come from several places
// (8.3 names of different source folders, names cut to 13 characters, imported entries),
// so two entries of one directory may share one; readers then show one file of the two.
#include "bvISOLib_names.h"
#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace scrivo {

namespace {

// An identifier as recorded: a file's carries the version suffix, so a file and a folder
// of one name do not collide. The name is a view of the entry's short name.
struct TIdKey {
    std::string_view Name;
    bool File;
    bool operator==(const TIdKey& o) const { return File == o.File && Name == o.Name; }
};
struct TIdHash {
    size_t operator()(const TIdKey& k) const {
        return std::hash<std::string_view>()(k.Name) ^ size_t(k.File);
    }
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string NumberedShortName(const std::string& name, bool isFile, uint32_t n) {
    // Files split at their last dot; a folder's name is all base.
    const size_t dot = isFile ? name.rfind('.') : std::string::npos;
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    // A name that already ends in a tail of its own gets that tail replaced, not a second one.
    size_t digits = base.size();
    while (digits > 0 && IsDigit(base[digits - 1]))
        --digits;
    if (digits > 0 && digits < base.size() && base[digits - 1] == '~') base.resize(digits - 1);

    const bool dos = base.size() <= 8 && ext.size() <= 4; // ext holds the dot
    const std::string tail = "~" + std::to_string(n);
    // 8.3 names stay 8.3; other names stay within 13 characters, or their own length.
    const size_t room = dos ? 8 : std::max<size_t>(13, name.size()) - ext.size();
    if (base.size() + tail.size() > room) base.resize(room > tail.size() ? room - tail.size() : 0);
    return base + tail + ext;
}

void MakeIsoNamesUnique(TFileTables& t) {
    for (TDEntry* d : t.Dirs) {
        if (!d->FirstEntry || !d->FirstEntry->Next) continue;
        // Every identifier of the directory once, viewing the short name of the first entry
        // that has it; the entries of a name after the first are renamed. (Sets made afresh
        // per directory: clearing one keeps the buckets of the largest directory.)
        std::unordered_set<TIdKey, TIdHash> ids;
        bool duplicates = false;
        for (const TFEntry* e = d->FirstEntry; e; e = e->Next)
            duplicates |= !ids.insert({e->ShortName, !e->Dir}).second;
        if (!duplicates) continue;
        // Per name, the number its next duplicate tries first: thousands of equal names
        // stay linear.
        std::unordered_map<std::string, uint32_t> next;
        for (TFEntry* e = d->FirstEntry; e; e = e->Next) {
            const bool isFile = !e->Dir;
            if (ids.find({e->ShortName, isFile})->Name.data() == e->ShortName.data()) continue; // the first
            // The first number that no entry of the directory uses.
            std::string name;
            uint32_t& n = next.try_emplace(e->ShortName + (isFile ? ";1" : ""), 1).first->second;
            for (;; ++n) {
                name = NumberedShortName(e->ShortName, isFile, n);
                if (!ids.count({name, isFile})) break;
            }
            e->ShortName = std::move(name);
            ids.insert({e->ShortName, isFile});
            if (e->Dir) e->Dir->ShortName = e->ShortName;
        }
    }
}

} // namespace scrivo
