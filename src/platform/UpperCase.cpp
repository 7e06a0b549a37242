// Upper-casing and case-insensitive comparison over the table of simple mappings.
#include "Text.h"
#include "UpperTable.h"
#include "Utf8Decode.h"
#include <algorithm>

namespace scrivo {

char16_t UpperChar(char16_t c)
{
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    const UpperRun* end = kUpperRuns + kUpperRunCount;
    const UpperRun* run = std::upper_bound(kUpperRuns, end, c,
        [](char16_t v, const UpperRun& r) { return v < r.First; });
    if (run == kUpperRuns)
        return c;
    --run;
    if (c > run->Last || (c - run->First) % run->Stride != 0)
        return c;
    return static_cast<char16_t>(c + run->Delta);
}

std::u16string UpperCase16(std::u16string_view s)
{
    std::u16string out(s);
    for (char16_t& c : out)
        c = UpperChar(c); // surrogate halves are never in the table
    return out;
}

std::string UpperCase(std::string_view s)
{
    // Most names are plain ASCII: their mapping needs no decoding.
    if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        return out;
    }
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        Utf8Char c = DecodeUtf8(s, i);
        if (c.Valid && c.CodePoint < 0x10000) {
            char16_t up = UpperChar(static_cast<char16_t>(c.CodePoint));
            if (up != c.CodePoint) {
                out += Utf16ToUtf8(std::u16string_view(&up, 1));
                i += c.Length;
                continue;
            }
        }
        out.append(s.substr(i, c.Length));
        i += c.Length;
    }
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    return a == b || UpperCase(a) == UpperCase(b);
}

} // namespace scrivo
