// Fault injection and configuration: every knob of a drive entry.
#include "VrTestSupport.h"

namespace scrivo::vrecorder::test {
namespace {

using Faults = DriveTest;

TEST_F(Faults, BusyAnswersTheNextWrites) {
  Insert(MediaKind::CdR, 0, "busy=2");
  EXPECT_EQ(Write(0, 1).result.status, 0x08);  // BUSY
  EXPECT_EQ(Write(0, 1).result.status, 0x08);  // BUSY
  EXPECT_TRUE(Write(0, 1).ok());
  EXPECT_EQ(TrackInfo(0xFF).u32(12), 1u);      // busy writes recorded nothing
}

TEST_F(Faults, BusyEveryKthWrite) {
  Insert(MediaKind::CdR, 0, "busy_every=3");
  EXPECT_TRUE(Write(0, 1).ok());
  EXPECT_TRUE(Write(1, 1).ok());
  EXPECT_EQ(Write(2, 1).result.status, 0x08);  // BUSY
  EXPECT_TRUE(Write(2, 1).ok());
  EXPECT_TRUE(Write(3, 1).ok());
  EXPECT_EQ(Write(4, 1).result.status, 0x08);  // BUSY
}

TEST_F(Faults, WriteErrorAtAnAddress) {
  Insert(MediaKind::CdR, 0, "write_error_at=40");
  EXPECT_TRUE(Write(0, 32).ok());
  EXPECT_SENSE(Write(32, 32), 0x03, 0x0C, 0x00);
  EXPECT_EQ(TrackInfo(0xFF).u32(12), 32u);
}

TEST_F(Faults, CorruptWriteAnswersGoodButStoresOtherBytes) {
  Insert(MediaKind::CdR, 0, "corrupt_write_at=5,close_error,sync_error");
  ASSERT_TRUE(Write(0, 8, 0x11).ok());
  auto back = Read(4, 2);
  ASSERT_TRUE(back.ok());
  const std::vector<uint8_t> sent(2048, 0x11);
  EXPECT_EQ(std::vector<uint8_t>(back.data.begin(), back.data.begin() + 2048), sent);
  EXPECT_NE(std::vector<uint8_t>(back.data.begin() + 2048, back.data.end()), sent);
  EXPECT_SENSE(Send({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0x03, 0x0C, 0x00);
  EXPECT_SENSE(CloseTrack(1), 0x03, 0x72, 0x00);
}

TEST_F(Faults, NotReadyAfterLoad) {
  Insert(MediaKind::CdR, 0, "not_ready_ms=500");
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x01);
  clock->now += 500;
  EXPECT_TRUE(Send({0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x02, 0}).ok());
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x03, 0}).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x06, 0x28, 0x00);
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x01);
}

TEST_F(Faults, RefusedWriteTypesAndMissingGetConfiguration) {
  Insert(MediaKind::CdR, 0, "refuse_write_types=raw,sao,nogetconfig");
  EXPECT_SENSE(SelectWriteParams(0x03, 0x00, 0x01), 0x05, 0x26, 0x00);
  EXPECT_SENSE(SelectWriteParams(0x02, 0x00, 0x00), 0x05, 0x26, 0x00);
  EXPECT_TRUE(SelectWriteParams(0x01, 0x00, 0x00).ok());
  EXPECT_SENSE(Send({0x46, 0, 0, 0, 0, 0, 0, 0, 8, 0}, 8), 0x05, 0x20, 0x00);
}

TEST_F(Faults, MissingWriteCapabilityRefusesTheMedium) {
  Insert(MediaKind::DvdR, 0, "caps=-dvdr");
  EXPECT_SENSE(Write(0, 16), 0x05, 0x30, 0x05);
  auto all = Send({0x46, 0, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096);
  for (size_t at = 8; at + 4 <= all.data.size(); at += 4 + all[at + 3]) EXPECT_NE(all.u16(at), 0x002Fu);
}

TEST(DriveOptionsParsing, EntriesAndKeys) {
  DriveOptions o;
  std::string error;
  ASSERT_TRUE(ParseDriveOptions("/d/x.img,vendor=V,speeds=1,2,3,caps=-burnfree,+vendor30,busy=4,"
                                "busy_every=5,write_error_at=0x10,not_ready_ms=7,lost_completion_at=8,lost_completion_op=0x2A,"
                                "refuse_write_types=raw,time_scale=0.5,sync=1,buffer=64,interrupt_at=9,kill_at=10", o,
                                error)) << error;
  EXPECT_EQ(o.disc, "/d/x.img");
  EXPECT_EQ(o.vendor, "V");
  EXPECT_EQ(o.speeds, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_FALSE(o.caps.burnfree);
  EXPECT_TRUE(o.caps.vendor30);
  EXPECT_EQ(o.busy, 4u);
  EXPECT_EQ(o.busyEvery, 5u);
  EXPECT_EQ(*o.writeErrorAt, 16u);
  EXPECT_EQ(o.notReadyMs, 7u);
  EXPECT_EQ(o.lostCompletionAt, 8u);
  EXPECT_EQ(*o.lostCompletionOp, 0x2A);
  EXPECT_EQ(o.refusedWriteTypes, (std::set<int>{3}));
  EXPECT_DOUBLE_EQ(o.timeScale, 0.5);
  EXPECT_TRUE(o.synchronous);
  EXPECT_EQ(o.bufferKb, 64u);
  EXPECT_EQ(*o.interruptAt, 9u);
  EXPECT_EQ(*o.killAt, 10u);
  EXPECT_FALSE(ParseDriveOptions("x,colour=red", o, error));
  EXPECT_NE(error.find("colour"), std::string::npos);
  EXPECT_FALSE(ParseDriveOptions("x,caps=-wings", o, error));
  EXPECT_FALSE(ParseDriveOptions("x,busy=lots", o, error));
  EXPECT_FALSE(ParseDriveOptions("x,lost_completion_op=0x100", o, error));
  EXPECT_FALSE(ParseDriveOptions("x,refuse_write_types=fast", o, error));
  EXPECT_EQ(SplitDrives("a;;b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitDrives("").empty());
}

}  // namespace
}  // namespace scrivo::vrecorder::test
