// The emulated ASPI entry points of the pass-through layer.
#include "transport/bvSPTI.h"
#include "transport/bvSPTI_request.h"

#include <algorithm>
#include <cstring>

namespace scrivo {

const uint8_t ManagerId[16] = {'H', 'X', 'A', 'S', 'P', 'I', '3', '2'};

namespace {

constexpr uint8_t InquiryOpcode = 0x12;
// Bytes of the stored INQUIRY data that an INQUIRY through the layer answers.
constexpr uint32_t StoredInquiryAnswer = 36;

TDriveEntry* FindDrive(uint8_t haId, uint8_t target, uint8_t lun) {
    for (TDriveEntry& e : DriveTable)
        if (e.Present && e.HaId == haId && e.Target == target && e.Lun == lun)
            return &e;
    return nullptr;
}

uint8_t HostAdapterInquiry(SRB_HAInquiry& r) {
    r.HA_Count = AdapterCount;
    if (r.SRB_HaId >= AdapterCount)
        return SS_INVALID_HA;
    r.HA_SCSI_ID = 7;
    std::memcpy(r.HA_ManagerId, ManagerId, sizeof r.HA_ManagerId);
    static const uint8_t identifier[16] = {'S', 'P', 'T', 'I', ' ', ' '};
    std::memcpy(r.HA_Identifier, identifier, sizeof r.HA_Identifier);
    r.HA_Identifier[5] = static_cast<uint8_t>('0' + r.SRB_HaId);
    std::memset(r.HA_Unique, 0, 13);
    r.HA_Unique[0] = 7; // buffer alignment mask 0007h
    r.HA_Unique[3] = 8; // targets per adapter
    r.HA_Unique[6] = 0xFF; // maximum transfer 00FF0000h bytes
    return SS_COMP;
}

uint8_t DeviceType(SRB_GDEVBlock& r) {
    if (FindDrive(r.SRB_HaId, r.SRB_Target, r.SRB_Lun)) {
        r.SRB_DeviceType = DTYPE_CDROM;
        return SS_COMP;
    }
    r.SRB_DeviceType = DTYPE_UNKNOWN;
    return SS_NO_DEVICE;
}

uint8_t ExecuteCommand(SRB_ExecSCSICmd& r) {
    TDriveEntry* drive = FindDrive(r.SRB_HaId, r.SRB_Target, r.SRB_Lun);
    if (!drive)
        return SS_NO_DEVICE;
    if (r.CDBByte[0] == InquiryOpcode) {
        // Answered from the scan without asking the drive; never more than the
        // caller's buffer holds.
        if (r.SRB_HaId >= AdapterCount)
            return SS_INVALID_HA;
        if (r.SRB_BufPointer)
            std::memcpy(r.SRB_BufPointer, drive->InquiryData,
                        std::min(StoredInquiryAnswer, r.SRB_BufLen));
        return SS_COMP;
    }
    if (drive->Handle == InvalidDriveHandle)
        drive->Handle = OpenDrive(drive->DriveNumber);
    if (drive->Handle == BusyDriveHandle) {
        // Another program records on the drive: answered as a drive reserved by another
        // initiator; the next command tries again.
        drive->Handle = InvalidDriveHandle;
        r.SRB_TargStat = 0x18; // RESERVATION CONFLICT
        return SS_ERR;
    }
    uint8_t direction = (r.SRB_Flags & SRB_DIR_IN)    ? ScsiDataIn
                        : (r.SRB_Flags & SRB_DIR_OUT) ? ScsiDataOut
                                                      : ScsiDataUnspecified;
    TPassThroughArea area;
    FillPassThroughArea(area, r.CDBByte, r.SRB_CDBLen, r.SRB_SenseLen, direction,
                        r.SRB_BufPointer, r.SRB_BufLen);
    bool sent = SendPassThroughArea(drive->Handle, area);
    uint8_t status = SS_COMP;
    const ScsiPassThroughDirect& done = area.Request();
    if (!sent || done.ScsiStatus != 0) {
        status = SS_ERR;
        size_t n = std::min<size_t>({done.SenseInfoLength, PassThroughSenseRoom,
                                     sizeof r.SenseArea});
        std::memcpy(r.SenseArea, area.Sense(), n);
        r.SRB_TargStat = done.ScsiStatus;
    }
    if (HandleRelease && drive->Handle != InvalidDriveHandle &&
        PassThroughOs().CloseDevice(drive->Handle))
        drive->Handle = InvalidDriveHandle;
    return status;
}

} // namespace

uint32_t ASPI_CALL SPTI_GetASPI32SupportInfo(void) {
    if (AdapterCount != 0)
        return AdapterCount | (uint32_t(SS_COMP) << 8);
    return uint32_t(SS_NO_ADAPTERS) << 8;
}

uint32_t ASPI_CALL SPTI_SendASPI32Command(void* srb) {
    if (!srb)
        return SS_ERR;
    auto* header = static_cast<SRB_Header*>(srb);
    uint8_t status;
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY:
        status = HostAdapterInquiry(*static_cast<SRB_HAInquiry*>(srb));
        break;
    case SC_GET_DEV_TYPE:
        status = DeviceType(*static_cast<SRB_GDEVBlock*>(srb));
        break;
    case SC_EXEC_SCSI_CMD:
        status = ExecuteCommand(*static_cast<SRB_ExecSCSICmd*>(srb));
        break;
    case SC_GET_DISK_INFO:
        // Drive letters come from DriveLetterOf while this layer is in use.
        header->SRB_Status = SS_PENDING;
        return SS_ERR;
    default:
        status = SS_ERR;
        break;
    }
    header->SRB_Status = status;
    return status;
}

} // namespace scrivo
