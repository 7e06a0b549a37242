#include "bvISOLib_namespace.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include "platform/Text.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

uint32_t IsoIdentifier(const TFileTables&, const TFEntry& e, uint8_t* out) {
    const uint32_t n = IsoIdentifierLength(e);
    const size_t name = std::min<size_t>(n, e.ShortName.size());
    std::memcpy(out, e.ShortName.data(), name);
    std::memcpy(out + name, ";1", n - name); // files' version
    return n;
}

uint32_t IsoLength(const TFileTables&, const TFEntry& e) {
    return IsoIdentifierLength(e);
}

// The identifier the layout made for a name a record cannot hold as it is; null for the others.
const std::u16string* JolietName(const TFileTables& t, const void* key) {
    if (t.JolietNames.empty()) return nullptr;
    auto it = t.JolietNames.find(key);
    return it == t.JolietNames.end() ? nullptr : &it->second;
}
const void* EntryKey(const TFEntry& e) {
    return e.Dir ? static_cast<const void*>(e.Dir) : &e;
}

uint32_t JolietLength(const TFileTables& t, const TFEntry& e) {
    const std::u16string* own = JolietName(t, EntryKey(e));
    return own ? static_cast<uint32_t>(2 * own->size()) : JolietIdentifierLength(e);
}

uint32_t JolietIdentifier(const TFileTables& t, const TFEntry& e, uint8_t* out) {
    if (const std::u16string* own = JolietName(t, EntryKey(e)))
        return static_cast<uint32_t>(PutUcs2(out, *own));
    const uint32_t n = JolietIdentifierLength(e);
    const std::string_view name = e.LongName;
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        // Plain ASCII, as most names are: one code unit per byte, without a conversion.
        for (uint32_t i = 0; i < n / 2; ++i)
            PutBE16(out + 2 * i, static_cast<uint8_t>(i < name.size() ? name[i] : ";1"[i - name.size()]));
        return n;
    }
    std::u16string u = Utf8ToUtf16(name);
    if (!e.Dir) u += u";1";
    u.resize(n / 2);
    PutUcs2(out, u);
    return n;
}

uint32_t IsoDirectoryIdentifier(const TFileTables&, const TDEntry& d, uint8_t* out) {
    std::memcpy(out, d.ShortName.data(), d.ShortName.size());
    return static_cast<uint32_t>(d.ShortName.size());
}
uint32_t IsoDirectoryIdentifierLength(const TFileTables&, const TDEntry& d) {
    return static_cast<uint32_t>(d.ShortName.size());
}

// Named as the directory's record is: a name beyond a record's room only comes with Rock
// Ridge, which records it whole in the other tree.
uint32_t JolietDirectoryIdentifierLength(const TFileTables& t, const TDEntry& d) {
    const std::u16string* own = JolietName(t, &d);
    return own ? static_cast<uint32_t>(2 * own->size())
               : std::min(2 * Utf16Length(d.LongName), MaxJolietIdentifier);
}
uint32_t JolietDirectoryIdentifier(const TFileTables& t, const TDEntry& d, uint8_t* out) {
    if (const std::u16string* own = JolietName(t, &d)) return static_cast<uint32_t>(PutUcs2(out, *own));
    std::u16string u = Utf8ToUtf16(d.LongName);
    u.resize(JolietDirectoryIdentifierLength(t, d) / 2);
    return static_cast<uint32_t>(PutUcs2(out, u));
}

bool EveryEntry(const TFEntry&) {
    return true;
}
// A symbolic link is only a link where Rock Ridge says so; elsewhere it would be an empty file.
bool NoLinks(const TFEntry& e) {
    return !e.Link;
}

const uint8_t JolietEscape[3] = {0x25, 0x2F, 0x40}; // UCS-2 level 3

} // namespace

const TNamespace IsoNamespace = {
    "ISO 9660",
    1,
    nullptr,
    PutText,
    IsoIdentifier,
    IsoLength,
    IsoDirectoryIdentifier,
    IsoDirectoryIdentifierLength,
    EveryEntry,
    &TDEntry::IsoSize,
    &TDEntry::IsoLocation,
    &TFEntry::IsoSize,
    &TFEntry::IsoLocation,
    &TFileTables::IsoDirs,
    &TImageLayout::PrimaryDescriptorLocation,
    &TImageLayout::IsoPathTableSize,
    &TImageLayout::IsoPathTableL,
    &TImageLayout::IsoPathTableM,
    &TImageLayout::IsoDirectoryArea,
    &TImageLayout::IsoDirectoryBytes,
};

const TNamespace JolietNamespace = {
    "Joliet",
    2,
    JolietEscape,
    PutJolietText,
    JolietIdentifier,
    JolietLength,
    JolietDirectoryIdentifier,
    JolietDirectoryIdentifierLength,
    NoLinks,
    &TDEntry::JolietSize,
    &TDEntry::JolietLocation,
    &TFEntry::JolietSize,
    &TFEntry::JolietLocation,
    &TFileTables::JolietDirs,
    &TImageLayout::JolietDescriptorLocation,
    &TImageLayout::JolietPathTableSize,
    &TImageLayout::JolietPathTableL,
    &TImageLayout::JolietPathTableM,
    &TImageLayout::JolietDirectoryArea,
    &TImageLayout::JolietDirectoryBytes,
};

} // namespace scrivo
