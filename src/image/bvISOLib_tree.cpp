#include "bvISOLib_tree.h"
#include "platform/Text.h"

namespace scrivo {

TFileTables& FileTables() {
    static TFileTables tables;
    return tables;
}

std::string NameKey(std::string_view longName) { return UpperCase(longName); }

TFEntry* FindEntry(const TDEntry* d, std::string_view longName) { return FindEntryByKey(d, NameKey(longName)); }

namespace {

size_t KeyHash(std::string_view key) { return std::hash<std::string_view>{}(key); }

// The index element that points at `e`, filed under `key`; end() when there is none.
auto IndexedAt(TDEntry* d, const std::string& key, const TFEntry* e) {
    auto [it, end] = d->NameIndex.equal_range(KeyHash(key));
    while (it != end && it->second != e) ++it;
    return it == end ? d->NameIndex.end() : it;
}

} // namespace

TFEntry* FindEntryByKey(const TDEntry* d, const std::string& key) {
    auto [it, end] = d->NameIndex.equal_range(KeyHash(key));
    for (; it != end; ++it)
        if (NameKey(it->second->LongName) == key) return it->second;
    return nullptr;
}

void AppendEntry(TDEntry* d, TFEntry* e) { AppendEntry(d, e, NameKey(e->LongName)); }

void AppendEntry(TDEntry* d, TFEntry* e, std::string key) {
    e->Next = nullptr;
    if (d->LastEntry)
        d->LastEntry->Next = e;
    else
        d->FirstEntry = e;
    d->LastEntry = e;
    if (!FindEntryByKey(d, key)) d->NameIndex.emplace(KeyHash(key), e); // keeps an earlier entry of that name
}

// After `e` leaves key `key`, the index points at the next entry of that name in list order.
static void ReindexAfter(TDEntry* d, const std::string& key, TFEntry* e) {
    auto it = IndexedAt(d, key, e);
    if (it == d->NameIndex.end()) return;
    for (TFEntry* p = e->Next; p; p = p->Next) {
        if (NameKey(p->LongName) == key) {
            it->second = p;
            return;
        }
    }
    d->NameIndex.erase(it);
}

void UnlinkEntry(TDEntry* d, TFEntry* e) {
    ReindexAfter(d, NameKey(e->LongName), e);
    TFEntry* prev = nullptr;
    for (TFEntry* p = d->FirstEntry; p && p != e; p = p->Next) prev = p;
    if (prev)
        prev->Next = e->Next;
    else if (d->FirstEntry == e)
        d->FirstEntry = e->Next;
    else
        return; // not in this list
    if (d->LastEntry == e) d->LastEntry = prev;
    e->Next = nullptr;
}

void RenameEntry(TDEntry* d, TFEntry* e, const std::string& longName) {
    std::string oldKey = NameKey(e->LongName), newKey = NameKey(longName);
    if (oldKey == newKey) {
        e->LongName = longName;
        return;
    }
    ReindexAfter(d, oldKey, e);
    TFEntry* first = FindEntryByKey(d, newKey);
    e->LongName = longName;
    if (!first) {
        d->NameIndex.emplace(KeyHash(newKey), e);
        return;
    }
    // Both are in the list: the index keeps whichever comes first.
    for (TFEntry* p = d->FirstEntry; p; p = p->Next) {
        if (p == e || p == first) {
            IndexedAt(d, newKey, first)->second = p;
            return;
        }
    }
}

TFEntry* EntryOfDir(const TDEntry* d) {
    if (!d->Parent || d->Parent == d) return nullptr;
    // A directory just created is its parent's last entry; look there first.
    if (d->Parent->LastEntry && d->Parent->LastEntry->Dir == d) return d->Parent->LastEntry;
    for (TFEntry* p = d->Parent->FirstEntry; p; p = p->Next)
        if (p->Dir == d) return p;
    return nullptr;
}

void FreeTables(TFileTables& t) {
    for (TFEntry* f : t.Files) delete f;
    for (TDEntry* d : t.Dirs) delete d;
    t.Files.clear();
    t.Dirs.clear();
    t.IsoDirs.clear();
    t.JolietDirs.clear();
    t.PathIndex.clear();
    t.HardLinks.clear();
    t.Sources.Clear();
    t.PosixFacts.clear();
    t.LinkTargets.clear();
    t.LinkGroups.clear();
    t.Relocation.reset();
}

} // namespace scrivo
