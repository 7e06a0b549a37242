#include "bvISOLib_tree_writer.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include "bvISOLib_relocation.h"
#include <cstring>

namespace scrivo {

namespace {

constexpr uint32_t SectorsPerMaxExtent = static_cast<uint32_t>(MaxExtentBytes / SectorSize);
constexpr uint32_t DotRecordLength = 34; // "." and "..": a one-byte identifier

// Where the ISO 9660 tree differs from the tree: null when it does not (or for Joliet).
const TRelocation* RelocationOf(const TNamespace& ns, const TFileTables& t) {
    return &ns == &IsoNamespace ? t.Relocation.get() : nullptr;
}

} // namespace

// ---- Path tables ----

std::string TPathTableWriter::Name() const {
    return std::string(ns_.Name) + " path tables";
}

uint64_t TPathTableWriter::Reserve(TLayoutPass& pass) {
    layout_ = &pass.Builder;
    tables_ = &pass.Tables;
    const TRelocation* moved = RelocationOf(ns_, pass.Tables);
    const std::vector<TDEntry*>& dirs = moved ? moved->Dirs : pass.Tables.Dirs;
    uint32_t size = 10; // the root's record
    for (size_t i = 1; i < dirs.size(); ++i) {
        const uint32_t n = moved ? static_cast<uint32_t>(moved->IsoName(*dirs[i]).size())
                                 : ns_.DirectoryIdentifierLength(pass.Tables, *dirs[i]);
        size += 8 + n + (n % 2);
    }
    const uint64_t sectors = SectorsFor(size);
    pass.Builder.*ns_.PathTableSize = size;
    pass.Builder.*ns_.PathTableL = static_cast<uint32_t>(pass.Position);
    pass.Builder.*ns_.PathTableM = static_cast<uint32_t>(pass.Position + sectors);
    return 2 * sectors;
}

void TPathTableWriter::Write(TImageSink& sink) {
    const uint32_t size = layout_->*ns_.PathTableSize;
    const TRelocation* moved = RelocationOf(ns_, *tables_);
    const std::vector<TDEntry*>& dirs = moved ? moved->PathOrder : tables_->*ns_.PathOrder;
    const uint32_t area = layout_->*ns_.DirectoryArea;
    for (bool msb : {false, true}) {
        uint8_t* p = sink.Blocks(SectorsFor(size));
        uint8_t* const end = p + size;
        uint8_t id[512];
        for (size_t i = 0; i < dirs.size(); ++i) {
            const TDEntry& d = *dirs[i];
            uint32_t n = 1;
            if (i == 0)
                id[0] = 0;
            else if (moved)
                n = static_cast<uint32_t>(moved->IsoName(d).copy(reinterpret_cast<char*>(id), sizeof id));
            else
                n = ns_.DirectoryIdentifier(*tables_, d, id);
            if (p + 8 + n + (n % 2) > end) throw EImageMismatch(Name() + " outgrow their layout");
            const uint32_t parent = moved ? moved->Numbers.at(moved->ParentOf(d)) : d.Parent->Number;
            p += PutPathRecord(p, msb, area + d.*ns_.DirLocation, static_cast<uint16_t>(parent), id, n);
        }
    }
}

// ---- Directory extents ----

std::string TDirectoryWriter::Name() const {
    return std::string(ns_.Name) + " directories";
}

const std::vector<TDEntry*>& TDirectoryWriter::Dirs() const {
    return moved_ ? moved_->Dirs : tables_->Dirs;
}

template <class F> void TDirectoryWriter::ForEachEntry(const TDEntry& d, F f) const {
    if (moved_ && &d == &moved_->Moved) {
        for (const TFEntry* e : moved_->Entries)
            f(*e);
        return;
    }
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next)
        if (ns_.Records(*e)) f(*e);
    if (moved_ && &d == tables_->Root()) f(moved_->MovedEntry);
}

