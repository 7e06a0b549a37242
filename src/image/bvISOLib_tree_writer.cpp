#include "bvISOLib_tree_writer.h"
#include "bvISOLib_layout.h"
#include "bvISOLib_names.h"
#include "bvISOLib_records.h"
#include <cstring>

namespace scrivo {

namespace {

constexpr uint32_t SectorsPerMaxExtent = static_cast<uint32_t>(MaxExtentBytes / SectorSize);
constexpr uint32_t DotRecordLength = 34; // "." and "..": a one-byte identifier

} // namespace

// ---- Path tables ----

std::string TPathTableWriter::Name() const {
    return std::string(ns_.Name) + " path tables";
}

uint64_t TPathTableWriter::Reserve(TLayoutPass& pass) {
    layout_ = &pass.Builder;
    tables_ = &pass.Tables;
    uint32_t size = 10; // the root's record
    for (size_t i = 1; i < pass.Tables.Dirs.size(); ++i) {
        const uint32_t n = ns_.DirectoryIdentifierLength(*pass.Tables.Dirs[i]);
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
    const std::vector<TDEntry*>& dirs = tables_->*ns_.PathOrder;
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
            else
                n = ns_.DirectoryIdentifier(d, id);
            if (p + 8 + n + (n % 2) > end) throw EImageMismatch(Name() + " outgrow their layout");
            p += PutPathRecord(p, msb, area + d.*ns_.DirLocation, static_cast<uint16_t>(d.Parent->Number), id,
                               n);
        }
    }
}

// ---- Directory extents ----

std::string TDirectoryWriter::Name() const {
    return std::string(ns_.Name) + " directories";
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
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
        if (!ns_.Records(*e)) continue;
        at.Entry = e;
        const uint32_t r = DirRecordLength(ns_.IdentifierLength(*e));
        for (uint32_t k = 0, count = ExtentCount(*e); k < count; ++k) {
            at.Extent = k;
            packer.Place(r + (hook_ ? hook_->Reserve(at, MaxDirRecordLength - r) : 0));
        }
        at.Extent = 0;
    }
    return packer.Size();
}

uint64_t TDirectoryWriter::Reserve(TLayoutPass& pass) {
    builder_ = &pass.Builder;
    tables_ = &pass.Tables;
    uint64_t total = 0;
    for (TDEntry* d : pass.Tables.Dirs) {
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
    pass.Builder.*ns_.DirectoryArea = static_cast<uint32_t>(pass.Position);
    pass.Builder.*ns_.DirectoryBytes = total;
    return SectorsFor(total);
}

void TDirectoryWriter::Write(TImageSink& sink) {
    const std::vector<TDEntry*>& dirs = tables_->Dirs;
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
        std::memset(record, 0, sizeof record);
        const uint32_t base = PutDirRecord(record, r);
        const uint32_t su = hook_ ? hook_->Fill(at, record + base, MaxDirRecordLength - base) : 0;
        if (base + su > MaxDirRecordLength)
            throw EImageMismatch(Name() + ": a system use area overflows its record");
        record[0] = static_cast<uint8_t>(base + su);
        const uint64_t offset = packer.Place(base + su);
        if (offset + base + su > size) throw EImageMismatch(Name() + ": an extent outgrows its layout");
        std::memcpy(p + offset, record, base + su);
    };

    uint8_t now[7];
    PutRecordDate(now, builder_->Clock(), tables_->TimeZoneOffset);
    static const uint8_t dot = 0, dotdot = 1;
    TDirRecord r;
    r.Flags = FlagDirectory;
    r.RecordDate = now;
    r.IdentifierLength = 1;
    const TDEntry* self[2] = {&d, d.Parent};
    const uint8_t* ids[2] = {&dot, &dotdot};
    for (int i = 0; i < 2; ++i) {
        at.Parent = i == 1;
        r.Extent = area + self[i]->*ns_.DirLocation;
        r.DataLength = static_cast<uint32_t>(self[i]->*ns_.DirSize);
        r.Identifier = ids[i];
        place(r);
    }
    at.Parent = false;

    uint8_t id[512], date[7];
    for (const TFEntry* e = d.FirstEntry; e; e = e->Next) {
        if (!ns_.Records(*e)) continue;
        at.Entry = e;
        r.IdentifierLength = ns_.Identifier(*e, id);
        r.Identifier = id;
        PutRecordDate(date, e->DateTime, tables_->TimeZoneOffset);
        r.RecordDate = date;
        const uint8_t flags = (e->Dir ? FlagDirectory : 0) | ((e->Attr & faHidden) ? FlagHidden : 0);
        const uint32_t location = e->*ns_.EntryLocation;
        const uint64_t length = e->*ns_.EntrySize;
        const uint32_t extent = e->Dir        ? area + location
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
    }
    if (packer.Size() != size) throw EImageMismatch(Name() + ": an extent is smaller than its layout");
}

} // namespace scrivo
