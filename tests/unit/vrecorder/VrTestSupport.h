// Helpers for the virtual recorder's tests: a manual clock, a disc in a temporary folder and
// a way to send CDBs.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "Bytes.h"
#include "Clock.h"
#include "DiscFile.h"
#include "Drive.h"

namespace scrivo::vrecorder::test {

class ManualClock : public Clock {
 public:
  double now = 1000;
  double NowMs() override { return now; }
  void SleepMs(double ms) override { now += ms; }
};

struct Reply {
  CommandResult result;
  std::vector<uint8_t> data;
  uint8_t key() const { return result.sense.key; }
  uint8_t asc() const { return result.sense.asc; }
  uint8_t ascq() const { return result.sense.ascq; }
  bool ok() const { return result.status == 0x00; }  // GOOD
  uint8_t operator[](size_t i) const { return data.at(i); }
  uint32_t u16(size_t i) const { return Get16(&data.at(i)); }
  uint32_t u32(size_t i) const { return Get32(&data.at(i)); }
};

// A scratch folder removed with the fixture.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

class DriveTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  std::unique_ptr<Drive> drive;
  std::string discPath;

  // Makes a disc of this kind and a drive with it; `extra` are drive options "key=value,...".
  void Insert(MediaKind kind, uint32_t capacity = 0, const std::string& extra = "");
  void Reopen();                      // a new drive (a new process) on the same disc
  void Start(const DriveOptions& o);  // a new drive, past its power-on unit attention

  Reply Send(std::initializer_list<uint8_t> cdb, uint32_t allocation = 0, const std::vector<uint8_t>& out = {});
  Reply SendCdb(const std::vector<uint8_t>& cdb, uint32_t allocation, const std::vector<uint8_t>& out);

  Reply Write(uint32_t lba, uint32_t blocks, uint8_t fill = 0x5A);
  Reply Read(uint32_t lba, uint32_t blocks);
  Reply TrackInfo(uint32_t number);
  Reply DiscInfo();
  Reply CloseTrack(uint32_t track, bool immediate = false);
  Reply CloseSession(bool immediate = false);
  Reply Reserve(uint32_t blocks);
  Reply Format(uint32_t blocks, uint8_t type, uint32_t param = 0, bool immediate = false);
  Reply Blank(int type, bool immediate = false);
  Reply RequestSense();
  // Sends page 05h with these bytes 2, 3 and 4 (write type, multi-session/track mode, block type).
  Reply SelectWriteParams(uint8_t b2, uint8_t b3, uint8_t b4, uint32_t packet = 0);
};

// The operation codes the tests send most: 00h TEST UNIT READY, 03h REQUEST SENSE, 12h INQUIRY,
// 1Bh START STOP UNIT, 1Eh PREVENT ALLOW MEDIUM REMOVAL, 28h READ (10), 2Ah WRITE (10),
// 35h SYNCHRONIZE CACHE, 43h READ TOC, 46h GET CONFIGURATION, 4Ah GET EVENT STATUS NOTIFICATION,
// 51h READ DISC INFORMATION, 52h READ TRACK INFORMATION, 53h RESERVE TRACK, 55h/5Ah MODE
// SELECT/SENSE (10), 5Bh CLOSE TRACK/SESSION, A1h BLANK, ADh READ DVD STRUCTURE, BBh SET CD SPEED.
// CHECK CONDITION with this sense key, ASC and ASCQ. The tests state these bytes, and the
// operation codes they send, as the standards give them rather than by the names the engine
// and the recorder share: a wrong value in that shared table must show here.
#define EXPECT_SENSE(reply, k, asc_, ascq_)                                       \
  do {                                                                            \
    auto&& r_ = (reply);                                                          \
    EXPECT_EQ(r_.result.status, 0x02);                                            \
    EXPECT_EQ(r_.key(), k);                                                       \
    EXPECT_EQ(r_.asc(), asc_);                                                    \
    EXPECT_EQ(r_.ascq(), ascq_);                                                  \
  } while (0)

}  // namespace scrivo::vrecorder::test
