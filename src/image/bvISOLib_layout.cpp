// PrepareImage: gives every part of the new session its sector.
#include "bvISOLib_layout.h"
#include "bvISOLib_names.h"
#include <cstdio>

namespace scrivo {

uint64_t DirectoryExtentSize(const TDEntry& d, bool joliet) {
    TSectorPacker packer;
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
        uint32_t r = DirRecordLength(joliet ? JolietIdentifierLength(*e) : IsoIdentifierLength(*e));
        for (uint32_t k = ExtentCount(*e); k > 0; --k) packer.Place(r);
    }
    return packer.Size();
}

uint32_t PathTableSize(const TFileTables& t, bool joliet) {
    uint32_t size = 10;
    for (size_t i = 1; i < t.Dirs.size(); ++i) {
        const TDEntry& d = *t.Dirs[i];
        uint32_t n = joliet ? 2 * Utf16Length(d.LongName) : static_cast<uint32_t>(d.ShortName.size());
        size += 8 + n + (n % 2);
    }
    return size;
}

namespace {

// Places the extents of every directory one after another in creation order; answers
// the total bytes.
uint64_t PlaceDirectories(const TFileTables& t, bool joliet) {
    uint64_t total = 0;
    for (TDEntry* d : t.Dirs) {
        uint64_t size = DirectoryExtentSize(*d, joliet);
        uint32_t sector = static_cast<uint32_t>(total / SectorSize);
        if (joliet) {
            d->JolietSize = size;
            d->JolietLocation = sector;
        } else {
            d->IsoSize = size;
            d->IsoLocation = sector;
        }
        total += size;
    }
    return total;
}

// Gives file data its sectors in file-table order; answers the sectors used.
int64_t PlaceFiles(const TFileTables& t) {
    int64_t sectors = 0;
    for (TFEntry* e : t.Files) {
        if (e->Imported) continue;
        if (e->Dir) {
            e->IsoLocation = e->Dir->IsoLocation;
            e->JolietLocation = e->Dir->JolietLocation;
            e->IsoSize = e->Dir->IsoSize;
            e->JolietSize = e->Dir->JolietSize;
        } else if (e->IsoSize == 0) {
            e->IsoLocation = e->JolietLocation = 0;
            e->JolietSize = 0;
        } else {
            e->IsoLocation = e->JolietLocation = static_cast<uint32_t>(sectors);
            e->JolietSize = e->IsoSize;
            sectors += static_cast<int64_t>(SectorsFor(e->IsoSize));
        }
    }
    return sectors;
}

std::string LocationLine(const char* label, uint64_t sector) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(sector));
    return std::string(label) + digits;
}

} // namespace

