#include "WriteParameters.h"

#include <algorithm>

#include "Bytes.h"
#include "Sense.h"

namespace scrivo::vrecorder {
namespace {

bool ValidDataBlockType(int t) { return (t >= 0 && t <= 3) || (t >= 8 && t <= 13); }

}  // namespace

uint32_t WriteParameters::BlockLength() const {
  static const uint32_t kLength[16] = {2352, 2368, 2448, 2448, 0, 0, 0, 0, 2048, 2336, 2048, 2056, 2324, 2332, 0, 0};
  return kLength[dataBlockType()];
}

uint32_t WriteParameters::UserDataOffset() const {
  switch (dataBlockType()) {
    case 0:
    case 1:
    case 2:
    case 3: return 16;  // sync and header before the Mode 1 data
    case 11:
    case 13: return 8;  // the Mode 2 subheader before it
    default: return 0;
  }
}

WriteParameters::WriteParameters() {
  page_[0] = 0x05;
  page_[1] = kPageLength;
  page_[2] = kTrackAtOnce;
  page_[3] = 0x04;          // track mode 4: data, recorded uninterrupted
  page_[4] = 8;             // Mode 1, 2048 bytes
  page_[5] = 7;             // link size
  Put16(&page_[14], 150);   // audio pause length
}

std::array<uint8_t, WriteParameters::kPageSize> WriteParameters::Changeable() {
  std::array<uint8_t, kPageSize> m{};
  m[0] = 0x05;
  m[1] = kPageLength;
  m[2] = 0x7F;
  m[3] = 0xFF;
  m[4] = 0x0F;
  m[5] = 0xFF;
  m[7] = 0xFF;
  m[8] = 0xFF;
  std::fill(m.begin() + 10, m.begin() + 16, 0xFF);
  std::fill(m.begin() + 16, m.end(), 0xFF);  // catalogue number, ISRC, subheader, vendor bytes
  return m;
}

void WriteParameters::Select(const uint8_t* p, uint32_t len, const DriveCaps& caps,
                             const std::set<int>& refusedTypes, const MediaKind* media) {
  if (len < 2 || p[1] != kPageLength || len < uint32_t(kPageSize)) InvalidFieldInParameterList();
  int type = p[2] & 0x0F;
  int blockType = p[4] & 0x0F;
  int multi = p[3] >> 6;
  bool test = p[2] & 0x10, bufe = p[2] & 0x40, fixedPacket = p[3] & 0x20;
  if (type > kRaw || refusedTypes.count(type)) InvalidFieldInParameterList();
  if (!ValidDataBlockType(blockType) || multi == 2) InvalidFieldInParameterList();
  if ((test && !caps.testwrite) || (bufe && !caps.burnfree)) InvalidFieldInParameterList();
  if (multi != 0 && !caps.multisession) InvalidFieldInParameterList();
  if (type == kRaw && (blockType < 1 || blockType > 3)) InvalidFieldInParameterList();
  if (type == kPacket && (blockType < 8 || (fixedPacket && Get32(p + 10) == 0))) InvalidFieldInParameterList();
  if (media) {
    const auto& info = Info(*media);
    if (!info.cd) {
      // DVD media take 2048-byte user data only, and no raw recording; DVD-R/-RW sequential
      // know incremental and disc-at-once and alone have test writing (not DVD+ media, DVD-RAM
      // or a restricted overwrite DVD-RW).
      if (blockType != 8 || type == kRaw) InvalidFieldInParameterList();
      if (IsDvdMinusSequential(*media) && type == kTrackAtOnce) InvalidFieldInParameterList();
      if (test && !IsDvdMinusSequential(*media)) InvalidFieldInParameterList();
    }
  }
  std::copy(p, p + kPageSize, page_.begin());
  page_[0] &= 0x3F;  // the PS bit is the drive's to report
}

}  // namespace scrivo::vrecorder
