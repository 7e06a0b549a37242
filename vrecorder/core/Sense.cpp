#include "Sense.h"

#include <algorithm>
#include <cstring>

namespace scrivo::vrecorder {

void Refuse(uint8_t key, uint8_t asc, uint8_t ascq) { throw Refusal{Sense{key, asc, ascq, std::nullopt}}; }

void EncodeFixedSense(const Sense& s, uint8_t* out, int length) {
  uint8_t b[kFixedSenseLength] = {};
  b[0] = 0x70;
  b[2] = s.key & 0x0F;
  b[7] = kFixedSenseLength - 8;
  b[12] = s.asc;
  b[13] = s.ascq;
  if (s.progress) {
    b[15] = 0x80;
    b[16] = uint8_t(*s.progress >> 8);
    b[17] = uint8_t(*s.progress);
  }
  std::memcpy(out, b, std::min(length, kFixedSenseLength));
}

}  // namespace scrivo::vrecorder
