// The writers' agreement with their layout, and the boot images they write.
#include "ImageTestSupport.h"
#include "image/bvISOLib_tree_writer.h"
#include "platform/TempDir.h"
#include <cstring>
#include <filesystem>
#include <fstream>

namespace scrivo::test {
namespace {

// Reserves `reserved` blocks and writes `written`.
class Miscounting : public TImageWriter {
  public:
    Miscounting(uint64_t reserved, uint64_t written) : reserved_(reserved), written_(written) {}
    std::string Name() const override { return "miscounting"; }
    uint64_t Reserve(TLayoutPass&) override { return reserved_; }
    void Write(TImageSink& sink) override { sink.Blocks(written_); }

  private:
    uint64_t reserved_, written_;
};

class CountingSink : public TImageSink {
  public:
    uint64_t Position() const override { return 100 + blocks; }
    uint8_t* Blocks(uint64_t count) override {
        memory.resize((blocks + count) * SectorSize);
        return memory.data() + (blocks += count, memory.size() - count * SectorSize);
    }
    void Streamed(uint64_t count) override { blocks += count; }
    uint64_t blocks = 0;
    std::vector<uint8_t> memory;
};

std::string MismatchOf(TImageWriters& w, TImageSink& sink) {
    try {
        w.Write(sink);
    } catch (const EImageMismatch& e) {
        return e.what();
    }
    return "";
}

using ImageWriters = ImageTest;

TEST_F(ImageWriters, AWriterThatWritesOtherThanItReservedIsCaught) {
    TImageWriters w;
    w.Add(std::make_unique<Miscounting>(2, 2));
    w.Add(std::make_unique<Miscounting>(3, 4));
    EXPECT_EQ(105u, w.Reserve(b, FileTables(), 100));
    CountingSink sink;
    EXPECT_EQ("miscounting wrote 4 blocks, laid out 3", MismatchOf(w, sink));

    // One writing too little moves every writer after it: the next one is caught too.
    TImageWriters short_;
    short_.Add(std::make_unique<Miscounting>(2, 1));
    short_.Add(std::make_unique<Miscounting>(1, 1));
    short_.Reserve(b, FileTables(), 100);
    CountingSink other;
    EXPECT_EQ("miscounting wrote 1 blocks, laid out 2", MismatchOf(short_, other));
}

// Answers one length while laying out and another while filling.
class FickleHook : public TSystemUseHook {
  public:
    uint32_t Reserve(const TRecordPlace&, uint32_t) override { return 0; }
    uint32_t Fill(const TRecordPlace& at, uint8_t*, uint32_t) override { return at.Entry ? 200 : 0; }
};

TEST_F(ImageWriters, ADirectoryThatOutgrowsItsLayoutIsCaught) {
    for (int i = 0; i < 12; ++i)
        File(Root(), "f" + std::to_string(i) + ".txt");
    b.PrepareImage(true, nullptr);
    FickleHook hook;
    TImageWriters w;
    w.Add(std::make_unique<TDirectoryWriter>(IsoNamespace, &hook));
    w.Reserve(b, FileTables(), 100);
    CountingSink sink;
    EXPECT_EQ("ISO 9660 directories: an extent outgrows its layout", MismatchOf(w, sink));
}

// Gives every record 10 bytes naming its place; remembers the order of the calls.
class TaggingHook : public TSystemUseHook {
  public:
    uint32_t Reserve(const TRecordPlace& at, uint32_t) override {
        reserved.push_back(Tag(at));
        return 10;
    }
    uint32_t Fill(const TRecordPlace& at, uint8_t* area, uint32_t room) override {
        filled.push_back(Tag(at));
        EXPECT_GE(room, 10u);
        std::memcpy(area, (Tag(at) + "          ").data(), 10);
        return 10;
    }
    static std::string Tag(const TRecordPlace& at) {
        return at.Entry    ? std::string(at.Entry->LongName.View().substr(0, 7)) + std::to_string(at.Extent)
               : at.Parent ? ".."
                           : ".";
    }
    std::vector<std::string> reserved, filled;
};

TEST_F(ImageWriters, TheSystemUseHookFillsWhatItReservedAfterEachIdentifier) {
    File(Root(), "a.txt");
    File(Dir(Root(), "sub"), "big.bin", MaxExtentBytes + 1);
    b.PrepareImage(true, nullptr);
    TaggingHook hook;
    TImageWriters w;
    w.Add(std::make_unique<TDirectoryWriter>(IsoNamespace, &hook));
    w.Reserve(b, FileTables(), 100);
    CountingSink sink;
    ASSERT_EQ("", MismatchOf(w, sink));
    EXPECT_EQ((std::vector<std::string>{".", "..", "a.txt0", "sub0", ".", "..", "big.bin0", "big.bin1"}),
              hook.reserved);
    EXPECT_EQ(hook.reserved, hook.filled);
    const uint8_t* root = sink.memory.data();
    EXPECT_EQ(44, root[0]); // 34 + 10
    EXPECT_EQ(".         ", Bytes(root + 34, 10));
    const uint8_t* a = root + 44 + 44;
    EXPECT_EQ(33 + 7 + 10, a[0]); // "A.TXT;1": odd, no pad byte
    EXPECT_EQ("a.txt0    ", Bytes(a + 40, 10));
}

TEST_F(ImageWriters, GenerationFailsWithoutALayout) {
    TImageBuilder fresh;
    EXPECT_FALSE(fresh.GenerateImage(true, nullptr));
    EXPECT_NE(std::string::npos, fresh.GenerationError.find("before it was laid out"));
}

// Each test its own folder: ctest runs the cases of this file side by side.
class BootImage : public ImageTest {
  protected:
    std::string Write(const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    TempDir temp;
    std::filesystem::path path = U8Path(temp / "boot.img");
};

TEST_F(BootImage, ItsCopyAndThePaddingAreInTheMetadataStream) {
    std::string boot(5000, 'b');
    boot[4999] = 'e';
    b.BootImageFile = Write(boot);
    File(Root(), "a.txt");
    b.PrepareImage(true, nullptr);
    ASSERT_TRUE(b.GenerateImage(true, nullptr)) << b.GenerationError;
    EXPECT_EQ(150u * 2048, b.HeaderStream.Size());
    EXPECT_EQ(boot + std::string(3 * 2048 - 5000, '\0'), Bytes(Sector(27), 3 * 2048));
    EXPECT_EQ(std::string(120 * 2048, '\0'), Bytes(Sector(30), 120 * 2048));
    EXPECT_EQ(27u, LE32(Sector(26) + 40));

    std::filesystem::remove(path); // gone between layout and generation
    EXPECT_FALSE(b.GenerateImage(true, nullptr));
    EXPECT_EQ("CAN'T OPEN FILE \"" + path.string() + "\" OR FILE IS IN USES BY OTHER SOFTWARE",
              b.GenerationError);
    EXPECT_EQ(0u, b.HeaderStream.Size());
}

} // namespace
} // namespace scrivo::test

namespace scrivo::test {
namespace {

using StreamedDirectories = BootImage;

// Generation in two parts (the directory records made while they are read) gives the bytes
// of the generation at once; a reader that stops ends it, a failure after the records is told.
TEST_F(StreamedDirectories, GiveTheSameMetadataAsAGenerationAtOnce) {
    b.RockRidge = true; // its entries are made with the records, its continuation areas after them
    b.BootImageFile = Write(std::string(3000, 'b'));
    for (int d = 0; d < 3; ++d) {
        TDEntry* dir = Dir(Root(), "folder" + std::to_string(d));
        for (int f = 0; f < 120; ++f)
            File(dir, "a rather long file name " + std::to_string(f) + ".txt", f == 7 ? 5000000000 : 1);
    }
    b.PrepareImage(true, nullptr);
    ASSERT_TRUE(b.GenerateImage(true, nullptr)) << b.GenerationError;
    const std::string whole = Bytes(b.HeaderStream.Data(), b.HeaderStream.Size());
    EXPECT_EQ(0u, b.DeferredMetadataBytes());

    b.StreamDirectories = true;
    ASSERT_TRUE(b.GenerateImage(true, nullptr)) << b.GenerationError;
    std::string parts = Bytes(b.HeaderStream.Data(), b.HeaderStream.Size());
    EXPECT_LT(parts.size(), whole.size());
    EXPECT_EQ(whole.size(), parts.size() + b.DeferredMetadataBytes());
    int runs = 0;
    EXPECT_EQ("", b.WriteDeferredMetadata([&](const uint8_t* data, size_t n) {
        parts += Bytes(data, n);
        return ++runs > 0;
    }));
    EXPECT_GT(runs, 3); // a run per directory at least: never the whole area at once
    EXPECT_TRUE(parts == whole);

    int taken = 0;
    EXPECT_EQ("", b.WriteDeferredMetadata([&](const uint8_t*, size_t) { return ++taken < 2; }));
    EXPECT_EQ(2, taken);

    std::filesystem::remove(path); // the boot image follows the directories
    EXPECT_EQ("CAN'T OPEN FILE \"" + path.string() + "\" OR FILE IS IN USES BY OTHER SOFTWARE",
              b.WriteDeferredMetadata([](const uint8_t*, size_t) { return true; }));
}

} // namespace
} // namespace scrivo::test
