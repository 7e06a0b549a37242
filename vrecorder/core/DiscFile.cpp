#include "DiscFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "DiscState.h"
#include "Sense.h"

namespace scrivo::vrecorder {
namespace fs = std::filesystem;

namespace {

fs::path U8Path(const std::string& s) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

bool ReadText(const std::string& path, std::string& out) {
  std::ifstream in(U8Path(path), std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

// Copies the ISO into the image from block `first` on and answers its size in blocks.
// Zeros are left to the sparse image (which reads them back as zeros), and the holes of a
// sparse ISO are not read at all, so a large mostly empty ISO costs neither time nor space.
bool CopyIso(const std::string& iso, ImageFile& image, uint32_t& blocks, std::string& error, uint32_t first = 0) {
  std::error_code ec;
  const uint64_t size = fs::file_size(U8Path(iso), ec);
  ImageFile in;
  if (ec || !in.OpenForReading(iso)) { error = "cannot open " + iso; return false; }
  std::vector<char> buf(2048 * 64);
  const uint64_t base = uint64_t(first) * 2048;
  for (uint64_t offset = in.NextData(0); offset < size; offset = in.NextData(offset)) {
    const auto n = uint32_t(std::min<uint64_t>(buf.size(), size - offset));
    if (!in.Read(offset, buf.data(), n)) { error = "cannot read " + iso; return false; }
    const bool zeros = std::all_of(buf.begin(), buf.begin() + n, [](char c) { return c == 0; });
    if (!zeros && !image.Write(base + offset, buf.data(), n)) { error = "cannot write the image"; return false; }
    offset += n;
  }
  blocks = uint32_t((size + 2047) / 2048);
  if (!blocks) { error = iso + " is empty"; return false; }
  return true;
}

}  // namespace

bool DiscFile::Create(const std::string& path, MediaKind kind, uint32_t capacity, uint32_t gap,
                      const std::string& fromIso, std::string& error, bool unformatted) {
  const auto& info = Info(kind);
  if (info.rom && fromIso.empty()) { error = "ROM media are made from an ISO image (--from)"; return false; }
  std::error_code ec;
  fs::remove(U8Path(path), ec);
  DiscFile f;
  f.path_ = path;
  if (!f.image_.Open(path)) { error = "cannot create " + path; return false; }
  f.disc = Disc::Blank(kind, capacity ? capacity : info.capacity);
  if (gap) f.disc.gap = gap;
  if (kind == MediaKind::DvdRam && !unformatted) f.disc.Format(0x00, f.disc.capacity);
  if (!fromIso.empty()) {
    uint32_t blocks = 0;
    if (!CopyIso(fromIso, f.image_, blocks, error)) return false;
    Disc& d = f.disc;
    if (info.rom) {
      d.capacity = blocks;
    } else {
      if (blocks > d.capacity) { error = "the image is larger than the disc"; return false; }
      try {
        if (info.needsFormat) d.Format(kind == MediaKind::DvdPlusRw ? 0x26 : 0x00, d.capacity);
        // Restricted overwrite records whole ECC blocks.
        d.Write(0, kind == MediaKind::DvdRwRestricted ? (blocks + 15) / 16 * 16 : blocks);
        d.CloseSession(false, true);
      } catch (const Refusal&) {
        error = "the image cannot be recorded on this medium";
        return false;
      }
    }
  }
  return f.Save() || (error = "cannot write " + StatePath(path), false);
}

bool DiscFile::Record(const std::string& data, bool keepSessionOpen, std::string& error) {
  if (!disc.HasInvisibleTrack() || disc.IsRandom()) { error = "no track can be added to this disc"; return false; }
  const uint32_t start = disc.NextTrackStart();
  uint32_t blocks = 0;
  if (!CopyIso(data, image_, blocks, error, start)) return false;
  try {
    disc.Write(start, blocks);
    disc.CloseTrack(0xFF, true);
    if (!keepSessionOpen) disc.CloseSession(false, true);
  } catch (const Refusal&) {
    error = "the data cannot be recorded on this disc";
    return false;
  }
  return Save() || (error = "cannot write " + StatePath(path_), false);
}

std::unique_ptr<DiscFile> DiscFile::Open(const std::string& path, std::string& error) {
  std::string text;
  if (!ReadText(StatePath(path), text)) { error = "no disc at " + path; return nullptr; }
  auto f = std::make_unique<DiscFile>();
  if (!ParseDisc(text, f->disc)) { error = "damaged state file " + StatePath(path); return nullptr; }
  f->path_ = path;
  if (!f->image_.Open(path)) { error = "cannot open " + path; return nullptr; }
  return f;
}

bool DiscFile::ReadBlocks(uint32_t lba, uint32_t count, uint8_t* out) {
  return image_.Read(uint64_t(lba) * 2048, out, count * 2048);
}

bool DiscFile::WriteBlocks(uint32_t lba, uint32_t count, const uint8_t* data) {
  return image_.Write(uint64_t(lba) * 2048, data, count * 2048);
}

bool DiscFile::Save() {
  std::string target = StatePath(path_);
  std::string tmp = target + ".tmp";
  {
    std::ofstream out(U8Path(tmp), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << SerializeDisc(disc);
    if (!out.flush()) return false;
  }
  std::error_code ec;
  fs::rename(U8Path(tmp), U8Path(target), ec);
  return !ec;
}

}  // namespace scrivo::vrecorder
