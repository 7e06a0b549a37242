// Session import: descriptors, both directory readers, names, multi-extent files, session
// numbers, and discs whose directories are broken or hostile.
#include "ImageTestSupport.h"
#include "ImportDisc.h"
#include "image/bvISOLib_import.h"

namespace scrivo::test {
namespace {

class ImportTest : public ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        b.Disc = &disc;
    }
    // A single session of `sectors` sectors at `start`.
    void OneSession(uint32_t start = 0, uint32_t sectors = 1000) { disc.Tracks = {{start, sectors}}; }

    static TFEntry* Entry(TDEntry* d, const std::string& longName) {
        for (TFEntry* e = d->FirstEntry; e; e = e->Next)
            if (e->LongName == longName) return e;
        return nullptr;
    }
    static std::vector<std::string> Names(TDEntry* d) {
        std::vector<std::string> out;
        for (TFEntry* e = d->FirstEntry; e; e = e->Next) out.push_back(e->LongName);
        return out;
    }
    // The type-4 messages, in order.
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (auto& [text, type] : messages)
            if (type == 4) out.push_back(text);
        return out;
    }

    MemoryDisc disc;
};

// Session at 0: primary descriptor at 16 (ISO root 20), Joliet at 17 (root 30), terminator.
// ISO: \DOCS\A.TXT;1 and README.TXT;1; Joliet: \Docs\a long name.txt and ReadMe.txt.
void PutTwoTrees(MemoryDisc& disc) {
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 2, 30);
    PutDescriptor(disc, 18, 255);
    Rec hidden = FileRec("README.TXT;1", 100, 5000);
    hidden.Flags = 1;
    PutDirectory(disc, 20, 20, {DirRec("DOCS", 21), hidden});
    PutDirectory(disc, 21, 20, {FileRec("A.TXT;1", 110, 7)});
    Rec jHidden = FileRec(Ucs2(u"ReadMe.txt;1"), 100, 5000);
    jHidden.Flags = 1;
    PutDirectory(disc, 30, 30, {DirRec(Ucs2(u"Docs"), 31), jHidden});
    PutDirectory(disc, 31, 30, {FileRec(Ucs2(u"a long \u00fcmlaut name.txt;1"), 110, 7)});
}

TEST_F(ImportTest, JolietTreeBecomesImportedEntriesKeepingTheirExtents) {
    OneSession();
    PutTwoTrees(disc);
    ASSERT_TRUE(b.ImportSession(-1, nullptr));

    EXPECT_EQ(messages, (std::vector<std::pair<std::string, uint8_t>>{
                            {">>> IMPORTING SESSION # 1", 1},
                            {">>> IMPORTED 2 FILES AND 1 FOLDERS FROM SESSION # 1", 1}}));
    EXPECT_EQ(b.ImportedFiles, 2);
    EXPECT_EQ(b.ImportedFolders, 1);
    EXPECT_EQ(b.ImportLeftOut, 0);
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"Docs", "ReadMe.txt"}));
    TFEntry* readme = Entry(Root(), "ReadMe.txt");
    EXPECT_TRUE(readme->Imported);
    EXPECT_EQ(readme->IsoLocation, 100u);
    EXPECT_EQ(readme->JolietLocation, 100u);
    EXPECT_EQ(readme->IsoSize, 5000u);
    EXPECT_EQ(readme->JolietSize, 5000u);
    EXPECT_EQ(readme->Attr, faHidden);
    EXPECT_EQ(readme->ShortName, "README.TXT");
    EXPECT_TRUE(readme->Source.Empty());
    EXPECT_DOUBLE_EQ(readme->DateTime, FixedTime());

    TDEntry* docs = b.FindDir("\\DOCS");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(docs->LongName, "Docs");
    EXPECT_EQ(Entry(Root(), "Docs")->Attr, faDirectory);
    TFEntry* inner = Entry(docs, "a long \xc3\xbcmlaut name.txt");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->ShortName, "A_LONG__MLAUT"); // made up: 13 characters, outside "!".."z" -> "_"
    EXPECT_EQ(inner->IsoLocation, 110u);
    EXPECT_TRUE(inner->Imported);
    EXPECT_EQ(b.FileCount(), 3);
}

