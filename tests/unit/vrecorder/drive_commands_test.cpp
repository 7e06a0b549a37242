// The drive's self-description and control commands: INQUIRY, GET CONFIGURATION, mode
// pages, speeds, buffer, tray, immediate operations, test write, sense data.
#include "VrTestSupport.h"

namespace scrivo::vrecorder::test {
namespace {

class DriveCommands : public DriveTest {
 protected:
  void SetUp() override { Insert(MediaKind::CdR, 0, "time_scale=1"); }
  // Feature codes in a GET CONFIGURATION reply, with their current bit.
  std::vector<std::pair<uint16_t, bool>> Features(const Reply& r) {
    std::vector<std::pair<uint16_t, bool>> out;
    for (size_t at = 8; at + 4 <= r.data.size(); at += 4 + r[at + 3])
      out.push_back({uint16_t(r.u16(at)), bool(r[at + 2] & 1)});
    return out;
  }
};

TEST_F(DriveCommands, InquiryCarriesConfiguredIdentity) {
  Insert(MediaKind::CdR, 0, "vendor=ACME,product=WRITER 9000,revision=1.2");
  auto r = Send({0x12, 0, 0, 0, 96, 0}, 96);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.data.size(), 36u);
  EXPECT_EQ(r[0], 0x05);
  EXPECT_EQ(r[1], 0x80);
  EXPECT_EQ(std::string(r.data.begin() + 8, r.data.begin() + 36), "ACME    WRITER 9000     1.2 ");
  EXPECT_EQ(Send({0x12, 0, 0, 0, 5, 0}, 96).data.size(), 5u);  // allocation length
  EXPECT_SENSE(Send({0x12, 1, 0x80, 0, 96, 0}, 96), 0x05, 0x24, 0x00);
}

TEST_F(DriveCommands, UnknownOperationCodeAndFixedSenseBytes) {
  auto r = Send({0xA5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // PLAY AUDIO (12)
  EXPECT_SENSE(r, 0x05, 0x20, 0x00);
  uint8_t b[18];
  EncodeFixedSense(Sense{0x02, 0x04, 0x07, uint16_t(0x8000)}, b, 18);
  EXPECT_EQ(b[0], 0x70);
  EXPECT_EQ(b[2], 0x02);
  EXPECT_EQ(b[7], 10);
  EXPECT_EQ(b[12], 0x04);
  EXPECT_EQ(b[13], 0x07);
  EXPECT_EQ(b[15], 0x80);  // SKSV: progress indication follows
  EXPECT_EQ(b[16], 0x80);
  EXPECT_EQ(b[17], 0x00);
}

TEST_F(DriveCommands, RequestSenseReturnsTheDeferredSenseOnce) {
  std::vector<uint8_t> cdb(10);
  cdb[0] = 0x2A;
  Put32(&cdb[2], 99);
  Put16(&cdb[7], 1);
  std::vector<uint8_t> block(2048);
  auto r = drive->Execute(cdb.data(), 10, block.data(), 2048, /*autoSense=*/false);
  EXPECT_EQ(r.status, 0x02);  // CHECK CONDITION
  auto s = RequestSense();
  EXPECT_EQ(s[2], 0x05);
  EXPECT_EQ(s[12], 0x21);
  EXPECT_EQ(s[13], 0x02);
  EXPECT_EQ(RequestSense()[2], 0x00);
}

TEST_F(DriveCommands, GetConfigurationRequestTypes) {
  auto all = Send({0x46, 0, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096);
  ASSERT_TRUE(all.ok());
  EXPECT_EQ(all.u16(6), 0x0009u);
  EXPECT_EQ(all.u32(0), all.data.size() - 4);
  auto f = Features(all);
  auto has = [&](uint16_t code, bool current) {
    for (auto& [c, cur] : f)
      if (c == code) return cur == current;
    return false;
  };
  EXPECT_TRUE(has(0x0000, true));
  EXPECT_TRUE(has(0x0001, true));
  EXPECT_TRUE(has(0x001F, false));
  EXPECT_TRUE(has(0x002A, false));
  EXPECT_TRUE(has(0x002B, false));
  EXPECT_TRUE(has(0x002D, true));
  EXPECT_TRUE(has(0x002F, false));
  // Profile list: CD-R current.
  bool cdrCurrent = false;
  for (size_t at = 12; at < 12u + all[11]; at += 4)
    if (all.u16(at) == 0x0009) cdrCurrent = all[at + 2] & 1;
  EXPECT_TRUE(cdrCurrent);
  auto one = Send({0x46, 2, 0x00, 0x2D, 0, 0, 0, 0x10, 0, 0}, 4096);
  ASSERT_EQ(Features(one).size(), 1u);
  EXPECT_EQ(one[8 + 4] & 0x44, 0x44);        // BUF and test write
  auto current = Features(Send({0x46, 1, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096));
  for (auto& [code, cur] : current) EXPECT_TRUE(cur) << code;
  auto from = Features(Send({0x46, 0, 0x00, 0x2B, 0, 0, 0, 0x10, 0, 0}, 4096));
  EXPECT_EQ(from.front().first, 0x002B);
  EXPECT_SENSE(Send({0x46, 3, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096), 0x05, 0x24, 0x00);
}

TEST_F(DriveCommands, EachMediumHasItsProfileAndItsWritingFeatureCurrent) {
  struct Case {
    MediaKind kind;
    uint16_t profile, feature;
  };
  const Case cases[] = {
      {MediaKind::CdR, 0x0009, 0x002D},       {MediaKind::CdRw, 0x000A, 0x002D},
      {MediaKind::DvdR, 0x0011, 0x002F},      {MediaKind::DvdRam, 0x0012, 0x0024},
      {MediaKind::DvdRwRestricted, 0x0013, 0x0026}, {MediaKind::DvdRwSequential, 0x0014, 0x002F},
      {MediaKind::DvdPlusRw, 0x001A, 0x002A}, {MediaKind::DvdPlusR, 0x001B, 0x002B},
  };
  for (const Case& c : cases) {
    Insert(c.kind);
    ASSERT_TRUE(drive);
    auto r = Send({0x46, 1, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096);  // GET CONFIGURATION, current
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.u16(6), c.profile);
    bool listed = false;
    for (size_t at = 12; at < 12u + r[11]; at += 4)
      if (r.u16(at) == c.profile) listed = r[at + 2] & 1;
    EXPECT_TRUE(listed) << std::hex << c.profile;
    bool feature = false;
    for (auto& [code, current] : Features(r)) feature = feature || code == c.feature;
    EXPECT_TRUE(feature) << std::hex << c.profile << " " << c.feature;
  }
}

TEST_F(DriveCommands, CapabilitiesFollowCapsKey) {
  Insert(MediaKind::CdR, 0, "caps=-burnfree,-testwrite,+vendor30,buffer=4096,speeds=4234,2822,1411");
  auto p = Send({0x5A, 0, 0x2A, 0, 0, 0, 0, 1, 0, 0}, 256);
  ASSERT_TRUE(p.ok());
  const size_t o = 8;
  EXPECT_EQ(p[o] & 0x3F, 0x2A);
  EXPECT_EQ(p[o + 3] & 0x04, 0);             // no test write
  EXPECT_EQ(p[o + 4] & 0x80, 0);             // no BUF
  EXPECT_EQ(p.u16(o + 12), 4096u);
  EXPECT_EQ(p.u16(o + 28), 4234u);
  EXPECT_EQ(p.u16(o + 30), 3u);
  EXPECT_EQ(p.u16(o + 32 + 2), 4234u);
  EXPECT_EQ(p.u16(o + 40 + 2), 1411u);
  auto v = Send({0x5A, 0, 0x30, 0, 0, 0, 0, 0, 128, 0}, 128);
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v[8], 0x30);
  EXPECT_SENSE(SelectWriteParams(0x41, 0xC4, 0x08), 0x05, 0x26, 0x00);  // BUFE
  EXPECT_SENSE(SelectWriteParams(0x11, 0xC4, 0x08), 0x05, 0x26, 0x00);  // test write
  Insert(MediaKind::CdR);
  EXPECT_SENSE(Send({0x5A, 0, 0x30, 0, 0, 0, 0, 0, 128, 0}, 128), 0x05, 0x24, 0x00);
}

TEST_F(DriveCommands, SetCdSpeedSnapsDownToASupportedSpeed) {
  auto current = [&] { return Send({0x5A, 0, 0x2A, 0, 0, 0, 0, 1, 0, 0}, 256).u16(8 + 28); };
  EXPECT_EQ(current(), 8467u);
  ASSERT_TRUE(Send({0xBB, 0, 0xFF, 0xFF, 0x0B, 0x00, 0, 0, 0, 0, 0, 0}).ok());  // 2816
  EXPECT_EQ(current(), 1411u);
  ASSERT_TRUE(Send({0xBB, 0, 0xFF, 0xFF, 0x0B, 0x06, 0, 0, 0, 0, 0, 0}).ok());  // 2822
  EXPECT_EQ(current(), 2822u);
  ASSERT_TRUE(Send({0xBB, 0, 0xFF, 0xFF, 0x00, 0x02, 0, 0, 0, 0, 0, 0}).ok());  // below all
  EXPECT_EQ(current(), 706u);
  ASSERT_TRUE(Send({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).ok());
  EXPECT_EQ(current(), 8467u);
}

TEST_F(DriveCommands, WriteParametersPageChecksAgainstTheMedium) {
  EXPECT_TRUE(SelectWriteParams(0x03, 0x00, 0x01).ok());                            // raw, raw+PQ
  EXPECT_SENSE(SelectWriteParams(0x03, 0x00, 0x08), 0x05, 0x26, 0x00);  // raw with Mode 1
  EXPECT_SENSE(SelectWriteParams(0x05, 0xC4, 0x08), 0x05, 0x26, 0x00);  // no such type
  EXPECT_SENSE(SelectWriteParams(0x01, 0x84, 0x08), 0x05, 0x26, 0x00);  // multi-session 10b
  EXPECT_SENSE(SelectWriteParams(0x01, 0xC4, 0x05), 0x05, 0x26, 0x00);  // reserved block type
  EXPECT_SENSE(SelectWriteParams(0x00, 0xE4, 0x08, 0), 0x05, 0x26, 0x00);  // fixed packets of 0
  auto got = Send({0x5A, 0, 0x05, 0, 0, 0, 0, 0, 100, 0}, 100);
  EXPECT_EQ(got[8 + 2] & 0x0F, 0x03);        // the last good page stayed
  Insert(MediaKind::DvdR);
  EXPECT_SENSE(SelectWriteParams(0x01, 0xC4, 0x08), 0x05, 0x26, 0x00);  // no TAO on DVD-R
  EXPECT_SENSE(SelectWriteParams(0x02, 0xC4, 0x00), 0x05, 0x26, 0x00);  // DVD takes Mode 1 only
  EXPECT_TRUE(SelectWriteParams(0x60, 0xE5, 0x08, 16).ok());
  EXPECT_TRUE(SelectWriteParams(0x22, 0xC4, 0x08).ok());
  std::vector<uint8_t> shortList(20);
  EXPECT_SENSE(Send({0x55, 0x10, 0, 0, 0, 0, 0, 0, 20, 0}, 0, shortList), 0x05, 0x26, 0x00);
  EXPECT_SENSE(Send({0x55, 0x00, 0, 0, 0, 0, 0, 0, 20, 0}, 0, shortList), 0x05, 0x24, 0x00);
  auto changeable = Send({0x5A, 0, 0x45, 0, 0, 0, 0, 0, 100, 0}, 100);
  EXPECT_EQ(changeable[8 + 2], 0x7F);
  EXPECT_SENSE(Send({0x5A, 0, 0xC5, 0, 0, 0, 0, 0, 100, 0}, 100), 0x05, 0x39, 0x00);
}

TEST_F(DriveCommands, BufferFillsWithWritesAndDrainsAtTheWriteSpeed) {
  ASSERT_TRUE(Send({0xBB, 0, 0xFF, 0xFF, 0x0B, 0x06, 0, 0, 0, 0, 0, 0}).ok());  // 2822 KB/s
  auto cap = [&] { return Send({0x5C, 0, 0, 0, 0, 0, 0, 0, 12, 0}, 12); };
  EXPECT_EQ(cap().u32(4), 2048u * 1024);
  EXPECT_EQ(cap().u32(8), 2048u * 1024);
  ASSERT_TRUE(Write(0, 500).ok());
  EXPECT_EQ(cap().u32(8), 2048u * 1024 - 500 * 2048);
  clock->now += 100;                          // 0.1 s at 2822 KB/s drains 288,972 bytes
  EXPECT_NEAR(double(cap().u32(8)), 2048.0 * 1024 - 500 * 2048 + 288972.8, 2.0);
  clock->now += 10000;
  EXPECT_EQ(cap().u32(8), 2048u * 1024);
  // A write that does not fit waits for room.
  double before = clock->now;
  ASSERT_TRUE(Write(500, 1000).ok());
  ASSERT_TRUE(Write(1500, 1000).ok());
  EXPECT_GT(clock->now, before + 300);
}

TEST_F(DriveCommands, ImmediateBlankLeavesTheDriveNotReadyWithProgress) {
  Insert(MediaKind::CdRw, 0, "time_scale=0.001");
  ASSERT_TRUE(Blank(0, true).ok());           // 600 s scaled to 600 ms
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x07);
  EXPECT_SENSE(DiscInfo(), 0x02, 0x04, 0x07);
  EXPECT_TRUE(Send({0x12, 0, 0, 0, 36, 0}, 36).ok());
  clock->now += 300;
  auto s = RequestSense();
  EXPECT_EQ(s[2], 0x02);
  EXPECT_EQ(s[15], 0x80);
  EXPECT_NEAR(double(s.u16(16)), 32767, 200);
  clock->now += 301;
  EXPECT_TRUE(Send({0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Format(0, 0, 0, true).result.status == 0x02);  // CD-RW: not formattable
}

TEST_F(DriveCommands, ImmediateFormatSyncAndCloseReportTheirOwnCodes) {
  Insert(MediaKind::DvdPlusRw, 0, "time_scale=0.001");
  ASSERT_TRUE(Format(2295104, 0x26, 0, true).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x04);
  clock->now += 100000;
  ASSERT_TRUE(Write(0, 1024).ok());
  ASSERT_TRUE(Send({0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x08);
  Insert(MediaKind::CdR, 0, "time_scale=0.001");
  ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(Write(0, 10).ok());
  ASSERT_TRUE(CloseSession(true).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x04, 0x07);
  double before = clock->now;
  ASSERT_TRUE(Blank(0).result.status == 0x02);  // busy: refused before it starts
  EXPECT_EQ(clock->now, before);
}

TEST_F(DriveCommands, NonImmediateOperationsTakeTheirTime) {
  Insert(MediaKind::CdRw, 0, "time_scale=0.001");
  double before = clock->now;
  ASSERT_TRUE(Blank(1).ok());
  EXPECT_NEAR(clock->now - before, 60.0, 0.01);
  EXPECT_TRUE(Send({0, 0, 0, 0, 0, 0}).ok());
}

TEST_F(DriveCommands, TrayEjectPreventAndLoad) {
  ASSERT_TRUE(Send({0x1E, 0, 0, 0, 1, 0}).ok());
  EXPECT_SENSE(Send({0x1B, 0, 0, 0, 0x02, 0}), 0x05, 0x53, 0x02);
  ASSERT_TRUE(Send({0x1E, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x02, 0}).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x3A, 0x02);  // tray open
  EXPECT_EQ(drive->disc(), nullptr);
  ASSERT_TRUE(Send({0x1B, 0, 0, 0, 0x03, 0}).ok());
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x06, 0x28, 0x00);  // medium may have changed
  EXPECT_TRUE(Send({0, 0, 0, 0, 0, 0}).ok());
  Insert(MediaKind::CdR, 0, "");
  DriveOptions empty;
  drive = std::make_unique<Drive>(empty, clock);
  EXPECT_TRUE(Send({0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8, 0}, 8).ok());     // not held up by the attention
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x06, 0x29, 0x00);  // power on, once
  EXPECT_SENSE(Send({0, 0, 0, 0, 0, 0}), 0x02, 0x3A, 0x01);       // closed, empty tray
  auto cfg = Send({0x46, 0, 0, 0, 0, 0, 0, 0, 8, 0}, 8);
  EXPECT_EQ(cfg.u16(6), 0u);                 // no current profile
}

TEST_F(DriveCommands, TestWriteReservationAndCloseChangeNothing) {
  Insert(MediaKind::DvdR);
  ASSERT_TRUE(SelectWriteParams(0x30, 0xE5, 0x08, 16).ok());
  ASSERT_TRUE(Reserve(64).ok());
  ASSERT_TRUE(CloseTrack(1).ok());
  EXPECT_EQ(drive->disc()->tracks.size(), 0u);
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_EQ(DiscInfo()[2] & 3, 0);
}

TEST_F(DriveCommands, TestWriteChangesNothing) {
  ASSERT_TRUE(SelectWriteParams(0x11, 0xC4, 0x08).ok());
  ASSERT_TRUE(Write(0, 100, 0x44).ok());
  ASSERT_TRUE(Write(100, 100).ok());         // the simulated NWA moves on
  EXPECT_SENSE(Write(50, 1), 0x05, 0x21, 0x02);
  ASSERT_TRUE(CloseSession().ok());
  EXPECT_EQ(drive->disc()->tracks.size(), 0u);
  EXPECT_EQ(DiscInfo()[2] & 3, 0);
  ASSERT_TRUE(SelectWriteParams(0x01, 0xC4, 0x08).ok());
  EXPECT_SENSE(Read(0, 1), 0x05, 0x21, 0x00);
  ASSERT_TRUE(Write(0, 1).ok());
  EXPECT_EQ(Read(0, 1)[0], 0x5A);
}

TEST_F(DriveCommands, PerformanceAndEventStatus) {
  auto p = Send({0xAC, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x03, 0}, 8 + 8 * 16);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p.u32(0), 4u + 7 * 16);  // one write speed descriptor per speed
  EXPECT_EQ(p.u32(8 + 12), 8467u);   // fastest first
  auto e = Send({0x4A, 1, 0, 0, 0x10, 0, 0, 0, 8, 0}, 8);
  ASSERT_TRUE(e.ok());
  EXPECT_EQ(e[2], 4);                                                                        // media class
  EXPECT_EQ(e[5] & 0x02, 0x02);                                                              // media present
  EXPECT_SENSE(Send({0x4A, 0, 0, 0, 0x10, 0, 0, 0, 8, 0}, 8), 0x05, 0x24, 0x00);  // polled only
}

}  // namespace
}  // namespace scrivo::vrecorder::test
