#include "MemoryStream.h"
#include <cstring>

namespace scrivo {

uint32_t TMemoryStream::Read(void* buffer, uint32_t count) {
    uint64_t left = data_.size() - pos_;
    uint32_t n = left < count ? static_cast<uint32_t>(left) : count;
    if (n > 0) {
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
    }
    return n;
}

void TMemoryStream::Write(const void* data, size_t count) {
    if (pos_ + count > data_.size()) data_.resize(pos_ + count);
    if (count > 0) std::memcpy(data_.data() + pos_, data, count);
    pos_ += count;
}

uint8_t* TMemoryStream::Extend(size_t count) {
    size_t start = data_.size();
    data_.resize(start + count);
    pos_ = data_.size();
    return data_.data() + start;
}

void TMemoryStream::Clear() {
    std::vector<uint8_t>().swap(data_);
    pos_ = 0;
}

} // namespace scrivo
