// The sparse image file of a disc: byte offset = LBA x 2048.
#pragma once
#include <cstdint>
#include <string>

namespace scrivo::vrecorder {

#ifdef _WIN32
// A UTF-8 path as the wide-character file functions take it.
std::wstring WidePath(const std::string& utf8);
#endif

class ImageFile {
 public:
  ImageFile() = default;
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  bool Open(const std::string& path);  // creates the file when missing
  bool OpenForReading(const std::string& path);
  // Where the next data at or after `offset` lies: holes of a sparse file are passed over
  // where the file system tells them (else `offset` itself); past the end, the file's size.
  uint64_t NextData(uint64_t offset);
  void Close();
  bool IsOpen() const;
  // Blocks never written read as zeros.
  bool Read(uint64_t offset, void* buf, uint32_t len);
  bool Write(uint64_t offset, const void* buf, uint32_t len);
  bool Truncate();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace scrivo::vrecorder
