// DVD media: reservation and borders on DVD-R, sessions and finalisation on DVD+R,
// formatting of DVD+RW, DVD-RAM and DVD-RW, restricted overwrite, ROM discs.
#include "VrTestSupport.h"

namespace scrivo::vrecorder::test {
namespace {

using DvdRecording = DriveTest;

TEST_F(DvdRecording, DvdRReservedTrackThenBorder) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(SelectWriteParams(0x20, 0xE5, 0x08, 16).ok());
  ASSERT_TRUE(Reserve(1000).ok());
  auto t1 = TrackInfo(1);
  EXPECT_EQ(t1[6] & 0x80, 0x80);           // reserved
  EXPECT_EQ(t1.u32(24), 1008u);            // rounded up to whole ECC blocks
  EXPECT_EQ(TrackInfo(2).u32(8), 1008u);   // the invisible track follows
  ASSERT_TRUE(Reserve(10).ok());           // a second reservation goes after the first
  EXPECT_EQ(TrackInfo(2).u32(24), 16u);
  EXPECT_EQ(TrackInfo(3).u32(8), 1024u);
}

TEST_F(DvdRecording, DvdRWritesInsideReservationOnly) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(Reserve(64).ok());
  EXPECT_SENSE(Write(32, 32), 0x05, 0x21, 0x02);
  ASSERT_TRUE(Write(0, 32).ok());
  EXPECT_SENSE(Write(32, 64), 0x05, 0x21, 0x02);  // runs past the reservation
  ASSERT_TRUE(Write(32, 32).ok());
  EXPECT_EQ(TrackInfo(1).u32(16), 0u);     // no free blocks left in it
}

TEST_F(DvdRecording, DvdRDiscAtOnceNeedsAReservation) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(SelectWriteParams(0x22, 0x05, 0x08).ok());
  EXPECT_SENSE(Write(0, 32), 0x05, 0x2C, 0x00);
  ASSERT_TRUE(Reserve(64).ok());
  EXPECT_TRUE(Write(0, 32).ok());
}

TEST_F(DvdRecording, DvdRBorderGapAndComplete) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(SelectWriteParams(0x20, 0xE5, 0x08, 16).ok());
  ASSERT_TRUE(Write(0, 100).ok());
  ASSERT_TRUE(CloseTrack(1).ok());
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_EQ(TrackInfo(0xFF).u32(12), 112u + 16384u);  // padded to ECC, then the border
  EXPECT_EQ(DiscInfo()[2] & 3, 1);
  ASSERT_TRUE(SelectWriteParams(0x20, 0x25, 0x08, 16).ok());  // multi-session 00b
  ASSERT_TRUE(Write(112 + 16384, 16).ok());
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_EQ(DiscInfo()[2] & 3, 2);
  EXPECT_SENSE(Reserve(16), 0x05, 0x2C, 0x00);
}

TEST_F(DvdRecording, DvdPlusRSessionsAndFinalisation) {
  Insert(MediaKind::DvdPlusR);
  ASSERT_TRUE(Write(0, 320).ok());
  ASSERT_TRUE(CloseTrack(0xFF).ok());
  ASSERT_TRUE(Send({0x5B, 0, 2, 0, 0, 0xFF, 0, 0, 0, 0}).ok());
  EXPECT_EQ(DiscInfo()[2] & 3, 1);  // DVD+R stays appendable after a session close
  uint32_t next = TrackInfo(0xFF).u32(12);
  EXPECT_EQ(next, 320u + 2048u);
  ASSERT_TRUE(Write(next, 16).ok());
  ASSERT_TRUE(Send({0x5B, 0, 5, 0, 0, 0, 0, 0, 0, 0}).ok());  // finalise
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 3, 2);
  EXPECT_EQ(d[4], 2);
  EXPECT_SENSE(Write(next + 16, 16), 0x07, 0x27, 0x00);
  EXPECT_SENSE(SelectWriteParams(0x12, 0xC4, 0x08), 0x05, 0x26, 0x00);  // no test write on DVD+R
}

