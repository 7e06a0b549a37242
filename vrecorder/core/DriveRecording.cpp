// Writing and reading blocks, track reservation, closing, the drive buffer and speeds.
#include <algorithm>

#include "Bytes.h"
#include "Drive.h"

namespace scrivo::vrecorder {
namespace {

// Simulated seconds the drive needs to close tracks and sessions.
constexpr double kCloseTrackSeconds = 2, kCloseSessionSeconds = 30, kFinalizeSeconds = 90;

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
  if (c.dataLength < count * 2048u) InvalidFieldInCdb();
  Disc& real = file_->disc;
  if (!real.info().rom && !CanWrite(real.media)) Refuse(kIllegalRequest, 0x30, 0x05);
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
  bool test = writeParams_.testWrite();
  Disc next = Recording();
  next.Write(lba, count);
  if (options_.writeErrorAt && *options_.writeErrorAt >= lba && *options_.writeErrorAt < lba + count)
    Refuse(kMediumError, 0x0C, 0x00);  // WRITE ERROR
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
  if (!file_->WriteBlocks(lba, count, c.data)) Refuse(kMediumError, 0x0C, 0x00);
  bool newTrack = next.tracks.size() != real.tracks.size();
  real = next;
  if (newTrack) Changed();
  else SaveSoon();
}

void Drive::Read10(Command& c) {
  RequireMedium();
  uint32_t lba = Get32(c.cdb + 2), count = Get16(c.cdb + 7);
  if (count == 0) return;
  if (c.dataLength < count * 2048u) InvalidFieldInCdb();
  file_->disc.CheckRead(lba, count);
  c.reply.resize(size_t(count) * 2048);
  if (!file_->ReadBlocks(lba, count, c.reply.data())) Refuse(kMediumError, 0x11, 0x00);
}

void Drive::ReserveTrack(Command& c) {
  RequireMedium();
  if (c.cdb[1] & 0x01) InvalidFieldInCdb();  // reservation by address is not supported
  if (!CanWrite(file_->disc.media)) Refuse(kIllegalRequest, 0x30, 0x05);
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
  switch (function) {
    case 1:
      d.CloseTrack(track, tao);
      Occupy(kCloseTrackSeconds, 0x04, 0x07, immediate);
      break;
    case 2:
      // DVD+R keeps the disc open after a session; others follow the page's multi-session field.
      d.CloseSession(!plus && !writeParams_.nextSessionAllowed(), tao);
      Occupy(d.finalized ? kFinalizeSeconds : kCloseSessionSeconds, 0x04, 0x07, immediate);
      break;
    case 3:
      if (d.media != MediaKind::DvdPlusRw) InvalidFieldInCdb();  // quick stop of a background format
      break;
    case 5:
    case 6:
      if (!plus) InvalidFieldInCdb();  // finalisation of a DVD+R
      d.CloseSession(true, tao);
      Occupy(kFinalizeSeconds, 0x04, 0x07, immediate);
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
  DrainBuffer();
  double rate = double(writeSpeed_ ? writeSpeed_ : Speeds().front()) * 1024;
  double seconds = bufferFill_ / rate;
  bufferFill_ = 0;
  Occupy(seconds, 0x04, 0x08, immediate);  // LONG WRITE IN PROGRESS
  SaveNow();
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
  if (d.info().rom || !CanWrite(d.media)) Refuse(kIllegalRequest, 0x30, 0x05);
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
  if (len < 28) Refuse(kIllegalRequest, 0x1A, 0x00);
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
  if (len < 22 || Get16(c.data) != 20) Refuse(kIllegalRequest, 0x1A, 0x00);
  for (int i = 8; i < 22; ++i)
    if (c.data[i] < '0' || c.data[i] > '9') InvalidFieldInParameterList();
}

}  // namespace scrivo::vrecorder
