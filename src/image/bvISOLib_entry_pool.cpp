#include "bvISOLib_entry_pool.h"
#include "bvISOLib.h"

namespace scrivo {

namespace {
// Large enough that a block's own cost is nothing, small enough for a tree of a few files.
constexpr size_t BlockEntries = 512;
} // namespace

TEntryPool::TEntryPool() = default;
TEntryPool::~TEntryPool() = default;

TFEntry* TEntryPool::New() {
    if (!free_.empty()) {
        TFEntry* e = free_.back();
        free_.pop_back();
        return e;
    }
    if (blocks_.empty() || used_ == BlockEntries) {
        blocks_.push_back(std::make_unique<TFEntry[]>(BlockEntries));
        used_ = 0;
    }
    return &blocks_.back()[used_++];
}

void TEntryPool::Delete(TFEntry* e) {
    if (!e) return;
    *e = TFEntry();
    free_.push_back(e);
}

void TEntryPool::Clear() {
    blocks_.clear();
    free_.clear();
    used_ = 0;
}

} // namespace scrivo
