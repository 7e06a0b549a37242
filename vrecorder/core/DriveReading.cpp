// READ (12), READ CD, READ DVD STRUCTURE, GET EVENT STATUS NOTIFICATION, GET PERFORMANCE
// and the full TOC: what a drive claiming CD Read, DVD Read, Core and Real-Time Streaming
// answers besides READ (10).
#include <algorithm>

#include "Bytes.h"
#include "Drive.h"

namespace scrivo::vrecorder {
void Drive::ReadBlocksInto(Command& c, uint32_t lba, uint32_t count) {
  if (count == 0) return;
  if (uint64_t(c.dataLength) < uint64_t(count) * 2048u) InvalidFieldInCdb();
  file_->disc.CheckRead(lba, count);
  // Blocks go straight into the caller's buffer: reading back a disc is mostly this.
  if (!file_->ReadBlocks(lba, count, c.data)) Refuse(kMediumError, scsi::kAscUnrecoveredReadError);
  c.placed = count * 2048;
  clock_->SleepMs(options_.readMs);
}

void Drive::Read12(Command& c) {
  RequireMedium();
  ReadBlocksInto(c, Get32(c.cdb + 2), Get32(c.cdb + 6));
}

void Drive::ReadCd(Command& c) {
  RequireMedium();
  if (!file_->disc.info().cd) IncompatibleMedium();
  int sectorType = (c.cdb[1] >> 2) & 0x07;
  // Data sectors (any type or Mode 1) with the user data alone: what the model keeps. Sync,
  // headers, EDC/ECC, C2 and subchannel data it does not make up.
  if ((sectorType != 0 && sectorType != 2) || (c.cdb[9] & 0xF8) != 0x10 || (c.cdb[9] & 0x06) || c.cdb[10] & 0x07)
    InvalidFieldInCdb();
  ReadBlocksInto(c, Get32(c.cdb + 2), Get24(c.cdb + 6));
}

void Drive::FullToc(const std::vector<SessionView>& closed, std::vector<uint8_t>& r) const {
  const Disc& d = file_->disc;
  if (!d.info().cd || closed.empty()) InvalidFieldInCdb();
  auto add = [&](uint32_t session, uint8_t point, uint32_t pminLba, bool msf, uint8_t pmin = 0, uint8_t psec = 0) {
    uint8_t e[11] = {uint8_t(session), 0x14, 0, point, 0, 0, 0, 0, 0, 0, 0};
    if (msf)
      PutMsf3(&e[8], pminLba);
    else {
      e[8] = pmin;
      e[9] = psec;
    }
    r.insert(r.end(), e, e + 11);
  };
  for (const auto& s : closed) {
    add(s.number, 0xA0, 0, false, uint8_t(s.firstTrack), 0x00);  // first track, CD-ROM disc
    add(s.number, 0xA1, 0, false, uint8_t(s.lastTrack));
    add(s.number, 0xA2, s.start + s.size, true);  // lead-out
    for (uint32_t n = s.firstTrack; n <= s.lastTrack; ++n) {
      TrackView v;
      d.TrackInfo(n, v);
      add(s.number, uint8_t(n), v.start, true);
    }
    if (!d.finalized) {
      // B0: where the next session's program area may start, and the last lead-out start.
      uint8_t e[11] = {uint8_t(s.number), 0x54, 0, 0xB0, 0, 0, 0, 0, 0, 0, 0};
      PutMsf3(&e[4], d.NextTrackStart());
      PutMsf3(&e[8], d.capacity);
      r.insert(r.end(), e, e + 11);
    }
  }
  r[2] = 1;
  r[3] = uint8_t(closed.back().number);
}

void Drive::ReadDvdStructure(Command& c) {
  RequireMedium();
  const Disc& d = file_->disc;
  int format = c.cdb[7];
  if (c.cdb[6] != 0) InvalidFieldInCdb();  // one layer
  std::vector<uint8_t> r(4);
  if (format == 0xFF) {
    // The structures this drive reports, each with its readability and length.
    for (uint8_t f : {0x00, 0x01, 0xFF}) {
      uint8_t e[4] = {f, 0x40, 0, 0};
      Put16(&e[2], f == 0xFF ? 16 : 2052);
      r.insert(r.end(), e, e + 4);
    }
  } else {
    if (d.info().cd) Refuse(kIllegalRequest, scsi::kAscCannotReadIncompatibleFormat);
    if (format == 0x00) {
      std::vector<uint8_t> p(2048);
      uint8_t book = 0;
      switch (d.media) {
        case MediaKind::DvdRam: book = 1; break;
        case MediaKind::DvdR: book = 2; break;
        case MediaKind::DvdRwRestricted:
        case MediaKind::DvdRwSequential: book = 3; break;
        case MediaKind::DvdPlusRw: book = 9; break;
        case MediaKind::DvdPlusR: book = 10; break;
        default: break;
      }
      p[0] = uint8_t(book << 4 | 0x05);   // book type, part version
      p[1] = 0x0F;                        // 120 mm, maximum rate not specified
      p[2] = d.info().rom ? 0x01 : 0x02;  // one layer; embossed or recordable
      p[3] = 0x00;                        // 0.267 um/bit, 0.74 um/track
      Put32(&p[4], 0x030000);             // start of the data area
      Put32(&p[8], 0x030000 + d.capacity - 1);
      r.insert(r.end(), p.begin(), p.end());
    } else if (format == 0x01) {
      uint8_t p[4] = {0, 0, 0, 0};  // no copy protection, all regions
      r.insert(r.end(), p, p + 4);
    } else {
      InvalidFieldInCdb();
    }
  }
  Put16(&r[0], uint32_t(r.size() - 2));
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 8));
}

