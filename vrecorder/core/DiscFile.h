// A disc on the host's file system: the sparse image file plus the state file beside it.
#pragma once
#include <memory>
#include <string>

#include "Disc.h"
#include "ImageFile.h"

namespace scrivo::vrecorder {

class DiscFile {
 public:
  // The state file of the disc whose image is `imagePath`.
  static std::string StatePath(const std::string& imagePath) { return imagePath + ".state"; }

  // Makes a new disc; ROM media (and, optionally, others) take their content from `fromIso`,
  // recorded as one closed session. Error text in `error`. A DVD-RAM comes formatted, as
  // from the factory, unless made `unformatted`.
  static bool Create(const std::string& path, MediaKind kind, uint32_t capacity, uint32_t gap,
                     const std::string& fromIso, std::string& error, bool unformatted = false);
  static std::unique_ptr<DiscFile> Open(const std::string& path, std::string& error);
  // Records the file `data` as a new track at the next writable address (track at once) and
  // closes it, then its session unless `keepSessionOpen`: discs as other recorders leave
  // them, with sessions made elsewhere or several tracks in a session.
  bool Record(const std::string& data, bool keepSessionOpen, std::string& error);

  Disc disc;
  const std::string& path() const { return path_; }
  bool ReadBlocks(uint32_t lba, uint32_t count, uint8_t* out);
  bool WriteBlocks(uint32_t lba, uint32_t count, const uint8_t* data);
  bool EraseImage() { return image_.Truncate(); }
  // Writes the state file atomically (temporary file, then rename).
  bool Save();

 private:
  std::string path_;
  ImageFile image_;
};

}  // namespace scrivo::vrecorder
