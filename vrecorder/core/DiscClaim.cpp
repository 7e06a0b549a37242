#include "DiscClaim.h"

#include "ImageFile.h"

#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace scrivo::vrecorder {

#ifdef _WIN32

namespace {
// The byte locked lies past the pid, so that others can still read who holds the claim.
constexpr DWORD kLockOffset = 0x40000000;
}  // namespace

std::unique_ptr<DiscClaim> DiscClaim::Lock(const std::string& imagePath, bool note) {
  HANDLE h = CreateFileW(WidePath(LockPath(imagePath)).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  OVERLAPPED o{};
  o.Offset = kLockOffset;
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o)) {
    CloseHandle(h);
    return nullptr;
  }
  if (note) {
    std::string pid = std::to_string(GetCurrentProcessId()) + "\n";
    DWORD written = 0;
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    WriteFile(h, pid.data(), DWORD(pid.size()), &written, nullptr);
  }
  std::unique_ptr<DiscClaim> claim(new DiscClaim);
  claim->handle_ = h;
  return claim;
}

DiscClaim::~DiscClaim() {
  if (handle_) CloseHandle(handle_);  // closing lets the lock go
}

#else

std::unique_ptr<DiscClaim> DiscClaim::Lock(const std::string& imagePath, bool note) {
  int fd = open(LockPath(imagePath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // flock belongs to the open file: a second drive on the same disc, even in this process,
  // is refused as another process would be.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  std::string pid = std::to_string(getpid()) + "\n";
  if (note && (ftruncate(fd, 0) != 0 || pwrite(fd, pid.data(), pid.size(), 0) != ssize_t(pid.size()))) {
    // The claim holds without the note of its holder.
  }
  std::unique_ptr<DiscClaim> claim(new DiscClaim);
  claim->fd_ = fd;
  return claim;
}

DiscClaim::~DiscClaim() {
  if (fd_ >= 0) close(fd_);  // closing lets the lock go
}

#endif

std::unique_ptr<DiscClaim> DiscClaim::Take(const std::string& imagePath) { return Lock(imagePath, true); }

bool DiscClaim::Free(const std::string& imagePath) { return Lock(imagePath, false) != nullptr; }

std::string DiscClaim::Holder(const std::string& imagePath) {
  if (Free(imagePath)) return "";
  std::ifstream in(LockPath(imagePath), std::ios::binary);
  std::string pid;
  std::getline(in, pid);
  return pid;
}

}  // namespace scrivo::vrecorder
