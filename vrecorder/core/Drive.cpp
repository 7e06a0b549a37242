#include "Drive.h"

#include <algorithm>
#include <cstring>

#include "Bytes.h"
#include "HostSignal.h"
#include "Mmc.h"

namespace scrivo::vrecorder {
namespace {

// Commands a drive answers while a long operation runs or a unit attention is pending.
bool AnsweredWhileBusy(uint8_t op) {
  return op == scsi::kInquiry || op == scsi::kRequestSense || op == scsi::kGetConfiguration ||
         op == scsi::kGetEventStatusNotification;
}
bool AnsweredWhileReserved(uint8_t op) { return op == scsi::kInquiry || op == scsi::kRequestSense; }
// The commands that record, format, blank or close: the first of them claims the disc.
bool ChangesDisc(uint8_t op) {
  switch (op) {
    case scsi::kWrite10: case scsi::kFormatUnit: case scsi::kBlank: case scsi::kCloseTrackSession:
    case scsi::kReserveTrack: case scsi::kSynchronizeCache: case scsi::kSendOpcInformation:
    case scsi::kSendDvdStructure: case scsi::kStartStopUnit:
      return true;
    default:
      return false;
  }
}

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
    if (file_ && file_->disc.trayOpen && options_.persistentTray) {
      file_.reset();
      trayClosed_ = false;
    }
  }
}

Drive::~Drive() {
  if (claim_) SaveNow();  // only a drive that claimed the disc has changed it
}

void Drive::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  writeParams_ = WriteParameters();
  writeSpeed_ = 0;
  prevented_ = false;
  pendingSense_.reset();
  unitAttention_ = scsi::kAscPowerOnReset;
}

bool Drive::Claim(bool keep) {
  if (claim_ || !file_) return true;
  if (!keep) return DiscClaim::Free(options_.disc);
  claim_ = DiscClaim::Take(options_.disc);
  if (!claim_) return false;
  std::string error;
  if (auto fresh = DiscFile::Open(options_.disc, error)) file_ = std::move(fresh);
  shadow_.reset();
  dirty_ = false;
  return true;
}

void Drive::Flush() {
  std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
  if (lock.owns_lock()) SaveNow();
}

void Drive::SaveNow() {
  if (file_ && dirty_ && claim_) file_->Save();
  dirty_ = false;
}

const Disc* Drive::disc() const { return HaveMedium() ? &file_->disc : nullptr; }

