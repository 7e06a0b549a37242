#include "engine/bvCache.h"
#include "engine/SectorChecksum.h"
#include "CacheTestKit.h"
#include "TestFiles.h"
#include <chrono>
#include <gtest/gtest.h>

namespace scrivo {
namespace {

using namespace test;

constexpr int32_t S = 2048;

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class CacheThread : public ::testing::Test {
protected:
    TCacheParams Params(int64_t imageSize, int32_t cacheSize = 4194304, int32_t blockSize = 65536,
                        bool postGap = false) {
        TCacheParams p;
        p.CacheSize = cacheSize;
        p.Lock = &lock;
        p.BlockSize = blockSize;
        p.WritePostGap = postGap;
        p.ImageSize = imageSize;
        p.HeaderStream = &header;
        p.Files = &files;
        return p;
    }

    TempDir dir;
    TCriticalSection lock;
    TMemoryStream header;
    VectorFileTable files;
};

TEST_F(CacheThread, StreamsHeaderThenFilesInTableOrderInWholeSectors) {
    SetBytes(header, Pattern(3 * S, 5));
    const auto a = Pattern(1, 1), b = Pattern(3000, 2), c = Pattern(70000, 3);
    files.Add(dir.Write("a", a), 1);
    files.Add(dir.Write("empty", {}), 0);
    files.Add("", 2048, 0x10); // a subdirectory
    files.Add(dir.Write("b", b), b.size());
    files.Entries.push_back({dir.File("not-there"), 4096, 0x20, true}); // imported: already on disc
    files.Add(dir.Write("c", c), c.size());
    files.Add("", 2048, 0x10);
    const auto expected = Concat({Pattern(3 * S, 5), Padded(a), Padded(b), Padded(c)});

    TCacheThread cache(Params(static_cast<int64_t>(expected.size())));
    const Taken t = TakeAll(cache, lock);
    EXPECT_EQ(t.Bytes, expected);
    for (int32_t n : t.Lengths) {
        EXPECT_EQ(n % S, 0);
        EXPECT_LE(n, 65536);
    }
    EXPECT_EQ(cache.ErrorText(), "");
    EXPECT_TRUE(cache.Done);
    EXPECT_TRUE(cache.ChangedFiles().empty());
    EXPECT_EQ(header.Size(), 0u) << "the header is released once it is queued";
    EXPECT_EQ(cache.RemainingBytes, 0);
}

TEST_F(CacheThread, MetadataMadeWhileReadFollowsTheStreamAndItsFailureEndsTheRun) {
    SetBytes(header, Pattern(3 * S, 5));
    const auto tail = Pattern(40 * S, 6), a = Pattern(5000, 1);
    files.Add(dir.Write("a", a), a.size());
    auto p = Params(static_cast<int64_t>(43 * S + Padded(a).size()), 8 * 65536);
    p.HeaderTail = [&](const std::function<bool(const uint8_t*, size_t)>& out) {
        for (size_t at = 0; at < tail.size(); at += 7 * S) // in runs that straddle blocks
            if (!out(tail.data() + at, std::min<size_t>(7 * S, tail.size() - at)))
                return std::string();
        return std::string();
    };
    TCacheThread cache(p);
    EXPECT_EQ(TakeAll(cache, lock).Bytes, Concat({Pattern(3 * S, 5), tail, Padded(a)}));

    p.HeaderTail = [](const std::function<bool(const uint8_t*, size_t)>&) { return std::string("no records"); };
    SetBytes(header, Pattern(3 * S, 5));
    TCacheThread failing(p);
    TakeAll(failing, lock);
    EXPECT_EQ(failing.ErrorText(), "no records");
}

TEST_F(CacheThread, LastFileIsQueuedInBlocksThatNeedNotBeFull) {
    const auto a = Pattern(3 * S, 1), b = Pattern(10 * S, 2);
    files.Add(dir.Write("a", a), a.size());
    files.Add(dir.Write("b", b), b.size());
    TCacheThread cache(Params(13 * S, 64 * S, 8 * S));
    const Taken t = TakeAll(cache, lock);
    EXPECT_EQ(t.Lengths, (std::vector<int32_t>{8 * S, 5 * S}));
    EXPECT_EQ(t.Bytes, Concat({a, b}));
}

TEST_F(CacheThread, QueueHoldsAtMostMaxBlocksLessOneAndPrimesWhenFull) {
    const auto big = Pattern(40 * S, 7);
    files.Add(dir.Write("big", big), big.size());
    TCacheThread cache(Params(40 * S, 8 * S, S));
    ASSERT_EQ(cache.MaxBlocks(), 8);
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    EXPECT_EQ(cache.QueueCount(), 7);
    EXPECT_EQ(cache.BufferedBytes, 7 * S);
    EXPECT_EQ(cache.PriorityLevel, 0) << "idle while the queue is full";
    EXPECT_EQ(cache.Priority(), TThreadPriority::Idle);
    EXPECT_FALSE(cache.Done);
    const Taken t = TakeAll(cache, lock);
    EXPECT_LE(t.MaxQueue, 7);
    EXPECT_EQ(t.Bytes, big);
}

TEST_F(CacheThread, WithoutThreadPrioritiesTheThreadKeepsItsPriority) {
    const auto big = Pattern(40 * S, 7);
    files.Add(dir.Write("big", big), big.size());
    auto params = Params(40 * S, 8 * S, S);
    params.ThreadPriorities = false;
    TCacheThread cache(params);
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    EXPECT_EQ(cache.PriorityLevel, 0) << "the level is still followed";
    EXPECT_EQ(cache.Priority(), TThreadPriority::Normal);
    EXPECT_EQ(TakeAll(cache, lock).Bytes, big);
}

TEST_F(CacheThread, ImageSmallerThanTheCacheIsQueuedWhollyBeforePrimed) {
    SetBytes(header, Pattern(2 * S, 9));
    const auto a = Pattern(5 * S - 100, 4);
    files.Add(dir.Write("a", a), a.size());
    TCacheThread cache(Params(7 * S));
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    EXPECT_EQ(cache.BufferedBytes, 7 * S);
    EXPECT_EQ(TakeAll(cache, lock).Bytes, Concat({Pattern(2 * S, 9), Padded(a)}));
}

TEST(CachePriority, FollowsTheFillLevelOfTheQueue) {
    EXPECT_EQ(CachePriorityLevel(0, 64), 3);
    EXPECT_EQ(CachePriorityLevel(15, 64), 3);
    EXPECT_EQ(CachePriorityLevel(16, 64), 2);
    EXPECT_EQ(CachePriorityLevel(31, 64), 2);
    EXPECT_EQ(CachePriorityLevel(32, 64), 1);
    EXPECT_EQ(CachePriorityLevel(63, 64), 1);
}

TEST_F(CacheThread, AbortWhileFullFreesTheQueueAndEndsTakeBlock) {
    const auto big = Pattern(40 * S, 7);
    files.Add(dir.Write("big", big), big.size());
    TCacheThread cache(Params(40 * S, 8 * S, S));
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    cache.AbortRequested = true;
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Done.load(); }));
    EXPECT_EQ(cache.QueueCount(), 0);
    EXPECT_EQ(cache.BufferedBytes, 0);
    std::vector<uint8_t> buf(CacheBlockCapacity);
    lock.Enter();
    EXPECT_EQ(cache.TakeBlock(buf.data()), 0);
    lock.Leave();
    EXPECT_EQ(cache.ErrorText(), "OPERATION ABORTED BY USER");
}

