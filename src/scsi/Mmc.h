// SCSI/MMC operation codes, status bytes and sense codes by name: one table for the engine,
// the virtual recorder and the tests, so that each speaks of a command the same way.
#pragma once
#include <cstdint>

namespace scrivo::scsi {

// Operation codes.
enum Op : uint8_t {
    kTestUnitReady = 0x00,
    kRezeroUnit = 0x01,
    kRequestSense = 0x03,
    kFormatUnit = 0x04,
    kInquiry = 0x12,
    kStartStopUnit = 0x1B,
    kPreventAllowRemoval = 0x1E,
    kReadFormatCapacities = 0x23,
    kReadCapacity = 0x25,
    kRead10 = 0x28,
    kWrite10 = 0x2A,
    kSynchronizeCache = 0x35,
    kReadToc = 0x43,
    kGetConfiguration = 0x46,
    kGetEventStatusNotification = 0x4A,
    kReadDiscInformation = 0x51,
    kReadTrackInformation = 0x52,
    kReserveTrack = 0x53,
    kSendOpcInformation = 0x54,
    kModeSelect10 = 0x55,
    kModeSense10 = 0x5A,
    kCloseTrackSession = 0x5B,
    kReadBufferCapacity = 0x5C,
    kSendCueSheet = 0x5D,
    kBlank = 0xA1,
    kRead12 = 0xA8,
    kGetPerformance = 0xAC,
    kReadDvdStructure = 0xAD,
    kSetStreaming = 0xB6,
    kSetCdSpeed = 0xBB,
    kReadCd = 0xBE,
    kSendDvdStructure = 0xBF,
};

// Status bytes.
enum Status : uint8_t {
    kStatusGood = 0x00,
    kStatusCheckCondition = 0x02,
    kStatusBusy = 0x08,
    kStatusReservationConflict = 0x18,
    kStatusTaskSetFull = 0x28,
};

// Sense keys (low nibble of fixed-format sense byte 2).
enum SenseKey : uint8_t {
    kNoSense = 0x00,
    kRecoveredError = 0x01,
    kNotReady = 0x02,
    kMediumError = 0x03,
    kHardwareError = 0x04,
    kIllegalRequest = 0x05,
    kUnitAttention = 0x06,
    kDataProtect = 0x07,
    kAbortedCommand = 0x0B,
};
constexpr uint8_t kSenseKeyMask = 0x0F;

// Where the fields lie in fixed-format sense data.
constexpr int kSenseKeyByte = 2;
constexpr int kSenseAscByte = 12;
constexpr int kSenseAscqByte = 13;

// Additional sense codes and qualifiers, as ASC << 8 | ASCQ.
enum Asc : uint16_t {
    kAscNone = 0x0000,
    kAscBecomingReady = 0x0401,
    kAscFormatInProgress = 0x0404,
    kAscOperationInProgress = 0x0407,
    kAscLongWriteInProgress = 0x0408,
    kAscWriteError = 0x0C00,
    kAscUnrecoveredReadError = 0x1100,
    kAscParameterListLengthError = 0x1A00,
    kAscInvalidCommandOpcode = 0x2000,
    kAscLbaOutOfRange = 0x2100,
    kAscInvalidAddressForWrite = 0x2102,
    kAscInvalidFieldInCdb = 0x2400,
    kAscInvalidFieldInParameterList = 0x2600,
    kAscWriteProtected = 0x2700,
    kAscMediumMayHaveChanged = 0x2800,
    kAscPowerOnReset = 0x2900,
    kAscCommandSequenceError = 0x2C00,
    kAscIncompatibleMedium = 0x3000,
    kAscCannotReadIncompatibleFormat = 0x3002,
    kAscCannotWriteIncompatibleFormat = 0x3005,
    kAscCannotFormatIncompatibleMedium = 0x3006,
    kAscMediumNotFormatted = 0x3010,
    kAscSavingParametersNotSupported = 0x3900,
    kAscMediumNotPresentTrayClosed = 0x3A01,
    kAscMediumNotPresentTrayOpen = 0x3A02,
    kAscMediumRemovalPrevented = 0x5302,
    kAscIllegalModeForThisTrack = 0x6400,
    kAscSessionFixationError = 0x7200,
    kAscNoMoreTrackReservationsAllowed = 0x7205,
};
// The ASC of every "logical unit not ready" code; its ASCQ tells why.
constexpr uint8_t kAscNotReadyFamily = 0x04;
constexpr uint8_t AscOf(Asc a) {
    return uint8_t(a >> 8);
}
constexpr uint8_t AscqOf(Asc a) {
    return uint8_t(a);
}

} // namespace scrivo::scsi
