#include "engine/SectorChecksum.h"
#include <cstring>

namespace scrivo {

uint64_t SectorChecksum(const uint8_t* sector) {
    // Four independent lanes of multiply-and-rotate keep the loop fast; the lanes and the
    // word positions are mixed at the end so that swapped words change the result too.
    constexpr uint64_t Prime1 = 0x9E3779B185EBCA87ULL, Prime2 = 0xC2B2AE3D27D4EB4FULL;
    uint64_t lane[4] = {Prime1, Prime2, Prime1 ^ Prime2, Prime2 * 3};
    for (uint32_t at = 0; at < ChecksumSectorBytes; at += 32) {
        for (int i = 0; i < 4; ++i) {
            uint64_t word;
            std::memcpy(&word, sector + at + i * 8, 8);
            lane[i] += word * Prime2;
            lane[i] = (lane[i] << 31 | lane[i] >> 33) * Prime1;
        }
    }
    uint64_t h = 0;
    for (int i = 0; i < 4; ++i) {
        h ^= lane[i] + (h << 6) + (h >> 2);
        h *= Prime1;
    }
    return h ^ (h >> 29);
}

} // namespace scrivo
