// Discs persist as image plus state file: a later process goes on where an earlier stopped.
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "DiscState.h"
#include "VrTestSupport.h"

namespace scrivo::vrecorder::test {
namespace {

using Persistence = DriveTest;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(Persistence, OneDriveAtATimeHasTheDisc) {
  Insert(MediaKind::CdR);
  ASSERT_TRUE(Write(0, 50, 0x61).ok());
  Drive second(drive->options(), clock);  // another process with the same disc
  uint8_t cdb[12] = {0x00};
  EXPECT_EQ(second.Execute(cdb, 6, nullptr, 0).status, 0x18);  // RESERVATION CONFLICT
  uint8_t inquiry[12] = {0x12, 0, 0, 0, 36, 0}, id[36];
  EXPECT_EQ(second.Execute(inquiry, 6, id, 36).status, 0x00);  // GOOD
  EXPECT_EQ(DiscClaim::Holder(discPath), std::to_string(getpid()));
  drive.reset();                                                          // the first lets the disc go
  EXPECT_EQ(second.Execute(cdb, 6, nullptr, 0).status, 0x02);  // its power-on attention
  EXPECT_EQ(second.Execute(cdb, 6, nullptr, 0).status, 0x00);  // GOOD
  ASSERT_NE(second.disc(), nullptr);
  EXPECT_EQ(second.disc()->tracks.at(0).nwa, 50u);  // and sees what the first recorded
}

TEST_F(Persistence, SecondProcessAppendsASession) {
  Insert(MediaKind::CdR);
  ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(Write(0, 50, 0x61).ok());
  ASSERT_TRUE(CloseSession().ok());
  Reopen();
  ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
  uint32_t nwa = TrackInfo(0xFF).u32(12);
  EXPECT_EQ(nwa, 50u + 2 + 11400);
  ASSERT_TRUE(Write(nwa, 20, 0x62).ok());
  ASSERT_TRUE(CloseSession().ok());
  Reopen();
  EXPECT_EQ(DiscInfo()[4], 3);
  EXPECT_EQ(Read(0, 1)[0], 0x61);
  EXPECT_EQ(Read(nwa, 1)[0], 0x62);
  // The image is addressed by LBA x 2048.
  std::string image = Slurp(discPath);
  ASSERT_EQ(image.size(), size_t(nwa + 20) * 2048);
  EXPECT_EQ(image[size_t(nwa) * 2048], 0x62);
  EXPECT_EQ(image[100 * 2048], 0);             // never written: a hole
}

TEST_F(Persistence, KilledMidWriteLeavesAnIncompleteTrack) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(Write(0, 32).ok());              // opens the track: on file at once
  for (uint32_t at = 32; at < 320; at += 32) ASSERT_TRUE(Write(at, 32).ok());
  // Another process reads the state while this one is still "writing" (it never closed).
  std::string error;
  auto other = DiscFile::Open(discPath, error);
  ASSERT_TRUE(other) << error;
  EXPECT_EQ(other->disc.Status(), DiscStatus::Appendable);
  ASSERT_EQ(other->disc.tracks.size(), 1u);
  EXPECT_FALSE(other->disc.tracks[0].closed);
  EXPECT_GE(other->disc.tracks[0].nwa, 32u);
  clock->now += 1000;                          // later writes catch the file up
  ASSERT_TRUE(Write(320, 32).ok());
  other = DiscFile::Open(discPath, error);
  EXPECT_EQ(other->disc.tracks[0].nwa, 352u);
}

// The drive went with a killed process: the track it recorded comes back damaged, takes no
// more data, survives the state file, and a close ends it where its recording stopped.
TEST_F(Persistence, TrackCutOffByAPowerLossIsDamagedUntilClosed) {
    Insert(MediaKind::CdR);
    ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
    ASSERT_TRUE(Write(0, 100, 0x61).ok());
    drive.reset();
    {
        std::string error;
        auto f = DiscFile::Open(discPath, error);
        f->disc.PowerLoss();
        ASSERT_TRUE(f->Save());
    }
    Reopen();
    ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
    auto t = TrackInfo(1);
    EXPECT_EQ(t[5] & 0x20, 0x20); // damaged
    EXPECT_EQ(t[7] & 0x01, 0);    // no next writable address
    EXPECT_EQ(t.u32(28), 99u);    // the last block recorded
    EXPECT_FALSE(Write(100, 10).ok());
    EXPECT_EQ((DiscInfo()[2] >> 2) & 3, 1); // its session stays open
    ASSERT_TRUE(CloseSession().ok());
    t = TrackInfo(1);
    EXPECT_EQ(t[5] & 0x20, 0);
    EXPECT_EQ(t.u32(24), 102u); // closed where it stopped, with its run-out
    EXPECT_EQ(TrackInfo(0xFF).u32(12), 102u + 11400);
    EXPECT_EQ(Read(99, 1)[0], 0x61);
}

TEST_F(Persistence, EjectedDiscIsReadAfreshOnLoad) {
  Insert(MediaKind::CdRw);
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x02, 0}).ok());
  // Recorded elsewhere while out of the tray.
  {
    std::string error;
    auto f = DiscFile::Open(discPath, error);
    f->disc.Write(0, 10);
    ASSERT_TRUE(f->Save());
  }
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x03, 0}).ok());
  Send({0, 0, 0, 0, 0, 0});  // unit attention
  EXPECT_EQ(TrackInfo(0xFF).u32(12), 10u);
}

