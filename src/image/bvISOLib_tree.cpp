#include "bvISOLib_tree.h"
#include "platform/Text.h"
#include <algorithm>

namespace scrivo {

TFileTables& FileTables() {
    static TFileTables tables;
    return tables;
}

std::string NameKey(std::string_view longName) {
    return FileTables().CaseSensitive ? std::string(longName) : UpperCase(longName);
}

TFEntry* FindEntry(const TDEntry* d, std::string_view longName) { return FindEntryByKey(d, NameKey(longName)); }

namespace {

uint32_t KeyHash(std::string_view key) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(key));
}

// The indexed entry of name `key` (its hash `hash`), or null.
TFEntry* Indexed(const TDEntry* d, uint32_t hash, const std::string& key) {
    return d->NameIndex.Find(hash, [&](const TFEntry* e) { return NameKey(e->LongName) == key; });
}

} // namespace

void TNameIndex::Insert(TFEntry* e) {
    if ((count_ + 1) * 2 > slots_.size()) {
        std::vector<TFEntry*> old(std::max<size_t>(8, slots_.size() * 2), nullptr);
        old.swap(slots_);
        count_ = 0;
        for (TFEntry* x : old)
            if (x) Insert(x);
    }
    const size_t mask = slots_.size() - 1;
    size_t i = e->NameHash & mask;
    while (slots_[i])
        i = (i + 1) & mask;
    slots_[i] = e;
    ++count_;
}

size_t TNameIndex::SlotOf(const TFEntry* e) const {
    if (slots_.empty()) return std::string::npos;
    const size_t mask = slots_.size() - 1;
    for (size_t i = e->NameHash & mask; slots_[i]; i = (i + 1) & mask)
        if (slots_[i] == e) return i;
    return std::string::npos;
}

void TNameIndex::Erase(const TFEntry* e) {
    size_t i = SlotOf(e);
    if (i == std::string::npos) return;
    // Later entries of the run move up where the probe from their home slot still finds them.
    const size_t mask = slots_.size() - 1;
    slots_[i] = nullptr;
    for (size_t j = (i + 1) & mask; slots_[j]; j = (j + 1) & mask) {
        const size_t home = slots_[j]->NameHash & mask;
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (stays) continue;
        slots_[i] = slots_[j];
        slots_[j] = nullptr;
        i = j;
    }
    --count_;
}

void TNameIndex::Replace(const TFEntry* e, TFEntry* by) {
    const size_t i = SlotOf(e);
    if (i != std::string::npos) slots_[i] = by;
}

TFEntry* FindEntryByKey(const TDEntry* d, const std::string& key) {
    return Indexed(d, KeyHash(key), key);
}

void AppendEntry(TDEntry* d, TFEntry* e) { AppendEntry(d, e, NameKey(e->LongName)); }

void AppendEntry(TDEntry* d, TFEntry* e, std::string key) {
    e->Next = nullptr;
    if (d->LastEntry)
        d->LastEntry->Next = e;
    else
        d->FirstEntry = e;
    d->LastEntry = e;
    e->NameHash = KeyHash(key);
    if (!Indexed(d, e->NameHash, key)) d->NameIndex.Insert(e); // keeps an earlier entry of that name
}

// After `e` leaves key `key`, the index points at the next entry of that name in list order.
static void ReindexAfter(TDEntry* d, const std::string& key, TFEntry* e) {
    if (Indexed(d, e->NameHash, key) != e) return;
    for (TFEntry* p = e->Next; p; p = p->Next) {
        if (NameKey(p->LongName) == key) {
            d->NameIndex.Replace(e, p);
            return;
        }
    }
    d->NameIndex.Erase(e);
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
    e->NameHash = KeyHash(newKey);
    if (!first) {
        d->NameIndex.Insert(e);
        return;
    }
    // Both are in the list: the index keeps whichever comes first.
    for (TFEntry* p = d->FirstEntry; p; p = p->Next) {
        if (p == e || p == first) {
            d->NameIndex.Replace(first, p);
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
    for (TDEntry* d : t.Dirs) delete d;
    t.Files.clear();
    t.Dirs.clear();
    t.IsoDirs.clear();
    t.JolietDirs.clear();
    t.PathIndex.clear();
    t.HardLinks.clear();
    t.Entries.Clear();
    t.Sources.Clear();
    t.PosixFacts.clear();
    t.LinkTargets.clear();
    t.LinkGroups.clear();
    t.ImportedLinks.clear();
    t.Relocation.reset();
}

} // namespace scrivo
