// Finding the drive letter of a SCSI address through the volumes' own SCSI addresses.
#include "platform/PassThrough.h"

#include <cstdint>

namespace scrivo {

char VolumeLetterForAddress(uint8_t haId, uint8_t target)
{
    const PassThroughOps& os = PassThroughOs();
    for (char letter = 'B'; letter <= 'Z'; ++letter) {
        const int drive = letter - 'A';
        DriveHandle h = os.OpenDevice(drive, true);
        if (h == InvalidDriveHandle)
            h = os.OpenDevice(drive, false);
        if (h == InvalidDriveHandle)
            continue;
        ScsiAddress address = {};
        address.Length = sizeof address;
        uint32_t returned = 0;
        // The LUN is not compared: volumes on one port and target share the letter found first.
        const bool match = os.Ioctl(h, IoctlScsiGetAddress, nullptr, 0, &address, sizeof address, &returned) &&
            address.PortNumber == haId && address.TargetId == target;
        os.CloseDevice(h);
        if (match)
            return letter;
    }
    return 0;
}

} // namespace scrivo
