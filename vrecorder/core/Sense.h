// Sense data: the refusal a command ends with, and its fixed-format encoding.
#pragma once
#include <cstdint>
#include <optional>

namespace scrivo::vrecorder {

enum SenseKey : uint8_t {
  kNoSense = 0x00, kNotReady = 0x02, kMediumError = 0x03, kHardwareError = 0x04,
  kIllegalRequest = 0x05, kUnitAttention = 0x06, kDataProtect = 0x07,
};

struct Sense {
  uint8_t key = 0, asc = 0, ascq = 0;
  // Sense-key specific bytes 15-17 (progress indication while not ready); valid when set.
  std::optional<uint16_t> progress;
  bool operator==(const Sense& o) const { return key == o.key && asc == o.asc && ascq == o.ascq; }
};

// A command handler throws this to end its command with CHECK CONDITION.
struct Refusal {
  Sense sense;
};
[[noreturn]] void Refuse(uint8_t key, uint8_t asc, uint8_t ascq = 0);

// The common refusals, named as drives report them.
[[noreturn]] inline void InvalidFieldInCdb() { Refuse(kIllegalRequest, 0x24, 0x00); }
[[noreturn]] inline void InvalidFieldInParameterList() { Refuse(kIllegalRequest, 0x26, 0x00); }
[[noreturn]] inline void CommandSequenceError() { Refuse(kIllegalRequest, 0x2C, 0x00); }
[[noreturn]] inline void InvalidAddressForWrite() { Refuse(kIllegalRequest, 0x21, 0x02); }
[[noreturn]] inline void LbaOutOfRange() { Refuse(kIllegalRequest, 0x21, 0x00); }
[[noreturn]] inline void IncompatibleMedium() { Refuse(kIllegalRequest, 0x30, 0x00); }

constexpr int kFixedSenseLength = 18;
// Fixed-format sense data (response code 70h, additional length 10), up to `length` bytes.
void EncodeFixedSense(const Sense& s, uint8_t* out, int length);

}  // namespace scrivo::vrecorder
