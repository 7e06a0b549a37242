#include "engine/SectorChecksum.h"
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SCRIVO_CHECKSUM_AVX2 1
#endif

namespace scrivo {

namespace {

// Eight 64-bit lanes over each 64-byte stripe, the shape of one or two vector registers.
// Each word, keyed, is multiplied as two 32-bit halves into its own lane and added as it
// is into its neighbour's: every changed word changes a lane, and the keys step from stripe
// to stripe so that moved words change it too. The vector form computes the same value.
constexpr int Lanes = 8;
constexpr uint32_t StripeBytes = Lanes * 8;
constexpr uint64_t Prime1 = 0x9E3779B185EBCA87ULL, Prime2 = 0xC2B2AE3D27D4EB4FULL,
                   Prime3 = 0x165667B19E3779F9ULL;
constexpr uint64_t KeyStep = Prime3;

constexpr uint64_t Seed(int lane) {
    return Prime1 * uint64_t(2 * lane + 1);
}
constexpr uint64_t Key(int lane) {
    return Prime2 * uint64_t(2 * lane + 3);
}

// Folds the lanes in order; each step is a bijection of the running value, so a change in
// any one lane always changes the result before the final halving.
uint32_t Fold(const uint64_t (&acc)[Lanes]) {
    uint64_t h = Prime3;
    for (uint64_t a : acc) {
        a ^= a >> 33;
        a *= Prime2;
        h = (h ^ a ^ (a >> 29)) * Prime1;
        h ^= h >> 32;
    }
    return uint32_t(h ^ (h >> 32));
}

uint32_t Portable(const uint8_t* sector) {
    uint64_t acc[Lanes], key[Lanes];
    for (int i = 0; i < Lanes; ++i) {
        acc[i] = Seed(i);
        key[i] = Key(i);
    }
    for (uint32_t at = 0; at < ChecksumSectorBytes; at += StripeBytes) {
        uint64_t w[Lanes];
        std::memcpy(w, sector + at, sizeof w);
        for (int i = 0; i < Lanes; ++i) {
            const uint64_t k = w[i] ^ key[i];
            acc[i] += (k & 0xFFFFFFFFu) * (k >> 32) + w[i ^ 1];
            key[i] += KeyStep;
        }
    }
    return Fold(acc);
}

#ifdef SCRIVO_CHECKSUM_AVX2
__attribute__((target("avx2"))) uint32_t Avx2(const uint8_t* sector) {
    __m256i acc[2], key[2];
    for (int v = 0; v < 2; ++v) {
        const int l = 4 * v;
        acc[v] = _mm256_set_epi64x(int64_t(Seed(l + 3)), int64_t(Seed(l + 2)), int64_t(Seed(l + 1)),
                                   int64_t(Seed(l)));
        key[v] =
            _mm256_set_epi64x(int64_t(Key(l + 3)), int64_t(Key(l + 2)), int64_t(Key(l + 1)), int64_t(Key(l)));
    }
    const __m256i step = _mm256_set1_epi64x(int64_t(KeyStep));
    for (uint32_t at = 0; at < ChecksumSectorBytes; at += StripeBytes) {
        for (int v = 0; v < 2; ++v) {
            const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sector + at + 32 * v));
            const __m256i k = _mm256_xor_si256(w, key[v]);
            acc[v] = _mm256_add_epi64(acc[v], _mm256_mul_epu32(k, _mm256_srli_epi64(k, 32)));
            acc[v] = _mm256_add_epi64(acc[v], _mm256_shuffle_epi32(w, 0x4E)); // the neighbour's word
            key[v] = _mm256_add_epi64(key[v], step);
        }
    }
    uint64_t lanes[Lanes];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), acc[0]);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 4), acc[1]);
    return Fold(lanes);
}

__attribute__((target("avx2"))) void Avx2Run(const uint8_t* sectors, size_t count, uint32_t* out) {
    for (size_t i = 0; i < count; ++i)
        out[i] = Avx2(sectors + i * ChecksumSectorBytes);
}
#endif

} // namespace

void SectorChecksums(const uint8_t* sectors, size_t count, uint32_t* out) {
#ifdef SCRIVO_CHECKSUM_AVX2
    if (__builtin_cpu_supports("avx2")) {
        Avx2Run(sectors, count, out);
        return;
    }
#endif
    PortableSectorChecksums(sectors, count, out);
}

void PortableSectorChecksums(const uint8_t* sectors, size_t count, uint32_t* out) {
    for (size_t i = 0; i < count; ++i)
        out[i] = Portable(sectors + i * ChecksumSectorBytes);
}

} // namespace scrivo
