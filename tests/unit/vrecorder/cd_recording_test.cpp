// CD-R/RW recording: next writable addresses across tracks and sessions, refusals, TOC.
#include "VrTestSupport.h"

namespace scrivo::vrecorder::test {
namespace {

class CdRecording : public DriveTest {
 protected:
  void SetUp() override {
    Insert(MediaKind::CdR);
    ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());  // TAO, next session allowed
  }
  uint32_t Nwa() {
    auto r = TrackInfo(0xFF);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r[7] & 1, 1) << "NWA not valid";
    return r.u32(12);
  }
  // One track-at-once session of `blocks` at the next writable address, closed for more.
  void RecordSession(uint32_t blocks) {
    uint32_t nwa = Nwa();
    ASSERT_TRUE(Write(nwa, blocks).ok());
    ASSERT_TRUE(CloseSession().ok());
  }
};

TEST_F(CdRecording, BlankDiscReportsEmptyAndInvisibleTrackOne) {
  auto d = DiscInfo();
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(d[2] & 0x03, 0);        // empty
  EXPECT_EQ((d[2] >> 2) & 3, 0);    // last session empty
  EXPECT_EQ(d[2] & 0x10, 0);        // CD-R is not erasable
  EXPECT_EQ(d[4], 1);
  EXPECT_EQ(d[6], 1);
  EXPECT_EQ(d[17], 97);             // first lead-in from the ATIP
  auto t = TrackInfo(1);
  ASSERT_TRUE(t.ok());
  EXPECT_EQ(t[6] & 0x40, 0x40);     // blank
  EXPECT_EQ(t.u32(8), 0u);
  EXPECT_EQ(t.u32(12), 0u);
  EXPECT_EQ(t.u32(16), 359849u);
}

TEST_F(CdRecording, SessionsStartAfterRedBookGaps) {
  RecordSession(1000);
  // 1000 data blocks + 2 run-out, then lead-out 6750, lead-in 4500, pregap 150.
  EXPECT_EQ(Nwa(), 1002u + 11400u);
  RecordSession(500);
  EXPECT_EQ(Nwa(), 12402u + 502u + 6900u);
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 0x03, 1);        // appendable
  EXPECT_EQ((d[2] >> 2) & 3, 0);    // with an empty last session
  EXPECT_EQ(d[4], 3);               // two recorded and the empty one
  EXPECT_EQ(d[5], 3);
  EXPECT_EQ(d[6], 3);
}

TEST_F(CdRecording, SecondTrackOfASessionFollowsRunOutAndPregap) {
  ASSERT_TRUE(Write(0, 300).ok());
  ASSERT_TRUE(CloseTrack(1).ok());
  EXPECT_EQ(Nwa(), 300u + 2u + 150u);
  auto t1 = TrackInfo(1);
  EXPECT_EQ(t1.u32(24), 302u);      // track size includes the run-out
  EXPECT_EQ(t1[7] & 1, 0);          // closed: no NWA
}

TEST_F(CdRecording, WritesOnlyAtTheNextWritableAddress) {
  EXPECT_SENSE(Write(16, 10), 0x05, 0x21, 0x02);
  ASSERT_TRUE(Write(0, 10).ok());
  EXPECT_SENSE(Write(5, 10), 0x05, 0x21, 0x02);
  EXPECT_SENSE(Write(11, 10), 0x05, 0x21, 0x02);
  EXPECT_TRUE(Write(10, 10).ok());
  EXPECT_SENSE(Write(359849, 1), 0x05, 0x21, 0x00);
}

TEST_F(CdRecording, WritePastCapacityIsOutOfRange) {
  EXPECT_SENSE(Write(359848, 2), 0x05, 0x21, 0x00);
}

TEST_F(CdRecording, IncompleteTrackIsTheInvisibleOne) {
  ASSERT_TRUE(Write(0, 64).ok());
  auto t = TrackInfo(0xFF);
  EXPECT_EQ(t[2], 1);
  EXPECT_EQ(t[6] & 0x40, 0);         // not blank
  EXPECT_EQ(t[7], 0x03);             // NWA and LRA valid
  EXPECT_EQ(t.u32(12), 64u);
  EXPECT_EQ(t.u32(28), 63u);
  EXPECT_EQ(t.u32(16), 359849u - 64u);
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 0x03, 1);
  EXPECT_EQ((d[2] >> 2) & 3, 1);     // incomplete session
  EXPECT_SENSE(TrackInfo(3), 0x05, 0x24, 0x00);
}

