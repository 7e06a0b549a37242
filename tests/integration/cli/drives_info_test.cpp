// `scrivo drives` and `scrivo info` on virtual drives of every media kind.
#include "DiscFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using scrivo::vrecorder::MediaKind;

struct Result {
    int Status;
    std::string Out, Err;
};

class ScrivoCommand : public ::testing::Test {
protected:
    static inline fs::path work;

    static void SetUpTestSuite()
    {
        work = SCRIVO_INTEGRATION_WORK;
        fs::remove_all(work);
        fs::create_directories(work);
    }
    static std::string Disc(const char* name, MediaKind kind)
    {
        const std::string path = (work / name).string();
        std::string error;
        EXPECT_TRUE(scrivo::vrecorder::DiscFile::Create(path, kind, 0, 0, "", error)) << error;
        return path;
    }
    // Runs scrivo with VRECORDER_DRIVES set to `drives` (unset when empty).
    static Result Run(const std::string& drives, const std::string& args)
    {
        const std::string out = (work / "out.txt").string(), err = (work / "err.txt").string();
        std::string cmd = drives.empty() ? "env -u VRECORDER_DRIVES " : "env VRECORDER_DRIVES='" + drives + "' ";
        cmd += std::string(SCRIVO_CLI_PATH) + " " + args + " >" + out + " 2>" + err;
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read(out), Read(err)};
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(ScrivoCommand, DrivesListsEveryEntry)
{
    const std::string cd = Disc("list-cd.img", MediaKind::CdR), dvd = Disc("list-dvd.img", MediaKind::DvdR);
    Result r = Run(cd + ";" + dvd + ",vendor=ACME,product=BURNER 2000", "drives");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "0:0:0,D: SCRIVO  VIRTUAL DVD-RW  1.00\n0:1:0,E: ACME    BURNER 2000     1.00\n");
    r = Run("", "drives -d virtual:" + cd);
    EXPECT_EQ(r.Out, "0:0:0,D: SCRIVO  VIRTUAL DVD-RW  1.00\n");
    r = Run("", "drives --bogus");
    EXPECT_EQ(r.Status, 2);
}

TEST_F(ScrivoCommand, InfoOnEveryMediaKind)
{
    struct Case {
        const char* Name;
        MediaKind Kind;
        const char* Status; // a restricted-overwrite disc reads as complete; a DVD-RAM comes formatted
    };
    const Case media[] = {{"CD-R", MediaKind::CdR, "empty"}, {"CD-RW", MediaKind::CdRw, "empty"},
        {"DVD-R", MediaKind::DvdR, "empty"}, {"DVD-RAM", MediaKind::DvdRam, "other"},
        {"DVD-RW", MediaKind::DvdRwRestricted, "complete"}, {"DVD-RW", MediaKind::DvdRwSequential, "empty"},
        {"DVD+RW", MediaKind::DvdPlusRw, "empty"}, {"DVD+R", MediaKind::DvdPlusR, "empty"}};
    int n = 0;
    for (auto [name, kind, status] : media) {
        const std::string disc = Disc(("kind" + std::to_string(n++) + ".img").c_str(), kind);
        Result r = Run("", "info -d virtual:" + disc);
        EXPECT_EQ(r.Status, 0) << name << ": " << r.Err;
        EXPECT_NE(r.Out.find(std::string("Disc:              ") + name + "\n"), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("Write speeds:      Max, "), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find(std::string("Status:            ") + status + "\n"), std::string::npos) << r.Out;
        r = Run("", "info --json -d virtual:" + disc);
        EXPECT_NE(r.Out.find(std::string("\"kind\": \"") + name + "\""), std::string::npos)
            << name << ": status " << r.Status << ", stdout: " << r.Out << ", stderr: " << r.Err;
    }
    Result r = Run("", "info -d virtual:" + (work / "kind0.img").string());
    EXPECT_NE(r.Out.find("Free blocks:       359849\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Next writable LBA: 0\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("48X (8,467 KB/s)"), std::string::npos) << r.Out;
}

TEST_F(ScrivoCommand, SaysWhenThereIsNoDriveOrNoDisc)
{
    const std::string cd = Disc("select-cd.img", MediaKind::CdRw);
    Result r = Run(cd + ";", "info -d 0:1:0");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "scrivo: no disc in drive 0:1:0\n");
    r = Run(cd + ";", "info -d 0:1:0 --json");
    EXPECT_NE(r.Out.find("\"disc\": null"), std::string::npos) << r.Out;
    // A choice that names no drive is bad usage, as is one that cannot name a drive.
    r = Run(cd + ";", "info -d 0:4:0");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "scrivo: no drive \"0:4:0\" (see scrivo drives); see `scrivo info --help`\n");
    r = Run(cd, "info -d D:");
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("-d \"D:\" is neither"), std::string::npos) << r.Err;
    r = Run(cd, "info");
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Disc:              CD-RW\n"), std::string::npos);
    EXPECT_NE(r.Out.find("Erasable:          yes\n"), std::string::npos);
    r = Run("", "info -d virtual:" + (work / "missing" / "disc.img").string());
    EXPECT_EQ(r.Status, 1);
}

TEST_F(ScrivoCommand, RefusesVirtualDriveOptionsTheRecorderWouldNotTake)
{
    const std::string disc = (work / "never-made.img").string();
    for (const std::string bad : {",write_eror_at=20", ",busy=abc", ",media=dvd+zz", ""}) {
        const std::string choice = "virtual:" + (bad.empty() ? "" : disc + bad);
        const Result r = Run("", "info -d " + choice);
        EXPECT_EQ(r.Status, 2) << choice;
        EXPECT_EQ(r.Err.rfind("scrivo: \"" + choice + "\"", 0), 0u) << r.Err;
    }
    EXPECT_FALSE(fs::exists(disc)) << "no disc is made for a choice that was refused";
}

TEST_F(ScrivoCommand, RefusesDriveOptionsOfVrecorderDrivesTheRecorderWouldNotTake)
{
    const std::string cd = Disc("env-cd.img", MediaKind::CdR);
    for (const std::string command : {"drives", "info", "info -d 2"}) {
        const Result r = Run(cd + ";" + cd + ",write_eror_at=20", command);
        EXPECT_EQ(r.Status, 2) << command;
        EXPECT_EQ(r.Err.rfind("scrivo: VRECORDER_DRIVES, drive 1 \"" + cd + ",write_eror_at=20\": unknown key", 0), 0u)
            << r.Err;
    }
}

} // namespace
