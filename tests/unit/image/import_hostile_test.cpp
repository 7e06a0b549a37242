// Session import of hostile discs: second paths to directories, fan-out over shared
// extents, sessions of unknown length, interruption, and what the new session cannot
// carry (case-only pairs, associated files, unsafe names), dates as recorded.
#include "ImageTestSupport.h"
#include "ImportDisc.h"
#include "image/bvISOLib_import.h"
#include <algorithm>
#include <set>

namespace scrivo::test {
namespace {

class HostileImportTest : public ImageTest {
  protected:
    void SetUp() override {
        ImageTest::SetUp();
        b.Disc = &disc;
        disc.Tracks = {{0, 1000}};
    }
    // An ISO 9660 tree only, its root at `root`.
    void IsoOnly(uint32_t root = 20) {
        PutDescriptor(disc, 16, 1, root);
        PutDescriptor(disc, 17, 255);
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (auto& [text, type] : messages)
            if (type == 4) out.push_back(text);
        return out;
    }
    size_t ErrorsWith(const char* text) const {
        const std::vector<std::string> e = Errors();
        return std::count_if(e.begin(), e.end(), [&](const std::string& m) { return m.rfind(text, 0) == 0; });
    }
    static std::vector<std::string> Names(TDEntry* d) {
        std::vector<std::string> out;
        for (TFEntry* e = d->FirstEntry; e; e = e->Next)
            out.push_back(e->LongName);
        return out;
    }
    static std::vector<std::string> ShortNames(TDEntry* d) {
        std::vector<std::string> out;
        for (TFEntry* e = d->FirstEntry; e; e = e->Next)
            out.push_back(e->ShortName);
        return out;
    }

    MemoryDisc disc;
};

// Rock Ridge NM entry holding `name`.
std::string Nm(const std::string& name) {
    return std::string("NM") + char(5 + name.size()) + '\1' + '\0' + name;
}

TEST_F(HostileImportTest, EachDirectoryExtentIsReadOnce) {
    // Five extents of 58 records "A", each pointing at the next (the last at the first):
    // one read per extent, the 57 repeats of each named.
    IsoOnly();
    for (uint32_t level = 0; level < 5; ++level) {
        std::vector<Rec> recs(58, DirRec("A", level == 4 ? 20 : 21 + level));
        PutDirectory(disc, 20 + level, 20, recs);
    }
    disc.Reads = 0;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(b.ImportedFolders, 4);
    EXPECT_EQ(ErrorsWith(ImportNameTwiceText), 5u * 57);
    EXPECT_EQ(ErrorsWith(ImportLoopText), 1u);
    EXPECT_LT(disc.Reads, 60u);

    // Forty names per level over one shared extent, down to a leaf of 1,740 files: the
    // first name of each level is followed, the others named.
    b.ClearFiles(65535, 8191);
    messages.clear();
    const uint32_t leafSectors = 40; // room for 1,742 records of up to 44 bytes
    std::vector<Rec> leaf;
    for (int i = 0; i < 1740; ++i)
        leaf.push_back(FileRec("F" + std::to_string(i) + ".TXT;1", 900, 1));
    PutDirectory(disc, 23, 22, leaf);
    for (uint32_t level = 0; level < 3; ++level) {
        std::vector<Rec> recs;
        for (int i = 0; i < 40; ++i)
            recs.push_back(
                DirRec("D" + std::to_string(i), 21 + level, (level == 2 ? leafSectors : 1) * SectorSize));
        PutDirectory(disc, 20 + level, 20, recs);
    }
    disc.Reads = 0;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(b.ImportedFolders, 3);
    EXPECT_EQ(b.ImportedFiles, 1740);
    EXPECT_EQ(ErrorsWith(ImportReadTwiceText), 3u * 39);
    EXPECT_LT(disc.Reads, 3 + leafSectors + 50);
}

TEST_F(HostileImportTest, ReadsAreBoundedByTheSession) {
    // A track of unknown length: the volume's size ends the session, and a directory
    // claiming 0x315F5049 bytes lies beyond it.
    disc.Tracks = {{0, 0}};
    IsoOnly();
    PutLE32At(disc.Sector(16) + 80, 100);
    PutDirectory(disc, 20, 20, {DirRec("HUGE", 21, 0x315F5049), FileRec("OK.TXT;1", 50, 1)});
    disc.Reads = 0;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), std::vector<std::string>{"OK.TXT"});
    EXPECT_EQ(Errors(), std::vector<std::string>{std::string(ImportBeyondDiscText) + "\n\r\\HUGE"});
    EXPECT_LT(disc.Reads, 50u);

    // Continuation areas that take turns over more sectors than are kept: the reads stop
    // at twice the session's sectors and the rest is named.
    b.ClearFiles(65535, 8191);
    messages.clear();
    disc = MemoryDisc();
    disc.Tracks = {{0, 30}};
    std::vector<Rec> recs;
    for (int i = 0; i < 150; ++i) {
        Rec r = FileRec("F" + std::to_string(i) + ".TXT;1", 29, 1);
        r.SystemUse = std::string("CE\x1C\x01", 4) + std::string(24, '\0');
        PutBothAt(reinterpret_cast<uint8_t*>(r.SystemUse.data()) + 4, 20 + i % 6);
        PutBothAt(reinterpret_cast<uint8_t*>(r.SystemUse.data()) + 20, 10);
        recs.push_back(r);
    }
    PutDirectory(disc, 2, 2, recs);
    PutDescriptor(disc, 16, 1, 2, 8 * SectorSize);
    PutDescriptor(disc, 17, 255);
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(ErrorsWith(ImportTooManyReadsText), 1u);
    EXPECT_GT(b.ImportLeftOut, 0);
    EXPECT_LT(disc.Reads, 2 * 30 + 60u);
}

