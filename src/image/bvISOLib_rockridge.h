// Rock Ridge entries of an ISO 9660 directory record, as the session import needs them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace scrivo {

struct TRockRidge {
    std::string Name;        // NM: the name with its case and characters; empty when none
    bool Relocated = false;  // RE: a directory standing here only because it was moved
    uint32_t ChildLink = 0;  // CL: where the directory this record stands for really is
    uint32_t ParentLink = 0; // PL: the real parent of a relocated directory
    bool HasPosix = false;   // PX was read
    uint32_t Mode = 0, Links = 0, Uid = 0, Gid = 0, Serial = 0;
    // TF: seconds since 1970 UTC; false when not recorded
    bool HasModifyTime = false, HasAccessTime = false, HasChangeTime = false;
    int64_t ModifyTime = 0, AccessTime = 0, ChangeTime = 0;
    bool IsLink = false;    // SL was read
    std::string LinkTarget; // SL: the link's target, components joined by "/"
};

// Reads the system use entries of `area` (the bytes after a record's identifier and the
// skip the SP entry gives). Continuation areas (CE) are read through `readSector`; their
// chain is bounded, as is everything else read from the disc.
TRockRidge ReadRockRidge(const uint8_t* area, size_t length,
                         const std::function<bool(uint32_t, uint8_t*)>& readSector);

// Whether the bytes after a record's identifier look like a system use area: an XA block,
// then entries with a two-letter signature chaining up to the record's end, zeros after.
// Anything else (the next record's bytes, say) means the record's length is wrong.
bool SystemUseWellFormed(const uint8_t* area, size_t length);

// The bytes the root's "." record says are skipped before each system use area (SP); 0
// when the record holds no SP entry.
uint32_t SuspSkip(const uint8_t* area, size_t length);

} // namespace scrivo