TEST_F(ImportTest, WithoutJolietTheIsoNamesAreUsed) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 20, 20, {DirRec("A", 21), FileRec("README.TXT;1", 100, 10), FileRec("B;1", 101, 10)});
    PutDirectory(disc, 21, 20, {FileRec("X.Y;1", 102, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));

    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"A", "README.TXT", "B."}));
    ASSERT_NE(b.FindDir("\\A"), nullptr);
    EXPECT_EQ(Names(b.FindDir("\\A")), (std::vector<std::string>{"X.Y"}));
    EXPECT_EQ(Entry(Root(), "B.")->IsoLocation, 101u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ImportTest, DescriptorScanRules) {
    OneSession();
    PutDirectory(disc, 20, 20, {FileRec("ISO.TXT;1", 100, 1)});
    PutDirectory(disc, 30, 30, {FileRec(Ucs2(u"joliet.txt;1"), 100, 1)});

    // An unreadable sector is passed over.
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 18, 2, 30);
    PutDescriptor(disc, 19, 255);
    disc.Unreadable = {17};
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"joliet.txt"}));

    // The terminator ends the Joliet scan; a supplementary descriptor without UCS-2 escape
    // sequences is no Joliet descriptor.
    for (const char* escape : {"%/E", ""}) {
        b.ClearFiles(100, 100);
        PutDescriptor(disc, 18, escape[0] ? 255 : 2, 30, SectorSize, escape);
        PutDescriptor(disc, 19, escape[0] ? 2 : 255, 30);
        ASSERT_TRUE(b.ImportSession(1, nullptr));
        EXPECT_EQ(Names(Root()), (std::vector<std::string>{"ISO.TXT"})) << escape;
    }

    // Nothing in the 21 sectors from 16 on.
    b.ClearFiles(100, 100);
    messages.clear();
    for (uint32_t s = 16; s < 20; ++s) PutDescriptor(disc, s, 0);
    PutDescriptor(disc, 37, 1, 20);
    EXPECT_FALSE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Errors(), (std::vector<std::string>{">>> ERROR IMPORTING SESSION 1 (ISO IMAGE NOT FOUND)"}));
    EXPECT_EQ(Root()->FirstEntry, nullptr);
}

TEST_F(ImportTest, SessionNumbers) {
    // Three sessions, each with one file named after it.
    disc.Tracks = {{0, 500}, {500, 500}, {1000, 500}};
    for (uint32_t n = 1; n <= 3; ++n) {
        const uint32_t s = disc.Tracks[n - 1].Start;
        PutDescriptor(disc, s + 16, 1, s + 20);
        PutDescriptor(disc, s + 17, 255);
        PutDirectory(disc, s + 20, s + 20, {FileRec("S" + std::to_string(n) + ".TXT;1", s + 30, 1)});
    }
    const std::pair<int, std::string> cases[] = {{-1, "S3.TXT"}, {5, "S3.TXT"}, {2, "S2.TXT"}, {1, "S1.TXT"}};
    for (auto& [session, name] : cases) {
        b.ClearFiles(100, 100);
        messages.clear();
        ASSERT_TRUE(b.ImportSession(session, nullptr)) << session;
        EXPECT_EQ(Names(Root()), std::vector<std::string>{name}) << session;
        EXPECT_EQ(messages.front().first, ">>> IMPORTING SESSION # " + name.substr(1, 1));
    }

    messages.clear();
    EXPECT_FALSE(b.ImportSession(0, nullptr));
    disc.TrackInfoFails = true;
    EXPECT_FALSE(b.ImportSession(2, nullptr));
    EXPECT_EQ(Errors(), (std::vector<std::string>{">>> ERROR IMPORTING SESSION # 2"}));

    messages.clear();
    disc.Tracks.clear();
    EXPECT_FALSE(b.ImportSession(-1, nullptr));
    b.Disc = nullptr;
    EXPECT_FALSE(b.ImportSession(-1, nullptr));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ImportTest, TheLayoutImportsTheChosenSession) {
    OneSession();
    PutTwoTrees(disc);
    b.SessionToImport = 0xFFFF; // the last one
    ASSERT_TRUE(b.PrepareImage(true, nullptr));
    EXPECT_EQ(Root()->FirstEntry, nullptr);
    ASSERT_TRUE(b.PrepareImage(false, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"Docs", "ReadMe.txt"}));
}

