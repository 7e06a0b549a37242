// A fast, non-cryptographic checksum of one 2,048-byte sector: what a verification compares
// between the stream that was written and the sectors read back, without keeping either.
#pragma once
#include <cstdint>

namespace scrivo {

constexpr uint32_t ChecksumSectorBytes = 2048;

uint64_t SectorChecksum(const uint8_t* sector);

} // namespace scrivo
