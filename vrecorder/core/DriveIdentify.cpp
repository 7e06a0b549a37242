// INQUIRY, GET CONFIGURATION and the mode pages: how the drive describes itself.
#include <algorithm>

#include "Bytes.h"
#include "Drive.h"
#include "Features.h"

namespace scrivo::vrecorder {
namespace {

void PutText(uint8_t* p, const std::string& s, size_t width) {
  for (size_t i = 0; i < width; ++i) p[i] = i < s.size() ? uint8_t(s[i]) : ' ';
}

constexpr uint8_t kPageWrite = 0x05, kPageCaps = 0x2A, kPageVendor = 0x30, kAllPages = 0x3F;

}  // namespace

void Drive::Inquiry(Command& c) {
  if (c.cdb[1] & 0x01 || c.cdb[2]) InvalidFieldInCdb();  // no vital product data pages
  std::vector<uint8_t> r(36);
  r[0] = 0x05;  // CD/DVD device
  r[1] = 0x80;  // removable
  r[2] = 0x05;  // SPC-3
  r[3] = 0x32;  // response data format 2, hierarchical support
  r[4] = uint8_t(r.size() - 5);
  PutText(&r[8], options_.vendor, 8);
  PutText(&r[16], options_.product, 16);
  PutText(&r[32], options_.revision, 4);
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 3));
}

void Drive::GetConfiguration(Command& c) {
  // A medium still becoming ready has no current profile yet; a busy one has.
  bool known = HaveMedium() && clock_->NowMs() >= readyAtMs_;
  FeatureContext ctx{options_.caps, options_.refusedWriteTypes, known ? &Active() : nullptr};
  c.reply = BuildConfiguration(ctx, c.cdb[1] & 0x03, Get16(c.cdb + 2));
  Fit(c.reply, Get16(c.cdb + 7));
}

void Drive::ModeSense10(Command& c) {
  int pc = c.cdb[2] >> 6, code = c.cdb[2] & 0x3F;
  if (pc == 3) Refuse(kIllegalRequest, scsi::kAscSavingParametersNotSupported);
  if (c.cdb[3] != 0) InvalidFieldInCdb();
  bool vendor = options_.caps.vendor30;
  if (code != kPageWrite && code != kPageCaps && code != kAllPages && !(code == kPageVendor && vendor))
    InvalidFieldInCdb();
  std::vector<uint8_t> r(8);
  auto add = [&](const uint8_t* p, size_t n) { r.insert(r.end(), p, p + n); };
  if (code == kPageWrite || code == kAllPages) {
    auto page = pc == 1 ? WriteParameters::Changeable() : pc == 2 ? WriteParameters().page() : writeParams_.page();
    add(page.data(), page.size());
  }
  if (code == kPageCaps || code == kAllPages) {
    auto speeds = Speeds();
    uint32_t current = writeSpeed_ ? writeSpeed_ : speeds.front();
    std::vector<uint8_t> p(32 + 4 * speeds.size());
    p[0] = kPageCaps;
    p[1] = uint8_t(p.size() - 2);
    if (pc != 1) {
      const auto& k = options_.caps;
      p[2] = 0x3F;
      p[3] = uint8_t((k.dvdram ? 0x20 : 0) | (k.dvdr ? 0x10 : 0) | (k.testwrite ? 0x04 : 0) |
                     (k.cdrw ? 0x02 : 0) | (k.cdr ? 0x01 : 0));
      p[4] = uint8_t((k.burnfree ? 0x80 : 0) | (k.multisession ? 0x40 : 0) | 0x30 | 0x01);
      p[5] = 0x03;
      p[6] = uint8_t(0x29 | (prevented_ || options_.locked ? 0x02 : 0));
      Put16(&p[8], MaxReadSpeed());
      Put16(&p[10], 256);
      Put16(&p[12], options_.bufferKb);
      Put16(&p[14], MaxReadSpeed());
      Put16(&p[18], speeds.front());
      Put16(&p[20], current);
      Put16(&p[28], current);
      Put16(&p[30], uint32_t(speeds.size()));
      for (size_t i = 0; i < speeds.size(); ++i) Put16(&p[32 + 4 * i + 2], speeds[i]);
    }
    add(p.data(), p.size());
  }
  if (vendor && (code == kPageVendor || code == kAllPages)) {
    uint8_t p[16] = {kPageVendor, 14};
    add(p, sizeof p);
  }
  Put16(&r[0], uint32_t(r.size() - 2));
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 7));
}

void Drive::ModeSelect10(Command& c) {
  if (!(c.cdb[1] & 0x10) || (c.cdb[1] & 0x01)) InvalidFieldInCdb();  // PF required, no saving
  uint32_t len = std::min<uint32_t>(Get16(c.cdb + 7), c.dataLength);
  if (len < 8) ParameterListLengthError();
  const uint8_t* p = c.data;
  uint32_t at = 8 + Get16(p + 6);
  while (at + 2 <= len) {
    const uint8_t* page = p + at;
    uint32_t size = page[1] + 2u;
    if (at + size > len) ParameterListLengthError();
    int code = page[0] & 0x3F;
    if (code == kPageWrite) {
      const MediaKind* media = HaveMedium() ? &file_->disc.media : nullptr;
      bool wasTest = writeParams_.testWrite();
      writeParams_.Select(page, size, options_.caps, options_.refusedWriteTypes, media);
      if (wasTest && !writeParams_.testWrite()) shadow_.reset();  // the simulation is over
    } else if (!(code == kPageVendor && options_.caps.vendor30)) {
      InvalidFieldInParameterList();
    }
    at += size;
  }
}

}  // namespace scrivo::vrecorder