TEST_F(CacheThread, AbortKeepsAnErrorTextAlreadySet) {
    const auto big = Pattern(40 * S, 7);
    files.Add(dir.Write("big", big), big.size());
    TCacheThread cache(Params(40 * S, 8 * S, S));
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    cache.SetErrorText("WRITER ERROR [MEDIUM ERROR]");
    cache.AbortRequested = true;
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Done.load(); }));
    EXPECT_EQ(cache.ErrorText(), "WRITER ERROR [MEDIUM ERROR]");
}

TEST_F(CacheThread, PostGapPadsAShortImageWithZerosTo300Sectors) {
    SetBytes(header, Pattern(100 * S, 3));
    TCacheThread cache(Params(100 * S, 4194304, 65536, true));
    EXPECT_TRUE(cache.PostGapPadding());
    ASSERT_TRUE(WaitFor(cache, [&] { return cache.Primed.load(); }));
    EXPECT_EQ(cache.RemainingBytes, 300 * S) << "the padding, 409,600 bytes, is added once queued";
    const Taken t = TakeAll(cache, lock);
    ASSERT_EQ(t.Bytes.size(), 300u * S);
    EXPECT_EQ(std::vector<uint8_t>(t.Bytes.begin(), t.Bytes.begin() + 100 * S), Pattern(100 * S, 3));
    EXPECT_EQ(std::vector<uint8_t>(t.Bytes.begin() + 100 * S, t.Bytes.end()), std::vector<uint8_t>(200 * S, 0));
}

