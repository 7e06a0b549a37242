// Places of the parts of a session: descriptors, path tables, directories, boot image, files.
#include "ImageTestSupport.h"
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace scrivo::test {
namespace {

class FakeDisc : public TImageDisc {
public:
    uint8_t ReadDiscKind() override {
        ++kindReads;
        return 2;
    }
    bool FindStartAddress(uint32_t& address) override {
        ++addressReads;
        address = start;
        return found;
    }
    uint32_t start = 10000;
    bool found = true;
    int kindReads = 0, addressReads = 0;
};

using ImageLayout = ImageTest;

TEST_F(ImageLayout, OneSmallFileWithJoliet) {
    File(Root(), "a.txt", 1);
    ASSERT_TRUE(b.PrepareImage(false, nullptr));
    EXPECT_EQ(16u, b.PrimaryDescriptorLocation);
    EXPECT_EQ(17u, b.JolietDescriptorLocation);
    EXPECT_EQ(18u, b.TerminatorLocation);
    EXPECT_EQ(19u, b.IsoPathTableL);
    EXPECT_EQ(20u, b.IsoPathTableM);
    EXPECT_EQ(21u, b.JolietPathTableL);
    EXPECT_EQ(22u, b.JolietPathTableM);
    EXPECT_EQ(23u, b.IsoDirectoryArea);
    EXPECT_EQ(24u, b.JolietDirectoryArea);
    EXPECT_EQ(125u, b.PaddingSectors);
    EXPECT_EQ(125u, b.HeaderPaddingSectors);
    EXPECT_EQ(150u, b.FirstFileLocation);
    EXPECT_EQ(151, b.VolumeSpaceSize);
    EXPECT_EQ(151, b.ImageSectorCount);
    EXPECT_EQ(10u, b.IsoPathTableSize);
    EXPECT_EQ(10u, b.JolietPathTableSize);
    EXPECT_EQ(2048u, Root()->IsoSize);
    EXPECT_FALSE(*b.DoDebug);
}

TEST_F(ImageLayout, OneSmallFileWithoutJoliet) {
    b.JolietFileSystem = false;
    File(Root(), "a.txt", 1);
    b.PrepareImage(false, nullptr);
    EXPECT_EQ(17u, b.TerminatorLocation);
    EXPECT_EQ(18u, b.IsoPathTableL);
    EXPECT_EQ(19u, b.IsoPathTableM);
    EXPECT_EQ(20u, b.IsoDirectoryArea);
    EXPECT_EQ(129u, b.PaddingSectors);
    EXPECT_EQ(150u, b.FirstFileLocation);
    EXPECT_EQ(0u, b.JolietPathTableL);
}

TEST_F(ImageLayout, StartAddressFromTheDiscOnlyWhileWritingTheImage) {
    FakeDisc disc;
    b.Disc = &disc;
    File(Root(), "a.txt", 3000);
    b.PrepareImage(false, nullptr);
    EXPECT_EQ(0u, b.StartAddress);
    EXPECT_EQ(1, disc.kindReads);
    EXPECT_EQ(2, b.DiscKind);
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(1, disc.kindReads);

    b.WritingImage = true;
    b.PrepareImage(false, nullptr);
    EXPECT_EQ(10000u, b.StartAddress);
    EXPECT_EQ(10016u, b.PrimaryDescriptorLocation);
    EXPECT_EQ(10023u, b.IsoDirectoryArea);
    EXPECT_EQ(0u, b.PaddingSectors);
    EXPECT_EQ(10025u, b.FirstFileLocation);
    EXPECT_EQ(10027, b.VolumeSpaceSize);
    EXPECT_EQ(27, b.ImageSectorCount);
    EXPECT_TRUE(messages.empty());

    disc.start = 0xFF000001u; // a reply that means "none"
    b.PrepareImage(false, nullptr);
    EXPECT_EQ(0u, b.StartAddress);
    EXPECT_EQ(150u, b.FirstFileLocation);

    disc.found = false;
    disc.start = 500;
    b.PrepareImage(false, nullptr);
    EXPECT_EQ(500u, b.StartAddress);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(">>> ERROR GETTING NEXT WRITABLE ADDRESS", messages[0].first);
    EXPECT_EQ(0, messages[0].second);
}

// Records of 44 bytes: a 9-character short name with ";1", no pad byte.
TFEntry* Record44(TImageBuilder& b, int i) {
    char name[16], alt[16];
    std::snprintf(name, sizeof name, "f%03d.txt", i);
    std::snprintf(alt, sizeof alt, "F%03dA.TXT", i);
    b.AddFileEntry(FileTables().Root(), Listed(name, 1, faArchive, alt), name);
    return FileTables().Root()->LastEntry;
}

TEST_F(ImageLayout, RecordsThatExactlyFillASectorStayInIt) {
    b.JolietFileSystem = false;
    for (int i = 0; i < 45; ++i) Record44(b, i); // 68 + 45 * 44 = 2048
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(2048u, Root()->IsoSize);
    Record44(b, 45);
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(4096u, Root()->IsoSize);
}

TEST_F(ImageLayout, ARecordThatDoesNotFitStartsTheNextSector) {
    b.JolietFileSystem = false;
    for (int i = 0; i < 44; ++i) Record44(b, i); // 44 bytes left
    b.AddFileEntry(Root(), Listed("g.txt", 1, faArchive, "ABCDEF.TXT"), "g"); // 46 bytes
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(4096u, Root()->IsoSize);
    EXPECT_EQ(4096u, b.IsoDirectoryBytes);
}

TEST_F(ImageLayout, PathTablesJustOverOneSectorAndExactlyTwo) {
    char name[8];
    for (int i = 0; i < 170; ++i) { // 10 + 170 * 12 = 2050 bytes
        std::snprintf(name, sizeof name, "D%02d", i % 100);
        Dir(i < 100 ? Root() : FileTables().Dirs[1], name);
    }
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(2050u, b.IsoPathTableSize);
    EXPECT_EQ(b.IsoPathTableL + 2, b.IsoPathTableM);
    EXPECT_EQ(b.IsoPathTableM + 2, b.JolietPathTableL);

    b.ClearFiles(1000, 1000);
    for (int i = 0; i < 338; ++i) {
        std::snprintf(name, sizeof name, "%c%02d", 'A' + i / 100, i % 100);
        Dir(Root(), name);
    }
    for (const char* one : {"X", "Y", "Z"}) Dir(Root(), one);
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(4096u, b.IsoPathTableSize);
    EXPECT_EQ(b.IsoPathTableL + 2, b.IsoPathTableM);
    EXPECT_EQ(10u + 338 * 14 + 3 * 10, b.JolietPathTableSize);
    EXPECT_EQ(b.JolietPathTableL + 3, b.JolietPathTableM);
}

TEST_F(ImageLayout, FileDataInTableOrderEmptyFilesTakeNothing) {
    TFEntry* a = File(Root(), "a.bin", 5000);
    TFEntry* empty = File(Root(), "empty.bin", 0);
    TDEntry* sub = Dir(Root(), "SUB");
    TFEntry* c = File(sub, "c.bin", 2048);
    TFEntry* old = nullptr;
    ASSERT_EQ(1, b.AddFileEntry(sub, Listed("old.bin", 4096), "", 777u));
    old = sub->LastEntry;
    b.PrepareImage(true, nullptr);
    EXPECT_EQ(0u, a->IsoLocation);
    EXPECT_EQ(0u, empty->IsoLocation);
    EXPECT_EQ(0u, empty->JolietSize);
    EXPECT_EQ(3u, c->IsoLocation);
    EXPECT_EQ(3u, c->JolietLocation);
    EXPECT_EQ(777u, old->IsoLocation); // already on the disc: absolute, no new sectors
    EXPECT_TRUE(old->Imported);
    EXPECT_EQ(4, b.FileDataSectors);
    TFEntry* subEntry = Root()->FirstEntry->Next->Next;
    EXPECT_EQ(sub, subEntry->Dir);
    EXPECT_EQ(1u, subEntry->IsoLocation);
    EXPECT_EQ(2048u, subEntry->JolietSize);
    EXPECT_EQ(1u, sub->JolietLocation);
}

TEST_F(ImageLayout, HugeFilesTakeOneRecordPerExtent) {
    b.JolietFileSystem = false;
    const uint64_t size = 2 * MaxExtentBytes + 5;
    for (int i = 0; i < 42; ++i) Record44(b, i); // 132 bytes left in the sector
    TFEntry* big = b.AddFileEntry(Root(), Listed("big.bin", size, faArchive, "BIGBIGB.BIN"), "b") ? Root()->LastEntry
                                                                                             : nullptr;
    ASSERT_NE(nullptr, big);
    File(Root(), "after.bin", 1);
    b.PrepareImage(true, nullptr);
    // Three records of 46 bytes: two fit, the third opens a second sector (one record
    // and the 44 bytes of after.bin would have fitted).
    EXPECT_EQ(2u * 2048, Root()->IsoSize);
    EXPECT_EQ(int64_t((size + 2047) / 2048) + 42 + 1, b.FileDataSectors);
    EXPECT_EQ(uint32_t(42 + (size + 2047) / 2048), Root()->LastEntry->IsoLocation);
}

TEST_F(ImageLayout, BootImageComesBeforeThePadding) {
    auto path = std::filesystem::temp_directory_path() / "scrivo_layout_boot.img";
    std::ofstream(path, std::ios::binary) << std::string(5000, 'b');
    b.BootImageFile = path.string();
    File(Root(), "a.txt", 1);
    b.PrepareImage(true, nullptr);
    std::filesystem::remove(path);
    EXPECT_TRUE(b.Bootable);
    EXPECT_EQ(17u, b.BootRecordLocation);
    EXPECT_EQ(18u, b.JolietDescriptorLocation);
    EXPECT_EQ(19u, b.TerminatorLocation);
    EXPECT_EQ(26u, b.BootCatalogLocation);
    EXPECT_EQ(27u, b.BootImageLocation);
    EXPECT_EQ(3u, b.BootImageSectors);
    EXPECT_EQ(120u, b.PaddingSectors);
    EXPECT_EQ(120u, b.BootImagePaddingSectors);
    EXPECT_EQ(0u, b.HeaderPaddingSectors);
    EXPECT_EQ(150u, b.FirstFileLocation);

    b.BootImageFile = path.string(); // gone now: no boot image, no message
    b.PrepareImage(true, nullptr);
    EXPECT_FALSE(b.Bootable);
    EXPECT_EQ(0u, b.BootImagePaddingSectors);
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace scrivo::test
