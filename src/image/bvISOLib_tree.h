// Entry lists of the directories and their name index (kept by the builder's tree code).
#pragma once
#include "bvISOLib.h"
#include <string>
#include <string_view>

namespace scrivo {

// Long names are compared without regard to case (the index key is the upper-cased name),
// unless the tree's names are case-sensitive (the key is the name).
std::string NameKey(std::string_view longName);

// The first entry of `d` (in list order) whose long name matches, or null.
TFEntry* FindEntry(const TDEntry* d, std::string_view longName);
// The same for a key already made by NameKey.
TFEntry* FindEntryByKey(const TDEntry* d, const std::string& key);
// Appends `e` to the list of `d` and indexes it (under `key`, its long name's NameKey, when
// the caller has it at hand).
void AppendEntry(TDEntry* d, TFEntry* e);
void AppendEntry(TDEntry* d, TFEntry* e, std::string key);
// Takes `e` out of the list of `d` and out of the index.
void UnlinkEntry(TDEntry* d, TFEntry* e);
// Gives the listed entry `e` of `d` a new long name, keeping the index right.
void RenameEntry(TDEntry* d, TFEntry* e, const std::string& longName);

// The directory's entry in its parent's list (null for the root).
TFEntry* EntryOfDir(const TDEntry* d);

// Frees every record of the tables and empties them (no root afterwards).
void FreeTables(TFileTables& t);

// The Rock Ridge facts of a listed entry, kept by `t` (null when the listing has none); hard
// links of one source file get one identity in `t`. `dotAdded`: the long name got a "." the
// listed name does not have.
TPosixEntry* MakePosixEntry(TFileTables& t, const FileListing& item, bool dotAdded);
// Gives `e` its Rock Ridge facts (null: none).
inline void SetPosix(TFEntry& e, TPosixEntry* p) {
    e.Posix = p;
    e.Link = p && (p->Mode & PosixTypeMask) == PosixSymlink;
}
// The longest name Rock Ridge records (bytes).
constexpr size_t MaxPosixName = 255;

} // namespace scrivo

namespace scrivo {
// Removes the listed entry `e` of `d` from the tree and frees it; a subdirectory goes with
// everything below it. Later pointers of the tables move down one place.
void RemoveListed(TFileTables& t, TDEntry* d, TFEntry* e);
} // namespace scrivo
