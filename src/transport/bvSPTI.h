// The pass-through layer "HXASPI32": an emulated ASPI manager over the system's SCSI
// pass-through. CD/DVD drives found by drive letter get an ASPI address (adapter,
// target, logical unit); requests complete before SendASPI32Command returns.
#pragma once
#include "platform/PassThrough.h"
#include "transport/bvASPI_srb.h"

#include <atomic>
#include <cstdint>

namespace scrivo {

struct TDriveEntry {
    uint8_t HaId;
    uint8_t Target;
    uint8_t Lun;
    uint8_t DriveNumber; // 0 = A
    bool Present;
    DriveHandle Handle; // InvalidDriveHandle while closed
    uint8_t InquiryData[40]; // start of the drive's INQUIRY answer
};

constexpr int DriveTableSize = 27;
// Drive letter answered by DriveLetterOf when no drive has the address.
constexpr char NoDriveLetter = '\x7F';

// Process-wide state of the layer; written by the scan, read by the emulated adapter.
extern TDriveEntry DriveTable[DriveTableSize];
extern uint8_t AdapterCount;
// True: close a drive's handle after each command (the next one opens it afresh).
extern std::atomic<bool> HandleRelease;
// The 16-byte manager name of the emulated adapter.
extern const uint8_t ManagerId[16];

// Scans the drive letters C to Z; answers the number of drives found, 0 when the table
// is already built.
uint8_t BuildDriveTable();
// Closes open handles and clears the table; false when it was not built.
bool CloseDriveTable();
// Opens drive number n for reading and writing, else for reading only; BusyDriveHandle
// when another program has it.
DriveHandle OpenDrive(uint8_t driveNumber);
// The letter of the first present drive with this address, NoDriveLetter when none.
char DriveLetterOf(uint8_t haId, uint8_t target, uint8_t lun);

// The emulated entry points.
uint32_t ASPI_CALL SPTI_GetASPI32SupportInfo(void);
uint32_t ASPI_CALL SPTI_SendASPI32Command(void* srb);

} // namespace scrivo
