#include "transport/bvSPTI.h"
#include "transport/bvSPTI_request.h"

#include <cstring>

namespace scrivo {

TDriveEntry DriveTable[DriveTableSize];
uint8_t AdapterCount = 0;
std::atomic<bool> HandleRelease{true};

namespace {

constexpr int FirstScannedDrive = 2; // C
constexpr int LastScannedDrive = 25; // Z
// Logical unit marking a drive for which the system gave no SCSI address.
constexpr uint8_t NoAddressLun = 0xFA;

bool tableBuilt = false;
uint8_t missingAddressCount = 0;
uint8_t scanBuffer[1025];

void ClearTable() {
    std::memset(DriveTable, 0, sizeof DriveTable);
    for (TDriveEntry& e : DriveTable)
        e.Handle = InvalidDriveHandle;
}

// Asks drive n for its INQUIRY data and its SCSI address; a drive that cannot be
// opened or does not answer stays absent.
void ProbeDrive(int n) {
    DriveHandle h = OpenDrive(static_cast<uint8_t>(n));
    if (h == BusyDriveHandle) // a drive in use is still listed
        h = PassThroughOs().OpenDevice(n, false);
    if (h == InvalidDriveHandle)
        return;
    std::memset(scanBuffer, 0, sizeof scanBuffer);
    static const uint8_t inquiry[6] = {0x12, 0x00, 0x00, 0x00, 0x60, 0x00};
    TPassThroughArea area;
    FillPassThroughArea(area, inquiry, sizeof inquiry, SRB_SENSE_WANTED, ScsiDataIn, scanBuffer,
                        96);
    if (!SendPassThroughArea(h, area)) {
        PassThroughOs().CloseDevice(h);
        return;
    }
    TDriveEntry& e = DriveTable[n];
    std::memcpy(e.InquiryData, scanBuffer, sizeof e.InquiryData);

    ScsiAddress address{};
    address.Length = sizeof address;
    uint32_t returned = 0;
    e.Present = true;
    if (PassThroughOs().Ioctl(h, IoctlScsiGetAddress, nullptr, 0, &address, sizeof address,
                              &returned)) {
        e.HaId = address.PortNumber;
        e.Target = address.TargetId;
        e.Lun = address.Lun;
    } else {
        e.HaId = 0;
        e.Target = missingAddressCount++;
        e.Lun = NoAddressLun;
    }
    e.DriveNumber = static_cast<uint8_t>(n);
    e.Handle = InvalidDriveHandle;
    PassThroughOs().CloseDevice(h);
}

} // namespace

DriveHandle OpenDrive(uint8_t driveNumber) {
    DriveHandle h = PassThroughOs().OpenDevice(driveNumber, true);
    if (h == BusyDriveHandle)
        return h; // not read-only behind the other program's back
    if (h == InvalidDriveHandle)
        h = PassThroughOs().OpenDevice(driveNumber, false);
    return h;
}

uint8_t BuildDriveTable() {
    if (tableBuilt)
        return 0;
    missingAddressCount = 0;
    ClearTable();
    uint8_t found = 0;
    for (int n = FirstScannedDrive; n <= LastScannedDrive; ++n) {
        if (!PassThroughOs().IsCdDrive(n))
            continue;
        ProbeDrive(n);
        if (DriveTable[n].Present)
            ++found;
    }
    int highest = 0;
    for (const TDriveEntry& e : DriveTable)
        if (e.Present && e.HaId > highest)
            highest = e.HaId;
    AdapterCount = static_cast<uint8_t>(highest + 1);
    // Drives without an address form one extra adapter after the real ones.
    if (missingAddressCount != 0) {
        for (TDriveEntry& e : DriveTable) {
            if (e.Present && e.Lun == NoAddressLun) {
                e.Lun = 0;
                e.HaId = AdapterCount;
            }
        }
        ++AdapterCount;
    }
    tableBuilt = true;
    return found;
}

bool CloseDriveTable() {
    if (!tableBuilt)
        return false;
    for (TDriveEntry& e : DriveTable)
        if (e.Present && e.Handle != InvalidDriveHandle)
            PassThroughOs().CloseDevice(e.Handle);
    ClearTable();
    AdapterCount = 0;
    tableBuilt = false;
    return true;
}

char DriveLetterOf(uint8_t haId, uint8_t target, uint8_t lun) {
    for (int n = FirstScannedDrive; n <= LastScannedDrive; ++n) {
        const TDriveEntry& e = DriveTable[n];
        if (e.Present && e.HaId == haId && e.Target == target && e.Lun == lun)
            return static_cast<char>('A' + n);
    }
    return NoDriveLetter;
}

namespace {
// A built table is closed when the module is finalised.
struct DriveTableFinaliser {
    ~DriveTableFinaliser() { CloseDriveTable(); }
} driveTableFinaliser;
} // namespace

} // namespace scrivo
