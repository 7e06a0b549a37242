// What one `scrivo write` costs a drive behind Linux's CD driver: the commands per operation
// code, the driver's own included, stay within bounds. Each reopening of the device brings the
// driver's commands with it, and each question asked twice is one more round trip.
#include "KernelDrive.h"
#include "cli/Commands.h"
#include "transport/bvASPI.h"
#include "transport/bvSPTI.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

// The command's error line, which main.cpp (not part of this binary) otherwise prints.
namespace scrivo::cli {
void PrintError(const std::string& text) {
    std::fprintf(stderr, "scrivo: %s\n", text.c_str());
}
} // namespace scrivo::cli

namespace scrivo::test {
namespace {

using vrecorder::MediaKind;

// Upper bounds. Opens: the drive scan's and the run's. Before the handle was kept and the
// examination's answers reused, a CD-R run opened the drive 52 times (103 GET EVENT STATUS
// NOTIFICATION, 110 TEST UNIT READY, 52 PREVENT ALLOW, 19 READ DISC INFORMATION).
struct Bounds {
    const char* Name;
    MediaKind Media;
    int Opens, EventStatus, UnitReady, PreventAllow, DiscInformation;
};

class WriteCommandCounts : public ::testing::TestWithParam<Bounds> {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("scrivo-counts-" + std::to_string(::getpid()) + "-" + GetParam().Name);
        std::filesystem::create_directories(dir / "src");
        std::ofstream(dir / "src" / "a.bin", std::ios::binary) << std::string(300000, 'a');
        std::ofstream(dir / "src" / "b.txt", std::ios::binary) << "b";
        unsetenv("VRECORDER_DRIVES");
        setenv("SCRIVO_TIME_SCALE", "0", 1);
    }
    void TearDown() override {
        ReleaseTransport();
        HandleRelease = true;
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
};

TEST_P(WriteCommandCounts, OneHandleForTheRunAndNoQuestionAskedTwiceBeforeIt) {
    const Bounds& b = GetParam();
    KernelDrive kernel(b.Media, (dir / "disc.img").string());
    ASSERT_EQ(cli::RunWrite({"-d", "1", "--log", (dir / "log.txt").string(), (dir / "src").string()}),
              cli::ExitOk);
    ReleaseTransport(); // the handle closes as the command ends
    const std::map<uint8_t, int> n = kernel.Counts();
    const auto count = [&](uint8_t op) { return n.count(op) ? n.at(op) : 0; };
    std::string all;
    for (const auto& [op, k] : n) {
        char line[24];
        std::snprintf(line, sizeof line, "%02X: %d\n", op, k);
        all += line;
    }
    EXPECT_LE(kernel.Opens(), b.Opens) << all;
    EXPECT_LE(count(0x4A), b.EventStatus) << all;     // GET EVENT STATUS NOTIFICATION
    EXPECT_LE(count(0x00), b.UnitReady) << all;       // TEST UNIT READY
    EXPECT_LE(count(0x1E), b.PreventAllow) << all;    // PREVENT ALLOW MEDIUM REMOVAL
    EXPECT_LE(count(0x51), b.DiscInformation) << all; // READ DISC INFORMATION
    EXPECT_GT(count(0x2A), 0) << all;                 // WRITE (10)
}

INSTANTIATE_TEST_SUITE_P(Media, WriteCommandCounts,
                         ::testing::Values(Bounds{"cdr", MediaKind::CdR, 2, 4, 11, 3, 10},
                                           Bounds{"dvdplusr", MediaKind::DvdPlusR, 2, 4, 11, 3, 9}),
                         [](const ::testing::TestParamInfo<Bounds>& i) { return std::string(i.param.Name); });

} // namespace
} // namespace scrivo::test