// What a verification compares with: every whole sector of each block carries its checksum,
// also where metadata runs end mid-sector, in reused blocks and in the post-gap padding.
TEST_F(CacheThread, SectorSumsCoverEveryWholeSectorOfEveryBlock) {
    SetBytes(header, Pattern(3 * S, 5));
    const auto tail = Pattern(45 * S, 6), a = Pattern(5000, 1), b = Pattern(70000, 2);
    files.Add(dir.Write("a", a), a.size());
    files.Add(dir.Write("b", b), b.size());
    auto p =
        Params(static_cast<int64_t>(48 * S + Padded(a).size() + Padded(b).size()), 4 * 65536, 65536, true);
    p.SectorSums = true;
    p.HeaderTail = [&](const std::function<bool(const uint8_t*, size_t)>& out) {
        for (size_t at = 0; at < tail.size(); at += 3000)
            out(tail.data() + at, std::min<size_t>(3000, tail.size() - at));
        return std::string();
    };
    TCacheThread cache(p);
    int64_t sectors = 0;
    for (;;) {
        std::unique_ptr<TCacheBlock> block;
        cache.StateChanged.Reset();
        lock.Enter();
        const int32_t n = cache.TakeBlock(block);
        lock.Leave();
        if (n == 0) break;
        if (n < 0) {
            cache.StateChanged.WaitFor(100);
            continue;
        }
        ASSERT_EQ(block->SummedSectors, n / S);
        std::vector<uint32_t> sums(size_t(n / S));
        SectorChecksums(block->Data, sums.size(), sums.data());
        EXPECT_EQ(std::vector<uint32_t>(block->Sums, block->Sums + n / S), sums) << "at sector " << sectors;
        sectors += n / S;
        cache.RecycleBlock(std::move(block));
    }
    EXPECT_EQ(sectors, 300);
}

TEST_F(CacheThread, NoPaddingWithoutPostGapOrForA300SectorImage) {
    SetBytes(header, Pattern(300 * S, 3));
    TCacheThread full(Params(300 * S, 4194304, 65536, true));
    EXPECT_FALSE(full.PostGapPadding());
    EXPECT_EQ(TakeAll(full, lock).Bytes.size(), 300u * S);

    SetBytes(header, Pattern(10 * S, 3));
    TCacheThread off(Params(10 * S, 4194304, 65536, false));
    EXPECT_EQ(TakeAll(off, lock).Bytes.size(), 10u * S);
}

