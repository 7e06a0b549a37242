// Strict UTF-8 decoding: the ranges of the second byte exclude overlong forms, encoded
// surrogates and values above U+10FFFF, so an invalid sequence stops at the first byte
// that cannot continue it (the "maximal subpart" that becomes one U+FFFD).
#include "Utf8Decode.h"

namespace scrivo {

Utf8Char DecodeUtf8(std::string_view s, size_t pos)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[pos + k]); };
    unsigned char b0 = byte(0);
    if (b0 < 0x80)
        return {b0, 1, true};
    int need;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        if (b0 == 0xF4)
            hi = 0x8F;
    } else {
        return {0, 1, false};
    }
    for (int k = 1; k <= need; ++k) {
        if (pos + k >= s.size())
            return {0, static_cast<size_t>(k), false};
        unsigned char b = byte(k);
        unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
        if (b < min || b > max)
            return {0, static_cast<size_t>(k), false};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {cp, static_cast<size_t>(need + 1), true};
}

} // namespace scrivo
