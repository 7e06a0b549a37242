// Reading the directory tree of a previous session back into the file tree.
#pragma once
#include "bvISOLib.h"
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
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
inline constexpr const char* ImportReadTwiceText = "ERROR IMPORTING SESSION, DIRECTORY EXTENT ALREADY READ";
inline constexpr const char* ImportNameTwiceText =
    "ERROR IMPORTING SESSION, NAME RECORDED TWICE IN ONE DIRECTORY";
inline constexpr const char* ImportTooManyReadsText =
    "ERROR IMPORTING SESSION, MORE SECTORS READ THAN THE SESSION HOLDS";
inline constexpr const char* ImportTooManyEntriesText =
    "ERROR IMPORTING SESSION, MORE THAN 1000000 FILES AND FOLDERS";
// Entries the new session cannot carry, each with its reason.
inline constexpr const char* ImportCaseOnlyText =
    "ERROR IMPORTING SESSION, NAME DIFFERS ONLY IN CASE FROM ANOTHER, WHICH ONLY ROCK RIDGE KEEPS APART";
inline constexpr const char* ImportNameTooLongForViewText =
    "ERROR IMPORTING SESSION, NAME TOO LONG FOR THE NEW SESSION'S DIRECTORY RECORDS";
inline constexpr const char* ImportAssociatedText =
    "ERROR IMPORTING SESSION, ASSOCIATED FILE, WHICH THE NEW SESSION DOES NOT RECORD";
inline constexpr const char* ImportNotTakenText = "ERROR IMPORTING SESSION, ENTRY REFUSED BY THE FILE TREE";
inline constexpr const char* ImportInterruptedText = "IMPORT INTERRUPTED";

// Files and folders an import takes at most; the help of `scrivo write` states it.
constexpr int MaxImportEntries = 1000000;

// Directory levels read below the imported directory; deeper ones are left out, which keeps
// the reader's recursion bounded on any disc.
constexpr int MaxImportDepth = 255;

// Reads one tree (ISO 9660 or Joliet) of a session: its directories become directories of
// the builder's tree, its files imported entries that keep their extents on the disc.
class TDirectoryImporter {
public:
    using TReport = std::function<void(const std::string& text, uint8_t type)>;
    // `discEnd`: one past the last sector an extent may use; `readBudget`: the sectors the
    // import may read in all.
    TDirectoryImporter(TImageBuilder& builder, TImageDisc& disc, TImportTree tree, uint64_t discEnd,
                       uint64_t readBudget, TReport report);

    // Imports the directory whose extent starts at `extent` into `target`; answers the
    // number of entries taken (files and directories, at every level).
    int Import(uint32_t extent, uint64_t length, TDEntry* target);
    int Files() const { return files_; }
    uint64_t Reads() const { return reads_; }
    // Entries and directory parts left out, each reported.
    int LeftOut() const { return leftOut_; }
    // The disc asked to give up (the user interrupted); what was read is incomplete.
    bool Interrupted() const { return interrupted_; }

private:
    struct Record;
    struct Pieces;
    // True when the directory held records of relocated directories (Rock Ridge), which
    // are taken where their child links stand.
    bool ReadDirectory(uint32_t extent, uint64_t length, TDEntry* target, int depth);
    // The names taken in a directory so far (a directory's with a "/" after it), and
    // whether each was made safe.
    using TTaken = std::unordered_map<std::string, bool>;
    void TakeRecord(Record& r, TDEntry* target, int depth, TTaken& names);
    std::string PathOf(const TDEntry* target, const std::string& name) const;
    std::string MadeSafe(const TDEntry* target, const std::string& name, bool directory,
                         const TTaken& names) const;
    const char* RefusalOf(const TDEntry* target, const std::string& key, bool directory) const;
    void ReadSystemUse(const uint8_t* p, uint32_t idLength, uint32_t recordLength, Record& r);
    bool MergePieces(Pieces& pending, Record& r);
    std::string NameOf(const std::string& id) const;
    bool InsideDisc(uint32_t extent, uint64_t length) const;
    void Fail(const char* text, const std::string& name);
    // Reads one sector within the import's budget; false (the import then ends) when the
    // budget is spent or the user asked to give up, as when the read fails.
    bool Read(uint32_t address, uint8_t* out);
    // A Rock Ridge continuation sector: the few read last are kept, as neighbouring
    // records share them.
    bool ReadContinuation(uint32_t address, uint8_t* out);
    // Marks the extent read; false when a sector of it was read before (a second path to
    // a directory, or extents that overlap).
    bool FirstVisit(uint32_t extent, uint64_t sectors);
    bool Stopped() const { return interrupted_ || budgetSpent_ || full_; }

    TImageBuilder& builder_;
    TImageDisc& disc_;
    TImportTree tree_;
    uint64_t discEnd_;
    TReport report_;
    std::vector<uint32_t> ancestors_; // extents of the directories being read, outermost first
    int taken_ = 0;
    int files_ = 0;
    int leftOut_ = 0;
    uint64_t reads_ = 0, readBudget_ = 0;
    bool interrupted_ = false, budgetSpent_ = false, full_ = false;
    std::map<uint32_t, uint32_t> visited_; // directory extents read: first sector -> end
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> continuations_; // last few read
    uint32_t suspSkip_ = 0;   // Rock Ridge: bytes before each system use area
    bool firstRecord_ = true; // the root's "." record, which holds the SP entry
};

} // namespace scrivo