TEST_F(ImportTest, ImportsIntoTheGivenDirectoryAndMergesExistingOnes) {
    OneSession();
    PutTwoTrees(disc);
    TDEntry* old = Dir(Root(), "Old");
    Dir(old, "Docs");
    ASSERT_TRUE(b.ImportSession(1, old));
    EXPECT_EQ(Names(old), (std::vector<std::string>{"Docs", "ReadMe.txt"}));
    EXPECT_EQ(Names(b.FindDir("\\OLD\\DOCS")).size(), 1u);
    EXPECT_EQ(Root()->FirstEntry->Next, nullptr);
}

TEST_F(ImportTest, XaSystemUseInsideAndBetweenRecords) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    const std::string xa("\0\0\0\0\x0d\x55XA\0\0\0\0\0\0", 14);
    Rec inside = FileRec("IN.TXT;1", 100, 1);
    inside.SystemUse = xa;
    Rec between = FileRec("BETWEEN.TXT;1", 101, 1);
    between.SystemUse = xa;
    between.Length = static_cast<int>(RecLength(between) - 14); // the block stands after the record
    PutDirectory(disc, 20, 20, {inside, between, FileRec("AFTER.TXT;1", 102, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"IN.TXT", "BETWEEN.TXT", "AFTER.TXT"}));
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ImportTest, IdentifiersBeyondTheLimitsAreReportedAndLeftOut) {
    OneSession();
    PutDescriptor(disc, 16, 2, 30);
    PutDescriptor(disc, 17, 255);
    std::u16string longest(105, u'a'), tooLong(106, u'b');
    PutDirectory(disc, 30, 30,
                 {FileRec(Ucs2(longest + u".t"), 100, 1),       // 214 bytes
                  FileRec(Ucs2(tooLong + u".t"), 101, 1),       // 216 bytes
                  FileRec(Ucs2(u"next.txt;1"), 102, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{std::string(105, 'a') + ".t", "next.txt"}));
    EXPECT_EQ(Errors(), std::vector<std::string>{std::string(ImportNameTooLongText) + "\n\r" + std::string(106, 'b') + ".t"});

    // ISO identifiers of 240 bytes or more cannot fit a record; the record is left out.
    b.ClearFiles(100, 100);
    messages.clear();
    PutDescriptor(disc, 16, 1, 20);
    PutDirectory(disc, 20, 20, {FileRec(std::string(221, 'C'), 103, 1), FileRec("LAST.TXT;1", 104, 1)});
    disc.Sector(20)[68 + 32] = 240; // the record after "." and ".." claims a 240-byte identifier
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), std::vector<std::string>{"LAST.TXT"});
    EXPECT_EQ(Errors(), std::vector<std::string>{std::string(ImportNameTooLongText) + "\n\r" + std::string(221, 'C')});
}

TEST_F(ImportTest, MultiExtentFileBecomesOneEntry) {
    OneSession(0, 0); // length of the track unknown: the volume's size bounds the session
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    const uint32_t piece = 0xFFFFF800, pieceSectors = piece / SectorSize;
    PutLE32At(disc.Sector(16) + 80, 101 + 2 * pieceSectors);
    Rec p1 = FileRec("BIG.ISO;1", 100, piece), p2 = FileRec("BIG.ISO;1", 100 + pieceSectors, piece);
    p1.Flags = p2.Flags = 0x80;
    Rec broken1 = FileRec("GAP.BIN;1", 50, SectorSize), broken2 = FileRec("GAP.BIN;1", 60, 10);
    broken1.Flags = 0x80;
    Rec odd1 = FileRec("ODD.BIN;1", 70, 100), odd2 = FileRec("ODD.BIN;1", 71, 10);
    odd1.Flags = 0x80;
    Rec orphan = FileRec("ORPHAN.BIN;1", 80, SectorSize);
    orphan.Flags = 0x80;
    PutDirectory(disc, 20, 20,
                 {p1, p2, FileRec("BIG.ISO;1", 100 + 2 * pieceSectors, 10), broken1, broken2, odd1, odd2, orphan,
                  FileRec("SMALL.TXT;1", 90, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));

    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"BIG.ISO", "SMALL.TXT"}));
    TFEntry* big = Entry(Root(), "BIG.ISO");
    EXPECT_EQ(big->IsoLocation, 100u);
    EXPECT_EQ(big->IsoSize, 2ull * piece + 10);
    EXPECT_EQ(big->JolietSize, 2ull * piece + 10);
    const std::string bad = std::string(ImportBadExtentsText) + "\n\r";
    EXPECT_EQ(Errors(), (std::vector<std::string>{bad + "GAP.BIN", bad + "ODD.BIN", bad + "ORPHAN.BIN"}));
}

