// READ DISC INFORMATION, READ TRACK INFORMATION, READ TOC/PMA/ATIP, READ CAPACITY and
// READ FORMAT CAPACITIES: what the drive tells about the disc.
#include <algorithm>

#include "Bytes.h"
#include "Drive.h"

namespace scrivo::vrecorder {
namespace {

// An address field in MSF form: a zero byte, then the absolute CD time.
void PutMsf(uint8_t* p, uint32_t lba) {
  p[0] = 0;
  PutMsf3(p + 1, lba);
}

void PutAddress(uint8_t* p, uint32_t lba, bool msf) {
  if (msf) PutMsf(p, lba);
  else Put32(p, lba);
}

// The first lead-in of a recordable CD, as its ATIP gives it (a time past 90 minutes).
void PutLeadIn(uint8_t* p, bool rewritable) {
  p[0] = 0;
  p[1] = 97;
  p[2] = rewritable ? 24 : 26;
  p[3] = rewritable ? 60 : 66;
}

constexpr uint8_t kDataTrackControl = 0x14;  // ADR 1, data track recorded uninterrupted

}  // namespace

void Drive::ReadDiscInformation(Command& c) {
  RequireMedium();
  if (c.cdb[1] & 0x07) InvalidFieldInCdb();  // only the standard disc information
  const Disc& d = Active();
  std::vector<uint8_t> r(34);
  Put16(&r[0], 32);
  DiscStatus status = d.Status();
  // Formatted DVD+RW and restricted overwrite media report themselves complete; DVD-RAM "other".
  int statusBits = status == DiscStatus::RandomWritable && d.media != MediaKind::DvdRam ? 2 : int(status);
  auto sessions = d.Sessions();
  bool openSession = d.HasInvisibleTrack() || (!d.tracks.empty() && d.tracks.back().session > d.closedSessions);
  int lastState = status == DiscStatus::Empty ? 0 : status == DiscStatus::Appendable
                      ? (d.tracks.back().session > d.closedSessions ? 1 : 0) : 3;
  uint32_t sessionCount = std::max<uint32_t>(1, uint32_t(sessions.size()) +
      (openSession && (sessions.empty() || sessions.back().closed) ? 1 : 0));
  if (d.info().rom || d.IsRandom()) sessionCount = 1;
  uint32_t lastTrack = d.LastTrackNumber();
  uint32_t firstInLast = lastState == 0 || sessions.empty() ? lastTrack : sessions.back().firstTrack;
  if (d.info().rom || d.IsRandom() || d.media == MediaKind::DvdPlusRw) firstInLast = lastTrack = 1;
  r[2] = uint8_t((d.info().erasable ? 0x10 : 0) | lastState << 2 | statusBits);
  r[3] = 1;
  r[4] = uint8_t(sessionCount);
  r[5] = uint8_t(firstInLast);
  r[6] = uint8_t(lastTrack);
  r[9] = uint8_t(sessionCount >> 8);
  r[10] = uint8_t(firstInLast >> 8);
  r[11] = uint8_t(lastTrack >> 8);
  if (d.media == MediaKind::DvdPlusRw) r[7] = d.formatted ? 0x03 : 0x00;  // background format complete
  r[7] |= 0x20;  // unrestricted use
  if (d.info().cd && status == DiscStatus::Appendable) {
    TrackView inv;
    // The next session's lead-in precedes its pregap.
    if (d.TrackInfo(0xFF, inv)) PutMsf(&r[16], inv.start - 150 - 4500);
    PutMsf(&r[20], d.capacity);
  } else if (d.info().cd && status == DiscStatus::Empty) {
    PutLeadIn(&r[16], d.media == MediaKind::CdRw);
    PutMsf(&r[20], d.capacity);
  } else if (status != DiscStatus::Complete) {
    std::fill(&r[16], &r[24], 0xFF);
    if (!d.info().cd) Put32(&r[20], d.capacity);
  } else {
    std::fill(&r[16], &r[24], 0xFF);
  }
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 7));
}

void Drive::ReadTrackInformation(Command& c) {
  RequireMedium();
  const Disc& d = Active();
  int type = c.cdb[1] & 0x03;
  uint32_t value = Get32(c.cdb + 2);
  uint32_t number = 0;
  if (type == 1) {
    number = value;
  } else if (type == 0) {
    // The track that holds this address.
    for (uint32_t n = 1; n <= d.LastTrackNumber() && !number; ++n) {
      TrackView v;
      if (d.TrackInfo(n, v) && value >= v.start && value < v.start + v.size) number = n;
    }
  } else if (type == 2) {
    auto sessions = d.Sessions();
    if (value >= 1 && value <= sessions.size()) number = sessions[value - 1].firstTrack;
    else if (value == sessions.size() + 1 && d.HasInvisibleTrack()) number = d.LastTrackNumber();
  } else {
    InvalidFieldInCdb();
  }
  TrackView v;
  if (number == 0 || (number > 0xFF && type == 1) || !d.TrackInfo(number, v)) InvalidFieldInCdb();
  std::vector<uint8_t> r(48);
  Put16(&r[0], 46);
  r[2] = uint8_t(v.number);
  r[3] = uint8_t(v.session);
  // Data track, recorded uninterrupted; bit 5: damaged (with NWA_V 0: not closed because
  // of an incomplete write).
  r[5] = uint8_t(0x04 | (v.damaged ? 0x20 : 0));
  bool dvd = !d.info().cd;
  bool packet = dvd && !d.info().rom;
  r[6] = uint8_t((v.reserved ? 0x80 : 0) | (v.blank ? 0x40 : 0) | (packet ? 0x30 : 0) | 0x01);
  r[7] = uint8_t((v.lraValid ? 0x02 : 0) | (v.nwaValid ? 0x01 : 0));
  Put32(&r[8], v.start);
  Put32(&r[12], v.nwaValid ? v.nwa : 0);
  Put32(&r[16], v.free);
  Put32(&r[20], packet ? 16 : 0);
  Put32(&r[24], v.size);
  Put32(&r[28], v.lastRecorded);
  r[32] = uint8_t(v.number >> 8);
  r[33] = uint8_t(v.session >> 8);
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 7));
}

