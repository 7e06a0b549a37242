// Disc identifiers, record lengths and the path-table order of directories.
#include "ImageTestSupport.h"
#include "image/bvISOLib_names.h"
#include <cstdio>
#include <functional>
#include <set>

namespace scrivo::test {
namespace {

TEST(ImageNames, MadeUpShortNamesAreUpperCaseCutAndMapped) {
    EXPECT_EQ("MY_FOLDER", MadeUpShortName("my folder"));
    EXPECT_EQ("ABCDEFGHIJKLM", MadeUpShortName("abcdefghijklmnop"));
    EXPECT_EQ("A-B_C_", MadeUpShortName("a-b{c~")); // above "z" becomes "_", "-" stays
    EXPECT_EQ("_X", MadeUpShortName("\xC3\xA9x"));  // one character, one "_"
}

TEST(ImageNames, RecordLengthsOfIdentifiers) {
    EXPECT_EQ(40u, DirRecordLength(7));  // A.TXT;1
    EXPECT_EQ(42u, DirRecordLength(8));  // AB.TXT;1 and a pad byte
    EXPECT_EQ(50u, DirRecordLength(16)); // ab.txt;1 in UCS-2
    EXPECT_EQ(34u, DirRecordLength(1));  // "." and ".."
}

TEST(ImageNames, JolietRecordLimitIs108CharactersForFilesAnd110ForFolders) {
    EXPECT_TRUE(NamesFitRecords("X", std::string(108, 'a'), true));
    EXPECT_FALSE(NamesFitRecords("X", std::string(109, 'a'), true));
    EXPECT_TRUE(NamesFitRecords("X", std::string(110, 'a'), false));
    EXPECT_FALSE(NamesFitRecords("X", std::string(111, 'a'), false));
    // A character outside the BMP takes two UTF-16 units.
    EXPECT_FALSE(NamesFitRecords("X", std::string(107, 'a') + "\xF0\x9F\x98\x80", true));
    EXPECT_FALSE(NamesFitRecords(std::string(221, 'A'), "a", true)); // ISO record too
}

TEST(ImageNames, NumberedNamesStayWithinTheirLimits) {
    EXPECT_EQ("ABCDEF~1.TXT", NumberedShortName("ABCDEFGH.TXT", true, 1)); // 8-character base
    EXPECT_EQ("AB~1.C", NumberedShortName("AB.C", true, 1));
    EXPECT_EQ("ABCD~100.TXT", NumberedShortName("ABCDEFGH.TXT", true, 100));
    EXPECT_EQ("README~1.", NumberedShortName("README.", true, 1));           // no extension
    EXPECT_EQ("FOLDER~1", NumberedShortName("FOLDER.X", false, 1));          // a folder's dot is no extension
    EXPECT_EQ("FILE_WITH_A~1", NumberedShortName("FILE_WITH_A_L", true, 1)); // 13 characters
    EXPECT_EQ("LONG_NAME~12.TXT", NumberedShortName("LONG_NAME_XY.TXT", true, 12)); // own length
    EXPECT_EQ("ABCDE~2.TXT", NumberedShortName("ABCDE~1.TXT", true, 2));            // its tail replaced
}

TEST_F(ImageTest, IsoIdentifiersBecomeUniqueWithinEachDirectory) {
    TDEntry* sub = b.CreateDirectory(Root(), Listed("Sub", 0, faDirectory, "SAME"));
    b.CreateDirectory(Root(), Listed("Sub2", 0, faDirectory, "SAME"));
    const std::string shortNames[] = {"SAME", "PHOTO~1.JPG", "PHOTO~1.JPG", "PHOTO~2.JPG", "ALONE.TXT"};
    int i = 0;
    for (const std::string& alt : shortNames)
        ASSERT_EQ(1, b.AddFileEntry(Root(), Listed("f" + std::to_string(i++), 1, faArchive, alt), "/s"));
    for (int k = 0; k < 101; ++k) // 101 files of one 13-character name in a subfolder
        ASSERT_EQ(1,
                  b.AddFileEntry(sub, Listed("g" + std::to_string(k), 1, faArchive, "FILE_WITH_A_L"), "/s"));
    ASSERT_EQ(1, b.AddFileEntry(sub, Listed("ok", 1, faArchive, "SAME.TXT"), "/s"));
    MakeNamesUnique(FileTables());

    std::vector<std::string> root;
    for (TFEntry* e = Root()->FirstEntry; e; e = e->Next)
        root.push_back(e->ShortName);
    // A file and a folder of one name differ by the version suffix; names that collide with
    // none stay; the first of equal names keeps its name; numbers skip names in use.
    EXPECT_EQ(root, (std::vector<std::string>{"SAME", "SAME~1", "SAME", "PHOTO~1.JPG", "PHOTO~3.JPG",
                                              "PHOTO~2.JPG", "ALONE.TXT"}));
    EXPECT_EQ("SAME~1", b.FindDir("\\SUB2")->ShortName); // the path-table name follows
    std::set<std::string> inSub;
    for (TFEntry* e = sub->FirstEntry; e; e = e->Next)
        EXPECT_TRUE(inSub.insert(e->ShortName).second) << e->ShortName;
    EXPECT_EQ(1u, inSub.count("FILE_WITH_A_L"));
    EXPECT_EQ(1u, inSub.count("FILE_WITH_A~9"));
    EXPECT_EQ(1u, inSub.count("FILE_WITH_~10"));
    EXPECT_EQ(1u, inSub.count("FILE_WITH~100"));
    EXPECT_EQ(1u, inSub.count("SAME.TXT"));
    EXPECT_EQ("f2.", Root()->FirstEntry->Next->Next->Next->Next->LongName); // Joliet names untouched

    // A second layout finds nothing to change.
    const std::vector<std::string> before = root;
    MakeNamesUnique(FileTables());
    root.clear();
    for (TFEntry* e = Root()->FirstEntry; e; e = e->Next)
        root.push_back(e->ShortName);
    EXPECT_EQ(before, root);
}

// Names only Rock Ridge records whole: in the Joliet tree two that share their first 110
// characters must not read alike, or readers of that tree show one file of the two.
TEST_F(ImageTest, CutJolietNamesStayUniqueAndKeepTheirExtension) {
    b.RockRidge = true;
    const std::string stem(150, 'a');
    for (const char* tail : {"_one.txt", "_two.txt", "_three.TXT"})
        File(Root(), stem + tail);
    Dir(Root(), stem + "_dir1");
    Dir(Root(), stem + "_dir2");
    // A whole name the first cut would read like (case aside) keeps it.
    Dir(Root(), std::string(106, 'A') + ".txt");
    File(Root(), std::string(105, 'a') + "\xF0\x9F\x98\x80xyz.txt"); // a pair across the cut
    MakeNamesUnique(FileTables());

    std::set<std::u16string> shown;
    for (const auto& [entry, cut] : FileTables().JolietNames) {
        EXPECT_LE(cut.size(), 110u);
        EXPECT_TRUE(shown.insert(cut).second);
    }
    ASSERT_EQ(6u, shown.size());
    EXPECT_EQ(1u, shown.count(std::u16string(104, u'a') + u"~1.txt"));
    EXPECT_EQ(1u, shown.count(std::u16string(104, u'a') + u"~2.txt"));
    EXPECT_EQ(1u, shown.count(std::u16string(104, u'a') + u"~3.TXT"));
    EXPECT_EQ(1u, shown.count(std::u16string(150, u'a').substr(0, 110)));
    EXPECT_EQ(1u, shown.count(std::u16string(108, u'a') + u"~1"));
    EXPECT_EQ(1u, shown.count(std::u16string(105, u'a') + u".txt")); // the pair left out whole
}

class ImageOrder : public ImageTest {
  protected:
    std::vector<std::string> Order(bool joliet) {
        std::vector<std::string> names;
        for (TDEntry* d : joliet ? FileTables().JolietDirs : FileTables().IsoDirs) {
            EXPECT_EQ(names.size() + 1, d->Number);
            names.push_back(d->Path);
        }
        return names;
    }
    void Run() { OrderDirectories(FileTables()); }
};

TEST_F(ImageOrder, SiblingsBySortedShortName) {
    Dir(Root(), "B");
    Dir(Root(), "A");
    Dir(Root(), "AB");
    Run();
    std::vector<std::string> want{"\\", "\\A", "\\AB", "\\B"};
    EXPECT_EQ(want, Order(false));
    EXPECT_EQ(want, Order(true));
}

TEST_F(ImageOrder, BreadthFirstByParentNumber) {
    Dir(Dir(Root(), "B"), "X");
    Dir(Dir(Root(), "A"), "Y");
    Run();
    std::vector<std::string> want{"\\", "\\A", "\\B", "\\A\\Y", "\\B\\X"};
    EXPECT_EQ(want, Order(false));
    EXPECT_EQ(want, Order(true));
}

TEST_F(ImageOrder, JolietTableFollowsShortNamesToo) {
    // Long names sort one way, short names the other.
    Dir(Root(), "zebra", "AAA");
    Dir(Root(), "apple", "ZZZ");
    Run();
    std::vector<std::string> want{"\\", "\\ZEBRA", "\\APPLE"};
    EXPECT_EQ(want, Order(false));
    EXPECT_EQ(want, Order(true));
}

TEST_F(ImageOrder, DeepAndWideTreeIsBreadthFirstAndParentsPrecedeChildren) {
    // Created depth first, in reverse name order, with five levels.
    std::function<void(TDEntry*, int)> grow = [&](TDEntry* d, int depth) {
        if (depth == 0) return;
        for (int i = 4; i >= 0; --i)
            grow(Dir(d, std::string(1, char('A' + i)) + std::to_string(depth)), depth - 1);
    };
    grow(Root(), 4);
    Run();
    const auto& iso = FileTables().IsoDirs;
    ASSERT_EQ(1u + 5 + 25 + 125 + 625, iso.size());
    for (size_t i = 1; i < iso.size(); ++i) {
        EXPECT_LT(iso[i]->Parent->Number, iso[i]->Number);
        EXPECT_LE(iso[i - 1]->Parent->Number, iso[i]->Parent->Number);
        if (i > 1 && iso[i - 1]->Parent == iso[i]->Parent) {
            EXPECT_LT(iso[i - 1]->ShortName, iso[i]->ShortName);
        }
        EXPECT_LE(iso[i - 1]->Level, iso[i]->Level);
        EXPECT_EQ(iso[i], FileTables().JolietDirs[i]);
    }
}

TEST_F(ImageOrder, DirectoriesNumberedFrom10000OnSettleInOrder) {
    // Text keys of four digits would put parent 10000 before 9999 and never settle.
    b.ClearFiles(65535, 20000);
    char name[16];
    for (int i = 0; i < 10003; ++i) {
        std::snprintf(name, sizeof name, "D%05d", i);
        Dir(Root(), name);
    }
    const auto& dirs = FileTables().Dirs;
    TDEntry* last = dirs[10003];
    TDEntry* before = dirs[9998];
    Dir(last, "CHILD");
    Dir(before, "CHILD");
    Run();
    const auto& iso = FileTables().IsoDirs;
    EXPECT_EQ(9999u, before->Number);
    EXPECT_EQ(10004u, last->Number);
    EXPECT_EQ(before, iso[10004]->Parent);
    EXPECT_EQ(last, iso[10005]->Parent);
}

TEST_F(ImageOrder, RootAloneAndOneChildKeepTheirPlaces) {
    Run();
    EXPECT_EQ(std::vector<std::string>{"\\"}, Order(false));
    Dir(Root(), "ONLY");
    Run();
    EXPECT_EQ((std::vector<std::string>{"\\", "\\ONLY"}), Order(true));
}

} // namespace
} // namespace scrivo::test
