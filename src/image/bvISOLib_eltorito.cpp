#include "bvISOLib_eltorito.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_records.h"
#include "platform/Files.h"
#include <cstring>
#include <stdexcept>

namespace scrivo {

namespace {

void PutEntry(uint8_t* p, const TBootImage& image) {
    p[0] = 0x88; // bootable
    p[1] = image.Media;
    PutLE16(p + 6, image.LoadSectors);
    PutLE32(p + 8, image.Location);
}

uint32_t LE32At(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

} // namespace

uint8_t BootMediaBySize(uint64_t bytes) {
    return bytes == 1228800 ? 1 : bytes == 1474560 ? 2 : bytes == 2949120 ? 3 : BootHardDisk;
}

void PutBootCatalog(uint8_t* s, const std::vector<TBootImage>& images) {
    std::memset(s, 0, SectorSize);
    if (images.empty()) return;
    // The validation entry: its words sum to zero.
    s[0] = 1;
    s[1] = images[0].Platform;
    std::memcpy(s + 4, "Brenvik", 7);
    s[30] = 0x55;
    s[31] = 0xAA;
    uint16_t sum = 0;
    for (int i = 0; i < 32; i += 2)
        sum = static_cast<uint16_t>(sum + (s[i] | (s[i + 1] << 8)));
    PutLE16(s + 28, static_cast<uint16_t>(0x10000 - sum));
    PutEntry(s + 32, images[0]);
    // Every further image in a section of its own: a header, then its entry.
    uint8_t* p = s + 64;
    for (size_t i = 1; i < images.size() && p + 64 <= s + SectorSize; ++i, p += 64) {
        p[0] = i + 1 == images.size() ? 0x91 : 0x90; // 0x91: the last section
        p[1] = images[i].Platform;
        PutLE16(p + 2, 1);
        PutEntry(p + 32, images[i]);
    }
}

void PutBootInfoTable(uint8_t* image, uint64_t length, uint32_t descriptorBlock, uint32_t imageBlock) {
    if (length < 64) return;
    uint32_t sum = 0;
    for (uint64_t i = 64; i < length; i += 4) {
        uint8_t word[4] = {};
        std::memcpy(word, image + i, length - i < 4 ? size_t(length - i) : 4);
        sum += LE32At(word);
    }
    std::memset(image + 8, 0, 56);
    PutLE32(image + 8, descriptorBlock);
    PutLE32(image + 12, imageBlock);
    PutLE32(image + 16, static_cast<uint32_t>(length));
    PutLE32(image + 20, sum);
}

uint64_t TBootCatalogWriter::Reserve(TLayoutPass& pass) {
    pass.Builder.BootCatalogLocation = static_cast<uint32_t>(pass.Position);
    return 1;
}

void TBootCatalogWriter::Write(TImageSink& sink) {
    PutBootCatalog(sink.Blocks(1), images_);
}

uint64_t TBootImageWriter::Reserve(TLayoutPass& pass) {
    layout_ = &pass.Builder;
    image_.Location = static_cast<uint32_t>(pass.Position);
    return SectorsFor(image_.Size);
}

void TBootImageWriter::Write(TImageSink& sink) {
    const uint64_t bytes = SectorsFor(image_.Size) * SectorSize;
    uint8_t* p = sink.Blocks(bytes / SectorSize);
    if (bytes == 0) return;
    const FileHandle h = FileOpenSharedRead(image_.File);
    if (h == InvalidFileHandle)
        throw std::runtime_error("CAN'T OPEN FILE \"" + image_.File +
                                 "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    // The copy holds the bytes the layout measured; a file grown since is cut, one shrunk
    // ends in zeros.
    uint64_t got = 0;
    while (got < image_.Size) {
        const uint64_t want = image_.Size - got < (1u << 20) ? image_.Size - got : (1u << 20);
        const uint32_t n = FileRead(h, p + got, static_cast<uint32_t>(want));
        if (n == 0) break;
        got += n;
    }
    FileClose(h);
    if (image_.InfoTable)
        PutBootInfoTable(p, image_.Size, layout_->PrimaryDescriptorLocation, image_.Location);
}

} // namespace scrivo
