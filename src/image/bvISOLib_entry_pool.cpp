#include "bvISOLib_entry_pool.h"
#include "bvISOLib.h"
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace scrivo {

namespace {
// Large enough that a block's own cost is nothing, small enough for a tree of a few files.
constexpr size_t BlockEntries = 512;

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer a removed entry's place stays unused and unreadable, so that a
// use of a removed entry is caught as it was when each entry was freed on its own.
constexpr bool ReusePlaces = false;
void Poison(TFEntry* e, size_t count) {
    ASAN_POISON_MEMORY_REGION(e, count * sizeof(TFEntry));
}
void Unpoison(TFEntry* e, size_t count) {
    ASAN_UNPOISON_MEMORY_REGION(e, count * sizeof(TFEntry));
}
#else
constexpr bool ReusePlaces = true;
void Poison(TFEntry*, size_t) {}
void Unpoison(TFEntry*, size_t) {}
#endif
} // namespace

TEntryPool::TEntryPool() = default;

TEntryPool::~TEntryPool() {
    Clear();
}

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
    if (ReusePlaces)
        free_.push_back(e);
    else
        Poison(e, 1);
}

void TEntryPool::Clear() {
    for (auto& block : blocks_)
        Unpoison(block.get(), BlockEntries); // their destructors run over every place
    blocks_.clear();
    free_.clear();
    used_ = 0;
}

} // namespace scrivo