Drive::Handler Drive::HandlerFor(uint8_t op) {
  switch (op) {
    case scsi::kTestUnitReady: return &Drive::TestUnitReady;
    case scsi::kRezeroUnit: return &Drive::Rezero;
    case scsi::kRequestSense: return &Drive::RequestSense;
    case scsi::kFormatUnit: return &Drive::FormatUnit;
    case scsi::kInquiry: return &Drive::Inquiry;
    case scsi::kStartStopUnit: return &Drive::StartStopUnit;
    case scsi::kPreventAllowRemoval: return &Drive::PreventAllow;
    case scsi::kReadFormatCapacities: return &Drive::ReadFormatCapacities;
    case scsi::kReadCapacity: return &Drive::ReadCapacity;
    case scsi::kRead10: return &Drive::Read10;
    case scsi::kWrite10: return &Drive::Write10;
    case scsi::kSynchronizeCache: return &Drive::SynchronizeCache;
    case scsi::kReadToc: return &Drive::ReadToc;
    case scsi::kGetConfiguration: return &Drive::GetConfiguration;
    case scsi::kReadDiscInformation: return &Drive::ReadDiscInformation;
    case scsi::kReadTrackInformation: return &Drive::ReadTrackInformation;
    case scsi::kReserveTrack: return &Drive::ReserveTrack;
    case scsi::kSendOpcInformation: return &Drive::SendOpc;
    case scsi::kModeSelect10: return &Drive::ModeSelect10;
    case scsi::kModeSense10: return &Drive::ModeSense10;
    case scsi::kCloseTrackSession: return &Drive::CloseTrackSession;
    case scsi::kReadBufferCapacity: return &Drive::ReadBufferCapacity;
    case scsi::kGetEventStatusNotification: return &Drive::GetEventStatus;
    case scsi::kBlank: return &Drive::Blank;
    case scsi::kRead12: return &Drive::Read12;
    case scsi::kGetPerformance: return &Drive::GetPerformance;
    case scsi::kReadDvdStructure: return &Drive::ReadDvdStructure;
    case scsi::kReadCd: return &Drive::ReadCd;
    case scsi::kSetStreaming: return &Drive::SetStreaming;
    case scsi::kSetCdSpeed: return &Drive::SetCdSpeed;
    case scsi::kSendDvdStructure: return &Drive::SendDvdStructure;
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
    if (!h || (op == scsi::kGetConfiguration && options_.noGetConfig)) Refuse(kIllegalRequest, scsi::kAscInvalidCommandOpcode);
    if (cdbLength < CdbLengthOf(op)) InvalidFieldInCdb();
    StrikeBefore(op);
    // Another process has the disc: like a drive reserved by another initiator, everything
    // but the identification and the sense is refused.
    if (!AnsweredWhileReserved(op) && HaveMedium() && !Claim(ChangesDisc(op))) throw kReservationConflict;
    CheckAttention(op);
    CheckReady(op);
    (this->*h)(c);
    uint32_t n = c.placed ? c.placed : std::min<uint32_t>(uint32_t(c.reply.size()), dataLength);
    if (n && !c.placed) std::memcpy(data, c.reply.data(), n);
    result.transferred = n;
    if (op != scsi::kRequestSense) pendingSense_.reset();
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

void Drive::StrikeBefore(uint8_t op) {
  const auto strikes = [op](const std::optional<CommandCount>& knob, uint32_t& seen) {
    return knob && knob->op == op && ++seen == knob->nth;
  };
  if (strikes(options_.killBefore, killCount_)) PowerLoss();
  if (strikes(options_.interruptBefore, interruptCount_)) InterruptHost();
}

void Drive::Lost(uint8_t op) {
  std::lock_guard<std::mutex> lock(mutex_);
  StrikeBefore(op);
}

void Drive::PowerLoss() {
  if (HaveMedium()) {
    file_->disc.PowerLoss();
    Changed();
  }
  KillHost();
}

void Drive::CheckAttention(uint8_t op) {
  if (!unitAttention_ || AnsweredWhileBusy(op)) return;
  scsi::Asc code = unitAttention_;
  unitAttention_ = scsi::kAscNone;
  Refuse(kUnitAttention, code);
}

bool Drive::Busy() { return clock_->NowMs() < busyUntilMs_; }

std::optional<Sense> Drive::NotReadySense() {
  double now = clock_->NowMs();
  if (now < busyUntilMs_) {
    double span = busyUntilMs_ - busyFromMs_;
    auto progress = uint16_t(std::clamp((now - busyFromMs_) / span, 0.0, 1.0) * 65535);
    Sense s = Sense::Of(kNotReady, busyCode_);
    s.progress = progress;
    return s;
  }
  if (!HaveMedium())
    return Sense::Of(kNotReady, trayClosed_ ? scsi::kAscMediumNotPresentTrayClosed
                                            : scsi::kAscMediumNotPresentTrayOpen);
  if (now < readyAtMs_) return Sense::Of(kNotReady, scsi::kAscBecomingReady);
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

void Drive::Occupy(double simulatedSeconds, scsi::Asc busyCode, bool immediate) {
  double ms = Scaled(simulatedSeconds * 1000);
  if (ms <= 0) return;
  if (!immediate) {
    clock_->SleepMs(ms);
    return;
  }
  busyFromMs_ = clock_->NowMs();
  busyUntilMs_ = busyFromMs_ + ms;
  busyCode_ = busyCode;
}

void Drive::Load() {
  if (trayClosed_) return;
  trayClosed_ = true;
  if (options_.disc.empty()) return;
  // The disc may have been recorded elsewhere while it was out: read it afresh.
  file_ = DiscFile::Open(options_.disc, error_);
  if (!file_) return;
  if (file_->disc.trayOpen && Claim(true)) {
    file_->disc.trayOpen = false;
    Changed();
  }
  readyAtMs_ = clock_->NowMs() + options_.notReadyMs;
  // The power-on attention is reported first.
  if (unitAttention_ != scsi::kAscPowerOnReset) unitAttention_ = scsi::kAscMediumMayHaveChanged;
  mediaEvent_ = 2;                                    // NewMedia
}

void Drive::Eject() {
  // Another program's prevention (`locked`) holds whatever this one allows.
  if (prevented_ || options_.locked) Refuse(kIllegalRequest, scsi::kAscMediumRemovalPrevented);
  if (claim_ && file_ && options_.persistentTray) {
    file_->disc.trayOpen = true;
    dirty_ = true;
  }
  if (claim_) SaveNow();
  shadow_.reset();
  file_.reset();
  claim_.reset();
  mediaEvent_ = 3;  // MediaRemoval
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
