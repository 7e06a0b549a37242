/*
 * ASPI-shaped request blocks, codes and entry point types.
 *
 * Plain C so that an ASPI library (the virtual recorder among them) can include it
 * without anything else of ours. All structs are packed. On 32-bit builds the layout
 * is exactly the ASPI for Win32 one (the execute request is 97 bytes); on 64-bit
 * builds the two pointer fields of the execute request widen to 8 bytes and
 * everything after them moves. Multi-byte fields are in host (little-endian) order.
 *
 * Completion: with SRB_EVENT_NOTIFY set, SRB_PostProc names what the library signals
 * when a request that answered SS_PENDING is over. On Windows that is a Win32 event
 * HANDLE (SetEvent). On POSIX it is a pointer to an SRB_CompletionEvent; the library
 * calls ev->Signal(ev).
 */
#ifndef SCRIVO_TRANSPORT_BVASPI_SRB_H
#define SCRIVO_TRANSPORT_BVASPI_SRB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Command codes (SRB_Cmd). */
#define SC_HA_INQUIRY 0x00
#define SC_GET_DEV_TYPE 0x01
#define SC_EXEC_SCSI_CMD 0x02
#define SC_ABORT_SRB 0x03
#define SC_RESET_DEV 0x04
#define SC_GET_DISK_INFO 0x06
#define SC_RESCAN_SCSI_BUS 0x07

/* Status values (SRB_Status and the answer of SendASPI32Command). */
#define SS_PENDING 0x00
#define SS_COMP 0x01
#define SS_ABORTED 0x02
#define SS_ABORT_FAIL 0x03
#define SS_ERR 0x04
#define SS_INVALID_CMD 0x80
#define SS_INVALID_HA 0x81
#define SS_NO_DEVICE 0x82
#define SS_INVALID_SRB 0xE0
#define SS_BUFFER_ALIGN 0xE1
#define SS_ASPI_IS_BUSY 0xE5
#define SS_BUFFER_TOO_BIG 0xE6
/* Only in the support information (bits 8-15 of GetASPI32SupportInfo). */
#define SS_NO_ADAPTERS 0xE8

/* Request flags (SRB_Flags). */
#define SRB_POSTING 0x01
#define SRB_ENABLE_RESIDUAL_COUNT 0x04
#define SRB_DIR_IN 0x08
#define SRB_DIR_OUT 0x10
#define SRB_EVENT_NOTIFY 0x40

/* Host adapter status (SRB_HaStat). */
#define HASTAT_OK 0x00
#define HASTAT_TIMEOUT 0x09
#define HASTAT_COMMAND_TIMEOUT 0x0B
#define HASTAT_MESSAGE_REJECT 0x0D
#define HASTAT_BUS_RESET 0x0E
#define HASTAT_PARITY_ERROR 0x0F
#define HASTAT_REQUEST_SENSE_FAILED 0x10
#define HASTAT_SEL_TO 0x11
#define HASTAT_DO_DU 0x12
#define HASTAT_BUS_FREE 0x13
#define HASTAT_PHASE_ERR 0x14

/* Target (SCSI) status (SRB_TargStat). */
#define STATUS_GOOD 0x00
#define STATUS_CHKCOND 0x02
#define STATUS_BUSY 0x08
#define STATUS_RESCONF 0x18
#define STATUS_QUEUE_FULL 0x28

/* Peripheral device types (SRB_DeviceType, INQUIRY byte 0). */
#define DTYPE_DASD 0x00
#define DTYPE_SEQD 0x01
#define DTYPE_PRNT 0x02
#define DTYPE_PROC 0x03
#define DTYPE_WORM 0x04
#define DTYPE_CDROM 0x05
#define DTYPE_SCAN 0x06
#define DTYPE_OPTI 0x07
#define DTYPE_JUKE 0x08
#define DTYPE_COMM 0x09
#define DTYPE_UNKNOWN 0x1F

/* Sizes of the fixed areas. */
#define SRB_CDB_LEN 16
#define SRB_SENSE_AREA_LEN 33
/* Sense bytes the device layer asks for (SRB_SenseLen). */
#define SRB_SENSE_WANTED 24

#pragma pack(push, 1)

/* The header shared by every request block. */
typedef struct SRB_Header {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
} SRB_Header;

/* SC_HA_INQUIRY. HA_Unique: bytes 0-1 alignment mask, byte 2 residual-count support,
 * byte 3 maximum targets, bytes 4-7 maximum transfer length. */
typedef struct SRB_HAInquiry {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16];
    uint16_t HA_Rsvd1;
} SRB_HAInquiry;

