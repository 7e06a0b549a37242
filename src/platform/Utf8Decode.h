// Decoding of one UTF-8 sequence, shared by the converters and the upper-casing.
#pragma once
#include <cstddef>
#include <string_view>

namespace scrivo {

struct Utf8Char {
    char32_t CodePoint; // meaningful when Valid
    size_t Length;      // bytes consumed: the sequence, or the maximal invalid subpart (>= 1)
    bool Valid;
};

Utf8Char DecodeUtf8(std::string_view s, size_t pos);

} // namespace scrivo
