// Sense data: the refusal a command ends with, and its fixed-format encoding.
#pragma once
#include <cstdint>
#include <optional>

#include "Mmc.h"

namespace scrivo::vrecorder {

// The recorder answers with the codes the engine reads: one set of names for both.
using scsi::SenseKey, scsi::kNoSense, scsi::kNotReady, scsi::kMediumError, scsi::kHardwareError,
    scsi::kIllegalRequest, scsi::kUnitAttention, scsi::kDataProtect;

struct Sense {
  uint8_t key = 0, asc = 0, ascq = 0;
  // Sense-key specific bytes 15-17 (progress indication while not ready); valid when set.
  std::optional<uint16_t> progress;
  bool operator==(const Sense& o) const { return key == o.key && asc == o.asc && ascq == o.ascq; }
  static Sense Of(SenseKey key, scsi::Asc code) {
    return {key, scsi::AscOf(code), scsi::AscqOf(code), std::nullopt};
  }
};

// A command handler throws this to end its command with CHECK CONDITION.
struct Refusal {
  Sense sense;
};
[[noreturn]] void Refuse(SenseKey key, scsi::Asc code);

// The common refusals, named as drives report them.
[[noreturn]] inline void InvalidFieldInCdb() { Refuse(kIllegalRequest, scsi::kAscInvalidFieldInCdb); }
[[noreturn]] inline void InvalidFieldInParameterList() {
  Refuse(kIllegalRequest, scsi::kAscInvalidFieldInParameterList);
}
[[noreturn]] inline void ParameterListLengthError() {
  Refuse(kIllegalRequest, scsi::kAscParameterListLengthError);
}
[[noreturn]] inline void CommandSequenceError() { Refuse(kIllegalRequest, scsi::kAscCommandSequenceError); }
[[noreturn]] inline void InvalidAddressForWrite() { Refuse(kIllegalRequest, scsi::kAscInvalidAddressForWrite); }
[[noreturn]] inline void LbaOutOfRange() { Refuse(kIllegalRequest, scsi::kAscLbaOutOfRange); }
[[noreturn]] inline void IncompatibleMedium() { Refuse(kIllegalRequest, scsi::kAscIncompatibleMedium); }
[[noreturn]] inline void CannotWriteIncompatibleFormat() {
  Refuse(kIllegalRequest, scsi::kAscCannotWriteIncompatibleFormat);
}

constexpr int kFixedSenseLength = 18;
// Fixed-format sense data (response code 70h, additional length 10), up to `length` bytes.
void EncodeFixedSense(const Sense& s, uint8_t* out, int length);

}  // namespace scrivo::vrecorder
