#include "TempDir.h"
#include "platform/Files.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <set>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace scrivo {
namespace {

using test::TempDir;

std::vector<std::string> Names(const std::vector<FileListing>& l)
{
    std::vector<std::string> n;
    for (const FileListing& f : l)
        n.push_back(f.Name);
    return n;
}

const FileListing* Find(const std::vector<FileListing>& l, const std::string& name)
{
    for (const FileListing& f : l)
        if (f.Name == name)
            return &f;
    return nullptr;
}

TEST(ListDirectory, AttributesSizesAndTimes)
{
    TempDir dir;
    dir.MakeFile("data.bin", std::string(3000, 'x'));
    dir.MakeFile("empty.txt");
    dir.MakeDir("Sub");
    std::vector<FileListing> all = ListDirectory(dir.Path(), "*.*", faAnyFile);
    ASSERT_EQ(all.size(), 3u);
    const FileListing* data = Find(all, "data.bin");
    const FileListing* sub = Find(all, "Sub");
    ASSERT_TRUE(data && sub);
    EXPECT_EQ(data->Size, 3000u);
    EXPECT_EQ(data->Attr & (faDirectory | faHidden), 0u);
    EXPECT_EQ(sub->Attr & faDirectory, faDirectory);
    EXPECT_EQ(Find(all, "empty.txt")->Size, 0u);
    ASSERT_TRUE(data->TimeValid);
    EXPECT_LT(std::fabs(data->Time - Now()) * 86400, 600.0); // made a moment ago, local time
}

TEST(ListDirectory, AttributeFilterAndMask)
{
    TempDir dir;
    dir.MakeFile("a.txt");
    dir.MakeFile("b.doc");
    dir.MakeFile("README");
    dir.MakeDir("folder.txt");
    std::vector<std::string> files = Names(ListDirectory(dir.Path(), "*.*", faArchive));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"README", "a.txt", "b.doc"}));
    std::vector<std::string> txt = Names(ListDirectory(dir.Path(), "*.TXT", faAnyFile));
    std::sort(txt.begin(), txt.end());
    EXPECT_EQ(txt, (std::vector<std::string>{"a.txt", "folder.txt"}));
    EXPECT_TRUE(ListDirectory(dir / "missing", "*.*", faAnyFile).empty());
}

TEST(ListDirectory, AlternateNamesAreValidAndUnique)
{
    TempDir dir;
    for (const char* n : {"Long File Name One.txt", "Long File Name Two.txt", "SHORT.TXT", "lower.txt"})
        dir.MakeFile(n);
    std::set<std::string> shortNames;
    for (const FileListing& f : ListDirectory(dir.Path(), "*.*", faAnyFile)) {
        std::string s = f.AltName.empty() ? f.Name : f.AltName;
        EXPECT_TRUE(IsValid83Name(s)) << f.Name << " -> " << s;
        EXPECT_TRUE(shortNames.insert(s).second) << s;
        if (f.Name == "SHORT.TXT") {
            EXPECT_EQ(f.AltName, "");
        }
    }
    EXPECT_EQ(shortNames.size(), 4u);
}

TEST(FindFile, FilesFoldersAndMissing)
{
    TempDir dir;
    dir.MakeFile("Some Document.txt", "12345");
    dir.MakeDir("Folder");
    FileListing f;
    ASSERT_TRUE(FindFile(dir / "Some Document.txt", f));
    EXPECT_EQ(f.Name, "Some Document.txt");
    EXPECT_EQ(f.Size, 5u);
    EXPECT_TRUE(IsValid83Name(f.AltName));
    // The same alternate name as in the folder's listing.
    EXPECT_EQ(f.AltName, Find(ListDirectory(dir.Path(), "*.*", faAnyFile), "Some Document.txt")->AltName);
    ASSERT_TRUE(FindFile(dir / "Folder", f));
    EXPECT_EQ(f.Name, "Folder");
    EXPECT_EQ(f.Attr & faDirectory, faDirectory);
    ASSERT_TRUE(FindFile(dir / "Folder" + PathDelim, f));
    EXPECT_EQ(f.Name, "Folder");
    EXPECT_FALSE(FindFile(dir / "nothing.txt", f));
}

