// A POSIX folder listing in two steps: what the system says of every entry (the part that
// waits for the system, which may run on another thread), then the listing made of it.
#pragma once
#include "../Files.h"
#include <string>
#include <sys/stat.h>
#include <vector>

namespace scrivo {

struct RawEntry {
    std::string Name;
    bool Found = false;     // stat answered (as the mode wants it)
    bool LeadsBack = false; // a linked folder leading back to the folder or above it
    struct stat St {};
    std::string LinkTarget; // a link listed as itself
};

// The entries of `folder` in the order the system gives them; only those whose names match
// `mask` are asked about. Empty when the folder cannot be read.
std::vector<RawEntry> ReadFolder(const std::string& folder, const std::string& mask, ListingMode mode);
// The listing ListDirectory(folder, mask, attr, mode) answers, made of ReadFolder's entries.
std::vector<FileListing> DescribeFolder(std::vector<RawEntry>&& raw, const std::string& mask, uint32_t attr,
                                        ListingMode mode);
// Whether an entry is a folder the listing keeps in every attribute filter and mode.
bool IsListedFolder(const RawEntry& e);

} // namespace scrivo
