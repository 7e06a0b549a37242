#include "Drive.h"

#include <algorithm>
#include <cstring>

#include "Bytes.h"

namespace scrivo::vrecorder {
namespace {

// Commands a drive answers while a long operation runs or a unit attention is pending.
bool AnsweredWhileBusy(uint8_t op) { return op == 0x12 || op == 0x03 || op == 0x46; }

int CdbLengthOf(uint8_t op) {
  if (op < 0x20) return 6;
  if (op < 0x60) return 10;
  if (op >= 0xA0 && op < 0xC0) return 12;
  return 16;
}

}  // namespace

Drive::Drive(DriveOptions options, std::shared_ptr<Clock> clock)
    : options_(std::move(options)), clock_(clock ? std::move(clock) : std::make_shared<SteadyClock>()) {
  busyLeft_ = options_.busy;
  if (!options_.disc.empty()) {
    file_ = DiscFile::Open(options_.disc, error_);
    if (file_) readyAtMs_ = clock_->NowMs() + options_.notReadyMs;
  }
}

Drive::~Drive() { SaveNow(); }

void Drive::Flush() {
  std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (lock.owns_lock()) SaveNow();
}

void Drive::SaveNow() {
  if (file_ && dirty_) file_->Save();
  dirty_ = false;
}

const Disc* Drive::disc() const { return HaveMedium() ? &file_->disc : nullptr; }

Drive::Handler Drive::HandlerFor(uint8_t op) {
  switch (op) {
    case 0x00: return &Drive::TestUnitReady;
    case 0x01: return &Drive::Rezero;
    case 0x03: return &Drive::RequestSense;
    case 0x04: return &Drive::FormatUnit;
    case 0x12: return &Drive::Inquiry;
    case 0x1B: return &Drive::StartStopUnit;
    case 0x1E: return &Drive::PreventAllow;
    case 0x23: return &Drive::ReadFormatCapacities;
    case 0x25: return &Drive::ReadCapacity;
    case 0x28: return &Drive::Read10;
    case 0x2A: return &Drive::Write10;
    case 0x35: return &Drive::SynchronizeCache;
    case 0x43: return &Drive::ReadToc;
    case 0x46: return &Drive::GetConfiguration;
    case 0x51: return &Drive::ReadDiscInformation;
    case 0x52: return &Drive::ReadTrackInformation;
    case 0x53: return &Drive::ReserveTrack;
    case 0x54: return &Drive::SendOpc;
    case 0x55: return &Drive::ModeSelect10;
    case 0x5A: return &Drive::ModeSense10;
    case 0x5B: return &Drive::CloseTrackSession;
    case 0x5C: return &Drive::ReadBufferCapacity;
    case 0xA1: return &Drive::Blank;
    case 0xB6: return &Drive::SetStreaming;
    case 0xBB: return &Drive::SetCdSpeed;
    case 0xBF: return &Drive::SendDvdStructure;
    default: return nullptr;
  }
}

CommandResult Drive::Execute(const uint8_t* cdb, int cdbLength, uint8_t* data, uint32_t dataLength,
                             bool autoSense) {
  std::lock_guard<std::mutex> lock(mutex_);
  CommandResult result;
  Command c{cdb, cdbLength, data, dataLength, {}};
  try {
    if (cdbLength < 1) InvalidFieldInCdb();
    uint8_t op = cdb[0];
    Handler h = HandlerFor(op);
    if (!h || (op == 0x46 && options_.noGetConfig)) Refuse(kIllegalRequest, 0x20, 0x00);
    if (cdbLength < CdbLengthOf(op)) InvalidFieldInCdb();
    CheckAttention(op);
    CheckReady(op);
    (this->*h)(c);
    uint32_t n = std::min<uint32_t>(uint32_t(c.reply.size()), dataLength);
    if (n) std::memcpy(data, c.reply.data(), n);
    result.transferred = n;
    if (op != 0x03) pendingSense_.reset();
  } catch (const Refusal& r) {
    result.status = kCheckCondition;
    result.sense = r.sense;
    if (autoSense) pendingSense_.reset();
    else pendingSense_ = r.sense;
  } catch (ScsiStatus s) {
    result.status = s;
  }
  return result;
}

void Drive::CheckAttention(uint8_t op) {
  if (!unitAttention_ || AnsweredWhileBusy(op)) return;
  unitAttention_ = false;
  Refuse(kUnitAttention, 0x28, 0x00);  // NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED
}

bool Drive::Busy() { return clock_->NowMs() < busyUntilMs_; }

std::optional<Sense> Drive::NotReadySense() {
  double now = clock_->NowMs();
  if (now < busyUntilMs_) {
    double span = busyUntilMs_ - busyFromMs_;
    auto progress = uint16_t(std::clamp((now - busyFromMs_) / span, 0.0, 1.0) * 65535);
    return Sense{kNotReady, busyAsc_, busyAscq_, progress};
  }
  if (!HaveMedium()) return Sense{kNotReady, 0x3A, uint8_t(trayClosed_ ? 0x01 : 0x02), std::nullopt};
  if (now < readyAtMs_) return Sense{kNotReady, 0x04, 0x01, std::nullopt};  // BECOMING READY
  return std::nullopt;
}

void Drive::CheckReady(uint8_t op) {
  if (AnsweredWhileBusy(op) || !Busy()) return;
  throw Refusal{*NotReadySense()};
}

void Drive::RequireMedium() {
  if (auto s = NotReadySense()) throw Refusal{*s};
}

Disc& Drive::Active() { return shadow_ ? *shadow_ : file_->disc; }

Disc& Drive::Recording() {
  if (writeParams_.testWrite() && !shadow_) shadow_ = file_->disc;
  return Active();
}

void Drive::Changed() {
  dirty_ = true;
  SaveNow();
  savedAtMs_ = clock_->NowMs();
}

void Drive::SaveSoon() {
  // Writes change the state all the time; the file follows within a fraction of a second.
  dirty_ = true;
  double now = clock_->NowMs();
  if (now - savedAtMs_ >= 200) Changed();
}

void Drive::Occupy(double simulatedSeconds, uint8_t asc, uint8_t ascq, bool immediate) {
  double ms = Scaled(simulatedSeconds * 1000);
  if (ms <= 0) return;
  if (!immediate) {
    clock_->SleepMs(ms);
    return;
  }
  busyFromMs_ = clock_->NowMs();
  busyUntilMs_ = busyFromMs_ + ms;
  busyAsc_ = asc;
  busyAscq_ = ascq;
}

void Drive::Load() {
  if (trayClosed_) return;
  trayClosed_ = true;
  if (options_.disc.empty()) return;
  // The disc may have been recorded elsewhere while it was out: read it afresh.
  file_ = DiscFile::Open(options_.disc, error_);
  if (!file_) return;
  readyAtMs_ = clock_->NowMs() + options_.notReadyMs;
  unitAttention_ = true;
}

void Drive::Eject() {
  if (prevented_) Refuse(kIllegalRequest, 0x53, 0x02);  // MEDIUM REMOVAL PREVENTED
  SaveNow();
  shadow_.reset();
  file_.reset();
  trayClosed_ = false;
  bufferFill_ = 0;
}

std::vector<uint32_t> Drive::Speeds() const {
  if (!options_.speeds.empty()) {
    auto s = options_.speeds;
    std::sort(s.rbegin(), s.rend());
    return s;
  }
  if (!HaveMedium() || file_->disc.info().cd) {
    if (HaveMedium() && file_->disc.media == MediaKind::CdRw) return {5645, 4234, 2822, 1764, 706};
    return {8467, 7056, 5645, 4234, 2822, 1411, 706};
  }
  switch (file_->disc.media) {
    case MediaKind::DvdRam: return {6925, 4155, 2770};
    case MediaKind::DvdPlusRw:
    case MediaKind::DvdRwRestricted:
    case MediaKind::DvdRwSequential: return {8310, 5540, 3324, 2770};
    default: return {22160, 11080, 5540, 2770, 1385};
  }
}

uint32_t Drive::MaxReadSpeed() const {
  return HaveMedium() && !file_->disc.info().cd ? 22160 : 8467;
}

bool Drive::CanWrite(MediaKind kind) const {
  const auto& c = options_.caps;
  switch (kind) {
    case MediaKind::CdR: return c.cdr;
    case MediaKind::CdRw: return c.cdrw;
    case MediaKind::DvdR:
    case MediaKind::DvdRwRestricted:
    case MediaKind::DvdRwSequential: return c.dvdr;
    case MediaKind::DvdRam: return c.dvdram;
    case MediaKind::DvdPlusR:
    case MediaKind::DvdPlusRw: return c.dvdplus;
    default: return false;
  }
}

void Drive::TestUnitReady(Command&) { RequireMedium(); }

void Drive::Rezero(Command&) { RequireMedium(); }

void Drive::RequestSense(Command& c) {
  if (c.cdb[1] & 0x01) InvalidFieldInCdb();  // descriptor format is not supported
  Sense s;
  if (pendingSense_) s = *pendingSense_;
  else if (auto nr = NotReadySense()) s = *nr;
  pendingSense_.reset();
  c.reply.resize(kFixedSenseLength);
  EncodeFixedSense(s, c.reply.data(), kFixedSenseLength);
  c.reply.resize(std::min<size_t>(c.reply.size(), c.cdb[4]));
}

void Drive::StartStopUnit(Command& c) {
  bool loej = c.cdb[4] & 0x02, start = c.cdb[4] & 0x01;
  if (!loej) return;  // spin up or down: nothing to model
  if (start) Load();
  else Eject();
}

void Drive::PreventAllow(Command& c) { prevented_ = c.cdb[4] & 0x01; }

}  // namespace scrivo::vrecorder
