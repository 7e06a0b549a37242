#include "bvISOLib_sources.h"
#include "platform/Files.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {
constexpr size_t NameBlockBytes = 64 * 1024;
}

TSourceRef TSourceStore::Keep(std::string_view fullPath) {
    if (fullPath.empty()) return {};
    size_t cut = fullPath.rfind(PathDelim);
    cut = cut == std::string_view::npos ? 0 : cut + 1;
    const std::string_view folder = fullPath.substr(0, cut);
    // The files of one folder are added one after the other: comparing with the last folder
    // finds nearly every one.
    if (folders_.empty() || folders_.back() != folder) folders_.emplace_back(folder);
    return {&folders_.back(), KeepName(fullPath.substr(cut))};
}

const char* TSourceStore::KeepName(std::string_view name) {
    const size_t bytes = name.size() + 1;
    if (bytes > free_) {
        const size_t size = std::max(bytes, NameBlockBytes);
        blocks_.push_back(std::make_unique<char[]>(size));
        next_ = blocks_.back().get();
        free_ = size;
    }
    char* at = next_;
    std::memcpy(at, name.data(), name.size());
    at[name.size()] = '\0';
    next_ += bytes;
    free_ -= bytes;
    return at;
}

void TSourceStore::Clear() {
    folders_.clear();
    blocks_.clear();
    free_ = 0;
    next_ = nullptr;
}

} // namespace scrivo