TEST(IsDevicePath, DevicesAndPipesAreNoFiles) {
    TempDir dir;
    dir.MakeFile("NULL.txt", "x");
    EXPECT_FALSE(IsDevicePath(dir / "NULL.txt"));
    EXPECT_FALSE(IsDevicePath(dir.Path()));
    EXPECT_FALSE(IsDevicePath(dir / "missing.txt"));
#ifdef _WIN32
    for (const char* name : {"NUL", "nul.txt", "AUX", "COM1", "lpt9.log", "CON ", "CONOUT$"})
        EXPECT_TRUE(IsDevicePath(dir / name)) << name;
    EXPECT_TRUE(IsDevicePath("\\\\.\\PhysicalDrive0"));
    EXPECT_TRUE(IsDevicePath("\\\\.\\pipe\\host"));
    EXPECT_FALSE(IsDevicePath(dir / "COM10"));
    EXPECT_FALSE(IsDevicePath(dir / "CONSOLE.txt"));
#else
    EXPECT_TRUE(IsDevicePath("/dev/null"));
#endif
}

#ifndef _WIN32
TEST(ListDirectory, PosixOrderHiddenDotFilesAndArchiveBit)
{
    TempDir dir;
    for (const char* n : {"b.txt", "A.txt", "_x", "Z", "a", ".hidden"})
        dir.MakeFile(n);
    dir.MakeDir(".config");
    std::vector<FileListing> all = ListDirectory(dir.Path(), "*.*", faAnyFile);
    // Ordinal order of the upper-cased names: "." < "A" < "A.TXT" < "B.TXT" < "Z" < "_X".
    EXPECT_EQ(Names(all), (std::vector<std::string>{".config", ".hidden", "a", "A.txt", "b.txt", "Z", "_x"}));
    EXPECT_EQ(Find(all, ".hidden")->Attr, faArchive | faHidden);
    EXPECT_EQ(Find(all, ".config")->Attr, faDirectory | faHidden);
    EXPECT_EQ(Find(all, "Z")->Attr, faArchive);
    EXPECT_EQ(Names(ListDirectory(dir.Path(), "*.*", faArchive | faDirectory)),
              (std::vector<std::string>{"a", "A.txt", "b.txt", "Z", "_x"}));
}

TEST(ListDirectory, PosixAlternateNamesFollowListingOrder)
{
    TempDir dir;
    for (const char* n : {"Documents.txt", "DOCUME~1.TXT", "documents 2.txt", "readme", "README"})
        dir.MakeFile(n);
    std::vector<FileListing> all = ListDirectory(dir.Path(), "*.*", faAnyFile);
    // "~" sorts after the letters, " " before ".".
    ASSERT_EQ(Names(all), (std::vector<std::string>{"documents 2.txt", "Documents.txt", "DOCUME~1.TXT", "README", "readme"}));
    EXPECT_EQ(all[0].AltName, "DOCUME~2.TXT"); // ~1 belongs to a real name
    EXPECT_EQ(all[1].AltName, "DOCUME~3.TXT");
    EXPECT_EQ(all[2].AltName, "");
    EXPECT_EQ(all[3].AltName, "");
    EXPECT_EQ(all[4].AltName, "README~1");
    // A mask does not change the names: they depend on the whole folder.
    std::vector<FileListing> one = ListDirectory(dir.Path(), "Documents.*", faAnyFile);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].AltName, "DOCUME~3.TXT");
    FileListing f;
    ASSERT_TRUE(FindFile(dir / "Documents.txt", f));
    EXPECT_EQ(f.AltName, "DOCUME~3.TXT");
}

TEST(FindFile, PosixAlternateNameFollowsChangesOfTheFolder)
{
    TempDir dir;
    dir.MakeFile("Long Name B.txt");
    FileListing f;
    ASSERT_TRUE(FindFile(dir / "Long Name B.txt", f));
    EXPECT_EQ(f.AltName, "LONGNA~1.TXT");
    // An old folder: its names may be kept between calls, until the folder changes.
    struct timespec old[2] = {{1577836800, 0}, {1577836800, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.Path().c_str(), old, 0), 0);
    ASSERT_TRUE(FindFile(dir / "Long Name B.txt", f));
    EXPECT_EQ(f.AltName, "LONGNA~1.TXT");
    dir.MakeFile("Long Name A.txt"); // sorts first and takes ~1
    ASSERT_TRUE(FindFile(dir / "Long Name B.txt", f));
    EXPECT_EQ(f.AltName, "LONGNA~2.TXT");
    ASSERT_TRUE(FindFile(dir / "Long Name A.txt", f));
    EXPECT_EQ(f.AltName, "LONGNA~1.TXT");
}

