// The writers of one namespace's tree: its two path tables (L then M) and its directory
// extents. Both take the namespace as data; the directory writer also takes an optional
// system-use hook.
//
// The system-use hook (Rock Ridge and the like) puts entries into the system use area of
// every directory record of the tree, after the identifier and its pad byte:
//
//   Reserve(at, room)     layout: the area's length for the record `at`; even, at most
//                         `room` (what the one-byte record length leaves). Called exactly
//                         once per record.
//   Fill(at, area, room)  generation: writes the area (`room` bytes, holding what an earlier
//                         record left there) and answers its length, which must be what
//                         Reserve answered; every byte of that length is the hook's to write.
//
//   TrailingBlocks(d)     layout, after the records of `d`: blocks the hook wants right
//                         after d's extent (continuation areas of d's records).
//   StartTrailing(d, block, bytes, count)  generation, before the records of `d`: where
//                         those blocks are (absolute), their bytes (zeroed) and how many.
//
// Both passes visit the records in the same order: directories in the tree's creation order
// (TFileTables::Dirs); in each, ".", "..", then the entries in list order, a file of several
// extents once per extent. Trailing blocks follow their directory because sequential
// readers (libarchive) only take continuation areas they meet before the next extent.
// A directory extent that comes out at another size than the layout gave it throws
// EImageMismatch.
//
// With folders relocated (TFileTables::Relocation, Rock Ridge only) the ISO 9660 writers
// write that tree as the relocation has it: the relocation folder's extent after the root's,
// its records in the root and of the relocated folders in it, an empty file record in each
// relocated folder's place, parents and path-table numbers of the relocated hierarchy.
#pragma once
#include "bvISOLib_namespace.h"
#include "bvISOLib_writers.h"

namespace scrivo {

// One directory record of a tree.
struct TRecordPlace {
    const TDEntry* Dir = nullptr;   // the directory whose extent holds the record
    const TFEntry* Entry = nullptr; // null for "." and ".."
    bool Parent = false;            // with no entry: the ".." record
    uint32_t Extent = 0;            // which extent of a multi-extent file
};

class TSystemUseHook {
  public:
    virtual ~TSystemUseHook() = default;
    virtual uint32_t Reserve(const TRecordPlace& at, uint32_t room) = 0;
    virtual uint32_t Fill(const TRecordPlace& at, uint8_t* area, uint32_t room) = 0;
    virtual uint32_t TrailingBlocks(const TDEntry&) { return 0; }
    virtual void StartTrailing(const TDEntry&, uint32_t, uint8_t*, uint32_t) {}
};

class TPathTableWriter : public TImageWriter {
  public:
    explicit TPathTableWriter(const TNamespace& ns) : ns_(ns) {}
    std::string Name() const override;
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override;

  private:
    const TNamespace& ns_;
    TImageLayout* layout_ = nullptr;
    const TFileTables* tables_ = nullptr;
};

class TDirectoryWriter : public TImageWriter {
  public:
    explicit TDirectoryWriter(const TNamespace& ns, TSystemUseHook* hook = nullptr) : ns_(ns), hook_(hook) {}
    std::string Name() const override;
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override;

  private:
    // The tree's directories in creation order, and the entries `d` has records for.
    const std::vector<TDEntry*>& Dirs() const;
    template <class F> void ForEachEntry(const TDEntry& d, F f) const;
    // The identifier of the record of `e` in `d` into `out` (256 bytes); with a null `out`
    // only its length.
    uint32_t Identifier(const TDEntry& d, const TFEntry& e, uint8_t* out) const;
    // Bytes of a directory's extent, asking the hook for every record.
    uint64_t ExtentSize(const TDEntry& d);
    void WriteExtent(const TDEntry& d, uint8_t* p);

    const TNamespace& ns_;
    TSystemUseHook* hook_;
    TImageBuilder* builder_ = nullptr;
    TFileTables* tables_ = nullptr;
    const TRelocation* moved_ = nullptr; // where the tree's folders stand instead
};

} // namespace scrivo
