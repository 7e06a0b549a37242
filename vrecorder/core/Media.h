// The kinds of medium a virtual disc can be, with their MMC profiles and defaults.
#pragma once
#include <cstdint>
#include <string>

namespace scrivo::vrecorder {

enum class MediaKind { CdRom, CdR, CdRw, DvdRom, DvdR, DvdRam, DvdRwRestricted, DvdRwSequential, DvdPlusRw, DvdPlusR };

struct MediaInfo {
  MediaKind kind;
  const char* name;       // the --media name
  uint16_t profile;       // MMC profile number
  uint32_t capacity;      // default capacity in 2048-byte blocks
  bool cd;
  bool rom;
  bool erasable;
  bool randomWritable;    // writable anywhere once formatted
  bool needsFormat;       // blank until FORMAT UNIT (DVD+RW, DVD-RAM)
};

const MediaInfo& Info(MediaKind kind);
// False when the name is not one of the --media names.
bool MediaFromName(const std::string& name, MediaKind& kind);
bool MediaFromProfile(uint16_t profile, MediaKind& kind);
inline bool IsDvdMinusSequential(MediaKind k) { return k == MediaKind::DvdR || k == MediaKind::DvdRwSequential; }

}  // namespace scrivo::vrecorder
