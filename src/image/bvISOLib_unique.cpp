// Unique ISO 9660 identifiers within each directory. Short names come from several places
// (8.3 names of different source folders, names cut to 13 characters, imported entries),
// so two entries of one directory may share one; readers then show one file of the two.
#include "bvISOLib_names.h"
#include "bvISOLib_namespace.h"
#include "platform/Text.h"
#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

// A Joliet name as readers compare it: without the version suffix, letters of either case alike.
std::u16string ReadAs(std::u16string name) {
    if (name.size() >= 2 && name.compare(name.size() - 2, 2, u";1") == 0) name.resize(name.size() - 2);
    for (char16_t& c : name)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return name;
}

// The first `units` of `name`, never half of a surrogate pair.
std::u16string_view Head(std::u16string_view name, size_t units) {
    units = std::min(units, name.size());
    if (units > 0 && units < name.size() && name[units - 1] >= 0xD800 && name[units - 1] <= 0xDBFF) --units;
    return name.substr(0, units);
}

// The extension a cut file name keeps: its last dot and what follows, when that is short
// (a lone dot is none).
std::u16string_view Extension(std::u16string_view name, bool isFile) {
    const size_t dot = isFile ? name.rfind(u'.') : std::u16string_view::npos;
    if (dot == std::u16string_view::npos || dot == 0 || name.size() - dot < 2 || name.size() - dot > 16)
        return {};
    return name.substr(dot);
}

// Whether two entries of `d` may share an identifier: open addressing over 64-bit hashes
// in `slots` (kept between directories), so the many directories without a duplicate cost
// no allocation. Equal hashes only send a directory to the exact check.
bool MayShareIdentifiers(const TDEntry& d, std::vector<uint64_t>& slots) {
    size_t entries = 0;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next)
        ++entries;
    size_t size = 16;
    while (size < 2 * entries)
        size *= 2;
    slots.assign(size, 0);
    constexpr uint64_t FileMark = 0x9E3779B97F4A7C15ull;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
        // Never 0, which marks a free slot.
        const uint64_t h = (std::hash<std::string_view>()(e->ShortName) ^ (e->Dir ? 0 : FileMark)) | 1;
        size_t i = h & (size - 1);
        for (; slots[i] != 0; i = (i + 1) & (size - 1))
            if (slots[i] == h) return true;
        slots[i] = h;
    }
    return false;
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

namespace {

void MakeIsoNamesUniqueIn(TDEntry& d, std::vector<uint64_t>& slots) {
    if (!d.FirstEntry || !d.FirstEntry->Next || !MayShareIdentifiers(d, slots)) return;
    // Every identifier of the directory once, viewing the short name of the first entry
    // that has it; the entries of a name after the first are renamed. (Sets made afresh
    // per directory: clearing one keeps the buckets of the largest directory.)
    std::unordered_set<TIdKey, TIdHash> ids;
    size_t entries = 0;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next)
        ++entries;
    ids.reserve(entries);
    bool duplicates = false;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next)
        duplicates |= !ids.insert({e->ShortName, !e->Dir}).second;
    if (!duplicates) return;
    // Per name, the number its next duplicate tries first: thousands of equal names
    // stay linear.
    std::unordered_map<std::string, uint32_t> next;
    for (TFEntry* e = d.FirstEntry; e; e = e->Next) {
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

// Gives the entries of `d` whose Joliet identifier cannot be their long name (too long for a
// record, or holding characters Joliet forbids) one of their own, unique in the folder.
void MakeJolietNamesIn(TFileTables& t, const TDEntry& d) {
    constexpr size_t room = MaxJolietIdentifier / 2;
    auto isCut = [](const TFEntry& e) {
        // A name has no more UTF-16 units than bytes: most are measured without decoding.
        const size_t version = e.Dir ? 0 : 2;
        return e.LongName.size() + version > room && Utf16Length(e.LongName) + version > room;
    };
    auto ownName = [&](const TFEntry& e) { return isCut(e) || HasJolietForbidden(e.LongName); };
    bool any = d.CaseTwins;
    for (const TFEntry* e = d.FirstEntry; e && !any; e = e->Next)
        any = JolietNamespace.Records(*e) && ownName(*e);
    if (!any) return;
    // Names as readers show them, the whole ones first: a name of the layout's gives way to
    // them, as does a name an earlier one shows already (imported names differing only in case).
    std::unordered_set<std::u16string> shown;
    std::unordered_set<const TFEntry*> twins;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next)
        if (JolietNamespace.Records(*e) && !ownName(*e) && !shown.insert(ReadAs(Utf8ToUtf16(e->LongName))).second)
            twins.insert(e);
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
        if (!JolietNamespace.Records(*e) || (!ownName(*e) && !twins.count(e))) continue;
        const bool cut = isCut(*e), isFile = !e->Dir;
        const std::u16string name = JolietSafeName(Utf8ToUtf16(e->LongName));
        const std::u16string_view ext = Extension(name, isFile);
        const std::u16string_view base = std::u16string_view(name).substr(0, name.size() - ext.size());
        // A cut name gives up its ";1" for the room; a whole one keeps it.
        const size_t limit = cut || !isFile ? room : room - 2;
        std::u16string id = std::u16string(Head(base, limit - ext.size())) + std::u16string(ext);
        for (uint32_t n = 1; shown.count(ReadAs(id)); ++n) {
            const std::u16string tail = Utf8ToUtf16("~" + std::to_string(n));
            id = std::u16string(Head(base, limit - ext.size() - tail.size())) + tail + std::u16string(ext);
        }
        shown.insert(ReadAs(id));
        if (isFile && !cut) id += u";1";
        t.JolietNames[e->Dir ? static_cast<const void*>(e->Dir) : e] = std::move(id);
    }
}

} // namespace

void MakeNamesUnique(TFileTables& t) {
    t.JolietNames.clear();
    std::vector<uint64_t> slots;
    // Both per directory, while its entries are in the processor's cache.
    for (TDEntry* d : t.Dirs) {
        MakeIsoNamesUniqueIn(*d, slots);
        MakeJolietNamesIn(t, *d);
    }
}

} // namespace scrivo
