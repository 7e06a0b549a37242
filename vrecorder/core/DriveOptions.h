// The configuration of one drive: one entry of VRECORDER_DRIVES, "DISC[,key=value...]".
#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace scrivo::vrecorder {

// The N-th command of one operation code (1-based): where a fault knob strikes.
struct CommandCount {
  uint8_t op = 0;
  uint32_t nth = 1;
};

// Capability bits of the drive, reported in page 2Ah and the feature list.
struct DriveCaps {
  bool cdr = true, cdrw = true, dvdr = true, dvdram = true, dvdplus = true;
  bool testwrite = true, burnfree = true, multisession = true, vendor30 = false;
};

struct DriveOptions {
  std::string disc;                         // image path; empty: an empty tray
  std::string vendor = "SCRIVO";
  std::string product = "VIRTUAL DVD-RW";
  std::string revision = "1.00";
  std::vector<uint32_t> speeds;             // write speeds in KB/s; empty: per-medium defaults
  uint32_t bufferKb = 2048;
  DriveCaps caps;
  bool noGetConfig = false;
  uint32_t busy = 0;                        // answer BUSY to the next N WRITE (10)
  uint32_t busyEvery = 0;                   // and to every K-th one
  std::optional<uint32_t> writeErrorAt;     // MEDIUM ERROR for a write covering this LBA
  std::optional<uint32_t> corruptWriteAt;   // this LBA is stored altered, the write answers GOOD
  // The process the drive runs in gets SIGINT (the user's Ctrl-C), or is killed (SIGKILL,
  // with the disc's state saved first, as a drive keeps what it recorded), once a WRITE (10)
  // covering this LBA has stored its blocks. For tests of interrupted recordings.
  std::optional<uint32_t> interruptAt, killAt;
  // The same as the command given arrives, before the drive carries it out (a kill while
  // a session is being closed, a Ctrl-C while the session is read back).
  std::optional<CommandCount> interruptBefore, killBefore;
  bool closeError = false;                  // CLOSE TRACK/SESSION fails (session fixation error)
  bool syncError = false;                   // SYNCHRONIZE CACHE fails (write error)
  // Medium removal prevented from the start, as by another program holding the drive.
  bool locked = false;
  // An ejected tray stays open for the next process (kept in the disc's state file) until a
  // load; without it a new process finds the tray closed, as if the user had pushed it in.
  bool persistentTray = false;
  uint32_t notReadyMs = 0;                  // becoming ready for this long after a load
  uint32_t readMs = 0;                      // each read command takes this long (seek and transfer)
  uint32_t lostCompletionAt = 0;            // the N-th command never completes (1-based)
  std::optional<uint8_t> lostCompletionOp;  // ... counting only commands of this operation code
  std::set<int> refusedWriteTypes;          // page 05h write types MODE SELECT refuses
  double timeScale = 0.0;                   // real time per simulated time; 0: instant
  bool synchronous = false;                 // complete execute requests before returning
};

// Parses one drive entry. Unknown keys and bad values are reported in `error` and fail.
bool ParseDriveOptions(const std::string& entry, DriveOptions& out, std::string& error);
// Splits VRECORDER_DRIVES into its entries (";" separated; empty entries are empty trays).
std::vector<std::string> SplitDrives(const std::string& value);

}  // namespace scrivo::vrecorder
