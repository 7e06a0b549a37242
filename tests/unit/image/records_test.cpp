// The bytes of the generated metadata: descriptors, path tables, directory records.
#include "ImageTestSupport.h"
#include "image/bvISOLib_records.h"
#include <cstring>

namespace scrivo::test {
namespace {

class ImageRecords : public ImageTest {
protected:
    void Generate() {
        b.PrepareImage(true, nullptr);
        b.GenerateImage(true, nullptr);
    }
    // The directory record of the n-th entry of a directory extent (0 = ".").
    const uint8_t* Record(uint32_t extent, int n) {
        const uint8_t* p = Sector(extent);
        for (int i = 0; i < n; ++i) {
            p += p[0];
            if (p[0] == 0) p = Sector(extent) + ((p - Sector(extent)) / 2048 + 1) * 2048;
        }
        return p;
    }
    static std::string Ucs2(const std::string& ascii) {
        std::string s;
        for (char c : ascii) s += std::string{'\0', c};
        return s;
    }
};

TEST_F(ImageRecords, VolumeDescriptorTexts) {
    b.IdVolume = "Backup";
    b.IdPublisher = std::string(100, 'p') + std::string(100, 'q');
    File(Root(), "a.txt");
    Generate();
    const uint8_t* pvd = Sector(16);
    const uint8_t* svd = Sector(17);
    EXPECT_EQ("\x01" "CD001\x01", Bytes(pvd, 7));
    EXPECT_EQ("BACKUP" + std::string(26, ' '), Bytes(pvd + 40, 32));
    EXPECT_EQ(Ucs2("Backup") + Ucs2(std::string(10, ' ')), Bytes(svd + 40, 32));
    EXPECT_EQ(std::string(100, 'P') + std::string(28, 'Q'), Bytes(pvd + 318, 128));
    EXPECT_EQ(Ucs2(std::string(64, 'p')), Bytes(svd + 318, 128));
    EXPECT_EQ(std::string(32, ' '), Bytes(pvd + 8, 32));
    EXPECT_EQ(std::string(37, ' '), Bytes(pvd + 702, 37));
    EXPECT_EQ(Ucs2(std::string(18, ' ')) + std::string(1, '\0'), Bytes(svd + 702, 37));
    EXPECT_EQ(std::string("1899123000000000") + '\0', Bytes(pvd + 813, 17));
    EXPECT_EQ(std::string("1899123000000000") + '\0', Bytes(svd + 830, 17));
    EXPECT_EQ(std::string(16, '0') + '\0', Bytes(pvd + 847, 17));
    EXPECT_EQ(std::string(8, ' '), Bytes(pvd + 1024, 8));
    EXPECT_EQ(1, pvd[881]);
    EXPECT_EQ(std::string(3, '\0'), Bytes(pvd + 88, 3)) << "unused in the primary descriptor";
    EXPECT_EQ(2, svd[0]);
    EXPECT_EQ("\x25\x2F\x40", Bytes(svd + 88, 3));
    EXPECT_EQ("\xFF" "CD001\x01", Bytes(Sector(18), 7));
}

TEST_F(ImageRecords, DescriptorNumbersAndRootRecords) {
    File(Root(), "a.txt");
    Generate();
    for (uint32_t s : {16u, 17u}) {
        const uint8_t* d = Sector(s);
        bool joliet = s == 17;
        EXPECT_EQ(151u, LE32(d + 80));
        EXPECT_EQ(151u, BE32(d + 84));
        EXPECT_EQ(2048u, LE16(d + 128));
        EXPECT_EQ(10u, LE32(d + 132));
        EXPECT_EQ(joliet ? 21u : 19u, LE32(d + 140));
        EXPECT_EQ(joliet ? 22u : 20u, BE32(d + 148));
        const uint8_t* root = d + 156;
        EXPECT_EQ(34, root[0]);
        EXPECT_EQ(joliet ? 24u : 23u, LE32(root + 2));
        EXPECT_EQ(joliet ? 24u : 23u, BE32(root + 6));
        EXPECT_EQ(2048u, LE32(root + 10));
        EXPECT_EQ(std::string(7, '\0'), Bytes(root + 18, 7));
        EXPECT_EQ(2, root[25]);
        EXPECT_EQ(1, root[32]);
        EXPECT_EQ(0, root[33]);
    }
}

TEST_F(ImageRecords, JolietOffLeavesNoTrace) {
    b.JolietFileSystem = false;
    File(Root(), "a.txt");
    Generate();
    EXPECT_EQ(std::string(3, '\0'), Bytes(Sector(16) + 88, 3));
    EXPECT_EQ(255, Sector(17)[0]);
    EXPECT_EQ(150u * 2048, b.HeaderStream.Size());
}

TEST_F(ImageRecords, FileAndDirectoryRecords) {
    b.Clock = [] { return FixedTime() + 1.0; }; // the "." and ".." records: generation time
    File(Root(), "a.txt", 100);
    File(Root(), "ab.txt", 0);
    File(Root(), "hidden.txt", 5, faArchive | faHidden);
    TDEntry* sub = b.CreateDirectory(Root(), Listed("Hid", 0, faDirectory | faHidden));
    File(sub, std::string(104, 'n') + ".txt"); // a 108-character long name
    Generate();

    const uint8_t* dot = Record(b.IsoDirectoryArea, 0);
    EXPECT_EQ(34, dot[0]);
    EXPECT_EQ(b.IsoDirectoryArea, LE32(dot + 2));
    EXPECT_EQ(std::string("\x7E\x03\x05\x05\x06\x07\x04", 7), Bytes(dot + 18, 7));
    EXPECT_EQ(2, dot[25]);
    EXPECT_EQ(0, dot[33]);
    EXPECT_EQ(1, Record(b.IsoDirectoryArea, 1)[33]);

    const uint8_t* a = Record(b.IsoDirectoryArea, 2);
    EXPECT_EQ(40, a[0]);
    EXPECT_EQ(150u, LE32(a + 2));
    EXPECT_EQ(150u, BE32(a + 6));
    EXPECT_EQ(100u, LE32(a + 10));
    EXPECT_EQ(100u, BE32(a + 14));
    EXPECT_EQ(std::string("\x7E\x03\x04\x05\x06\x07\x04", 7), Bytes(a + 18, 7));
    EXPECT_EQ(0, a[25]);
    EXPECT_EQ(1u, LE16(a + 28));
    EXPECT_EQ("A.TXT;1", Bytes(a + 33, a[32]));

    const uint8_t* ab = Record(b.IsoDirectoryArea, 3);
    EXPECT_EQ(42, ab[0]);
    EXPECT_EQ("AB.TXT;1", Bytes(ab + 33, 8));
    EXPECT_EQ(0, ab[41]);
    EXPECT_EQ(0u, LE32(ab + 2)); // empty file: extent 0
    EXPECT_EQ(0u, LE32(ab + 10));
    EXPECT_EQ(1, Record(b.IsoDirectoryArea, 4)[25]);
    const uint8_t* hid = Record(b.IsoDirectoryArea, 5);
    EXPECT_EQ(3, hid[25]);
    EXPECT_EQ(b.IsoDirectoryArea + 1, LE32(hid + 2));
    EXPECT_EQ("HID", Bytes(hid + 33, 3));

    const uint8_t* jab = Record(b.JolietDirectoryArea, 3);
    EXPECT_EQ(50, jab[0]);
    EXPECT_EQ(Ucs2("ab.txt;1"), Bytes(jab + 33, 16));
    const uint8_t* jhid = Record(b.JolietDirectoryArea, 5);
    EXPECT_EQ(Ucs2("Hid"), Bytes(jhid + 33, 6));
    EXPECT_EQ(b.JolietDirectoryArea + 1, LE32(jhid + 2));

    const uint8_t* longRec = Record(b.JolietDirectoryArea + 1, 2);
    EXPECT_EQ(254, longRec[0]);
    EXPECT_EQ(220, longRec[32]);
    // ".." of the subdirectory is the root.
    EXPECT_EQ(b.JolietDirectoryArea, LE32(Record(b.JolietDirectoryArea + 1, 1) + 2));
}

TEST_F(ImageRecords, PathTablesInBothByteOrders) {
    Dir(Dir(Root(), "B", "BBB"), "x", "X");
    Dir(Root(), "A");
    Generate();
    // Root, A (created third), B, X: extents follow creation order.
    const uint8_t* l = Sector(b.IsoPathTableL);
    EXPECT_EQ(std::string("\x01\x00", 2), Bytes(l, 2));
    EXPECT_EQ(b.IsoDirectoryArea, LE32(l + 2));
    EXPECT_EQ(1u, LE16(l + 6));
    const uint8_t* rec = l + 10;
    EXPECT_EQ(1, rec[0]);
    EXPECT_EQ(b.IsoDirectoryArea + 3, LE32(rec + 2));
    EXPECT_EQ("A", Bytes(rec + 8, 1));
    rec += 10;
    EXPECT_EQ(3, rec[0]);
    EXPECT_EQ("BBB", Bytes(rec + 8, 3));
    rec += 12;
    EXPECT_EQ(3u, LE16(rec + 6)); // parent BBB is number 3
    const uint8_t* m = Sector(b.IsoPathTableM) + 10 + 10 + 12;
    EXPECT_EQ(b.IsoDirectoryArea + 2, BE32(m + 2));
    EXPECT_EQ(3, m[7]);
    EXPECT_EQ(0, m[6]);
    const uint8_t* j = Sector(b.JolietPathTableL) + 10;
    EXPECT_EQ(2, j[0]);
    EXPECT_EQ(Ucs2("A"), Bytes(j + 8, 2));
    EXPECT_EQ(b.JolietDirectoryArea + 3, LE32(j + 2));
    EXPECT_EQ(10u + 10 + 12 + 10, b.IsoPathTableSize);
    EXPECT_EQ(std::string(2048 - 42, '\0'), Bytes(l + 42, 2048 - 42));
}

TEST_F(ImageRecords, StreamAndDescriptorCopy) {
    File(Root(), "a.txt");
    Generate();
    EXPECT_EQ(150u * 2048, b.HeaderStream.Size());
    EXPECT_EQ(std::string(16 * 2048, '\0'), Bytes(b.HeaderStream.Data(), 16 * 2048));
    EXPECT_EQ(38912u, DescriptorCopyLength);
    EXPECT_EQ(0, std::memcmp(DescriptorCopy, b.HeaderStream.Data(), 38912));
    EXPECT_EQ(0xFF, DescriptorCopy[38912]);
    EXPECT_EQ(0xFF, DescriptorCopy[DescriptorCopyCapacity - 1]);
    EXPECT_TRUE(*b.DoDebug);
    EXPECT_EQ(std::string(125 * 2048, '\0'), Bytes(Sector(25), 125 * 2048));
}

TEST_F(ImageRecords, StartAddressShiftsEveryLocationButNotTheStream) {
    class At10000 : public TImageDisc {
        uint8_t ReadDiscKind() override { return 2; }
        bool FindStartAddress(uint32_t& a) override {
            a = 10000;
            return true;
        }
    } disc;
    b.Disc = &disc;
    b.WritingImage = true;
    File(Root(), "a.txt");
    b.PrepareImage(false, nullptr);
    b.GenerateImage(false, nullptr);
    EXPECT_EQ(9u * 2048 + 16 * 2048, b.HeaderStream.Size());
    EXPECT_EQ(1, Sector(10016)[0]);
    EXPECT_EQ(10026u, LE32(Sector(10016) + 80));
    EXPECT_EQ(10025u, LE32(Record(b.IsoDirectoryArea, 2) + 2));
    EXPECT_EQ(10019u, LE32(Sector(10016) + 140));
}

TEST_F(ImageRecords, MultiExtentFilesInBothTrees) {
    const uint64_t size = 2 * MaxExtentBytes + 5;
    File(Root(), "big.bin", size);
    Generate();
    for (uint32_t area : {b.IsoDirectoryArea, b.JolietDirectoryArea}) {
        for (int k = 0; k < 3; ++k) {
            const uint8_t* r = Record(area, 2 + k);
            EXPECT_EQ(150u + k * (MaxExtentBytes / 2048), LE32(r + 2));
            EXPECT_EQ(k < 2 ? MaxExtentBytes : 5u, LE32(r + 10));
            EXPECT_EQ(k < 2 ? 0x80 : 0x00, r[25]);
        }
        const uint8_t* last = Record(area, 4);
        EXPECT_EQ(0, last[last[0]]); // nothing after the last extent
    }
    EXPECT_EQ(int64_t(150 + (size + 2047) / 2048), b.VolumeSpaceSize);
}

TEST(ImageRecordBytes, BootCatalogChecksumAndMediaType) {
    uint8_t s[2048];
    PutBootCatalog(s, 27, 1474560);
    uint16_t sum = 0;
    for (int i = 0; i < 32; i += 2) sum = static_cast<uint16_t>(sum + LE16(s + i));
    EXPECT_EQ(0, sum);
    EXPECT_EQ(0x55, s[30]);
    EXPECT_EQ(0xAA, s[31]);
    EXPECT_EQ(0x88, s[32]);
    EXPECT_EQ(2, s[33]);
    EXPECT_EQ(1, LE16(s + 38));
    EXPECT_EQ(27u, LE32(s + 40));
    EXPECT_EQ(std::string("Brenvik") + std::string(17, '\0'), Bytes(s + 4, 24));
    PutBootCatalog(s, 27, 5000);
    EXPECT_EQ(4, s[33]);
    PutBootRecord(s, 26);
    EXPECT_EQ("EL TORITO SPECIFICATION", Bytes(s + 7, 23));
    EXPECT_EQ(26u, LE32(s + 71));
}

TEST(ImageRecordBytes, TextFieldsCutWholeCharacters) {
    uint8_t f[8];
    PutText(f, 4, "ab\xC3\xA9z"); // "abéz": é takes two bytes and fits
    EXPECT_EQ("AB\xC3\x89", Bytes(f, 4));
    PutText(f, 3, "ab\xC3\xA9");
    EXPECT_EQ("AB ", Bytes(f, 3));
    PutJolietText(f, 8, "x\xF0\x9F\x98\x80y"); // a surrogate pair fits whole
    EXPECT_EQ(std::string("\0x\xD8\x3D\xDE\x00\0y", 8), Bytes(f, 8));
}

} // namespace
} // namespace scrivo::test
