// vrecorder: makes virtual discs, shows their state and names its ASPI library.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "DiscFile.h"
#include "DiscState.h"

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef VRECORDER_ASPI_NAME
#define VRECORDER_ASPI_NAME ""
#endif

namespace scrivo::vrecorder {
namespace {

const char kUsage[] =
    "usage: vrecorder create --media KIND [--capacity BLOCKS] [--gap BLOCKS] [--from ISO] [--unformatted] DISC\n"
    "       vrecorder record [--keep-session-open] DISC DATA\n"
    "       vrecorder show DISC\n"
    "       vrecorder --library-path\n"
    "       vrecorder --version\n"
    "KIND: cd-rom cd-r cd-rw dvd-rom dvd-r dvd-ram dvd-rw-ro dvd-rw dvd+rw dvd+r\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "vrecorder: %s\n", text.c_str());
  return 1;
}

std::filesystem::path ExecutableDir() {
#ifdef _WIN32
  wchar_t buf[32768];
  DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
  return std::filesystem::path(std::wstring(buf, n)).parent_path();
#else
  return std::filesystem::canonical("/proc/self/exe").parent_path();
#endif
}

bool ParseBlocks(const std::string& s, uint32_t& v) {
  char* end = nullptr;
  unsigned long long x = std::strtoull(s.c_str(), &end, 10);
  if (s.empty() || *end || x == 0 || x > 0xFFFFFFFFull) return false;
  v = uint32_t(x);
  return true;
}

int Create(const std::vector<std::string>& args) {
  std::string media, from, disc;
  uint32_t capacity = 0, gap = 0;
  bool unformatted = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--media" && hasValue) media = args[++i];
    else if (a == "--from" && hasValue) from = args[++i];
    else if (a == "--unformatted") unformatted = true;
    else if (a == "--capacity" && hasValue) {
      if (!ParseBlocks(args[++i], capacity)) return Fail("bad capacity \"" + args[i] + "\"");
    } else if (a == "--gap" && hasValue) {
      if (!ParseBlocks(args[++i], gap)) return Fail("bad gap \"" + args[i] + "\"");
    } else if (!a.empty() && a[0] != '-' && disc.empty()) disc = a;
    else return Usage();
  }
  MediaKind kind;
  if (disc.empty() || media.empty()) return Usage();
  if (!MediaFromName(media, kind)) return Fail("unknown medium \"" + media + "\"");
  std::string error;
  if (!DiscFile::Create(disc, kind, capacity, gap, from, error, unformatted)) return Fail(error);
  return 0;
}

int Record(const std::vector<std::string>& args) {
  std::string disc, data;
  bool keepOpen = false;
  for (const std::string& a : args) {
    if (a == "--keep-session-open") keepOpen = true;
    else if (!a.empty() && a[0] != '-' && disc.empty()) disc = a;
    else if (!a.empty() && a[0] != '-' && data.empty()) data = a;
    else return Usage();
  }
  if (data.empty()) return Usage();
  std::string error;
  auto f = DiscFile::Open(disc, error);
  if (!f || !f->Record(data, keepOpen, error)) return Fail(error);
  return 0;
}

int Show(const std::string& disc) {
  std::string error;
  auto f = DiscFile::Open(disc, error);
  if (!f) return Fail(error);
  std::fputs(DiscJson(f->disc).c_str(), stdout);
  return 0;
}

int LibraryPath() {
  if (!*VRECORDER_ASPI_NAME) return Fail("built without its ASPI library");
  std::printf("%s\n", (ExecutableDir() / VRECORDER_ASPI_NAME).string().c_str());
  return 0;
}

}  // namespace
}  // namespace scrivo::vrecorder

int main(int argc, char** argv) {
  using namespace scrivo::vrecorder;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  if (args[0] == "--help" || args[0] == "-h") {  // asked for: on stdout, and no error
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args[0] == "--library-path" && args.size() == 1) return LibraryPath();
  if (args[0] == "--version" && args.size() == 1) {
    std::printf("vrecorder %s\n", VRECORDER_VERSION);
    return 0;
  }
  if (args[0] == "create") return Create({args.begin() + 1, args.end()});
  if (args[0] == "record") return Record({args.begin() + 1, args.end()});
  if (args[0] == "show" && args.size() == 2) return Show(args[1]);
  return Usage();
}