TEST_F(ImportTest, RecordsRunningPastTheirSectorAreLeftOut) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20, 2 * SectorSize);
    PutDescriptor(disc, 17, 255);
    // Sector 20: ".", "..", A (40 bytes) and eight records of 232 bytes reach offset 1964,
    // where a record claims 90 bytes. Sector 21: a record whose identifier runs past the record, then C.
    std::vector<Rec> recs = {FileRec("A.TXT;1", 100, 1)};
    std::vector<std::string> expected = {"A.TXT"};
    for (int i = 0; i < 8; ++i) {
        recs.push_back(FileRec("F" + std::to_string(i) + ".TXT;1", 110 + i, 1));
        recs.back().SystemUse =
            std::string("PD") + char(190) + '\1' + std::string(186, '\0'); // padding entry
        expected.push_back("F" + std::to_string(i) + ".TXT");
    }
    PutDirectory(disc, 20, 20, recs);
    uint8_t* edge = disc.Sector(20) + 1964;
    PutRec(edge, FileRec("EDGE.TXT;1", 102, 1));
    edge[0] = 90;
    uint8_t* s21 = disc.Sector(21);
    const uint32_t n = PutRec(s21, FileRec("SHORT.TXT;1", 103, 1));
    s21[32] = 30; // 33 + 30 bytes, more than the record's 44
    PutRec(s21 + n, FileRec("C.TXT;1", 104, 1));

    ASSERT_TRUE(b.ImportSession(1, nullptr));
    expected.push_back("C.TXT");
    EXPECT_EQ(Names(Root()), expected);
    EXPECT_EQ(Errors(), (std::vector<std::string>{std::string(ImportBadRecordText) + "\n\rSECTOR 20 OFFSET 1964",
                                                  std::string(ImportBadRecordText) + "\n\rSECTOR 21 OFFSET 0"}));
}

// A length that takes in the next record, or a zeroed one before records, loses records:
// reported, not passed over in silence.
TEST_F(ImportTest, RecordLengthsThatHideRecordsAreReported) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 20, 20,
                 {FileRec("A.TXT;1", 100, 1), FileRec("B.TXT;1", 101, 1), FileRec("C.TXT;1", 102, 1)});
    uint8_t* a = disc.Sector(20) + 68;
    const uint8_t length = a[0];
    a[0] = uint8_t(2 * length);
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Root()->FirstEntry, nullptr);
    EXPECT_EQ(Errors(),
              std::vector<std::string>{std::string(ImportBadRecordText) + "\n\rSECTOR 20 OFFSET 68"});

    b.ClearFiles(100, 100);
    messages.clear();
    a[0] = length;
    a[length] = 0; // B's length
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), std::vector<std::string>{"A.TXT"});
    EXPECT_EQ(b.ImportLeftOut, 1);
}

TEST_F(ImportTest, ExtentsBeyondTheDiscAreLeftOut) {
    OneSession(0, 200);
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 20, 20,
                 {FileRec("FITS.TXT;1", 198, 2 * SectorSize), FileRec("OVER.TXT;1", 199, 2 * SectorSize),
                  FileRec("FAR.TXT;1", 0xFFFFFFF0, 1000000), DirRec("GONE", 300), FileRec("EMPTY.TXT;1", 0, 0)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"FITS.TXT", "EMPTY.TXT"}));
    const std::string beyond = std::string(ImportBeyondDiscText) + "\n\r";
    EXPECT_EQ(Errors(),
              (std::vector<std::string>{beyond + "\\OVER.TXT", beyond + "\\FAR.TXT", beyond + "\\GONE"}));
    EXPECT_EQ(b.FindDir("\\GONE"), nullptr);

    // A root directory beyond the disc: nothing is read.
    b.ClearFiles(100, 100);
    messages.clear();
    PutDescriptor(disc, 16, 1, 5000);
    EXPECT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Errors(), std::vector<std::string>{beyond + "\\"});
}

