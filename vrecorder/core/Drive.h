// One virtual MMC recorder: executes CDBs against its disc the way a real drive does.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Clock.h"
#include "DiscClaim.h"
#include "DiscFile.h"
#include "DriveOptions.h"
#include "Sense.h"
#include "WriteParameters.h"

namespace scrivo::vrecorder {

enum ScsiStatus : uint8_t { kGood = 0x00, kCheckCondition = 0x02, kBusy = 0x08, kReservationConflict = 0x18 };

struct CommandResult {
  uint8_t status = kGood;
  uint32_t transferred = 0;  // bytes placed into the data-in buffer
  Sense sense;               // with CHECK CONDITION
};

class Drive {
 public:
  explicit Drive(DriveOptions options, std::shared_ptr<Clock> clock = nullptr);
  ~Drive();

  // Executes one command. `data` is the data-in buffer (replies) or the data-out buffer
  // (parameters, written blocks); `autoSense` means the sense data travels with the result
  // and is not kept for a later REQUEST SENSE.
  CommandResult Execute(const uint8_t* cdb, int cdbLength, uint8_t* data, uint32_t dataLength,
                        bool autoSense = true);

  // A command that will never be carried out arrived (the transport lost it): the fault
  // knobs that strike as a command arrives count it all the same.
  void Lost(uint8_t op);

  const DriveOptions& options() const { return options_; }
  // A bus device reset: page 05h and the removal lock back to their defaults, pending sense
  // dropped, and 29h/00h for the next command.
  void Reset();
  // The loaded disc as the drive sees it now; null with an empty or open tray.
  const Disc* disc() const;
  std::string error() const { return error_; }  // why the configured disc could not be opened
  // Writes the state file now (normally done as the state changes); skipped while a
  // command runs on another thread.
  void Flush();

 private:
  struct Command {
    const uint8_t* cdb;
    int length;
    uint8_t* data;
    uint32_t dataLength;
    std::vector<uint8_t> reply;
    uint32_t placed = 0;  // bytes a handler put straight into `data` (blocks read), no reply
  };
  using Handler = void (Drive::*)(Command&);
  static Handler HandlerFor(uint8_t opcode);

  // State checks that refuse the command.
  void CheckAttention(uint8_t opcode);
  void CheckReady(uint8_t opcode);
  bool Busy();
  std::optional<Sense> NotReadySense();
  Disc& Active();  // the test-write shadow while a test write runs, else the disc
  Disc& Recording();  // the disc a recording command changes: the shadow under test write
  bool HaveMedium() const { return file_ && trayClosed_; }
  void RequireMedium();
  void SaveNow();
  void Changed();
  void SaveSoon();
  // Simulated durations: immediate ones leave the drive not ready, others take the time.
  void Occupy(double simulatedSeconds, scsi::Asc busyCode, bool immediate);
  void Load();
  void Eject();
  // False while another process has the loaded disc. A command that changes the disc (`keep`)
  // claims it for this drive until it is ejected or the drive ends; the disc claimed is read
  // afresh, since another process may have recorded on it meanwhile.
  bool Claim(bool keep);
  double Scaled(double simulatedMs) const { return simulatedMs * options_.timeScale; }
  std::vector<uint32_t> Speeds() const;
  uint32_t MaxReadSpeed() const;
  bool CanWrite(MediaKind kind) const;
  void DrainBuffer();
  // What SYNCHRONIZE CACHE finishes: a CD track-at-once track, a full disc-at-once DVD-R/-RW
  // track with its session and the disc.
  void FinishOnFlush();
  bool WriteUserData(uint32_t lba, uint32_t count, const uint8_t* data, uint32_t blockLength);

  // Command handlers, one per operation code.
  void TestUnitReady(Command&);
  void Rezero(Command&);
  void RequestSense(Command&);
  void FormatUnit(Command&);
  void Inquiry(Command&);
  void StartStopUnit(Command&);
  void PreventAllow(Command&);
  void ReadFormatCapacities(Command&);
  void ReadCapacity(Command&);
  void Read10(Command&);
  void Write10(Command&);
  void SynchronizeCache(Command&);
  void ReadToc(Command&);
  void GetConfiguration(Command&);
  void ReadDiscInformation(Command&);
  void ReadTrackInformation(Command&);
  void ReserveTrack(Command&);
  void SendOpc(Command&);
  void ModeSelect10(Command&);
  void CloseTrackSession(Command&);
  void ReadBufferCapacity(Command&);
  void ModeSense10(Command&);
  void Blank(Command&);
  void SetStreaming(Command&);
  void SendDvdStructure(Command&);
  void SetCdSpeed(Command&);
  void Read12(Command&);
  void ReadCd(Command&);
  void ReadDvdStructure(Command&);
  void GetEventStatus(Command&);
  void GetPerformance(Command&);
  // kill_before and interrupt_before, as command `op` arrives.
  void StrikeBefore(uint8_t op);
  // The process goes, and with it this drive: a power loss to the disc, its state saved.
  [[noreturn]] void PowerLoss();
  // READ (10), READ (12) and READ CD: `count` blocks of user data from `lba`.
  void ReadBlocksInto(Command& c, uint32_t lba, uint32_t count);
  // READ TOC format 2 (full TOC) of a CD's closed sessions, appended to `r`.
  void FullToc(const std::vector<SessionView>& closed, std::vector<uint8_t>& r) const;

  DriveOptions options_;
  std::shared_ptr<Clock> clock_;
  std::string error_;
  std::mutex mutex_;

  std::unique_ptr<DiscFile> file_;
  std::unique_ptr<DiscClaim> claim_;
  std::optional<Disc> shadow_;        // test write in progress
  bool trayClosed_ = true;
  bool prevented_ = false;
  // The unit attention the next command meets: power on or reset until the first command, then
  // a newly loaded disc.
  scsi::Asc unitAttention_ = scsi::kAscPowerOnReset;
  uint8_t mediaEvent_ = 0;            // the media event GET EVENT STATUS NOTIFICATION reports next
  double readyAtMs_ = 0;              // becoming ready after a load until then
  double busyFromMs_ = 0, busyUntilMs_ = 0;
  scsi::Asc busyCode_ = scsi::kAscNone;  // why the drive is not ready while busy
  std::optional<Sense> pendingSense_;
  WriteParameters writeParams_;
  uint32_t writeSpeed_ = 0;           // KB/s, 0: the fastest for the medium
  double bufferFill_ = 0;             // bytes
  double bufferAtMs_ = 0;
  uint32_t writes_ = 0, busyLeft_ = 0;
  bool interrupted_ = false;  // interrupt_at has fired
  // Commands seen of the operation codes of kill_before and interrupt_before.
  uint32_t killCount_ = 0, interruptCount_ = 0;
  double savedAtMs_ = -1e18;
  bool dirty_ = false;
};

}  // namespace scrivo::vrecorder
