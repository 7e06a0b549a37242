#include "engine/ImageRun.h"
#include "TestFiles.h"
#include <cstring>
#include <gtest/gtest.h>

namespace scrivo {
namespace {

using test::Pattern;
using test::TempDir;

// The run over a real tree: the builder lays it out at 0 and the cache streams it.
class ImageRunThread : public ::testing::Test {
protected:
    void SetUp() override {
        builder.ClearFiles(1000, 100);
        settings.Lock = &lock;
    }

    TempDir dir;
    TImageBuilder builder;
    TCriticalSection lock;
    TRunSettings settings;
};

TEST_F(ImageRunThread, DeliversTheWholeImageWithFilesAtTheirExtents) {
    const auto a = Pattern(5000, 1), b = Pattern(70000, 2);
    ASSERT_EQ(builder.AddFile("\\", dir.Write("a.txt", a), false), 1);
    ASSERT_EQ(builder.AddFile("\\", dir.Write("b.bin", b), false), 1);
    TImageRun run(builder, settings);
    ASSERT_TRUE(run.Start());
    std::vector<uint8_t> image;
    int64_t lastProgress = 0;
    const TImageRunResult r = run.Deliver(
        [&](const uint8_t* data, uint32_t n) {
            image.insert(image.end(), data, data + n);
            return std::string();
        },
        [&](int64_t bytes) { lastProgress = bytes; });
    EXPECT_EQ(r.ErrorText, "");
    EXPECT_TRUE(r.ChangedFiles.empty());
    ASSERT_EQ(static_cast<int64_t>(image.size()), run.ImageSize() * 2048);
    EXPECT_EQ(r.BytesDelivered, lastProgress);
    EXPECT_EQ(std::memcmp(image.data() + 16 * 2048 + 1, "CD001", 5), 0);
    const size_t first = size_t{builder.FirstFileLocation} * 2048;
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + first, image.begin() + first + a.size()), a);
    const size_t second = first + 3 * 2048;
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + second, image.begin() + second + b.size()), b);
}

TEST_F(ImageRunThread, ASinkFailureStopsTheRunWithItsText) {
    ASSERT_EQ(builder.AddFile("\\", dir.Write("big.bin", Pattern(3 << 20, 3)), false), 1);
    settings.CacheSize = 2 << 20;
    TImageRun run(builder, settings);
    ASSERT_TRUE(run.Start());
    int calls = 0;
    const TImageRunResult r = run.Deliver([&](const uint8_t*, uint32_t) {
        return ++calls == 3 ? std::string("DISK FULL") : std::string();
    });
    EXPECT_EQ(r.ErrorText, "DISK FULL");
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(r.BytesDelivered, 2 * 65536);
}

TEST_F(ImageRunThread, TheAbortFlagEndsTheRunAsAbortedByUser) {
    ASSERT_EQ(builder.AddFile("\\", dir.Write("big.bin", Pattern(3 << 20, 3)), false), 1);
    std::atomic<bool> abort{false};
    settings.AbortFlag = &abort;
    TImageRun run(builder, settings);
    ASSERT_TRUE(run.Start());
    const TImageRunResult r = run.Deliver([&](const uint8_t*, uint32_t) {
        abort = true;
        return std::string();
    });
    EXPECT_EQ(r.ErrorText, "OPERATION ABORTED BY USER");
    EXPECT_EQ(r.BytesDelivered, 65536);
}

TEST_F(ImageRunThread, ASourceThatVanishedFailsWhilePriming) {
    const std::string path = dir.Write("gone.txt", Pattern(10, 1));
    ASSERT_EQ(builder.AddFile("\\", path, false), 1);
    std::filesystem::remove(path);
    TImageRun run(builder, settings);
    EXPECT_FALSE(run.Start());
    EXPECT_EQ(run.ErrorText(), "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
}

} // namespace
} // namespace scrivo