TEST_F(CacheThread, ShortAndGrownFilesGetZerosAndAreNamed) {
    const auto a = Pattern(5 * S, 0x11), c = Pattern(S, 0x33);
    const auto shortData = std::vector<uint8_t>(100, 0xBB), grownData = Pattern(5000, 0x44);
    files.Add(dir.Write("a", a), a.size());
    const std::string shortPath = dir.Write("short", shortData);
    files.Add(shortPath, 3 * S + 5); // it had 6,149 bytes when it was added
    const std::string grownPath = dir.Write("grown", grownData);
    files.Add(grownPath, 10);
    files.Add(dir.Write("c", c), c.size());
    auto shortExpected = shortData;
    shortExpected.resize(4 * S, 0);
    const auto expected =
        Concat({a, shortExpected, Padded(std::vector<uint8_t>(grownData.begin(), grownData.begin() + 10)), c});

    TCacheThread cache(Params(static_cast<int64_t>(expected.size()), 8 * 4 * S, 4 * S));
    const Taken t = TakeAll(cache, lock);
    EXPECT_EQ(t.Bytes, expected) << "missing bytes must be zeros, never an earlier block's data";
    EXPECT_EQ(cache.ChangedFiles(), (std::vector<std::string>{shortPath, grownPath}));
    EXPECT_EQ(cache.ErrorText(), "") << "the stream goes on";
}

TEST_F(CacheThread, StreamShorterThanItsImageSizeEndsInsteadOfWaitingForever) {
    const auto a = Pattern(3 * S, 1);
    files.Add(dir.Write("a", a), a.size());
    TCacheThread cache(Params(10 * S));
    EXPECT_EQ(TakeAll(cache, lock).Bytes, a);
    EXPECT_TRUE(cache.Done);
}

TEST_F(CacheThread, FileThatCannotBeOpenedStopsTheRunWithItsPath) {
    const auto a = Pattern(S, 1);
    files.Add(dir.Write("a", a), a.size());
    const std::string missing = dir.File("gone");
    files.Add(missing, 100);
    TCacheThread cache(Params(2 * S));
    EXPECT_EQ(TakeAll(cache, lock).Bytes.size(), 0u) << "nothing of a failed run goes out";
    EXPECT_TRUE(cache.Done);
    EXPECT_EQ(cache.ErrorText(), "CAN'T OPEN FILE \"" + missing + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_EQ(cache.CurrentFile(), missing);
}

TEST_F(CacheThread, UnreadableFileTableIsAnInternalError) {
    files.Add(dir.Write("a", Pattern(10, 1)), 10);
    files.Add(dir.Write("b", Pattern(10, 2)), 10);
    files.FailAt = 1;
    TCacheThread cache(Params(2 * S));
    TakeAll(cache, lock);
    EXPECT_EQ(cache.ErrorText(), "INTERNAL ERROR 0005");
}

TEST_F(CacheThread, TakeBlockAnswersMinusOneWhileProductionRunsWithNothingQueued) {
    const auto a = Pattern(3 * S, 1);
    files.Add(dir.Write("a", a), a.size());
    files.HoldAt = 0;
    TCacheThread cache(Params(3 * S));
    files.WaitUntilHeld();
    std::vector<uint8_t> buf(CacheBlockCapacity);
    lock.Enter();
    EXPECT_EQ(cache.TakeBlock(buf.data()), -1);
    lock.Leave();
    files.Release();
    EXPECT_EQ(TakeAll(cache, lock).Bytes, a);
}

TEST_F(CacheThread, ReleasingTheCacheEndsItsThreadAtOnce) {
    const auto big = Pattern(40 * S, 7);
    files.Add(dir.Write("big", big), big.size());
    auto full = std::make_unique<TCacheThread>(Params(40 * S, 8 * S, S));
    ASSERT_TRUE(WaitFor(*full, [&] { return full->Primed.load(); }));
    full.reset(); // must not wait for a consumer that will never come

    auto params = Params(40 * S);
    params.LingerMs = 600000;
    auto lingering = std::make_unique<TCacheThread>(params);
    TakeAll(*lingering, lock);
    const auto start = std::chrono::steady_clock::now();
    lingering.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

} // namespace
} // namespace scrivo
