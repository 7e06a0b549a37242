#include "Media.h"

#include <iterator>

namespace scrivo::vrecorder {
namespace {

const MediaInfo kMedia[] = {
    {MediaKind::CdRom, "cd-rom", 0x0008, 359849, true, true, false, false, false},
    {MediaKind::CdR, "cd-r", 0x0009, 359849, true, false, false, false, false},
    {MediaKind::CdRw, "cd-rw", 0x000A, 359849, true, false, true, false, false},
    {MediaKind::DvdRom, "dvd-rom", 0x0010, 2298496, false, true, false, false, false},
    {MediaKind::DvdR, "dvd-r", 0x0011, 2298496, false, false, false, false, false},
    {MediaKind::DvdRam, "dvd-ram", 0x0012, 2236704, false, false, true, true, true},
    {MediaKind::DvdRwRestricted, "dvd-rw-ro", 0x0013, 2298496, false, false, true, true, false},
    {MediaKind::DvdRwSequential, "dvd-rw", 0x0014, 2298496, false, false, true, false, false},
    {MediaKind::DvdPlusRw, "dvd+rw", 0x001A, 2295104, false, false, true, true, true},
    {MediaKind::DvdPlusR, "dvd+r", 0x001B, 2295104, false, false, false, false, false},
};

}  // namespace

const MediaInfo& Info(MediaKind kind) { return kMedia[static_cast<int>(kind)]; }

bool MediaFromName(const std::string& name, MediaKind& kind) {
  for (const auto& m : kMedia)
    if (name == m.name) { kind = m.kind; return true; }
  return false;
}

bool MediaFromProfile(uint16_t profile, MediaKind& kind) {
  for (const auto& m : kMedia)
    if (profile == m.profile) { kind = m.kind; return true; }
  return false;
}

}  // namespace scrivo::vrecorder