TEST_F(ImportTest, DirectoriesReferringToAncestorsAreLeftOut) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    // \A refers to the root, \B\C to \B, \B\D to the root; \B\E is sound.
    PutDirectory(disc, 20, 20, {DirRec("A", 20), DirRec("B", 21), FileRec("R.TXT;1", 100, 1)});
    PutDirectory(disc, 21, 20, {DirRec("C", 21), DirRec("D", 20), DirRec("E", 22)});
    PutDirectory(disc, 22, 21, {FileRec("IN.TXT;1", 101, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"B", "R.TXT"}));
    EXPECT_EQ(Names(b.FindDir("\\B")), std::vector<std::string>{"E"});
    EXPECT_EQ(Names(b.FindDir("\\B\\E")), std::vector<std::string>{"IN.TXT"});
    const std::string loop = std::string(ImportLoopText) + "\n\r";
    EXPECT_EQ(Errors(), (std::vector<std::string>{loop + "\\A", loop + "\\B\\C", loop + "\\B\\D"}));
}

TEST_F(ImportTest, DeepChainsOfDirectoriesAreCut) {
    OneSession(0, 2000);
    PutDescriptor(disc, 16, 1, 100);
    PutDescriptor(disc, 17, 255);
    const uint32_t levels = MaxImportDepth + 5;
    for (uint32_t i = 0; i < levels; ++i) PutDirectory(disc, 100 + i, 100 + i, {DirRec("D", 101 + i)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(b.DirectoryCount(), MaxImportDepth);
    std::string deepest;
    for (int i = 0; i <= MaxImportDepth; ++i)
        deepest += "\\D";
    EXPECT_EQ(Errors(), std::vector<std::string>{std::string(ImportTooDeepText) + "\n\r" + deepest});
}

TEST_F(ImportTest, UnusableNamesAndUnreadableSectors) {
    OneSession();
    PutDescriptor(disc, 16, 2, 30, 3 * SectorSize);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 30, 30,
                 {FileRec(Ucs2(u";1"), 100, 1), DirRec(Ucs2(u".."), 31), FileRec(Ucs2(u"a\\b;1"), 101, 1),
                  FileRec(Ucs2(u"ok;1"), 102, 1)});
    // A second sector that cannot be read ends the directory; the third is not reached.
    PutRec(disc.Sector(32), FileRec(Ucs2(u"unreached;1"), 103, 1));
    disc.Unreadable = {31};
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    // A separator in a name is made safe, not followed.
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"a_b.", "ok."}));
    const std::string bad = std::string(ImportBadNameText) + "\n\r\\";
    EXPECT_EQ(Errors(), (std::vector<std::string>{bad, bad + "..",
                                                  std::string(ImportUnreadableText) + "\n\r\\ (SECTOR 31)"}));
    EXPECT_EQ(b.ImportLeftOut, 3);
}

TEST_F(ImportTest, OnlyTheFinalVersionIsCutAndMadeUpNamesLoseTheSeparator) {
    OneSession();
    PutDescriptor(disc, 16, 2, 30);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 30, 30,
                 {FileRec(Ucs2(u"v;1.txt;1"), 100, 1), FileRec(Ucs2(u"v;2.txt;1"), 101, 1),
                  FileRec(Ucs2(u"plain.txt"), 102, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"v;1.txt", "v;2.txt", "plain.txt"}));
    EXPECT_EQ(Entry(Root(), "v;1.txt")->ShortName, "V_1.TXT");
}

