#include "bvISOLib_records.h"
#include "bvISOLib_eltorito.h"
#include "platform/Text.h"
#include <cstdio>
#include <cstring>

namespace scrivo {

void PutLE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutBE16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutBoth16(uint8_t* p, uint16_t v) {
    PutLE16(p, v);
    PutBE16(p + 2, v);
}
void PutBoth32(uint8_t* p, uint32_t v) {
    PutLE32(p, v);
    PutBE32(p + 4, v);
}

void PutText(uint8_t* p, size_t length, std::string_view text) {
    std::string upper = UpperCase(text);
    size_t n = upper.size() < length ? upper.size() : length;
    // A multi-byte character that does not fit whole is left out.
    if (n < upper.size())
        while (n > 0 && (static_cast<uint8_t>(upper[n]) & 0xC0) == 0x80) --n;
    std::memcpy(p, upper.data(), n);
    std::memset(p + n, ' ', length - n);
}

size_t PutUcs2(uint8_t* p, std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) PutBE16(p + 2 * i, static_cast<uint16_t>(text[i]));
    return 2 * text.size();
}

void PutJolietText(uint8_t* p, size_t bytes, std::string_view text) {
    std::u16string u = Utf8ToUtf16(text);
    size_t chars = bytes / 2;
    if (u.size() > chars) {
        u.resize(chars);
        if (!u.empty() && u.back() >= 0xD800 && u.back() <= 0xDBFF) u.back() = u' ';
    }
    u.resize(chars, u' ');
    PutUcs2(p, u);
}

void PutRecordDate(uint8_t* p, TDateTime t, int8_t zoneOffset) {
    PutRecordDate(p, DecodeDateTime(t), zoneOffset);
}

void PutRecordDate(uint8_t* p, const DateTimeParts& d, int8_t zoneOffset) {
    p[0] = static_cast<uint8_t>(d.Year - 1900);
    p[1] = static_cast<uint8_t>(d.Month);
    p[2] = static_cast<uint8_t>(d.Day);
    p[3] = static_cast<uint8_t>(d.Hour);
    p[4] = static_cast<uint8_t>(d.Minute);
    p[5] = static_cast<uint8_t>(d.Second);
    p[6] = static_cast<uint8_t>(zoneOffset);
}

void PutDescriptorDate(uint8_t* p, TDateTime t) {
    DateTimeParts d = DecodeDateTime(t);
    char text[64];
    int n = std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%02d", d.Year, d.Month, d.Day, d.Hour, d.Minute,
                          d.Second, d.Millisecond);
    size_t len = n < 0 ? 0 : (n > 16 ? 16 : static_cast<size_t>(n));
    std::memcpy(p, text, len);
    std::memset(p + len, ' ', 16 - len);
    p[16] = 0;
}

uint32_t PutDirRecord(uint8_t* p, const TDirRecord& r) {
    uint32_t len = 33 + r.IdentifierLength + (r.IdentifierLength % 2 == 0 ? 1 : 0);
    std::memset(p, 0, len);
    p[0] = static_cast<uint8_t>(len);
    PutBoth32(p + 2, r.Extent);
    PutBoth32(p + 10, r.DataLength);
    if (r.RecordDate) std::memcpy(p + 18, r.RecordDate, 7);
    p[25] = r.Flags;
    PutBoth16(p + 28, 1);
    p[32] = static_cast<uint8_t>(r.IdentifierLength);
    std::memcpy(p + 33, r.Identifier, r.IdentifierLength);
    return len;
}

uint32_t PutPathRecord(uint8_t* p, bool msb, uint32_t extent, uint16_t parent, const uint8_t* id, uint32_t idLength) {
    uint32_t len = 8 + idLength + (idLength % 2);
    std::memset(p, 0, len);
    p[0] = static_cast<uint8_t>(idLength);
    if (msb) {
        PutBE32(p + 2, extent);
        PutBE16(p + 6, parent);
    } else {
        PutLE32(p + 2, extent);
        PutLE16(p + 6, parent);
    }
    std::memcpy(p + 8, id, idLength);
    return len;
}

void PutVolumeDescriptor(uint8_t* s, const TImageOptions& o, const TImageLayout& l, const TNamespace& ns,
                         uint64_t rootSize) {
    std::memset(s, 0, SectorSize);
    s[0] = ns.DescriptorType;
    std::memcpy(s + 1, "CD001", 5);
    s[6] = 1;
    // The file identifiers hold 37 bytes; in UCS-2 that is 18 characters and a 0.
    auto text = [&](size_t offset, size_t length, const std::string& value) { ns.PutText(s + offset, length, value); };
    text(8, 32, o.IdSystem);
    text(40, 32, o.IdVolume);
    PutBoth32(s + 80, static_cast<uint32_t>(l.VolumeSpaceSize));
    // Only a supplementary descriptor carries escape sequences: in the primary descriptor
    // these bytes are unused and must be zero, or readers (libarchive, isoinfo -J) reject
    // or misread the disc.
    if (ns.Escape) std::memcpy(s + 88, ns.Escape, 3);
    PutBoth16(s + 120, 1);
    PutBoth16(s + 124, 1);
    PutBoth16(s + 128, SectorSize);
    PutBoth32(s + 132, l.*ns.PathTableSize);
    PutLE32(s + 140, l.*ns.PathTableL);
    PutBE32(s + 148, l.*ns.PathTableM);
    static const uint8_t rootId = 0;
    TDirRecord root;
    root.Extent = l.*ns.DirectoryArea;
    root.DataLength = static_cast<uint32_t>(rootSize);
    root.Flags = FlagDirectory;
    root.Identifier = &rootId;
    root.IdentifierLength = 1;
    PutDirRecord(s + 156, root);
    text(190, 128, o.IdVolumeSet);
    text(318, 128, o.IdPublisher);
    text(446, 128, o.IdPreparer);
    text(574, 128, o.IdApplication);
    text(702, 37, o.FileCopyright);
    text(739, 37, o.FileAbstract);
    text(776, 37, o.FileBibliographic);
    PutDescriptorDate(s + 813, o.DateCreation);
    PutDescriptorDate(s + 830, o.DateModification);
    std::memset(s + 847, '0', 16);
    std::memset(s + 864, '0', 16);
    s[881] = 1;
    std::memset(s + 1024, ' ', 8);
}

void PutTerminator(uint8_t* s) {
    std::memset(s, 0, SectorSize);
    s[0] = 255;
    std::memcpy(s + 1, "CD001", 5);
    s[6] = 1;
}

void PutBootRecord(uint8_t* s, uint32_t catalogLocation) {
    static const char Id[] = "EL TORITO SPECIFICATION";
    std::memset(s, 0, SectorSize);
    std::memcpy(s + 1, "CD001", 5);
    s[6] = 1;
    std::memcpy(s + 7, Id, sizeof Id - 1);
    PutLE32(s + 71, catalogLocation);
}

void PutBootCatalog(uint8_t* s, uint32_t imageLocation, uint64_t imageSize) {
    TBootImage image;
    image.Size = imageSize;
    image.Media = BootMediaBySize(imageSize);
    image.Location = imageLocation;
    PutBootCatalog(s, std::vector<TBootImage>{image});
}

} // namespace scrivo
