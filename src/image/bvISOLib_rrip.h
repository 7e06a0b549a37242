// System use entries that give ISO 9660 directory records POSIX file facts (Rock Ridge):
// the sharing protocol's own entries (SP, CE, ER) and the POSIX ones (PX, PN, TF, NM, SL,
// CL, PL, RE), and how the entries of a record are split between the record and
// continuation areas. Pure encoding: where records and areas go is the caller's.
#pragma once
#include "bvISOLib.h"
#include <cstdint>
#include <string_view>
#include <vector>

namespace scrivo {

// Entry layouts readers rely on.
constexpr uint32_t SuspEntryMax = 255;   // the length byte
constexpr uint32_t SuspHeaderLength = 4; // signature, length, version
constexpr uint32_t SpEntryLength = 7;
constexpr uint8_t SpCheck[2] = {0xBE, 0xEF};
constexpr uint32_t CeEntryLength = 28;
constexpr uint32_t PxEntryLength = 44;   // with the file serial number
constexpr uint32_t LinkEntryLength = 12; // CL and PL
constexpr uint8_t NmContinue = 0x01, NmCurrent = 0x02, NmParent = 0x04;
constexpr uint8_t SlContinue = 0x01; // entry: the link goes on in the next SL entry
constexpr uint8_t SlComponentContinue = 0x01, SlComponentCurrent = 0x02, SlComponentParent = 0x04,
                  SlComponentRoot = 0x08;
// A continuation area lies within one sector: readers fetch one block per area.
constexpr uint32_t ContinuationAreaMax = SectorSize;
// A directory record ends on an even length (its system use area is padded to it), and its
// length is one byte: 254 is the most a record can hold.
constexpr uint32_t MaxEvenDirRecordLength = MaxDirRecordLength - 1;
// The name relocated folders are kept under in the root.
constexpr std::string_view RelocationFolderName = "rr_moved";

// What the entries of one directory record say.
struct TRripFacts {
    uint32_t Mode = 0; // POSIX file type and permissions
    uint32_t Links = 1, Uid = 0, Gid = 0;
    uint32_t Serial = 0;                                    // one per file: hard links share it
    bool Times = true; // TF: none when the times are not known (the record's date stands)
    int64_t ModifyTime = 0, AccessTime = 0, ChangeTime = 0; // seconds since 1970 UTC
    std::string_view Name;                                  // NM; empty for the "." and ".." records
    std::string_view LinkTarget;                            // SL; with a link's mode
    uint64_t Device = 0;                                    // PN; with a character or block device's mode
    uint32_t ChildLink = 0;  // CL: the folder stands elsewhere (its extent); 0 none
    uint32_t ParentLink = 0; // PL: the ".." of a relocated folder (its real parent); 0 none
    bool Relocated = false;  // RE: the folder stands here only because it was moved
    bool Root = false;       // SP first and the ER entry (the root's "." record)
};

// Appends every entry of `f`, in the order they are written, to `out`. Without `dates` the
// TF entry keeps its length but not its times: all a layout needs, and the costly part.
void AppendRripEntries(const TRripFacts& f, std::vector<uint8_t>& out, bool dates = true);

// The bytes one directory record's entries take in the record and in continuation areas.
struct TSuspSplit {
    uint32_t InRecord = 0;       // entry bytes in the record, its CE included
    std::vector<uint32_t> Areas; // continuation areas in chain order (each ends in CE but the last)
    bool Dropped = false;        // not even a CE entry fit: the record carries no entries
    // The record's system use area: padded to an even length.
    uint32_t AreaLength() const { return InRecord + (InRecord & 1); }
};

// Splits `entries` (whole entries, as AppendRripEntries makes them) for a record that has
// `room` bytes for its system use area: all in the record when they fit, else as many as
// fit before a CE entry and the rest in a chain of areas.
TSuspSplit SplitSystemUse(const std::vector<uint8_t>& entries, uint32_t room);
// The room a record with an identifier of `identifierBytes` has for its system use area.
uint32_t SystemUseRoom(uint32_t identifierBytes);

// Continuation areas packed into sectors of a region, an area never crossing a sector.
class TContinuationPacker {
  public:
    struct Place {
        uint32_t Sector; // relative to the region
        uint32_t Offset;
    };
    Place Put(uint32_t length);
    uint32_t Sectors() const { return used_ == 0 ? sector_ : sector_ + 1; }

  private:
    uint32_t sector_ = 0, used_ = 0;
};

// Writes `entries` as `split` divides them: the record's part at `sua` (AreaLength()
// bytes) and each area at its place from `packer` in the region that starts at block
// `regionStart` and whose bytes are `region`.
void WriteSystemUse(const std::vector<uint8_t>& entries, const TSuspSplit& split, uint8_t* sua,
                    TContinuationPacker& packer, uint32_t regionStart, uint8_t* region);

} // namespace scrivo