// Rock Ridge: SP on the root's "." record, NM names (one continued in a CE area), a
// directory relocated into a folder of its own (RE there, CL where it belongs).
TEST_F(ImportTest, RockRidgeNamesAndRelocatedDirectories) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    auto nm = [](const std::string& name, uint8_t flags = 0) {
        return std::string("NM") + char(5 + name.size()) + '\1' + char(flags) + name;
    };
    std::string ce = std::string("CE\x1c\1") + std::string(24, '\0');
    ce[4] = 40, ce[12] = 100, ce[20] = 14; // sector 40, offset 100, 14 bytes
    std::string cl = std::string("CL\x0c\1") + std::string(8, '\0');
    cl[4] = 23;
    const std::string sp("SP\x07\1\xbe\xef\0", 7);
    std::vector<Rec> root = {FileRec("MIXEDCAS.TXT;1", 100, 1), FileRec("CONTINUE.TXT;1", 101, 1),
                             DirRec("A", 21), DirRec("RR_MOVED", 22)};
    root[0].SystemUse = nm("MixedCase.txt");
    root[1].SystemUse = nm("Cont", 1) + ce;
    root[2].SystemUse = nm("a");
    root[3].SystemUse = nm("rr_moved");
    Rec dot = DirRec(std::string(1, '\0'), 20);
    dot.SystemUse = sp;
    uint32_t at = PutRec(disc.Sector(20), dot);
    at += PutRec(disc.Sector(20) + at, DirRec(std::string(1, '\1'), 20));
    for (const Rec& r : root)
        at += PutRec(disc.Sector(20) + at, r);
    std::memcpy(disc.Sector(40) + 100, nm("inued.txt").data(), 14);
    Rec deep = FileRec("DEEP", 0, 0);
    deep.SystemUse = nm("deep") + cl;
    PutDirectory(disc, 21, 20, {deep});
    Rec moved = DirRec("DEEP", 23);
    moved.SystemUse = nm("deep") + "RE\x04\1";
    PutDirectory(disc, 22, 20, {moved});
    PutDirectory(disc, 23, 22, {FileRec("IN.TXT;1", 102, 1)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"MixedCase.txt", "Continued.txt", "a"}));
    ASSERT_NE(b.FindDir("\\A\\DEEP"), nullptr);
    EXPECT_EQ(Names(b.FindDir("\\A\\DEEP")), std::vector<std::string>{"IN.TXT"});
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ImportTest, BrokenJolietTreeFallsBackToTheIsoTree) {
    OneSession(0, 200);
    PutTwoTrees(disc);
    PutDescriptor(disc, 17, 2, 5000); // Joliet root beyond the disc
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"DOCS", "README.TXT"}));
    EXPECT_EQ(b.ImportLeftOut, 0);
    EXPECT_NE(Errors().back().find("IMPORTING ITS ISO 9660 TREE"), std::string::npos);

    // Both roots zeroed: nothing is taken, and that is counted.
    b.ClearFiles(100, 100);
    std::memset(disc.Sector(16) + 156, 0, 34);
    std::memset(disc.Sector(17) + 156, 0, 34);
    EXPECT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(b.ImportedFiles + b.ImportedFolders, 0);
    EXPECT_EQ(b.ImportLeftOut, 1);
    EXPECT_EQ(Errors().back(), std::string(ImportBadRootText) + "\n\rISO 9660");
}

TEST_F(ImportTest, FilesWhoseExtentsOverlapAreLeftOut) {
    OneSession();
    PutDescriptor(disc, 16, 1, 20);
    PutDescriptor(disc, 17, 255);
    PutDirectory(disc, 20, 20,
                 {FileRec("A.TXT;1", 100, 3 * SectorSize), FileRec("B.TXT;1", 102, 10),
                  FileRec("C.TXT;1", 110, 10), FileRec("LINK.TXT;1", 110, 10), FileRec("E.TXT;1", 0, 0),
                  FileRec("F.TXT;1", 0, 0)});
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    // A and B overlap; C and its hard link share one extent whole; empty files take none.
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"C.TXT", "LINK.TXT", "E.TXT", "F.TXT"}));
    EXPECT_EQ(b.ImportedFiles, 4);
    EXPECT_EQ(b.ImportLeftOut, 2);
    const std::string overlap = std::string(ImportOverlapText) + "\n\r\\";
    EXPECT_EQ(Errors(), (std::vector<std::string>{overlap + "A.TXT", overlap + "B.TXT"}));
}

TEST_F(ImportTest, ImportedFileReplacedByALocalFileOfTheSameName) {
    OneSession();
    PutTwoTrees(disc);
    b.ReplaceFile = true;
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    ASSERT_EQ(1, b.AddFileEntry(Root(), Listed("README.TXT", 9), "/src/README.TXT"));
    TFEntry* e = Entry(Root(), "README.TXT");
    ASSERT_NE(e, nullptr);
    EXPECT_FALSE(e->Imported);
    EXPECT_EQ(e->SourcePath(), "/src/README.TXT");
    EXPECT_EQ(b.FileCount(), 3);
}

