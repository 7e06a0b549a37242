#include "bvISOLib_rockridge.h"
#include "bvISOLib.h"
#include <vector>

namespace scrivo {

namespace {

constexpr int MaxContinuations = 16;

uint32_t LE32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

bool Is(const uint8_t* p, const char* signature) {
    return p[0] == signature[0] && p[1] == signature[1];
}

} // namespace

bool SystemUseWellFormed(const uint8_t* area, size_t length) {
    auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    size_t pos = length >= 14 && area[6] == 'X' && area[7] == 'A' ? 14 : 0;
    while (pos + 4 <= length && letter(area[pos]) && letter(area[pos + 1]) && area[pos + 2] >= 4 &&
           pos + area[pos + 2] <= length) {
        if (Is(area + pos, "ST")) return true;
        pos += area[pos + 2];
    }
    for (; pos < length; ++pos)
        if (area[pos] != 0) return false;
    return true;
}

uint32_t SuspSkip(const uint8_t* area, size_t length) {
    return length >= 7 && Is(area, "SP") && area[2] >= 7 && area[4] == 0xBE && area[5] == 0xEF ? area[6] : 0;
}

TRockRidge ReadRockRidge(const uint8_t* area, size_t length,
                         const std::function<bool(uint32_t, uint8_t*)>& readSector) {
    TRockRidge rr;
    std::vector<uint8_t> sector(SectorSize), held; // a continuation area and its bytes
    for (int continuations = 0;;) {
        uint32_t ceExtent = 0, ceOffset = 0, ceLength = 0;
        for (size_t pos = 0; pos + 4 <= length;) {
            const uint8_t* e = area + pos;
            const uint32_t n = e[2];
            if (n < 4 || pos + n > length || Is(e, "ST")) break;
            if (Is(e, "NM") && n >= 5 && !(e[4] & 0x06)) { // not the "." or ".." name
                rr.Name.append(reinterpret_cast<const char*>(e + 5), n - 5);
            } else if (Is(e, "RE")) {
                rr.Relocated = true;
            } else if (Is(e, "CL") && n >= 12) {
                rr.ChildLink = LE32(e + 4);
            } else if (Is(e, "CE") && n >= 28) {
                ceExtent = LE32(e + 4);
                ceOffset = LE32(e + 12);
                ceLength = LE32(e + 20);
            }
            pos += n;
        }
        if (ceLength == 0 || ++continuations > MaxContinuations) break;
        if (ceOffset >= SectorSize || ceLength > SectorSize - ceOffset ||
            !readSector(ceExtent, sector.data()))
            break;
        held.assign(sector.begin() + ceOffset, sector.begin() + ceOffset + ceLength);
        area = held.data();
        length = held.size();
    }
    return rr;
}

} // namespace scrivo
