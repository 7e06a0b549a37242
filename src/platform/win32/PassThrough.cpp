#include "platform/PassThrough.h"

#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>

namespace scrivo {

static_assert(IoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(IoctlScsiGetAddress == IOCTL_SCSI_GET_ADDRESS);
static_assert(sizeof(ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer));
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) ==
              offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset));
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb));
static_assert(sizeof(ScsiAddress) == sizeof(SCSI_ADDRESS));
static_assert(ScsiDataIn == SCSI_IOCTL_DATA_IN && ScsiDataOut == SCSI_IOCTL_DATA_OUT &&
              ScsiDataUnspecified == SCSI_IOCTL_DATA_UNSPECIFIED);

namespace {

bool SysIsCdDrive(int driveNumber) {
    if (driveNumber < 0 || driveNumber > 25)
        return false;
    char root[] = {static_cast<char>('A' + driveNumber), ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_CDROM;
}

DriveHandle SysOpenDevice(int driveNumber, bool readWrite) {
    if (driveNumber < 0 || driveNumber > 25)
        return InvalidDriveHandle;
    wchar_t path[] = {L'\\', L'\\', L'.', L'\\', static_cast<wchar_t>(L'A' + driveNumber), L':',
                      L'\0'};
    HANDLE h = readWrite ? CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                         : CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? InvalidDriveHandle : reinterpret_cast<DriveHandle>(h);
}

bool SysCloseDevice(DriveHandle h) {
    return h != InvalidDriveHandle && CloseHandle(reinterpret_cast<HANDLE>(h)) != 0;
}

bool SysIoctl(DriveHandle h, uint32_t code, void* in, uint32_t inSize, void* out,
              uint32_t outSize, uint32_t* returned) {
    DWORD n = 0;
    BOOL ok = DeviceIoControl(reinterpret_cast<HANDLE>(h), code, in, inSize, out, outSize, &n,
                              nullptr);
    if (returned)
        *returned = n;
    return ok != 0;
}

constexpr PassThroughOps systemOps{SysIsCdDrive, SysOpenDevice, SysCloseDevice, SysIoctl};

} // namespace

const PassThroughOps& SystemPassThroughOps() { return systemOps; }

std::string DriveDevicePath(int driveNumber) {
    if (driveNumber < 0 || driveNumber > 25)
        return {};
    return std::string("\\\\.\\") + static_cast<char>('A' + driveNumber) + ":";
}

} // namespace scrivo
