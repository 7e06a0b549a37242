// The state of one disc and the rules of recording on it: tracks, sessions, next writable
// addresses, reservation, closing, blanking and formatting. No I/O here.
#pragma once
#include <cstdint>
#include <vector>

#include "Media.h"

namespace scrivo::vrecorder {

enum class DiscStatus { Empty = 0, Appendable = 1, Complete = 2, RandomWritable = 3 };

struct Track {
  uint32_t session = 1;
  uint32_t start = 0;
  uint32_t reserved = 0;   // size fixed by RESERVE TRACK; 0 for an open-ended track
  uint32_t nwa = 0;        // next writable address; start + recorded blocks
  bool closed = false;
  bool runOut = false;     // CD track-at-once: 2 run-out blocks follow the data once closed
  bool discAtOnce = false; // DVD-R/-RW disc-at-once: its session closes the disc
  // Its recording was cut off by a power loss: no write continues it, a close ends it.
  bool damaged = false;
  uint32_t Recorded() const { return nwa - start; }
};

// Read-only view of a track as READ TRACK INFORMATION reports it.
struct TrackView {
  uint32_t number = 0, session = 0, start = 0, size = 0, nwa = 0, free = 0, lastRecorded = 0;
  bool blank = false, reserved = false, nwaValid = false, lraValid = false, invisible = false;
  bool damaged = false;
};

struct SessionView {
  uint32_t number = 0, start = 0, size = 0, firstTrack = 0, lastTrack = 0;
  bool closed = false;
};

class Disc {
 public:
  MediaKind media = MediaKind::CdR;
  uint32_t capacity = 0;
  uint32_t gap = 0;              // DVD border or session gap in blocks
  bool formatted = false;        // DVD+RW, DVD-RAM, DVD-RW restricted overwrite
  bool finalized = false;        // no further session can be added
  uint32_t closedSessions = 0;
  uint32_t formattedSize = 0;    // random-writable media: the formatted area
  uint32_t randomEnd = 0;        // random-writable media: one past the highest written block
  bool minimallyBlanked = false; // DVD-RW after a minimal BLANK: disc-at-once only
  // Restricted overwrite DVD-RW after a quick format or a quick grow: the formatted area grows
  // by sequential writes from its end until a close of the session ends this state.
  bool intermediate = false;
  // Ejected: a disc file stands for what a drive's tray holds, so the open tray stays open
  // for the next process until a load closes it, as a real drive's tray does.
  bool trayOpen = false;
  std::vector<Track> tracks;

  static Disc Blank(MediaKind kind, uint32_t capacity);
  static uint32_t DefaultGap(MediaKind kind);

  const MediaInfo& info() const { return Info(media); }
  bool IsRandom() const { return info().randomWritable && formatted; }
  DiscStatus Status() const;
  uint32_t SessionGap(uint32_t session) const;
  uint32_t TrackEnd(const Track& t) const;

  // The track a new recording would open, when the disc has room for one.
  bool HasInvisibleTrack() const;
  uint32_t NextTrackStart() const;
  // Number of the last track, the invisible one included.
  uint32_t LastTrackNumber() const;
  // Track by number (1-based, FFh = the incomplete or invisible track); false when none.
  bool TrackInfo(uint32_t number, TrackView& out) const;
  std::vector<SessionView> Sessions() const;   // recorded sessions, the open one included
  uint32_t LastRecordedAddress() const;         // one past the last recorded block
  // One past the last block READ CAPACITY reports: a closed track-at-once CD track's two
  // run-out blocks included.
  uint32_t CapacityEnd() const;
  // Incremental recording (feature 0021h): not on a minimally blanked DVD-RW.
  bool IncrementalAllowed() const { return !(media == MediaKind::DvdRwSequential && minimallyBlanked); }
  uint32_t FreeBlocks() const;

  // Recording rules; each throws a Refusal with the drive's sense data.
  void Write(uint32_t lba, uint32_t count, bool discAtOnce = false);
  void CheckRead(uint32_t lba, uint32_t count) const;
  void ReserveTrack(uint32_t blocks);
  void CloseTrack(uint32_t number, bool trackAtOnce);
  void CloseSession(bool finalize, bool trackAtOnce);
  // The drive lost power: a track it was recording (open, with blocks in it) is damaged.
  void PowerLoss();
  // Blanking types of BLANK: 0 full, 1 minimal, 6 last session.
  void BlankDisc(int type);
  void Format(int type, uint32_t blocks);

 private:
  Track* OpenTrackAt(uint32_t lba);
  void CloseOne(Track& t, bool trackAtOnce);
  void RandomWrite(uint32_t lba, uint32_t count);
};

}  // namespace scrivo::vrecorder
