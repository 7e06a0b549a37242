#include "DriveOptions.h"

#include <cstdlib>
#include <map>

namespace scrivo::vrecorder {
namespace {

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t from = 0;
  while (true) {
    size_t at = s.find(sep, from);
    out.push_back(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
    if (at == std::string::npos) return out;
    from = at + 1;
  }
}

bool ToU32(const std::string& s, uint32_t& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  unsigned long long x = std::strtoull(s.c_str(), &end, 0);
  if (*end || x > 0xFFFFFFFFull) return false;
  v = uint32_t(x);
  return true;
}

// "OP" or "OP:N": the N-th command of operation code OP (the first without N).
bool ToCommandCount(const std::string& s, CommandCount& out) {
  auto parts = Split(s, ':');
  uint32_t op = 0, nth = 1;
  if (parts.size() > 2 || !ToU32(parts[0], op) || op > 0xFF) return false;
  if (parts.size() == 2 && (!ToU32(parts[1], nth) || nth == 0)) return false;
  out.op = uint8_t(op);
  out.nth = nth;
  return true;
}

bool ApplyCaps(const std::string& value, DriveCaps& caps, std::string& error) {
  std::map<std::string, bool*> names = {
      {"cdr", &caps.cdr}, {"cdrw", &caps.cdrw}, {"dvdr", &caps.dvdr}, {"dvdram", &caps.dvdram},
      {"dvdplus", &caps.dvdplus}, {"testwrite", &caps.testwrite}, {"burnfree", &caps.burnfree},
      {"multisession", &caps.multisession}, {"vendor30", &caps.vendor30}};
  for (const auto& item : Split(value, ',')) {
    if (item.size() < 2 || (item[0] != '+' && item[0] != '-') || !names.count(item.substr(1))) {
      error = "unknown capability \"" + item + "\"";
      return false;
    }
    *names[item.substr(1)] = item[0] == '+';
  }
  return true;
}

bool ApplyWriteTypes(const std::string& value, std::set<int>& types, std::string& error) {
  static const std::map<std::string, int> names = {{"packet", 0}, {"tao", 1}, {"sao", 2}, {"raw", 3}};
  for (const auto& item : Split(value, ',')) {
    auto it = names.find(item);
    if (it == names.end()) { error = "unknown write type \"" + item + "\""; return false; }
    types.insert(it->second);
  }
  return true;
}

bool Apply(const std::string& key, const std::string& value, DriveOptions& o, std::string& error) {
  uint32_t n = 0;
  auto number = [&](uint32_t& field) {
    if (!ToU32(value, n)) { error = "bad number for " + key + ": \"" + value + "\""; return false; }
    field = n;
    return true;
  };
  if (key == "vendor") o.vendor = value;
  else if (key == "product") o.product = value;
  else if (key == "revision") o.revision = value;
  else if (key == "speeds") {
    o.speeds.clear();
    for (const auto& s : Split(value, ',')) {
      if (!ToU32(s, n) || n == 0 || n > 0xFFFF) { error = "bad speed \"" + s + "\""; return false; }
      o.speeds.push_back(n);
    }
  } else if (key == "buffer") return number(o.bufferKb);
  else if (key == "caps") return ApplyCaps(value, o.caps, error);
  else if (key == "nogetconfig") o.noGetConfig = value != "0";
  else if (key == "busy") return number(o.busy);
  else if (key == "busy_every") return number(o.busyEvery);
  else if (key == "write_error_at") { uint32_t v = 0; if (!number(v)) return false; o.writeErrorAt = v; }
  else if (key == "corrupt_write_at") { uint32_t v = 0; if (!number(v)) return false; o.corruptWriteAt = v; }
  else if (key == "interrupt_at") { uint32_t v = 0; if (!number(v)) return false; o.interruptAt = v; }
  else if (key == "kill_at") { uint32_t v = 0; if (!number(v)) return false; o.killAt = v; }
  else if (key == "kill_before" || key == "interrupt_before") {
    CommandCount v;
    if (!ToCommandCount(value, v)) { error = "bad command for " + key + ": \"" + value + "\""; return false; }
    (key == "kill_before" ? o.killBefore : o.interruptBefore) = v;
  }
  else if (key == "close_error") o.closeError = value != "0";
  else if (key == "sync_error") o.syncError = value != "0";
  else if (key == "locked") o.locked = value != "0";
  else if (key == "persistent_tray") o.persistentTray = value != "0";
  else if (key == "not_ready_ms") return number(o.notReadyMs);
  else if (key == "read_ms") return number(o.readMs);
  else if (key == "lost_completion_at") return number(o.lostCompletionAt);
  else if (key == "lost_completion_op") {
    uint32_t v = 0;
    if (!number(v)) return false;
    if (v > 0xFF) { error = "bad operation code for " + key + ": \"" + value + "\""; return false; }
    o.lostCompletionOp = uint8_t(v);
  }
  else if (key == "refuse_write_types") return ApplyWriteTypes(value, o.refusedWriteTypes, error);
  else if (key == "time_scale") {
    char* end = nullptr;
    o.timeScale = std::strtod(value.c_str(), &end);
    if (value.empty() || *end || o.timeScale < 0) { error = "bad time_scale \"" + value + "\""; return false; }
  } else if (key == "sync") o.synchronous = value != "0";
  else { error = "unknown key \"" + key + "\""; return false; }
  return true;
}

}  // namespace

std::vector<std::string> SplitDrives(const std::string& value) {
  if (value.empty()) return {};
  return Split(value, ';');
}

bool ParseDriveOptions(const std::string& entry, DriveOptions& out, std::string& error) {
  out = DriveOptions{};
  auto items = Split(entry, ',');
  out.disc = items[0];
  // A list value (speeds, caps, refuse_write_types) goes on over the items without "=",
  // except the flags, which stand alone.
  std::string key, value;
  bool pending = false;
  for (size_t i = 1; i < items.size(); ++i) {
    auto eq = items[i].find('=');
    bool flag = items[i] == "nogetconfig" || items[i] == "sync" || items[i] == "close_error" ||
                items[i] == "sync_error" || items[i] == "locked" ||
                items[i] == "persistent_tray";
    if (eq == std::string::npos && pending && !flag) { value += "," + items[i]; continue; }
    if (pending && !Apply(key, value, out, error)) return false;
    if (eq == std::string::npos) { key = items[i]; value = std::string("1"); }
    else { key = items[i].substr(0, eq); value = items[i].substr(eq + 1); }
    pending = true;
  }
  return !pending || Apply(key, value, out, error);
}

}  // namespace scrivo::vrecorder
