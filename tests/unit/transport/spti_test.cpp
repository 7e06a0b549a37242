// The pass-through layer against stand-in drives: the scan, and the emulated adapter's
// answers to each kind of request.
#include "FakeDrives.h"
#include "transport/bvSPTI.h"
#include "scsi/Mmc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace scrivo {
namespace {

using test::FakeDrives;

class PassThroughLayer : public ::testing::Test {
protected:
    void SetUp() override {
        CloseDriveTable();
        HandleRelease = true;
    }
    void TearDown() override {
        CloseDriveTable();
        HandleRelease = true;
    }

    static SRB_ExecSCSICmd Exec(uint8_t ha, uint8_t target, uint8_t flags,
                                std::vector<uint8_t> cdb, uint8_t* buf, uint32_t len) {
        SRB_ExecSCSICmd r;
        std::memset(&r, 0, sizeof r);
        r.SRB_Cmd = SC_EXEC_SCSI_CMD;
        r.SRB_HaId = ha;
        r.SRB_Target = target;
        r.SRB_Flags = flags;
        r.SRB_BufPointer = buf;
        r.SRB_BufLen = len;
        r.SRB_SenseLen = SRB_SENSE_WANTED;
        r.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
        std::memcpy(r.CDBByte, cdb.data(), cdb.size());
        return r;
    }

