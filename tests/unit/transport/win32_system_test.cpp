// The transport on the system's own services under Wine, where no CD drive is
// configured: the pass-through layer finds no drive letter, and without an ASPI library
// (Wine's is switched off for these tests) nothing loads and the error mode is put back.
#ifdef _WIN32
#include "platform/PassThrough.h"
#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace scrivo {
namespace {

bool SystemHasCdDrive()
{
    for (char c = 'C'; c <= 'Z'; ++c) {
        char root[] = {c, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_CDROM)
            return true;
    }
    return false;
}

// The system's own pass-through operations for one test, with the table unbuilt.
class SystemDrives {
public:
    SystemDrives() : saved_(PassThroughOs())
    {
        PassThroughOs() = SystemPassThroughOps();
        CloseDriveTable();
    }
    ~SystemDrives()
    {
        CloseDriveTable();
        PassThroughOs() = saved_;
    }

private:
    PassThroughOps saved_;
};

TEST(Win32PassThrough, DriveLettersWithoutCdDrivesGiveAnEmptyTable)
{
    if (SystemHasCdDrive())
        GTEST_SKIP() << "this system has a CD drive";
    SystemDrives system;
    EXPECT_EQ(BuildDriveTable(), 0);
    EXPECT_EQ(DriveLetterOf(0, 0, 0), NoDriveLetter);
    EXPECT_TRUE(CloseDriveTable());
}

TEST(Win32PassThrough, DevicesOfMissingDrivesDoNotOpenAndRequestsOnThemFail)
{
    const PassThroughOps& os = SystemPassThroughOps();
    EXPECT_EQ(DriveDevicePath(4), "\\\\.\\E:");
    EXPECT_EQ(DriveDevicePath(26), "");
    EXPECT_FALSE(os.IsCdDrive(-1));
    EXPECT_FALSE(os.IsCdDrive(26));
    EXPECT_EQ(os.OpenDevice(26, true), InvalidDriveHandle);
    int missing = -1;
    for (int n = 25; n >= 2 && missing < 0; --n) {
        char root[] = {static_cast<char>('A' + n), ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR)
            missing = n;
    }
    ASSERT_GE(missing, 0) << "every drive letter is in use";
    EXPECT_EQ(os.OpenDevice(missing, true), InvalidDriveHandle);
    EXPECT_EQ(os.OpenDevice(missing, false), InvalidDriveHandle);
    ScsiAddress address{8, 0, 0, 0, 0};
    uint32_t returned = 99;
    EXPECT_FALSE(os.Ioctl(InvalidDriveHandle, IoctlScsiGetAddress, nullptr, 0, &address, sizeof address, &returned));
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(os.CloseDevice(InvalidDriveHandle));
}

TEST(Win32Loader, NothingToLoadLeavesTheTransportDownAndTheErrorModeAsItWas)
{
    if (SystemHasCdDrive())
        GTEST_SKIP() << "this system has a CD drive";
    SystemDrives system;
    UINT before = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    EXPECT_FALSE(LoadTransport(true, "Z:\\no\\such\\WNASPI32.DLL"));
    EXPECT_FALSE(ASPIInitialized);
    EXPECT_EQ(TransportName, "");
    EXPECT_EQ(SetErrorMode(before), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
}

} // namespace
} // namespace scrivo
#endif