TEST(ListDirectory, PosixFollowsLinksAndSkipsWhatIsNoFile)
{
    TempDir dir;
    dir.MakeFile("target.bin", "1234567");
    dir.MakeDir("realdir");
    ASSERT_EQ(symlink((dir / "target.bin").c_str(), (dir / "link.bin").c_str()), 0);
    ASSERT_EQ(symlink((dir / "realdir").c_str(), (dir / "linkdir").c_str()), 0);
    ASSERT_EQ(symlink((dir / "gone").c_str(), (dir / "broken").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::vector<FileListing> all = ListDirectory(dir.Path(), "*.*", faAnyFile);
    EXPECT_EQ(Names(all), (std::vector<std::string>{"link.bin", "linkdir", "realdir", "target.bin"}));
    EXPECT_EQ(Find(all, "link.bin")->Size, 7u);
    EXPECT_EQ(Find(all, "linkdir")->Attr, faDirectory);
    FileListing f;
    EXPECT_TRUE(FindFile(dir / "link.bin", f));
    EXPECT_FALSE(FindFile(dir / "broken", f));
    EXPECT_FALSE(FindFile(dir / "pipe", f));
}
TEST(ListDirectory, PosixModesKeepLinksSpecialFilesAndFacts) {
    TempDir dir;
    dir.MakeFile("target.bin", "1234567");
    dir.MakeDir("realdir");
    ASSERT_EQ(chmod((dir / "target.bin").c_str(), 0640), 0);
    ASSERT_EQ(link((dir / "target.bin").c_str(), (dir / "hard.bin").c_str()), 0);
    ASSERT_EQ(symlink("target.bin", (dir / "link.bin").c_str()), 0);
    ASSERT_EQ(symlink("realdir", (dir / "linkdir").c_str()), 0);
    ASSERT_EQ(symlink("../gone", (dir / "broken").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct timespec times[2] = {{1000000000, 250000000}, {1200000000, 5}};
    ASSERT_EQ(utimensat(AT_FDCWD, (dir / "target.bin").c_str(), times, 0), 0);

    std::vector<FileListing> kept = ListDirectory(dir.Path(), "*.*", faAnyFile, ListingMode::Posix);
    EXPECT_EQ(Names(kept), (std::vector<std::string>{"broken", "hard.bin", "link.bin", "linkdir", "pipe",
                                                     "realdir", "target.bin"}));
    const FileListing* t = Find(kept, "target.bin");
    EXPECT_EQ(t->Posix.Mode, PosixRegular | 0640);
    EXPECT_EQ(t->Posix.Links, 2u);
    EXPECT_EQ(t->Posix.Uid, getuid());
    EXPECT_EQ(t->Posix.AccessTime, 1000000000);
    EXPECT_EQ(t->Posix.AccessNs, 250000000u);
    EXPECT_EQ(t->Posix.ModifyTime, 1200000000);
    EXPECT_EQ(t->Size, 7u);
    EXPECT_EQ(Find(kept, "hard.bin")->Posix.Inode, t->Posix.Inode);
    for (const char* name : {"link.bin", "linkdir", "broken"}) {
        const FileListing* l = Find(kept, name);
        EXPECT_EQ(l->Posix.Mode & PosixTypeMask, PosixSymlink) << name;
        EXPECT_EQ(l->Attr, faArchive) << name; // a link to a folder is not walked into
        EXPECT_EQ(l->Size, 0u) << name;
    }
    EXPECT_EQ(Find(kept, "broken")->LinkTarget, "../gone");
    EXPECT_EQ(Find(kept, "pipe")->Posix.Mode & PosixTypeMask, PosixFifo);

    std::vector<FileListing> followed =
        ListDirectory(dir.Path(), "*.*", faAnyFile, ListingMode::PosixFollowLinks);
    EXPECT_EQ(Find(followed, "link.bin")->Posix.Inode, t->Posix.Inode);
    EXPECT_EQ(Find(followed, "link.bin")->Size, 7u);
    EXPECT_TRUE(Find(followed, "link.bin")->LinkTarget.empty());
    EXPECT_EQ(Find(followed, "linkdir")->Attr, faDirectory);
    EXPECT_EQ(Find(followed, "broken")->LinkTarget, "../gone");
}

TEST(ListDirectory, PosixLeavesOutLinksBackUpTheTree)
{
    TempDir dir;
    dir.MakeDir("a");
    dir.MakeDir("other");
    std::string a = dir / "a";
    ASSERT_EQ(symlink(a.c_str(), (a + "/self").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path().c_str(), (a + "/up").c_str()), 0);
    ASSERT_EQ(symlink("/", (a + "/root").c_str()), 0);
    ASSERT_EQ(symlink((dir / "other").c_str(), (a + "/sideways").c_str()), 0);
    EXPECT_EQ(Names(ListDirectory(a, "*.*", faAnyFile)), (std::vector<std::string>{"sideways"}));
}
#endif

} // namespace
} // namespace scrivo
