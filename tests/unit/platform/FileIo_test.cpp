#include "TempDir.h"
#include "platform/Files.h"
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>

namespace scrivo {
namespace {

using test::TempDir;

struct Handle {
    FileHandle H;
    explicit Handle(FileHandle h) : H(h) {}
    ~Handle() { FileClose(H); }
};

TEST(FileIo, CreateWriteSeekReadSetEnd)
{
    TempDir dir;
    Handle f(FileCreateExclusive(dir / "a.bin"));
    ASSERT_NE(f.H, InvalidFileHandle);
    EXPECT_EQ(FileWrite(f.H, "hello world", 11), 11u);
    EXPECT_EQ(FileSeek(f.H, 0, 2), 11);
    EXPECT_EQ(FileSeek(f.H, 6, 0), 6);
    char buf[16] = {};
    EXPECT_EQ(FileRead(f.H, buf, 16), 5u); // past the end: what there is
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(FileRead(f.H, buf, 16), 0u);
    EXPECT_EQ(FileSeek(f.H, -6, 1), 5);
    EXPECT_TRUE(FileSetEnd(f.H));
    EXPECT_EQ(FileSeek(f.H, 0, 2), 5);
    EXPECT_EQ(FileSeek(f.H, -1, 0), -1);
    EXPECT_EQ(FileSeek(f.H, 0, 3), -1);
}

TEST(FileIo, CreateReplacesExistingContent)
{
    TempDir dir;
    dir.MakeFile("a.bin", "old content");
    Handle f(FileCreateExclusive(dir / "a.bin"));
    ASSERT_NE(f.H, InvalidFileHandle);
    EXPECT_EQ(FileSeek(f.H, 0, 2), 0);
}

TEST(FileIo, OpenFailuresLeaveNoHandleAndReportAnError)
{
    TempDir dir;
    EXPECT_EQ(FileOpenSharedRead(dir / "missing.bin"), InvalidFileHandle);
    OsError e = LastOsError();
    EXPECT_EQ(e.Code, 2); // ENOENT and ERROR_FILE_NOT_FOUND alike
    EXPECT_FALSE(e.Message.empty());
    EXPECT_EQ(FileOpenSharedRead(dir.Path()), InvalidFileHandle); // a folder is no file
    EXPECT_EQ(FileCreateExclusive(dir / "no" + PathDelim + "such.bin"), InvalidFileHandle);
}

TEST(FileIo, SharedReadWhileAnotherProgramWrites)
{
    TempDir dir;
    std::string path = dir / "log.txt";
    dir.MakeFile("log.txt");
    // Another program keeps the file open for writing (the C library shares read and write).
    std::ofstream other(test::U8Path(path), std::ios::binary);
    other << "first" << std::flush;
    Handle reader(FileOpenSharedRead(path));
    ASSERT_NE(reader.H, InvalidFileHandle) << LastOsError().Message;
    Handle reader2(FileOpenSharedRead(path));
    ASSERT_NE(reader2.H, InvalidFileHandle);
    other << " second" << std::flush;
    char buf[32] = {};
    EXPECT_EQ(FileRead(reader.H, buf, 31), 12u);
    EXPECT_STREQ(buf, "first second");
    EXPECT_EQ(FileWrite(reader.H, "x", 1), 0u); // opened for reading only
}

TEST(FileIo, ExclusiveCreateKeepsOthersOutOnWindows)
{
    TempDir dir;
    Handle f(FileCreateExclusive(dir / "x.bin"));
    ASSERT_NE(f.H, InvalidFileHandle);
    Handle r(FileOpenSharedRead(dir / "x.bin"));
#ifdef _WIN32
    EXPECT_EQ(r.H, InvalidFileHandle);
#else
    EXPECT_NE(r.H, InvalidFileHandle); // POSIX has no mandatory sharing modes
#endif
}

TEST(FileIo, SparseFileBeyondFourGiB)
{
    TempDir dir;
    const int64_t size = 5368709120LL; // 5 GiB
    {
        Handle f(FileCreateExclusive(dir / "big.bin"));
        ASSERT_NE(f.H, InvalidFileHandle);
        if (FileSeek(f.H, size - 4, 0) != size - 4 || FileWrite(f.H, "TAIL", 4) != 4)
            GTEST_SKIP() << "the file system refuses a 5 GiB file: " << LastOsError().Message;
    }
    Handle f(FileOpenSharedRead(dir / "big.bin"));
    ASSERT_NE(f.H, InvalidFileHandle);
    EXPECT_EQ(FileSeek(f.H, 0, 2), size);
    EXPECT_EQ(FileSeek(f.H, 4294967296LL + 10, 0), 4294967306LL);
    EXPECT_EQ(FileSeek(f.H, -4, 2), size - 4);
    char tail[5] = {};
    EXPECT_EQ(FileRead(f.H, tail, 4), 4u);
    EXPECT_STREQ(tail, "TAIL");
    FileListing l;
    ASSERT_TRUE(FindFile(dir / "big.bin", l));
    EXPECT_EQ(l.Size, static_cast<uint64_t>(size));
}

TEST(FileIo, NonAsciiNames)
{
    TempDir dir;
    std::string name = "\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80.txt";
    dir.MakeFile(name, "data");
    Handle f(FileOpenSharedRead(dir / name));
    ASSERT_NE(f.H, InvalidFileHandle);
    char buf[8] = {};
    EXPECT_EQ(FileRead(f.H, buf, 8), 4u);
    FileListing l;
    ASSERT_TRUE(FindFile(dir / name, l));
    EXPECT_EQ(l.Name, name);
}

} // namespace
} // namespace scrivo
