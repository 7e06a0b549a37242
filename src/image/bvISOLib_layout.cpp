// PrepareImage: gives every part of the new session its sector.
#include "bvISOLib_layout.h"
#include "bvISOLib_area_writers.h"
#include "bvISOLib_eltorito.h"
#include "bvISOLib_names.h"
#include "bvISOLib_relocation.h"
#include "bvISOLib_rockridge_entries.h"
#include "bvISOLib_tree_writer.h"
#include <algorithm>
#include <cstdio>

namespace scrivo {

namespace {

std::string LocationLine(const char* label, uint64_t sector) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(sector));
    return std::string(label) + digits;
}

} // namespace

std::vector<TBootImage> TImageBuilder::BootImages() const {
    std::vector<TBootImage> images;
    // A boot image of `file` when it is a file; false when there is none.
    auto image = [](const std::string& file, TBootImage& out) {
        FileListing f;
        if (file.empty() || !FindFile(file, f) || (f.Attr & faDirectory)) return false;
        out.File = file;
        out.Size = f.Size;
        return true;
    };
    TBootImage bios;
    if (image(BiosBootFile, bios)) {
        bios.LoadSectors = BootLoadSize;
        bios.InfoTable = BootInfoTable;
        images.push_back(bios);
    } else if (image(BootImageFile, bios)) {
        bios.Media = BootMediaBySize(bios.Size);
        images.push_back(bios);
    }
    TBootImage efi;
    if (image(EfiBootFile, efi)) {
        // The firmware reads the whole image; the count says as much as 16 bits hold.
        efi.Platform = BootPlatformEfi;
        efi.LoadSectors = static_cast<uint16_t>(std::min<uint64_t>((efi.Size + 511) / 512, 0xFFFF));
        images.push_back(efi);
    }
    return images;
}

// The regions of the session in disc order. This list is the only place that order is
// written down: the layout reserves them in it, generation writes them in it.
void TImageBuilder::MakeWriters(std::vector<TBootImage> boot) {
    writers_ = std::make_unique<TImageWriters>();
    TImageWriters& w = *writers_;
    std::vector<const TNamespace*> namespaces{&IsoNamespace};
    if (JolietFileSystem) namespaces.push_back(&JolietNamespace);

    w.Add(std::make_unique<TSystemAreaWriter>());
    w.Add(std::make_unique<TVolumeDescriptorWriter>(namespaces, !boot.empty()));
    for (const TNamespace* ns : namespaces)
        w.Add(std::make_unique<TPathTableWriter>(*ns));
    // Rock Ridge goes into the ISO 9660 tree only: the Joliet tree has names of its own.
    rockRidge_.reset(RockRidge ? new TRockRidgeEntries(*this) : nullptr);
    for (const TNamespace* ns : namespaces)
        w.Add(std::make_unique<TDirectoryWriter>(*ns, ns == &IsoNamespace ? rockRidge_.get() : nullptr));
    if (!boot.empty()) {
        TBootCatalogWriter& catalog = w.Add(std::make_unique<TBootCatalogWriter>(std::move(boot)));
        for (TBootImage& image : catalog.Images())
            w.Add(std::make_unique<TBootImageWriter>(image));
    }
    w.Add(std::make_unique<TPaddingWriter>());
    w.Add(std::make_unique<TFileDataWriter>());
}

bool TImageBuilder::PrepareImage(bool NoDiscAccess, TDEntry* ImportDir) {
    TFileTables& t = FileTables();
    std::vector<TBootImage> boot = BootImages();
    const uint8_t kind = DiscKind; // kept unless read again
    static_cast<TImageLayout&>(*this) = TImageLayout();
    DiscKind = kind;
    Bootable = !boot.empty();
    BootImageSize = Bootable ? boot.front().Size : 0;
    *DoDebug = false;
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
    MakeNamesUnique(t);
    OrderDirectories(t);
    if (RockRidge) LinkHardLinks(t);
    if (RockRidge)
        RelocateDeepFolders(t, Clock());
    else
        t.Relocation.reset();
    if (TraceLayout) Report("Sorting .... Done", 1);

    MakeWriters(std::move(boot));
    VolumeSpaceSize = static_cast<int64_t>(writers_->Reserve(*this, t, StartAddress));
    ImageSectorCount = VolumeSpaceSize - StartAddress;
    if (Bootable) {
        const TBootImage& image = writers_->Find<TBootCatalogWriter>()->Images().front();
        BootImageLocation = image.Location;
        BootImageSectors = static_cast<uint32_t>(SectorsFor(image.Size));
    }

    if (TraceLayout) {
        Report(LocationLine(" Primary Volume Descriptor Location   :", PrimaryDescriptorLocation), 1);
        if (Bootable) Report(LocationLine(" Boot Record    Descriptor Location   :", BootRecordLocation), 1);
        if (JolietFileSystem)
            Report(LocationLine(" Joliet Volume Descriptor Location    :", JolietDescriptorLocation), 1);
        Report(LocationLine(" Terminator Vol Descriptor Location   :", TerminatorLocation), 1);
        Report(LocationLine(" Path Table Records Location (Least)  :", IsoPathTableL), 1);
        Report(LocationLine(" Path Table Records Location (Most)   :", IsoPathTableM), 1);
        if (JolietFileSystem) {
            Report(LocationLine(" Path Table Records Location (Least) J:", JolietPathTableL), 1);
            Report(LocationLine(" Path Table Records Location (Most)  J:", JolietPathTableM), 1);
        }
        Report(LocationLine(" File and Directory Record Location   :", IsoDirectoryArea), 1);
        if (JolietFileSystem)
            Report(LocationLine(" File and Directory Record Location  J:", JolietDirectoryArea), 1);
        Report(LocationLine(" First File Location                  :", FirstFileLocation), 1);
    }
    return true;
}

} // namespace scrivo
