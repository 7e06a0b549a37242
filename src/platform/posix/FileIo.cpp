// File handles on POSIX: plain descriptors, closed on exec.
#include "../Files.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) == 8, "64-bit file offsets are required");

namespace scrivo {

FileHandle FileCreateExclusive(const std::string& path)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? InvalidFileHandle : fd;
}

FileHandle FileOpenSharedRead(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return InvalidFileHandle;
    struct stat st;
    int err = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (err != 0) {
        close(fd);
        errno = err;
        return InvalidFileHandle;
    }
    return fd;
}

uint32_t FileRead(FileHandle h, void* buffer, uint32_t count)
{
    bool failed = false;
    return FileRead(h, buffer, count, failed);
}

uint32_t FileRead(FileHandle h, void* buffer, uint32_t count, bool& failed) {
    failed = false;
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = read(static_cast<int>(h), static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true;
            return done; // what arrived before the failure
        }
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

uint32_t FileWrite(FileHandle h, const void* buffer, uint32_t count)
{
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = write(static_cast<int>(h), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

int64_t FileSeek(FileHandle h, int64_t offset, int origin)
{
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) {
        errno = EINVAL;
        return -1;
    }
    off_t r = lseek(static_cast<int>(h), static_cast<off_t>(offset), whence[origin]);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

bool FileSetEnd(FileHandle h)
{
    off_t pos = lseek(static_cast<int>(h), 0, SEEK_CUR);
    return pos >= 0 && ftruncate(static_cast<int>(h), pos) == 0;
}

void FileClose(FileHandle h)
{
    if (h != InvalidFileHandle)
        close(static_cast<int>(h)); // no retry on EINTR: the descriptor is gone either way
}

OsError LastOsError()
{
    int code = errno;
    char buf[256];
    // The GNU variant may answer a static string instead of filling buf.
    const char* text = strerror_r(code, buf, sizeof buf);
    return {code, text ? text : ""};
}

} // namespace scrivo