TEST_F(HostileImportTest, AnInterruptedImportKeepsNothing) {
    IsoOnly();
    std::vector<Rec> dirs;
    for (uint32_t i = 0; i < 20; ++i) {
        dirs.push_back(DirRec("D" + std::to_string(i), 21 + i));
        PutDirectory(disc, 21 + i, 20, {FileRec("F.TXT;1", 100, 1)});
    }
    PutDirectory(disc, 20, 20, dirs);
    b.AddFileEntry(Root(), Listed("local.txt"), "/src/local.txt");
    disc.StopAfter = 10;
    EXPECT_FALSE(b.ImportSession(1, nullptr));
    EXPECT_TRUE(b.ImportInterrupted);
    EXPECT_EQ(Names(Root()), std::vector<std::string>{"local.txt"});
    EXPECT_LE(disc.Reads, 11u);
}

TEST_F(HostileImportTest, CaseOnlyPairsStayApartWithRockRidgeAndAreNamedWithout) {
    PutDescriptor(disc, 16, 2, 30);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 30, 30,
                 {FileRec(Ucs2(u"README;1"), 100, 1), FileRec(Ucs2(u"readme;1"), 101, 1),
                  DirRec(Ucs2(u"Dir"), 31), DirRec(Ucs2(u"dir"), 32)});
    PutDirectory(disc, 31, 30, {FileRec(Ucs2(u"one;1"), 102, 1)});
    PutDirectory(disc, 32, 30, {FileRec(Ucs2(u"two;1"), 103, 1)});

    b.RockRidge = true;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"README.", "readme.", "Dir", "dir"}));
    EXPECT_EQ(b.ImportLeftOut, 0);
    TFEntry* second = Root()->FirstEntry->Next->Next->Next;
    ASSERT_NE(second->Dir, nullptr);
    EXPECT_EQ(Names(second->Dir), std::vector<std::string>{"two."});
    ASSERT_TRUE(b.PrepareImage(true, nullptr));
    const std::vector<std::string> iso = ShortNames(Root());
    EXPECT_EQ(std::set<std::string>(iso.begin(), iso.end()).size(), 4u) << iso[0] << " " << iso[1];
    // The later of each pair gets a Joliet name of its own.
    EXPECT_EQ(FileTables().JolietNames.size(), 2u);
    EXPECT_EQ(FileTables().JolietNames.count(second->Dir), 1u);

    b.ClearFiles(65535, 8191);
    messages.clear();
    b.RockRidge = false;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"README.", "Dir"}));
    const std::string caseOnly = std::string(ImportCaseOnlyText) + "\n\r\\";
    EXPECT_EQ(Errors(), (std::vector<std::string>{caseOnly + "readme", caseOnly + "dir"}));
    EXPECT_EQ(b.ImportLeftOut, 2);
}

TEST_F(HostileImportTest, FilesTheNewSessionCannotCarryAreNamed) {
    IsoOnly();
    Rec associated = FileRec("A.TXT;1", 100, 1);
    associated.Flags = 0x04;
    Rec longName = FileRec("LONG.TXT;1", 102, 1);
    longName.SystemUse = Nm(std::string(200, 'n'));
    PutDirectory(disc, 20, 20, {associated, FileRec("A.TXT;1", 101, 1), longName});
    b.RockRidge = false;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    ASSERT_EQ(Names(Root()), std::vector<std::string>{"A.TXT"});
    EXPECT_EQ(Root()->FirstEntry->IsoLocation, 101u);
    EXPECT_EQ(Errors(), (std::vector<std::string>{std::string(ImportAssociatedText) + "\n\r\\A.TXT",
                                                  std::string(ImportNameTooLongForViewText) + "\n\r\\" +
                                                      std::string(200, 'n')}));
    EXPECT_EQ(b.ImportLeftOut, 2);
}

TEST_F(HostileImportTest, UnsafeNamesAndDatesAsRecorded) {
    IsoOnly();
    Rec slash = FileRec("S1.TXT;1", 100, 1), nul = FileRec("S2.TXT;1", 101, 1);
    slash.SystemUse = Nm("a/b");
    nul.SystemUse = Nm(std::string("a\0b", 3));
    Rec zero = FileRec("ZERO.TXT;1", 103, 1), tokyo = FileRec("TOKYO.TXT;1", 104, 1);
    std::fill(std::begin(zero.Date), std::end(zero.Date), 0);
    tokyo.Date[6] = 36; // GMT+9
    Rec bad = FileRec("BAD.TXT;1", 105, 1);
    bad.Date[1] = 13;
    PutDirectory(disc, 20, 20, {slash, FileRec("a_b;1", 102, 1), nul, zero, tokyo, bad});
    b.RockRidge = true;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    // Made safe, or meeting a name made safe: a tail keeps them apart.
    EXPECT_EQ(Names(Root()),
              (std::vector<std::string>{"a_b.", "a_b~1.", "a_b~2.", "ZERO.TXT", "TOKYO.TXT", "BAD.TXT"}));
    EXPECT_EQ(b.ImportLeftOut, 0);
    std::vector<TFEntry*> e;
    for (TFEntry* x = Root()->FirstEntry; x; x = x->Next)
        e.push_back(x);
    EXPECT_TRUE(e[3]->DateUnspecified);
    EXPECT_TRUE(e[5]->DateUnspecified);
    EXPECT_FALSE(e[4]->DateUnspecified);
    EXPECT_EQ(e[4]->RecordedZone, 36);
}

} // namespace
} // namespace scrivo::test