TEST_F(DvdRecording, DvdPlusRwMustBeFormattedThenWritesAnywhere) {
  Insert(MediaKind::DvdPlusRw);
  EXPECT_SENSE(Write(0, 32), 0x05, 0x30, 0x10);
  EXPECT_EQ(DiscInfo()[2] & 3, 0);
  EXPECT_EQ(DiscInfo()[6], 1);               // one track over the whole disc, even blank
  EXPECT_EQ(TrackInfo(1).u32(24), 2295104u);  // its size: what a session may use
  auto caps = Send({0x23, 0, 0, 0, 0, 0, 0, 0, 252, 0}, 252);
  EXPECT_EQ(caps[8] & 3, 1);                 // unformatted
  EXPECT_EQ(caps[12 + 4] >> 2, 0x26);
  ASSERT_TRUE(Format(2295104, 0x26).ok());
  ASSERT_TRUE(Write(1000, 32, 0x11).ok());
  ASSERT_TRUE(Write(0, 32, 0x22).ok());
  ASSERT_TRUE(Write(16, 32, 0x33).ok());     // overwrite
  EXPECT_EQ(Read(0, 1)[0], 0x22);
  EXPECT_EQ(Read(16, 1)[0], 0x33);
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 3, 2);                    // reported complete, as drives do
  EXPECT_EQ(d[7] & 3, 3);                    // background format complete
  EXPECT_SENSE(Write(2295104 - 16, 32), 0x05, 0x21, 0x00);
  EXPECT_SENSE(Format(2295104 + 1, 0x26), 0x05, 0x26, 0x00);
  EXPECT_SENSE(Format(2295104, 0x00), 0x05, 0x26, 0x00);
}

TEST_F(DvdRecording, DvdRamComesFormattedUnlessMadeUnformatted) {
  Insert(MediaKind::DvdRam);
  EXPECT_TRUE(Write(0, 16).ok());
  std::string error;
  drive.reset();
  ASSERT_TRUE(DiscFile::Create(discPath, MediaKind::DvdRam, 0, 0, "", error, true)) << error;
  Reopen();
  EXPECT_SENSE(Write(0, 16), 0x05, 0x30, 0x10);
  ASSERT_TRUE(Format(2236704, 0x00, 2048).ok());
  ASSERT_TRUE(Write(77, 3).ok());
  EXPECT_EQ(DiscInfo()[2] & 3, 3);
  EXPECT_SENSE(Blank(1), 0x05, 0x30, 0x00);
}

