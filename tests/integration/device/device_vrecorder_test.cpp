// The drive component against the virtual recorder: one drive per recordable media kind.
#include "DiscFile.h"
#include "device/bvDrvLib.h"
#include "device/bvDrvLib_bytes.h"
#include "transport/bvASPI.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scrivo {
namespace {

namespace fs = std::filesystem;
using vrecorder::MediaKind;

struct Medium {
    const char* Name;
    MediaKind Media;
    uint8_t Kind;      // as DetectDiscKind reports it
    uint32_t Capacity; // the recorder's default, in blocks
};

// Target id = index.
const Medium Media[] = {{"cd-r", MediaKind::CdR, dkCDR, 359849}, {"cd-rw", MediaKind::CdRw, dkCDRW, 359849},
    {"dvd-r", MediaKind::DvdR, dkDVDR, 2298496}, {"dvd-ram", MediaKind::DvdRam, dkDVDRAM, 2236704},
    {"dvd-rw-ro", MediaKind::DvdRwRestricted, dkDVDRWRestricted, 2298496},
    {"dvd-rw", MediaKind::DvdRwSequential, dkDVDRWSequential, 2298496},
    {"dvd+rw", MediaKind::DvdPlusRw, dkDVDPlusRW, 2295104}, {"dvd+r", MediaKind::DvdPlusR, dkDVDPlusR, 2295104}};

void SetEnv(const char* name, const std::string& value)
{
#ifdef _WIN32
    SetEnvironmentVariableA(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

std::string NativePath(std::string path)
{
#ifdef _WIN32
    for (char& c : path)
        if (c == '/')
            c = '\\';
#endif
    return path;
}

std::string LibraryPath() { return NativePath(VRECORDER_ASPI_PATH); }

#ifdef STUB_ASPI_NO_SEND
// Runs first, before the recorder's library is loaded.
TEST(DeviceTransportStart, LibraryWithoutAnEntryPointIsAFailedStart)
{
    TSCSIDevice dev;
    EXPECT_FALSE(dev.InitializeTransport(false, NativePath(STUB_ASPI_NO_SEND)));
    EXPECT_FALSE(ASPIInitialized);
    EXPECT_TRUE(dev.DeviceList.empty());
}
#endif

class DeviceOnRecorder : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const fs::path work = SCRIVO_INTEGRATION_WORK;
        fs::remove_all(work);
        fs::create_directories(work);
        std::string drives;
        for (const Medium& m : Media) {
            const std::string disc = (work / (std::string(m.Name) + ".img")).string();
            std::string error;
            ASSERT_TRUE(vrecorder::DiscFile::Create(disc, m.Media, 0, 0, "", error)) << error;
            drives += (drives.empty() ? "" : ";") + disc;
        }
        // The first drive identifies as a model with the forced underrun protection.
        drives.insert(drives.find(';'), ",product=CD-W512EB");
        SetEnv("VRECORDER_DRIVES", drives);
    }

    std::unique_ptr<TSCSIDevice> dev;
    std::vector<std::string> messages;

    void SetUp() override
    {
        dev = std::make_unique<TSCSIDevice>();
        dev->Sleep = [](uint32_t) {}; // the recorder runs without simulated time
        dev->OnDebugMessage = [this](TSCSIDevice*, const std::string& m, uint8_t) { messages.push_back(m); };
        if (!ASPIInitialized)
            ASSERT_TRUE(dev->InitializeTransport(false, LibraryPath()));
        else
            dev->RescanDevices();
        ASSERT_EQ(TransportName, "WNASPI32.DLL");
    }
    void Select(size_t target)
    {
        ASSERT_LT(target, dev->DeviceList.size());
        dev->SetDevice(dev->DeviceList[target]);
        ASSERT_EQ(dev->Target, target);
    }
};

TEST_F(DeviceOnRecorder, EnumeratesAndIdentifies)
{
    ASSERT_EQ(dev->DeviceList.size(), std::size(Media));
    EXPECT_EQ(dev->DeviceList[0], "0:0:0,D: SCRIVO  CD-W512EB       1.00");
    EXPECT_EQ(dev->DeviceList[1], "0:1:0,E: SCRIVO  VIRTUAL DVD-RW  1.00");
    EXPECT_EQ(dev->HostAdapterCount, 1);
    Select(1);
    EXPECT_EQ(dev->DeviceDescription, "SCRIVO   VIRTUAL DVD-RW   1.00");
    EXPECT_EQ(dev->DeviceType, 5);
    EXPECT_EQ(dev->GetDriveLetter(), 'E');
    EXPECT_NE(dev->SupportedWriteModes & wmTrackAtOnce, 0);
    EXPECT_FALSE(dev->ForceUnderrunProtection);
    Select(0);
    EXPECT_TRUE(dev->ForceUnderrunProtection);
}

TEST_F(DeviceOnRecorder, ReadsCapabilitiesAndSpeeds)
{
    Select(1);
    for (TCapability c : {ReadCDR, ReadCDRW, ReadDVD, ReadDVDR, ReadDVDRW, ReadDVDRAM, ReadDVDPR, ReadDVDPRW, WriteCDR,
                          WriteCDRW, WriteTest, WriteDVDR, WriteDVDRW, WriteDVDRAM, WriteDVDPR, WriteDVDPRW, UnderrunFree})
        EXPECT_TRUE(dev->Has(c)) << c;
    EXPECT_GT(dev->DeviceMaxWriteSpeed, 0);
    EXPECT_GT(dev->DeviceMaxReadSpeed, 0);
    EXPECT_EQ(dev->MaxWriteSpeed(), dev->DeviceMaxWriteSpeed);
    dev->SetWriteSpeed(706);
    EXPECT_LE(dev->CurrentWriteSpeed(), dev->MaxWriteSpeed());
}

TEST_F(DeviceOnRecorder, DetectsEveryMediaKind)
{
    for (size_t t = 0; t < std::size(Media); ++t) {
        Select(t);
        EXPECT_EQ(dev->DetectDiscKind(), Media[t].Kind) << Media[t].Name;
        EXPECT_TRUE(dev->WaitUntilReady(10000, 500)) << Media[t].Name;
    }
}

TEST_F(DeviceOnRecorder, BlankDiscsStateAndFreeBlocks)
{
    // The format parameter lists of the erase: DVD+RW, and DVD-RAM full format.
    const uint8_t plusRW[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
    const uint8_t ram[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22, 0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
    for (size_t t = 0; t < std::size(Media); ++t) {
        Select(t);
        const uint8_t kind = dev->DetectDiscKind();
        CurrentDiscKind = kind;
        if (kind == dkDVDPlusRW || kind == dkDVDRAM) {
            // A new DVD+RW offers the whole disc (the first write formats it); a DVD-RAM
            // comes formatted from the factory.
            EXPECT_EQ(dev->GetFreeBlocks(), Media[t].Capacity) << "new " << Media[t].Name;
            ASSERT_TRUE(dev->FormatUnit(0x11, kind == dkDVDRAM ? ram : plusRW, 12)) << dev->LastErrorText;
            ASSERT_TRUE(dev->WaitUntilReady(240000, 200));
            EXPECT_EQ(dev->GetFreeBlocks(), Media[t].Capacity) << Media[t].Name;
            continue;
        }
        EXPECT_EQ(dev->GetFreeBlocks(), Media[t].Capacity) << Media[t].Name;
        if (kind == dkCDR || kind == dkCDRW || kind == dkDVDR || kind == dkDVDPlusR || kind == dkDVDRWSequential) {
            EXPECT_EQ(dev->DiscStatus(), 0) << Media[t].Name;
            EXPECT_EQ(dev->RecordedSessionCount(), 0) << Media[t].Name;
        }
    }
}

// The write parameters page as the recorder took it, read back with MODE SENSE.
TEST_F(DeviceOnRecorder, WriteParametersPerKindReachTheRecorder)
{
    struct Expected {
        uint8_t Byte2, Byte3, Byte4, Byte5;
        uint32_t Packet;
    };
    const Expected expected[] = {
        {0x41, 0xC4, 0x08, 0x00, 0}, {0x41, 0xC4, 0x08, 0x00, 0}, {0x60, 0xE5, 0x08, 0x10, 16}, {0, 0, 0, 0, 0},
        {0x20, 0xC5, 0x08, 0x10, 0}, {0x20, 0xC5, 0x08, 0x10, 0}, {0x62, 0x04, 0x08, 0x10, 0},
        {0x62, 0xC4, 0x08, 0x00, 16}};
    for (size_t t = 0; t < std::size(Media); ++t) {
        Select(t);
        const uint8_t kind = dev->DetectDiscKind();
        ASSERT_TRUE(dev->SetWriteParameters(false, true, kind)) << Media[t].Name << ": " << dev->LastErrorText;
        if (kind == dkDVDRAM)
            continue; // nothing is sent for it
        alignas(4) uint8_t reply[512];
        ASSERT_TRUE(dev->ModeSense(0x05, false, reply, sizeof reply));
        const uint8_t* page = reply + LocateModePage(reply, 0x05, 8);
        const Expected& e = expected[t];
        EXPECT_EQ(page[2], e.Byte2) << Media[t].Name;
        EXPECT_EQ(page[3], e.Byte3) << Media[t].Name;
        EXPECT_EQ(page[4], e.Byte4) << Media[t].Name;
        EXPECT_EQ(page[5], e.Byte5) << Media[t].Name;
        EXPECT_EQ(GetBE32(page + 10), e.Packet) << Media[t].Name;
        EXPECT_EQ(GetBE16(page + 14), 150) << Media[t].Name;
    }
}

TEST_F(DeviceOnRecorder, RefusalsBecomeTexts)
{
    Select(0); // CD-R
    alignas(4) uint8_t block[2048];
    EXPECT_FALSE(dev->ReadBlocks(400000, 1, sizeof block, block)); // past the disc
    EXPECT_EQ(dev->LastErrorText.rfind("ILLEGAL REQUEST (", 0), 0u) << dev->LastErrorText;
    EXPECT_NE(dev->LastSense[12], 0);
    uint32_t length = 0, blank = 0;
    ASSERT_TRUE(dev->ReadBufferCapacity(length, blank));
    EXPECT_EQ(length, 2048u * 1024);
    EXPECT_EQ(dev->DeviceBufferSize, length);
}

} // namespace
} // namespace scrivo
