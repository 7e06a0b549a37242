// Big-endian field access for CDBs, replies and mode pages.
#pragma once
#include <cstdint>
#include <vector>

namespace scrivo::vrecorder {

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t Get24(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline void Put24(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 16); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v); }
inline void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}

// A reply cut to the allocation length of its CDB.
inline void Fit(std::vector<uint8_t>& reply, uint32_t allocation) {
  if (reply.size() > allocation) reply.resize(allocation);
}

// Absolute CD time (minute, second, frame) of an LBA: the 150-block offset of the first pregap.
inline void PutMsf3(uint8_t* p, uint32_t lba) {
  uint32_t f = lba + 150;
  p[0] = uint8_t(f / (60 * 75));
  p[1] = uint8_t(f / 75 % 60);
  p[2] = uint8_t(f % 75);
}

}  // namespace scrivo::vrecorder
