// A namespace of the disc (ISO 9660, Joliet): how its identifiers and descriptor texts are
// written and where the layout keeps its sizes and places. The tree writers and the volume
// descriptor take one of these as data, so both trees are written by the same code.
#pragma once
#include "bvISOLib.h"
#include <string_view>

namespace scrivo {

struct TNamespace {
    const char* Name;       // for messages: "ISO 9660", "Joliet"
    uint8_t DescriptorType; // 1 primary, 2 supplementary
    const uint8_t* Escape;  // the 3 escape-sequence bytes of a supplementary descriptor; null
    // A descriptor text field of `length` bytes (space-padded, cut to whole characters).
    void (*PutText)(uint8_t* p, size_t length, std::string_view text);

    // Identifier of an entry's directory record (files carry ";1"), into `out` (256 bytes);
    // answers its length. IdentifierLength answers the same length without writing. `t`: the
    // tables the entry is in (names cut by the layout).
    uint32_t (*Identifier)(const TFileTables& t, const TFEntry& e, uint8_t* out);
    uint32_t (*IdentifierLength)(const TFileTables& t, const TFEntry& e);
    // Identifier of a directory in the path tables (not the root), into `out` (512 bytes).
    uint32_t (*DirectoryIdentifier)(const TFileTables& t, const TDEntry& d, uint8_t* out);
    uint32_t (*DirectoryIdentifierLength)(const TFileTables& t, const TDEntry& d);
    // Whether the tree has a record for the entry.
    bool (*Records)(const TFEntry& e);

    // Per directory: extent bytes and sector relative to the namespace's directory area.
    uint64_t TDEntry::*DirSize;
    uint32_t TDEntry::*DirLocation;
    // Per entry: for a subdirectory the copy of its directory's place; for a file the
    // place of its data (relative to the first file sector; absolute when imported).
    uint64_t TFEntry::*EntrySize;
    uint32_t TFEntry::*EntryLocation;
    // Directories in path-table order.
    std::vector<TDEntry*> TFileTables::*PathOrder;

    // Where the layout keeps this namespace's descriptor, path tables and directory area.
    uint32_t TImageLayout::*DescriptorLocation;
    uint32_t TImageLayout::*PathTableSize;
    uint32_t TImageLayout::*PathTableL;
    uint32_t TImageLayout::*PathTableM;
    uint32_t TImageLayout::*DirectoryArea;
    uint64_t TImageLayout::*DirectoryBytes;
};

extern const TNamespace IsoNamespace;
extern const TNamespace JolietNamespace;

} // namespace scrivo