TEST_F(ImportTest, OnAddFileSeesImportedFilesWithoutPath) {
    OneSession();
    PutTwoTrees(disc);
    std::vector<std::string> seen;
    b.OnAddFile = [&](void*, const std::string& full, std::string& longName, std::string&, TDateTime&, uint32_t,
                      int64_t size, bool& skip) {
        seen.push_back(full + "|" + longName + "|" + std::to_string(size));
        skip = longName == "ReadMe.txt";
    };
    ASSERT_TRUE(b.ImportSession(1, nullptr));
    EXPECT_EQ(seen, (std::vector<std::string>{"|a long \xc3\xbcmlaut name.txt|7", "|ReadMe.txt|5000"}));
    EXPECT_EQ(Names(Root()), std::vector<std::string>{"Docs"});
}

// A session written by this builder, importing a previous one, reads back as the same tree:
// files larger than one extent come back as one entry.
TEST_F(ImportTest, SessionWrittenByTheBuilderReadsBack) {
    const uint32_t piece = 0xFFFFF800, pieceSectors = piece / SectorSize;
    for (bool joliet : {true, false}) {
        SCOPED_TRACE(joliet);
        b.ClearFiles(100, 100);
        messages.clear();
        disc = MemoryDisc();
        disc.Tracks = {{0, 0}};
        PutDescriptor(disc, 16, 1, 20);
        PutDescriptor(disc, 17, 255);
        PutLE32At(disc.Sector(16) + 80, 101 + pieceSectors);
        std::vector<Rec> big = {FileRec("BIG.ISO;1", 100, piece),
                                FileRec("BIG.ISO;1", 100 + pieceSectors, 10)};
        big[0].Flags = 0x80;
        PutDirectory(disc, 20, 20, {DirRec("DOCS", 21), big[0], big[1]});
        PutDirectory(disc, 21, 20, {FileRec("A.TXT;1", 90, 3)});
        ASSERT_TRUE(b.ImportSession(1, nullptr));
        ASSERT_EQ(1, b.AddFileEntry(b.FindDir("\\DOCS"), Listed("New File.txt", 5), "/src/New File.txt"));

        // The second session starts after the first one's data.
        disc.NextWritable = 0x400200;
        b.JolietFileSystem = joliet;
        b.WritingImage = true;
        ASSERT_TRUE(b.PrepareImage(false, nullptr));
        ASSERT_TRUE(b.GenerateImage(false, nullptr));
        ASSERT_EQ(b.StartAddress, disc.NextWritable);
        for (uint64_t i = 0; i * SectorSize < b.HeaderStream.Size(); ++i)
            std::memcpy(disc.Sector(b.StartAddress + static_cast<uint32_t>(i)), b.HeaderStream.Data() + i * SectorSize,
                        SectorSize);
        disc.Tracks.push_back({b.StartAddress, static_cast<uint32_t>(b.ImageSectorCount)});
        const uint32_t newFile = b.FirstFileLocation + b.FindDir("\\DOCS")->FirstEntry->Next->IsoLocation;

        b.ClearFiles(100, 100);
        ASSERT_TRUE(b.ImportSession(-1, nullptr));
        EXPECT_EQ(Names(Root()), (std::vector<std::string>{"DOCS", "BIG.ISO"}));
        TFEntry* e = Entry(Root(), "BIG.ISO");
        EXPECT_EQ(e->IsoLocation, 100u);
        EXPECT_EQ(e->IsoSize, uint64_t(piece) + 10);
        TDEntry* docs = b.FindDir("\\DOCS");
        ASSERT_NE(docs, nullptr);
        const std::string newName = joliet ? "New File.txt" : "NEW FILE.TXT";
        ASSERT_EQ(Names(docs), (std::vector<std::string>{"A.TXT", newName}));
        EXPECT_EQ(Entry(docs, "A.TXT")->IsoLocation, 90u);
        EXPECT_EQ(Entry(docs, newName)->IsoLocation, newFile);
        EXPECT_EQ(Entry(docs, newName)->IsoSize, 5u);
        EXPECT_TRUE(Errors().empty());
    }
}

} // namespace
} // namespace scrivo::test
