// SCSI pass-through to CD/DVD drives addressed by drive number (0 = A .. 25 = Z).
// Windows: "\\.\X:" volumes and DeviceIoControl. Linux: /dev/srN stands for drive
// number N + 2 (sr0 is C:), and the two Windows requests below are carried out with
// SG_IO and SCSI_IOCTL_GET_IDLUN, so the layer above is the same on both systems.
// Every call goes through PassThroughOs(), whose members tests replace by fakes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace scrivo {

using DriveHandle = intptr_t;
constexpr DriveHandle InvalidDriveHandle = -1;
// Answered by OpenDevice for reading and writing when another program has the drive open
// exclusively (Linux: EBUSY on O_EXCL, also while the disc is mounted).
constexpr DriveHandle BusyDriveHandle = -2;

// The two requests, with the Windows control codes.
constexpr uint32_t IoctlScsiPassThroughDirect = 0x0004D014;
constexpr uint32_t IoctlScsiGetAddress = 0x00041018;

// ScsiPassThroughDirect::DataIn values.
constexpr uint8_t ScsiDataOut = 0;
constexpr uint8_t ScsiDataIn = 1;
constexpr uint8_t ScsiDataUnspecified = 2;

// The Windows SCSI_PASS_THROUGH_DIRECT layout (natural alignment: 44 bytes on 32-bit).
struct ScsiPassThroughDirect {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength; // in: room for sense data; out: sense bytes returned
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue; // seconds
    void* DataBuffer;
    uint32_t SenseInfoOffset; // from the start of the structure
    uint8_t Cdb[16];
};

// The request area handed to the pass-through request: the structure, then the sense
// buffer at the next 8-byte boundary (offset 48 of an 80-byte area on 32-bit).
constexpr size_t PassThroughSenseOffset = (sizeof(ScsiPassThroughDirect) + 7) & ~size_t(7);
constexpr size_t PassThroughSenseRoom = 32;
constexpr size_t PassThroughAreaSize = PassThroughSenseOffset + PassThroughSenseRoom;

// The Windows SCSI_ADDRESS (8 bytes).
struct ScsiAddress {
    uint32_t Length;
    uint8_t PortNumber;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
};
static_assert(sizeof(ScsiAddress) == 8);

struct PassThroughOps {
    // Whether the drive number names a CD/DVD drive (GetDriveType = CD-ROM; Linux:
    // /dev/srN exists as a block device).
    bool (*IsCdDrive)(int driveNumber);
    // Opens the drive's device for reading and writing with shared read and write (Linux:
    // exclusively, so that one program records on a drive at a time), or for reading with
    // shared read; InvalidDriveHandle on failure, BusyDriveHandle when the drive is in use.
    DriveHandle (*OpenDevice)(int driveNumber, bool readWrite);
    bool (*CloseDevice)(DriveHandle h);
    // DeviceIoControl: `code` is one of the two requests above; `returned` receives the
    // output byte count. False when the call fails (a timed-out command included).
    bool (*Ioctl)(DriveHandle h, uint32_t code, void* in, uint32_t inSize, void* out,
                  uint32_t outSize, uint32_t* returned);
};

// The operations in use; assign members to stand in for drives.
PassThroughOps& PassThroughOs();
// The system's own operations, to restore after a stand-in.
const PassThroughOps& SystemPassThroughOps();

// The device path of a drive number: "\\.\E:" on Windows, "/dev/sr2" on Linux.
std::string DriveDevicePath(int driveNumber);

} // namespace scrivo