    FakeDrives drives;
};

// --- the scan ---

TEST_F(PassThroughLayer, TwoDrivesOnOnePortGiveOneAdapterPair) {
    auto& d = drives.Add('D');
    d.Port = 1;
    auto& e = drives.Add('E');
    e.Port = 1;
    e.Target = 1;
    e.Inquiry = test::InquiryAnswer(5, "MAKER", "WRITER X", "2.00");

    EXPECT_EQ(BuildDriveTable(), 2);
    EXPECT_EQ(AdapterCount, 2);
    const TDriveEntry& de = DriveTable[3];
    const TDriveEntry& ee = DriveTable[4];
    EXPECT_TRUE(de.Present);
    EXPECT_EQ(de.HaId, 1);
    EXPECT_EQ(de.Target, 0);
    EXPECT_EQ(de.Lun, 0);
    EXPECT_EQ(de.DriveNumber, 3);
    EXPECT_TRUE(ee.Present);
    EXPECT_EQ(ee.HaId, 1);
    EXPECT_EQ(ee.Target, 1);
    EXPECT_EQ(0, std::memcmp(ee.InquiryData, e.Inquiry.data(), 40));
    EXPECT_FALSE(DriveTable[2].Present);
    // The scan leaves no drive open.
    EXPECT_EQ(de.Handle, InvalidDriveHandle);
    EXPECT_EQ(ee.Handle, InvalidDriveHandle);
    EXPECT_EQ(drives.OpenHandles(), 0);
    EXPECT_EQ(DriveLetterOf(1, 1, 0), 'E');
    EXPECT_EQ(DriveLetterOf(1, 0, 0), 'D');
    EXPECT_EQ(DriveLetterOf(0, 0, 0), NoDriveLetter);
}

TEST_F(PassThroughLayer, ScanInquiryRequest) {
    drives.Add('G');
    ASSERT_EQ(BuildDriveTable(), 1);
    ASSERT_EQ(drives.Requests.size(), 1u);
    const test::RecordedRequest& rq = drives.Requests[0];
    const uint8_t cdb[6] = {scsi::kInquiry, 0, 0, 0, 0x60, 0};
    EXPECT_EQ(rq.Request.CdbLength, 6);
    EXPECT_EQ(0, std::memcmp(rq.Request.Cdb, cdb, 6));
    EXPECT_EQ(rq.Request.DataIn, ScsiDataIn);
    EXPECT_EQ(rq.Request.DataTransferLength, 96u);
    EXPECT_EQ(rq.Request.SenseInfoLength, 24);
    EXPECT_EQ(rq.Request.TimeOutValue, 120u);
    EXPECT_EQ(rq.Request.Length, sizeof(ScsiPassThroughDirect));
    EXPECT_EQ(rq.Request.SenseInfoOffset, PassThroughSenseOffset);
    EXPECT_EQ(rq.InSize, PassThroughAreaSize);
    EXPECT_EQ(rq.OutSize, PassThroughAreaSize);
    EXPECT_TRUE(rq.SameBuffer);
}

TEST_F(PassThroughLayer, DrivesWithoutAddressFormOneMoreAdapter) {
    drives.Add('E').HasAddress = false;
    drives.Add('F').HasAddress = false;
    EXPECT_EQ(BuildDriveTable(), 2);
    EXPECT_EQ(AdapterCount, 2);
    EXPECT_EQ(DriveLetterOf(1, 0, 0), 'E');
    EXPECT_EQ(DriveLetterOf(1, 1, 0), 'F');
}

TEST_F(PassThroughLayer, AddresslessDrivesComeAfterTheRealAdapters) {
    auto& c = drives.Add('C');
    c.Port = 2;
    c.Target = 3;
    drives.Add('H').HasAddress = false;
    EXPECT_EQ(BuildDriveTable(), 2);
    EXPECT_EQ(AdapterCount, 4);
    EXPECT_EQ(DriveLetterOf(2, 3, 0), 'C');
    EXPECT_EQ(DriveLetterOf(3, 0, 0), 'H');
}

TEST_F(PassThroughLayer, DrivesThatCannotBeOpenedOrDoNotAnswerAreLeftOut) {
    auto& c = drives.Add('C');
    c.OpensReadWrite = c.OpensReadOnly = false;
    drives.Add('D').OpensReadWrite = false; // read-only access is enough
    drives.Add('E').AnswersInquiry = false;
    EXPECT_EQ(BuildDriveTable(), 1);
    EXPECT_FALSE(DriveTable[2].Present);
    EXPECT_TRUE(DriveTable[3].Present);
    EXPECT_FALSE(DriveTable[4].Present);
    EXPECT_EQ(drives.OpenHandles(), 0);
}

TEST_F(PassThroughLayer, TableIsScannedOnceUntilClosed) {
    drives.Add('D');
    EXPECT_EQ(BuildDriveTable(), 1);
    EXPECT_EQ(BuildDriveTable(), 0);
    EXPECT_TRUE(DriveTable[3].Present);
    EXPECT_TRUE(CloseDriveTable());
    EXPECT_FALSE(CloseDriveTable());
    EXPECT_FALSE(DriveTable[3].Present);
    EXPECT_EQ(BuildDriveTable(), 1);
}

// --- the emulated adapter ---

TEST_F(PassThroughLayer, SupportInfoCountsAdapters) {
    EXPECT_EQ(SPTI_GetASPI32SupportInfo(), uint32_t(SS_NO_ADAPTERS) << 8);
    drives.Add('D').Port = 1;
    BuildDriveTable();
    EXPECT_EQ(SPTI_GetASPI32SupportInfo(), 0x0102u);
}

TEST_F(PassThroughLayer, HostAdapterInquiry) {
    drives.Add('D').Port = 1;
    BuildDriveTable();
    SRB_HAInquiry r;
    std::memset(&r, 0xEE, sizeof r);
    r.SRB_Cmd = SC_HA_INQUIRY;
    r.SRB_HaId = 1;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(r.HA_Count, 2);
    EXPECT_EQ(r.HA_SCSI_ID, 7);
    EXPECT_EQ(0, std::memcmp(r.HA_ManagerId, ManagerId, 16));
    const uint8_t identifier[16] = {'S', 'P', 'T', 'I', ' ', '1'};
    EXPECT_EQ(0, std::memcmp(r.HA_Identifier, identifier, 16));
    const uint8_t unique[16] = {7, 0, 0, 8, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(0, std::memcmp(r.HA_Unique, unique, 16));

    r.SRB_HaId = 5;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_INVALID_HA);
    EXPECT_EQ(r.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(r.HA_Count, 2);
}

TEST_F(PassThroughLayer, DeviceType) {
    auto& d = drives.Add('D');
    d.Target = 2;
    BuildDriveTable();
    SRB_GDEVBlock r{};
    r.SRB_Cmd = SC_GET_DEV_TYPE;
    r.SRB_Target = 2;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(r.SRB_DeviceType, DTYPE_CDROM);
    r.SRB_Target = 3;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_NO_DEVICE);
    EXPECT_EQ(r.SRB_Status, SS_NO_DEVICE);
    EXPECT_EQ(r.SRB_DeviceType, DTYPE_UNKNOWN);
}

TEST_F(PassThroughLayer, InquiryIsAnsweredFromTheScan) {
    auto& d = drives.Add('D');
    d.Inquiry = test::InquiryAnswer(5, "MAKER", "WRITER", "1.23");
    BuildDriveTable();
    size_t requests = drives.Requests.size();
    int opens = drives.Opens;

    std::vector<uint8_t> buf(128, 0xCC);
    auto r = Exec(0, 0, SRB_DIR_IN | SRB_EVENT_NOTIFY, {scsi::kInquiry, 0, 0, 0, 128, 0}, buf.data(), 128);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(0, std::memcmp(buf.data(), d.Inquiry.data(), 36));
    EXPECT_EQ(buf[36], 0xCC); // the stored answer is 36 bytes
    EXPECT_EQ(drives.Requests.size(), requests);
    EXPECT_EQ(drives.Opens, opens);
}

TEST_F(PassThroughLayer, InquiryAnswerStaysInsideTheCallersBuffer) {
    drives.Add('D');
    BuildDriveTable();
    std::vector<uint8_t> buf(16, 0xCC);
    auto r = Exec(0, 0, SRB_DIR_IN | SRB_EVENT_NOTIFY, {scsi::kInquiry, 0, 0, 0, 36, 0}, buf.data(), 5);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(0, std::memcmp(buf.data(), DriveTable[3].InquiryData, 5));
    for (size_t i = 5; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], 0xCC) << "byte " << i;

