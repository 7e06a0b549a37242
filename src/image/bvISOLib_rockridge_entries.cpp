#include "bvISOLib_rockridge_entries.h"
#include "bvISOLib_relocation.h"
#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace scrivo {

namespace {

// Serial numbers: one per file, shared by hard links. Directories and files with data have
// numbers of their own kind (their path-table number, their first data block), so both
// passes give the same numbers; everything else is numbered in the order records are met.
constexpr uint32_t DirectorySerials = 0x40000000u;
constexpr uint32_t DataSerials = 0x80000000u;
constexpr uint32_t ImportedDataSerials = 0xC0000000u; // by the absolute sector of the data
// What the tree says of entries no source described (made-up folders, imported entries).
constexpr uint32_t MadeUpFolderMode = PosixDirectory | 0755;
constexpr uint32_t MadeUpFileMode = PosixRegular | 0644;

} // namespace

void LinkHardLinks(TFileTables& t) {
    t.LinkGroups.assign(t.HardLinks.size(), {});
    t.ImportedLinks.clear();
    std::unordered_map<uint32_t, uint32_t> imported;
    for (const TFEntry* e : t.Files)
        if (e->Imported && e->Posix && !e->Dir && e->IsoSize > 0) ++imported[e->IsoLocation];
    for (const auto& [sector, links] : imported)
        if (links > 1) t.ImportedLinks.emplace(sector, links);
    for (TFEntry* e : t.Files) {
        if (!e->Posix || !e->Posix->Identity || e->Dir || e->Imported) continue;
        TFileTables::TLinkGroup& g = t.LinkGroups[e->Posix->Identity - 1];
        ++g.Links;
        if (!g.First) {
            g.First = e;
            continue;
        }
        // A file that changed between its links being listed is recorded as the first saw it.
        e->IsoSize = e->JolietSize = g.First->IsoSize;
    }
}

void TRockRidgeEntries::StartPass() {
    serial_ = 0;
    entryOfDir_.clear();
    dirLinks_.clear();
    const TFileTables& t = FileTables();
    for (const TDEntry* d : t.Dirs)
        dirLinks_[d] = 2; // "." and its entry in the parent
    for (const TFEntry* e : t.Files) {
        if (!e->Dir) continue;
        entryOfDir_[e->Dir] = e;
        ++dirLinks_[e->Dir->Parent]; // the subdirectory's ".."
    }
    if (const TRelocation* moved = t.Relocation.get()) {
        entryOfDir_[&moved->Moved] = &moved->MovedEntry;
        dirLinks_[&moved->Moved] = 2 + static_cast<uint32_t>(moved->Entries.size());
        ++dirLinks_[t.Root()];
    }
}

uint32_t TRockRidgeEntries::ExtentOf(const TDEntry& d) const {
    return std::max<uint32_t>(1, layout_.IsoDirectoryArea + d.IsoLocation);
}

TRripFacts TRockRidgeEntries::FactsOf(const TFEntry* e, const TDEntry* dir) const {
    TRripFacts f;
    const TPosixEntry* p = e ? e->Posix : nullptr;
    if (p) {
        f.Mode = p->Mode;
        f.Uid = p->Uid;
        f.Gid = p->Gid;
        f.Links = e->Links();
        f.ModifyTime = p->ModifyTime;
        f.AccessTime = p->AccessTime;
        f.ChangeTime = p->ChangeTime;
        if (p->LinkTarget) f.LinkTarget = FileTables().LinkTargets[p->LinkTarget - 1];
    } else {
        f.Mode = dir ? MadeUpFolderMode : MadeUpFileMode;
        f.Times = false; // the record's date stands
    }
    if (dir) {
        f.Links = dirLinks_.at(dir);
        f.Serial = DirectorySerials + dir->Number;
    } else if (e->IsoSize > 0 && (!e->Imported || e->Links() > 1)) {
        // Hard links point at one place, and so do those of an earlier session.
        f.Serial = (e->Imported ? ImportedDataSerials : DataSerials) + e->IsoLocation;
    } else {
        f.Serial = 0; // numbered by the caller
    }
    return f;
}

void TRockRidgeEntries::Entries(const TRecordPlace& at, bool dates) {
    const TDEntry* root = FileTables().Root();
    const TRelocation* moved = FileTables().Relocation.get();
    if (!at.Entry && !at.Parent) {
        if (at.Dir == root) StartPass();
        packer_ = TContinuationPacker();
    }
    TRripFacts f;
    if (at.Entry) {
        const TFEntry& e = *at.Entry;
        f = FactsOf(&e, e.Dir);
        const bool dotAdded = e.Posix && e.Posix->DotAdded && !e.LongName.empty();
        name_.assign(e.LongName, 0, e.LongName.size() - (dotAdded ? 1 : 0));
        f.Name = name_;
        if (moved && moved->IsPlaceholder(e, *at.Dir)) f.ChildLink = ExtentOf(*e.Dir);
        f.Relocated = moved && at.Dir == &moved->Moved;
    } else {
        const TDEntry* d = at.Parent ? at.Dir->Parent : at.Dir;
        auto it = entryOfDir_.find(d);
        f = FactsOf(it == entryOfDir_.end() ? nullptr : it->second, d);
        f.Root = !at.Parent && at.Dir == root;
        if (at.Parent && moved && moved->IsMoved(*at.Dir)) f.ParentLink = ExtentOf(*d);
    }
    // Every record of a multi-extent file is one file: one number for all of them.
    if (f.Serial == 0) f.Serial = at.Extent == 0 ? ++serial_ : serial_;
    entries_.clear();
    AppendRripEntries(f, entries_, dates);
}

uint32_t TRockRidgeEntries::Reserve(const TRecordPlace& at, uint32_t room) {
    Entries(at, false); // only lengths count here
    const TSuspSplit split = SplitSystemUse(entries_, room);
    for (uint32_t length : split.Areas)
        packer_.Put(length);
    return split.Dropped ? 0 : split.AreaLength();
}

uint32_t TRockRidgeEntries::TrailingBlocks(const TDEntry&) {
    return packer_.Sectors();
}

void TRockRidgeEntries::StartTrailing(const TDEntry&, uint32_t block, uint8_t* bytes, uint32_t count) {
    trailingBlock_ = block;
    trailing_ = bytes;
    trailingSectors_ = count;
}

uint32_t TRockRidgeEntries::Fill(const TRecordPlace& at, uint8_t* area, uint32_t room) {
    Entries(at, true);
    const TSuspSplit split = SplitSystemUse(entries_, room);
    TContinuationPacker ahead = packer_;
    for (uint32_t length : split.Areas)
        ahead.Put(length);
    if (ahead.Sectors() > trailingSectors_)
        throw EImageMismatch("Rock Ridge continuation areas outgrow their layout");
    WriteSystemUse(entries_, split, area, packer_, trailingBlock_, trailing_);
    return split.Dropped ? 0 : split.AreaLength();
}

} // namespace scrivo