TEST_F(CdRecording, FinalizedDiscRefusesWritesAndHasNoFreeBlocks) {
  ASSERT_TRUE(SelectWriteParams(0x01, 0x04, 0x08).ok());  // multi-session 00b: close the disc
  ASSERT_TRUE(Write(0, 100).ok());
  ASSERT_TRUE(CloseSession().ok());
  auto d = DiscInfo();
  EXPECT_EQ(d[2] & 0x03, 2);
  EXPECT_EQ((d[2] >> 2) & 3, 3);
  EXPECT_EQ(d[4], 1);
  EXPECT_SENSE(Write(11502, 1), 0x07, 0x27, 0x00);
  EXPECT_SENSE(TrackInfo(2), 0x05, 0x24, 0x00);
  EXPECT_SENSE(CloseSession(), 0x05, 0x2C, 0x00);
}

TEST_F(CdRecording, EmptySessionCannotBeClosed) {
  EXPECT_SENSE(CloseSession(), 0x05, 0x2C, 0x00);
}

TEST_F(CdRecording, SessionAtOnceWithoutCueSheetIsASequenceError) {
  ASSERT_TRUE(SelectWriteParams(0x02, 0xC4, 0x08).ok());
  EXPECT_SENSE(Write(0, 1), 0x05, 0x2C, 0x00);
  // Nor is it claimed: feature 002Eh lists neither SAO nor RAW.
  auto f = Send({0x46, 2, 0, 0x2E, 0, 0, 0, 0, 16, 0}, 16);
  ASSERT_EQ(f.u16(8), 0x002Eu);
  EXPECT_EQ(f[12] & 0x38, 0);
}