    auto none = Exec(0, 0, SRB_DIR_IN, {scsi::kInquiry, 0, 0, 0, 36, 0}, nullptr, 36);
    EXPECT_EQ(SPTI_SendASPI32Command(&none), SS_COMP);
}

TEST_F(PassThroughLayer, CommandReachesTheDriveAsAPassThroughRequest) {
    auto& d = drives.Add('E');
    d.Data = {0, 0, 0x12, 0x34, 0, 0, 8, 0};
    BuildDriveTable();
    drives.Requests.clear();

    uint8_t buf[8] = {};
    auto r = Exec(0, 0, SRB_DIR_IN | SRB_EVENT_NOTIFY, {scsi::kReadCapacity, 0, 0, 0, 0, 0, 0, 0, 0, 0}, buf, 8);
    r.SRB_HaStat = 0x5A;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_COMP);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(buf[3], 0x34);
    EXPECT_EQ(r.SRB_HaStat, 0x5A); // the layer has no host adapter status to give

    ASSERT_EQ(drives.Requests.size(), 1u);
    const ScsiPassThroughDirect& q = drives.Requests[0].Request;
    EXPECT_EQ(drives.Requests[0].DriveNumber, 4);
    EXPECT_EQ(q.Length, sizeof(ScsiPassThroughDirect));
    EXPECT_EQ(q.PathId | q.TargetId | q.Lun, 0);
    EXPECT_EQ(q.CdbLength, 10);
    EXPECT_EQ(q.Cdb[0], scsi::kReadCapacity);
    EXPECT_EQ(q.SenseInfoLength, 24);
    EXPECT_EQ(q.DataIn, ScsiDataIn);
    EXPECT_EQ(q.DataTransferLength, 8u);
    EXPECT_EQ(q.DataBuffer, buf);
    EXPECT_EQ(q.TimeOutValue, 120u);
    EXPECT_EQ(q.SenseInfoOffset, PassThroughSenseOffset);
    EXPECT_EQ(drives.Requests[0].InSize, PassThroughAreaSize);
    EXPECT_TRUE(drives.Requests[0].SameBuffer);
}

TEST_F(PassThroughLayer, DataDirectionFollowsTheFlags) {
    drives.Add('E');
    BuildDriveTable();
    drives.Requests.clear();
    uint8_t page[4] = {1, 2, 3, 4};
    auto out = Exec(0, 0, SRB_DIR_OUT | SRB_EVENT_NOTIFY, {scsi::kModeSelect10, 0x10, 0, 0, 0, 0, 0, 0, 4, 0},
                    page, 4);
    EXPECT_EQ(SPTI_SendASPI32Command(&out), SS_COMP);
    auto none = Exec(0, 0, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&none), SS_COMP);
    ASSERT_EQ(drives.Requests.size(), 2u);
    EXPECT_EQ(drives.Requests[0].Request.DataIn, ScsiDataOut);
    EXPECT_EQ(drives.Requests[0].DataOut, std::vector<uint8_t>(page, page + 4));
    EXPECT_EQ(drives.Requests[1].Request.DataIn, ScsiDataUnspecified);
    EXPECT_EQ(drives.Requests[1].Request.CdbLength, 6);
}

TEST_F(PassThroughLayer, CheckConditionBringsStatusAndSense) {
    auto& d = drives.Add('E');
    d.ScsiStatus = STATUS_CHKCOND;
    d.Sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00, 0, 0, 0, 0};
    BuildDriveTable();
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {scsi::kStartStopUnit, 0, 0, 0, 2, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(0, std::memcmp(r.SenseArea, d.Sense.data(), d.Sense.size()));
    EXPECT_EQ(r.SenseArea[18], 0);
}

