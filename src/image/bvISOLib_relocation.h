// Folders deeper than the ISO 9660 tree may go (8 levels) stand, in that tree only, in a
// folder at its root; Rock Ridge links them to where they belong (CL, PL, RE), so Rock
// Ridge readers and the Joliet tree see the true hierarchy. The relocation is a view made
// by each layout: the tree itself is never changed.
#pragma once
#include "bvISOLib.h"
#include <unordered_map>

namespace scrivo {

struct TRelocation {
    TDEntry Moved;      // the folder the relocated folders stand in
    TFEntry MovedEntry; // its record in the root
    // Records of the relocated folders in `Moved`, with their identifiers there (unique).
    std::vector<TFEntry*> Entries;
    std::unordered_map<const TDEntry*, std::string> Names;
    // The ISO 9660 parent of each relocated folder (`Moved`) and of `Moved` (the root).
    std::unordered_map<const TDEntry*, const TDEntry*> Parents;
    // The ISO 9660 tree's directories in extent order (the root, `Moved`, the folders below it
    // in that tree, the others, each part in creation order); path-table order, and each
    // one's path-table number.
    std::vector<TDEntry*> Dirs;
    std::vector<TDEntry*> PathOrder;
    std::unordered_map<const TDEntry*, uint32_t> Numbers;

    const TDEntry* ParentOf(const TDEntry& d) const {
        auto it = Parents.find(&d);
        return it == Parents.end() ? d.Parent : it->second;
    }
    bool IsMoved(const TDEntry& d) const { return Parents.count(&d) && &d != &Moved; }
    // The record of `e` in `dir` stands for a folder that was moved away: an empty file
    // whose CL entry points at the folder.
    bool IsPlaceholder(const TFEntry& e, const TDEntry& dir) const {
        return e.Dir && &dir != &Moved && IsMoved(*e.Dir);
    }
    const std::string& IsoName(const TDEntry& d) const {
        auto it = Names.find(&d);
        return it == Names.end() ? d.ShortName : it->second;
    }
};

// Sets t.Relocation when a folder of the tree is deeper than 8 levels, else clears it.
// `now`: the date of the relocation folder's record.
void RelocateDeepFolders(TFileTables& t, TDateTime now);

} // namespace scrivo
