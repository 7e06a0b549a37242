// El Torito: the boot catalog and the boot images it points at, each a writer. The images
// are copies of their files in blocks of their own (a file that is also among the sources
// keeps its own place in the tree); the catalog lists the first image as the default entry
// and every further one in a section of its own platform.
#pragma once
#include "bvISOLib_writers.h"
#include <string>
#include <vector>

namespace scrivo {

// Platforms and emulations of catalog entries.
constexpr uint8_t BootPlatformX86 = 0x00;
constexpr uint8_t BootPlatformEfi = 0xEF;
constexpr uint8_t BootNoEmulation = 0;
constexpr uint8_t BootHardDisk = 4;

struct TBootImage {
    std::string File;
    uint64_t Size = 0; // bytes of the file when laid out
    uint8_t Platform = BootPlatformX86;
    uint8_t Media = BootNoEmulation;
    uint16_t LoadSectors = 1; // 512-byte sectors the firmware loads
    bool InfoTable = false;   // patch the boot information table into the copy
    uint32_t Location = 0;    // set by the layout
};

// The emulation the seed's single boot image gets: a diskette of its size, else a hard disk.
uint8_t BootMediaBySize(uint64_t bytes);

// The catalog's sector for `images` (the first is the default entry).
void PutBootCatalog(uint8_t* sector, const std::vector<TBootImage>& images);

// The 56 bytes at offset 8 of a boot image that asks for them: the primary descriptor's
// block, the image's block and length, and the 32-bit sum of its words from offset 64 on.
void PutBootInfoTable(uint8_t* image, uint64_t length, uint32_t descriptorBlock, uint32_t imageBlock);

class TBootCatalogWriter : public TImageWriter {
  public:
    explicit TBootCatalogWriter(std::vector<TBootImage> images) : images_(std::move(images)) {}
    std::string Name() const override { return "boot catalog"; }
    uint64_t Reserve(TLayoutPass& pass) override;
    void Write(TImageSink& sink) override;
    // The images, for their writers (the list does not change after construction).
    std::vector<TBootImage>& Images() { return images_; }

  private:
    std::vector<TBootImage> images_;
};

class TBootImageWriter : public TImageWriter {
  public:
    explicit TBootImageWriter(TBootImage& image) : image_(image) {}
    std::string Name() const override { return "boot image \"" + image_.File + "\""; }
    uint64_t Reserve(TLayoutPass& pass) override;
    // Throws std::runtime_error when the file cannot be read.
    void Write(TImageSink& sink) override;

  private:
    TBootImage& image_;
    const TImageLayout* layout_ = nullptr;
};

} // namespace scrivo