uint32_t TDirectoryWriter::Identifier(const TDEntry& d, const TFEntry& e, uint8_t* out) const {
    if (!moved_ || &d != &moved_->Moved)
        return out ? ns_.Identifier(*tables_, e, out) : ns_.IdentifierLength(*tables_, e);
    const std::string& name = moved_->IsoName(*e.Dir);
    if (out) name.copy(reinterpret_cast<char*>(out), name.size());
    return static_cast<uint32_t>(name.size());
}

uint64_t TDirectoryWriter::ExtentSize(const TDEntry& d) {
    TSectorPacker packer;
    TRecordPlace at;
    at.Dir = &d;
    for (bool parent : {false, true}) {
        at.Parent = parent;
        packer.Place(DotRecordLength +
                     (hook_ ? hook_->Reserve(at, MaxDirRecordLength - DotRecordLength) : 0));
    }
    at.Parent = false;
    ForEachEntry(d, [&](const TFEntry& e) {
        at.Entry = &e;
        const uint32_t r = DirRecordLength(Identifier(d, e, nullptr));
        for (uint32_t k = 0, count = ExtentCount(e); k < count; ++k) {
            at.Extent = k;
            packer.Place(r + (hook_ ? hook_->Reserve(at, MaxDirRecordLength - r) : 0));
        }
        at.Extent = 0;
    });
    return packer.Size();
}

uint64_t TDirectoryWriter::Reserve(TLayoutPass& pass) {
    builder_ = &pass.Builder;
    tables_ = &pass.Tables;
    moved_ = RelocationOf(ns_, pass.Tables);
    uint64_t total = 0;
    for (TDEntry* d : Dirs()) {
        const uint64_t size = ExtentSize(*d);
        d->*ns_.DirSize = size;
        d->*ns_.DirLocation = static_cast<uint32_t>(total / SectorSize);
        total += size + (hook_ ? uint64_t(hook_->TrailingBlocks(*d)) * SectorSize : 0);
    }
    // A subdirectory's entry in its parent describes the subdirectory's extent.
    for (TFEntry* e : pass.Tables.Files) {
        if (e->Imported || !e->Dir) continue;
        e->*ns_.EntryLocation = e->Dir->*ns_.DirLocation;
        e->*ns_.EntrySize = e->Dir->*ns_.DirSize;
    }
    if (moved_) {
        TFEntry& e = tables_->Relocation->MovedEntry;
        e.*ns_.EntryLocation = e.Dir->*ns_.DirLocation;
        e.*ns_.EntrySize = e.Dir->*ns_.DirSize;
    }
    pass.Builder.*ns_.DirectoryArea = static_cast<uint32_t>(pass.Position);
    pass.Builder.*ns_.DirectoryBytes = total;
    return SectorsFor(total);
}

void TDirectoryWriter::Write(TImageSink& sink) {
    const std::vector<TDEntry*>& dirs = Dirs();
    const uint64_t end = SectorsFor(builder_->*ns_.DirectoryBytes);
    for (size_t i = 0; i < dirs.size(); ++i) {
        const TDEntry& d = *dirs[i];
        // The hook's blocks fill the room up to the next extent.
        const uint64_t sectors = SectorsFor(d.*ns_.DirSize);
        const uint64_t next = i + 1 < dirs.size() ? dirs[i + 1]->*ns_.DirLocation : end;
        uint8_t* p = sink.Blocks(next - d.*ns_.DirLocation);
        if (next < d.*ns_.DirLocation + sectors) throw EImageMismatch(Name() + ": extents overlap");
        if (hook_)
            hook_->StartTrailing(
                d, static_cast<uint32_t>(builder_->*ns_.DirectoryArea + d.*ns_.DirLocation + sectors),
                p + sectors * SectorSize, static_cast<uint32_t>(next - d.*ns_.DirLocation - sectors));
        WriteExtent(d, p);
    }
}