void Drive::ReadToc(Command& c) {
  RequireMedium();
  const Disc& d = file_->disc;
  bool msf = c.cdb[1] & 0x02;
  int format = c.cdb[2] & 0x0F;
  if (!format) format = c.cdb[9] >> 6;  // the older place of the format field
  uint32_t alloc = Get16(c.cdb + 7);
  // Only closed sessions are in the TOC; random-writable and ROM discs have one track.
  std::vector<SessionView> closed;
  for (const auto& s : d.Sessions())
    if (s.closed) closed.push_back(s);
  std::vector<uint8_t> r(4);
  if (format == 0) {
    if (closed.empty()) InvalidFieldInCdb();
    uint32_t first = 1, last = closed.back().lastTrack;
    uint32_t from = c.cdb[6] ? c.cdb[6] : 1;
    if (from > last && from != 0xAA) InvalidFieldInCdb();
    for (uint32_t n = std::max(first, from); n <= last && from != 0xAA; ++n) {
      TrackView v;
      d.TrackInfo(n, v);
      uint8_t e[8] = {0, kDataTrackControl, uint8_t(n), 0};
      PutAddress(&e[4], v.start, msf);
      r.insert(r.end(), e, e + 8);
    }
    uint8_t e[8] = {0, kDataTrackControl, 0xAA, 0};
    PutAddress(&e[4], closed.back().start + closed.back().size, msf);
    r.insert(r.end(), e, e + 8);
    r[2] = uint8_t(first);
    r[3] = uint8_t(last);
  } else if (format == 1) {
    if (closed.empty()) InvalidFieldInCdb();
    r[2] = 1;
    r[3] = uint8_t(closed.size());
    uint8_t e[8] = {0, kDataTrackControl, uint8_t(closed.back().firstTrack), 0};
    PutAddress(&e[4], closed.back().start, msf);
    r.insert(r.end(), e, e + 8);
  } else if (format == 2) {
    FullToc(closed, r);
  } else if (format == 4) {
    if (d.media != MediaKind::CdR && d.media != MediaKind::CdRw) InvalidFieldInCdb();
    bool rw = d.media == MediaKind::CdRw;
    uint8_t a[24] = {};
    a[0] = 0x50;                            // indicative target writing power
    a[1] = 0x40;                            // unrestricted use
    a[2] = uint8_t(rw ? 0xC0 : 0x80);       // bit 7 always set; bit 6: CD-RW
    PutLeadIn(&a[3], rw);                   // start of the lead-in (bytes 8-10)
    PutMsf(&a[7], d.capacity);              // last possible lead-out start (bytes 12-14)
    r.insert(r.end(), a, a + 24);
  } else {
    InvalidFieldInCdb();
  }
  Put16(&r[0], uint32_t(r.size() - 2));
  c.reply = std::move(r);
  Fit(c.reply, alloc);
}

void Drive::ReadCapacity(Command& c) {
  RequireMedium();
  const Disc& d = Active();
  uint32_t end = d.CapacityEnd();
  std::vector<uint8_t> r(8);
  Put32(&r[0], end ? end - 1 : 0);
  Put32(&r[4], 2048);
  c.reply = std::move(r);
}

void Drive::ReadFormatCapacities(Command& c) {
  RequireMedium();
  const Disc& d = Active();
  std::vector<uint8_t> r(4);
  auto add = [&](uint32_t blocks, uint8_t typeOrCode, uint32_t param) {
    uint8_t e[8];
    Put32(e, blocks);
    e[4] = typeOrCode;
    Put24(&e[5], param);
    r.insert(r.end(), e, e + 8);
  };
  constexpr uint8_t kUnformatted = 1, kFormatted = 2, kUnknownCapacity = 3;
  switch (d.media) {
    case MediaKind::DvdPlusRw:
      add(d.capacity, d.formatted ? kFormatted : kUnformatted, 2048);
      add(d.capacity, 0x26 << 2, 0);
      break;
    case MediaKind::DvdRam:
      add(d.formatted ? d.formattedSize : d.capacity, d.formatted ? kFormatted : kUnformatted, 2048);
      add(d.capacity, 0x00 << 2, 2048);
      break;
    case MediaKind::DvdRwSequential:
      add(d.capacity, kUnformatted, 2048);
      add(d.capacity, 0x00 << 2, 16);
      add(d.capacity, 0x10 << 2, 16);
      add(d.capacity, 0x15 << 2, 16);
      break;
    case MediaKind::DvdRwRestricted:
      // In the intermediate state the capacity is not known yet and there is nothing to grow;
      // otherwise the quick grow offers what lies past the formatted area (0 when it is all).
      add(d.formattedSize, d.intermediate ? kUnknownCapacity : kFormatted, 2048);
      add(d.capacity, 0x00 << 2, 16);
      add(d.capacity, 0x10 << 2, 16);
      if (!d.intermediate) add(d.capacity - std::min(d.capacity, d.formattedSize), 0x13 << 2, 16);
      add(d.capacity, 0x15 << 2, 16);
      break;
    default:
      add(d.Status() == DiscStatus::Empty ? d.capacity : d.LastRecordedAddress(),
          d.Status() == DiscStatus::Empty ? kUnformatted : kFormatted, 2048);
  }
  r[3] = uint8_t(r.size() - 4);
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 7));
}

}  // namespace scrivo::vrecorder
