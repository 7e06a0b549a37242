// The exclusive claim a drive holds on its disc while the disc is loaded: one process
// records on a disc at a time, as one host at a time opens a real drive exclusively.
#pragma once
#include <memory>
#include <string>

namespace scrivo::vrecorder {

class DiscClaim {
 public:
  // The claim on the disc whose image is `imagePath`; null while another process holds it.
  static std::unique_ptr<DiscClaim> Take(const std::string& imagePath);
  // The process id of the holder as it wrote it, empty when nobody holds the disc.
  static std::string Holder(const std::string& imagePath);
  // Whether nobody holds the claim (it is not taken).
  static bool Free(const std::string& imagePath);
  static std::string LockPath(const std::string& imagePath) { return imagePath + ".lock"; }

  ~DiscClaim();
  DiscClaim(const DiscClaim&) = delete;
  DiscClaim& operator=(const DiscClaim&) = delete;

 private:
  DiscClaim() = default;
  // Locks the claim file; `note` writes this process's id into it.
  static std::unique_ptr<DiscClaim> Lock(const std::string& imagePath, bool note);
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace scrivo::vrecorder
