#include "ImageFile.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#endif

namespace scrivo::vrecorder {

ImageFile::~ImageFile() { Close(); }

#ifdef _WIN32

std::wstring WidePath(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
  return w;
}

namespace {
OVERLAPPED At(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = DWORD(offset);
  o.OffsetHigh = DWORD(offset >> 32);
  return o;
}
}  // namespace

bool ImageFile::Open(const std::string& path) {
  Close();
  HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD unused = 0;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  handle_ = h;
  return true;
}

bool ImageFile::OpenForReading(const std::string& path) {
  Close();
  HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

uint64_t ImageFile::NextData(uint64_t offset) { return offset; }

void ImageFile::Close() {
  if (handle_) CloseHandle(handle_);
  handle_ = nullptr;
}

bool ImageFile::IsOpen() const { return handle_ != nullptr; }

bool ImageFile::Read(uint64_t offset, void* buf, uint32_t len) {
  if (len == 0) return true;  // buf may be null then
  std::memset(buf, 0, len);
  OVERLAPPED o = At(offset);
  DWORD got = 0;
  if (!ReadFile(handle_, buf, len, &got, &o)) return GetLastError() == ERROR_HANDLE_EOF;
  return true;
}

bool ImageFile::Write(uint64_t offset, const void* buf, uint32_t len) {
  OVERLAPPED o = At(offset);
  DWORD put = 0;
  return WriteFile(handle_, buf, len, &put, &o) && put == len;
}

bool ImageFile::Truncate() {
  LARGE_INTEGER zero{};
  return SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
}

#else

bool ImageFile::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

bool ImageFile::OpenForReading(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  return fd_ >= 0;
}

uint64_t ImageFile::NextData(uint64_t offset) {
#ifdef SEEK_DATA
  off_t at = ::lseek(fd_, off_t(offset), SEEK_DATA);
  if (at >= 0) return uint64_t(at);
  if (errno == ENXIO) {  // only a hole follows
    off_t end = ::lseek(fd_, 0, SEEK_END);
    if (end >= 0) return std::max(offset, uint64_t(end));
  }
#endif
  return offset;
}

void ImageFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool ImageFile::IsOpen() const { return fd_ >= 0; }

bool ImageFile::Read(uint64_t offset, void* buf, uint32_t len) {
  if (len == 0) return true;  // buf may be null then
  auto* p = static_cast<char*>(buf);
  uint32_t done = 0;
  while (done < len) {
    ssize_t n = ::pread(fd_, p + done, len - done, off_t(offset + done));
    if (n < 0) return false;
    if (n == 0) break;  // past the end: the rest reads as zeros
    done += uint32_t(n);
  }
  std::memset(p + done, 0, len - done);
  return true;
}

bool ImageFile::Write(uint64_t offset, const void* buf, uint32_t len) {
  auto* p = static_cast<const char*>(buf);
  uint32_t done = 0;
  while (done < len) {
    ssize_t n = ::pwrite(fd_, p + done, len - done, off_t(offset + done));
    if (n <= 0) return false;
    done += uint32_t(n);
  }
  return true;
}

bool ImageFile::Truncate() { return ::ftruncate(fd_, 0) == 0; }

#endif

}  // namespace scrivo::vrecorder
