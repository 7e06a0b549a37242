#include "TempDir.h"
#include "platform/FolderWalk.h"
#include <gtest/gtest.h>

namespace scrivo {
namespace {

using test::TempDir;

std::string Flat(const std::vector<FileListing>& l) {
    std::string s;
    for (const FileListing& f : l)
        s += f.Name + "|" + f.AltName + "|" + std::to_string(f.Size) + "|" + std::to_string(f.Attr) + "\n";
    return s;
}

// The walk's listings, read ahead on its thread, are those of the folders listed there and
// then, in depth-first order, when the walker leaves a subtree out, and when it asks out of
// order.
TEST(FolderWalkThread, ListsAsListDirectoryWhereverTheWalkerGoes) {
    TempDir dir;
    for (const char* d : {"b", "b/deep", "b/deep/er", "A", "A/x", "c"})
        dir.MakeDir(d);
    for (const char* f :
         {"top.txt", "b/one", "b/deep/two.txt", "b/deep/er/3", "A/x/long file name.text", "c/4"})
        dir.MakeFile(f, f);
    const std::string root = dir.Path() + PathDelim;
    auto expect = [](const std::string& folder) { return Flat(ListDirectory(folder, "*.*", faAnyFile)); };
    {
        TFolderWalk walk(root, ListingMode::Files);
        // Every folder, in listing order ("A" before "b"), leaving "b/deep" and below out.
        for (const char* f : {"", "A/", "A/x/", "b/", "c/"})
            EXPECT_EQ(Flat(walk.List(root + f)), expect(root + f)) << f;
        EXPECT_EQ(Flat(walk.List(root + "b/deep/")), expect(root + "b/deep/")); // out of order
    }
    TFolderWalk abandoned(root, ListingMode::Files); // ends while reading ahead
    EXPECT_EQ(Flat(abandoned.List(root)), expect(root));
}

} // namespace
} // namespace scrivo
