#include "VrTestSupport.h"

#include <atomic>
#include <chrono>

namespace scrivo::vrecorder::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("vrec-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void DriveTest::Insert(MediaKind kind, uint32_t capacity, const std::string& extra) {
  drive.reset();  // a fresh drive with the default options, then `extra`
  discPath = dir.File("disc.img");
  std::string error;
  ASSERT_TRUE(DiscFile::Create(discPath, kind, capacity, 0, "", error)) << error;
  Reopen();
  if (!extra.empty()) {
    DriveOptions o;
    ASSERT_TRUE(ParseDriveOptions(discPath + "," + extra, o, error)) << error;
    Start(o);
  }
}

void DriveTest::Reopen() {
  DriveOptions o = drive ? drive->options() : DriveOptions{};
  o.disc = discPath;
  Start(o);
  ASSERT_EQ(drive->error(), "");
}

void DriveTest::Start(const DriveOptions& o) {
  drive.reset();
  drive = std::make_unique<Drive>(o, clock);
  // A host's first command meets the power-on unit attention; the tests start after it.
  Send({0x00, 0, 0, 0, 0, 0});
}

Reply DriveTest::SendCdb(const std::vector<uint8_t>& cdbIn, uint32_t allocation, const std::vector<uint8_t>& out) {
  std::vector<uint8_t> cdb = cdbIn;
  cdb.resize(std::max<size_t>(cdb.size(), 12));
  Reply r;
  std::vector<uint8_t> buf = out;
  if (buf.empty()) buf.resize(allocation);
  r.result = drive->Execute(cdb.data(), int(cdbIn.size()), buf.data(), uint32_t(buf.size()));
  r.data.assign(buf.begin(), buf.begin() + (out.empty() ? r.result.transferred : 0));
  return r;
}

Reply DriveTest::Send(std::initializer_list<uint8_t> cdb, uint32_t allocation, const std::vector<uint8_t>& out) {
  return SendCdb(std::vector<uint8_t>(cdb), allocation, out);
}

Reply DriveTest::Write(uint32_t lba, uint32_t blocks, uint8_t fill) {
  std::vector<uint8_t> cdb(10);
  cdb[0] = 0x2A;
  Put32(&cdb[2], lba);
  Put16(&cdb[7], blocks);
  return SendCdb(cdb, 0, std::vector<uint8_t>(size_t(blocks) * 2048 + (blocks ? 0 : 1), fill));
}

Reply DriveTest::Read(uint32_t lba, uint32_t blocks) {
  std::vector<uint8_t> cdb(10);
  cdb[0] = 0x28;
  Put32(&cdb[2], lba);
  Put16(&cdb[7], blocks);
  return SendCdb(cdb, blocks * 2048, {});
}

Reply DriveTest::TrackInfo(uint32_t number) {
  std::vector<uint8_t> cdb(10);
  cdb[0] = 0x52;
  cdb[1] = 1;
  Put32(&cdb[2], number);
  Put16(&cdb[7], 48);
  return SendCdb(cdb, 48, {});
}

Reply DriveTest::DiscInfo() { return Send({0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34); }

Reply DriveTest::CloseTrack(uint32_t track, bool immediate) {
  return Send({0x5B, uint8_t(immediate), 1, 0, uint8_t(track >> 8), uint8_t(track), 0, 0, 0, 0});
}

Reply DriveTest::CloseSession(bool immediate) { return Send({0x5B, uint8_t(immediate), 2, 0, 0, 0, 0, 0, 0, 0}); }

Reply DriveTest::Reserve(uint32_t blocks) {
  std::vector<uint8_t> cdb(10);
  cdb[0] = 0x53;
  Put32(&cdb[5], blocks);
  return SendCdb(cdb, 0, {});
}

Reply DriveTest::Format(uint32_t blocks, uint8_t type, uint32_t param, bool immediate) {
  std::vector<uint8_t> list(12);
  list[1] = uint8_t(0x80 | (immediate ? 0x02 : 0));
  list[3] = 8;
  Put32(&list[4], blocks);
  list[8] = uint8_t(type << 2);
  Put24(&list[9], param);
  return Send({0x04, 0x11, 0, 0, 0, 0}, 0, list);
}

Reply DriveTest::Blank(int type, bool immediate) {
  return Send({0xA1, uint8_t((immediate ? 0x10 : 0) | type), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
}

Reply DriveTest::RequestSense() { return Send({0x03, 0, 0, 0, 18, 0}, 18); }

Reply DriveTest::SelectWriteParams(uint8_t b2, uint8_t b3, uint8_t b4, uint32_t packet) {
  std::vector<uint8_t> list(8 + 52);
  uint8_t* p = &list[8];
  p[0] = 0x05;
  p[1] = 0x32;
  p[2] = b2;
  p[3] = b3;
  p[4] = b4;
  Put32(p + 10, packet);
  Put16(p + 14, 150);
  return Send({0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, 0, list);
}

}  // namespace scrivo::vrecorder::test
