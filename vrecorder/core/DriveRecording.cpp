// Writing and reading blocks, track reservation, closing, the drive buffer and speeds.
#include <algorithm>
#include <vector>

#include "Bytes.h"
#include "Drive.h"
#include "HostSignal.h"

namespace scrivo::vrecorder {
namespace {

// Simulated seconds the drive needs to close tracks and sessions.
constexpr double kCloseTrackSeconds = 2, kCloseSessionSeconds = 30, kFinalizeSeconds = 90;

// A fault knob's block lies among the `count` blocks from `lba`.
bool Covers(const std::optional<uint32_t>& knob, uint32_t lba, uint32_t count) {
  return knob && *knob >= lba && *knob < lba + count;
}

}  // namespace

void Drive::DrainBuffer() {
  double now = clock_->NowMs();
  if (options_.timeScale <= 0) {
    bufferFill_ = 0;
  } else {
    double simulatedSeconds = (now - bufferAtMs_) / options_.timeScale / 1000;
    double rate = double(writeSpeed_ ? writeSpeed_ : Speeds().front()) * 1024;
    bufferFill_ = std::max(0.0, bufferFill_ - rate * simulatedSeconds);
  }
  bufferAtMs_ = now;
}

void Drive::Write10(Command& c) {
  RequireMedium();
  uint32_t lba = Get32(c.cdb + 2), count = Get16(c.cdb + 7);
  ++writes_;
  if (busyLeft_ > 0 || (options_.busyEvery && writes_ % options_.busyEvery == 0)) {
    if (busyLeft_ > 0) --busyLeft_;
    throw kBusy;
  }
  if (count == 0) return;
  Disc& real = file_->disc;
  // On CD a block is as long as page 05h's data block type says; DVD blocks are 2048 bytes.
  const uint32_t blockLength = real.info().cd ? writeParams_.BlockLength() : 2048;
  if (c.dataLength < count * blockLength) InvalidFieldInCdb();
  if (!real.info().rom && !CanWrite(real.media)) CannotWriteIncompatibleFormat();
  // Session-at-once and raw recording on CD need a cue sheet first, which this drive does not take.
  int type = writeParams_.writeType();
  if (real.info().cd && (type == kSessionAtOnce || type == kRaw)) CommandSequenceError();
  // Disc-at-once on DVD-R/-RW records into a reserved track only.
  if (IsDvdMinusSequential(real.media) && type == kSessionAtOnce) {
    const Disc& d = Recording();
    bool reserved = std::any_of(d.tracks.begin(), d.tracks.end(),
                                [&](const Track& t) { return t.reserved && !t.closed && t.nwa == lba; });
    if (!reserved) CommandSequenceError();
  }
  // A minimally blanked DVD-RW takes disc-at-once only.
  if (IsDvdMinusSequential(real.media) && type == kPacket && !Recording().IncrementalAllowed())
    Refuse(kIllegalRequest, scsi::kAscIllegalModeForThisTrack);
  bool test = writeParams_.testWrite();
  Disc next = Recording();
  next.Write(lba, count, IsDvdMinusSequential(real.media) && type == kSessionAtOnce);
  if (Covers(options_.writeErrorAt, lba, count))
    Refuse(kMediumError, scsi::kAscWriteError);
  // The host fills the drive buffer, which drains at the write speed; a full buffer holds it up.
  DrainBuffer();
  double bytes = double(count) * 2048, size = double(options_.bufferKb) * 1024;
  if (options_.timeScale > 0 && bufferFill_ + bytes > size) {
    double rate = double(writeSpeed_ ? writeSpeed_ : Speeds().front()) * 1024;
    clock_->SleepMs((bufferFill_ + bytes - size) / rate * 1000 * options_.timeScale);
    DrainBuffer();
  }
  bufferFill_ = std::min(size, bufferFill_ + bytes);
  if (test) {
    *shadow_ = next;
    return;
  }
  const uint8_t* data = c.data;
  std::vector<uint8_t> altered;
  if (Covers(options_.corruptWriteAt, lba, count)) {
    // The block reaches the disc with bytes the host never sent, and the write says GOOD.
    altered.assign(c.data, c.data + size_t(count) * blockLength);
    uint8_t* block = &altered[size_t(*options_.corruptWriteAt - lba) * blockLength];
    for (uint32_t i = 0; i < blockLength; i += 97) block[i] ^= 0x5A;
    data = altered.data();
  }
  if (!WriteUserData(lba, count, data, blockLength)) Refuse(kMediumError, scsi::kAscWriteError);
  bool newTrack = next.tracks.size() != real.tracks.size();
  real = next;
  if (newTrack) Changed();
  else SaveSoon();
  if (Covers(options_.killAt, lba, count)) PowerLoss();
  if (Covers(options_.interruptAt, lba, count) && !interrupted_) {
    interrupted_ = true;
    InterruptHost();
  }
}

bool Drive::WriteUserData(uint32_t lba, uint32_t count, const uint8_t* data, uint32_t blockLength) {
  if (blockLength == 2048) return file_->WriteBlocks(lba, count, data);
  // The image keeps the 2048 bytes of user data of each longer block.
  const uint32_t offset = writeParams_.UserDataOffset();
  std::vector<uint8_t> user(2048);
  for (uint32_t i = 0; i < count; ++i) {
    std::copy_n(data + size_t(i) * blockLength + offset, std::min<uint32_t>(2048, blockLength - offset), user.begin());
    if (!file_->WriteBlocks(lba + i, 1, user.data())) return false;
  }
  return true;
}

void Drive::Read10(Command& c) {
  RequireMedium();
  ReadBlocksInto(c, Get32(c.cdb + 2), Get16(c.cdb + 7));
}

void Drive::ReserveTrack(Command& c) {
  RequireMedium();
  if (c.cdb[1] & 0x01) InvalidFieldInCdb();  // reservation by address is not supported
  if (!CanWrite(file_->disc.media)) CannotWriteIncompatibleFormat();
  Recording().ReserveTrack(Get32(c.cdb + 5));
  if (!shadow_) Changed();
}

void Drive::CloseTrackSession(Command& c) {
  RequireMedium();
  bool immediate = c.cdb[1] & 0x01;
  int function = c.cdb[2] & 0x07;
  uint32_t track = Get16(c.cdb + 4);
  Disc& d = Recording();
  bool tao = writeParams_.writeType() == kTrackAtOnce;
  bool plus = d.media == MediaKind::DvdPlusR;
  if (options_.closeError) Refuse(kMediumError, scsi::kAscSessionFixationError);
  switch (function) {
    case 1:
      d.CloseTrack(track, tao);
      Occupy(kCloseTrackSeconds, scsi::kAscOperationInProgress, immediate);
      break;
    case 2:
      // DVD+R keeps the disc open after a session; others follow the page's multi-session field.
      d.CloseSession(!plus && !writeParams_.nextSessionAllowed(), tao);
      Occupy(d.finalized ? kFinalizeSeconds : kCloseSessionSeconds, scsi::kAscOperationInProgress,
             immediate);
      break;
    case 0:
    case 3:
      // Stop of a background format (0 quick, 3 with a compatible lead-out); the model's
      // formats never run in the background, so there is nothing to stop.
      if (d.media != MediaKind::DvdPlusRw) InvalidFieldInCdb();
      break;
    case 5:
    case 6:
      if (!plus) InvalidFieldInCdb();  // finalisation of a DVD+R
      d.CloseSession(true, tao);
      Occupy(kFinalizeSeconds, scsi::kAscOperationInProgress, immediate);
      break;
    default:
      InvalidFieldInCdb();
  }
  if (shadow_ && (function == 2 || function >= 5)) {
    shadow_.reset();  // a simulated recording ends with its session; nothing was changed
    return;
  }
  if (!shadow_) Changed();
}

void Drive::SynchronizeCache(Command& c) {
  RequireMedium();
  bool immediate = c.cdb[1] & 0x02;
  if (options_.syncError) Refuse(kMediumError, scsi::kAscWriteError);
  DrainBuffer();
  double rate = double(writeSpeed_ ? writeSpeed_ : Speeds().front()) * 1024;
  double seconds = bufferFill_ / rate;
  bufferFill_ = 0;
  FinishOnFlush();
  Occupy(seconds, scsi::kAscLongWriteInProgress, immediate);
  SaveNow();
}

void Drive::FinishOnFlush() {
  Disc& d = Recording();
  if (d.tracks.empty() || d.tracks.back().closed || d.tracks.back().nwa == d.tracks.back().start) return;
  Track& t = d.tracks.back();
  int type = writeParams_.writeType();
  if (d.info().cd && type == kTrackAtOnce) {
    // Track-at-once: the flush ends the track; the next one starts after its pre-gap.
    d.CloseTrack(uint32_t(d.tracks.size()), true);
  } else if (IsDvdMinusSequential(d.media) && t.discAtOnce && t.reserved && t.nwa == t.start + t.reserved) {
    // Disc-at-once: once the reserved track is full the flush writes the lead-out.
    d.CloseSession(true, false);
  } else {
    return;
  }
  if (shadow_) return;
  Changed();
}

void Drive::ReadBufferCapacity(Command& c) {
  bool blocks = c.cdb[1] & 0x01;
  DrainBuffer();
  uint32_t size = options_.bufferKb * 1024;
  uint32_t blank = size - std::min(size, uint32_t(bufferFill_));
  std::vector<uint8_t> r(12);
  Put16(&r[0], 10);
  if (blocks) {
    r[3] = 0x01;
    Put32(&r[8], blank / 2048);
  } else {
    Put32(&r[4], size);
    Put32(&r[8], blank);
  }
  c.reply = std::move(r);
  c.reply.resize(std::min<size_t>(c.reply.size(), Get16(c.cdb + 7)));
}

void Drive::SendOpc(Command&) {
  RequireMedium();
  const Disc& d = file_->disc;
  if (d.info().rom || !CanWrite(d.media)) CannotWriteIncompatibleFormat();
}

void Drive::SetCdSpeed(Command& c) {
  uint32_t want = Get16(c.cdb + 4);
  auto speeds = Speeds();  // fastest first
  if (want == 0xFFFF) {
    writeSpeed_ = speeds.front();
    return;
  }
  // The fastest supported speed at or below the request; the slowest when all are above it.
  auto it = std::find_if(speeds.begin(), speeds.end(), [&](uint32_t s) { return s <= want; });
  writeSpeed_ = it == speeds.end() ? speeds.back() : *it;
}

void Drive::SetStreaming(Command& c) {
  RequireMedium();
  if (c.cdb[8] != 0) InvalidFieldInCdb();  // only the performance descriptor
  uint32_t len = std::min<uint32_t>(Get16(c.cdb + 9), c.dataLength);
  if (len < 28) ParameterListLengthError();
  const uint8_t* p = c.data;
  uint32_t size = Get32(p + 20), time = Get32(p + 24);
  if (time == 0) InvalidFieldInParameterList();
  uint32_t want = uint32_t(uint64_t(size) * 1000 / time);
  auto speeds = Speeds();
  auto it = std::find_if(speeds.begin(), speeds.end(), [&](uint32_t s) { return s <= want; });
  writeSpeed_ = it == speeds.end() ? speeds.back() : *it;
}

void Drive::SendDvdStructure(Command& c) {
  RequireMedium();
  const Disc& d = file_->disc;
  if (d.info().cd) IncompatibleMedium();
  int format = c.cdb[7];
  uint32_t len = std::min<uint32_t>(Get16(c.cdb + 8), c.dataLength);
  if (format != 0x0F) InvalidFieldInCdb();  // the time stamp is the one structure taken
  if (!IsDvdMinusSequential(d.media)) IncompatibleMedium();
  if (len < 22 || Get16(c.data) != 20) ParameterListLengthError();
  for (int i = 8; i < 22; ++i)
    if (c.data[i] < '0' || c.data[i] > '9') InvalidFieldInParameterList();
}

}  // namespace scrivo::vrecorder