TEST_F(PassThroughLayer, BusyTargetWithoutSense) {
    drives.Add('E').ScsiStatus = STATUS_BUSY;
    BuildDriveTable();
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, STATUS_BUSY);
    EXPECT_EQ(r.SenseArea[0], 0);
}

TEST_F(PassThroughLayer, FailedSystemCallIsAnErrorWithoutTargetStatus) {
    // A timed-out command fails the system call: no SCSI status, no sense.
    drives.Add('E').IoctlFails = true;
    BuildDriveTable();
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {scsi::kSynchronizeCache, 0, 0, 0, 0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, 0);
    for (uint8_t b : r.SenseArea)
        EXPECT_EQ(b, 0);
}

TEST_F(PassThroughLayer, DriveThatCannotBeOpenedStillEndsWithError) {
    auto& d = drives.Add('E');
    BuildDriveTable();
    d.OpensReadWrite = d.OpensReadOnly = false;
    int calls = drives.IoctlCalls;
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_ERR);
    EXPECT_EQ(drives.IoctlCalls, calls + 1);
    EXPECT_EQ(r.SRB_TargStat, 0);
}

TEST_F(PassThroughLayer, SenseNeverOverrunsTheRequestArea) {
    auto& d = drives.Add('E');
    d.ScsiStatus = STATUS_CHKCOND;
    d.Sense.assign(60, 0x71);
    BuildDriveTable();
    drives.Requests.clear();
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    r.SRB_SenseLen = 200;
    EXPECT_EQ(SPTI_SendASPI32Command(&r), SS_ERR);
    ASSERT_EQ(drives.Requests.size(), 1u);
    EXPECT_EQ(drives.Requests[0].Request.SenseInfoLength, PassThroughSenseRoom);
    EXPECT_EQ(r.SenseArea[PassThroughSenseRoom - 1], 0x71);
    EXPECT_EQ(r.SenseArea[PassThroughSenseRoom], 0);
}

TEST_F(PassThroughLayer, HandleReleaseDecidesWhetherTheDriveStaysOpen) {
    drives.Add('E');
    BuildDriveTable();
    int opens = drives.Opens;
    auto r = Exec(0, 0, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    SPTI_SendASPI32Command(&r);
    SPTI_SendASPI32Command(&r);
    EXPECT_EQ(drives.Opens, opens + 2);
    EXPECT_EQ(drives.OpenHandles(), 0);
    EXPECT_EQ(DriveTable[4].Handle, InvalidDriveHandle);

    HandleRelease = false;
    SPTI_SendASPI32Command(&r);
    SPTI_SendASPI32Command(&r);
    EXPECT_EQ(drives.Opens, opens + 3);
    EXPECT_EQ(drives.OpenHandles(), 1);
    EXPECT_NE(DriveTable[4].Handle, InvalidDriveHandle);

    HandleRelease = true;
    SPTI_SendASPI32Command(&r);
    EXPECT_EQ(drives.Opens, opens + 3);
    EXPECT_EQ(drives.OpenHandles(), 0);

    HandleRelease = false;
    SPTI_SendASPI32Command(&r);
    EXPECT_EQ(drives.OpenHandles(), 1);
    EXPECT_TRUE(CloseDriveTable());
    EXPECT_EQ(drives.OpenHandles(), 0);
}

TEST_F(PassThroughLayer, RequestsTheLayerDoesNotServe) {
    drives.Add('E');
    BuildDriveTable();
    EXPECT_EQ(SPTI_SendASPI32Command(nullptr), SS_ERR);

    auto noDrive = Exec(0, 4, SRB_EVENT_NOTIFY, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(SPTI_SendASPI32Command(&noDrive), SS_NO_DEVICE);
    EXPECT_EQ(noDrive.SRB_Status, SS_NO_DEVICE);

    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    disk.SRB_Status = 0xFF;
    EXPECT_EQ(SPTI_SendASPI32Command(&disk), SS_ERR);
    EXPECT_EQ(disk.SRB_Status, SS_PENDING);

    SRB_Header reset{};
    reset.SRB_Cmd = SC_RESET_DEV;
    EXPECT_EQ(SPTI_SendASPI32Command(&reset), SS_ERR);
    EXPECT_EQ(reset.SRB_Status, SS_ERR);
}

} // namespace
} // namespace scrivo
