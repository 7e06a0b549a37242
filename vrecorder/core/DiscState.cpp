#include "DiscState.h"

#include <cstdio>
#include <sstream>

namespace scrivo::vrecorder {
namespace {

bool ParseU32(const std::string& s, uint32_t& v) {
  if (s.empty()) return false;
  uint64_t x = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    x = x * 10 + uint64_t(c - '0');
    if (x > 0xFFFFFFFFull) return false;
  }
  v = uint32_t(x);
  return true;
}

bool ParseTrack(const std::string& s, Track& t) {
  uint32_t f[6];
  std::istringstream in(s);
  std::string part;
  for (int i = 0; i < 6; ++i) {
    if (!std::getline(in, part, ',') || !ParseU32(part, f[i])) return false;
  }
  t.session = f[0]; t.start = f[1]; t.reserved = f[2]; t.nwa = f[3];
  t.closed = f[4] != 0; t.runOut = f[5] != 0;
  uint32_t dao = 0, damaged = 0;
  if (std::getline(in, part, ',') && ParseU32(part, dao)) t.discAtOnce = dao != 0;
  if (std::getline(in, part, ',') && ParseU32(part, damaged)) t.damaged = damaged != 0;
  return t.nwa >= t.start && t.session > 0;
}

const char* StatusName(DiscStatus s) {
  switch (s) {
    case DiscStatus::Empty: return "empty";
    case DiscStatus::Appendable: return "appendable";
    case DiscStatus::Complete: return "complete";
    default: return "random-writable";
  }
}

}  // namespace

std::string SerializeDisc(const Disc& d) {
  std::ostringstream o;
  o << "media=" << d.info().name << "\n"
    << "capacity=" << d.capacity << "\n"
    << "gap=" << d.gap << "\n"
    << "formatted=" << d.formatted << "\n"
    << "finalized=" << d.finalized << "\n"
    << "closed_sessions=" << d.closedSessions << "\n"
    << "formatted_size=" << d.formattedSize << "\n"
    << "random_end=" << d.randomEnd << "\n";
  if (d.minimallyBlanked) o << "minimally_blanked=1\n";
  if (d.intermediate) o << "intermediate=1\n";
  if (d.trayOpen) o << "tray_open=1\n";
  for (const auto& t : d.tracks)
    o << "track=" << t.session << "," << t.start << "," << t.reserved << "," << t.nwa << ","
      << t.closed << "," << t.runOut
      << (t.damaged ? (t.discAtOnce ? ",1,1" : ",0,1") : t.discAtOnce ? ",1" : "") << "\n";
  return o.str();
}

bool ParseDisc(const std::string& text, Disc& d) {
  d = Disc{};
  bool haveMedia = false, haveCapacity = false;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::string k = line.substr(0, eq), v = line.substr(eq + 1);
    uint32_t n = 0;
    if (k == "media") {
      if (!MediaFromName(v, d.media)) return false;
      haveMedia = true;
    } else if (k == "track") {
      Track t;
      if (!ParseTrack(v, t)) return false;
      d.tracks.push_back(t);
    } else if (!ParseU32(v, n)) {
      return false;
    } else if (k == "capacity") { d.capacity = n; haveCapacity = true; }
    else if (k == "gap") d.gap = n;
    else if (k == "formatted") d.formatted = n != 0;
    else if (k == "finalized") d.finalized = n != 0;
    else if (k == "closed_sessions") d.closedSessions = n;
    else if (k == "formatted_size") d.formattedSize = n;
    else if (k == "random_end") d.randomEnd = n;
    else if (k == "minimally_blanked") d.minimallyBlanked = n != 0;
    else if (k == "intermediate") d.intermediate = n != 0;
    else if (k == "tray_open") d.trayOpen = n != 0;
  }
  return haveMedia && haveCapacity && d.capacity > 0;
}

std::string DiscJson(const Disc& d) {
  std::ostringstream o;
  char profile[8];
  std::snprintf(profile, sizeof profile, "%04X", d.info().profile);
  TrackView inv;
  bool hasNwa = d.TrackInfo(0xFF, inv) && inv.nwaValid;
  o << "{\n"
    << "  \"media\": \"" << d.info().name << "\",\n"
    << "  \"profile\": \"" << profile << "h\",\n"
    << "  \"status\": \"" << StatusName(d.Status()) << "\",\n"
    << "  \"erasable\": " << (d.info().erasable ? "true" : "false") << ",\n"
    << "  \"formatted\": " << (d.formatted ? "true" : "false") << ",\n"
    << "  \"capacity\": " << d.capacity << ",\n"
    << "  \"sessions\": [";
  auto sessions = d.Sessions();
  for (size_t i = 0; i < sessions.size(); ++i) {
    const auto& s = sessions[i];
    o << (i ? ",\n" : "\n") << "    {\"number\": " << s.number << ", \"start\": " << s.start
      << ", \"size\": " << s.size << ", \"closed\": " << (s.closed ? "true" : "false") << "}";
  }
  o << (sessions.empty() ? "" : "\n  ") << "],\n  \"tracks\": [";
  uint32_t last = d.LastTrackNumber();
  bool first = true;
  for (uint32_t n = 1; n <= last; ++n) {
    TrackView t;
    if (!d.TrackInfo(n, t) || (t.invisible && t.blank)) continue;
    o << (first ? "\n" : ",\n") << "    {\"number\": " << t.number << ", \"session\": " << t.session
      << ", \"start\": " << t.start << ", \"size\": " << (t.invisible ? t.nwa - t.start : t.size)
      << ", \"state\": \""
      << (d.IsRandom() ? "random-writable"
          : t.damaged ? "damaged"
          : t.reserved && t.nwaValid ? "reserved"
          : t.nwaValid ? "incomplete"
                       : "complete")
      << "\"}";
    first = false;
  }
  o << (first ? "" : "\n  ") << "],\n";
  if (hasNwa) o << "  \"next_writable_address\": " << inv.nwa << ",\n";
  else o << "  \"next_writable_address\": null,\n";
  o << "  \"free_blocks\": " << d.FreeBlocks() << "\n}\n";
  return o.str();
}

}  // namespace scrivo::vrecorder
