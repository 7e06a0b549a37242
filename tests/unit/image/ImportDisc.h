// A disc in memory for the session import tests, and a small writer of the on-disc
// structures the import reads (descriptors and directory records), with the freedom to
// write them wrongly.
#pragma once
#include "image/bvISOLib.h"
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace scrivo::test {

class MemoryDisc : public TImageDisc {
public:
    struct Track {
        uint32_t Start, Sectors;
    };
    std::vector<Track> Tracks;      // one per complete session
    std::set<uint32_t> Unreadable;  // sectors whose read fails
    bool TrackInfoFails = false;
    uint32_t NextWritable = 0;      // start of the next session
    uint64_t Reads = 0;             // sectors read so far
    uint64_t StopAfter = 0;         // not 0: the user asks to give up after this many reads

    uint8_t ReadDiscKind() override { return 11; }
    bool FindStartAddress(uint32_t& address) override {
        address = NextWritable;
        return true;
    }
    int RecordedSessionCount() override { return static_cast<int>(Tracks.size()); }
    bool ReadTrackInformation(int track, uint32_t& start, uint32_t& sectors) override {
        if (TrackInfoFails || track < 1 || track > static_cast<int>(Tracks.size())) return false;
        start = Tracks[track - 1].Start;
        sectors = Tracks[track - 1].Sectors;
        return true;
    }
    bool ReadSectors(uint32_t address, uint32_t count, uint8_t* buffer) override {
        for (uint32_t i = 0; i < count; ++i, buffer += SectorSize) {
            ++Reads;
            if (Unreadable.count(address + i)) return false;
            auto it = sectors_.find(address + i);
            if (it == sectors_.end())
                std::memset(buffer, 0, SectorSize);
            else
                std::memcpy(buffer, it->second.data(), SectorSize);
        }
        return true;
    }
    bool StopRequested() override { return StopAfter != 0 && Reads >= StopAfter; }
    uint8_t* Sector(uint32_t address) {
        auto& s = sectors_[address];
        s.resize(SectorSize);
        return s.data();
    }

private:
    std::map<uint32_t, std::vector<uint8_t>> sectors_;
};

inline void PutLE32At(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBothAt(uint8_t* p, uint32_t v) {
    PutLE32At(p, v);
    for (int i = 0; i < 4; ++i) p[4 + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// UCS-2 big-endian bytes of an ASCII or UTF-16 text.
inline std::string Ucs2(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

struct Rec {
    std::string Id;          // identifier bytes
    uint32_t Extent = 0;
    uint32_t Size = 0;
    uint8_t Flags = 0;       // 1 hidden, 2 directory, 0x80 more extents follow
    std::string SystemUse;   // bytes after the identifier, counted in the record length
    int Length = -1;         // the record length byte when not the true length
    uint8_t Date[7] = {126, 3, 4, 5, 6, 7, 4}; // 2026-03-04 05:06:07
};
inline Rec FileRec(const std::string& id, uint32_t extent, uint32_t size) {
    Rec r;
    r.Id = id;
    r.Extent = extent;
    r.Size = size;
    return r;
}
inline Rec DirRec(const std::string& id, uint32_t extent, uint32_t size = SectorSize) {
    Rec r = FileRec(id, extent, size);
    r.Flags = 2;
    return r;
}

// The true length of a record: 33 bytes, identifier, pad to even, system use.
inline uint32_t RecLength(const Rec& r) {
    uint32_t n = 33 + static_cast<uint32_t>(r.Id.size());
    return n + n % 2 + static_cast<uint32_t>(r.SystemUse.size());
}

// Writes a record at p; answers the bytes it takes (its true length).
inline uint32_t PutRec(uint8_t* p, const Rec& r) {
    const uint32_t n = RecLength(r);
    std::memset(p, 0, n);
    p[0] = static_cast<uint8_t>(r.Length >= 0 ? r.Length : n);
    PutBothAt(p + 2, r.Extent);
    PutBothAt(p + 10, r.Size);
    std::memcpy(p + 18, r.Date, 7);
    p[25] = r.Flags;
    p[28] = 1, p[31] = 1;
    p[32] = static_cast<uint8_t>(r.Id.size());
    std::memcpy(p + 33, r.Id.data(), r.Id.size());
    std::memcpy(p + n - r.SystemUse.size(), r.SystemUse.data(), r.SystemUse.size());
    return n;
}

// A directory extent from `extent` on: "." and "..", then the records in order, each one
// that does not fit its sector starting the next.
inline void PutDirectory(MemoryDisc& disc, uint32_t extent, uint32_t parent, const std::vector<Rec>& recs) {
    std::vector<Rec> all = {DirRec(std::string(1, '\0'), extent), DirRec(std::string(1, '\1'), parent)};
    all.insert(all.end(), recs.begin(), recs.end());
    uint32_t sector = extent, offset = 0;
    for (const Rec& r : all) {
        if (offset + RecLength(r) > SectorSize) ++sector, offset = 0;
        offset += PutRec(disc.Sector(sector) + offset, r);
    }
}

// Volume descriptors: 1 primary, 2 supplementary (Joliet unless `escape` is empty), 255 terminator.
inline void PutDescriptor(MemoryDisc& disc, uint32_t address, uint8_t type, uint32_t rootExtent = 0,
                          uint32_t rootSize = SectorSize, const char* escape = "%/E") {
    uint8_t* s = disc.Sector(address);
    std::memset(s, 0, SectorSize);
    s[0] = type;
    std::memcpy(s + 1, "CD001", 5);
    s[6] = 1;
    if (type == 255) return;
    if (type == 2) std::memcpy(s + 88, escape, std::strlen(escape));
    PutRec(s + 156, DirRec(std::string(1, '\0'), rootExtent, rootSize));
}

} // namespace scrivo::test
