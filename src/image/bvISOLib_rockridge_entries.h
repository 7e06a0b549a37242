// Rock Ridge in the ISO 9660 tree: the system use entries of its directory records, and the
// continuation areas they spill into (long names and link targets, the extension's
// reference in the root), kept in blocks right after each directory's extent.
#pragma once
#include "bvISOLib_rrip.h"
#include "bvISOLib_tree_writer.h"
#include <unordered_map>

namespace scrivo {

// Points every hard link after the first of its file at the first one's data and counts
// each file's links in the tree. Run before the layout places the file data.
void LinkHardLinks(TFileTables& t);

class TRockRidgeEntries : public TSystemUseHook {
  public:
    // `layout`: where the ISO 9660 directories lie (for the links of relocated folders).
    explicit TRockRidgeEntries(const TImageLayout& layout) : layout_(layout) {}
    uint32_t Reserve(const TRecordPlace& at, uint32_t room) override;
    uint32_t Fill(const TRecordPlace& at, uint8_t* area, uint32_t room) override;
    uint32_t TrailingBlocks(const TDEntry& d) override;
    void StartTrailing(const TDEntry& d, uint32_t block, uint8_t* bytes, uint32_t count) override;

  private:
    // The entries of the record `at`, into entries_ (their times only with `dates`); the
    // root's "." record starts a pass, a directory's "." record its continuation areas.
    void Entries(const TRecordPlace& at, bool dates);
    void StartPass();
    TRripFacts FactsOf(const TFEntry* e, const TDEntry* dir) const;

    // The block of a directory's ISO 9660 extent for a CL or PL entry; never 0, which
    // means "none", even while the layout has not placed the directories yet.
    uint32_t ExtentOf(const TDEntry& d) const;

    const TImageLayout& layout_;
    std::vector<uint8_t> entries_;
    std::string name_;
    // The continuation areas of the directory being visited; in generation, where they go.
    TContinuationPacker packer_;
    uint32_t trailingBlock_ = 0;
    uint8_t* trailing_ = nullptr;
    uint32_t trailingSectors_ = 0;
    // Per pass: serial numbers of what has no other, the directories' entries and links.
    uint32_t serial_ = 0;
    std::unordered_map<const TDEntry*, const TFEntry*> entryOfDir_;
    std::unordered_map<const TDEntry*, uint32_t> dirLinks_;
};

} // namespace scrivo