TEST_F(DvdRecording, DvdRwQuickFormatMakesRestrictedOverwrite) {
  Insert(MediaKind::DvdRwSequential);
  ASSERT_TRUE(Write(0, 32).ok());
  ASSERT_TRUE(Format(1000, 0x15, 16).ok());
  EXPECT_EQ(drive->disc()->media, MediaKind::DvdRwRestricted);
  EXPECT_EQ(drive->disc()->formattedSize, 1008u);
  auto cfg = Send({0x46, 2, 0, 0, 0, 0, 0, 0, 8, 0}, 8);
  EXPECT_EQ(cfg.u16(6), 0x0013u);
  // Whole ECC blocks only, inside the formatted area or, until the session is closed, growing
  // it from its end; the capacity is unknown meanwhile and no quick grow is offered.
  EXPECT_SENSE(Write(8, 16), 0x05, 0x21, 0x02);
  EXPECT_SENSE(Write(0, 8), 0x05, 0x21, 0x02);
  EXPECT_SENSE(Write(2000, 16), 0x05, 0x21, 0x02);
  ASSERT_TRUE(Write(1008, 32).ok());
  EXPECT_EQ(drive->disc()->formattedSize, 1040u);
  auto caps = Send({0x23, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0}, 0xFC);
  EXPECT_EQ(caps[8] & 3, 3);
  for (size_t at = 12; at < caps.data.size(); at += 8) EXPECT_NE(caps[at + 4] >> 2, 0x13);
  EXPECT_SENSE(Format(0, 0x13, 16), 0x05, 0x26, 0x00);
  // Closed, the written part is the formatted area: writes stay inside it.
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_SENSE(Write(1040, 16), 0x05, 0x21, 0x00);
  ASSERT_TRUE(Write(0, 16).ok());
  caps = Send({0x23, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0}, 0xFC);
  EXPECT_EQ(caps.u32(4), 1040u);
  EXPECT_EQ(caps[8] & 3, 2);
  bool full = false, grow = false;
  for (size_t at = 12; at + 8 <= caps.data.size(); at += 8) {
    full = full || (caps[at + 4] >> 2 == 0x00 && caps.u32(at) == 2298496u);
    grow = grow || (caps[at + 4] >> 2 == 0x13 && caps.u32(at) == 2298496u - 1040);
  }
  EXPECT_TRUE(full && grow);
  // A quick grow adds what it is asked for and opens the area for growth again.
  ASSERT_TRUE(Format(16, 0x13, 16).ok());
  EXPECT_EQ(drive->disc()->formattedSize, 1056u);
  ASSERT_TRUE(Write(1056, 16).ok());
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_EQ(drive->disc()->formattedSize, 1072u);
  EXPECT_EQ(TrackInfo(1).u32(12), 1072u);    // NWA: end of what was written
  // No test writing in restricted overwrite.
  EXPECT_SENSE(SelectWriteParams(0x30, 0xC5, 0x08), 0x05, 0x26, 0x00);
  ASSERT_TRUE(Blank(1).ok());                // back to sequential, empty
  EXPECT_EQ(drive->disc()->media, MediaKind::DvdRwSequential);
  EXPECT_EQ(DiscInfo()[2] & 3, 0);
  EXPECT_SENSE(Format(0, 0x13, 16), 0x05, 0x26, 0x00);  // grow needs restricted overwrite
  // A full format of fewer blocks than the disc has leaves it formatted that far, complete.
  ASSERT_TRUE(Format(4000, 0x00, 16).ok());
  EXPECT_EQ(drive->disc()->formattedSize, 4000u);
  EXPECT_SENSE(Write(4000, 16), 0x05, 0x21, 0x00);
}

TEST_F(DvdRecording, DvdRwAfterMinimalBlankTakesDiscAtOnceOnly) {
  Insert(MediaKind::DvdRwSequential);
  ASSERT_TRUE(SelectWriteParams(0x20, 0xC5, 0x08).ok());  // incremental
  ASSERT_TRUE(Write(0, 32).ok());
  ASSERT_TRUE(Blank(1).ok());
  EXPECT_SENSE(Write(0, 32), 0x05, 0x64, 0x00);  // ILLEGAL MODE FOR THIS TRACK
  auto f = Send({0x46, 2, 0, 0x21, 0, 0, 0, 0, 16, 0}, 16);
  EXPECT_EQ(f[10] & 1, 0);                                // incremental streaming not current
  ASSERT_TRUE(SelectWriteParams(0x22, 0xC5, 0x08).ok());  // disc-at-once
  ASSERT_TRUE(Reserve(32).ok());
  EXPECT_TRUE(Write(0, 32).ok());
  // A full blank, and a format to restricted overwrite, make it fit for everything again.
  ASSERT_TRUE(Blank(1).ok());
  ASSERT_TRUE(Format(0, 0x15, 16).ok());
  EXPECT_TRUE(Write(0, 32).ok());
  ASSERT_TRUE(Blank(0).ok());
  ASSERT_TRUE(SelectWriteParams(0x20, 0xC5, 0x08).ok());
  EXPECT_TRUE(Write(0, 32).ok());
}

