#include "bvISOLib_relocation.h"
#include "bvISOLib_rrip.h"
#include "bvISOLib_tree.h"
#include <algorithm>

namespace scrivo {

namespace {

constexpr uint8_t MaxIsoLevel = 8;
constexpr size_t MaxMovedName = 31;

// `base`, or `base` with a number, that `taken` does not hold yet.
std::string UniqueName(const std::string& base, const std::unordered_map<std::string, int>& taken) {
    std::string name = base;
    for (int k = 1; taken.count(name); ++k) {
        const std::string suffix = "_" + std::to_string(k);
        name = base.substr(0, std::min(base.size(), MaxMovedName - suffix.size())) + suffix;
    }
    return name;
}

} // namespace

void RelocateDeepFolders(TFileTables& t, TDateTime now) {
    t.Relocation.reset();
    TDEntry* root = t.Root();
    if (!root) return;
    auto r = std::make_shared<TRelocation>();
    // ISO 9660 levels in creation order: a folder comes after its parent.
    std::unordered_map<const TDEntry*, uint8_t> level{{root, 1}};
    for (TDEntry* d : t.Dirs) {
        if (d == root) continue;
        const uint8_t parent = level[d->Parent];
        if (parent < MaxIsoLevel) {
            level[d] = static_cast<uint8_t>(parent + 1);
            continue;
        }
        r->Parents[d] = &r->Moved;
        level[d] = 3;
    }
    if (r->Parents.empty()) return;

    std::unordered_map<std::string, int> taken;
    for (const TFEntry* e = root->FirstEntry; e; e = e->Next)
        taken[e->ShortName] = 1;
    TDEntry& moved = r->Moved;
    moved.ShortName = UniqueName("RR_MOVED", taken);
    moved.LongName = std::string(RelocationFolderName);
    moved.Parent = root;
    moved.Level = 2;
    moved.Number = static_cast<uint32_t>(t.Dirs.size() + 1); // apart from every tree folder's
    r->MovedEntry.ShortName = moved.ShortName;
    r->MovedEntry.LongName = moved.LongName;
    r->MovedEntry.Attr = faDirectory;
    r->MovedEntry.Dir = &moved;
    r->MovedEntry.DateTime = moved.DateTime = now;
    r->Parents[&moved] = root;
    level[&moved] = 2;

    taken.clear();
    for (TDEntry* d : t.Dirs) {
        if (!r->IsMoved(*d)) continue;
        const std::string name = UniqueName(d->ShortName, taken);
        taken[name] = 1;
        r->Names[d] = name;
        r->Entries.push_back(EntryOfDir(d));
    }
    std::sort(r->Entries.begin(), r->Entries.end(),
              [&](const TFEntry* a, const TFEntry* b) { return r->Names[a->Dir] < r->Names[b->Dir]; });

    // The relocation folder's extent comes right after the root's, then every folder that
    // stands below it in the ISO 9660 tree, then the others: sequential readers (libarchive)
    // only take a relocated folder when they meet it before the record that points at it,
    // and one relocated again below another only while that other is not placed yet.
    std::unordered_map<const TDEntry*, bool> belowMoved{{root, false}};
    for (TDEntry* d : t.Dirs)
        if (d != root) belowMoved[d] = r->IsMoved(*d) || belowMoved[d->Parent];
    r->Dirs.reserve(t.Dirs.size() + 1);
    r->Dirs.push_back(root);
    r->Dirs.push_back(&moved);
    for (bool below : {true, false})
        for (TDEntry* d : t.Dirs)
            if (d != root && belowMoved[d] == below) r->Dirs.push_back(d);
    // Path-table order: by level, then by parent's number, then by identifier.
    std::vector<std::vector<TDEntry*>> byLevel(MaxIsoLevel + 1);
    for (TDEntry* d : r->Dirs)
        if (d != root) byLevel[level[d]].push_back(d);
    r->PathOrder.push_back(root);
    r->Numbers[root] = 1;
    for (std::vector<TDEntry*>& dirs : byLevel) {
        std::sort(dirs.begin(), dirs.end(), [&](const TDEntry* a, const TDEntry* b) {
            const uint32_t pa = r->Numbers[r->ParentOf(*a)], pb = r->Numbers[r->ParentOf(*b)];
            return pa != pb ? pa < pb : r->IsoName(*a) < r->IsoName(*b);
        });
        for (TDEntry* d : dirs) {
            r->PathOrder.push_back(d);
            r->Numbers[d] = static_cast<uint32_t>(r->PathOrder.size());
        }
    }
    t.Relocation = std::move(r);
}

} // namespace scrivo
