// Where the files of the tree are read from, kept compactly: a large tree holds hundreds of
// thousands of paths that differ only in their last part.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scrivo {

// A local source path as the tree keeps it: the folder part is shared by every file listed
// from that folder, the name lies in the tables' name store. Null parts: no source.
struct TSourceRef {
    const std::string* Folder = nullptr; // with its trailing separator ("" for a bare name)
    const char* Name = nullptr;          // NUL-terminated

    bool Empty() const { return !Folder; }
    std::string Path() const { return Folder ? *Folder + Name : std::string(); }
};

// Owns the folders and names the TSourceRefs of one tree point into. Storage is only given
// back by Clear (with the tree): an entry that is replaced or removed leaves its name behind.
class TSourceStore {
  public:
    // "" gives the empty reference.
    TSourceRef Keep(std::string_view fullPath);
    void Clear();

  private:
    const char* KeepName(std::string_view name);

    std::deque<std::string> folders_; // stable addresses
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t free_ = 0; // bytes left in the last block
    char* next_ = nullptr;
};

} // namespace scrivo
