// The directory reader of the session import: walks the directory extents of one tree and
// adds what it finds to the file tree. Disc contents are untrusted: every record is checked
// against its sector, every extent against the disc, every subdirectory against the
// directories being read, before anything is taken.
#include "bvISOLib_import.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include "bvISOLib_rockridge.h"
#include "bvISOLib_tree.h"
#include "platform/Text.h"
#include <algorithm>
#include <cstring>

namespace scrivo {

namespace {

constexpr uint32_t MinRecordLength = 34; // 33 fixed bytes and a one-byte identifier
constexpr uint32_t LastRecordStart = SectorSize - MinRecordLength;

// A 14-byte XA system-use block that a writer left between records: group and user 0,
// attributes ending in 55h, the signature "XA".
bool IsXaBlock(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0 && p[5] == 0x55 && p[6] == 'X' && p[7] == 'A';
}

// A record's date as its wall-clock time and its offset from GMT (15-minute units); false
// when it is all zeros ("not specified") or cannot be a date.
bool RecordDate(const uint8_t* d, TDateTime& t, int8_t& zone) {
    zone = static_cast<int8_t>(d[6]);
    return zone >= -48 && zone <= 52 && EncodeDateTime({1900 + d[0], d[1], d[2], d[3], d[4], d[5], 0}, t);
}

// A name that is empty or a dot name cannot be one of the tree's.
bool UsableName(const std::string& name) {
    return !name.empty() && name != "." && name != "..";
}

// Characters no name of the tree may hold: the path separators of both systems, and NUL.
constexpr std::string_view Unsafe("/\\\0", 3);

// `name` with the characters that would break the tree's paths replaced.
std::string SafeName(std::string name) {
    for (char& c : name)
        if (Unsafe.find(c) != std::string_view::npos) c = '_';
    return name;
}

// "base~n.ext": the n-th variant of a name made safe that met another of the directory.
std::string Variant(const std::string& name, bool directory, int n) {
    const size_t dot = directory ? std::string::npos : name.rfind('.');
    const size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + "~" + std::to_string(n) + name.substr(cut);
}

} // namespace

struct TDirectoryImporter::Record {
    uint32_t Extent = 0;
    uint64_t Size = 0;
    uint8_t Flags = 0;
    const uint8_t* Date = nullptr;
    std::string Id; // identifier bytes
    TRockRidge Rr;  // ISO tree: the Rock Ridge entries
};

// The pieces of a multi-extent file seen so far.
struct TDirectoryImporter::Pieces {
    bool Active = false;
    bool Broken = false; // reported; the remaining pieces are passed over
    std::string Id;
    uint32_t First = 0;
    uint64_t Next = 0; // where the next piece must start
    uint64_t Size = 0;
};

TDirectoryImporter::TDirectoryImporter(TImageBuilder& builder, TImageDisc& disc, TImportTree tree,
                                       uint64_t discEnd, uint64_t readBudget, TReport report)
    : builder_(builder), disc_(disc), tree_(tree), discEnd_(discEnd), report_(std::move(report)),
      readBudget_(readBudget) {}

int TDirectoryImporter::Import(uint32_t extent, uint64_t length, TDEntry* target) {
    taken_ = files_ = leftOut_ = 0;
    suspSkip_ = 0;
    firstRecord_ = true;
    ancestors_.clear();
    visited_.clear();
    continuations_.clear();
    if (!InsideDisc(extent, length))
        Fail(ImportBeyondDiscText, target->Path);
    else if (FirstVisit(extent, SectorsFor(length)))
        ReadDirectory(extent, length, target, 0);
    return taken_;
}

bool TDirectoryImporter::Read(uint32_t address, uint8_t* out) {
    if (Stopped()) return false;
    if (disc_.StopRequested()) {
        interrupted_ = true;
        return false;
    }
    if (++reads_ > readBudget_) {
        budgetSpent_ = true;
        Fail(ImportTooManyReadsText, std::to_string(readBudget_) + " SECTORS");
        return false;
    }
    return disc_.ReadSectors(address, 1, out);
}

bool TDirectoryImporter::ReadContinuation(uint32_t address, uint8_t* out) {
    for (const auto& [at, bytes] : continuations_) {
        if (at != address) continue;
        std::memcpy(out, bytes.data(), SectorSize);
        return true;
    }
    if (!InsideDisc(address, SectorSize) || !Read(address, out)) return false;
    constexpr size_t Kept = 4;
    if (continuations_.size() == Kept) continuations_.erase(continuations_.begin());
    continuations_.emplace_back(address, std::vector<uint8_t>(out, out + SectorSize));
    return true;
}

bool TDirectoryImporter::FirstVisit(uint32_t extent, uint64_t sectors) {
    const uint64_t end = uint64_t(extent) + std::max<uint64_t>(sectors, 1);
    auto next = visited_.lower_bound(extent);
    if (next != visited_.end() && next->first < end) return false;
    if (next != visited_.begin() && std::prev(next)->second > extent) return false;
    visited_.emplace_hint(next, extent, end);
    return true;
}

void TDirectoryImporter::Fail(const char* text, const std::string& name) {
    ++leftOut_;
    report_(std::string(text) + "\n\r" + name, 4);
}

bool TDirectoryImporter::InsideDisc(uint32_t extent, uint64_t length) const {
    return uint64_t(extent) + SectorsFor(length) <= discEnd_;
}

bool TDirectoryImporter::ReadDirectory(uint32_t extent, uint64_t length, TDEntry* target, int depth) {
    ancestors_.push_back(extent);
    std::vector<uint8_t> sector(SectorSize);
    Pieces pending;
    TTaken names;
    int seen = 0;
    bool relocated = false;
    const uint64_t sectors = SectorsFor(length);
    for (uint64_t s = 0; s < sectors && !Stopped(); ++s) {
        const uint32_t address = static_cast<uint32_t>(extent + s);
        if (!Read(address, sector.data())) {
            if (!Stopped())
                Fail(ImportUnreadableText, target->Path + " (SECTOR " + std::to_string(address) + ")");
            break;
        }
        uint32_t offset = 0;
        while (offset <= LastRecordStart && !Stopped()) {
            const uint8_t* p = sector.data() + offset;
            if (tree_ == TImportTree::Iso && IsXaBlock(p)) {
                offset += 14;
                continue;
            }
            const uint32_t recordLength = p[0];
            const uint32_t start = offset;
            auto where = [&] { return "SECTOR " + std::to_string(address) + " OFFSET " + std::to_string(start); };
            if (recordLength == 0) {
                // The rest of a sector after its last record is zeros; records after a
                // zeroed length are lost.
                if (std::any_of(p, static_cast<const uint8_t*>(sector.data()) + SectorSize,
                                [](uint8_t b) { return b != 0; }))
                    Fail(ImportBadRecordText, where());
                break;
            }
            if (recordLength < MinRecordLength || offset + recordLength > SectorSize) {
                // Nothing after a broken record length can be trusted in this sector.
                Fail(ImportBadRecordText, where());
                break;
            }
            const uint32_t idLength = p[32];
            const uint32_t area = 33 + idLength + (idLength % 2 == 0 ? 1 : 0);
            if (area <= recordLength && !SystemUseWellFormed(p + area, recordLength - area)) {
                Fail(ImportBadRecordText, where()); // its length takes in what follows
                break;
            }
            offset += recordLength;
            if (tree_ == TImportTree::Joliet && ++seen <= 2) continue; // "." and ".."
            if (tree_ == TImportTree::Iso && firstRecord_ && area < recordLength)
                suspSkip_ = SuspSkip(p + area, recordLength - area);
            firstRecord_ = false;
            if (idLength == 1 && (p[33] == 0 || p[33] == 1)) continue;

            Record r;
            r.Extent = GetLE32(p + 2);
            r.Size = GetLE32(p + 10);
            r.Date = p + 18;
            r.Flags = p[25];
            r.Id.assign(reinterpret_cast<const char*>(p + 33), std::min(idLength, recordLength - 33));
            const bool tooLong = tree_ == TImportTree::Joliet ? idLength > 214 : idLength >= 240;
            if (tooLong) {
                // Such names do not fit the records of the new session; the entry is left out.
                Fail(ImportNameTooLongText, NameOf(r.Id));
                continue;
            }
            if (33 + idLength > recordLength) {
                Fail(ImportBadRecordText, where());
                continue;
            }
            if (tree_ == TImportTree::Iso) ReadSystemUse(p, idLength, recordLength, r);
            if (r.Rr.Relocated) {
                relocated = true; // taken where its child link stands
                continue;
            }
            if (r.Flags & FlagAssociated) {
                // It shares its name with the file it belongs to, which is the one to take.
                Fail(ImportAssociatedText, PathOf(target, r.Rr.Name.empty() ? NameOf(r.Id) : r.Rr.Name));
                continue;
            }
            if (MergePieces(pending, r)) TakeRecord(r, target, depth, names);
        }
    }
    if (pending.Active && !pending.Broken && !Stopped()) Fail(ImportBadExtentsText, NameOf(pending.Id));
    ancestors_.pop_back();
    return relocated;
}

void TDirectoryImporter::ReadSystemUse(const uint8_t* p, uint32_t idLength, uint32_t recordLength,
                                       Record& r) {
    const uint32_t area = 33 + idLength + (idLength % 2 == 0 ? 1 : 0) + suspSkip_;
    if (area >= recordLength) return;
    r.Rr = ReadRockRidge(p + area, recordLength - area,
                         [this](uint32_t address, uint8_t* out) { return ReadContinuation(address, out); });
}

// Multi-extent files: the pieces must follow one another on the disc, every piece but the
// last a whole number of sectors, so that one location and the summed size describe them.
// A file whose pieces do not is left out whole. True when `r` is to be taken now (the last
// piece then stands for the whole file).
bool TDirectoryImporter::MergePieces(Pieces& pending, Record& r) {
    const bool file = !(r.Flags & FlagDirectory);
    const bool piece = file && (r.Flags & FlagMultiExtent);
    if (pending.Active && file && r.Id == pending.Id) {
        if (!pending.Broken && r.Extent == pending.Next && (!piece || r.Size % SectorSize == 0)) {
            pending.Size += r.Size;
            pending.Next += SectorsFor(r.Size);
        } else if (!pending.Broken) {
            pending.Broken = true;
            Fail(ImportBadExtentsText, NameOf(r.Id));
        }
        if (piece) return false;
        pending.Active = false;
        if (pending.Broken) return false;
        r.Extent = pending.First;
        r.Size = pending.Size;
        return true;
    }
    if (pending.Active) { // another entry came before the last piece
        if (!pending.Broken) Fail(ImportBadExtentsText, NameOf(pending.Id));
        pending.Active = false;
    }
    if (!piece) return true;
    pending = {true, false, r.Id, r.Extent, uint64_t(r.Extent) + SectorsFor(r.Size), r.Size};
    if (r.Size % SectorSize != 0) {
        pending.Broken = true;
        Fail(ImportBadExtentsText, NameOf(r.Id));
    }
    return false;
}

// The entry's name: Joliet UCS-2 big-endian or ISO bytes, without the version suffix.
std::string TDirectoryImporter::NameOf(const std::string& id) const {
    std::string name;
    if (tree_ == TImportTree::Joliet) {
        std::u16string units;
        for (size_t i = 0; i + 1 < id.size(); i += 2)
            units.push_back(static_cast<char16_t>(uint8_t(id[i]) << 8 | uint8_t(id[i + 1])));
        name = Utf16ToUtf8(units);
    } else {
        name = id;
    }
    // Only a final ";" and version number is the version: "v;1.txt;1" is "v;1.txt".
    const size_t semi = name.rfind(';');
    if (semi != std::string::npos && name.find_first_not_of("0123456789", semi + 1) == std::string::npos)
        name.resize(semi);
    return name;
}

// Where an entry of `target` stands, for the messages.
std::string TDirectoryImporter::PathOf(const TDEntry* target, const std::string& name) const {
    return (target->Parent == target ? std::string() : target->Path) + "\\" + name;
}

// A name with a path separator or NUL (any tree may record one) gets "_" in their place,
// and a "~n" tail when that meets a name already taken in the directory.
std::string TDirectoryImporter::MadeSafe(const TDEntry* target, const std::string& name, bool directory,
                                         const TTaken& names) const {
    const std::string safe = SafeName(name);
    auto taken = [&](const std::string& n) {
        return names.count(n + (directory ? "/" : "")) ||
               FindEntryByKey(target, NameKey(directory || n.find('.') != std::string::npos ? n : n + "."));
    };
    std::string out = safe;
    for (int n = 1; taken(out); ++n)
        out = Variant(safe, directory, n);
    report_(">>> IMPORTED NAME MADE SAFE: " + PathOf(target, out), 0);
    return out;
}

// Why the file tree refused an entry: its capacity, a name it holds already, or a name too
// long for the records the new session makes.
const char* TDirectoryImporter::RefusalOf(const TDEntry* target, const std::string& key,
                                          bool directory) const {
    const TFileTables& t = FileTables();
    if (static_cast<int>(t.Files.size()) >= t.MaxFiles ||
        (directory && static_cast<int>(t.Dirs.size()) >= t.MaxDirs))
        return ImportNotTakenText;
    return FindEntryByKey(target, key) ? ImportNameTwiceText : ImportNameTooLongForViewText;
}

void TDirectoryImporter::TakeRecord(Record& r, TDEntry* target, int depth,
                                    TTaken& names) {
    std::string name = r.Rr.Name.empty() ? NameOf(r.Id) : r.Rr.Name;
    if (r.Rr.ChildLink != 0 && !(r.Flags & FlagDirectory)) {
        // A directory moved elsewhere (Rock Ridge): its own "." record gives its length.
        std::vector<uint8_t> first(SectorSize);
        if (!InsideDisc(r.Rr.ChildLink, SectorSize) || !Read(r.Rr.ChildLink, first.data()) ||
            first[0] < MinRecordLength) {
            if (!Stopped()) Fail(ImportBeyondDiscText, PathOf(target, name));
            return;
        }
        r.Extent = r.Rr.ChildLink;
        r.Size = GetLE32(first.data() + 10);
        r.Flags |= FlagDirectory;
    }
    const bool directory = r.Flags & FlagDirectory;
    if (!UsableName(name)) {
        Fail(ImportBadNameText, PathOf(target, name));
        return;
    }
    const std::string suffix = directory ? "/" : "";
    // A name made safe gives way to one recorded so: the later of the two gets the tail.
    const auto earlier = names.find(name + suffix);
    const bool safe = name.find_first_of(Unsafe) != std::string::npos || (earlier != names.end() && earlier->second);
    if (safe) name = MadeSafe(target, name, directory, names);
    const std::string path = PathOf(target, name);
    if (!InsideDisc(r.Extent, r.Size)) {
        Fail(ImportBeyondDiscText, path);
        return;
    }
    // The same name twice in one directory: readers show one of them, and a second
    // directory of that name is often a second path to the first.
    if (!names.emplace(name + suffix, safe).second) {
        Fail(ImportNameTwiceText, path);
        return;
    }
    // A name differing only in case from one taken: Rock Ridge keeps both as they are, the
    // ISO 9660 and Joliet names are made unique; a session without Rock Ridge cannot.
    const std::string longName = directory || name.find('.') != std::string::npos ? name : name + ".";
    const std::string key = NameKey(longName);
    TFEntry* const same = FindEntryByKey(target, key);
    // A folder of the very name that the directory imported into holds already takes in
    // the imported one's entries; a file of the very name there is replaced or kept as
    // for any file.
    TDEntry* const existing = directory && same && same->Dir && same->LongName == name ? same->Dir : nullptr;
    const bool apart = same && !existing && (directory || same->LongName != longName);
    if (apart && !builder_.RockRidge) {
        Fail(ImportCaseOnlyText, path);
        return;
    }
    if (taken_ >= MaxImportEntries) {
        full_ = true;
        Fail(ImportTooManyEntriesText, path);
        return;
    }
    FileListing item;
    item.Name = name;
    item.AltName = MadeUpShortName(name);
    item.Size = r.Size;
    item.Attr = (r.Flags & FlagHidden ? faHidden : 0) | (directory ? faDirectory : 0);
    int8_t zone = 0;
    const bool dated = RecordDate(r.Date, item.Time, zone);
    item.TimeValid = true; // kept as "not specified" below, never the current time
    // What Rock Ridge said of it, for a new session that records Rock Ridge too: modes,
    // owners and links stay what they were. Hard links of the old session stay apart.
    const uint32_t type = directory ? PosixDirectory : r.Rr.IsLink ? PosixSymlink : PosixRegular;
    if (r.Rr.HasPosix && r.Rr.HasModifyTime && (r.Rr.Mode & PosixTypeMask) == type) {
        item.Posix.Mode = r.Rr.Mode;
        item.Posix.Uid = r.Rr.Uid;
        item.Posix.Gid = r.Rr.Gid;
        item.Posix.ModifyTime = r.Rr.ModifyTime;
        item.Posix.AccessTime = r.Rr.HasAccessTime ? r.Rr.AccessTime : r.Rr.ModifyTime;
        item.Posix.ChangeTime = r.Rr.HasChangeTime ? r.Rr.ChangeTime : r.Rr.ModifyTime;
        item.LinkTarget = r.Rr.LinkTarget;
    }
    // The record's own date, as it was recorded.
    auto keepDate = [&](TFEntry* e) {
        if (!e) return;
        e->DateUnspecified = !dated;
        e->RecordedZone = zone;
    };

    if (!directory) {
        if (builder_.AddFileEntry(target, item, std::string(), r.Extent, apart) != 1) {
            Fail(RefusalOf(target, key, false), path);
            return;
        }
        keepDate(apart ? target->LastEntry : FindEntryByKey(target, key));
        if (apart) target->CaseTwins = true;
        ++taken_, ++files_;
        return;
    }
    if (!FirstVisit(r.Extent, SectorsFor(r.Size))) {
        const bool ancestor = std::find(ancestors_.begin(), ancestors_.end(), r.Extent) != ancestors_.end();
        Fail(ancestor ? ImportLoopText : ImportReadTwiceText, path);
        return;
    }
    if (depth >= MaxImportDepth) {
        Fail(ImportTooDeepText, path);
        return;
    }
    // Always a directory of its own: the checks above found no other of this name, and a
    // lookup by path would find the children of a case twin.
    TDEntry* dir = existing ? existing : builder_.CreateDirectory(target, item, true);
    if (!dir) {
        Fail(RefusalOf(target, key, true), path);
        return;
    }
    if (!existing) keepDate(EntryOfDir(dir));
    if (apart) target->CaseTwins = true;
    ++taken_;
    // A directory that only held relocated directories (the relocation folder) goes.
    if (ReadDirectory(r.Extent, r.Size, dir, depth + 1) && !dir->FirstEntry) {
        if (TFEntry* e = EntryOfDir(dir)) {
            RemoveListed(FileTables(), target, e);
            --taken_;
        }
    }
}

} // namespace scrivo
