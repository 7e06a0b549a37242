// A growable in-memory byte stream with a read/write position: the image builder writes the
// metadata sectors into one, the read-ahead cache reads it back in blocks and then empties it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scrivo {

class TMemoryStream {
public:
    uint64_t Size() const { return data_.size(); }
    uint64_t Position() const { return pos_; }
    // Moves the position; a position past the end is clamped to the end.
    void Seek(uint64_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }

    // Copies up to `count` bytes from the position on; answers the bytes copied.
    uint32_t Read(void* buffer, uint32_t count);
    // Writes at the position, growing the stream as needed.
    void Write(const void* data, size_t count);
    // Appends `count` zero bytes at the end and answers where they start, for writers that
    // fill records in place; the position moves to the new end.
    uint8_t* Extend(size_t count);
    // Reserves room so that a stream of known size is built without reallocations.
    void Reserve(size_t count) { data_.reserve(count); }

    // Empties the stream and releases its memory.
    void Clear();

    const uint8_t* Data() const { return data_.data(); }

private:
    std::vector<uint8_t> data_;
    uint64_t pos_ = 0;
};

} // namespace scrivo
