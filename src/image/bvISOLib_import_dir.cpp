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

namespace scrivo {

namespace {

constexpr uint32_t MinRecordLength = 34; // 33 fixed bytes and a one-byte identifier
constexpr uint32_t LastRecordStart = SectorSize - MinRecordLength;

// A 14-byte XA system-use block that a writer left between records: group and user 0,
// attributes ending in 55h, the signature "XA".
bool IsXaBlock(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0 && p[5] == 0x55 && p[6] == 'X' && p[7] == 'A';
}

TDateTime RecordDate(const uint8_t* d) {
    TDateTime t = 0;
    if (!EncodeDateTime({1900 + d[0], d[1], d[2], d[3], d[4], d[5], 0}, t)) t = 0;
    return t;
}

// A name that is empty, a dot name or holds a path separator would break the tree's paths.
bool UsableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("\\\0", 2)) == std::string::npos;
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

TDirectoryImporter::TDirectoryImporter(TImageBuilder& builder, TImageDisc& disc, TImportTree tree, uint64_t discEnd,
                                       TReport report)
    : builder_(builder), disc_(disc), tree_(tree), discEnd_(discEnd), report_(std::move(report)) {}

int TDirectoryImporter::Import(uint32_t extent, uint64_t length, TDEntry* target) {
    taken_ = files_ = leftOut_ = 0;
    suspSkip_ = 0;
    firstRecord_ = true;
    ancestors_.clear();
    if (!InsideDisc(extent, length))
        Fail(ImportBeyondDiscText, target->Path);
    else
        ReadDirectory(extent, length, target, 0);
    return taken_;
}

void TDirectoryImporter::Fail(const char* text, const std::string& name) {
    ++leftOut_;
    report_(std::string(text) + "\n\r" + name);
}

bool TDirectoryImporter::InsideDisc(uint32_t extent, uint64_t length) const {
    return uint64_t(extent) + SectorsFor(length) <= discEnd_;
}

bool TDirectoryImporter::ReadDirectory(uint32_t extent, uint64_t length, TDEntry* target, int depth) {
    ancestors_.push_back(extent);
    std::vector<uint8_t> sector(SectorSize);
    Pieces pending;
    int seen = 0;
    bool relocated = false;
    const uint64_t sectors = SectorsFor(length);
    for (uint64_t s = 0; s < sectors; ++s) {
        const uint32_t address = static_cast<uint32_t>(extent + s);
        if (!disc_.ReadSectors(address, 1, sector.data())) {
            Fail(ImportUnreadableText, target->Path + " (SECTOR " + std::to_string(address) + ")");
            break;
        }
        uint32_t offset = 0;
        while (offset <= LastRecordStart) {
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
            if (MergePieces(pending, r)) TakeRecord(r, target, depth);
        }
    }
    if (pending.Active && !pending.Broken) Fail(ImportBadExtentsText, NameOf(pending.Id));
    ancestors_.pop_back();
    return relocated;
}

void TDirectoryImporter::ReadSystemUse(const uint8_t* p, uint32_t idLength, uint32_t recordLength,
                                       Record& r) {
    const uint32_t area = 33 + idLength + (idLength % 2 == 0 ? 1 : 0) + suspSkip_;
    if (area >= recordLength) return;
    r.Rr = ReadRockRidge(p + area, recordLength - area, [this](uint32_t address, uint8_t* out) {
        return InsideDisc(address, SectorSize) && disc_.ReadSectors(address, 1, out);
    });
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

void TDirectoryImporter::TakeRecord(Record& r, TDEntry* target, int depth) {
    const std::string name = r.Rr.Name.empty() ? NameOf(r.Id) : r.Rr.Name;
    if (r.Rr.ChildLink != 0 && !(r.Flags & FlagDirectory)) {
        // A directory moved elsewhere (Rock Ridge): its own "." record gives its length.
        std::vector<uint8_t> first(SectorSize);
        if (!InsideDisc(r.Rr.ChildLink, SectorSize) || !disc_.ReadSectors(r.Rr.ChildLink, 1, first.data()) ||
            first[0] < MinRecordLength) {
            Fail(ImportBeyondDiscText, name);
            return;
        }
        r.Extent = r.Rr.ChildLink;
        r.Size = GetLE32(first.data() + 10);
        r.Flags |= FlagDirectory;
    }
    if (!UsableName(name)) {
        Fail(ImportBadNameText, name);
        return;
    }
    if (!InsideDisc(r.Extent, r.Size)) {
        Fail(ImportBeyondDiscText, name);
        return;
    }
    FileListing item;
    item.Name = name;
    item.AltName = MadeUpShortName(name);
    item.Size = r.Size;
    item.Attr = (r.Flags & FlagHidden ? faHidden : 0) | (r.Flags & FlagDirectory ? faDirectory : 0);
    item.Time = RecordDate(r.Date);
    item.TimeValid = true; // an impossible date gives the zero date, not the current time
    // What Rock Ridge said of it, for a new session that records Rock Ridge too: modes,
    // owners and links stay what they were. Hard links of the old session stay apart.
    const uint32_t type = r.Flags & FlagDirectory ? PosixDirectory
                          : r.Rr.IsLink           ? PosixSymlink
                                                  : PosixRegular;
    if (r.Rr.HasPosix && r.Rr.HasModifyTime && (r.Rr.Mode & PosixTypeMask) == type) {
        item.Posix.Mode = r.Rr.Mode;
        item.Posix.Uid = r.Rr.Uid;
        item.Posix.Gid = r.Rr.Gid;
        item.Posix.ModifyTime = r.Rr.ModifyTime;
        item.Posix.AccessTime = r.Rr.HasAccessTime ? r.Rr.AccessTime : r.Rr.ModifyTime;
        item.Posix.ChangeTime = r.Rr.HasChangeTime ? r.Rr.ChangeTime : r.Rr.ModifyTime;
        item.LinkTarget = r.Rr.LinkTarget;
    }

    if (!(r.Flags & FlagDirectory)) {
        if (builder_.AddFileEntry(target, item, std::string(), r.Extent) == 1) ++taken_, ++files_;
        return;
    }
    if (std::find(ancestors_.begin(), ancestors_.end(), r.Extent) != ancestors_.end()) {
        Fail(ImportLoopText, name);
        return;
    }
    if (depth >= MaxImportDepth) {
        Fail(ImportTooDeepText, name);
        return;
    }
    TDEntry* dir = builder_.CreateDirectory(target, item);
    if (!dir) return; // the capacity message has been sent
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
