#include "platform/PassThrough.h"
#include "platform/posix/SgIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <scsi/scsi.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scrivo {

namespace {

constexpr int FirstScannedDrive = 2; // C:

bool SysIsCdDrive(int driveNumber) {
    std::string path = DriveDevicePath(driveNumber);
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

DriveHandle SysOpenDevice(int driveNumber, bool readWrite) {
    std::string path = DriveDevicePath(driveNumber);
    if (path.empty())
        return InvalidDriveHandle;
    // Non-blocking, so that a drive without a disc still opens. Opened for writing it is
    // opened exclusively: a second recording on the drive would overwrite the first.
    int fd = open(path.c_str(), (readWrite ? O_RDWR | O_EXCL : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return readWrite && errno == EBUSY ? BusyDriveHandle : InvalidDriveHandle;
    return fd;
}

bool SysCloseDevice(DriveHandle h) { return h >= 0 && close(static_cast<int>(h)) == 0; }

bool PassThroughDirect(int fd, void* in, uint32_t inSize, void* out, uint32_t outSize,
                       uint32_t* returned) {
    if (in == nullptr || out == nullptr || inSize < sizeof(ScsiPassThroughDirect) ||
        outSize < sizeof(ScsiPassThroughDirect)) {
        errno = EINVAL;
        return false;
    }
    if (out != in)
        std::memmove(out, in, inSize < outSize ? inSize : outSize);
    auto& r = *static_cast<ScsiPassThroughDirect*>(out);
    if (r.CdbLength > sizeof r.Cdb ||
        (r.SenseInfoLength != 0 && r.SenseInfoOffset + r.SenseInfoLength > outSize)) {
        errno = EINVAL;
        return false;
    }
    sg_io_hdr_t io;
    SgIoFromRequest(r, static_cast<uint8_t*>(out) + r.SenseInfoOffset, io);
    if (ioctl(fd, SG_IO, &io) < 0 || !RequestFromSgIo(io, r))
        return false;
    if (returned)
        *returned = outSize;
    return true;
}

bool GetAddress(int fd, void* out, uint32_t outSize, uint32_t* returned) {
    if (out == nullptr || outSize < sizeof(ScsiAddress)) {
        errno = EINVAL;
        return false;
    }
    int idlun[2] = {0, 0};
    if (ioctl(fd, SCSI_IOCTL_GET_IDLUN, idlun) < 0)
        return false;
    auto id = static_cast<uint32_t>(idlun[0]);
    ScsiAddress a;
    a.Length = sizeof a;
    a.PortNumber = static_cast<uint8_t>(id >> 24);
    a.PathId = static_cast<uint8_t>(id >> 16);
    a.TargetId = static_cast<uint8_t>(id);
    a.Lun = static_cast<uint8_t>(id >> 8);
    std::memcpy(out, &a, sizeof a);
    if (returned)
        *returned = sizeof a;
    return true;
}

bool SysIoctl(DriveHandle h, uint32_t code, void* in, uint32_t inSize, void* out,
              uint32_t outSize, uint32_t* returned) {
    if (returned)
        *returned = 0;
    if (h < 0) {
        errno = EBADF;
        return false;
    }
    int fd = static_cast<int>(h);
    switch (code) {
    case IoctlScsiPassThroughDirect:
        return PassThroughDirect(fd, in, inSize, out, outSize, returned);
    case IoctlScsiGetAddress:
        return GetAddress(fd, out, outSize, returned);
    default:
        errno = ENOTTY;
        return false;
    }
}

constexpr PassThroughOps systemOps{SysIsCdDrive, SysOpenDevice, SysCloseDevice, SysIoctl};

} // namespace

const PassThroughOps& SystemPassThroughOps() { return systemOps; }

std::string DriveDevicePath(int driveNumber) {
    if (driveNumber < FirstScannedDrive || driveNumber > 25)
        return {};
    return "/dev/sr" + std::to_string(driveNumber - FirstScannedDrive);
}

} // namespace scrivo
