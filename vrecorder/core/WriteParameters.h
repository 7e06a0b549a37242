// Mode page 05h, the write parameters, and the checks a drive applies when it is selected.
#pragma once
#include <array>
#include <cstdint>
#include <set>

#include "DriveOptions.h"
#include "Media.h"

namespace scrivo::vrecorder {

enum WriteType { kPacket = 0, kTrackAtOnce = 1, kSessionAtOnce = 2, kRaw = 3 };

class WriteParameters {
 public:
  static constexpr int kPageLength = 0x32;
  static constexpr int kPageSize = kPageLength + 2;

  WriteParameters();
  const std::array<uint8_t, kPageSize>& page() const { return page_; }
  // The bits a MODE SELECT may change (MODE SENSE with page control 1).
  static std::array<uint8_t, kPageSize> Changeable();

  int writeType() const { return page_[2] & 0x0F; }
  bool testWrite() const { return page_[2] & 0x10; }
  bool bufe() const { return page_[2] & 0x40; }
  int multiSession() const { return page_[3] >> 6; }
  int dataBlockType() const { return page_[4] & 0x0F; }
  // Bytes a CD WRITE moves per block for the data block type, and where in them the 2048
  // bytes of user data lie that the disc image keeps.
  uint32_t BlockLength() const;
  uint32_t UserDataOffset() const;
  // A session closed with this page leaves the disc open for another one.
  bool nextSessionAllowed() const { return multiSession() == 3; }

  // Checks a page sent with MODE SELECT against the drive and the medium (none when
  // `media` is null) and takes it; throws a Refusal otherwise.
  void Select(const uint8_t* p, uint32_t len, const DriveCaps& caps, const std::set<int>& refusedTypes,
              const MediaKind* media);

 private:
  std::array<uint8_t, kPageSize> page_{};
};

}  // namespace scrivo::vrecorder
