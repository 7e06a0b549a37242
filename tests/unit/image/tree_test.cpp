// The file tree: adding, finding, replacing, removing, capacities and destinations.
#include "ImageTestSupport.h"
#include "image/bvISOLib_tree.h"
#include <filesystem>
#include <fstream>

namespace scrivo::test {
namespace {

namespace fs = std::filesystem;

class ImageTree : public ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        src = fs::temp_directory_path() / ("scrivo_tree_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(src);
        fs::create_directories(src);
    }
    void TearDown() override { fs::remove_all(src); }
    std::string Make(const std::string& rel, size_t size = 3) {
        fs::path p = (src / rel).make_preferred();
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
        return p.string();
    }
    std::vector<std::string> Names(const TDEntry* d) {
        std::vector<std::string> v;
        for (const TFEntry* e = d->FirstEntry; e; e = e->Next) v.push_back(e->LongName);
        return v;
    }
    fs::path src;
};

TEST_F(ImageTree, ClearFilesMakesTheRoot) {
    TDEntry* r = Root();
    EXPECT_EQ("CD_ROOT", r->ShortName);
    EXPECT_EQ("CD Root Directory", r->LongName);
    EXPECT_EQ("\\", r->Path);
    EXPECT_EQ(1, r->Level);
    EXPECT_EQ(r, r->Parent);
    EXPECT_EQ(0, b.DirectoryCount());
    EXPECT_EQ(0, b.FileCount());
}

TEST_F(ImageTree, FileWithoutDotGetsATrailingDot) {
    TFEntry* e = File(Root(), "README");
    EXPECT_EQ("README.", e->LongName);
    EXPECT_EQ("README.", e->ShortName);
    TFEntry* f = File(Root(), "notes.txt");
    EXPECT_EQ("notes.txt", f->LongName);
    EXPECT_EQ("NOTES.TXT", f->ShortName);
}

TEST_F(ImageTree, DuplicateLongNamesFollowReplaceFile) {
    TFEntry* first = File(Root(), "a.txt", 10);
    File(Root(), "b.txt");
    EXPECT_EQ(0, b.AddFileEntry(Root(), Listed("A.TXT", 20), "/other/A.TXT")); // same name, other case
    EXPECT_EQ(10u, first->IsoSize);
    b.ReplaceFile = true;
    EXPECT_EQ(1, b.AddFileEntry(Root(), Listed("A.TXT", 20), "/other/A.TXT"));
    EXPECT_EQ(first, Root()->FirstEntry); // reused in place
    EXPECT_EQ("A.TXT", first->LongName);
    EXPECT_EQ(20u, first->IsoSize);
    EXPECT_EQ("/other/A.TXT", first->SourcePath());
    EXPECT_EQ((std::vector<std::string>{"A.TXT", "b.txt"}), Names(Root()));
    EXPECT_EQ(2, b.FileCount());
}

TEST_F(ImageTree, ReplaceImportedUpdatesImportedFilesOnlyAndNamesTakenAreReported) {
    ASSERT_EQ(1, b.AddFileEntry(Root(), Listed("old.txt", 5), "", 700u));
    TFEntry* local = File(Root(), "new.txt", 3);
    std::vector<std::string> taken;
    b.OnNameTaken = [&](const TFEntry& e, const std::string& full) {
        taken.push_back(e.SourcePath() + "|" + full);
    };
    b.ReplaceImported = true;
    EXPECT_EQ(1, b.AddFileEntry(Root(), Listed("OLD.TXT", 9), "/v2/OLD.TXT"));
    TFEntry* e = Root()->FirstEntry;
    EXPECT_FALSE(e->Imported);
    EXPECT_EQ("/v2/OLD.TXT", e->SourcePath());
    EXPECT_EQ(9u, e->IsoSize);
    EXPECT_EQ(1, b.ReplacedImported);
    // A file added earlier is not replaced: the clash is reported.
    EXPECT_EQ(0, b.AddFileEntry(Root(), Listed("new.txt", 4), "/b/new.txt"));
    EXPECT_EQ(3u, local->IsoSize);
    EXPECT_EQ(taken, std::vector<std::string>{"/src/new.txt|/b/new.txt"});
    b.ClearFiles(10, 10);
    EXPECT_EQ(0, b.ReplacedImported);
}

TEST_F(ImageTree, AFileDoesNotReplaceAFolderOfTheSameName) {
    TDEntry* d = Dir(Root(), "DATA.BIN");
    b.ReplaceFile = true;
    EXPECT_EQ(0, b.AddFileEntry(Root(), Listed("data.bin"), "/x/data.bin"));
    EXPECT_EQ(d, Root()->FirstEntry->Dir);
    ASSERT_EQ(1u, messages.size());
    EXPECT_NE(std::string::npos, messages[0].first.find("A FOLDER OF THAT NAME EXISTS"));
}

TEST_F(ImageTree, AddFileEventSeesPresetSkipAndMayRename) {
    std::vector<bool> skips;
    b.OnAddFile = [&](void* sender, const std::string& full, std::string& ln, std::string& sn, TDateTime& dt,
                      uint32_t, int64_t size, bool& skip) {
        EXPECT_EQ(&b, sender);
        skips.push_back(skip);
        if (ln == "rename.me") {
            ln = "Renamed.txt";
            sn = "renamed.txt";
            dt = 1.5;
            EXPECT_EQ("/src/rename.me", full);
            EXPECT_EQ(7, size);
        }
    };
    EXPECT_EQ(0, b.AddFileEntry(Root(), Listed(std::string(106, 'a') + ".txt"), "/s")); // 110 characters
    b.AddFileEntry(Root(), Listed(std::string(105, 'a') + ".txt"), "/s");                // 109 characters
    TFEntry* e = File(Root(), "rename.me", 7);
    EXPECT_EQ((std::vector<bool>{true, false, false}), skips);
    EXPECT_EQ("Renamed.txt", e->LongName);
    EXPECT_EQ("RENAMED.TXT", e->ShortName);
    EXPECT_EQ(1.5, e->DateTime);
    EXPECT_NE(nullptr, FindEntry(Root(), "renamed.TXT"));
}

TEST_F(ImageTree, NamesTooLongForAJolietRecordAreRefusedWithAMessage) {
    b.OnAddFile = [](void*, const std::string&, std::string&, std::string&, TDateTime&, uint32_t, int64_t,
                     bool& skip) { skip = false; };
    EXPECT_EQ(0, b.AddFileEntry(Root(), Listed(std::string(105, 'a') + ".txt"), "/s/long")); // 109: too long
    EXPECT_EQ(1, b.AddFileEntry(Root(), Listed(std::string(104, 'a') + ".txt"), "/s/ok"));   // 108 fits
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(">>> SKIPPING FILE /s/long: NAME TOO LONG FOR A DIRECTORY RECORD (AT MOST 108 CHARACTERS FOR JOLIET)",
              messages[0].first);
    EXPECT_EQ(nullptr, Dir(Root(), std::string(111, 'd')));
    EXPECT_NE(nullptr, Dir(Root(), std::string(110, 'd')));
    EXPECT_EQ(2u, messages.size());
    EXPECT_EQ(0, messages[1].second);
}

TEST_F(ImageTree, ItemsLeftOutAreToldToTheirListenerElseLogged) {
    const std::string gone = (src / "gone").string();
    EXPECT_EQ(0, b.AddDir(Root(), gone, "*.*", 63, true, false, false));
    EXPECT_EQ(0, b.AddDir(Root(), gone, "*.*", 63, false, false, false));
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(0u, messages[0].first.rfind(">>> SKIPPING FOLDER " + gone + ": CANNOT BE READ (", 0)) << messages[0].first;

    std::vector<std::string> told;
    b.OnLeftOut = [&](const std::string& source, const std::string& why) { told.push_back(source + ": " + why); };
    b.AddDir(Root(), gone, "*.*", 63, true, false, false);
    b.AddFileEntry(Root(), Listed(std::string(106, 'a') + ".txt"), "/s/110");
    b.AddFileEntry(Root(), Listed(std::string(105, 'a') + ".txt"), "/s/109");
    Make("top/" + std::string(111, 'd') + "/x.txt");
    b.AddDir(Root(), (src / "top").string(), "*.*", 63, true, false, false);
    ASSERT_EQ(4u, told.size());
    EXPECT_EQ(0u, told[0].rfind(gone + ": the folder cannot be read (", 0)) << told[0];
    EXPECT_EQ("/s/110: its name has 110 characters, too many for the disc (at most 109)", told[1]);
    EXPECT_EQ("/s/109: its name is too long for a directory record (at most 108 characters with Joliet)", told[2]);
    EXPECT_EQ(0u, told[3].rfind((src / "top").string() + PathDelim + std::string(111, 'd') + ": its name is too long", 0))
        << told[3];
    EXPECT_EQ(2u, messages.size()) << "a listener's items are not logged as well";
}

// Entries taken out of a large folder's index in any order leave every other one findable
// (the index moves entries within its probe runs).
TEST(ImageNameIndex, FindsWhatStaysAfterEntriesLeave) {
    TDEntry d;
    std::vector<std::unique_ptr<TFEntry>> all;
    for (int k = 0; k < 3000; ++k) {
        all.push_back(std::make_unique<TFEntry>());
        all.back()->LongName = "name" + std::to_string(k) + ".txt";
        AppendEntry(&d, all.back().get());
    }
    for (int i = 0; i < 1000; ++i) // every third entry, in a scrambled order
        UnlinkEntry(&d, all[size_t(i * 1237 % 1000 * 3)].get());
    for (int k = 0; k < 3000; ++k)
        EXPECT_EQ(FindEntry(&d, "NAME" + std::to_string(k) + ".TXT"), k % 3 ? all[size_t(k)].get() : nullptr)
            << k;
}

TEST_F(ImageTree, FileCapacityRefusesWithItsMessage) {
    b.ClearFiles(2, 10);
    Make("three/a.txt");
    Make("three/b.txt");
    Make("three/c.txt");
    Make("three/d.txt");
    EXPECT_EQ(0, b.AddDir(Root(), (src / "three").string(), "*.*", 63, false, false, false));
    EXPECT_EQ(2, b.FileCount());
    // Said once for the tree, however many items it refuses after that.
    b.AddDir(Root(), (src / "three").string(), "*.*", 63, false, false, false);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ("MAXIMUM FILES CAN BE 2", messages[0].first);
    EXPECT_EQ(3, messages[0].second);
    b.ClearFiles(1, 10);
    b.AddDir(Root(), (src / "three").string(), "*.*", 63, false, false, false);
    EXPECT_EQ(2u, messages.size()); // a new tree says it again
}

TEST_F(ImageTree, DirectoryCapacityRefusesWithItsMessage) {
    b.ClearFiles(100, 2);
    EXPECT_NE(nullptr, Dir(Root(), "ONE"));
    EXPECT_EQ(nullptr, Dir(Root(), "TWO"));
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(">>> MAXIMUM DIRECTORIES CAN BE 2", messages[0].first);
    EXPECT_EQ(3, messages[0].second);
    EXPECT_EQ(1, b.DirectoryCount());
    EXPECT_EQ(1, b.FileCount()); // no stray file entry for the refused folder
}

TEST_F(ImageTree, FindDirAndDestinations) {
    TDEntry* docs = b.MakeDestinationPath("\\Docs\\My Letters\\");
    ASSERT_NE(nullptr, docs);
    EXPECT_EQ("\\DOCS\\MY LETTERS", docs->Path);
    EXPECT_EQ("MY_LETTERS", docs->ShortName);
    EXPECT_EQ("My Letters", docs->LongName);
    EXPECT_EQ(3, docs->Level);
    EXPECT_EQ(Root(), b.FindDir(""));
    EXPECT_EQ(Root(), b.FindDir("\\"));
    EXPECT_EQ(docs->Parent, b.FindDir("\\docs\\"));
    EXPECT_EQ(nullptr, b.FindDir("DOCS"));
    EXPECT_EQ(docs, b.MakeDestinationPath("\\DOCS\\MY LETTERS"));
    EXPECT_EQ(2, b.DirectoryCount());
    // No folder of the disc is named "." or "..": readers take them for another.
    for (const char* climbing : {"..\\..", "\\Docs\\.", "\\Docs\\..\\x"})
        EXPECT_EQ(nullptr, b.MakeDestinationPath(climbing)) << climbing;
    EXPECT_EQ(2, b.DirectoryCount());

    std::string f = Make("x.txt");
    EXPECT_EQ(0, b.AddFile("DOCS", f, false));
    EXPECT_EQ("INVALID DESTINATION PATH", messages.back().first);
    EXPECT_EQ(4, messages.back().second);
    EXPECT_EQ(1, b.AddFile("\\DOCS\\", f, false));
    EXPECT_EQ(-1, b.AddFile("\\DOCS\\", (src / "missing.txt").string(), false));
    EXPECT_EQ(-1, b.AddFile("\\DOCS\\", src.string(), false)); // a folder is no file
    EXPECT_EQ((std::vector<std::string>{"My Letters", "x.txt"}), Names(b.FindDir("\\DOCS")));
}

TEST_F(ImageTree, KeepSourcePathRecreatesTheFolders) {
    std::string f = Make("k/l/m.txt");
    ASSERT_EQ(1, b.AddFile("\\", f, true));
    // The folder's local path, less a Windows drive, with "\" between folders.
    std::string disc = (src / "k" / "l").string().substr(PathDelim == '\\' ? 2 : 0);
    for (char& c : disc)
        if (c == PathDelim) c = '\\';
    TDEntry* d = b.FindDir(disc);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ("m.txt", d->FirstEntry->LongName);

    b.ClearFiles(100, 100);
    b.KeepLastFolderOnly = true;
    ASSERT_EQ(1, b.AddFile("\\", f, true));
    ASSERT_NE(nullptr, b.FindDir("\\L"));
    EXPECT_EQ(1, b.DirectoryCount());

    // A folder's path goes below the destination folder.
    b.ClearFiles(100, 100);
    b.KeepLastFolderOnly = false;
    TDEntry* into = b.MakeDestinationPath("\\Backup");
    ASSERT_EQ(1, b.AddDir(into, (src / "k" / "l").string(), "", 63, false, true, false));
    EXPECT_NE(nullptr, b.FindDir("\\BACKUP" + disc));
}

TEST_F(ImageTree, RecursiveAddPrunesEmptyFoldersAndKeepsGoing) {
    Make("top/a/one.txt");
    fs::create_directories(src / "top" / "b" / "deeper");
    Make("top/b/skipme.txt");
    Make("top/c/two.txt");
    Make("top/three.txt");
    b.OnAddFile = [](void*, const std::string&, std::string& ln, std::string&, TDateTime&, uint32_t, int64_t,
                     bool& skip) { skip = ln == "skipme.txt"; };
    std::vector<std::string> offered;
    b.OnAddDir = [&](void*, std::string& ln, std::string& sn, bool&) {
        offered.push_back(ln + "/" + sn);
        if (ln == "c") ln = "Renamed";
    };
    EXPECT_EQ(1, b.AddDir(Root(), (src / "top").string(), "*.*", 63, true, false, false));
    EXPECT_EQ((std::vector<std::string>{"a/A", "b/B", "deeper/DEEPER", "c/C"}), offered);
    EXPECT_EQ((std::vector<std::string>{"a", "Renamed", "three.txt"}), Names(Root()));
    EXPECT_EQ(nullptr, b.FindDir("\\B"));
    EXPECT_EQ(2, b.DirectoryCount());
    EXPECT_EQ(5, b.FileCount());
    EXPECT_EQ(3u, FileTables().IsoDirs.size());
}

TEST_F(ImageTree, MaskSelectsFilesAndSubfoldersAreNotFiles) {
    Make("m/a.txt");
    Make("m/c.dat");
    Make("m/b.TXT");
    Make("m/sub.txt/inner.txt");
    std::string folder = (src / "m").string() + PathDelim;
    EXPECT_EQ(1, b.AddDir(Root(), folder, "*.txt", 63, false, false, false));
    EXPECT_EQ((std::vector<std::string>{"a.txt", "b.TXT"}), Names(Root()));
    EXPECT_EQ(folder + "a.txt", Root()->FirstEntry->SourcePath());
}

TEST_F(ImageTree, RemoveEntryTakesAFolderWithEverythingBelow) {
    TDEntry* a = Dir(Root(), "A");
    TDEntry* ab = Dir(a, "B");
    File(ab, "deep.txt");
    File(a, "mid.txt");
    TDEntry* z = Dir(Root(), "Z");
    File(Root(), "top.txt");
    EXPECT_FALSE(b.RemoveEntry("\\", "nothing"));
    EXPECT_TRUE(b.RemoveEntry("\\", "a")); // case does not matter
    EXPECT_EQ(nullptr, b.FindDir("\\A\\B"));
    EXPECT_EQ((std::vector<std::string>{"Z", "top.txt"}), Names(Root()));
    const TFileTables& t = FileTables();
    EXPECT_EQ((std::vector<TDEntry*>{Root(), z}), t.Dirs);
    EXPECT_EQ(t.Dirs, t.IsoDirs);
    EXPECT_EQ(t.Dirs, t.JolietDirs);
    ASSERT_EQ(2u, t.Files.size());
    EXPECT_EQ("Z", t.Files[0]->LongName);
    EXPECT_EQ("top.txt", t.Files[1]->LongName);
    // The list's tail and index stay right for later additions.
    File(Root(), "after.txt");
    EXPECT_TRUE(b.RemoveEntry("\\", "TOP.TXT"));
    EXPECT_EQ((std::vector<std::string>{"Z", "after.txt"}), Names(Root()));
    File(Root(), "last.txt");
    EXPECT_EQ("last.txt", Root()->LastEntry->LongName);
}

TEST(EntryPool, AnEntryGivenBackComesBackBlank) {
    TEntryPool pool;
    TFEntry* e = pool.New();
    e->LongName = std::string(300, 'n'); // held outside the entry
    e->IsoSize = 7;
    e->Link = true;
    pool.Delete(e);
    TFEntry* again = pool.New(); // its place, except under AddressSanitizer
    EXPECT_TRUE(again->LongName.empty());
    EXPECT_EQ(0u, again->IsoSize);
    EXPECT_FALSE(again->Link);
    EXPECT_NE(again, pool.New());
}

#if defined(__SANITIZE_ADDRESS__)
TEST(EntryPool, ARemovedEntryIsUnreadableUnderAddressSanitizer) {
    TEntryPool pool;
    TFEntry* e = pool.New();
    pool.Delete(e);
    EXPECT_DEATH((void)*static_cast<volatile uint64_t*>(&e->IsoSize), "use-after-poison");
}
#endif

} // namespace
} // namespace scrivo::test
