#include "Disc.h"

#include <algorithm>

#include "Sense.h"

namespace scrivo::vrecorder {
namespace {

// Red Book gaps between CD sessions: lead-out, lead-in of the next session and its pregap.
constexpr uint32_t kFirstSessionGap = 6750 + 4500 + 150;
constexpr uint32_t kLaterSessionGap = 2250 + 4500 + 150;
constexpr uint32_t kTrackPregap = 150;
constexpr uint32_t kRunOut = 2;
constexpr uint32_t kEccBlock = 16;

uint32_t RoundEcc(uint32_t v) { return (v + kEccBlock - 1) / kEccBlock * kEccBlock; }

}  // namespace

Disc Disc::Blank(MediaKind kind, uint32_t capacity) {
  Disc d;
  d.media = kind;
  d.capacity = capacity;
  d.gap = DefaultGap(kind);
  if (kind == MediaKind::DvdRwRestricted) {
    d.formatted = true;
    d.formattedSize = capacity;
  }
  return d;
}

uint32_t Disc::DefaultGap(MediaKind kind) {
  switch (kind) {
    case MediaKind::DvdR:
    case MediaKind::DvdRwSequential: return 16384;  // border-out and border-in
    case MediaKind::DvdPlusR: return 2048;          // session closure
    default: return 0;
  }
}

DiscStatus Disc::Status() const {
  const auto& i = info();
  if (i.rom) return DiscStatus::Complete;
  if (i.randomWritable) return formatted ? DiscStatus::RandomWritable : DiscStatus::Empty;
  if (finalized) return DiscStatus::Complete;
  return tracks.empty() ? DiscStatus::Empty : DiscStatus::Appendable;
}

uint32_t Disc::SessionGap(uint32_t session) const {
  if (info().cd) return session == 1 ? kFirstSessionGap : kLaterSessionGap;
  return gap;
}

uint32_t Disc::TrackEnd(const Track& t) const {
  if (t.reserved) return t.start + t.reserved;
  if (!t.closed) return t.nwa;
  if (info().cd) return t.nwa + (t.runOut ? kRunOut : 0);
  return RoundEcc(t.nwa);
}

uint32_t Disc::NextTrackStart() const {
  if (tracks.empty()) return 0;
  const Track& last = tracks.back();
  uint32_t end = TrackEnd(last);
  if (last.session <= closedSessions) return end + SessionGap(last.session);
  return end + (info().cd ? kTrackPregap : 0);
}

bool Disc::HasInvisibleTrack() const {
  const auto& i = info();
  if (i.rom || i.randomWritable || finalized) return false;
  if (!tracks.empty() && !tracks.back().closed && !tracks.back().reserved) return false;
  return NextTrackStart() < capacity;
}

uint32_t Disc::LastTrackNumber() const {
  // A DVD+RW shows its one track over the whole disc even before it is formatted (the first
  // write formats it); an unformatted DVD-RAM has no track to show yet.
  if (IsRandom() || info().rom || media == MediaKind::DvdPlusRw) return 1;
  return uint32_t(tracks.size()) + (HasInvisibleTrack() ? 1 : 0);
}

bool Disc::TrackInfo(uint32_t number, TrackView& v) const {
  v = TrackView{};
  if (info().rom || info().randomWritable) {
    if (number != 1 && number != 0xFF) return false;
    // A blank DVD+RW or DVD-RAM shows one blank track over the whole disc.
    uint32_t size = info().rom ? capacity : formatted ? formattedSize : capacity;
    v.blank = !info().rom && !formatted;
    v.number = 1; v.session = 1; v.start = 0; v.size = size;
    v.lastRecorded = info().rom ? size - 1 : (randomEnd ? randomEnd - 1 : 0);
    v.lraValid = info().rom || randomEnd > 0;
    if (!info().rom) {
      v.nwaValid = true;
      v.nwa = randomEnd;
      v.free = size > randomEnd ? size - randomEnd : 0;
    }
    return true;
  }
  if (number == 0xFF) {
    if (!tracks.empty() && !tracks.back().closed && !tracks.back().reserved) number = uint32_t(tracks.size());
    else if (HasInvisibleTrack()) number = uint32_t(tracks.size()) + 1;
    else return false;
  }
  if (number == 0) return false;
  if (number <= tracks.size()) {
    const Track& t = tracks[number - 1];
    bool open = !t.closed && !t.reserved;
    v.number = number; v.session = t.session; v.start = t.start;
    v.reserved = t.reserved != 0;
    v.invisible = open;
    v.size = open ? capacity - t.start : TrackEnd(t) - t.start;
    v.blank = t.nwa == t.start;
    v.lraValid = t.nwa > t.start;
    v.lastRecorded = v.lraValid ? t.nwa - 1 : 0;
    v.damaged = t.damaged;
    if (!t.closed && !t.damaged) {
      uint32_t end = t.reserved ? t.start + t.reserved : capacity;
      v.nwaValid = true;
      v.nwa = t.nwa;
      v.free = end - t.nwa;
    }
    return true;
  }
  if (number == tracks.size() + 1 && HasInvisibleTrack()) {
    uint32_t start = NextTrackStart();
    v.number = number; v.session = closedSessions + 1; v.start = start;
    v.size = capacity - start; v.free = v.size; v.nwa = start;
    v.nwaValid = true; v.blank = true; v.invisible = true;
    return true;
  }
  return false;
}

std::vector<SessionView> Disc::Sessions() const {
  std::vector<SessionView> out;
  if (info().rom || IsRandom()) {
    out.push_back({1, 0, info().rom ? capacity : formattedSize, 1, 1, true});
    return out;
  }
  for (uint32_t n = 0; n < tracks.size(); ++n) {
    const Track& t = tracks[n];
    if (out.empty() || out.back().number != t.session) {
      out.push_back({t.session, t.start, 0, n + 1, n + 1, t.session <= closedSessions});
    }
    out.back().lastTrack = n + 1;
    out.back().size = TrackEnd(t) - out.back().start;
  }
  return out;
}

uint32_t Disc::LastRecordedAddress() const {
  if (info().rom) return capacity;
  if (IsRandom()) return randomEnd;
  uint32_t end = 0;
  for (const auto& t : tracks) end = std::max(end, t.nwa);
  return end;
}

uint32_t Disc::CapacityEnd() const {
  if (info().rom) return capacity;
  if (IsRandom()) return formattedSize;
  uint32_t end = 0;
  for (const auto& t : tracks) end = std::max(end, t.closed && t.runOut ? TrackEnd(t) : t.nwa);
  return end;
}

uint32_t Disc::FreeBlocks() const {
  if (info().rom || finalized) return 0;
  if (IsRandom()) return formattedSize > randomEnd ? formattedSize - randomEnd : 0;
  if (info().randomWritable) return 0;  // not formatted yet
  TrackView v;
  if (!TrackInfo(0xFF, v)) return 0;
  return v.free;
}

Track* Disc::OpenTrackAt(uint32_t lba) {
  for (auto& t : tracks)
    if (!t.closed && !t.damaged && t.nwa == lba) return &t;
  return nullptr;
}

void Disc::PowerLoss() {
  for (auto& t : tracks)
    if (!t.closed && t.nwa > t.start) t.damaged = true;
}

void Disc::Write(uint32_t lba, uint32_t count, bool discAtOnce) {
  const auto& i = info();
  if (i.rom) CannotWriteIncompatibleFormat();
  if (uint64_t(lba) + count > capacity) LbaOutOfRange();
  if (i.randomWritable) return RandomWrite(lba, count);
  if (finalized) Refuse(kDataProtect, scsi::kAscWriteProtected);
  if (Track* t = OpenTrackAt(lba)) {
    if (t->reserved && lba + count > t->start + t->reserved) InvalidAddressForWrite();
    t->nwa += count;
    t->discAtOnce = t->discAtOnce || discAtOnce;
    return;
  }
  if (HasInvisibleTrack() && lba == NextTrackStart()) {
    Track t;
    t.session = closedSessions + 1;
    t.start = lba;
    t.nwa = lba + count;
    tracks.push_back(t);
    return;
  }
  InvalidAddressForWrite();
}

void Disc::RandomWrite(uint32_t lba, uint32_t count) {
  if (!formatted) Refuse(kIllegalRequest, scsi::kAscMediumNotFormatted);
  if (media == MediaKind::DvdRwRestricted) {
    // Restricted overwrite takes whole ECC blocks inside the formatted area; in the
    // intermediate state also growing it contiguously from its end.
    if (lba % kEccBlock || count % kEccBlock) InvalidAddressForWrite();
    if (lba + count > formattedSize) {
      if (!intermediate) LbaOutOfRange();
      if (lba > formattedSize) InvalidAddressForWrite();
      formattedSize = lba + count;
    }
  } else if (lba + count > formattedSize) {
    LbaOutOfRange();
  }
  randomEnd = std::max(randomEnd, lba + count);
}

void Disc::CheckRead(uint32_t lba, uint32_t count) const {
  if (uint64_t(lba) + count > capacity) LbaOutOfRange();
  if (info().rom) return;
  if (info().randomWritable) {
    if (!formatted || lba + count > formattedSize) LbaOutOfRange();
    return;
  }
  for (uint32_t b = lba; b < lba + count; ++b) {
    bool recorded = false, runOut = false;
    for (const auto& t : tracks) {
      if (b >= t.start && b < t.nwa) { recorded = true; break; }
      if (t.closed && t.runOut && b >= t.nwa && b < TrackEnd(t)) runOut = true;
    }
    if (recorded) continue;
    // The run-out blocks hold no user data; READ CAPACITY counts them all the same.
    if (runOut) Refuse(kIllegalRequest, scsi::kAscIllegalModeForThisTrack);
    if (b >= LastRecordedAddress()) LbaOutOfRange();
    Refuse(kMediumError, scsi::kAscUnrecoveredReadError);  // an unrecorded gap
  }
}

void Disc::ReserveTrack(uint32_t blocks) {
  const auto& i = info();
  if (i.rom || i.randomWritable) IncompatibleMedium();
  if (finalized || !HasInvisibleTrack()) CommandSequenceError();
  if (blocks == 0) InvalidFieldInCdb();
  if (tracks.size() >= 99) Refuse(kIllegalRequest, scsi::kAscNoMoreTrackReservationsAllowed);
  uint32_t size = i.cd ? blocks : RoundEcc(blocks);
  uint32_t start = NextTrackStart();
  if (uint64_t(start) + size > capacity) LbaOutOfRange();
  Track t;
  t.session = closedSessions + 1;
  t.start = start;
  t.nwa = start;
  t.reserved = size;
  tracks.push_back(t);
}

void Disc::CloseOne(Track& t, bool trackAtOnce) {
  if (t.closed) return;
  // A damaged track ends at its last recorded block, like any other.
  t.closed = true;
  t.damaged = false;
  t.runOut = info().cd && trackAtOnce && !t.reserved;
}

void Disc::CloseTrack(uint32_t number, bool trackAtOnce) {
  if (info().rom) IncompatibleMedium();
  if (IsRandom() || info().randomWritable) return;  // nothing to close on random-writable media
  if (finalized) CommandSequenceError();
  if (number == 0xFF) {
    for (auto it = tracks.rbegin(); it != tracks.rend(); ++it)
      if (!it->closed) { CloseOne(*it, trackAtOnce); return; }
    CommandSequenceError();
  }
  if (number == 0 || number > tracks.size()) InvalidFieldInCdb();
  CloseOne(tracks[number - 1], trackAtOnce);
}

void Disc::CloseSession(bool finalize, bool trackAtOnce) {
  if (info().rom) IncompatibleMedium();
  // A restricted overwrite DVD-RW leaves the intermediate state: what was written is its
  // formatted area now. Elsewhere on random-writable media there is nothing to close.
  if (info().randomWritable) {
    intermediate = false;
    return;
  }
  if (finalized) CommandSequenceError();
  bool any = false;
  for (auto& t : tracks)
    if (t.session == closedSessions + 1) { CloseOne(t, trackAtOnce); any = true; }
  bool discAtOnce = false;
  for (auto& t : tracks)
    if (t.session == closedSessions + 1) discAtOnce = discAtOnce || t.discAtOnce;
  if (any) {
    ++closedSessions;
  } else if (!(finalize && closedSessions > 0)) {
    CommandSequenceError();  // an empty session cannot be closed
  }
  // A disc-at-once recording is the disc's one session, whatever page 05h asked for.
  if (finalize || discAtOnce || NextTrackStart() >= capacity) finalized = true;
}

void Disc::BlankDisc(int type) {
  const auto& i = info();
  if (!i.erasable || media == MediaKind::DvdPlusRw || media == MediaKind::DvdRam) IncompatibleMedium();
  switch (type) {
    case 0:
    case 1:
      tracks.clear();
      closedSessions = 0;
      finalized = false;
      // A minimal blank leaves the disc fit for disc-at-once recording only.
      minimallyBlanked = type == 1 && (media == MediaKind::DvdRwSequential || media == MediaKind::DvdRwRestricted);
      if (media == MediaKind::DvdRwRestricted) {
        media = MediaKind::DvdRwSequential;
        formatted = intermediate = false;
        formattedSize = randomEnd = 0;
      }
      return;
    case 6: {
      if (media == MediaKind::DvdRwRestricted || tracks.empty()) CommandSequenceError();
      uint32_t last = tracks.back().session;
      while (!tracks.empty() && tracks.back().session == last) tracks.pop_back();
      closedSessions = std::min(closedSessions, last - 1);
      finalized = false;
      return;
    }
    default:
      InvalidFieldInCdb();
  }
}

void Disc::Format(int type, uint32_t blocks) {
  if (blocks > capacity && blocks != 0xFFFFFFFF) InvalidFieldInParameterList();
  switch (media) {
    case MediaKind::DvdPlusRw:
      if (type != 0x26) InvalidFieldInParameterList();
      formatted = true;
      formattedSize = capacity;
      return;
    case MediaKind::DvdRam:
      if (type != 0x00 || blocks == 0) InvalidFieldInParameterList();
      formatted = true;
      formattedSize = std::min(blocks, capacity);
      randomEnd = std::min(randomEnd, formattedSize);
      return;
    case MediaKind::DvdRwSequential:
    case MediaKind::DvdRwRestricted:
      if (type == 0x13) {
        // Quick grow: adds `blocks` to the formatted area and opens it for growth by writing;
        // only on a restricted overwrite disc whose last area is complete.
        if (media != MediaKind::DvdRwRestricted || intermediate) InvalidFieldInParameterList();
        uint64_t grown = uint64_t(formattedSize) + RoundEcc(std::min(blocks, capacity));
        formattedSize = uint32_t(std::min<uint64_t>(capacity, grown));
        intermediate = true;
        return;
      }
      if (type != 0x00 && type != 0x10 && type != 0x15) InvalidFieldInParameterList();
      media = MediaKind::DvdRwRestricted;
      minimallyBlanked = false;
      tracks.clear();
      closedSessions = 0;
      finalized = false;
      formatted = true;
      randomEnd = 0;
      // Both cover what was asked (a full format asked for no count, the whole disc); a quick
      // one is then grown by the writes that follow until the session is closed.
      formattedSize = type != 0x15 && blocks == 0 ? capacity : RoundEcc(std::min(blocks, capacity));
      intermediate = type == 0x15;
      return;
    default:
      Refuse(kIllegalRequest, scsi::kAscCannotFormatIncompatibleMedium);
  }
}

}  // namespace scrivo::vrecorder
