#include "Sense.h"

#include <algorithm>
#include <cstring>

namespace scrivo::vrecorder {

void Refuse(SenseKey key, scsi::Asc code) { throw Refusal{Sense::Of(key, code)}; }

void EncodeFixedSense(const Sense& s, uint8_t* out, int length) {
  uint8_t b[kFixedSenseLength] = {};
  b[0] = 0x70;
  b[scsi::kSenseKeyByte] = s.key & scsi::kSenseKeyMask;
  b[7] = kFixedSenseLength - 8;
  b[scsi::kSenseAscByte] = s.asc;
  b[scsi::kSenseAscqByte] = s.ascq;
  if (s.progress) {
    b[15] = 0x80;
    b[16] = uint8_t(*s.progress >> 8);
    b[17] = uint8_t(*s.progress);
  }
  std::memcpy(out, b, std::min(length, kFixedSenseLength));
}

}  // namespace scrivo::vrecorder
