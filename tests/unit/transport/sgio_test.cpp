// Linux: the Windows-shaped pass-through request carried out with SG_IO.
#ifndef _WIN32
#include "platform/posix/SgIo.h"
#include "scsi/Mmc.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace scrivo {
namespace {

ScsiPassThroughDirect Request(uint8_t direction, void* buf, uint32_t len) {
    ScsiPassThroughDirect r;
    std::memset(&r, 0, sizeof r);
    r.Length = sizeof r;
    r.CdbLength = 10;
    r.Cdb[0] = scsi::kRead10;
    r.SenseInfoLength = 24;
    r.DataIn = direction;
    r.DataBuffer = buf;
    r.DataTransferLength = len;
    r.TimeOutValue = 120;
    r.SenseInfoOffset = PassThroughSenseOffset;
    return r;
}

TEST(SgIoTranslation, RequestBecomesSgIoHeader) {
    uint8_t buf[2048], sense[32];
    auto r = Request(ScsiDataIn, buf, sizeof buf);
    sg_io_hdr_t io;
    SgIoFromRequest(r, sense, io);
    EXPECT_EQ(io.interface_id, 'S');
    EXPECT_EQ(io.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(io.dxfer_len, 2048u);
    EXPECT_EQ(io.dxferp, buf);
    EXPECT_EQ(io.cmd_len, 10);
    EXPECT_EQ(io.cmdp, r.Cdb);
    EXPECT_EQ(io.mx_sb_len, 24);
    EXPECT_EQ(io.sbp, sense);
    EXPECT_EQ(io.timeout, 120000u);

    r = Request(ScsiDataOut, buf, 16);
    SgIoFromRequest(r, sense, io);
    EXPECT_EQ(io.dxfer_direction, SG_DXFER_TO_DEV);
    r = Request(ScsiDataUnspecified, nullptr, 0);
    SgIoFromRequest(r, sense, io);
    EXPECT_EQ(io.dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(io.dxfer_len, 0u);
}

TEST(SgIoTranslation, OutcomeOfTheCommand) {
    uint8_t buf[8];
    auto r = Request(ScsiDataIn, buf, 8);
    sg_io_hdr_t io;
    std::memset(&io, 0, sizeof io);
    io.status = 0x02;
    io.driver_status = 0x08; // sense data present
    io.sb_len_wr = 18;
    io.resid = 3;
    ASSERT_TRUE(RequestFromSgIo(io, r));
    EXPECT_EQ(r.ScsiStatus, 0x02);
    EXPECT_EQ(r.SenseInfoLength, 18);
    EXPECT_EQ(r.DataTransferLength, 5u);
}

TEST(SgIoTranslation, TimeoutsAndTransportFailuresFailTheCall) {
    uint8_t buf[8];
    sg_io_hdr_t io;
    struct {
        unsigned short host, driver;
        int err;
    } cases[] = {{0x03, 0, ETIMEDOUT}, {0, 0x06, ETIMEDOUT}, {0x01, 0, EIO}, {0, 0x04, EIO}};
    for (auto& c : cases) {
        auto r = Request(ScsiDataIn, buf, 8);
        std::memset(&io, 0, sizeof io);
        io.host_status = c.host;
        io.driver_status = c.driver;
        errno = 0;
        EXPECT_FALSE(RequestFromSgIo(io, r)) << c.host << "/" << c.driver;
        EXPECT_EQ(errno, c.err);
        EXPECT_EQ(r.ScsiStatus, 0);
        EXPECT_EQ(r.SenseInfoLength, 24); // untouched, as DeviceIoControl leaves it
    }
}

TEST(SgIoTranslation, DriveNumbersNameScsiCdDevices) {
    EXPECT_EQ(DriveDevicePath(2), "/dev/sr0");
    EXPECT_EQ(DriveDevicePath(25), "/dev/sr23");
    EXPECT_EQ(DriveDevicePath(1), "");
    EXPECT_FALSE(SystemPassThroughOps().IsCdDrive(0));
    EXPECT_EQ(SystemPassThroughOps().OpenDevice(26, false), InvalidDriveHandle);
}

TEST(SgIoTranslation, MalformedRequestsNeverReachTheDevice) {
    const PassThroughOps& ops = SystemPassThroughOps();
    int fd = open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 0);
    alignas(8) uint8_t area[PassThroughAreaSize] = {};
    auto& r = *reinterpret_cast<ScsiPassThroughDirect*>(area);
    r = Request(ScsiDataUnspecified, nullptr, 0);
    uint32_t n = 0;

    r.SenseInfoOffset = PassThroughAreaSize - 8; // 24 sense bytes would run past the area
    errno = 0;
    EXPECT_FALSE(ops.Ioctl(fd, IoctlScsiPassThroughDirect, area, sizeof area, area, sizeof area, &n));
    EXPECT_EQ(errno, EINVAL);
    r.SenseInfoOffset = PassThroughSenseOffset;
    r.CdbLength = 17;
    errno = 0;
    EXPECT_FALSE(ops.Ioctl(fd, IoctlScsiPassThroughDirect, area, sizeof area, area, sizeof area, &n));
    EXPECT_EQ(errno, EINVAL);
    ScsiAddress a{};
    EXPECT_FALSE(ops.Ioctl(fd, IoctlScsiGetAddress, nullptr, 0, &a, 4, &n));
    EXPECT_FALSE(ops.Ioctl(fd, IoctlScsiGetAddress, nullptr, 0, &a, sizeof a, &n)); // not SCSI
    errno = 0;
    EXPECT_FALSE(ops.Ioctl(fd, 0x12345, nullptr, 0, nullptr, 0, &n));
    EXPECT_EQ(errno, ENOTTY);
    errno = 0;
    EXPECT_FALSE(ops.Ioctl(InvalidDriveHandle, IoctlScsiGetAddress, nullptr, 0, &a, sizeof a, &n));
    EXPECT_EQ(errno, EBADF);
    close(fd);
}

} // namespace
} // namespace scrivo
#endif
