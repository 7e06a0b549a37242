#include "engine/ReadBackCheck.h"
#include "engine/SectorChecksum.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <utility>

namespace scrivo {
namespace {

constexpr size_t S = ChecksumSectorBytes;

std::vector<uint8_t> RandomSectors(size_t count, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> bytes(count * S);
    for (uint8_t& b : bytes)
        b = uint8_t(gen());
    return bytes;
}

uint32_t Sum(const std::vector<uint8_t>& sector) {
    uint32_t sum = 0;
    SectorChecksums(sector.data(), 1, &sum);
    return sum;
}

TEST(SectorChecksum, ChangesWithEveryFlippedBitAndEveryMovedWord) {
    std::vector<uint8_t> sector = RandomSectors(1, 1);
    const uint32_t clean = Sum(sector);
    for (size_t bit = 0; bit < S * 8; ++bit) {
        sector[bit / 8] ^= uint8_t(1u << (bit % 8));
        ASSERT_NE(Sum(sector), clean) << "bit " << bit;
        sector[bit / 8] ^= uint8_t(1u << (bit % 8));
    }
    // Words swapped with their neighbour, and with the same word of a later 64-byte stripe.
    for (size_t a = 0; a + 64 < S; a += 8)
        for (size_t b : {a ^ 8, a + 64}) {
            std::vector<uint8_t> moved = sector;
            std::swap_ranges(moved.begin() + long(a), moved.begin() + long(a) + 8, moved.begin() + long(b));
            ASSERT_NE(Sum(moved), clean) << a << " <-> " << b;
        }
    EXPECT_NE(Sum(std::vector<uint8_t>(S, 0)), Sum(std::vector<uint8_t>(S, 0xFF)));
}

TEST(SectorChecksum, TheVectorFormAgreesWithThePortableOne) {
    std::vector<uint8_t> sectors = RandomSectors(64, 2);
    std::fill_n(sectors.begin(), S, 0x00);
    std::fill_n(sectors.begin() + S, S, 0xFF);
    std::vector<uint32_t> fast(64), portable(64);
    SectorChecksums(sectors.data(), 64, fast.data());
    PortableSectorChecksums(sectors.data(), 64, portable.data());
    EXPECT_EQ(fast, portable);
}

// The check's thread and its caller share the batches (the caller takes those that arrive
// while the thread is far behind): whoever checks a batch, every bad sector is found, in order.
TEST(ReadBackCheckThread, FindsEveryDifferingAndUnreadableSectorInOrder) {
    constexpr uint32_t Sectors = 4096, Batch = 8, Start = 1000;
    const std::vector<uint8_t> written = RandomSectors(Sectors, 3);
    std::vector<uint32_t> sums(Sectors);
    SectorChecksums(written.data(), Sectors, sums.data());
    std::vector<uint8_t> disc = written;
    std::vector<uint32_t> expected;
    for (uint32_t s = 3; s < Sectors; s += 97) {
        disc[size_t(s) * S + 5] ^= 0x40;
        expected.push_back(Start + s);
    }
    const uint32_t unreadable = 2048;
    for (uint32_t s = unreadable; s < unreadable + Batch; ++s)
        if (std::find(expected.begin(), expected.end(), Start + s) == expected.end())
            expected.push_back(Start + s);
    std::sort(expected.begin(), expected.end());

    TReadBackCheck check(sums, Start, Batch);
    for (uint32_t s = 0; s < Sectors; s += Batch) {
        if (s == unreadable) {
            check.Unreadable(s, Batch);
            continue;
        }
        std::copy_n(disc.begin() + long(s * S), Batch * S, check.Buffer());
        check.Check(s, Batch);
    }
    EXPECT_EQ(check.Finish(), expected);
}

} // namespace
} // namespace scrivo
