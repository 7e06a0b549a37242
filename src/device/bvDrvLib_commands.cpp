// The device command set: one operation per command, with its CDB, data and timeout.
#include "bvDrvLib.h"

#include "bvDrvLib_bytes.h"
#include "bvDrvLib_request.h"
#include "scsi/Mmc.h"

#include <cstdio>

namespace scrivo {

namespace {

bool Completed(const SRB_ExecSCSICmd& srb) { return srb.SRB_Status == SS_COMP; }
// WRITE (10) and BLANK count as successful while the drive still works on them.
bool CompletedOrPending(const SRB_ExecSCSICmd& srb)
{
    return srb.SRB_Status == SS_COMP || srb.SRB_Status == SS_PENDING;
}

} // namespace

bool TSCSIDevice::TestUnitReady(uint32_t timeoutMs)
{
    auto srb = NewRequest(FlagsNoData, 6, scsi::kTestUnitReady);
    ExecuteCommand(srb, timeoutMs);
    return Completed(srb);
}

void TSCSIDevice::RezeroUnit()
{
    auto srb = NewRequest(FlagsNoData, 6, scsi::kRezeroUnit);
    ExecuteCommand(srb, 10000);
}

bool TSCSIDevice::RequestSense(uint8_t* buffer, uint8_t length)
{
    auto srb = NewRequest(FlagsDataIn, 6, scsi::kRequestSense, buffer, length);
    srb.CDBByte[4] = length;
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::FormatUnit(uint8_t byte1, const uint8_t* parameterList, uint32_t length)
{
    auto srb = NewRequest(FlagsDataOut, 6, scsi::kFormatUnit, parameterList, length);
    srb.CDBByte[1] = byte1;
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::Inquiry()
{
    auto srb = NewRequest(FlagsDataIn, 6, scsi::kInquiry, InquiryData, 128);
    srb.CDBByte[4] = 128;
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::StartStopUnit(bool eject)
{
    auto srb = NewRequest(FlagsNoData, 6, scsi::kStartStopUnit);
    srb.CDBByte[4] = eject ? 0x02 : 0x03;
    ExecuteReleasing(srb, 20000);
    return Completed(srb);
}

void TSCSIDevice::ExecuteReleasing(SRB_ExecSCSICmd& srb, uint32_t timeoutMs)
{
    if (!handleHeld_)
        SetHandleRelease(true);
    ExecuteCommand(srb, timeoutMs);
    SetHandleRelease(false);
}

bool TSCSIDevice::PreventAllowRemoval(bool allow)
{
    auto srb = NewRequest(FlagsNoData, 6, scsi::kPreventAllowRemoval);
    srb.CDBByte[4] = allow ? 0x00 : 0x01;
    if (!allow) {
        ExecuteCommand(srb, 10000);
        return Completed(srb);
    }
    ExecuteReleasing(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::ReadFormatCapacities(uint8_t* buffer248)
{
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kReadFormatCapacities, buffer248, 248);
    srb.CDBByte[8] = 0xF8;
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::ReadBlocks(uint32_t lba, uint16_t blocks, uint32_t byteLength, uint8_t* buffer)
{
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kRead10, buffer, byteLength);
    PutBE32(srb.CDBByte + 2, lba);
    PutBE16(srb.CDBByte + 7, blocks);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::WriteBlocks(uint32_t lba, uint16_t blocks, uint8_t flags, uint32_t byteLength, uint8_t* buffer)
{
    auto srb = NewRequest(flags, 10, scsi::kWrite10, buffer, byteLength);
    PutBE32(srb.CDBByte + 2, lba);
    PutBE16(srb.CDBByte + 7, blocks);
    ExecuteCommand(srb, 120000);
    return CompletedOrPending(srb);
}

bool TSCSIDevice::SynchronizeCache(uint32_t timeoutMs, bool immediate)
{
    auto srb = NewRequest(FlagsNoData, 10, scsi::kSynchronizeCache);
    srb.CDBByte[1] = immediate ? 0x02 : 0x00;
    ExecuteCommand(srb, timeoutMs);
    return Completed(srb);
}

bool TSCSIDevice::ReadTOC(bool msf, uint8_t format, uint8_t trackSession, uint8_t* buffer, uint8_t length)
{
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kReadToc, buffer, length);
    srb.CDBByte[1] = msf ? 0x02 : 0x00;
    srb.CDBByte[2] = format;
    srb.CDBByte[6] = trackSession;
    srb.CDBByte[8] = length;
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::GetConfiguration(uint8_t rt, uint16_t startingFeature, uint8_t* buffer, uint8_t length)
{
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kGetConfiguration, buffer, length);
    srb.CDBByte[1] = rt;
    PutBE16(srb.CDBByte + 2, startingFeature);
    srb.CDBByte[8] = length;
    ExecuteCommand(srb, 30000);
    return Completed(srb);
}

bool TSCSIDevice::ReadDiscInformation()
{
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kReadDiscInformation, DiscInformation, DiscInformationSize);
    srb.CDBByte[8] = DiscInformationSize;
    ExecuteCommand(srb, 10000);
    if (!Completed(srb))
        return false;
    BE16ToHostInPlace(DiscInformation);
    return true;
}

bool TSCSIDevice::ReadTrackInformation(uint32_t track)
{
    auto srb =
        NewRequest(FlagsDataIn, 10, scsi::kReadTrackInformation, TrackInformation, sizeof TrackInformation);
    srb.CDBByte[1] = 0x01;
    PutBE32(srb.CDBByte + 2, track);
    srb.CDBByte[8] = sizeof TrackInformation;
    ExecuteCommand(srb, 60000);
    if (!Completed(srb))
        return false;
    BE16ToHostInPlace(TrackInformation);
    for (size_t offset = 8; offset < 32; offset += 4)
        BE32ToHostInPlace(TrackInformation + offset);
    return true;
}

uint32_t TSCSIDevice::TrackField(size_t offset) const { return GetHost32(TrackInformation + offset); }

bool TSCSIDevice::ReserveTrack(uint32_t blocks)
{
    auto srb = NewRequest(FlagsNoData, 12, scsi::kReserveTrack);
    PutBE32(srb.CDBByte + 5, blocks);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::SendOPC()
{
    auto srb = NewRequest(FlagsNoData, 10, scsi::kSendOpcInformation);
    srb.CDBByte[1] = 0x01;
    ExecuteCommand(srb, 150000);
    return Completed(srb);
}

bool TSCSIDevice::ModeSelect(const uint8_t* parameterList, uint16_t length)
{
    if (length > TransferBufferSize)
        return false;
    std::memcpy(TransferBuffer, parameterList, length);
    auto srb = NewRequest(FlagsDataOut, 10, scsi::kModeSelect10, TransferBuffer, length);
    srb.CDBByte[1] = 0x10; // page format
    PutBE16(srb.CDBByte + 7, length);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::ModeSense(uint8_t page, bool defaults, uint8_t* buffer, uint16_t length)
{
    if (length > TransferBufferSize)
        return false;
    // A short reply must not leave an earlier command's bytes behind it.
    std::memset(TransferBuffer, 0, length);
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kModeSense10, TransferBuffer, length);
    srb.CDBByte[2] = uint8_t(page | (defaults ? 0x80 : 0x00));
    PutBE16(srb.CDBByte + 7, length);
    ExecuteCommand(srb, 20000);
    if (!Completed(srb))
        return false;
    std::memcpy(buffer, TransferBuffer, length);
    return true;
}

bool TSCSIDevice::CloseTrackSession(bool immediate, uint8_t function, uint8_t byte3, uint8_t byte4, uint8_t byte5)
{
    auto srb = NewRequest(FlagsNoData, 10, scsi::kCloseTrackSession);
    srb.CDBByte[1] = immediate ? 0x01 : 0x00;
    srb.CDBByte[2] = function;
    srb.CDBByte[3] = byte3;
    srb.CDBByte[4] = byte4;
    srb.CDBByte[5] = byte5;
    ExecuteCommand(srb, 180000);
    return Completed(srb);
}

bool TSCSIDevice::CloseSession(bool closeTrack, bool immediate, bool finalize)
{
    const uint8_t function = finalize ? 5 : closeTrack ? 1 : 2;
    return CloseTrackSession(immediate, function, 0, 0, closeTrack ? 0xFF : 0x00);
}

bool TSCSIDevice::ReadBufferCapacity(uint32_t& bufferLength, uint32_t& blankLength)
{
    alignas(4) uint8_t reply[32] = {};
    auto srb = NewRequest(FlagsDataIn, 10, scsi::kReadBufferCapacity, reply, sizeof reply);
    srb.CDBByte[8] = sizeof reply;
    ExecuteCommand(srb, 10000);
    if (!Completed(srb)) {
        DeviceFreeBufferSize = 0;
        return false;
    }
    bufferLength = GetBE32(reply + 4);
    blankLength = GetBE32(reply + 8);
    DeviceBufferSize = bufferLength;
    DeviceFreeBufferSize = blankLength == 0xFFFFFFFF ? bufferLength : blankLength;
    return true;
}

bool TSCSIDevice::SendCueSheet(const uint8_t* buffer, uint32_t length)
{
    auto srb = NewRequest(FlagsDataOut, 10, scsi::kSendCueSheet, buffer, length);
    PutBE16(srb.CDBByte + 7, uint16_t(length));
    ExecuteCommand(srb, 30000);
    return Completed(srb);
}

bool TSCSIDevice::Blank(uint8_t blankingType)
{
    auto srb = NewRequest(FlagsNoData, 12, scsi::kBlank);
    srb.CDBByte[1] = uint8_t(blankingType | 0x10); // immediate
    ExecuteCommand(srb, 4800000);
    return CompletedOrPending(srb);
}

bool TSCSIDevice::SetStreaming(const uint8_t* buffer, uint16_t length)
{
    auto srb = NewRequest(FlagsDataOut, 12, scsi::kSetStreaming, buffer, length);
    PutBE16(srb.CDBByte + 9, length);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::SetCDSpeed(uint16_t readSpeed, uint16_t writeSpeed)
{
    auto srb = NewRequest(FlagsNoData, 12, scsi::kSetCdSpeed);
    PutBE16(srb.CDBByte + 2, readSpeed == 0 ? 0xFFFF : readSpeed);
    PutBE16(srb.CDBByte + 4, writeSpeed == 0 ? 0xFFFF : writeSpeed);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::SendDVDStructure(uint8_t format, const uint8_t* buffer, uint16_t length)
{
    auto srb = NewRequest(FlagsDataOut, 12, scsi::kSendDvdStructure, buffer, length);
    srb.CDBByte[7] = format;
    PutBE16(srb.CDBByte + 8, length);
    ExecuteCommand(srb, 10000);
    return Completed(srb);
}

bool TSCSIDevice::SendTimestamp(TDateTime dateTime)
{
    alignas(4) uint8_t list[22] = {};
    PutBE16(list, 0x0014);
    const DateTimeParts t = DecodeDateTime(dateTime);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t.Year % 10000, t.Month % 100, t.Day % 100,
                  t.Hour % 100, t.Minute % 100, t.Second % 100);
    std::memcpy(list + 8, text, 14);
    return SendDVDStructure(0x0F, list, sizeof list);
}

} // namespace scrivo
