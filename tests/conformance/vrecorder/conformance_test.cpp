// The ASPI library as a foreign client sees it: loaded by path, driven by hand-built CDBs.
// Walks a CD-R recording, a DVD+RW format-and-write and a DVD-R reserve-write-close; the
// discs are left in the output folder for the ISO readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "AspiClient.h"
#include "DiscFile.h"

namespace conformance {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kCdR = 0, kDvdPlusRw = 1, kDvdR = 2, kLost = 3, kSync = 4, kPaced = 5;

uint32_t Be32(const Bytes& b, size_t i) { return uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | b[i + 3]; }
uint32_t Be16(const Bytes& b, size_t i) { return uint32_t(b[i]) << 8 | b[i + 1]; }
void Put32(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class Conformance : public ::testing::Test {
 protected:
  static AspiClient* aspi;
  static Bytes iso, iso2;
  static std::string out;

  static void SetUpTestSuite() {
    out = CONFORMANCE_OUT;
    fs::create_directories(out);
    iso = ReadFile(CONFORMANCE_ISO);
    iso2 = ReadFile(CONFORMANCE_ISO2);
    ASSERT_FALSE(iso.empty());
    ASSERT_FALSE(iso2.empty());
    std::string error;
    using scrivo::vrecorder::MediaKind;
    ASSERT_TRUE(scrivo::vrecorder::DiscFile::Create(out + "/cd-r.img", MediaKind::CdR, 0, 0, "", error)) << error;
    ASSERT_TRUE(scrivo::vrecorder::DiscFile::Create(out + "/dvd+rw.img", MediaKind::DvdPlusRw, 0, 0, "", error)) << error;
    ASSERT_TRUE(scrivo::vrecorder::DiscFile::Create(out + "/dvd-r.img", MediaKind::DvdR, 0, 0, "", error)) << error;
    std::string drives = out + "/cd-r.img,product=CONFORMANCE CD;" + out + "/dvd+rw.img;" + out +
                         "/dvd-r.img;,lost_completion_at=2;,sync=1;,time_scale=1";
    aspi = new AspiClient;
    ASSERT_TRUE(aspi->Load(VRECORDER_ASPI_PATH, drives, error)) << error;
    // A host's first command to each drive meets the power-on unit attention.
    for (uint8_t target : {kCdR, kDvdPlusRw, kDvdR, kSync, kPaced}) {
      auto first = aspi->Exec(target, {0x00, 0, 0, 0, 0, 0}, 0);
      ASSERT_EQ(first.key(), 0x06);
      ASSERT_EQ(first.asc(), 0x29);
    }
  }

  static uint32_t Blocks(const Bytes& image = iso) { return uint32_t((image.size() + 2047) / 2048); }

  Outcome Cmd(uint8_t target, Bytes cdb, uint32_t in = 0, const Bytes& outData = {}) {
    return aspi->Exec(target, cdb, in, outData);
  }
  // WRITE (10) of the ISO in runs of `run` blocks from `lba`; a short last run is padded.
  void WriteIso(uint8_t target, uint32_t lba, uint32_t run, const Bytes& image = iso) {
    for (uint32_t at = 0; at < Blocks(image); at += run) {
      uint32_t n = std::min(run, Blocks(image) - at);
      Bytes data(size_t(n) * 2048, 0);
      size_t from = size_t(at) * 2048;
      std::copy(image.begin() + from, image.begin() + std::min(image.size(), from + data.size()), data.begin());
      Bytes cdb{0x2A, 0, 0, 0, 0, 0, 0, uint8_t(n >> 8), uint8_t(n), 0};
      Put32(&cdb[2], lba + at);
      auto w = Cmd(target, cdb, 0, data);
      ASSERT_TRUE(w.ok()) << "write at " << lba + at << " sense " << int(w.key()) << "/" << int(w.asc());
    }
  }
  void ExpectReadBack(uint8_t target, uint32_t lba, const Bytes& image = iso) {
    for (uint32_t at = 0; at < Blocks(image); at += 16) {
      uint32_t n = std::min(16u, Blocks(image) - at);
      Bytes cdb{0x28, 0, 0, 0, 0, 0, 0, 0, uint8_t(n), 0};
      Put32(&cdb[2], lba + at);
      auto r = Cmd(target, cdb, n * 2048);
      ASSERT_TRUE(r.ok());
      size_t from = size_t(at) * 2048, len = std::min(image.size() - from, size_t(n) * 2048);
      ASSERT_TRUE(std::equal(image.begin() + from, image.begin() + from + len, r.data.begin())) << "block " << at;
    }
  }
  // Page 05h as the drive reports it, with bytes 2, 3, 4 and the packet size changed.
  void SelectWriteParameters(uint8_t target, uint8_t b2, uint8_t b3, uint8_t b4, uint32_t packet) {
    auto sense = Cmd(target, {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0, 0}, 512);
    ASSERT_TRUE(sense.ok());
    ASSERT_EQ(sense.data[8] & 0x3F, 0x05);
    Bytes params(sense.data.begin(), sense.data.begin() + 8 + 2 + sense.data[9]);
    params[0] = params[1] = 0;
    params[8 + 2] = b2;
    params[8 + 3] = b3;
    params[8 + 4] = b4;
    Put32(&params[8 + 10], packet);
    ASSERT_TRUE(Cmd(target, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(params.size()), 0}, 0, params).ok());
  }
  Bytes DiscInfo(uint8_t target) {
    auto r = Cmd(target, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, 34);
    EXPECT_TRUE(r.ok());
    return r.data;
  }
  Bytes TrackInfo(uint8_t target, uint32_t number) {
    auto r = Cmd(target, {0x52, 1, 0, 0, 0, uint8_t(number), 0, 0, 48, 0}, 48);
    EXPECT_TRUE(r.ok());
    return r.data;
  }
  void ExpectImageHoldsIso(const std::string& name, uint32_t lba, const Bytes& content = iso) {
    Bytes image = ReadFile(out + "/" + name);
    ASSERT_GE(image.size(), size_t(lba) * 2048 + content.size());
    EXPECT_TRUE(std::equal(content.begin(), content.end(), image.begin() + size_t(lba) * 2048));
  }
};

AspiClient* Conformance::aspi;
Bytes Conformance::iso, Conformance::iso2;
std::string Conformance::out;

TEST_F(Conformance, AdapterAndDevices) {
  uint32_t info = aspi->SupportInfo();
  EXPECT_EQ(info & 0xFF, 1u);
  EXPECT_EQ((info >> 8) & 0xFF, uint32_t(SS_COMP));
  SRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(aspi->SendRaw(&ha), uint32_t(SS_COMP));
  EXPECT_EQ(ha.HA_Count, 1);
  SRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  dev.SRB_Target = kCdR;
  EXPECT_EQ(aspi->SendRaw(&dev), uint32_t(SS_COMP));
  EXPECT_EQ(dev.SRB_DeviceType, DTYPE_CDROM);
  dev.SRB_Target = 9;
  EXPECT_EQ(aspi->SendRaw(&dev), uint32_t(SS_NO_DEVICE));
  dev.SRB_HaId = 1;
  EXPECT_EQ(aspi->SendRaw(&dev), uint32_t(SS_INVALID_HA));
  // A drive that needs no time answers before the call returns; a paced one later, on the
  // library's thread. Either way the event is set.
  auto inq = Cmd(kCdR, {0x12, 0, 0, 0, 36, 0}, 36);
  ASSERT_TRUE(inq.ok());
  EXPECT_EQ(inq.answer, SS_COMP);
  EXPECT_TRUE(inq.signalled);
  EXPECT_EQ(inq.data[0], 0x05);
  auto paced = Cmd(kPaced, {0x12, 0, 0, 0, 36, 0}, 36);
  ASSERT_TRUE(paced.ok());
  EXPECT_EQ(paced.answer, SS_PENDING);
  EXPECT_TRUE(paced.signalled);
  EXPECT_EQ(std::string(inq.data.begin() + 16, inq.data.begin() + 32), "CONFORMANCE CD  ");
}

TEST_F(Conformance, RefusalsCarryFixedFormatSense) {
  auto r = Cmd(kCdR, {0xFF, 0, 0, 0, 0, 0});
  EXPECT_EQ(r.srbStatus, SS_ERR);
  EXPECT_EQ(r.targetStatus, STATUS_CHKCOND);
  EXPECT_EQ(r.sense[0], 0x70);
  EXPECT_EQ(r.sense[7], 10);
  EXPECT_EQ(r.key(), 0x05);
  EXPECT_EQ(r.asc(), 0x20);
  auto empty = Cmd(kSync, {0x00, 0, 0, 0, 0, 0});
  EXPECT_EQ(empty.answer, SS_ERR);  // synchronous drive: finished before the answer
  EXPECT_EQ(empty.key(), 0x02);
  EXPECT_EQ(empty.asc(), 0x3A);
}

SRB_ExecSCSICmd* posted = nullptr;
void ASPI_CALL Posted(void* srb) { posted = static_cast<SRB_ExecSCSICmd*>(srb); }

TEST_F(Conformance, PostingCallsTheRoutineWithTheRequest) {
  SRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = SRB_POSTING;
  srb.SRB_Target = kSync;
  srb.SRB_CDBLen = 6;
  srb.SRB_PostProc = reinterpret_cast<void*>(&Posted);
  EXPECT_EQ(aspi->SendRaw(&srb), uint32_t(SS_ERR));  // the synchronous drive: an empty tray
  EXPECT_EQ(posted, &srb);
}

TEST_F(Conformance, LostCompletionNeverFinishes) {
  EXPECT_EQ(Cmd(kLost, {0x00, 0, 0, 0, 0, 0}).srbStatus, SS_ERR);  // empty tray
  SRB_ExecSCSICmd lost{};
  lost.SRB_Cmd = SC_EXEC_SCSI_CMD;
  lost.SRB_Target = kLost;
  lost.SRB_CDBLen = 6;
  lost.SRB_SenseLen = SRB_SENSE_WANTED;
  EXPECT_EQ(aspi->SendRaw(&lost), uint32_t(SS_PENDING));
  // Requests complete in order: once a later one is done, the lost one would have been too.
  EXPECT_EQ(Cmd(kLost, {0x00, 0, 0, 0, 0, 0}).srbStatus, SS_ERR);
  EXPECT_EQ(lost.SRB_Status, SS_PENDING);
}

TEST_F(Conformance, CdRRecording) {
  auto cfg = Cmd(kCdR, {0x46, 0x02, 0, 0, 0, 0, 0, 0x10, 0, 0}, 4096);
  ASSERT_TRUE(cfg.ok());
  EXPECT_EQ(Be16(cfg.data, 6), 0x0009u);
  SelectWriteParameters(kCdR, 0x01, 0xC4, 0x08, 0);  // track at once, next session allowed
  ASSERT_TRUE(Cmd(kCdR, {0xBB, 0, 0xFF, 0xFF, 0x0B, 0x06, 0, 0, 0, 0, 0, 0}).ok());  // 2822 KB/s
  auto di = DiscInfo(kCdR);
  EXPECT_EQ(di[2] & 3, 0);
  auto ti = TrackInfo(kCdR, 1);
  EXPECT_EQ(Be32(ti, 12), 0u);
  ASSERT_TRUE(Cmd(kCdR, {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}).ok());  // OPC
  WriteIso(kCdR, 0, 27);
  ASSERT_TRUE(Cmd(kCdR, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Cmd(kCdR, {0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0}).ok());  // close session, immediate
  for (int i = 0; i < 100 && !Cmd(kCdR, {0x00, 0, 0, 0, 0, 0}).ok(); ++i) {}
  di = DiscInfo(kCdR);
  EXPECT_EQ(di[2] & 3, 1);  // appendable
  EXPECT_EQ(di[4], 2);
  ti = TrackInfo(kCdR, 0xFF);
  EXPECT_EQ(Be32(ti, 12), Blocks() + 2 + 11400);
  auto toc = Cmd(kCdR, {0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
  ASSERT_TRUE(toc.ok());
  EXPECT_EQ(Be32(toc.data, 16), Blocks() + 2);
  ExpectReadBack(kCdR, 0);
  // The second session, made for the address the Red Book gaps give.
  uint32_t second = Blocks() + 2 + 11400;
  WriteIso(kCdR, second, 27, iso2);
  ASSERT_TRUE(Cmd(kCdR, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Cmd(kCdR, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}).ok());
  auto sessions = Cmd(kCdR, {0x43, 0, 1, 0, 0, 0, 0, 0, 12, 0}, 12);
  EXPECT_EQ(sessions.data[3], 2);
  EXPECT_EQ(Be32(sessions.data, 8), second);
  ExpectReadBack(kCdR, second, iso2);
  ExpectImageHoldsIso("cd-r.img", 0);
  ExpectImageHoldsIso("cd-r.img", second, iso2);
}

TEST_F(Conformance, DvdPlusRwFormatAndWrite) {
  Bytes block(32 * 2048);
  auto blank = Cmd(kDvdPlusRw, {0x2A, 0, 0, 0, 0, 0, 0, 0, 32, 0}, 0, block);
  EXPECT_EQ(blank.srbStatus, SS_ERR);
  EXPECT_EQ(blank.asc(), 0x30);
  EXPECT_EQ(blank.ascq(), 0x10);
  Bytes list{0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
  ASSERT_TRUE(Cmd(kDvdPlusRw, {0x04, 0x11, 0, 0, 0, 0}, 0, list).ok());
  for (int i = 0; i < 100 && !Cmd(kDvdPlusRw, {0x00, 0, 0, 0, 0, 0}).ok(); ++i) {}
  WriteIso(kDvdPlusRw, 0, 32);
  ASSERT_TRUE(Cmd(kDvdPlusRw, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Cmd(kDvdPlusRw, {0x5B, 0, 0x03, 0, 0, 0xFF, 0, 0, 0, 0}).ok());
  auto di = DiscInfo(kDvdPlusRw);
  EXPECT_EQ(di[2] & 0x10, 0x10);
  EXPECT_EQ(di[2] & 3, 2);
  ExpectReadBack(kDvdPlusRw, 0);
  ExpectImageHoldsIso("dvd+rw.img", 0);
}

TEST_F(Conformance, DvdRReserveWriteClose) {
  uint32_t reserve = (Blocks() + 31) / 32 * 32;
  Bytes stream(28);
  Put32(&stream[20], 1418);
  Put32(&stream[24], 1000);
  ASSERT_TRUE(Cmd(kDvdR, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}, 0, stream).ok());
  Bytes stamp(22);
  stamp[1] = 20;
  std::string when = "20261207093000";
  std::copy(when.begin(), when.end(), stamp.begin() + 8);
  ASSERT_TRUE(Cmd(kDvdR, {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}, 0, stamp).ok());
  SelectWriteParameters(kDvdR, 0x20, 0xE5, 0x08, 16);  // incremental, next border allowed
  Bytes cdb{0x53, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put32(&cdb[5], reserve);
  ASSERT_TRUE(Cmd(kDvdR, cdb).ok());
  auto t1 = TrackInfo(kDvdR, 1);
  EXPECT_EQ(t1[6] & 0x80, 0x80);  // reserved
  EXPECT_EQ(Be32(t1, 24), reserve);
  auto t2 = TrackInfo(kDvdR, 2);
  EXPECT_EQ(Be32(t2, 8), reserve);  // the invisible track follows
  WriteIso(kDvdR, 0, 32);
  ASSERT_TRUE(Cmd(kDvdR, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Cmd(kDvdR, {0x5B, 0, 0x01, 0, 0, 1, 0, 0, 0, 0}).ok());
  ASSERT_TRUE(Cmd(kDvdR, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}).ok());
  auto di = DiscInfo(kDvdR);
  EXPECT_EQ(di[2] & 3, 1);  // another border may follow
  auto next = TrackInfo(kDvdR, 2);
  EXPECT_EQ(Be32(next, 12), reserve + 16384);
  ExpectReadBack(kDvdR, 0);
  ExpectImageHoldsIso("dvd-r.img", 0);
}

TEST_F(Conformance, AbortAndBusDeviceResetAreTaken) {
  SRB_ExecSCSICmd done{};
  SRB_Abort abort{};
  abort.SRB_Cmd = SC_ABORT_SRB;
  abort.SRB_ToAbort = &done;  // no longer queued: nothing to stop, and that is no error
  EXPECT_EQ(aspi->SendRaw(&abort), uint32_t(SS_COMP));
  SRB_BusDeviceReset reset{};
  reset.SRB_Cmd = SC_RESET_DEV;
  reset.SRB_Target = kSync;
  EXPECT_EQ(aspi->SendRaw(&reset), uint32_t(SS_COMP));
  auto after = Cmd(kSync, {0x00, 0, 0, 0, 0, 0});
  EXPECT_EQ(after.key(), 0x06);
  EXPECT_EQ(after.asc(), 0x29);  // the reset is reported once
  EXPECT_EQ(Cmd(kSync, {0x00, 0, 0, 0, 0, 0}).asc(), 0x3A);
  reset.SRB_Target = 9;
  EXPECT_EQ(aspi->SendRaw(&reset), uint32_t(SS_NO_DEVICE));
}

}  // namespace
}  // namespace conformance