TEST_F(CdRecording, TocListsClosedSessionsOnly) {
  EXPECT_SENSE(Send({0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100), 0x05, 0x24, 0x00);
  RecordSession(1000);
  ASSERT_TRUE(Write(Nwa(), 10).ok());  // an incomplete second session stays out
  auto toc = Send({0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc.u16(0), 2u + 8u * 2);
  EXPECT_EQ(toc[2], 1);
  EXPECT_EQ(toc[3], 1);
  EXPECT_EQ(toc[5], 0x14);
  EXPECT_EQ(toc.u32(8), 0u);
  EXPECT_EQ(toc[14], 0xAA);
  EXPECT_EQ(toc.u32(16), 1002u);     // lead-out after the run-out
  auto msf = Send({0x43, 0x02, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
  EXPECT_EQ(msf[17], 0);             // 1002 + 150 = 00:15:27
  EXPECT_EQ(msf[18], 15);
  EXPECT_EQ(msf[19], 27);
  auto sessions = Send({0x43, 0, 1, 0, 0, 0, 0, 0, 12, 0}, 12);
  ASSERT_TRUE(sessions.ok());
  EXPECT_EQ(sessions[3], 1);
  EXPECT_EQ(sessions[6], 1);
  EXPECT_EQ(sessions.u32(8), 0u);
}

TEST_F(CdRecording, SessionTocPointsAtTheLastSessionStart) {
  RecordSession(1000);
  RecordSession(200);
  auto s = Send({0x43, 0, 1, 0, 0, 0, 0, 0, 12, 0}, 12);
  EXPECT_EQ(s[3], 2);
  EXPECT_EQ(s[6], 2);
  EXPECT_EQ(s.u32(8), 12402u);
}

TEST_F(CdRecording, AtipGivesLeadInAndLastLeadOut) {
  auto a = Send({0x43, 0, 4, 0, 0, 0, 0, 0, 28, 0}, 28);
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(a.u16(0), 26u);
  EXPECT_EQ(a[6] & 0x40, 0);         // CD-R
  EXPECT_EQ(a[8], 97);
  EXPECT_EQ(a[12], 79);              // 79:59:74
  EXPECT_EQ(a[13], 59);
  EXPECT_EQ(a[14], 74);
}

TEST_F(CdRecording, ReadsRecordedBlocksOnly) {
  ASSERT_TRUE(Write(0, 4, 0x33).ok());
  auto r = Read(2, 2);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r[0], 0x33);
  EXPECT_EQ(r[4095], 0x33);
  EXPECT_SENSE(Read(3, 2), 0x05, 0x21, 0x00);
  ASSERT_TRUE(CloseSession().ok());
  // The run-out blocks READ CAPACITY counts are refused as drives do; lead-out and lead-in
  // between the sessions hold no user data.
  EXPECT_EQ(Send({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8).u32(0), 4u + 2u - 1u);
  ASSERT_TRUE(Write(Nwa(), 1).ok());
  EXPECT_SENSE(Read(4, 1), 0x05, 0x64, 0x00);
  EXPECT_SENSE(Read(6, 1), 0x03, 0x11, 0x00);
  EXPECT_TRUE(Read(4 + 2 + 11400, 1).ok());
}

TEST_F(CdRecording, SynchronizeCacheEndsATrackAtOnceTrack) {
  ASSERT_TRUE(Write(0, 300).ok());
  ASSERT_TRUE(Send({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  EXPECT_SENSE(Write(300, 10), 0x05, 0x21, 0x02);
  EXPECT_EQ(Nwa(), 300u + 2u + 150u);  // run-out, then the next track's pre-gap
  EXPECT_TRUE(Write(452, 10).ok());
}

TEST_F(CdRecording, BlockLengthFollowsTheDataBlockType) {
  ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x00).ok());  // raw 2352-byte blocks
  std::vector<uint8_t> cdb = {0x2A, 0, 0, 0, 0, 0, 0, 0, 2, 0};
  EXPECT_SENSE(SendCdb(cdb, 0, std::vector<uint8_t>(2 * 2048, 0x11)), 0x05, 0x24, 0x00);
  std::vector<uint8_t> raw(2 * 2352, 0xEE);
  std::fill(raw.begin() + 16, raw.begin() + 16 + 2048, 0x11);  // the user data after sync and header
  ASSERT_TRUE(SendCdb(cdb, 0, raw).ok());
  EXPECT_EQ(Nwa(), 2u);
  EXPECT_EQ(Read(0, 1)[0], 0x11);
  EXPECT_EQ(Read(0, 1)[2047], 0x11);
}

TEST_F(CdRecording, FullTocReadCdAndRead12) {
  ASSERT_TRUE(Write(0, 20, 0x42).ok());
  ASSERT_TRUE(CloseSession().ok());
  auto toc = Send({0x43, 0x02, 0x02, 0, 0, 0, 0, 0x01, 0x00, 0}, 256);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(toc[3], 1);  // last complete session
  ASSERT_GE(toc.data.size(), 4u + 5 * 11);
  EXPECT_EQ(toc[4 + 3], 0xA0);
  EXPECT_EQ(toc[4 + 11 * 2 + 3], 0xA2);
  EXPECT_EQ(toc[4 + 11 * 2 + 8] * 4500 + toc[4 + 11 * 2 + 9] * 75 + toc[4 + 11 * 2 + 10], 22u + 150u);
  EXPECT_EQ(toc[4 + 11 * 3 + 3], 1);                                    // track 1
  EXPECT_EQ(toc[4 + 11 * 4 + 3], 0xB0);                                 // the disc is open for more
  auto cd = Send({0xBE, 0x08, 0, 0, 0, 5, 0, 0, 2, 0x10, 0, 0}, 4096);  // Mode 1, user data
  ASSERT_TRUE(cd.ok());
  EXPECT_EQ(cd.data, Read(5, 2).data);
  EXPECT_SENSE(Send({0xBE, 0, 0, 0, 0, 5, 0, 0, 1, 0xF8, 0, 0}, 2352), 0x05, 0x24, 0x00);
  EXPECT_EQ(Send({0xA8, 0, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0}, 4096).data, Read(5, 2).data);
}

using CdRw = DriveTest;

TEST_F(CdRw, BlankingEmptiesTheDisc) {
  auto& t = *this;
  t.Insert(MediaKind::CdRw);
  ASSERT_TRUE(t.SelectWriteParams(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(t.Write(0, 100).ok());
  ASSERT_TRUE(t.CloseSession().ok());
  auto d = t.DiscInfo();
  EXPECT_EQ(d[2] & 0x10, 0x10);      // erasable
  EXPECT_EQ(d[2] & 3, 1);
  ASSERT_TRUE(t.Blank(1).ok());
  EXPECT_EQ(t.DiscInfo()[2] & 3, 0);
  EXPECT_EQ(t.TrackInfo(0xFF).u32(12), 0u);
  ASSERT_TRUE(t.Write(0, 10).ok());
  ASSERT_TRUE(t.Blank(0).ok());
  EXPECT_SENSE(t.Read(0, 1), 0x05, 0x21, 0x00);
  EXPECT_SENSE(t.Blank(2), 0x05, 0x24, 0x00);
}

TEST_F(CdRw, BlankOfACdRIsRefused) {
  auto& t = *this;
  t.Insert(MediaKind::CdR);
  EXPECT_SENSE(t.Blank(1), 0x05, 0x30, 0x00);
}

}  // namespace
}  // namespace scrivo::vrecorder::test
