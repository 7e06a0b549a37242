// Reading the directory tree of a previous session back into the file tree.
#pragma once
#include "bvISOLib.h"
#include <functional>
#include <string>
#include <vector>

namespace scrivo {

// A little-endian 32-bit number of an on-disc structure.
inline uint32_t GetLE32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

enum class TImportTree { Iso, Joliet };

// Messages of the import (type 4). Each entry left out is named after the "\n\r".
inline constexpr const char* ImportNameTooLongText = "ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS";
inline constexpr const char* ImportBadRecordText = "ERROR IMPORTING SESSION, DIRECTORY RECORD EXCEEDS SECTOR";
inline constexpr const char* ImportBeyondDiscText = "ERROR IMPORTING SESSION, EXTENT BEYOND END OF DISC";
inline constexpr const char* ImportLoopText = "ERROR IMPORTING SESSION, DIRECTORY REFERS TO ITS PARENT";
inline constexpr const char* ImportTooDeepText = "ERROR IMPORTING SESSION, DIRECTORIES NESTED TOO DEEP";
inline constexpr const char* ImportBadNameText = "ERROR IMPORTING SESSION, INVALID FILE NAME";
inline constexpr const char* ImportBadExtentsText = "ERROR IMPORTING SESSION, FILE EXTENTS NOT CONTIGUOUS";
inline constexpr const char* ImportUnreadableText =
    "ERROR IMPORTING SESSION, DIRECTORY SECTOR CANNOT BE READ";
inline constexpr const char* ImportOverlapText = "ERROR IMPORTING SESSION, FILE OVERLAPS ANOTHER FILE";
inline constexpr const char* ImportBadRootText = "ERROR IMPORTING SESSION, ROOT DIRECTORY RECORD DAMAGED";

// Directory levels read below the imported directory; deeper ones are left out, which keeps
// the reader's recursion bounded on any disc.
constexpr int MaxImportDepth = 255;

// Reads one tree (ISO 9660 or Joliet) of a session: its directories become directories of
// the builder's tree, its files imported entries that keep their extents on the disc.
class TDirectoryImporter {
public:
    using TReport = std::function<void(const std::string& text)>;
    // `discEnd`: one past the last sector an extent may use.
    TDirectoryImporter(TImageBuilder& builder, TImageDisc& disc, TImportTree tree, uint64_t discEnd, TReport report);

    // Imports the directory whose extent starts at `extent` into `target`; answers the
    // number of entries taken (files and directories, at every level).
    int Import(uint32_t extent, uint64_t length, TDEntry* target);
    int Files() const { return files_; }
    // Entries and directory parts left out, each reported.
    int LeftOut() const { return leftOut_; }

private:
    struct Record;
    struct Pieces;
    // True when the directory held records of relocated directories (Rock Ridge), which
    // are taken where their child links stand.
    bool ReadDirectory(uint32_t extent, uint64_t length, TDEntry* target, int depth);
    void TakeRecord(Record& r, TDEntry* target, int depth);
    void ReadSystemUse(const uint8_t* p, uint32_t idLength, uint32_t recordLength, Record& r);
    bool MergePieces(Pieces& pending, Record& r);
    std::string NameOf(const std::string& id) const;
    bool InsideDisc(uint32_t extent, uint64_t length) const;
    void Fail(const char* text, const std::string& name);

    TImageBuilder& builder_;
    TImageDisc& disc_;
    TImportTree tree_;
    uint64_t discEnd_;
    TReport report_;
    std::vector<uint32_t> ancestors_; // extents of the directories being read, outermost first
    int taken_ = 0;
    int files_ = 0;
    int leftOut_ = 0;
    uint32_t suspSkip_ = 0;   // Rock Ridge: bytes before each system use area
    bool firstRecord_ = true; // the root's "." record, which holds the SP entry
};

} // namespace scrivo
