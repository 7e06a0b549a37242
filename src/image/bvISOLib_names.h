// Disc identifiers of the tree's entries and the path-table order of its directories.
#pragma once
#include "bvISOLib.h"
#include <string>
#include <string_view>

namespace scrivo {

// A name the system makes up itself: upper case, at most 13 characters, every character
// below "!" or above "z" replaced by "_", and so are ";" (the version separator) and "/".
std::string MadeUpShortName(std::string_view name);

// Joliet identifiers cannot hold control characters nor any of * / : ; ? \ (";" would also
// read as the version separator). JolietSafeName writes "_" for each, as other makers of
// discs do; HasJolietForbidden tells whether a UTF-8 name has one.
bool JolietForbidden(char16_t c);
std::u16string JolietSafeName(std::u16string name);
bool HasJolietForbidden(std::string_view utf8);

// UTF-16 code units of a UTF-8 text (characters outside the BMP count two).
uint32_t Utf16Length(std::string_view utf8);

// The longest identifiers whose records fit the one-byte record length.
constexpr uint32_t MaxIsoIdentifier = 221;
constexpr uint32_t MaxJolietIdentifier = 220;

// Identifier bytes of an entry in each tree: files carry the ";1" version suffix. Entries
// are refused when added if their names do not fit; the cut here only keeps records sound
// for entries that bypassed that check.
uint32_t IsoIdentifierLength(const TFEntry& e);
uint32_t JolietIdentifierLength(const TFEntry& e);
// 33 + identifier + one pad byte when the identifier length is even.
constexpr uint32_t DirRecordLength(uint32_t identifierBytes) {
    return 33 + identifierBytes + (identifierBytes % 2 == 0 ? 1 : 0);
}

// Whether both identifiers fit a directory record (its length is one byte): a Joliet
// name of at most 108 UTF-16 units for a file (";1" follows) or 110 for a directory.
bool NamesFitRecords(const std::string& shortName, const std::string& longName, bool isFile);

// Directory records an entry takes in each tree: one, or one per extent of a file larger
// than MaxExtentBytes.
uint32_t ExtentCount(const TFEntry& e);

// `name` with the tail "~n": before a file's extension, the base cut so that an 8.3 name
// stays 8.3 and any other name within 13 characters (or its own length when longer). A
// tail "~digits" the name already has is replaced.
std::string NumberedShortName(const std::string& name, bool isFile, uint32_t n);

// Gives every entry whose ISO 9660 identifier another entry before it in its directory
// already has the smallest numbered name that no entry of that directory uses; the other
// names stay as they are. Fills t.JolietNames: names too long for a Joliet record keep their
// start and extension, forbidden characters become "_" and, where two would then read
// alike (case aside), the name gets a number before the extension.
void MakeNamesUnique(TFileTables& t);

// Orders the ISO and Joliet directory arrays for the path tables and numbers the directories.
void OrderDirectories(TFileTables& t);

} // namespace scrivo