/* SC_GET_DEV_TYPE. */
typedef struct SRB_GDEVBlock {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
} SRB_GDEVBlock;

/* SC_EXEC_SCSI_CMD. */
typedef struct SRB_ExecSCSICmd {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void* SRB_PostProc; /* event HANDLE on Windows, SRB_CompletionEvent* on POSIX */
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[SRB_CDB_LEN];
    uint8_t SenseArea[SRB_SENSE_AREA_LEN];
} SRB_ExecSCSICmd;

/* SC_ABORT_SRB: SRB_ToAbort is the execute request to abort. */
typedef struct SRB_Abort {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
} SRB_Abort;

/* SC_RESET_DEV: a bus device reset of one target. */
typedef struct SRB_BusDeviceReset {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_Rsvd1[12];
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    void* SRB_PostProc;
    void* SRB_Rsvd2;
    uint8_t SRB_Rsvd3[16];
    uint8_t CDBByte[16];
} SRB_BusDeviceReset;

/* SC_GET_DISK_INFO. SRB_Int13HDriveInfo holds the drive number (0 = A). */
typedef struct SRB_GetDiskInfo {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DriveFlags;
    uint8_t SRB_Int13HDriveInfo;
    uint8_t SRB_Heads;
    uint8_t SRB_Sectors;
    uint8_t SRB_Rsvd1[10];
} SRB_GetDiskInfo;

#pragma pack(pop)

/* POSIX completion object: SRB_PostProc points at it; the library calls
 * ev->Signal(ev) when a pending request is over. Callers embed it as the first
 * member of their own event type. */
typedef struct SRB_CompletionEvent {
    void (*Signal)(void* self);
} SRB_CompletionEvent;

/* The two entry points: C calling convention, the caller removes the argument. */
#ifdef _WIN32
#define ASPI_CALL __cdecl
#else
#define ASPI_CALL
#endif
typedef uint32_t(ASPI_CALL* TGetASPI32SupportInfo)(void);
typedef uint32_t(ASPI_CALL* TSendASPI32Command)(void* srb);

/* Layout checks. */
#ifdef __cplusplus
#define SRB_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define SRB_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

SRB_STATIC_ASSERT(sizeof(SRB_Header) == 8, "SRB header is 8 bytes");
SRB_STATIC_ASSERT(sizeof(SRB_HAInquiry) == 60, "HA inquiry is 60 bytes");
SRB_STATIC_ASSERT(offsetof(SRB_HAInquiry, HA_ManagerId) == 10, "HA_ManagerId at 10");
SRB_STATIC_ASSERT(offsetof(SRB_HAInquiry, HA_Identifier) == 26, "HA_Identifier at 26");
SRB_STATIC_ASSERT(offsetof(SRB_HAInquiry, HA_Unique) == 42, "HA_Unique at 42");
SRB_STATIC_ASSERT(sizeof(SRB_GDEVBlock) == 12, "device type request is 12 bytes");
SRB_STATIC_ASSERT(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10, "SRB_DeviceType at 10");
SRB_STATIC_ASSERT(sizeof(SRB_GetDiskInfo) == 24, "disk info request is 24 bytes");
SRB_STATIC_ASSERT(offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11, "drive number at 11");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12, "SRB_BufLen at 12");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16, "SRB_BufPointer at 16");
#if UINTPTR_MAX == 0xFFFFFFFFu
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20, "SRB_SenseLen at 20");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 21, "SRB_CDBLen at 21");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 22, "SRB_HaStat at 22");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 23, "SRB_TargStat at 23");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24, "SRB_PostProc at 24");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, CDBByte) == 48, "CDB at 48");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SenseArea) == 64, "sense area at 64");
SRB_STATIC_ASSERT(sizeof(SRB_ExecSCSICmd) == 97, "execute request is 97 bytes");
#else
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 24, "SRB_SenseLen at 24");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 25, "SRB_CDBLen at 25");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 26, "SRB_HaStat at 26");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 27, "SRB_TargStat at 27");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 28, "SRB_PostProc at 28");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, CDBByte) == 56, "CDB at 56");
SRB_STATIC_ASSERT(offsetof(SRB_ExecSCSICmd, SenseArea) == 72, "sense area at 72");
SRB_STATIC_ASSERT(sizeof(SRB_ExecSCSICmd) == 105, "execute request is 105 bytes");
#endif

#ifdef __cplusplus
}
#endif

#endif /* SCRIVO_TRANSPORT_BVASPI_SRB_H */