bool TImageBuilder::PrepareImage(bool NoDiscAccess, TDEntry* ImportDir) {
    TFileTables& t = FileTables();
    FileListing boot;
    Bootable = !BootImageFile.empty() && FindFile(BootImageFile, boot) && !(boot.Attr & faDirectory);
    BootImageSize = Bootable ? boot.Size : 0;
    *DoDebug = false;
    StartAddress = 0;
    if (!NoDiscAccess && Disc) {
        DiscKind = Disc->ReadDiscKind();
        if (WritingImage) {
            uint32_t address = 0;
            if (!Disc->FindStartAddress(address)) Report(">>> ERROR GETTING NEXT WRITABLE ADDRESS", 0);
            StartAddress = address > 0xFF000000u ? 0 : address;
        }
        if (SessionToImport != 0) ImportSession(SessionToImport, ImportDir);
    }

    if (TraceLayout) Report(std::to_string(t.Files.size()) + " Files Added to CD, now sorting", 1);
    MakeIsoNamesUnique(t);
    OrderDirectories(t);
    if (TraceLayout) Report("Sorting .... Done", 1);

    uint64_t pos = uint64_t(StartAddress) + 16;
    PrimaryDescriptorLocation = static_cast<uint32_t>(pos);
    BootRecordLocation = Bootable ? static_cast<uint32_t>(++pos) : 0;
    JolietDescriptorLocation = JolietFileSystem ? static_cast<uint32_t>(++pos) : 0;
    TerminatorLocation = static_cast<uint32_t>(++pos);
    ++pos;

    IsoPathTableSize = PathTableSize(t, false);
    IsoPathTableL = static_cast<uint32_t>(pos);
    pos += SectorsFor(IsoPathTableSize);
    IsoPathTableM = static_cast<uint32_t>(pos);
    pos += SectorsFor(IsoPathTableSize);
    JolietPathTableSize = JolietPathTableL = JolietPathTableM = 0;
    if (JolietFileSystem) {
        JolietPathTableSize = PathTableSize(t, true);
        JolietPathTableL = static_cast<uint32_t>(pos);
        pos += SectorsFor(JolietPathTableSize);
        JolietPathTableM = static_cast<uint32_t>(pos);
        pos += SectorsFor(JolietPathTableSize);
    }

    IsoDirectoryArea = static_cast<uint32_t>(pos);
    IsoDirectoryBytes = PlaceDirectories(t, false);
    pos += SectorsFor(IsoDirectoryBytes);
    JolietDirectoryArea = 0;
    JolietDirectoryBytes = 0;
    if (JolietFileSystem) {
        JolietDirectoryArea = static_cast<uint32_t>(pos);
        JolietDirectoryBytes = PlaceDirectories(t, true);
        pos += SectorsFor(JolietDirectoryBytes);
    }

    BootCatalogLocation = BootImageLocation = BootImageSectors = 0;
    if (Bootable) {
        BootCatalogLocation = static_cast<uint32_t>(pos++);
        BootImageLocation = static_cast<uint32_t>(pos);
        BootImageSectors = static_cast<uint32_t>(SectorsFor(BootImageSize));
        pos += BootImageSectors;
    }

    // The padding follows the boot image: whoever streams the boot image adds it there.
    PaddingSectors = pos < 150 ? static_cast<uint32_t>(150 - pos) : 0;
    HeaderPaddingSectors = Bootable ? 0 : PaddingSectors;
    BootImagePaddingSectors = Bootable ? PaddingSectors : 0;
    FirstFileLocation = static_cast<uint32_t>(pos + PaddingSectors);

    FileDataSectors = PlaceFiles(t);
    VolumeSpaceSize = int64_t(FirstFileLocation) + FileDataSectors;
    ImageSectorCount = VolumeSpaceSize - StartAddress;

    if (TraceLayout) {
        Report(LocationLine(" Primary Volume Descriptor Location   :", PrimaryDescriptorLocation), 1);
        if (Bootable) Report(LocationLine(" Boot Record    Descriptor Location   :", BootRecordLocation), 1);
        if (JolietFileSystem) Report(LocationLine(" Joliet Volume Descriptor Location    :", JolietDescriptorLocation), 1);
        Report(LocationLine(" Terminator Vol Descriptor Location   :", TerminatorLocation), 1);
        Report(LocationLine(" Path Table Records Location (Least)  :", IsoPathTableL), 1);
        Report(LocationLine(" Path Table Records Location (Most)   :", IsoPathTableM), 1);
        if (JolietFileSystem) {
            Report(LocationLine(" Path Table Records Location (Least) J:", JolietPathTableL), 1);
            Report(LocationLine(" Path Table Records Location (Most)  J:", JolietPathTableM), 1);
        }
        Report(LocationLine(" File and Directory Record Location   :", IsoDirectoryArea), 1);
        if (JolietFileSystem) Report(LocationLine(" File and Directory Record Location  J:", JolietDirectoryArea), 1);
        Report(LocationLine(" First File Location                  :", FirstFileLocation), 1);
    }
    return true;
}

} // namespace scrivo