TEST_F(DvdRecording, DvdRDiscAtOnceIsOneClosedSession) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(SelectWriteParams(0x22, 0xC5, 0x08).ok());  // disc-at-once, next session allowed
  ASSERT_TRUE(Reserve(64).ok());
  ASSERT_TRUE(Write(0, 64).ok());
  ASSERT_TRUE(Send({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());  // the flush writes the lead-out
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 3, 2);  // complete all the same
  EXPECT_EQ(d[4], 1);
  EXPECT_SENSE(Reserve(16), 0x05, 0x2C, 0x00);
}

TEST_F(DvdRecording, DvdPlusRwStopsFormatAndDescribesItsStructure) {
  Insert(MediaKind::DvdPlusRw);
  EXPECT_TRUE(Send({0x5B, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());  // quick stop of a background format
  auto s = Send({0xAD, 0, 0, 0, 0, 0, 0, 0x00, 0x08, 0x04, 0, 0}, 2052);
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s[4] >> 4, 9);                        // book type DVD+RW
  EXPECT_EQ(s.u32(12) - s.u32(8) + 1, 2295104u);  // the data area
  Insert(MediaKind::DvdR);
  EXPECT_SENSE(Send({0x5B, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0x05, 0x24, 0x00);
  Insert(MediaKind::CdR);
  EXPECT_SENSE(Send({0xAD, 0, 0, 0, 0, 0, 0, 0, 0x08, 0x04, 0, 0}, 2052), 0x05, 0x30, 0x02);
}

TEST_F(DvdRecording, FormatOfNonFormattableMediaIsRefused) {
  Insert(MediaKind::CdRw);
  EXPECT_SENSE(Format(1000, 0x10), 0x05, 0x30, 0x06);
  EXPECT_SENSE(Send({0x04, 0x00, 0, 0, 0, 0}, 0, std::vector<uint8_t>(12)), 0x05, 0x24, 0x00);
}

TEST_F(DvdRecording, RomDiscFromIsoIsReadOnly) {
  std::string iso = dir.File("x.iso");
  {
    std::vector<uint8_t> data(2048 * 20, 0x7E);
    FILE* f = std::fopen(iso.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
  discPath = dir.File("rom.img");
  std::string error;
  ASSERT_TRUE(DiscFile::Create(discPath, MediaKind::DvdRom, 0, 0, iso, error)) << error;
  Reopen();
  EXPECT_EQ(Read(19, 1)[0], 0x7E);
  EXPECT_SENSE(Read(20, 1), 0x05, 0x21, 0x00);
  EXPECT_SENSE(Write(20, 1), 0x05, 0x30, 0x05);
  EXPECT_EQ(DiscInfo()[2] & 3, 2);
  auto toc = Send({0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
  EXPECT_EQ(toc.u32(16), 20u);  // lead-out
  EXPECT_SENSE(Send({0x43, 0, 4, 0, 0, 0, 0, 0, 28, 0}, 28), 0x05, 0x24, 0x00);  // no ATIP
  EXPECT_FALSE(DiscFile::Create(dir.File("r2.img"), MediaKind::CdRom, 0, 0, "", error));
}

TEST_F(DvdRecording, CdRFromIsoIsAClosedFirstSession) {
  std::string iso = dir.File("x.iso");
  {
    std::vector<uint8_t> data(2048 * 10, 1);
    FILE* f = std::fopen(iso.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
  discPath = dir.File("cd.img");
  std::string error;
  ASSERT_TRUE(DiscFile::Create(discPath, MediaKind::CdR, 0, 0, iso, error)) << error;
  Reopen();
  EXPECT_EQ(DiscInfo()[2] & 3, 1);
  EXPECT_EQ(TrackInfo(0xFF).u32(12), 10u + 2 + 11400);
}

}  // namespace
}  // namespace scrivo::vrecorder::test
