// Sizes the layout and the generator share, so that the bytes written match the places given.
#pragma once
#include "bvISOLib.h"

namespace scrivo {

constexpr uint64_t SectorsFor(uint64_t bytes) { return (bytes + SectorSize - 1) / SectorSize; }

// Packs directory records into sectors: a record never crosses a sector boundary; one that
// does not fit in what is left of a sector starts the next.
class TSectorPacker {
public:
    // Answers the offset of a record of `length` bytes.
    uint64_t Place(uint32_t length) {
        if (length > free_) {
            used_ += free_;
            free_ = SectorSize;
        }
        uint64_t at = used_;
        used_ += length;
        free_ -= length;
        return at;
    }
    // Bytes of the extent: whole sectors.
    uint64_t Size() const { return used_ + free_; }

private:
    uint64_t used_ = 0;
    uint32_t free_ = SectorSize;
};

} // namespace scrivo