TEST_F(Persistence, OpenTrayStaysOpenForTheNextProcessUntilLoaded) {
  Insert(MediaKind::CdR, 0, "persistent_tray");
  ASSERT_TRUE(Send({scsi::kStartStopUnit, 0, 0, 0, 0x02, 0}).ok());
  Reopen();
  Send({0, 0, 0, 0, 0, 0});  // power-on attention
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x3A, 0x02);  // NOT READY, medium not present, tray open
  ASSERT_TRUE(Send({scsi::kStartStopUnit, 0, 0, 0, 0x03, 0}).ok());
  Reopen();
  Send({0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(Send({0, 0, 0, 0, 0, 0}).ok());
}

TEST_F(Persistence, StateFileRoundTripsAndRejectsDamage) {
  Disc d = Disc::Blank(MediaKind::DvdR, 5000);
  d.ReserveTrack(100);
  d.Write(0, 30);
  d.CloseSession(false, false);
  Disc back;
  ASSERT_TRUE(ParseDisc(SerializeDisc(d), back));
  EXPECT_EQ(SerializeDisc(back), SerializeDisc(d));
  EXPECT_EQ(back.NextTrackStart(), d.NextTrackStart());
  EXPECT_FALSE(ParseDisc("media=floppy\ncapacity=10\n", back));
  EXPECT_FALSE(ParseDisc("media=cd-r\n", back));
  EXPECT_FALSE(ParseDisc("media=cd-r\ncapacity=10\ntrack=1,5,0,2,0,0\n", back));  // NWA before start
  EXPECT_FALSE(ParseDisc("media=cd-r\ncapacity=x\n", back));
  std::string error;
  EXPECT_EQ(DiscFile::Open(dir.File("none.img"), error), nullptr);
  EXPECT_NE(error, "");
}

TEST_F(Persistence, ShowReportsTheState) {
  Disc d = Disc::Blank(MediaKind::CdR, 359849);
  d.Write(0, 100);
  d.CloseSession(false, true);
  d.Write(11502, 10);
  std::string json = DiscJson(d);
  EXPECT_NE(json.find("\"media\": \"cd-r\""), std::string::npos);
  EXPECT_NE(json.find("\"profile\": \"0009h\""), std::string::npos);
  EXPECT_NE(json.find("\"status\": \"appendable\""), std::string::npos);
  EXPECT_NE(json.find("{\"number\": 1, \"start\": 0, \"size\": 102, \"closed\": true}"), std::string::npos);
  EXPECT_NE(json.find("{\"number\": 2, \"session\": 2, \"start\": 11502, \"size\": 10, \"state\": \"incomplete\"}"),
            std::string::npos);
  EXPECT_NE(json.find("\"next_writable_address\": 11512"), std::string::npos);
  EXPECT_NE(json.find("\"free_blocks\": " + std::to_string(359849 - 11512)), std::string::npos);
}

}  // namespace
}  // namespace scrivo::vrecorder::test
