// The request blocks are exchanged with ASPI libraries built elsewhere: their layout is
// the contract.
#include "platform/PassThrough.h"
#include "transport/bvASPI_srb.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(RequestBlockLayout, HeaderAndSmallBlocks) {
    EXPECT_EQ(offsetof(SRB_Header, SRB_Status), 1u);
    EXPECT_EQ(offsetof(SRB_Header, SRB_HaId), 2u);
    EXPECT_EQ(offsetof(SRB_Header, SRB_Flags), 3u);
    EXPECT_EQ(offsetof(SRB_Header, SRB_Hdr_Rsvd), 4u);
    EXPECT_EQ(sizeof(SRB_HAInquiry), 60u);
    EXPECT_EQ(offsetof(SRB_HAInquiry, HA_Count), 8u);
    EXPECT_EQ(offsetof(SRB_HAInquiry, HA_SCSI_ID), 9u);
    EXPECT_EQ(offsetof(SRB_HAInquiry, HA_Rsvd1), 58u);
    EXPECT_EQ(offsetof(SRB_GDEVBlock, SRB_Target), 8u);
    EXPECT_EQ(offsetof(SRB_GDEVBlock, SRB_Lun), 9u);
    EXPECT_EQ(sizeof(SRB_GetDiskInfo), 24u);
    EXPECT_EQ(offsetof(SRB_GetDiskInfo, SRB_Heads), 12u);
    EXPECT_EQ(offsetof(SRB_GetDiskInfo, SRB_Sectors), 13u);
}

TEST(RequestBlockLayout, ExecuteRequest) {
    EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_Target), 8u);
    EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_Lun), 9u);
    EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_BufLen), 12u);
    EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_BufPointer), 16u);
    EXPECT_EQ(sizeof(SRB_ExecSCSICmd::CDBByte), 16u);
    EXPECT_EQ(sizeof(SRB_ExecSCSICmd::SenseArea), 33u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_SenseLen), 20u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_TargStat), 23u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_PostProc), 24u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2), 28u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, CDBByte), 48u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SenseArea), 64u);
        EXPECT_EQ(sizeof(SRB_ExecSCSICmd), 97u);
    } else {
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_SenseLen), 24u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_TargStat), 27u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_PostProc), 28u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SRB_Rsvd2), 36u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, CDBByte), 56u);
        EXPECT_EQ(offsetof(SRB_ExecSCSICmd, SenseArea), 72u);
        EXPECT_EQ(sizeof(SRB_ExecSCSICmd), 105u);
    }
}

TEST(RequestBlockLayout, PassThroughRequestArea) {
    EXPECT_EQ(offsetof(scrivo::ScsiPassThroughDirect, DataTransferLength), 12u);
    EXPECT_EQ(offsetof(scrivo::ScsiPassThroughDirect, DataBuffer), 20u + (sizeof(void*) - 4));
    if (sizeof(void*) == 4) {
        EXPECT_EQ(sizeof(scrivo::ScsiPassThroughDirect), 44u);
        EXPECT_EQ(offsetof(scrivo::ScsiPassThroughDirect, Cdb), 28u);
        EXPECT_EQ(scrivo::PassThroughSenseOffset, 48u);
        EXPECT_EQ(scrivo::PassThroughAreaSize, 80u);
    } else {
        EXPECT_GE(scrivo::PassThroughSenseOffset, sizeof(scrivo::ScsiPassThroughDirect));
        EXPECT_EQ(scrivo::PassThroughAreaSize, scrivo::PassThroughSenseOffset + 32);
    }
}

} // namespace