void TDirectoryWriter::WriteExtent(const TDEntry& d, uint8_t* p) {
    const uint32_t area = builder_->*ns_.DirectoryArea;
    const uint64_t size = d.*ns_.DirSize;
    TSectorPacker packer;
    uint8_t record[MaxDirRecordLength + 1];
    TRecordPlace at;
    at.Dir = &d;
    // Builds the record `r` with its system use area and places it in the extent.
    auto place = [&](const TDirRecord& r) {
        // PutDirRecord clears what it writes, the hook what it answers: clearing the whole
        // record each time would cost more than building it.
        const uint32_t base = PutDirRecord(record, r);
        const uint32_t su = hook_ ? hook_->Fill(at, record + base, MaxDirRecordLength - base) : 0;
        if (base + su > MaxDirRecordLength)
            throw EImageMismatch(Name() + ": a system use area overflows its record");
        record[0] = static_cast<uint8_t>(base + su);
        const uint64_t offset = packer.Place(base + su);
        if (offset + base + su > size) throw EImageMismatch(Name() + ": an extent outgrows its layout");
        std::memcpy(p + offset, record, base + su);
    };

    static const uint8_t dot = 0, dotdot = 1;
    TDirRecord r;
    r.Flags = FlagDirectory;
    r.IdentifierLength = 1;
    const TDEntry* self[2] = {&d, moved_ ? moved_->ParentOf(d) : d.Parent};
    const uint8_t* ids[2] = {&dot, &dotdot};
    uint8_t dates[2][7];
    for (int i = 0; i < 2; ++i) {
        // Each folder's records carry its own date; the root's, the time of the image.
        const TDateTime date = self[i]->DateTime != 0 ? self[i]->DateTime : builder_->Clock();
        PutRecordDate(dates[i], date, tables_->TimeZoneOffset);
        r.RecordDate = dates[i];
        at.Parent = i == 1;
        r.Extent = area + self[i]->*ns_.DirLocation;
        r.DataLength = static_cast<uint32_t>(self[i]->*ns_.DirSize);
        r.Identifier = ids[i];
        place(r);
    }
    at.Parent = false;

    uint8_t id[512], date[7];
    ForEachEntry(d, [&](const TFEntry& entry) {
        const TFEntry* e = &entry;
        at.Entry = e;
        r.IdentifierLength = Identifier(d, *e, id);
        r.Identifier = id;
        if (e->DateUnspecified)
            std::memset(date, 0, sizeof date);
        else
            PutRecordDate(date, e->DateTime,
                          e->RecordedZone == TFEntry::TablesZone ? tables_->TimeZoneOffset : e->RecordedZone);
        r.RecordDate = date;
        // A folder moved away leaves an empty file behind, which Rock Ridge links to it.
        const bool placeholder = moved_ && moved_->IsPlaceholder(*e, d);
        const bool folder = e->Dir && !placeholder;
        const uint8_t flags = (folder ? FlagDirectory : 0) | ((e->Attr & faHidden) ? FlagHidden : 0);
        const uint32_t location = e->*ns_.EntryLocation;
        const uint64_t length = placeholder ? 0 : e->*ns_.EntrySize;
        const uint32_t extent = folder        ? area + location
                                : e->Imported ? location
                                : length == 0 ? 0
                                              : builder_->FirstFileLocation + location;
        const uint32_t count = ExtentCount(*e);
        for (uint32_t k = 0; k < count; ++k) {
            const bool last = k + 1 == count;
            at.Extent = k;
            r.Extent = extent + k * SectorsPerMaxExtent;
            r.DataLength =
                static_cast<uint32_t>(last ? length - uint64_t(k) * MaxExtentBytes : MaxExtentBytes);
            r.Flags = last ? flags : static_cast<uint8_t>(flags | FlagMultiExtent);
            place(r);
        }
        at.Extent = 0;
    });
    if (packer.Size() != size) throw EImageMismatch(Name() + ": an extent is smaller than its layout");
}

} // namespace scrivo
