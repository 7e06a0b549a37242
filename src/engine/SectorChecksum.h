// A fast, non-cryptographic checksum of 2,048-byte sectors: what a verification compares
// between the stream that was written and the sectors read back, without keeping either.
// 32 bits a sector keep the table small (4 MiB for 2 GiB) while a damaged sector still
// goes unnoticed only once in four billion.
#pragma once
#include <cstddef>
#include <cstdint>

namespace scrivo {

constexpr uint32_t ChecksumSectorBytes = 2048;

// The checksums of `count` consecutive sectors, into out[0..count).
void SectorChecksums(const uint8_t* sectors, size_t count, uint32_t* out);
// The same without vector instructions, as a processor without them computes it.
void PortableSectorChecksums(const uint8_t* sectors, size_t count, uint32_t* out);

} // namespace scrivo
