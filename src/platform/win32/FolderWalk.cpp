// Windows lists each folder when asked: its listing has no part worth reading ahead.
#include "../FolderWalk.h"

namespace scrivo {

struct TFolderWalk::Impl {
    ListingMode Mode;
};

TFolderWalk::TFolderWalk(const std::string&, ListingMode mode) : impl_(new Impl{mode}) {}

TFolderWalk::~TFolderWalk() = default;

std::vector<FileListing> TFolderWalk::List(const std::string& folder) {
    return ListDirectory(folder, "*.*", faAnyFile, impl_->Mode);
}

} // namespace scrivo
