#include "Features.h"

#include "Bytes.h"
#include "Sense.h"

namespace scrivo::vrecorder {
namespace {

struct Feature {
  uint16_t code;
  int version;
  bool persistent;
  bool current;
  std::vector<uint8_t> data;  // the additional data, a multiple of 4 bytes
};

bool Is(const Disc* d, std::initializer_list<MediaKind> kinds) {
  if (!d) return false;
  for (auto k : kinds)
    if (d->media == k) return true;
  return false;
}

std::vector<uint8_t> ProfileList(const DriveCaps& c, const Disc* d) {
  std::vector<uint16_t> profiles;
  if (c.dvdplus) profiles.insert(profiles.end(), {0x1B, 0x1A});
  if (c.dvdr) profiles.insert(profiles.end(), {0x14, 0x13});
  if (c.dvdram) profiles.push_back(0x12);
  if (c.dvdr) profiles.push_back(0x11);
  if (c.dvdr || c.dvdram || c.dvdplus) profiles.push_back(0x10);
  profiles.insert(profiles.end(), {0x0A, 0x09, 0x08});
  std::vector<uint8_t> out;
  for (auto p : profiles) {
    uint8_t b[4] = {uint8_t(p >> 8), uint8_t(p), uint8_t(d && d->info().profile == p ? 1 : 0), 0};
    out.insert(out.end(), b, b + 4);
  }
  return out;
}

std::vector<Feature> AllFeatures(const FeatureContext& ctx) {
  const DriveCaps& c = ctx.caps;
  const Disc* d = ctx.disc;
  bool cd = d && d->info().cd, dvd = d && !d->info().cd;
  bool cdWritable = Is(d, {MediaKind::CdR, MediaKind::CdRw});
  uint8_t buf = c.burnfree ? 0x40 : 0, test = c.testwrite ? 0x04 : 0;
  std::vector<Feature> f;
  f.push_back({0x0000, 0, true, true, ProfileList(c, d)});
  f.push_back({0x0001, 2, true, true, {0, 0, 0, 2, 0x01, 0, 0, 0}});  // ATAPI, DBE
  f.push_back({0x0002, 1, true, true, {0x02, 0, 0, 0}});
  f.push_back({0x0003, 0, true, true, {0x29, 0, 0, 0}});              // tray, eject, lock
  std::vector<uint8_t> rr(8);
  Put32(&rr[0], 2048);
  Put16(&rr[4], dvd ? 16 : 1);
  f.push_back({0x0010, 0, false, d != nullptr, rr});
  f.push_back({0x001D, 0, false, cd, {}});
  f.push_back({0x001E, 2, false, cd, {0, 0, 0, 0}});
  if (c.dvdr || c.dvdram || c.dvdplus) f.push_back({0x001F, 1, false, dvd, {0, 0, 0, 0}});
  if (c.dvdram) {
    std::vector<uint8_t> rw(12);
    Put32(&rw[0], d && d->IsRandom() ? d->formattedSize - 1 : 0);
    Put32(&rw[4], 2048);
    Put16(&rw[8], 16);
    f.push_back({0x0020, 0, false, Is(d, {MediaKind::DvdRam}) && d->formatted, rw});
  }
  if (c.cdr || c.dvdr) {
    bool cur = cdWritable || (Is(d, {MediaKind::DvdR, MediaKind::DvdRwSequential}) && d->IncrementalAllowed());
    uint8_t link = cd ? 7 : 16;
    f.push_back({0x0021, 1, false, cur, {0x3D, 0x01, uint8_t(c.burnfree ? 1 : 0), 1, link, 0, 0, 0}});
  }
  if (c.dvdplus || c.dvdram || c.dvdr)
    f.push_back({0x0023, 0, false,
                 Is(d, {MediaKind::DvdPlusRw, MediaKind::DvdRam, MediaKind::DvdRwSequential,
                        MediaKind::DvdRwRestricted}), {}});
  if (c.dvdram) f.push_back({0x0024, 0, false, Is(d, {MediaKind::DvdRam}), {}});
  if (c.dvdr) f.push_back({0x0026, 0, false, Is(d, {MediaKind::DvdRwRestricted}), {}});
  if (c.dvdplus) {
    f.push_back({0x002A, 0, false, Is(d, {MediaKind::DvdPlusRw}), {0x01, 0x03, 0, 0}});
    f.push_back({0x002B, 0, false, Is(d, {MediaKind::DvdPlusR}), {0x01, 0, 0, 0}});
  }
  if (c.dvdr) f.push_back({0x002C, 0, false, Is(d, {MediaKind::DvdRwRestricted}), {0x0F, 0, 0, 0}});
  if (c.cdr || c.cdrw) {
    uint8_t rw = c.cdrw ? 0x02 : 0;
    f.push_back({0x002D, 2, false, cdWritable, {uint8_t(buf | test | rw), 0, 0x3D, 0x01}});
    // Session-at-once and raw recording need a cue sheet, which this drive does not take:
    // the feature is listed (track-at-once CDs need its test-write and BUF bits) but claims
    // neither SAO nor RAW.
    f.push_back({0x002E, 0, false, cdWritable, {uint8_t(buf | test | rw), 0x00, 0xFF, 0xFF}});
  }
  if (c.dvdr)
    f.push_back({0x002F, 1, false, Is(d, {MediaKind::DvdR, MediaKind::DvdRwSequential}),
                 {uint8_t(buf | test | 0x02), 0, 0, 0}});
  f.push_back({0x0100, 0, true, true, {}});
  f.push_back({0x0107, 0, false, true, {0x09, 0, 0, 0}});  // SET CD SPEED, streaming writes
  return f;
}

void Append(std::vector<uint8_t>& out, const Feature& f) {
  out.push_back(uint8_t(f.code >> 8));
  out.push_back(uint8_t(f.code));
  out.push_back(uint8_t(f.version << 2 | (f.persistent ? 2 : 0) | (f.current ? 1 : 0)));
  out.push_back(uint8_t(f.data.size()));
  out.insert(out.end(), f.data.begin(), f.data.end());
}

}  // namespace

std::vector<uint8_t> BuildConfiguration(const FeatureContext& ctx, int rt, uint16_t start) {
  if (rt == 3) InvalidFieldInCdb();
  std::vector<uint8_t> out(8);
  if (ctx.disc) Put16(&out[6], ctx.disc->info().profile);
  for (const auto& f : AllFeatures(ctx)) {
    // RT 00b: all features from `start`; 01b: the current ones among them; 10b: that one.
    if (rt == 2 ? f.code != start : f.code < start) continue;
    if (rt == 1 && !f.current) continue;
    Append(out, f);
  }
  Put32(&out[0], uint32_t(out.size() - 4));
  return out;
}

}  // namespace scrivo::vrecorder
