#include "engine/bvStreamEx.h"
#include "TestFiles.h"
#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#endif

namespace scrivo {
namespace {

using test::Pattern;
using test::TempDir;

TEST(StreamEx, GetSizeOfEmptyAndLargeSparseFileKeepsPosition) {
    TempDir dir;
    {
        TFileStreamEx empty(dir.File("empty"), fmCreate);
        EXPECT_EQ(empty.GetSize(), 0);
    }
    TFileStreamEx big(dir.File("big"), fmCreate);
    const int64_t fiveGiB = 5368709120LL;
    big.SetSize(fiveGiB);
    EXPECT_EQ(big.Seek(12345, soFromBeginning), 12345);
    EXPECT_EQ(big.GetSize(), fiveGiB);
    EXPECT_EQ(big.Seek(0, soFromCurrent), 12345);
    // Positions beyond 4 GiB are reached and reported exactly.
    EXPECT_EQ(big.Seek(fiveGiB - 10, soFromBeginning), fiveGiB - 10);
    EXPECT_EQ(big.Seek(-4, soFromEnd), fiveGiB - 4);
    uint8_t tail[16];
    EXPECT_EQ(big.Read(tail, sizeof tail), 4u);
}

TEST(StreamEx, ReadPastTheEndAnswersWhatIsLeftThenZero) {
    TempDir dir;
    const auto data = Pattern(10, 1);
    TFileStreamEx s(dir.Write("ten", data), fmOpenReadShared);
    EXPECT_EQ(s.Seek(6, soFromBeginning), 6);
    uint8_t buf[10] = {};
    ASSERT_EQ(s.Read(buf, 10), 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), std::vector<uint8_t>(data.begin() + 6, data.end()));
    EXPECT_EQ(s.Read(buf, 10), 0u);
    EXPECT_EQ(s.Seek(-1, soFromBeginning), -1);
}

TEST(StreamEx, CreateReplacesAndWritesAtThePosition) {
    TempDir dir;
    const std::string path = dir.Write("f", Pattern(5000, 3));
    {
        TFileStreamEx s(path, fmCreate);
        EXPECT_EQ(s.GetSize(), 0);
        const auto data = Pattern(3, 9);
        EXPECT_EQ(s.Write(data.data(), 3), 3u);
        s.SetSize(100);
        EXPECT_EQ(s.GetSize(), 100);
        s.SetSize(2);
        EXPECT_EQ(s.GetSize(), 2);
    }
    TFileStreamEx r(path, fmOpenReadShared);
    uint8_t buf[4] = {};
    EXPECT_EQ(r.Read(buf, 4), 2u);
    EXPECT_EQ(buf[0], Pattern(3, 9)[0]);
}

TEST(StreamEx, SharedReaderOpensAFileThatIsBeingWritten) {
    TempDir dir;
    const std::string path = dir.File("growing");
    std::ofstream writer(path, std::ios::binary);
    writer << "first";
    writer.flush();
    TFileStreamEx reader(path, fmOpenReadShared);
    writer << "second";
    writer.flush();
    char buf[32] = {};
    EXPECT_EQ(reader.Read(buf, sizeof buf), 11u);
    EXPECT_EQ(std::string(buf, 11), "firstsecond");
    // A reader cannot change the file's size.
    EXPECT_THROW(reader.SetSize(0), EOSError);
}

#ifndef _WIN32
int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}
#endif

TEST(StreamEx, MissingFileFailsAtConstructionNamingIt) {
    TempDir dir;
    const std::string path = dir.File("no-such-file");
#ifndef _WIN32
    const int before = OpenDescriptors();
#endif
    try {
        TFileStreamEx s(path, fmOpenReadShared);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.FileName, path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_NE(e.ErrorCode, 0);
    }
#ifndef _WIN32
    EXPECT_EQ(OpenDescriptors(), before);
#endif
    EXPECT_THROW(TFileStreamEx(dir.File("missing-folder/f"), fmCreate), EFOpenError);
}

} // namespace
} // namespace scrivo
