#include "bvISOLib_rockridge.h"
#include "bvISOLib.h"
#include "bvISOLib_rrip.h"
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

// A 7-byte recording date, or the 17-byte descriptor form ("yyyymmddhhmmsscc" and the
// offset), as seconds since 1970 UTC.
int64_t StampTime(const uint8_t* d, bool longForm) {
    DateTimeParts p{};
    int8_t offset;
    if (longForm) {
        auto num = [&](int at, int digits) {
            int v = 0;
            for (int i = 0; i < digits; ++i)
                v = v * 10 + (d[at + i] >= '0' && d[at + i] <= '9' ? d[at + i] - '0' : 0);
            return v;
        };
        p = {num(0, 4), num(4, 2), num(6, 2), num(8, 2), num(10, 2), num(12, 2), 0};
        offset = static_cast<int8_t>(d[16]);
    } else {
        p = {1900 + d[0], d[1], d[2], d[3], d[4], d[5], 0};
        offset = static_cast<int8_t>(d[6]);
    }
    return UtcPartsToUnixTime(p) - int64_t(offset) * 15 * 60;
}

void ReadTimes(const uint8_t* e, uint32_t n, TRockRidge& rr) {
    const uint8_t flags = e[4];
    const bool longForm = flags & 0x80;
    const uint32_t size = longForm ? 17 : 7;
    uint32_t at = 5;
    // Creation, modification, access, attributes: the order the flags give them in.
    for (int bit = 0; bit < 4; ++bit) {
        if (!(flags & (1 << bit))) continue;
        if (at + size > n) return;
        const int64_t t = StampTime(e + at, longForm);
        if (bit == 1) rr.ModifyTime = t, rr.HasModifyTime = true;
        if (bit == 2) rr.AccessTime = t, rr.HasAccessTime = true;
        if (bit == 3) rr.ChangeTime = t, rr.HasChangeTime = true;
        at += size;
    }
}

// One SL entry's component records, appended to the target being read. `open` tells
// whether the last component read goes on in the next record.
void ReadLink(const uint8_t* e, uint32_t n, TRockRidge& rr, bool& open) {
    rr.IsLink = true;
    for (uint32_t at = 5; at + 2 <= n;) {
        const uint8_t flags = e[at], len = e[at + 1];
        if (at + 2 + len > n) return;
        if (!open && !rr.LinkTarget.empty() && rr.LinkTarget.back() != '/') rr.LinkTarget += '/';
        if (flags & SlComponentRoot)
            rr.LinkTarget.assign(1, '/');
        else if (flags & (SlComponentParent | SlComponentCurrent))
            rr.LinkTarget.append(flags & SlComponentParent ? 2 : 1, '.');
        else
            rr.LinkTarget.append(reinterpret_cast<const char*>(e + at + 2), len);
        open = flags & SlComponentContinue;
        at += 2 + len;
    }
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
    return length >= SpEntryLength && Is(area, "SP") && area[2] >= SpEntryLength && area[4] == SpCheck[0] &&
                   area[5] == SpCheck[1]
               ? area[6]
               : 0;
}

TRockRidge ReadRockRidge(const uint8_t* area, size_t length,
                         const std::function<bool(uint32_t, uint8_t*)>& readSector) {
    TRockRidge rr;
    bool linkOpen = false;
    std::vector<uint8_t> sector(SectorSize), held; // a continuation area and its bytes
    for (int continuations = 0;;) {
        uint32_t ceExtent = 0, ceOffset = 0, ceLength = 0;
        for (size_t pos = 0; pos + SuspHeaderLength <= length;) {
            const uint8_t* e = area + pos;
            const uint32_t n = e[2];
            if (n < SuspHeaderLength || pos + n > length || Is(e, "ST")) break;
            if (Is(e, "NM") && n >= 5 && !(e[4] & (NmCurrent | NmParent))) {
                rr.Name.append(reinterpret_cast<const char*>(e + 5), n - 5);
            } else if (Is(e, "RE")) {
                rr.Relocated = true;
            } else if (Is(e, "CL") && n >= LinkEntryLength) {
                rr.ChildLink = LE32(e + 4);
            } else if (Is(e, "PL") && n >= LinkEntryLength) {
                rr.ParentLink = LE32(e + 4);
            } else if (Is(e, "PX") && n >= 36) { // 36 bytes before the serial number came
                rr.HasPosix = true;
                rr.Mode = LE32(e + 4);
                rr.Links = LE32(e + 12);
                rr.Uid = LE32(e + 20);
                rr.Gid = LE32(e + 28);
                rr.Serial = n >= PxEntryLength ? LE32(e + 36) : 0;
            } else if (Is(e, "TF") && n >= 5) {
                ReadTimes(e, n, rr);
            } else if (Is(e, "SL") && n >= 5) {
                ReadLink(e, n, rr, linkOpen);
            } else if (Is(e, "CE") && n >= CeEntryLength) {
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
