// Where the tree's file entries live: in blocks of many, in creation order, so that the
// layout's passes over a large tree read memory in order instead of chasing entries spread
// over the heap.
#pragma once
#include <cstddef>
#include <memory>
#include <vector>

namespace scrivo {

struct TFEntry;

class TEntryPool {
  public:
    TEntryPool();
    ~TEntryPool();
    TEntryPool(const TEntryPool&) = delete;
    TEntryPool& operator=(const TEntryPool&) = delete;

    // A default entry, valid until it is given back or the pool is cleared.
    TFEntry* New();
    // Gives `e` back: what it holds is let go, and its place serves a later New.
    void Delete(TFEntry* e);
    // Gives every entry back at once.
    void Clear();

  private:
    std::vector<std::unique_ptr<TFEntry[]>> blocks_;
    size_t used_ = 0; // of the last block
    std::vector<TFEntry*> free_;
};

} // namespace scrivo
