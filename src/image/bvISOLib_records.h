// The bytes of the metadata sectors: volume descriptors, El Torito boot record and catalog,
// path-table records and directory records (ISO 9660, Joliet UCS-2 level 3).
#pragma once
#include "bvISOLib.h"
#include "bvISOLib_namespace.h"
#include <string_view>

namespace scrivo {

void PutLE16(uint8_t* p, uint16_t v);
void PutBE16(uint8_t* p, uint16_t v);
void PutLE32(uint8_t* p, uint32_t v);
void PutBE32(uint8_t* p, uint32_t v);
// Little-endian then big-endian.
void PutBoth16(uint8_t* p, uint16_t v);
void PutBoth32(uint8_t* p, uint32_t v);

// A single-byte text field: upper case, space-padded, cut to `length` bytes (whole characters).
void PutText(uint8_t* p, size_t length, std::string_view text);
// A UCS-2 big-endian field of `bytes` / 2 characters, case kept, space-padded.
void PutJolietText(uint8_t* p, size_t bytes, std::string_view text);
// Writes `text` as UCS-2 big-endian; answers the bytes written.
size_t PutUcs2(uint8_t* p, std::u16string_view text);

// The 7-byte recording date of a directory record.
void PutRecordDate(uint8_t* p, TDateTime t, int8_t zoneOffset);
void PutRecordDate(uint8_t* p, const DateTimeParts& d, int8_t zoneOffset);
// The 17-byte descriptor date "yyyymmddhhnnsszz" (milliseconds with at least two digits,
// cut to 16 characters) and a 0 offset byte.
void PutDescriptorDate(uint8_t* p, TDateTime t);

// File flags of directory records.
constexpr uint8_t FlagHidden = 0x01;
constexpr uint8_t FlagDirectory = 0x02;
constexpr uint8_t FlagAssociated = 0x04;
constexpr uint8_t FlagMultiExtent = 0x80;

struct TDirRecord {
    uint32_t Extent = 0;
    uint32_t DataLength = 0;
    uint8_t Flags = 0;
    const uint8_t* RecordDate = nullptr; // 7 bytes; null: all zeros
    const uint8_t* Identifier = nullptr;
    uint32_t IdentifierLength = 0;
};
// Writes one directory record; answers its length.
uint32_t PutDirRecord(uint8_t* p, const TDirRecord& r);

// Writes one path-table record (L table: little-endian numbers, M table: big-endian);
// answers its length.
uint32_t PutPathRecord(uint8_t* p, bool msb, uint32_t extent, uint16_t parent, const uint8_t* id, uint32_t idLength);

// The volume descriptor of a namespace (primary or supplementary) of the given layout.
void PutVolumeDescriptor(uint8_t* sector, const TImageOptions& o, const TImageLayout& l, const TNamespace& ns,
                         uint64_t rootSize);
void PutTerminator(uint8_t* sector);
void PutBootRecord(uint8_t* sector, uint32_t catalogLocation);
// The catalog of one boot image, emulating a diskette of its size or else a hard disk.
void PutBootCatalog(uint8_t* sector, uint32_t imageLocation, uint64_t imageSize);

} // namespace scrivo
