// GenerateImage: the metadata sectors of the laid-out session, in address order.
#include "bvISOLib_layout.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include "platform/Text.h"
#include <cstring>

namespace scrivo {

namespace {

constexpr uint32_t SectorsPerMaxExtent = static_cast<uint32_t>(MaxExtentBytes / SectorSize);

// The identifier of an entry in one tree, into `id` (room for 256 bytes); answers its length.
uint32_t EntryIdentifier(const TFEntry& e, bool joliet, uint8_t* id) {
    uint32_t n = joliet ? JolietIdentifierLength(e) : IsoIdentifierLength(e);
    if (joliet) {
        std::u16string u = Utf8ToUtf16(e.LongName);
        if (!e.Dir) u += u";1";
        u.resize(n / 2);
        PutUcs2(id, u);
    } else {
        std::string s = e.Dir ? e.ShortName : e.ShortName + ";1";
        std::memcpy(id, s.data(), n);
    }
    return n;
}

class TGenerator {
public:
    TGenerator(TImageBuilder& b, TFileTables& t) : b_(b), t_(t) {}

    void PathTables(bool joliet) {
        uint32_t size = joliet ? b_.JolietPathTableSize : b_.IsoPathTableSize;
        const std::vector<TDEntry*>& dirs = joliet ? t_.JolietDirs : t_.IsoDirs;
        uint32_t area = joliet ? b_.JolietDirectoryArea : b_.IsoDirectoryArea;
        for (bool msb : {false, true}) {
            uint8_t* p = b_.HeaderStream.Extend(SectorsFor(size) * SectorSize);
            uint8_t id[512];
            for (size_t i = 0; i < dirs.size(); ++i) {
                const TDEntry& d = *dirs[i];
                uint32_t n;
                if (i == 0) {
                    id[0] = 0;
                    n = 1;
                } else if (joliet) {
                    n = static_cast<uint32_t>(PutUcs2(id, Utf8ToUtf16(d.LongName)));
                } else {
                    n = static_cast<uint32_t>(d.ShortName.size());
                    std::memcpy(id, d.ShortName.data(), n);
                }
                uint32_t extent = area + (joliet ? d.JolietLocation : d.IsoLocation);
                p += PutPathRecord(p, msb, extent, static_cast<uint16_t>(d.Parent->Number), id, n);
            }
        }
    }

    void DirectoryExtents(bool joliet) {
        for (const TDEntry* d : t_.Dirs) Extent(*d, joliet);
    }

private:
    void Extent(const TDEntry& d, bool joliet) {
        const uint32_t area = joliet ? b_.JolietDirectoryArea : b_.IsoDirectoryArea;
        const uint64_t size = joliet ? d.JolietSize : d.IsoSize;
        uint8_t* p = b_.HeaderStream.Extend(size);
        uint8_t now[7];
        PutRecordDate(now, b_.Clock(), t_.TimeZoneOffset);
        static const uint8_t dot = 0, dotdot = 1;
        TDirRecord r;
        r.Flags = FlagDirectory;
        r.RecordDate = now;
        r.IdentifierLength = 1;
        const TDEntry* self[2] = {&d, d.Parent};
        const uint8_t* ids[2] = {&dot, &dotdot};
        for (int i = 0; i < 2; ++i) {
            r.Extent = area + (joliet ? self[i]->JolietLocation : self[i]->IsoLocation);
            r.DataLength = static_cast<uint32_t>(joliet ? self[i]->JolietSize : self[i]->IsoSize);
            r.Identifier = ids[i];
            PutDirRecord(p + 34 * i, r);
        }

        TSectorPacker packer;
        uint8_t id[512], date[7];
        for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
            r.IdentifierLength = EntryIdentifier(*e, joliet, id);
            r.Identifier = id;
            PutRecordDate(date, e->DateTime, t_.TimeZoneOffset);
            r.RecordDate = date;
            uint8_t flags = (e->Dir ? FlagDirectory : 0) | ((e->Attr & faHidden) ? FlagHidden : 0);
            uint32_t location = joliet ? e->JolietLocation : e->IsoLocation;
            uint64_t length = joliet ? e->JolietSize : e->IsoSize;
            uint32_t extent = e->Dir ? area + location
                              : e->Imported ? location
                              : length == 0 ? 0
                                            : b_.FirstFileLocation + location;
            uint32_t count = ExtentCount(*e);
            uint32_t recordLength = DirRecordLength(r.IdentifierLength);
            for (uint32_t k = 0; k < count; ++k) {
                bool last = k + 1 == count;
                r.Extent = extent + k * SectorsPerMaxExtent;
                r.DataLength = static_cast<uint32_t>(last ? length - uint64_t(k) * MaxExtentBytes : MaxExtentBytes);
                r.Flags = last ? flags : static_cast<uint8_t>(flags | FlagMultiExtent);
                PutDirRecord(p + packer.Place(recordLength), r);
            }
        }
    }

    TImageBuilder& b_;
    TFileTables& t_;
};

} // namespace

uint8_t DescriptorCopy[DescriptorCopyCapacity];
uint32_t DescriptorCopyLength = 0;
const uint8_t ZeroSector[SectorSize] = {};

bool TImageBuilder::GenerateImage(bool NoDiscAccess, TDEntry* ImportDir) {
    LastNoDiscAccess = NoDiscAccess;
    LastImportDir = ImportDir;
    TFileTables& t = FileTables();
    HeaderStream.Clear();
    uint64_t sectors = uint64_t(FirstFileLocation) - StartAddress - BootImageSectors - BootImagePaddingSectors;
    HeaderStream.Reserve(sectors * SectorSize);

    HeaderStream.Extend(16 * SectorSize);
    PutVolumeDescriptor(HeaderStream.Extend(SectorSize), *this, *this, false, t.Root()->IsoSize);
    if (Bootable) PutBootRecord(HeaderStream.Extend(SectorSize), BootCatalogLocation);
    if (JolietFileSystem) PutVolumeDescriptor(HeaderStream.Extend(SectorSize), *this, *this, true, t.Root()->JolietSize);
    PutTerminator(HeaderStream.Extend(SectorSize));

    std::memset(DescriptorCopy, 0xFF, sizeof DescriptorCopy);
    DescriptorCopyLength = static_cast<uint32_t>(HeaderStream.Size());
    std::memcpy(DescriptorCopy, HeaderStream.Data(), DescriptorCopyLength);

    TGenerator g(*this, t);
    g.PathTables(false);
    if (JolietFileSystem) g.PathTables(true);
    g.DirectoryExtents(false);
    if (JolietFileSystem) g.DirectoryExtents(true);
    if (Bootable) PutBootCatalog(HeaderStream.Extend(SectorSize), BootImageLocation, BootImageSize);
    HeaderStream.Extend(uint64_t(HeaderPaddingSectors) * SectorSize);

    ImageSectorCount = VolumeSpaceSize - StartAddress;
    *DoDebug = true;
    return true;
}

} // namespace scrivo
