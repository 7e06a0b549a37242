// The listings of a recursive walk through local folders, read ahead on a thread of its own
// where the system allows: the answers for the next folders arrive while the walker handles
// the one before.
#pragma once
#include "Files.h"
#include <memory>
#include <string>
#include <vector>

namespace scrivo {

class TFolderWalk {
  public:
    // A walk from `root` (a folder path ending in a separator) whose listings are those of
    // ListDirectory(folder, "*.*", faAnyFile, mode).
    TFolderWalk(const std::string& root, ListingMode mode);
    ~TFolderWalk();
    TFolderWalk(const TFolderWalk&) = delete;
    TFolderWalk& operator=(const TFolderWalk&) = delete;

    // The listing of `folder`: the root, or a folder of a listing already taken (its path
    // and name and a separator), asked for in depth-first order with the folders of each
    // listing in listing order. The walker may leave folders out, with what is below them.
    // A folder asked for out of that order is listed then (and the reading ahead is lost).
    std::vector<FileListing> List(const std::string& folder);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace scrivo