void Drive::GetEventStatus(Command& c) {
  if (!(c.cdb[1] & 0x01)) InvalidFieldInCdb();  // polled only: no asynchronous notification
  // Classes supported: operational change (1), power management (2), media (4), busy (6).
  constexpr uint8_t kSupported = 0x02 | 0x04 | 0x10 | 0x40;
  uint8_t request = c.cdb[4];
  std::vector<uint8_t> r(4);
  r[3] = kSupported;
  if (request & 0x10) {
    r[2] = 4;
    uint8_t code = 0;
    if (mediaEvent_) {
      code = mediaEvent_;
      mediaEvent_ = 0;
    }
    uint8_t status = uint8_t((HaveMedium() ? 0x02 : 0) | (trayClosed_ ? 0 : 0x01));
    uint8_t e[4] = {code, status, 0, 0};
    r.insert(r.end(), e, e + 4);
  } else if (request & 0x04) {
    r[2] = 2;
    uint8_t e[4] = {0, 0x01, 0, 0};  // no change, active
    r.insert(r.end(), e, e + 4);
  } else if (request & 0x40) {
    r[2] = 6;
    uint8_t e[4] = {0, uint8_t(Busy() ? 1 : 0), 0, 0};
    r.insert(r.end(), e, e + 4);
  } else if (request & 0x02) {
    r[2] = 1;
    uint8_t e[4] = {0, 0, 0, 0};
    r.insert(r.end(), e, e + 4);
  } else {
    r[2] = 0x80;  // no event available of the classes asked for
  }
  Put16(&r[0], uint32_t(r.size() - 2));
  c.reply = std::move(r);
  Fit(c.reply, Get16(c.cdb + 7));
}

void Drive::GetPerformance(Command& c) {
  int type = c.cdb[10];
  uint32_t max = Get16(c.cdb + 8);
  std::vector<uint8_t> r(8);
  uint32_t end = HaveMedium() ? std::max<uint32_t>(file_->disc.capacity, 1) - 1 : 0;
  if (type == 0x00) {
    // Nominal performance over the disc: one descriptor, the write or the read figure.
    bool write = c.cdb[1] & 0x04;
    RequireMedium();
    r[4] = write ? 0x02 : 0x00;
    uint32_t kbps = write ? (writeSpeed_ ? writeSpeed_ : Speeds().front()) : MaxReadSpeed();
    uint8_t e[16] = {};
    Put32(&e[0], 0);
    Put32(&e[4], kbps);
    Put32(&e[8], end);
    Put32(&e[12], kbps);
    if (max) r.insert(r.end(), e, e + 16);
  } else if (type == 0x03) {
    // Write speed descriptors, fastest first.
    auto speeds = Speeds();
    for (size_t i = 0; i < speeds.size() && i < max; ++i) {
      uint8_t e[16] = {};
      e[0] = 0x00;  // WRC 00b: default rotation control
      Put32(&e[4], end);
      Put32(&e[8], MaxReadSpeed());
      Put32(&e[12], speeds[i]);
      r.insert(r.end(), e, e + 16);
    }
  } else {
    InvalidFieldInCdb();
  }
  Put32(&r[0], uint32_t(r.size() - 4));
  c.reply = std::move(r);
}

}  // namespace scrivo::vrecorder
