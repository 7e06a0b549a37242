// Unique ISO 9660 identifiers within each directory. Short names come from several places
// (8.3 names of different source folders, names cut to 13 characters, imported entries),
// so two entries of one directory may share one; readers then show one file of the two.
#include "bvISOLib_names.h"
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace scrivo {

namespace {

// The identifier as recorded: files carry the version suffix, so a file and a folder of
// one name do not collide.
std::string IdentifierOf(const std::string& shortName, bool isFile) {
    return isFile ? shortName + ";1" : shortName;
}

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
    std::unordered_set<std::string> taken, seen;
    // Per name, the number its next duplicate tries first: thousands of equal names stay
    // linear.
    std::unordered_map<std::string, uint32_t> next;
    for (TDEntry* d : t.Dirs) {
        taken.clear();
        seen.clear();
        next.clear();
        for (const TFEntry* e = d->FirstEntry; e; e = e->Next)
            taken.insert(IdentifierOf(e->ShortName, !e->Dir));
        for (TFEntry* e = d->FirstEntry; e; e = e->Next) {
            const bool isFile = !e->Dir;
            const std::string id = IdentifierOf(e->ShortName, isFile);
            if (seen.insert(id).second) continue;
            // A later entry of a name already seen: the first number that no entry of the
            // directory uses. The first of the equal names keeps its name.
            std::string name;
            uint32_t& n = next.try_emplace(id, 1).first->second;
            for (;; ++n) {
                name = NumberedShortName(e->ShortName, isFile, n);
                if (!taken.count(IdentifierOf(name, isFile))) break;
            }
            taken.insert(IdentifierOf(name, isFile));
            seen.insert(IdentifierOf(name, isFile));
            e->ShortName = name;
            if (e->Dir) e->Dir->ShortName = name;
        }
    }
}

} // namespace scrivo
